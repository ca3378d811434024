#include "report/report_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "platform/windows/files.h"
#include "report/report_pages.h"
#include "report/screen.h"
#include "report/settings.h"
#include "standins/gdi/window_standin.h"
#include "standins/report_formatting/report_formatting_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/plot_fixture.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

namespace fs = std::filesystem;

// A line of a form record: the text padded to 79 columns and the row type in column 80.
std::string row(std::string text, char type) {
  text.resize(79, ' ');
  return text + type;
}

// A record of two header lines and rows, each ended by CR LF, as the form libraries hold them.
std::string record(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

std::string indexBytes(const std::vector<std::uint32_t>& entries) {
  std::string bytes;
  for (std::uint32_t e : entries) {
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((e >> shift) & 0xFF);
  }
  return bytes;
}

const auto block = &test::moveBlock;
const std::string kEmptyBlock(104, '\0');

// A report line of a form row: 80 columns of text, TAB, row type, marker text, CR LF.
std::string reportRow(std::string text, char type, const std::string& markers = "") {
  text.resize(80, ' ');
  return text + "\t" + type + markers + "\r\n";
}

// An installation with English and French databanks, a settings file choosing French, a case
// directory with file prefix RUN, and no RTF output.
class ReportFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = exports::RunPathStrings;
    test::resetStandins();
    standins::windows::setWindowsDirectory(test::windowsDir(scratch.path() / "windows"));
    scratch.write("windows/REVURUDE.INI", "[Setting]\r\nLanguage=FRENCH\r\n");
    scratch.write("prog/DAT/PDA/G_ENGLIS.PDA", "databank");
    scratch.write("prog/DAT/PDA/G_FRENCH.PDA", "databank");
    scratch.write("prog/DAT/PDA/G_GERMAN.PDA", "databank");
    fs::create_directories(scratch.path() / "case");
    copyTerminated(exports::RunPathStrings.programDir, test::windowsDir(scratch.path() / "prog"));
    copyTerminated(exports::RunPathStrings.caseDir, test::windowsDir(scratch.path() / "case"));
    copyTerminated(exports::RunPathStrings.filePrefix, "RUN");
    ReportLanguageCode = ActiveLanguageCode = {' ', ' ', ' '};
    FormIndex = {};
  }
  void TearDown() override {
    test::resetStandins();
    exports::RunPathStrings = saved;
    ReportLanguageCode = ActiveLanguageCode = {' ', ' ', ' '};
    FormIndex = {};
  }

  // Writes library GROUP.LNG and its index in the language directory: entry 0 is 0, entry n the
  // offset of the last byte of record n.
  void library(const std::string& group, const std::string& language, const std::vector<std::string>& records) const {
    std::string bytes;
    std::vector<std::uint32_t> entries{0};
    for (const std::string& r : records) {
      bytes += r;
      entries.push_back(static_cast<std::uint32_t>(bytes.size() - 1));
    }
    scratch.write(fs::path("prog/DAT/LAN") / (group + "." + language), bytes);
    scratch.write(fs::path("prog/DAT/LAN") / (group + "INDX." + language), indexBytes(entries));
  }

  std::string report() const { return test::readFile(scratch.path() / "case" / "RUN.KVO"); }

  test::ScratchDirectory scratch;
  exports::RunPathStringsRecord saved{};
};

// A form with every mark and row type.
std::string fixtureForm() {
  std::string line1(80, ' ');
  line1.replace(20, 4, "Help");
  line1.replace(50, 17, "<A.WMF 1 2 30 10>");
  std::string line2 = "HYYNNNYYYNNNN" + std::string(67, ' ');
  line2.replace(20, 5, "Print");
  line2.replace(50, 16, "{P.BFD 5 3 20 8}");
  std::vector<std::string> lines{line1, line2};
  lines.push_back(row("", 'U'));                                   // blank: left out
  lines.push_back(row("Name: {             ###  Case = x", ' '));  // left-aligned value, numeric field
  lines.push_back(row("Duty:        }", '0'));                     // right-aligned value after a blank line
  lines.push_back(row("     ~ never shown", 'x'));                 // always left out
  lines.push_back(row("[[Bhelp]] @@@ ` _F1", '-'));                // link, text field, centred field value, cursor
  lines.push_back(row("* with text", '*'));
  lines.push_back(row("", 'U'));
  lines.push_back(row("the end", 'X'));
  lines.push_back(row("after the end", '1'));
  while (lines.size() < 26) lines.push_back(row("", ' '));
  return record(lines);
}

