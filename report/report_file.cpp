#include "report/report_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exports/run_paths_setup.h"
#include "platform/report_formatting.h"
#include "platform/windows/files.h"
#include "platform/windows/window.h"
#include "report/file_names.h"
#include "report/guarded_output.h"
#include "report/pictures.h"
#include "report/plot_file.h"
#include "report/screen.h"
#include "report/settings.h"

namespace kvom::report {

std::array<char, kFormScratchSize> FormScratch{};
FormGrid FormTemplate{};
FormGrid FormText{};
std::array<char, kFormOptionCount> FormOptions{};
std::array<char, kKeyLabelsSize> KeyLabels{};
std::array<char, kPictureRefsSize + 1> PictureRefs{};
FormIndexCache FormIndex{};
std::int32_t ReportWord = 0;

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kPathSize = 520;
constexpr std::size_t kMaxPictureName = 95;
constexpr std::size_t kCopyChunk = 65280;
constexpr std::size_t kFallbackChunk = 4096;
constexpr std::size_t kMarkerRows = 23;
constexpr std::size_t kTypeColumn = kFormColumns - 1;
constexpr std::int32_t kNoBuffer = 12;

using Path = std::string;

// A NUL-terminated text that may be null, as a view cut to max characters.
std::string_view textOf(const char* text, std::size_t max = std::string_view::npos) {
  if (text == nullptr) return {};
  return {text, ::strnlen(text, max)};
}

bool writeAll(std::FILE* file, std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

Path languageDir() {
  std::array<char, kPathSize> buffer{};
  GetLanguageDir(buffer);
  return {buffer.data(), ::strnlen(buffer.data(), buffer.size())};
}

// Opens the file of that name in the language directory, else in the current directory.
FileHandle openInLanguageDir(const std::string& name) {
  FileHandle file(platform::crt::openFile((languageDir() + name).c_str(), "rb"));
  if (!file) file.reset(platform::crt::openFile(name.c_str(), "rb"));
  return file;
}

std::optional<long> fileSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
  const long size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
  return size;
}

// The first eight characters of a library name, blank padded after a short name.
std::array<char, 8> libraryKey(const char* library) {
  std::array<char, 8> key{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  const std::string_view name = textOf(library, key.size());
  std::copy(name.begin(), name.end(), key.begin());
  return key;
}

// Loads the index of the library into FormIndex; 0 or the reader's error result.
std::int32_t loadIndex(const std::array<char, 8>& key) {
  std::string indexName(key.data(), 4);
  indexName += "INDX";
  indexName.append(key.data() + 4, 4);
  while (!indexName.empty() && indexName.back() == ' ') indexName.pop_back();
  FileHandle file = openInLanguageDir(indexName);
  if (!file) return -1;
  const std::optional<long> size = fileSize(file.get());
  if (!size || *size < 4) return -2;
  // An index of more entries than the table holds is no index of this format.
  if (static_cast<std::size_t>(*size) > kMaxIndexEntries * 4) return -2;
  const auto count = static_cast<std::size_t>(*size) / 4;
  std::array<unsigned char, kMaxIndexEntries * 4> bytes{};
  if (std::fread(bytes.data(), 4, count, file.get()) != count) return -2;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* b = &bytes[i * 4];
    FormIndex.entries[i] = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  }
  FormIndex.entryCount = static_cast<std::int32_t>(count);
  FormIndex.libraryName = key;
  return 0;
}

constexpr bool isBlank(char c) { return c == ' ' || c == '\0'; }

bool rowTextBlank(std::span<const char, kFormGridCells> text, std::size_t row) {
  const auto cells = text.subspan(row * kFormColumns, kTypeColumn);
  return std::all_of(cells.begin(), cells.end(), isBlank);
}

enum class RowFate { Written, LeftOut, EndsForm };

RowFate rowFate(char type, bool blankText) {
  if (type == 'X' || (type == '*' && blankText)) return RowFate::EndsForm;
  if (type == 'x' || ((type == 'U' || type == '-') && blankText)) return RowFate::LeftOut;
  return RowFate::Written;
}

// Scans a value text for its end mark within 2000 bytes, turning NUL bytes before it into blanks.
// Returns the end mark's position; a text without one before byte 1999 becomes empty (0).
std::size_t normaliseValues(char* values) {
  std::size_t end = 0;
  while (end < kFormValuesSize && values[end] != kValuesEndMark) {
    if (values[end] == '\0') values[end] = ' ';
    ++end;
  }
  if (end >= kFormValuesSize - 1) {
    values[0] = kValuesEndMark;
    return 0;
  }
  return end;
}

bool isMarker(char c) { return c == '{' || c == '}' || c == '~' || c == '`'; }

// The inside of a picture reference: "name x1 y1 x2 y2".
struct PictureReference {
  std::string name;
  std::array<int, 4> corners{};
};

std::optional<PictureReference> parseReference(std::string_view inside) {
  auto skipBlanks = [&inside] {
    while (!inside.empty() && std::isspace(static_cast<unsigned char>(inside.front())) != 0) inside.remove_prefix(1);
  };
  skipBlanks();
  std::size_t nameEnd = 0;
  while (nameEnd < inside.size() && std::isspace(static_cast<unsigned char>(inside[nameEnd])) == 0) ++nameEnd;
  if (nameEnd == 0 || nameEnd > kMaxPictureName) return std::nullopt;
  PictureReference reference{std::string(inside.substr(0, nameEnd)), {}};
  inside.remove_prefix(nameEnd);
  for (int& corner : reference.corners) {
    skipBlanks();
    if (!inside.empty() && inside.front() == '+') inside.remove_prefix(1);
    const auto [next, error] = std::from_chars(inside.data(), inside.data() + inside.size(), corner);
    if (error != std::errc{}) return std::nullopt;
    inside.remove_prefix(static_cast<std::size_t>(next - inside.data()));
  }
  return reference;
}

// The next reference of the text from pos: in angle brackets while a '<' remains, else in braces.
// Returns the inside and moves pos past the closing bracket.
std::optional<std::string_view> nextReference(std::string_view text, std::size_t& pos, char* opener = nullptr) {
  const std::string_view rest = text.substr(std::min(pos, text.size()));
  char open = '<';
  char close = '>';
  std::size_t first = rest.find(open);
  if (first == std::string_view::npos) {
    open = '{';
    close = '}';
    first = rest.find(open);
  }
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t last = rest.find(close, first + 1);
  if (last == std::string_view::npos) return std::nullopt;
  if (opener != nullptr) *opener = open;
  pos += last + 1;
  return rest.substr(first + 1, last - first - 1);
}

void appendPictureRefs(std::string_view piece) {
  const std::size_t used = ::strnlen(PictureRefs.data(), PictureRefs.size());
  const std::size_t n = std::min(piece.size(), kPictureRefsSize - used);
  std::copy_n(piece.data(), n, PictureRefs.data() + used);
  PictureRefs[used + n] = '\0';
}

// A text line of the report file, unless RTF output takes the breaks.
void appendReportLine(std::string_view line) {
  std::array<char, kPathSize> path{};
  GetReportFilePath(path);
  // A line that does not reach the disk whole is cut back.
  GuardedOutput file = GuardedOutput::append(path.data(), "a");
  if (!file) return;
  if (writeAll(file.get(), line)) file.commit();
}

bool rtfOn() { return IsRTFEnabled() != 0; }

// A copy buffer of the chunk size, or a smaller one when that cannot be had.
std::vector<char> copyBuffer(std::size_t chunk) {
  for (const std::size_t size : {chunk, std::min(chunk, kFallbackChunk)}) {
    try {
      return std::vector<char>(size);
    } catch (const std::bad_alloc&) {
    }
  }
  return {};
}

void showError(const char* text) {
  MessageBoxA(nullptr, text, "K-VOM", platform::win::MB_OK | platform::win::MB_ICONERROR);
}

void showCopyError() { showError("Can not copy file"); }
void showWriteError() { showError("Can not write to file"); }

// Appends the block that a container picture shows, the first of the picture's container, to the
// report's container: one block for each picture line, so that the k-th container picture of the
// report is block k of its container. A container that is missing, or has no sound first block,
// gives an empty block. 0, or -1 when the picture's container cannot be read or the report's
// container cannot be written (then it is as it was).
std::int32_t appendPictureBlock(const std::string& source, const std::string& container) {
  FileHandle input;
  if (FileExists(source.c_str()) == 1) {
    input.reset(platform::crt::openFile(source.c_str(), "rb"));
    if (!input) return -1;
  }
  GuardedOutput output = GuardedOutput::append(container, "ab");
  if (!output) {
    showCopyError();
    return -1;
  }
  if (!CopyContainerBlocks(input.get(), 1, output.get())) return -1;
  return output.commit() ? 0 : -1;
}

}  // namespace

