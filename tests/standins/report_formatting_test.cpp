// The report-formatting stand-in: its switch, its call log, the RTF document it writes and its
// failures. A sample report of the example forms is kept in KVOM_PICTURE_DIR as report_sample.rtf,
// for people to open.

#include "platform/report_formatting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows/profile.h"
#include "standins/report_formatting/report_formatting_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace rf = standins::report_formatting;
namespace win = standins::windows;

namespace {

// A form file with one form that uses every kind of line.
constexpr const char* kFormFile =
    "; forms of group TEST\r\n"
    "[TEST0001]\r\n"
    "!Summary of {1}\r\n"
    ".cols 40 12 8\r\n"
    "|*Quantity|*>Value|*Unit\r\n"
    "|Heat duty|>{2}|kW\r\n"
    "?|Message|{3}|\r\n"
    "---\r\n"
    "Braces {{x}}, a backslash \\ and {9} missing\r\n"
    "[TEST0002]\r\n"
    "Second form\r\n";

std::string values(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += part + '\x03';
  return text;
}

// Braces balance when escaped ones are skipped, and nothing opens before the document's own brace
// or after its last one.
bool bracesBalance(const std::string& rtf) {
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}') {
      if (--depth < 0) return false;
      if (depth == 0 && rtf.find_first_not_of('\n', i + 1) != std::string::npos) return false;
    }
  }
  return depth == 0;
}

// Where a fragment stands in the body of the document, after the header's styles.
std::size_t bodyPosition(const std::string& rtf, const std::string& fragment) {
  return rtf.find(fragment, rtf.find("\\margb"));
}

// Finds the fragments in the body in their order; returns where the last one stands, or npos (with a
// failure) when one is missing.
std::size_t findInOrder(const std::string& rtf, const std::vector<std::string>& fragments) {
  std::size_t at = 0;
  for (const std::string& fragment : fragments) {
    const std::size_t found = bodyPosition(rtf, fragment);
    if (found == std::string::npos) {
      ADD_FAILURE() << "missing " << fragment << "\n" << rtf;
      return std::string::npos;
    }
    EXPECT_GE(found, at) << fragment;
    at = found;
  }
  return at;
}

class ReportFormattingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvom::test::resetStandins();
    win::setWindowsDirectory(kvom::test::windowsDir(scratch.path()));
    rf::setOutputPath((scratch.path() / "OUT.RTF").string());
    formPath = win::toWindowsPath(scratch.write("TEST.RENG", kFormFile).string());
  }
  void TearDown() override { kvom::test::resetStandins(); }

  std::string file() const { return kvom::test::readFile(scratch.path() / "OUT.RTF"); }

  kvom::test::ScratchDirectory scratch;
  std::string formPath;
};

TEST_F(ReportFormattingTest, SwitchComesFromControlOrProfileReadAtFirstUse) {
  struct Case {
    const char* profileValue;  // nullptr: no profile file
    std::optional<bool> control;
    std::int32_t enabled;
  };
  const Case cases[] = {
      {nullptr, std::nullopt, 0}, {"1", std::nullopt, 1},     {"yes", std::nullopt, 1},
      {"On", std::nullopt, 1},    {"TRUE", std::nullopt, 1},  {"0", std::nullopt, 0},
      {"no", std::nullopt, 0},    {"maybe", std::nullopt, 0}, {"1", false, 0},
      {nullptr, true, 1},
  };
  for (const Case& c : cases) {
    rf::reset();
    std::filesystem::remove(scratch.path() / "SORVEX.INI");
    if (c.profileValue) WritePrivateProfileStringA("RTF", "Enabled", c.profileValue, "SORVEX.INI");
    rf::setRtfEnabled(c.control);
    EXPECT_EQ(IsRTFEnabled(), c.enabled) << (c.profileValue ? c.profileValue : "(none)");
  }

  // The profile is read once: a later change counts only after a reset.
  rf::reset();
  WritePrivateProfileStringA("RTF", "Enabled", "1", "SORVEX.INI");
  EXPECT_EQ(IsRTFEnabled(), 1);
  WritePrivateProfileStringA("RTF", "Enabled", "0", "SORVEX.INI");
  EXPECT_EQ(IsRTFEnabled(), 1);
  rf::setRtfEnabled(true);
  EXPECT_EQ(IsRTFEnabled(), 1);
  // Handed back, the setting is read from the profile anew.
  rf::setRtfEnabled(std::nullopt);
  EXPECT_EQ(IsRTFEnabled(), 0);
}