TEST_F(ReportFileTest, WritesFormsBreaksAndSectionsByteForByte) {
  library("TEST", "ENG", {record({"", ""}), fixtureForm()});
  scratch.write("case/P.BFD", block(1));
  std::array<char, 2001> values{};
  const std::string given = std::string("Alpha\x03") + "12.5\x03" + "C\x03" + "G\x19";
  std::copy(given.begin(), given.end(), values.begin());
  std::array<char, 9> code{"test0002"};
  std::array<char, 2> result{'?', '\0'};

  ReportFormCommand("D  ", code.data(), values.data(), "", result.data());
  WritePageBreak();
  WriteComponentBreak();
  WriteTocBreak();
  WriteSectionStart("Results", 4);
  WriteSectionEnd();

  // French is chosen, but TEST.FRE is missing: the English form is written.
  const std::string expected =
      "$$$A.WMF  1  1 30  9\r\n"
      "$$$RUN.BFD  5  3 20  8\r\n" +
      reportRow("Name: Alpha              Case = x", ' ', "      {") + std::string(80, ' ') + "\t \r\n" +
      reportRow("Duty:     12.5", '0', "             }") + reportRow("              G  F1", '-') +
      reportRow("* with text", '*') +
      "------------------------------ Page Break ------------------------------\r\n"
      "------------------------- Component Break --------------------------\r\n"
      "[Section Start] Resu\r\n"
      "[Section End]\r\n";
  EXPECT_EQ(report(), expected);
  EXPECT_EQ(std::string(code.data()), "TEST0002");
  EXPECT_EQ(std::string(ReportLanguageCode.data(), 3), "FRE");
  EXPECT_EQ(result[0], '?');
  EXPECT_EQ(test::readFile(scratch.path() / "case" / "RUN.BFD"), block(1));
  EXPECT_EQ(std::string(FormOptions.data(), FormOptions.size()), "HYYNNNYYYNNNN");
  EXPECT_EQ(std::string(KeyLabels.data(), 8), "Help    ");
  EXPECT_EQ(std::string(KeyLabels.data() + 48, 8), "Print   ");
  EXPECT_EQ(std::string(PictureRefs.data()), "<A.WMF 1 2 30 10>{P.BFD 5 3 20 8}");
}

TEST_F(ReportFileTest, CommandRefinementsAndPictureText) {
  library("TEST", "ENG", {record({"", "", row("x {", ' '), row("", 'X')})});
  std::array<char, 2001> values{};
  std::strcpy(values.data(), "v\x03\x19");
  std::array<char, 9> code{"test0001"};

  // 'N' writes nothing and leaves the code; 'L' takes the pictures and upper-cases the code.
  ReportFormCommand("DN ", code.data(), values.data(), "<A.WMF 1 1 2 2>", nullptr);
  EXPECT_EQ(std::string(code.data()), "test0001");
  ReportFormCommand("DL ", code.data(), values.data(), "before <A.WMF 1 1 2 2> and {B.WMF 3 3 4 4} after", nullptr);
  EXPECT_EQ(std::string(code.data()), "TEST0001");
  EXPECT_EQ(std::string(PictureRefs.data()), "<A.WMF 1 1 2 2> and {B.WMF 3 3 4 4}");
  EXPECT_FALSE(fs::exists(scratch.path() / "case" / "RUN.KVO"));

  // 'F' blanks the input fields of the template; the report row is the same.
  library("FLDS", "ENG", {record({"", "", row("## @@ {", ' '), row("", 'X')})});
  std::array<char, 9> fields{"FLDS0001"};
  ReportFormCommand("DF ", fields.data(), values.data(), "", nullptr);
  EXPECT_EQ(std::string(FormTemplate.data(), 7), "       ");
  EXPECT_EQ(report(), reportRow("      v", ' ', "      {"));
}

TEST_F(ReportFileTest, LanguageCommandStoresOnlyAcceptedLanguages) {
  struct Case {
    const char* asked;
    const char* code;     // the report language afterwards
    std::int32_t number;  // and its number
  };
  const Case cases[] = {{"FRE", "FRE", 2}, {"fre", "FRE", 2}, {"GER", "GER", 3}, {"SPA", "GER", 3}, {"XYZ", "ENG", 1}};
  for (const Case& c : cases) {
    std::array<char, 9> code{};
    std::strcpy(code.data(), c.asked);
    std::array<char, 2> result{'?', '\0'};
    ReportFormCommand("S  ", code.data(), nullptr, nullptr, result.data());
    EXPECT_EQ(std::string(ReportLanguageCode.data(), 3), c.code) << c.asked;
    EXPECT_EQ(GetLanguageNumber(), c.number) << c.asked;
    EXPECT_EQ(result[0], 'S') << c.asked;
  }
}