void GetReportFilePath(std::span<char> path) {
  if (path.empty()) return;
  std::string text(textOf(exports::GetCaseDir()));
  const std::string_view prefix = textOf(exports::GetFilePrefix());
  text += prefix.empty() ? std::string_view("OUTPUT") : prefix;
  text += ".KVO";
  const std::size_t n = std::min(text.size(), path.size() - 1);
  std::copy_n(text.data(), n, path.data());
  path[n] = '\0';
}

void ReportFormCommand(const char* command, char* screenCode, char* values, const char* pictureText, char* result) {
  ReportCommandHook();
  PictureRefs.fill('\0');
  ScreenCells.markers.fill(' ');
  const std::string_view verb = textOf(command, 3);
  const char action = verb.empty() ? ' ' : verb[0];
  const char refinement = verb.size() > 1 ? verb[1] : ' ';

  if (action == 'S') {
    // SetLanguageByName stores the code of the language it accepted.
    std::array<char, 4> code{};
    const std::string_view asked = textOf(screenCode, 3);
    std::copy(asked.begin(), asked.end(), code.begin());
    SetLanguageByName(code.data());
    if (result != nullptr) result[0] = 'S';
    return;
  }
  if (action != 'D' || refinement == 'N') return;

  FreeAllPictures();
  const std::string_view pictures = textOf(pictureText, kPictureRefsSize);
  std::size_t open = pictures.find('<');
  if (open == std::string_view::npos) open = pictures.find('{');
  if (open != std::string_view::npos) {
    const std::size_t close = pictures.find_last_of(">}");
    if (close != std::string_view::npos && close > open) appendPictureRefs(pictures.substr(open, close - open + 1));
  }

  if (screenCode == nullptr) return;
  std::array<char, 9> code{};
  for (std::size_t i = 0; i < 8 && screenCode[i] != '\0'; ++i) {
    screenCode[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(screenCode[i])));
    code[i] = screenCode[i];
  }
  if (refinement == 'L') return;

  if (ReportLanguageCode[0] == ' ') {
    std::array<char, 4> read{' ', ' ', ' ', '\0'};
    const std::int32_t readNumber = ReadLanguageSetting(read.data());
    // An installed language whose name the settings file cannot take is still the report's
    // language, and the report is drawn as that language is. A language that is not installed is
    // not applied: the code stays blank (the English forms are read) and so does the number.
    if (SetLanguageByName(read.data()) != 1 && LanguageAvailable(readNumber)) {
      std::copy_n(read.data(), 3, ReportLanguageCode.begin());
      SetLanguageFromLetter(ReportLanguageCode.data());
    }
  }
  ActiveLanguageCode = ReportLanguageCode;
  const std::string group(code.data(), ::strnlen(code.data(), 4));
  const std::string language(ReportLanguageCode.data(), ReportLanguageCode.size());

  if (rtfOn()) {
    ParseRtfForm((group + ".R" + language).c_str(), code.data(), values);
    return;
  }

  std::int32_t number = 0;
  for (std::size_t i = 4; i < 8 && std::isdigit(static_cast<unsigned char>(code[i])) != 0; ++i) {
    number = number * 10 + (code[i] - '0');
  }
  std::string library = group + "." + language;
  while (ReadFormRecord(library.c_str(), FormScratch, number) != 0) {
    if (library.size() > group.size() + 1 && library[group.size() + 1] == 'E') return;
    library = group + ".ENG";
  }

  std::int32_t cursor = -1;
  SplitFormRecord(verb.empty() ? "" : command, FormScratch, FormTemplate, FormOptions, KeyLabels, cursor);
  std::copy_n(FormTemplate.begin(), kMarkerRows * kFormColumns, ScreenCells.markers.begin());
  if (values == nullptr) return;
  MergeFormValues(FormText, FormTemplate, values);
  if (refinement == 'F')
    std::replace_if(
        FormTemplate.begin(), FormTemplate.end(), [](char c) { return c == '#' || c == '@'; }, ' ');
  if (WriteFormToReport(FormText, FormTemplate) != 0) showWriteError();
  FreeAllPictures();
}

