#include "report/text_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "platform/windows/files.h"
#include "platform/windows/gdi.h"
#include "report/file_names.h"
#include "report/page_layout.h"
#include "report/plot_file.h"
#include "report/report_file.h"
#include "report/report_pages.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/plot_fixture.h"
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

const auto block = &test::moveBlock;
const std::string kEmptyBlock(104, '\0');

// A picture line of the report file and the row it stands on.
std::string picture(const std::string& name) { return "$$$" + name + "  1  1 10 10\r\n" + row(name); }

TEST_F(TextCopyTest, AFailedAppendLeavesTheTargetReportAsItWas) {
  // With container pictures the source's blocks go to the target's container as well.
  for (const std::string& source : {std::string(500, 's') + "\r\n", picture("SRC.BFD") + std::string(500, 's')}) {
    scratch.write("SRC.KVO", source);
    scratch.write("SRC.BFD", block(2));
    scratch.write("NEW.BFD", block(9));  // stale, but a failed call deletes nothing
    for (const std::uint64_t limit : {0u, 40u, 400u}) {
      scratch.write("OLD.KVO", "old\r\n");
      scratch.write("OLD.BFD", block(1));
      fs::remove(scratch.path() / "NEW.KVO");
      standins::windows::failWritesAfter(limit);
      EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("OLD.KVO").c_str()), -1) << limit;
      EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("NEW.KVO").c_str()), -1) << limit;
      standins::windows::failWritesAfter(std::nullopt);
      EXPECT_EQ(read("OLD.KVO"), "old\r\n") << limit;
      EXPECT_FALSE(exists("NEW.KVO")) << limit << ": a report the append began is not left";
      EXPECT_EQ(read("OLD.BFD"), block(1)) << limit;
      EXPECT_EQ(read("NEW.BFD"), block(9)) << limit;
      EXPECT_EQ(files(), (std::vector<std::string>{"NEW.BFD", "OLD.BFD", "OLD.KVO", "SRC.BFD", "SRC.KVO"})) << limit;
    }
  }
  // A source that cannot be read, and a merged container that cannot take its place.
  EXPECT_EQ(AppendReport(windowsPath("NONE.KVO").c_str(), windowsPath("NEW.KVO").c_str()), -1);
  standins::windows::failOperation("MoveFileExA", 0, 1);
  EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("OLD.KVO").c_str()), -1);
  EXPECT_EQ(read("OLD.KVO"), "old\r\n");
  EXPECT_EQ(read("OLD.BFD"), block(1));
  EXPECT_EQ(read("NEW.BFD"), block(9));
  EXPECT_EQ(files(), (std::vector<std::string>{"NEW.BFD", "OLD.BFD", "OLD.KVO", "SRC.BFD", "SRC.KVO"}));
}

// Merged reports as a simulator makes them: the case report DST.KVO (file prefix DST in the
// scratch folder) and the reports of other units, each with its own container.
class MergedReportTest : public TextCopyTest {
 protected:
  void SetUp() override {
    TextCopyTest::SetUp();
    saved = exports::RunPathStrings;
    copyTerminated(exports::RunPathStrings.caseDir, test::windowsDir(scratch.path()));
    copyTerminated(exports::RunPathStrings.filePrefix, "DST");
  }
  void TearDown() override {
    exports::RunPathStrings = saved;
    TextCopyTest::TearDown();
  }

  // Writes a form of one row with the picture references to the case report.
  void writeForm(const std::string& references) const {
    PictureRefs.fill('\0');
    std::copy(references.begin(), references.end(), PictureRefs.begin());
    FormGrid text{};
    text.fill(' ');
    FormGrid formTemplate = text;
    formTemplate[kFormColumns + kFormColumns - 1] = 'X';
    ASSERT_EQ(WriteFormToReport(text, formTemplate), 0);
  }

  // What each container picture of the report shows, in report order, as printing and preview
  // number them: the x of its block's first record, or 0 for a block that shows nothing.
  std::vector<float> shownPlots(const std::string& report) const {
    struct Sink final : PageSink {
      bool pageDone(PageEnd, std::int32_t) override {
        for (std::int32_t k = 0; k < PrintPage.pictureCount; ++k) {
          const std::int32_t number = PrintPage.blockNumbers[static_cast<std::size_t>(k)];
          if (number > 0) blocks.push_back(number);
        }
        return true;
      }
      std::vector<std::int32_t> blocks;
    } sink;
    const std::string path = windowsPath(report);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::crt::openFile(path.c_str(), "r"), std::fclose);
    std::int32_t counter = 0;
    if (!file || !ReadReportPages(file.get(), PageRules{.reportFile = path}, counter, sink)) return {};
    const std::string container = windowsPath(ReportContainerName(report));
    std::vector<float> plots;
    for (const std::int32_t number : sink.blocks) {
      std::int32_t count = 0;
      std::array<PlotRecord, 1> records{};
      float x = 0;
      float y = 0;
      ReadPlotBlock(container.c_str(), count, records, {}, x, y, number);
      plots.push_back(count > 0 ? records[0].slot(1) : 0);
    }
    return plots;
  }

  exports::RunPathStringsRecord saved{};
};