// The first form applies the language of the settings file. An installed language whose name the
// settings file cannot take is still the report's language; a language that is not installed is
// not applied: the English form is read with its line characters, and the report is drawn by the
// rules of the language it had.
TEST_F(ReportFileTest, FirstFormAppliesOnlyAnInstalledLanguage) {
  struct Case {
    const char* stored;
    bool settingsWritable;
    const char* row;  // the report row written
    std::int32_t number;
    const char* code;
  };
  const Case cases[] = {
      {"GERMAN", false, "deutsch \xB3", 3, "GER"},
      {"CHINESE", true, "\xDA\xC4\xBF \xB3 english \xB3", 1, "   "},
  };
  for (const Case& c : cases) {
    const std::string settings = std::string("[Setting]\r\nLanguage=") + c.stored + "\r\n";
    scratch.write("windows/REVURUDE.INI", settings);
    fs::remove(scratch.path() / "case" / "RUN.KVO");
    ReportLanguageCode = ActiveLanguageCode = {' ', ' ', ' '};
    FormIndex = {};
    if (!c.settingsWritable) standins::windows::failOperation("WritePrivateProfileStringA", 0, 1);
    library("TEST", "GER", {record({"", "", row("deutsch \xB3", ' '), row("", 'X')})});
    library("TEST", "ENG", {record({"", "", row("\xDA\xC4\xBF \xB3 english \xB3", ' '), row("", 'X')})});
    std::array<char, 2001> values{'\x19'};
    std::array<char, 9> code{"TEST0001"};
    SetLanguageFromLetter("E");
    ReportFormCommand("D  ", code.data(), values.data(), "", nullptr);
    EXPECT_EQ(report(), reportRow(c.row, ' ')) << c.stored;
    EXPECT_EQ(GetLanguageNumber(), c.number) << c.stored;
    EXPECT_EQ(std::string(ReportLanguageCode.data(), 3), c.code) << c.stored;
    EXPECT_EQ(test::readFile(scratch.path() / "windows" / "REVURUDE.INI"), settings) << c.stored;
  }
}

TEST_F(ReportFileTest, ReadFormRecordRefusesBadIndexAndLibraryFiles) {
  struct Case {
    const char* name;
    const char* index;  // null: no index file
    std::string indexContent;
    const char* library;  // null: no library file
    std::string libraryContent;
    std::int32_t number;
    std::int32_t result;
  };
  const std::string lib(300, 'L');
  const Case cases[] = {
      {"no index", nullptr, "", "AAAA.ENG", lib, 1, -1},
      {"index of 3 bytes", "BBBBINDX.ENG", "abc", "BBBB.ENG", lib, 1, -2},
      {"index of 201 entries", "CCCCINDX.ENG", indexBytes(std::vector<std::uint32_t>(201, 0)), "CCCC.ENG", lib, 1, -2},
      {"decreasing entries", "DDDDINDX.ENG", indexBytes({0, 200, 100}), "DDDD.ENG", lib, 2, -2},
      {"number 0", "EEEEINDX.ENG", indexBytes({0, 100}), "EEEE.ENG", lib, 0, -3},
      {"number past the entries", "FFFFINDX.ENG", indexBytes({0, 100}), "FFFF.ENG", lib, 3, -3},
      {"no library", "GGGGINDX.ENG", indexBytes({0, 100}), nullptr, "", 1, -4},
      {"record past the library", "HHHHINDX.ENG", indexBytes({0, 5000, 6000}), "HHHH.ENG", lib, 2, -4},
      {"record longer than the buffer", "IIIIINDX.ENG", indexBytes({0, 9000, 9001}), "IIII.ENG", std::string(9100, 'x'),
       1, 0},
  };
  for (const Case& c : cases) {
    if (c.index != nullptr) scratch.write(fs::path("prog/DAT/LAN") / c.index, c.indexContent);
    if (c.library != nullptr) scratch.write(fs::path("prog/DAT/LAN") / c.library, c.libraryContent);
    std::array<char, kFormScratchSize> buffer{};
    const std::string library = std::string(4, c.index != nullptr ? c.index[0] : c.library[0]) + ".ENG";
    EXPECT_EQ(ReadFormRecord(library.c_str(), buffer, c.number), c.result) << c.name;
  }
}

TEST_F(ReportFileTest, ReadFormRecordReadsRecordsByTheIndex) {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += static_cast<char>('a' + i % 26);
  scratch.write("prog/DAT/LAN/ABCD.ENG", bytes);
  scratch.write("prog/DAT/LAN/ABCDINDX.ENG", indexBytes({0, 99, 200}));
  std::array<char, kFormScratchSize> buffer{};
  ASSERT_EQ(ReadFormRecord("ABCD.ENG", buffer, 2), 0);
  EXPECT_EQ(std::string(buffer.data(), 102), bytes.substr(100, 102)) << "entry[2] - entry[1] + 1 bytes";
  EXPECT_EQ(buffer[102], '\0');
  ASSERT_EQ(ReadFormRecord("ABCD.ENG", buffer, 3), 0);
  EXPECT_EQ(std::string(buffer.data(), 2050), bytes.substr(201, 2050)) << "the last record is read as 2050 bytes";
  EXPECT_EQ(buffer[2050], '\0');
}