std::int32_t ReadFormRecord(const char* library, std::span<char, kFormScratchSize> buffer, std::int32_t number) {
  const std::array<char, 8> key = libraryKey(library);
  if (key != FormIndex.libraryName) {
    if (const std::int32_t failed = loadIndex(key); failed != 0) return failed;
  }
  if (number < 1 || number > FormIndex.entryCount) return -3;

  const auto n = static_cast<std::size_t>(number);
  const std::uint32_t start = n == 1 ? 0 : FormIndex.entries[n - 1] + 1;
  std::size_t length = kFormRecordBytes;
  if (number != FormIndex.entryCount) {
    if (FormIndex.entries[n] < FormIndex.entries[n - 1]) return -2;
    length = std::min<std::size_t>(FormIndex.entries[n] - FormIndex.entries[n - 1] + 1, buffer.size());
  }

  std::string name(key.data(), key.size());
  while (!name.empty() && name.back() == ' ') name.pop_back();
  FileHandle file = openInLanguageDir(name);
  if (!file) return -4;
  const std::optional<long> size = fileSize(file.get());
  if (!size || start >= static_cast<std::uint64_t>(*size) ||
      std::fseek(file.get(), static_cast<long>(start), SEEK_SET) != 0) {
    return -4;
  }
  const std::size_t read = std::fread(buffer.data(), 1, length, file.get());
  // Bytes after the record are no part of it; clear them so that a short record reads nothing stale.
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(read), buffer.end(), '\0');
  file.reset();

  if (GetLanguageNumber() == kDoubleByteLanguage && key[5] != 'C') ReplaceBoxChars(buffer.first(read));
  return 0;
}