// A unit's report is merged into the case report between two forms of its own.
TEST_F(MergedReportTest, EachPictureOfAMergedReportShowsItsOwnPlot) {
  scratch.write("FIRST.BFD", block(1));
  scratch.write("LATER.BFD", block(3));
  scratch.write("OLD.KVO", picture("OLD.BFD"));
  scratch.write("OLD.BFD", block(2));
  writeForm("<FIRST.BFD 1 1 10 10>");
  EXPECT_EQ(AppendReport(windowsPath("OLD.KVO").c_str(), windowsPath("DST.KVO").c_str()), 0);
  writeForm("<LATER.BFD 1 1 10 10>");
  EXPECT_EQ(shownPlots("DST.KVO"), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(read("DST.BFD"), block(1) + block(2) + block(3));
  EXPECT_EQ(read("OLD.BFD"), block(2)) << "the source's container is left as it was";
}

TEST_F(MergedReportTest, TheTargetsContainerHoldsTheBlocksOfTheMergedPictures) {
  struct Case {
    const char* name;
    std::optional<std::string> target;  // the report DST.KVO, when there
    std::optional<std::string> targetContainer;
    std::string source;
    std::optional<std::string> sourceContainer;
    std::string merged;  // DST.BFD afterwards
    std::vector<float> shown;
  };
  const std::string one = picture("DST.BFD");
  const std::string two = picture("SRC.BFD") + picture("SRC.BFD");
  const Case cases[] = {
      {"after the target's own", one, block(1), picture("SRC.BFD"), block(2), block(1) + block(2), {1, 2}},
      {"only the blocks the source's pictures show",
       one,
       block(1),
       picture("SRC.BFD"),
       block(2) + block(3),
       block(1) + block(2),
       {1, 2}},
      {"a block the source lacks is empty", one, block(1), two, block(2), block(1) + block(2) + kEmptyBlock, {1, 2, 0}},
      {"a source without container", one, block(1), picture("SRC.BFD"), std::nullopt, block(1) + kEmptyBlock, {1, 0}},
      {"a block the target lacks is empty",
       one + one,
       block(1),
       picture("SRC.BFD"),
       block(2),
       block(1) + kEmptyBlock + block(2),
       {1, 0, 2}},
      {"a block no picture of the target shows is left out",
       one,
       block(1) + block(9),
       picture("SRC.BFD"),
       block(2),
       block(1) + block(2),
       {1, 2}},
      {"a new target's stale container is replaced",
       std::nullopt,
       block(9),
       two,
       block(2) + block(3),
       block(2) + block(3),
       {2, 3}},
      {"a source without container pictures leaves the container alone",
       one,
       block(1) + block(9),
       picture("A.WMF"),
       block(2),
       block(1) + block(9),
       {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* name : {"DST.KVO", "DST.BFD", "SRC.BFD"}) fs::remove(scratch.path() / name);
    if (c.target) scratch.write("DST.KVO", *c.target);
    if (c.targetContainer) scratch.write("DST.BFD", *c.targetContainer);
    scratch.write("SRC.KVO", c.source);
    if (c.sourceContainer) scratch.write("SRC.BFD", *c.sourceContainer);
    EXPECT_EQ(AppendReport(windowsPath("SRC.KVO").c_str(), windowsPath("DST.KVO").c_str()), 0);
    EXPECT_EQ(read("DST.KVO"), c.target.value_or("") + c.source);
    EXPECT_EQ(read("DST.BFD"), c.merged);
    EXPECT_EQ(shownPlots("DST.KVO"), c.shown);
    if (c.sourceContainer) {
      EXPECT_EQ(read("SRC.BFD"), *c.sourceContainer);
    }
  }
}

// A report whose own name is its container's name: appended to, or appended, it stays a report.
TEST_F(MergedReportTest, AReportNamedLikeAContainerIsNoContainer) {
  const std::string report = picture("SRC.BFD") + row("text");
  struct Case {
    const char* source;
    const char* target;
    bool targetThere;
  };
  const Case cases[] = {
      {"SRC.KVO", "X.BFD", false},
      {"SRC.KVO", "X.BFD", true},
      {"X.BFD", "X.KVO", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " to " + c.target);
    for (const std::string& file : files()) fs::remove(scratch.path() / file);
    scratch.write("SRC.BFD", block(2));
    scratch.write(c.source, report);
    if (c.targetThere) scratch.write(c.target, report);
    EXPECT_EQ(AppendReport(windowsPath(c.source).c_str(), windowsPath(c.target).c_str()), 0);
    EXPECT_EQ(read(c.source), report);
    EXPECT_EQ(read(c.target), c.targetThere ? report + report : report);
    EXPECT_EQ(read("SRC.BFD"), block(2));
  }
}

// A target of the source's base name shares its container: the source's plots are never deleted.
TEST_F(MergedReportTest, ATargetOfTheSourcesBaseNameKeepsTheSourcesContainer) {
  const std::string source = picture("RUN.BFD") + picture("RUN.BFD");
  struct Case {
    const char* target;
    std::optional<std::string> before;  // the target report, when there
    std::string container;              // RUN.BFD afterwards
  };
  const Case cases[] = {
      {"RUN.TXT", std::nullopt, block(1) + block(2)},
      {"RUN", std::nullopt, block(1) + block(2)},
      {"RUN.KVX", std::nullopt, block(1) + block(2)},
      // The source's blocks stay where its pictures find them; the merged ones follow.
      {"RUN.TXT", row("no pictures"), block(1) + block(2) + block(1) + block(2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    for (const std::string& file : files()) fs::remove(scratch.path() / file);
    scratch.write("RUN.KVO", source);
    scratch.write("RUN.BFD", block(1) + block(2));
    if (c.before) scratch.write(c.target, *c.before);
    EXPECT_EQ(AppendReport(windowsPath("RUN.KVO").c_str(), windowsPath(c.target).c_str()), 0);
    EXPECT_EQ(read(c.target), c.before.value_or("") + source);
    EXPECT_EQ(read("RUN.BFD"), c.container);
    EXPECT_EQ(shownPlots(c.target), (std::vector<float>{1, 2}));
    EXPECT_EQ(shownPlots("RUN.KVO"), (std::vector<float>{1, 2}));
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