TEST_F(ReportFileTest, ValuesLandOnTheirMarkersInsideTheForm) {
  struct Case {
    std::size_t cell;
    char marker;
    std::string value;
    std::size_t first;  // first cell written
  };
  const Case cases[] = {
      {39, '}', "ABCDE", 35},     {39, '~', "ABCDE", 37}, {39, '`', "ABCD", 37},
      {39, '{', "ABCDE", 39},     {2, '}', "ABCDE", 0},  // only the part inside the form is written
      {1918, '{', "ABCDE", 1918},
  };
  for (const Case& c : cases) {
    FormGrid formTemplate{};
    formTemplate.fill(' ');
    formTemplate[c.cell] = c.marker;
    FormGrid text{};
    std::array<char, 2001> values{};
    const std::string given = c.value + "\x03\x19";
    std::copy(given.begin(), given.end(), values.begin());
    MergeFormValues(text, formTemplate, values.data());
    const std::size_t fits = std::min(c.value.size(), kFormGridCells - c.first);
    const std::size_t skipped = c.marker == '}' && c.cell + 1 < c.value.size() ? c.value.size() - c.cell - 1 : 0;
    EXPECT_EQ(std::string(text.data() + c.first, fits - skipped), c.value.substr(skipped, fits - skipped))
        << c.marker << c.cell;
    EXPECT_EQ(ScreenCells.valueOffsets[c.cell], 0);
    EXPECT_EQ(formTemplate[c.cell], c.marker == '`' ? '#' : ' ');
  }
}

TEST_F(ReportFileTest, ValueTextWithoutEndMarkCountsAsEmpty) {
  FormGrid formTemplate{};
  formTemplate.fill(' ');
  formTemplate[0] = '{';
  FormGrid text{};
  std::array<char, 2001> values{};
  values.fill('v');
  values[1999] = '\x19';
  MergeFormValues(text, formTemplate, values.data());
  EXPECT_EQ(values[0], '\x19');
  EXPECT_EQ(text[0], ' ');
  EXPECT_EQ(ScreenCells.valueOffsets[0], -1);
  EXPECT_EQ(ScreenCells.valueText[0], '\0');
}

TEST_F(ReportFileTest, LinksAreFoundFromAnyCellOfTheirRow) {
  FormGrid text{};
  text.fill(' ');
  const std::string line = "ab [[Chelp me]] [[ 1x]] ]] [[Dtail";
  std::copy(line.begin(), line.end(), text.begin() + 80);
  struct Case {
    std::int32_t cell;
    std::int32_t length;
    std::int32_t field;
    const char* link;
  };
  const Case cases[] = {
      {83, 12, 3, "help"}, {84, 12, 3, "help"}, {88, 12, 3, "help"},
      {94, 12, 3, "help"}, {82, 0, -1, "-"},    {97, 7, -1, "-"},  // a field that is no letter leaves the outputs
      {106, 0, -1, "-"},   {112, 0, -1, "-"},                      // "]]" on the way left; no end
      {-1, 0, -1, "-"},    {1920, 0, -1, "-"},
  };
  for (const Case& c : cases) {
    std::int32_t field = -1;
    std::array<char, kLinkTextSize> link{"-"};
    EXPECT_EQ(ParseFormLinks(c.cell, text, field, link), c.length) << c.cell;
    EXPECT_EQ(field, c.field) << c.cell;
    EXPECT_EQ(std::string(link.data()), c.link) << c.cell;
  }
}

TEST_F(ReportFileTest, RtfModeHandsFormsAndBreaksToTheFormattingLibrary) {
  standins::report_formatting::setRtfEnabled(true);
  standins::report_formatting::setOutputPath((scratch.path() / "REPORT.RTF").string());
  scratch.write("prog/DAT/LAN/TEST.RENG", "[TEST0001]\r\n");
  ReportLanguageCode = {'E', 'N', 'G'};
  std::array<char, 2001> values{};
  const std::string given = std::string("a\0b\x03", 4) + "\x19";
  std::copy(given.begin(), given.end(), values.begin());
  const std::array<char, 2001> before = values;
  std::array<char, 9> code{"test0001"};
  ReportFormCommand("D  ", code.data(), values.data(), "", nullptr);
  std::array<char, 9> missing{"NONE0001"};
  ReportFormCommand("D  ", missing.data(), values.data(), "", nullptr);
  WritePageBreak();
  WriteComponentBreak();
  WriteTocBreak();
  WriteSectionStart("Results", 4);
  WriteSectionEnd();
  std::int32_t enabled = -1;
  RtfOutputEnabled(&enabled);

  const std::string form = test::windowsDir(scratch.path() / "prog") + "DAT\\LAN\\TEST.RENG";
  const std::vector<std::string> expected{"IsRTFEnabled",      "ParseRTF " + form + " TEST0001 a b\x03",
                                          "IsRTFEnabled",      "IsRTFEnabled",
                                          "PageBreak",         "IsRTFEnabled",
                                          "ComponentBreak",    "IsRTFEnabled",
                                          "TOCBreak",          "IsRTFEnabled",
                                          "SectionStart Resu", "IsRTFEnabled",
                                          "SectionEnd",        "IsRTFEnabled"};
  EXPECT_EQ(standins::report_formatting::callLog(), expected);
  EXPECT_EQ(enabled, 1);
  EXPECT_EQ(values, before);
  EXPECT_FALSE(fs::exists(scratch.path() / "case" / "RUN.KVO"));
}