void SplitFormRecord(const char* command, std::span<const char, kFormScratchSize> record,
                     std::span<char, kFormGridCells> formTemplate, std::span<char, kFormOptionCount> options,
                     std::span<char, kKeyLabelsSize> labels, std::int32_t& cursorCell) {
  const std::string_view verb = textOf(command, 3);
  const char action = verb.empty() ? ' ' : verb[0];
  const char refinement = verb.size() > 1 ? verb[1] : ' ';

  // Header: two lines of 80 cells.
  std::array<char, 2 * kFormColumns> header{};
  header.fill(' ');
  std::size_t pos = 0;
  {
    std::size_t line = 0;
    std::size_t column = 0;
    for (; pos < kFormHeaderBytes; ++pos) {
      const char c = record[pos];
      if (c == '\n') {
        column = 0;
        if (++line == 2) {
          ++pos;
          break;
        }
      } else if (c != '\r') {
        if (column < kFormColumns) header[line * kFormColumns + column] = c;
        ++column;
      }
    }
  }

  // Picture references of the header; its last cell reads as the end of the text.
  const std::string_view headerText(header.data(), header.size() - 1);
  std::size_t at = 0;
  char opener = '<';
  while (const auto inside = nextReference(headerText, at, &opener)) {
    appendPictureRefs(std::string_view(&opener, 1));
    appendPictureRefs(*inside);
    appendPictureRefs(opener == '<' ? ">" : "}");
    PictureBracketFlag = opener == '<' ? 1 : 0;
  }
  if (action != 'D') LoadPagePictures(PictureRefs.data());

  std::fill(labels.begin(), labels.end(), ' ');
  for (std::size_t k = 0; k < 6; ++k) {
    const std::size_t column = 20 + 10 * k;
    std::copy_n(header.begin() + column, kKeyLabelWidth, labels.begin() + k * kKeyLabelWidth);
    std::copy_n(header.begin() + kFormColumns + column, kKeyLabelWidth, labels.begin() + (k + 6) * kKeyLabelWidth);
  }

  if (refinement == 'N' || verb.starts_with("_PD")) {
    std::fill(options.begin(), options.end(), 'N');
  } else {
    std::copy_n(header.begin() + kFormColumns, kFormOptionCount, options.begin());
  }

  std::fill(formTemplate.begin(), formTemplate.end(), ' ');
  std::size_t row = 0;
  std::size_t column = 0;
  for (; pos < kFormRecordBytes; ++pos) {
    const char c = record[pos];
    if (c == '\n') {
      column = 0;
      if (++row == kFormRows) break;
      continue;
    }
    if (c == '\r') continue;
    if (column < kFormColumns) {
      const std::size_t cell = row * kFormColumns + column;
      const bool cursor =
          c == '_' && column > 0 && formTemplate[cell - 1] == ' ' && (record[pos + 1] == 'F' || record[pos + 1] == 'P');
      formTemplate[cell] = cursor ? ' ' : c;
      if (cursor && action != 'D') cursorCell = static_cast<std::int32_t>(cell);
    }
    ++column;
  }
}

