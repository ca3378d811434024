#pragma once
// Form libraries made from text sources: a source (README.md beside this file) holds the forms of
// one group in one language; from it come the form library XXXX.LNG, its index XXXXINDX.LNG and the
// RTF forms XXXX.RLNG, all in code page 437.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvom::forms {

inline constexpr std::size_t kFormColumns = 80;
inline constexpr std::size_t kBodyRows = 24;
inline constexpr std::size_t kMaxRecordBytes = 2050;  // the reader parses no further into a record
inline constexpr std::size_t kMaxForms = 200;         // the reader holds no more index entries

// A source that does not make a library: the message names the source and its line.
class FormError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One form, its texts in code page 437 and without trailing blanks.
struct Form {
  int number = 0;
  std::array<std::string, 2> header;
  std::array<std::string, kBodyRows> body;
  std::vector<std::string> rtf;  // the lines of its RTF form
};

struct LibrarySource {
  std::string group;     // 4 characters, the first four of the forms' screen codes
  std::string language;  // 3 letters: ENG, GER, ...
  std::vector<Form> forms;
};

// Reads a UTF-8 source; throws FormError naming `sourceName` and the line of the first fault.
LibrarySource parseSource(std::string_view text, std::string_view sourceName);

// The bytes of one record: two header lines and 24 body lines, each ended by CR LF.
std::string formRecord(const Form& form);

struct LibraryFile {
  std::string name;  // file name: WEXA.ENG, WEXAINDX.ENG, WEXA.RENG
  std::string bytes;
};

// The library, its index and the RTF forms; throws FormError when a record is too long for the
// reader or there are too many forms.
std::array<LibraryFile, 3> buildLibrary(const LibrarySource& source);

}  // namespace kvom::forms