TEST_F(ReportFileTest, SectionTitleIsCutToItsLength) {
  const std::string longTitle(300, 't');
  WriteSectionStart(longTitle.c_str(), 300);
  WriteSectionStart("Short", 40);
  WriteSectionStart("Title", -3);
  EXPECT_EQ(report(), "[Section Start] " + std::string(255, 't') + "\r\n[Section Start] Short\r\n[Section Start] \r\n");
}

TEST_F(ReportFileTest, ReportFileFailuresAreReported) {
  FormGrid text{};
  text.fill(' ');
  FormGrid formTemplate = text;
  copyTerminated(exports::RunPathStrings.caseDir, test::windowsDir(scratch.path() / "nowhere"));
  EXPECT_EQ(WriteFormToReport(text, formTemplate), -1);
  WritePageBreak();
  EXPECT_FALSE(fs::exists(scratch.path() / "nowhere"));

  copyTerminated(exports::RunPathStrings.caseDir, test::windowsDir(scratch.path() / "case"));
  standins::windows::failWritesAfter(100);
  EXPECT_EQ(WriteFormToReport(text, formTemplate), -1) << "a full disk";
  standins::windows::failWritesAfter(std::nullopt);
  EXPECT_EQ(WriteFormToReport(text, formTemplate), 0);
}

// A form of blank rows whose pictures are the references given, written by WriteFormToReport and
// read back as printing reads it.
class ContainerPictureTest : public ReportFileTest {
 protected:
  std::int32_t writeForm(const std::string& references) {
    PictureRefs.fill('\0');
    std::copy(references.begin(), references.end(), PictureRefs.begin());
    FormGrid text{};
    text.fill(' ');
    FormGrid formTemplate = text;
    formTemplate[2 * kFormColumns + kFormColumns - 1] = 'X';  // two rows
    return WriteFormToReport(text, formTemplate);
  }
  std::string reportPath() const {
    std::array<char, 520> path{};
    GetReportFilePath(path);
    return path.data();
  }
  // The pictures of the report's first page: "<reference> #<block>" each.
  std::vector<std::string> pagePictures() const {
    struct Sink final : PageSink {
      bool pageDone(PageEnd, std::int32_t) override {
        for (std::int32_t k = 0; k < PrintPage.pictureCount; ++k) {
          const auto at = static_cast<std::size_t>(k);
          pictures.push_back(std::string(PageReferences[at].data()) + " #" +
                             std::to_string(PrintPage.blockNumbers[at]));
        }
        return false;
      }
      std::vector<std::string> pictures;
    } sink;
    const std::string path = reportPath();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::crt::openFile(path.c_str(), "rb"), std::fclose);
    std::int32_t blocks = 0;
    if (file) ReadReportPages(file.get(), PageRules{.reportFile = path}, blocks, sink);
    return sink.pictures;
  }
  std::string picturesOf(const std::string& report) const {
    std::string lines;
    for (std::size_t at = 0; (at = report.find("$$$", at)) != std::string::npos; at = report.find('\n', at)) {
      lines += report.substr(at, report.find('\r', at) - at) + ";";
    }
    return lines;
  }
  std::string caseFile(const std::string& name) const { return test::readFile(scratch.path() / "case" / name); }
};