void MergeFormValues(std::span<char, kFormGridCells> text, std::span<char, kFormGridCells> formTemplate, char* values) {
  ScreenCells.valueOffsets.fill(-1);
  const std::size_t end = normaliseValues(values);
  std::copy_n(values, end, ScreenCells.valueText.begin());
  ScreenCells.valueText[end] = '\0';

  const FormGrid original = [&] {
    FormGrid copy{};
    std::copy(formTemplate.begin(), formTemplate.end(), copy.begin());
    return copy;
  }();
  std::copy(formTemplate.begin(), formTemplate.end(), text.begin());
  for (std::size_t cell = 0; cell < kFormGridCells; ++cell) {
    switch (original[cell]) {
      case '\0':
        text[cell] = ' ';
        formTemplate[cell] = ' ';
        break;
      case '#':
      case '@':
        text[cell] = ' ';
        break;
      case '{':
        formTemplate[cell] = cell + 1 < kFormGridCells ? original[cell + 1] : ' ';
        text[cell] = ' ';
        break;
      case '}':
        formTemplate[cell] = cell > 0 ? formTemplate[cell - 1] : ' ';
        text[cell] = ' ';
        break;
      case '`':
        formTemplate[cell] = '#';
        text[cell] = ' ';
        break;
      case '~':
        formTemplate[cell] = ' ';
        text[cell] = ' ';
        break;
      default:
        break;
    }
  }

  // Values at the markers, in order; the end mark leaves every later marker without one.
  std::size_t next = 0;
  bool exhausted = end == 0;
  for (std::size_t cell = 0; cell < kFormGridCells && !exhausted; ++cell) {
    if (!isMarker(original[cell])) continue;
    std::size_t stop = next;
    while (stop < end && values[stop] != kValueSeparator) ++stop;
    const std::size_t start = next;
    const auto length = static_cast<std::ptrdiff_t>(stop - start);
    if (stop >= end) {
      exhausted = true;
    } else {
      next = stop + 1;
    }
    if (length < 1) continue;
    auto first = static_cast<std::ptrdiff_t>(cell);
    if (original[cell] == '}') first -= length - 1;
    if (original[cell] == '~' || original[cell] == '`') first -= length / 2;
    // Only the part of the value that lies inside the form is written.
    for (std::ptrdiff_t i = 0; i < length; ++i) {
      const std::ptrdiff_t target = first + i;
      if (target >= 0 && target < static_cast<std::ptrdiff_t>(kFormGridCells)) {
        text[static_cast<std::size_t>(target)] = values[start + static_cast<std::size_t>(i)];
      }
    }
    ScreenCells.valueOffsets[cell] = static_cast<std::int32_t>(start);
  }

  for (std::size_t cell = 0; cell < kFormGridCells; ++cell) {
    if (text[cell] != '[') continue;
    std::int32_t field = 0;
    std::array<char, kLinkTextSize> link{};
    const std::int32_t length = ParseFormLinks(static_cast<std::int32_t>(cell), text, field, link);
    if (length <= 0) continue;
    const std::size_t stop = std::min(cell + static_cast<std::size_t>(length), kFormGridCells);
    std::fill(text.begin() + static_cast<std::ptrdiff_t>(cell), text.begin() + static_cast<std::ptrdiff_t>(stop), ' ');
    cell = stop - 1;
  }

  for (std::size_t row = 0; row < kFormRows; ++row) {
    formTemplate[row * kFormColumns + kTypeColumn] = text[row * kFormColumns + kTypeColumn];
  }
}