TEST_F(ReportFormattingTest, ProfileNamesTheDocumentFile) {
  rf::reset();
  const std::string target = kvom::test::windowsDir(scratch.path()) + "FROM.RTF";
  WritePrivateProfileStringA("RTF", "File", target.c_str(), "SORVEX.INI");
  EXPECT_EQ(ComponentBreak(), 1);
  EXPECT_EQ(rf::outputPath(), (scratch.path() / "FROM.RTF").string());
  EXPECT_EQ(kvom::test::readFile(scratch.path() / "FROM.RTF"), rf::documentText());

  rf::reset();
  std::filesystem::remove(scratch.path() / "SORVEX.INI");
  IsRTFEnabled();
  EXPECT_EQ(rf::outputPath(), "REPORT.RTF");
}

TEST_F(ReportFormattingTest, LogsEveryCallWithItsArguments) {
  rf::setRtfEnabled(true);
  IsRTFEnabled();
  SectionStart("Exchanger E-101");
  ParseRTF(formPath.c_str(), "TEST0002", "a\x03 b\x03");
  PageBreak();
  ComponentBreak();
  TOCBreak();
  SectionStart(nullptr);
  SectionEnd();
  const std::vector<std::string> expected = {
      "IsRTFEnabled",
      "SectionStart Exchanger E-101",
      "ParseRTF " + formPath + " TEST0002 a\x03 b\x03",
      "PageBreak",
      "ComponentBreak",
      "TOCBreak",
      "SectionStart ",
      "SectionEnd",
  };
  EXPECT_EQ(rf::callLog(), expected);
  rf::clearCallLog();
  EXPECT_TRUE(rf::callLog().empty());
}

TEST_F(ReportFormattingTest, RendersAFormWithItsValuesIntoAValidDocument) {
  // The value text as the report library hands it over: NUL in place of its end mark.
  const std::string given = values({"E-101 \x81", "  1234.5 ", "", "unused"});
  ASSERT_EQ(ParseRTF(formPath.c_str(), "test0001", given.c_str()), 1);
  const std::string rtf = file();
  EXPECT_EQ(rtf, rf::documentText());

  EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
  EXPECT_NE(rtf.find("{\\fonttbl{\\f0"), std::string::npos);
  EXPECT_TRUE(rtf.ends_with("}\n"));
  EXPECT_TRUE(bracesBalance(rtf)) << rtf;
  for (const char c : rtf) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "RTF is plain ASCII";

  // In order: the heading with its value (code page 437 0x81 is u with diaeresis, 0xFC in 1252),
  // the bold header row, the value row with 40/12/8 columns of 120 twips, the rule and the text.
  const std::vector<std::string> fragments = {
      "\\outlinelevel1\\b\\f0\\fs26\\ql Summary of E-101 \\'fc\\par",
      "\\cellx4800\\cellx6240\\cellx7200",
      "\\ql\\b Quantity\\b0\\cell",
      "\\qr\\b Value\\b0\\cell",
      "\\ql Heat duty\\cell",
      "\\qr 1234.5\\cell",
      "\\brdrb",
      "Braces \\{x\\}, a backslash \\\\ and  missing\\par",
  };
  ASSERT_NE(findInOrder(rtf, fragments), std::string::npos);
  // The message row is conditional and its value is empty.
  EXPECT_EQ(rtf.find("Message"), std::string::npos);
  // The second form is not part of the first.
  EXPECT_EQ(rtf.find("Second form"), std::string::npos);

  // A message fills the conditional row.
  ASSERT_EQ(ParseRTF(formPath.c_str(), "TEST0001", values({"x", "1", "tubes vibrate"}).c_str()), 1);
  EXPECT_NE(file().find("\\ql tubes vibrate\\cell"), std::string::npos);
}