// Writer and readers take a picture for a container by the extension of its file name and name the
// container after the report file, whatever the file prefix.
TEST_F(ContainerPictureTest, WriterAndReadersNameTheSameContainerAndBlocks) {
  struct Case {
    const char* name;
    const char* prefix;
    std::string references;
    std::string container;
    std::string containerBytes;  // the blocks appended, in order
    std::vector<std::string> pictures;
  };
  const std::string p = block(1);
  const std::string q = block(2);
  const Case cases[] = {
      {"a dot before the extension",
       "RUN",
       "<P.X.BFD 1 1 10 10><Q.BFD 1 1 10 10>",
       "RUN.BFD",
       p + q,
       {"RUN.BFD  1  1 10 10 #1", "RUN.BFD  1  1 10 10 #2"}},
      {"an extension that only starts like one",
       "RUN",
       "<Q.BFD.WMF 1 1 10 10><Q.BFD 1 1 10 10>",
       "RUN.BFD",
       q,
       {"Q.BFD.WMF  1  1 10 10 #0", "RUN.BFD  1  1 10 10 #1"}},
      {"an empty file prefix",
       "",
       "<P.X.BFD 1 1 10 10><Q.BFD 1 1 10 10>",
       "OUTPUT.BFD",
       p + q,
       {"OUTPUT.BFD  1  1 10 10 #1", "OUTPUT.BFD  1  1 10 10 #2"}},
      // Each picture line keeps one block, the one its picture shows when drawn from its own file.
      {"a container of two blocks gives its first",
       "RUN",
       "<TWO.BFD 1 1 10 10><Q.BFD 1 1 10 10>",
       "RUN.BFD",
       block(3) + q,
       {"RUN.BFD  1  1 10 10 #1", "RUN.BFD  1  1 10 10 #2"}},
      {"a missing or damaged container gives an empty block",
       "RUN",
       "<NONE.BFD 1 1 10 10><BAD.BFD 1 1 10 10><Q.BFD 1 1 10 10>",
       "RUN.BFD",
       kEmptyBlock + kEmptyBlock + q,
       {"RUN.BFD  1  1 10 10 #1", "RUN.BFD  1  1 10 10 #2", "RUN.BFD  1  1 10 10 #3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(scratch.path() / "case");
    scratch.write("case/P.X.BFD", p);
    scratch.write("case/Q.BFD", q);
    scratch.write("case/Q.BFD.WMF", "picture");
    scratch.write("case/TWO.BFD", block(3) + block(4));
    scratch.write("case/BAD.BFD", std::string(104, 'b'));
    copyTerminated(exports::RunPathStrings.filePrefix, c.prefix);
    EXPECT_EQ(writeForm(c.references), 0);
    EXPECT_EQ(caseFile(c.container), c.containerBytes);
    EXPECT_FALSE(fs::exists(scratch.path() / "case" / ".BFD"));
    EXPECT_EQ(pagePictures(), c.pictures);
  }
}

TEST_F(ContainerPictureTest, APictureThatIsNotAppendedGetsNoLineAndTheOthersKeepTheirBlocks) {
  scratch.write("case/P.BFD", block(1));
  scratch.write("case/Q.BFD", block(2));
  // The report, P.BFD, then the case container for P: that one cannot be opened.
  standins::windows::failOperation("openFile", 2, 1);
  EXPECT_EQ(writeForm("<P.BFD 1 1 10 10><A.WMF 1 1 5 5><Q.BFD 1 2 10 10>"), -1);
  EXPECT_EQ(picturesOf(report()), "$$$A.WMF  1  1  5  5;$$$RUN.BFD  1  2 10 10;");
  EXPECT_EQ(caseFile("RUN.BFD"), block(2));
  EXPECT_EQ(pagePictures(), (std::vector<std::string>{"A.WMF  1  1  5  5 #0", "RUN.BFD  1  2 10 10 #1"}));
  EXPECT_EQ(report().substr(report().find(reportRow("", ' '))), reportRow("", ' ') + reportRow("", ' '))
      << "the form's rows are written";
}

TEST_F(ReportFileTest, BreakLinesThatDoNotFitAreCutBack) {
  struct Writer {
    const char* name;
    void (*write)();
  };
  const Writer writers[] = {
      {"page break", [] { WritePageBreak(); }},
      {"component break", [] { WriteComponentBreak(); }},
      {"section start", [] { WriteSectionStart("A section title", 15); }},
      {"section end", [] { WriteSectionEnd(); }},
  };
  const std::string earlier = reportRow("an earlier form", ' ');
  for (const Writer& writer : writers) {
    scratch.write("case/RUN.KVO", earlier);
    writer.write();
    const std::uint64_t lineBytes = report().size() - earlier.size();
    // A limit in the line, and one between the CR and the LF the platform writes for its end.
    for (const std::uint64_t limit : {std::uint64_t{10}, lineBytes - 1}) {
      scratch.write("case/RUN.KVO", earlier);
      standins::windows::failWritesAfter(limit);
      writer.write();
      standins::windows::failWritesAfter(std::nullopt);
      EXPECT_EQ(report(), earlier) << writer.name << " " << limit;
    }
  }
}

// A full disk while the form command writes: report and container are cut back to where the form
// began, and the user is told.
TEST_F(ReportFileTest, FormThatCannotBeWrittenWholeIsCutBack) {
  library("TEST", "ENG",
          {record({"<P.BFD 1 1 10 10>", "", row("first row", ' '), row("second row", ' '), row("", 'X')})});
  scratch.write("case/P.BFD", block(1));
  const std::string earlier = reportRow("an earlier form", ' ');
  const std::string container(104, 'o');
  for (const std::uint64_t limit : {0u, 30u, 120u, 150u}) {
    scratch.write("case/RUN.KVO", earlier);
    scratch.write("case/RUN.BFD", container);
    standins::gdi::clearMessageBoxes();
    std::array<char, 2001> values{'\x19'};
    std::array<char, 9> code{"TEST0001"};
    standins::windows::failWritesAfter(limit);
    ReportFormCommand("D  ", code.data(), values.data(), "", nullptr);
    standins::windows::failWritesAfter(std::nullopt);
    EXPECT_EQ(report(), earlier) << limit;
    EXPECT_EQ(test::readFile(scratch.path() / "case" / "RUN.BFD"), container) << limit;
    ASSERT_FALSE(standins::gdi::messageBoxes().empty()) << limit;
    EXPECT_EQ(standins::gdi::messageBoxes().back().text, "Can not write to file") << limit;
    EXPECT_EQ(standins::gdi::messageBoxes().back().caption, "K-VOM") << limit;
  }
  std::array<char, 2001> values{'\x19'};
  std::array<char, 9> code{"TEST0001"};
  standins::gdi::clearMessageBoxes();
  ReportFormCommand("D  ", code.data(), values.data(), "", nullptr);
  EXPECT_EQ(report(),
            earlier + "$$$RUN.BFD  1  1 10 10\r\n" + reportRow("first row", ' ') + reportRow("second row", ' '));
  EXPECT_EQ(test::readFile(scratch.path() / "case" / "RUN.BFD"), container + block(1));
  EXPECT_TRUE(standins::gdi::messageBoxes().empty());
}

class CopyOrAppendFileTest : public ReportFileTest {
 protected:
  std::string win(const std::string& name) const { return test::windowsDir(scratch.path()) + name; }
  std::string bytes(const std::string& name) const { return test::readFile(scratch.path() / name); }
  std::vector<std::string> files() const { return test::fileNames(scratch.path()); }
};

TEST_F(CopyOrAppendFileTest, ModesCopyAndAppend) {
  struct Case {
    std::int32_t mode;
    bool sourceExists;
    std::int32_t result;
    std::string target;  // afterwards
  };
  const std::string source = "SOURCE\r\n\x1A\0bytes";
  const Case cases[] = {
      {1, true, 0, source},
      {2, true, 0, "TARGET" + source},
      {7, true, 0, "TARGET" + source},
      {3, true, 0, "TARGET" + source},
      {3, false, 0, "TARGET" + std::string(104, '\0')},
      {1, false, -1, "TARGET"},
      {2, false, -1, "TARGET"},
  };
  scratch.write("t.bin~1", "a file of its own");
  for (const Case& c : cases) {
    fs::remove(scratch.path() / "s.bin");
    if (c.sourceExists) scratch.write("s.bin", source);
    scratch.write("t.bin", "TARGET");
    EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win("t.bin").c_str(), c.mode), c.result) << c.mode;
    EXPECT_EQ(bytes("t.bin"), c.target) << c.mode;
  }
  EXPECT_EQ(bytes("t.bin~1"), "a file of its own");
  EXPECT_EQ(files(), (std::vector<std::string>{"t.bin", "t.bin~1"})) << "no copy in the making is left";
  EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win("new.bin").c_str(), 3), 0);
  EXPECT_EQ(bytes("new.bin").size(), 104u);
  EXPECT_TRUE(standins::gdi::messageBoxes().empty());
}

