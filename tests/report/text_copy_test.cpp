#include "report/text_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "platform/windows/gdi.h"
#include "report/page_layout.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

namespace fs = std::filesystem;

// A row of the report file: 80 text columns, the tab, the row type and markers.
std::string row(const std::string& text, const std::string& typeAndMarkers = "1") {
  std::string columns = text;
  columns.resize(80, ' ');
  return columns + " \t" + typeAndMarkers + "\r\n";
}

// Report files in a scratch directory, named by their Windows paths.
class TextCopyTest : public ::testing::Test {
 protected:
  void SetUp() override { test::resetStandins(); }
  void TearDown() override { test::resetStandins(); }

  std::string windowsPath(const std::string& name) const { return test::windowsDir(scratch.path()) + name; }
  std::string read(const std::string& name) const { return test::readFile(scratch.path() / name); }
  bool exists(const std::string& name) const { return fs::exists(scratch.path() / name); }
  std::vector<std::string> files() const { return test::fileNames(scratch.path()); }

  test::ScratchDirectory scratch;
};

TEST_F(TextCopyTest, CopyKeepsTheRowsTextAndLeavesOutPicturesAndPageBreaks) {
  const std::string long300 = std::string(254, 'L') + std::string(46, 'M');
  struct Case {
    const char* name;
    std::string report;
    std::string copy;
  };
  const Case cases[] = {
      {"rows and breaks",
       row("HEAT EXCHANGER RATING  ") + "------ Page Break ------\r\n" + row("  Duty   1.5 MW", "2{ }"),
       std::string("HEAT EXCHANGER RATING") + std::string(59, ' ') + " \r\n------ Page Break ------\r\n" +
           "  Duty   1.5 MW" + std::string(65, ' ') + " \r\n"},
      {"only pictures and page breaks", "$$$PLOT1.KVD  1  2 30 40\r\n[Page break]\r\n[Page break] 2\r\n", ""},
      {"page breaks in other letter cases stay", "[PAGE BREAK]\r\n[page break]\r\n",
       "[PAGE BREAK]\r\n[page break]\r\n"},
      {"long line in pieces of 254", long300 + "\r\n", std::string(254, 'L') + "\r\n" + std::string(46, 'M') + "\r\n"},
      {"line of exactly 254", std::string(254, 'X') + "\r\n", std::string(254, 'X') + "\r\n"},
      {"line ends of one byte, last line open, empty lines", "A\n\nB", "A\r\n\r\nB\r\n"},
      {"empty report", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    scratch.write("A.KVO", c.report);
    EXPECT_EQ(CopyReportText(windowsPath("A.KVO").c_str(), windowsPath("A.KVX").c_str()), 0);
    EXPECT_EQ(read("A.KVX"), c.copy);
  }
}

TEST_F(TextCopyTest, CopyThatCannotBeMadeIsReportedAndLeavesNoPartialFile) {
  scratch.write("OLD.KVX", "an earlier copy\r\n");
  // No report: the earlier copy stays as it was.
  EXPECT_EQ(CopyReportText(windowsPath("NONE.KVO").c_str(), windowsPath("OLD.KVX").c_str()), -1);
  EXPECT_EQ(read("OLD.KVX"), "an earlier copy\r\n");

  scratch.write("A.KVO", row("first") + row("second"));
  // The target cannot be created.
  standins::windows::failOperation("openFile", 1, 1);
  EXPECT_EQ(CopyReportText(windowsPath("A.KVO").c_str(), windowsPath("B.KVX").c_str()), -1);
  EXPECT_FALSE(exists("B.KVX"));
  // The disk fills up during the copy: an earlier copy stays whole, none in the making is left.
  for (const std::uint64_t limit : {0u, 20u, 100u}) {
    standins::windows::failWritesAfter(limit);
    EXPECT_EQ(CopyReportText(windowsPath("A.KVO").c_str(), windowsPath("B.KVX").c_str()), -1) << limit;
    EXPECT_FALSE(exists("B.KVX")) << limit;
    EXPECT_EQ(CopyReportText(windowsPath("A.KVO").c_str(), windowsPath("OLD.KVX").c_str()), -1) << limit;
    EXPECT_EQ(read("OLD.KVX"), "an earlier copy\r\n") << limit;
    EXPECT_EQ(files(), (std::vector<std::string>{"A.KVO", "OLD.KVX"})) << limit << ": no copy in the making is left";
  }
  standins::windows::failWritesAfter(std::nullopt);
  // The copy that can be made replaces the earlier one.
  EXPECT_EQ(CopyReportText(windowsPath("A.KVO").c_str(), windowsPath("OLD.KVX").c_str()), 0);
  EXPECT_EQ(CopyReportText(windowsPath("A.KVO").c_str(), windowsPath("C.KVX").c_str()), 0);
  EXPECT_EQ(read("OLD.KVX"), read("C.KVX"));
  // A report is not copied over itself, however its name is spelt.
  fs::create_directories(scratch.path() / "sub");
  for (const char* spelling : {"A.KVO", ".\\A.KVO", "sub\\..\\A.KVO", "sub\\..\\.\\A.KVO"}) {
    scratch.write("A.KVO", row("first") + row("second"));
    EXPECT_EQ(CopyReportText(windowsPath("A.KVO").c_str(), windowsPath(spelling).c_str()), -1) << spelling;
    EXPECT_EQ(read("A.KVO"), row("first") + row("second")) << spelling;
  }
}

TEST_F(TextCopyTest, ExportCopiesTheNamedReportWhenItExists) {
  scratch.write("SRC.KVO", row("text"));
  struct Case {
    const char* name;
    std::string target;
    std::string source;
    std::int32_t result;
    bool copied;
  };
  const Case cases[] = {
      {"no target name", "", windowsPath("SRC"), 0, false},
      {"no source name", windowsPath("DST"), "", 0, false},
      {"no report", windowsPath("DST"), windowsPath("NONE"), 0, false},
      {"target directory missing", windowsPath("NODIR\\DST"), windowsPath("SRC"), -1, false},
      {"copied", windowsPath("DST"), windowsPath("SRC"), 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(scratch.path() / "DST.KVX");
    EXPECT_EQ(ExportReportText(c.target.c_str(), c.source.c_str()), c.result);
    EXPECT_EQ(exists("DST.KVX"), c.copied);
  }
  EXPECT_EQ(read("DST.KVX"), "text" + std::string(76, ' ') + " \r\n");
}

TEST_F(TextCopyTest, CaseReportGoesToTheCaseNameWithItsOwnExtension) {
  const exports::RunPathStringsRecord saved = exports::RunPathStrings;
  copyTerminated(exports::RunPathStrings.caseDir, test::windowsDir(scratch.path()));
  copyTerminated(exports::RunPathStrings.filePrefix, "R01");
  copyTerminated(exports::RunPathStrings.caseName, "PUMP-7");
  scratch.write("R01.KVO", "$$$P.KVD 1 1 2 2\r\n" + row("case"));
  EXPECT_EQ(ExportCaseReportText(), 0);
  EXPECT_EQ(read("PUMP-7.KVX"), "case" + std::string(76, ' ') + " \r\n");
  exports::RunPathStrings = saved;
}

TEST_F(TextCopyTest, AppendingRemovesAStaleContainerAndRefusesTheSameReport) {
  scratch.write("SRC.KVO", "source\r\n");
  scratch.write("NEW.BFD", "stale plots");
  EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("NEW.KVO").c_str()), 0);
  EXPECT_EQ(read("NEW.KVO"), "source\r\n");
  EXPECT_FALSE(exists("NEW.BFD"));

  // An existing report keeps its container.
  scratch.write("OLD.KVO", "old\r\n");
  scratch.write("OLD.BFD", "plots");
  EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("OLD.KVO").c_str()), 0);
  EXPECT_EQ(read("OLD.KVO"), "old\r\nsource\r\n");
  EXPECT_EQ(read("OLD.BFD"), "plots");

  const std::string lower = test::windowsDir(scratch.path()) + "src.kvo";
  EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), lower.c_str()), -1);
  EXPECT_EQ(read("SRC.KVO"), "source\r\n");
}