// The cell edges of a form's table rows, in order.
std::vector<std::string> cellEdges(const std::string& rtf) {
  std::vector<std::string> edges;
  for (std::size_t at = rtf.find("\\cellx"); at != std::string::npos; at = rtf.find("\\cellx", at + 1)) {
    edges.push_back(rtf.substr(at + 6, rtf.find_first_not_of("0123456789-", at + 6) - (at + 6)));
  }
  return edges;
}

// A table takes at most the 80 columns of the text width for the widths its form gives: a width
// beyond them is cut to what the widths before it left (a cell keeps at least one column), and
// cells without a width still share what is left, at least four columns each.
TEST_F(ReportFormattingTest, ColumnWidthsStayWithinTheTextWidth) {
  struct Case {
    const char* cols;
    const char* row;
    std::vector<std::string> edges;  // twips, 120 a column
  };
  const Case cases[] = {
      {".cols99999999", "|", {"9600"}},
      {".cols 60 60", "|a|b", {"7200", "9600"}},
      {".cols 2147483647 2147483647", "|a|b", {"9600", "9720"}},
      {".cols 99999999999", "|a|b", {"9600", "10080"}},
      {".cols 30 99999999 5", "|a|b|c|d", {"3600", "9600", "9720", "10200"}},
      {".cols 0 -7", "|a|b|c", {"120", "240", "9600"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cols);
    const std::string form = std::string("[WEXA0002]\n") + c.cols + "\n" + c.row + "\n";
    const std::string path = win::toWindowsPath(scratch.write("WIDE.RENG", form).string());
    rf::startNewDocument();
    ASSERT_EQ(ParseRTF(path.c_str(), "WEXA0002", ""), 1);
    EXPECT_EQ(cellEdges(file()), c.edges);
  }
}

TEST_F(ReportFormattingTest, TextsOutsideCodePage1252BecomeUnicode) {
  // A box corner (0xDA), a Greek alpha (0xE0), the f with hook (0x9F), a tab and a control byte.
  ASSERT_EQ(SectionStart("\xDA\xE0\x9F\ta\x01"), 1);
  EXPECT_NE(bodyPosition(file(), "\\u9484?\\u945?\\'83\\tab a \\par"), std::string::npos) << file();
}

TEST_F(ReportFormattingTest, BreaksAndSectionsShapeTheDocument) {
  SectionStart("Outer");
  SectionStart("Inner");
  SectionEnd();
  SectionStart("Second inner");
  SectionEnd();
  SectionEnd();
  SectionStart("Next");
  PageBreak();
  ParseRTF(formPath.c_str(), "TEST0002", "");
  ComponentBreak();
  TOCBreak();
  PageBreak();  // at the end: no empty last page
  const std::string rtf = file();
  EXPECT_TRUE(bracesBalance(rtf)) << rtf;
  const std::vector<std::string> fragments = {
      "\\s1\\sb360\\sa120\\keepn\\outlinelevel0\\b\\f0\\fs32\\ql Outer\\par",
      "\\s2\\sb240\\sa120\\keepn\\outlinelevel1\\b\\f0\\fs26\\ql Inner\\par",
      "\\s2\\sb240\\sa120\\keepn\\outlinelevel1\\b\\f0\\fs26\\ql Second inner\\par",
      "\\s1\\sb360\\sa120\\keepn\\outlinelevel0\\b\\f0\\fs32\\ql Next\\par",
      "\\pard\\plain\\pagebb\\s0\\f0\\fs20\\ql Second form\\par",
      "\\brdrb\\brdrs",
      "{\\field{\\*\\fldinst { TOC \\\\o \"1-2\" \\\\h }}",
  };
  const std::size_t at = findInOrder(rtf, fragments);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(rtf.find("\\pagebb", at), std::string::npos);
}

TEST_F(ReportFormattingTest, MissingFormsAndInjectedFailuresLeaveTheDocumentAlone) {
  ASSERT_EQ(SectionStart("Kept"), 1);
  const std::string before = file();

  EXPECT_EQ(ParseRTF(formPath.c_str(), "TEST0009", ""), 0);
  EXPECT_EQ(ParseRTF((formPath + "X").c_str(), "TEST0001", ""), 0);
  EXPECT_EQ(ParseRTF(nullptr, nullptr, nullptr), 0);
  for (const char* operation : {"ParseRTF", "PageBreak", "ComponentBreak", "TOCBreak", "SectionStart"}) {
    rf::failOperation(operation, 0, 1);
  }
  EXPECT_EQ(ParseRTF(formPath.c_str(), "TEST0002", ""), 0);
  EXPECT_EQ(PageBreak(), 0);
  EXPECT_EQ(ComponentBreak(), 0);
  EXPECT_EQ(TOCBreak(), 0);
  EXPECT_EQ(SectionStart("Lost"), 0);
  EXPECT_EQ(file(), before);
  EXPECT_EQ(rf::callLog().size(), 9u) << "failed calls are logged too";

  // A switched-on output that fails to answer reads as off, for the one call told to fail.
  rf::setRtfEnabled(true);
  rf::failOperation("IsRTFEnabled", 1, 1);
  EXPECT_EQ(IsRTFEnabled(), 1);
  EXPECT_EQ(IsRTFEnabled(), 0);
  EXPECT_EQ(IsRTFEnabled(), 1);
}

TEST_F(ReportFormattingTest, AFailedWriteLosesNothingForTheNextOne) {
  rf::failOperation("writeDocument", 0, 1);
  EXPECT_EQ(SectionStart("First"), 0);
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "OUT.RTF"));
  EXPECT_EQ(SectionStart("Second"), 1);
  const std::string rtf = file();
  EXPECT_LT(bodyPosition(rtf, "First\\par"), bodyPosition(rtf, "Second\\par"));
  EXPECT_NE(bodyPosition(rtf, "Second\\par"), std::string::npos);

  // A file that cannot be created fails the same way.
  rf::setOutputPath((scratch.path() / "missing" / "OUT.RTF").string());
  EXPECT_EQ(ComponentBreak(), 0);
}