std::int32_t ParseFormLinks(std::int32_t cell, std::span<const char, kFormGridCells> text, std::int32_t& field,
                            std::span<char, kLinkTextSize> linkText) {
  if (cell < 0 || cell >= static_cast<std::int32_t>(kFormGridCells)) return 0;
  const auto at = static_cast<std::size_t>(cell);
  const std::size_t rowStart = at - at % kFormColumns;
  const std::size_t rowEnd = rowStart + kFormColumns;
  auto pairAt = [&](std::size_t p, char c) {
    return p >= rowStart && p + 1 < rowEnd && text[p] == c && text[p + 1] == c;
  };

  std::optional<std::size_t> start;
  if (pairAt(at, '[')) {
    start = at;
  } else if (at > rowStart && pairAt(at - 1, '[')) {
    start = at - 1;
  } else {
    // On the closing pair of a link the search starts before it.
    std::size_t from = at;
    if (at > rowStart && pairAt(at - 1, ']')) from = at - 1;
    for (std::size_t p = from; p-- > rowStart;) {
      if (pairAt(p, ']') && p + 1 < from) break;
      if (pairAt(p, '[')) {
        start = p;
        break;
      }
    }
  }
  if (!start) return 0;

  std::optional<std::size_t> last;
  if (at > *start + 1 && pairAt(at, ']')) {
    last = at + 1;
  } else if (at > *start + 2 && pairAt(at - 1, ']')) {
    last = at;
  } else {
    for (std::size_t p = std::max(at, *start + 2); p + 1 < rowEnd; ++p) {
      if (pairAt(p, '[')) break;
      if (pairAt(p, ']')) {
        last = p + 1;
        break;
      }
    }
  }
  if (!last) return 0;

  std::string_view inside(text.data() + *start + 2, *last - 1 - (*start + 2));
  while (!inside.empty() && inside.front() == ' ') inside.remove_prefix(1);
  // Only a letter names a field; anything else leaves the outputs alone.
  if (!inside.empty() && std::isupper(static_cast<unsigned char>(inside.front())) != 0) {
    field = inside.front() - 64;
    const std::string_view rest = inside.substr(1);
    const std::size_t n = std::min({rest.find(' '), rest.size(), linkText.size() - 1});
    std::copy_n(rest.data(), n, linkText.data());
    linkText[n] = '\0';
  }
  return static_cast<std::int32_t>(*last - *start + 1);
}