TEST_F(TextCopyTest, AFailedAppendLeavesTheTargetReportAsItWas) {
  scratch.write("SRC.KVO", std::string(500, 's') + "\r\n");
  for (const std::uint64_t limit : {0u, 40u, 400u}) {
    scratch.write("OLD.KVO", "old\r\n");
    fs::remove(scratch.path() / "NEW.KVO");
    standins::windows::failWritesAfter(limit);
    EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("OLD.KVO").c_str()), -1) << limit;
    EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("NEW.KVO").c_str()), -1) << limit;
    standins::windows::failWritesAfter(std::nullopt);
    EXPECT_EQ(read("OLD.KVO"), "old\r\n") << limit;
    EXPECT_FALSE(exists("NEW.KVO")) << limit << ": a report the append began is not left";
  }
}

TEST_F(TextCopyTest, AppendReportFilesLetsThePageFontsGoOnceTheReportIsThere) {
  const auto makeFonts = [] {
    for (platform::win::HFONT* font : {&PageLayout.titleFont, &PageLayout.boldFont, &PageLayout.normalFont}) {
      *font = CreateFontA(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    }
  };
  scratch.write("SRC.KVO", "source\r\n");
  scratch.write("DST.KVO", "target\r\n");
  struct Case {
    const char* name;
    std::string source;
    std::int32_t append;
    std::string target;  // afterwards
    int fontsLeft;
  };
  const Case cases[] = {
      {"no report", windowsPath("NONE"), 1, "target\r\n", 3},
      {"fonts only", windowsPath("SRC"), 0, "target\r\n", 0},
      {"appended", windowsPath("SRC"), 1, "target\r\nsource\r\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    makeFonts();
    EXPECT_EQ(AppendReportFiles(0, 0, windowsPath("DST").c_str(), c.source.c_str(), c.append), 0);
    EXPECT_EQ(read("DST.KVO"), c.target);
    EXPECT_EQ(standins::gdi::liveObjects(standins::gdi::ObjectKind::Font), c.fontsLeft);
    for (platform::win::HFONT* font : {&PageLayout.titleFont, &PageLayout.boldFont, &PageLayout.normalFont}) {
      if (*font != nullptr) DeleteObject(*font);
      *font = nullptr;
    }
  }
  EXPECT_EQ(standins::gdi::invalidDeletes(), 0);
}

}  // namespace
}  // namespace kvom::report
