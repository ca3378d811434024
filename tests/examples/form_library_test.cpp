// The form-library generator: the committed libraries match their sources, a reader that follows
// the index gets each record back, and faulty sources are refused.

#include "examples/forms/form_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace fs = std::filesystem;
using kvom::forms::Form;
using kvom::forms::FormError;
using kvom::forms::LibrarySource;

namespace {

const fs::path kExamples = KVOM_EXAMPLES_DIR;
const fs::path kLanguageDir = kExamples / "install" / "DAT" / "LAN";

std::vector<fs::path> formSources() {
  std::vector<fs::path> sources;
  for (const auto& entry : fs::directory_iterator(kExamples / "forms")) {
    if (entry.path().extension() == ".forms") sources.push_back(entry.path());
  }
  std::sort(sources.begin(), sources.end());
  return sources;
}

int makeForms(const fs::path& output, const std::vector<fs::path>& sources) {
  std::string command = std::string(KVOM_MAKE_FORMS_PATH) + " '" + output.string() + "'";
  for (const fs::path& source : sources) command += " '" + source.string() + "'";
  command += " > /dev/null 2>&1";
  return std::system(command.c_str());
}

// Record n of a library as a reader finds it through the index: record 1 starts at byte 0, record
// n at entry[n - 1] + 1, and it is entry[n] - entry[n - 1] + 1 bytes long, or 2050 bytes (up to the
// end of the file) when n is the entry count; never more than 2052 bytes.
std::string readRecord(const std::string& library, const std::string& index, std::size_t n) {
  std::vector<std::uint32_t> entries;
  for (std::size_t at = 0; at + 4 <= index.size(); at += 4) {
    std::uint32_t entry = 0;
    for (int byte = 3; byte >= 0; --byte) entry = (entry << 8) | static_cast<std::uint8_t>(index[at + byte]);
    entries.push_back(entry);
  }
  if (n < 1 || n > entries.size()) return {};
  const std::size_t start = n == 1 ? 0 : entries[n - 1] + 1;
  const std::size_t length = n == entries.size() ? 2050 : entries[n] - entries[n - 1] + 1;
  if (start > library.size()) return {};
  return library.substr(start, std::min<std::size_t>(length, 2052));
}

// Where the reader stops parsing: after the 26th LF (two header lines, 24 body rows).
std::size_t parsedLength(const std::string& read) {
  std::size_t at = 0;
  for (int line = 0; line < 26; ++line) {
    at = read.find('\n', at);
    if (at == std::string::npos) return std::string::npos;
    ++at;
  }
  return at;
}

std::string source(const std::string& forms) { return "@group TEST\n@language ENG\n" + forms; }

// A form whose header lines have `headerLength` characters, its first row the given text and the
// other 23 rows `rowLength` characters.
std::string form(int number, const std::string& firstRow = "", std::size_t rowLength = 0,
                 std::size_t headerLength = 13) {
  std::string text = "@form " + std::to_string(number) + "\n@header\n" + std::string(headerLength, 'H') + "\n" +
                     std::string(headerLength, 'N') + "\n@body\n" + firstRow + "\n";
  for (int row = 1; row < 24; ++row) text += std::string(rowLength, 'x') + "\n";
  return text;
}

TEST(FormLibraryTest, CommittedLibrariesMatchTheirSources) {
  kvom::test::ScratchDirectory scratch;
  ASSERT_EQ(makeForms(scratch.path(), formSources()), 0);

  std::set<std::string> made;
  for (const auto& entry : fs::directory_iterator(scratch.path())) made.insert(entry.path().filename().string());
  std::set<std::string> committed;
  for (const auto& entry : fs::directory_iterator(kLanguageDir)) {
    if (entry.path().filename() != ".gitattributes") committed.insert(entry.path().filename().string());
  }
  EXPECT_EQ(made, committed);
  for (const std::string& name : made) {
    EXPECT_TRUE(kvom::test::readFile(scratch.path() / name) == kvom::test::readFile(kLanguageDir / name))
        << name << " differs from its source: make the target 'forms' and commit the result";
  }
}

TEST(FormLibraryTest, ReaderFollowingTheIndexGetsEveryRecordBack) {
  // The committed libraries and made ones: one form, and forms of very different sizes, the
  // largest at the reader's limit of 2050 bytes.
  std::vector<LibrarySource> libraries;
  for (const fs::path& path : formSources()) {
    libraries.push_back(kvom::forms::parseSource(kvom::test::readFile(path), path.filename().string()));
  }
  libraries.push_back(kvom::forms::parseSource(source(form(1, "only")), "one"));
  const std::string largest = form(2, std::string(80, 'y'), 80, 39);  // 2 x 41 + 24 x 82 bytes
  const std::string sizes = form(1) + largest + form(3, "short") + form(4, "", 40);
  libraries.push_back(kvom::forms::parseSource(source(sizes), "sizes"));
  ASSERT_EQ(kvom::forms::formRecord(libraries.back().forms[1]).size(), 2050u);

  for (const LibrarySource& library : libraries) {
    const auto files = kvom::forms::buildLibrary(library);
    ASSERT_EQ(files[1].bytes.size(), 4 * library.forms.size());
    for (const Form& f : library.forms) {
      const std::string record = kvom::forms::formRecord(f);
      const std::string read = readRecord(files[0].bytes, files[1].bytes, static_cast<std::size_t>(f.number));
      SCOPED_TRACE(library.group + "." + library.language + " form " + std::to_string(f.number));
      EXPECT_EQ(read.substr(0, record.size()), record);
      EXPECT_EQ(parsedLength(read), record.size()) << "the record's 26 lines end where it ends";
    }
    EXPECT_EQ(readRecord(files[0].bytes, files[1].bytes, 0), "");
    EXPECT_EQ(readRecord(files[0].bytes, files[1].bytes, library.forms.size() + 1), "");
  }
}

TEST(FormLibraryTest, TextsBecomeCodePage437LinesWithoutTrailingBlanks) {
  const std::string text = source("@form 1\n@header\n  Hilfe   \nHN\n@body\n┌─┐ äöüß°² │   \n" + std::string(23, '\n') +
                                  "@rtf\n!Übersicht {1}\n@end\nignored\n");
  const LibrarySource library = kvom::forms::parseSource(text, "t");
  ASSERT_EQ(library.forms.size(), 1u);
  const std::string record = kvom::forms::formRecord(library.forms[0]);
  EXPECT_EQ(record.substr(0, 27), "  Hilfe\r\nHN\r\n\xDA\xC4\xBF \x84\x94\x81\xE1\xF8\xFD \xB3\r\n");
  EXPECT_EQ(record.size(), 27u + 23 * 2);
  EXPECT_EQ(kvom::forms::buildLibrary(library)[2].bytes,
            "[TEST0001]\r\n!\x9A"
            "bersicht {1}\r\n");
}

TEST(FormLibraryTest, FaultySourcesAreRefused) {
  struct Case {
    const char* what;
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"row of 81 columns", source(form(1, std::string(81, 'x'))), "t:8: the line has 81 columns"},
      {"source ends in the body", source("@form 1\n@header\na\nb\n@body\nrow\n"), "ends before the 24 body rows"},
      {"character outside the code page", source(form(1, "5 \xE2\x82\xAC")), "U+20AC is not in code page 437"},
      {"tab", source(form(1, "a\tb")), "a tab or control character"},
      {"broken UTF-8", source(form(1, "\xC3(")), "not UTF-8"},
      {"forms out of order", source(form(2)), "expected @form 1"},
      {"short group", "@group WEX\n@language ENG\n" + form(1), "4 upper-case letters or digits"},
      {"form before group", form(1), "@group and @language come first"},
      {"no @body", source("@form 1\n@header\na\nb\nrow\n"), "@body expected"},
      {"no form", source(""), "has no form"},
      {"stray text", source("hello\n"), "unexpected line"},
  };
  for (const Case& c : cases) {
    try {
      kvom::forms::parseSource(c.text, "t");
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const FormError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.what << ": " << error.what();
    }
  }