std::int32_t WriteFormToReport(std::span<char, kFormGridCells> text,
                               std::span<const char, kFormGridCells> formTemplate) {
  std::array<char, kPathSize> path{};
  GetReportFilePath(path);
  // A form that cannot be written whole is cut back, report and container alike, so that the
  // report never ends in half a form nor points at blocks of another form.
  GuardedOutput file = GuardedOutput::append(path.data(), "a");
  if (!file) return -1;
  bool written = true;
  bool picturesAppended = true;
  const std::string caseDir(textOf(exports::GetCaseDir()));
  const std::string container = ReportContainerName(path.data());
  std::optional<FileMark> containerBefore;

  const std::string_view refs = textOf(PictureRefs.data(), PictureRefs.size());
  if (refs.size() > 10) {
    std::size_t at = 0;
    while (const auto inside = nextReference(refs, at)) {
      std::optional<PictureReference> reference = parseReference(*inside);
      if (!reference) continue;
      int above = 0;
      for (std::size_t row = 0; row < kFormRows && static_cast<int>(row) < reference->corners[1]; ++row) {
        const RowFate fate = rowFate(formTemplate[row * kFormColumns + kTypeColumn], rowTextBlank(text, row));
        if (fate == RowFate::EndsForm) break;
        if (fate == RowFate::LeftOut) ++above;
        if (formTemplate[row * kFormColumns + kTypeColumn] == '0') --above;
      }
      reference->corners[1] -= above;
      reference->corners[3] -= above;

      std::string name = reference->name;
      if (IsContainerName(name)) {
        if (!containerBefore) containerBefore.emplace(caseDir + container);
        // A block that is not in the container gets no picture line: the readers number the
        // container pictures in report order, and every later picture keeps its own block.
        if (appendPictureBlock(caseDir + name, caseDir + container) != 0) {
          picturesAppended = false;
          continue;
        }
        name = container;
      }
      std::array<char, kMaxPictureName + 64> line{};
      std::snprintf(line.data(), line.size(), "$$$%s %2d %2d %2d %2d\n", name.c_str(), reference->corners[0],
                    reference->corners[1], reference->corners[2], reference->corners[3]);
      written = written && writeAll(file.get(), line.data());
    }
  }

  for (std::size_t row = 0; row < kFormRows && written; ++row) {
    const auto cells = text.subspan(row * kFormColumns, kTypeColumn);
    std::replace(cells.begin(), cells.end(), '\0', ' ');
    std::string markers;
    if (row < kMarkerRows) {
      const auto rowMarkers = std::span(ScreenCells.markers).subspan(row * kFormColumns, kFormColumns);
      for (std::size_t column = 0; column < kFormColumns; ++column) {
        const char c = rowMarkers[column];
        markers += c == '{' || c == '}' || c == '~' ? c : ' ';
      }
      markers.erase(markers.find_last_not_of(' ') + 1);
    }
    const char type = formTemplate[row * kFormColumns + kTypeColumn];
    const RowFate fate = rowFate(type, rowTextBlank(text, row));
    if (fate == RowFate::EndsForm) break;
    if (fate == RowFate::LeftOut) continue;
    std::string line;
    if (type == '0') line.append(kFormColumns, ' ').append("\t \n");
    line.append(cells.data(), cells.size()).append(" \t").append(1, type).append(markers).append("\n");
    written = writeAll(file.get(), line);
  }
  // A report that did not reach the disk is no success.
  if (!written) file.discard();
  if (!written || !file.commit()) {
    if (containerBefore) containerBefore->restore();
    return -1;
  }
  return picturesAppended ? 0 : -1;
}

std::int32_t ParseRtfForm(const char* rtfName, const char* screenCode, const char* values) {
  const std::string path = languageDir() + std::string(textOf(rtfName));
  if (FileExists(path.c_str()) != 1) return -1;
  std::array<char, kFormValuesSize + 1> copy{};
  if (values != nullptr)
    std::copy_n(values, kFormValuesSize, copy.begin());
  else
    copy[0] = kValuesEndMark;
  const std::size_t end = normaliseValues(copy.data());
  copy[end] = '\0';
  ParseRTF(path.c_str(), screenCode, copy.data());
  return 1;
}