TEST_F(CopyOrAppendFileTest, ContainerOfTwoBlocksIsAppendedWhole) {
  const std::string twoBlocks = std::string(104, '\1') + std::string(104, '\2');
  scratch.write("P.BFD", twoBlocks);
  scratch.write("RUN.BFD", std::string(104, '\0'));
  EXPECT_EQ(CopyOrAppendFile(win("P.BFD").c_str(), win("RUN.BFD").c_str(), 3), 0);
  EXPECT_EQ(bytes("RUN.BFD"), std::string(104, '\0') + twoBlocks);
}

TEST_F(CopyOrAppendFileTest, RefusesAppendingAFileToItself) {
  fs::create_directories(scratch.path() / "d");
  scratch.write("d/a.bin", "ABC");
  for (std::int32_t mode : {1, 2, 3}) {
    EXPECT_EQ(CopyOrAppendFile(win("d\\a.bin").c_str(), win("d\\.\\a.bin").c_str(), mode), -1) << mode;
    EXPECT_EQ(bytes("d/a.bin"), "ABC") << mode;
  }
}

TEST_F(CopyOrAppendFileTest, FailuresKeepTheTarget) {
  scratch.write("s.bin", std::string(300, 's'));
  scratch.write("t.bin", "TARGET");

  // A target that cannot be opened is shown to the user.
  EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win("no\\t.bin").c_str(), 2), -1);
  ASSERT_EQ(standins::gdi::messageBoxes().size(), 1u);
  EXPECT_EQ(standins::gdi::messageBoxes()[0].text, "Can not copy file");
  EXPECT_EQ(standins::gdi::messageBoxes()[0].caption, "K-VOM");
  EXPECT_EQ(standins::gdi::messageBoxes()[0].owner, nullptr);
  EXPECT_EQ(standins::gdi::messageBoxes()[0].style, platform::win::MB_OK | platform::win::MB_ICONERROR);
  // So is a folder of the target's name, whether it would be replaced or appended to.
  fs::create_directories(scratch.path() / "dir.bin");
  for (const std::int32_t mode : {1, 2}) {
    standins::gdi::clearMessageBoxes();
    EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win("dir.bin").c_str(), mode), -1) << mode;
    ASSERT_EQ(standins::gdi::messageBoxes().size(), 1u) << mode;
    EXPECT_EQ(standins::gdi::messageBoxes()[0].text, "Can not copy file") << mode;
    EXPECT_TRUE(fs::is_directory(scratch.path() / "dir.bin")) << mode;
  }

  // A full disk: a replaced target stays as it was, an appended one is cut back to its length.
  // The target is not to blame, so nothing is shown.
  standins::gdi::clearMessageBoxes();
  standins::windows::failWritesAfter(100);
  EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win("t.bin").c_str(), 1), -1);
  EXPECT_EQ(bytes("t.bin"), "TARGET");
  EXPECT_EQ(files(), (std::vector<std::string>{"s.bin", "t.bin"})) << "the copy in the making is removed";
  EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win("t.bin").c_str(), 2), -1);
  EXPECT_EQ(bytes("t.bin"), "TARGET");
  EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win("new.bin").c_str(), 2), -1);
  EXPECT_FALSE(fs::exists(scratch.path() / "new.bin")) << "a target the append made is removed";
  standins::windows::failWritesAfter(200);
  EXPECT_EQ(CopyOrAppendFile(win("missing.bin").c_str(), win("t.bin").c_str(), 3), 0) << "104 bytes still fit";
  standins::windows::failWritesAfter(50);
  EXPECT_EQ(CopyOrAppendFile(win("missing.bin").c_str(), win("t.bin").c_str(), 3), -1);
  EXPECT_EQ(bytes("t.bin"), "TARGET" + std::string(104, '\0'));
  standins::windows::failWritesAfter(std::nullopt);
  EXPECT_EQ(bytes("s.bin"), std::string(300, 's'));
  EXPECT_TRUE(standins::gdi::messageBoxes().empty());
}