  // A record longer than the reader takes.
  const LibrarySource tooLong = kvom::forms::parseSource(source(form(1, std::string(80, 'y'), 80, 40)), "t");
  EXPECT_THROW(kvom::forms::buildLibrary(tooLong), FormError);
}

TEST(FormLibraryTest, GeneratorWritesNothingWhenASourceIsFaulty) {
  kvom::test::ScratchDirectory scratch;
  const fs::path good = scratch.write("good.forms", source(form(1)));
  const fs::path bad = scratch.write("bad.forms", source(form(2)));
  EXPECT_NE(makeForms(scratch.path() / "out", {good, bad}), 0);
  EXPECT_FALSE(fs::exists(scratch.path() / "out"));
  EXPECT_EQ(makeForms(scratch.path() / "out", {good}), 0);
  EXPECT_TRUE(fs::exists(scratch.path() / "out" / "TEST.ENG"));
}

// The value counts that examples/forms/README.md documents, the same in every language, and RTF
// forms that ask for no value beyond them.
TEST(FormLibraryTest, FormsTakeTheDocumentedValues) {
  const std::vector<std::size_t> values = {4, 12, 21, 1};
  for (const fs::path& path : formSources()) {
    const LibrarySource library = kvom::forms::parseSource(kvom::test::readFile(path), path.filename().string());
    ASSERT_EQ(library.forms.size(), values.size()) << path;
    for (const Form& f : library.forms) {
      std::size_t markers = 0;
      for (const std::string& row : f.body)
        markers +=
            std::count_if(row.begin(), row.end(), [](char c) { return c == '{' || c == '}' || c == '~' || c == '`'; });
      const std::size_t expected = values[static_cast<std::size_t>(f.number - 1)];
      EXPECT_EQ(markers, expected) << path.filename() << " form " << f.number;
      for (const std::string& line : f.rtf) {
        for (std::size_t at = line.find('{'); at != std::string::npos; at = line.find('{', at + 1)) {
          EXPECT_LE(static_cast<std::size_t>(std::atoi(line.c_str() + at + 1)), expected)
              << path.filename() << " form " << f.number << ": " << line;
        }
      }
    }
  }
}

}  // namespace