void RtfOutputEnabled(std::int32_t* enabled) {
  const std::int32_t on = rtfOn() ? 1 : 0;
  if (enabled != nullptr) *enabled = on;
}

void WritePageBreak() {
  if (rtfOn()) {
    PageBreak();
    return;
  }
  appendReportLine("------------------------------ Page Break ------------------------------\n");
}

void WriteComponentBreak() {
  if (rtfOn()) {
    ComponentBreak();
    return;
  }
  appendReportLine("------------------------- Component Break --------------------------\n");
}

void WriteTocBreak() {
  if (rtfOn()) TOCBreak();
}

void WriteSectionStart(const char* title, std::int32_t length) {
  const std::size_t limit = static_cast<std::size_t>(std::clamp(length, 0, 255));
  const std::string cut(textOf(title, limit));
  if (rtfOn()) {
    SectionStart(cut.c_str());
    return;
  }
  appendReportLine("[Section Start] " + cut + "\n");
}

void WriteSectionEnd() {
  if (rtfOn()) {
    SectionEnd();
    return;
  }
  appendReportLine("[Section End]\n");
}

std::int32_t CopyOrAppendFile(const char* source, const char* target, std::int32_t mode) {
  if (target == nullptr) return -1;
  FileHandle input;
  if (!(mode == 3 && FileExists(source) != 1)) {
    input.reset(source != nullptr ? platform::crt::openFile(source, "rb") : nullptr);
    if (!input) return -1;
    // Appending a file to itself would never end, and replacing it by itself would lose it.
    if (SameFile(source, target)) return -1;
  }

  // A replaced target is written beside it and takes its place only once the copy is whole; an
  // append that fails is cut back, so that the target never holds part of the source.
  GuardedOutput output = mode == 1 ? GuardedOutput::replace(target, "ab") : GuardedOutput::append(target, "ab");
  if (!output) {
    showCopyError();
    return -1;
  }
  // A whole copy that the target's name refuses is shown as a target that cannot be opened is; a
  // write that failed (a full disk) is not.
  const auto commit = [&output]() -> std::int32_t {
    if (output.commit()) return 0;
    if (output.targetRefused()) showCopyError();
    return -1;
  };

  if (!input) {
    const std::array<char, sizeof(PlotBlockHeader)> empty{};
    if (!writeAll(output.get(), {empty.data(), empty.size()})) return -1;
    return commit();
  }

  const std::optional<long> size = fileSize(input.get());
  if (!size) return -1;
  std::vector<char> buffer = copyBuffer(std::clamp<std::size_t>(static_cast<std::size_t>(*size), 1, kCopyChunk));
  if (buffer.empty()) return kNoBuffer;
  while (true) {
    const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), input.get());
    if (read > 0 && !writeAll(output.get(), {buffer.data(), read})) return -1;
    if (read < buffer.size()) break;
  }
  if (std::ferror(input.get()) != 0) return -1;
  return commit();
}

void ReplaceBoxChars(std::span<char> buffer) {
  for (char& c : buffer) {
    switch (static_cast<unsigned char>(c)) {
      case 0xB3:
      case 0xB4:
      case 0xBF:
      case 0xC0:
      case 0xC1:
      case 0xC2:
      case 0xC3:
      case 0xC5:
      case 0xD9:
      case 0xDA:
        c = '|';
        break;
      case 0xC4:
        c = '-';
        break;
      case 0xFD:
        c = '2';
        break;
      default:
        break;
    }
  }
}

std::int32_t SetReportWord(std::int32_t word) {
  ReportWord = word;
  return ReportWord;
}

std::int32_t GetReportWord() { return ReportWord; }

void ReportHook() {}
void ReportIdle1() {}
void ReportIdle2() {}
void ReportIdle3(std::int32_t) {}
void ReportIdle4(std::int32_t) {}
void ReportIdle5(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
std::int32_t ReportIdle6() { return 0; }

}  // namespace kvom::report