// The example RTF forms of both languages take every value their forms document; the sample report
// they make is kept for people to open in a word processor.
TEST_F(ReportFormattingTest, ExampleFormsRenderEveryValue) {
  const std::filesystem::path dir = KVOM_PICTURE_DIR;
  std::filesystem::create_directories(dir);
  rf::setOutputPath((dir / "report_sample.rtf").string());
  const std::filesystem::path languageDir = std::filesystem::path(KVOM_EXAMPLES_DIR) / "install" / "DAT" / "LAN";
  const std::size_t valueCounts[] = {4, 12, 21, 1};

  TOCBreak();
  const std::pair<const char*, const char*> languages[] = {{"RENG", "English forms"}, {"RGER", "German forms"}};
  for (const auto& [language, title] : languages) {
    SectionStart(title);
    for (std::size_t form = 1; form <= 4; ++form) {
      std::vector<std::string> parts;
      for (std::size_t n = 1; n <= valueCounts[form - 1]; ++n) parts.push_back("V" + std::to_string(100 * form + n));
      const std::string code = "WEXA000" + std::to_string(form);
      const std::string path = win::toWindowsPath((languageDir / ("WEXA." + std::string(language))).string());
      // What this form adds stands before the document's closing brace.
      const std::size_t before = rf::documentText().empty() ? 0 : rf::documentText().size() - 2;
      ASSERT_EQ(ParseRTF(path.c_str(), code.c_str(), values(parts).c_str()), 1) << language << " " << code;
      const std::string rtf = rf::documentText();
      for (const std::string& part : parts)
        EXPECT_NE(rtf.find(part, before), std::string::npos) << language << " " << part;
      PageBreak();
    }
    SectionEnd();
  }
  EXPECT_TRUE(bracesBalance(kvom::test::readFile(dir / "report_sample.rtf")));
}

}  // namespace