TEST_F(CopyOrAppendFileTest, TargetNameTooLongIsShown) {
  // 255 characters is the longest name a file may have here. A replaced target is written under a
  // short name beside it first, so that its name is refused only when the copy takes its place.
  struct Case {
    std::size_t length;
    std::int32_t mode;
    std::int32_t result;
  };
  const Case cases[] = {{255, 1, 0}, {255, 2, 0}, {256, 1, -1}, {256, 2, -1}};
  scratch.write("s.bin", "SOURCE");
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + ", " + std::to_string(c.length) + " characters");
    standins::gdi::clearMessageBoxes();
    const std::string name(c.length, 'n');
    EXPECT_EQ(CopyOrAppendFile(win("s.bin").c_str(), win(name).c_str(), c.mode), c.result);
    if (c.result == 0) {
      EXPECT_EQ(bytes(name), "SOURCE");
      EXPECT_TRUE(standins::gdi::messageBoxes().empty());
      fs::remove(scratch.path() / name);
      continue;
    }
    ASSERT_EQ(standins::gdi::messageBoxes().size(), 1u);
    EXPECT_EQ(standins::gdi::messageBoxes()[0].text, "Can not copy file");
    EXPECT_EQ(standins::gdi::messageBoxes()[0].caption, "K-VOM");
    EXPECT_EQ(standins::gdi::messageBoxes()[0].owner, nullptr);
    EXPECT_EQ(standins::gdi::messageBoxes()[0].style, platform::win::MB_OK | platform::win::MB_ICONERROR);
    EXPECT_EQ(files(), std::vector<std::string>{"s.bin"}) << "no copy in the making is left";
  }
}

}  // namespace
}  // namespace kvom::report
