#include "report/report_pages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/report/report_lines.h"

namespace kvom::report {
namespace {

using test::row;

// Every page the reader completes, summed up as "<end> <rows>: <first row>..<last row> [pictures]".
class RecordingSink final : public PageSink {
 public:
  bool pageDone(PageEnd end, std::int32_t rowCount) override {
    static constexpr const char* kEnds[] = {"break", "new", "end"};
    std::string page = std::string(kEnds[static_cast<int>(end)]) + " " + std::to_string(rowCount) + ": " +
                       test::rowText(0) + ".." + test::rowText(rowCount - 1);
    for (std::int32_t k = 0; k < PrintPage.pictureCount; ++k) {
      page += " [" + std::string(PageReferences[static_cast<std::size_t>(k)].data()) + " @" +
              std::to_string(PrintPage.pictureRows[static_cast<std::size_t>(k)]) + " #" +
              std::to_string(PrintPage.blockNumbers[static_cast<std::size_t>(k)]) + "]";
    }
    pages.push_back(page);
    return true;
  }
  std::vector<std::string> pages;
};

struct PaginationCase {
  const char* name;
  std::string report;
  std::vector<std::string> pages;
  std::int32_t fontMode = 0;
  bool splitAtLastTab = true;
};

std::string rows(int count, const std::string& prefix) {
  std::string text;
  for (int k = 1; k <= count; ++k) text += row(prefix + std::to_string(k));
  return text;
}

std::string pictures(int count, const std::string& name) {
  std::string text;
  for (int k = 0; k < count; ++k) text += "$$$" + name + " 1 0 5 " + std::to_string(k + 1) + "\n";
  return text;
}

const PaginationCase kCases[] = {
    {"RowsWithoutBreaksAreOnePage", row("A") + row("B") + "C without tab", {"end 3: A..C without tab"}},
    {"PageBreakInAnyCaseEndsThePageAndRepeatsAddNothing",
     row("A") + "[PAGE BREAK]\n" + "[page break]\r\n" + row("B") + "[Page break]",
     {"break 1: A..A", "break 1: B..B"}},
    {"DashedPageBreakTextIsARow",
     row("A") + "-------- Page Break --------\n",
     {"end 2: A..-------- Page Break --------"}},
    {"TypeOneOpensANewPage", row("A") + row("B") + row("T", '1') + row("C"), {"new 2: A..B", "end 2: T..C"}},
    {"TypeOneOnAnEmptyPageAddsNothing", row("T", '1') + row("C"), {"end 2: T..C"}},
    {"SixtyOneRowsAtMostAndLaterRowsOverwriteTheLast", rows(70, "R"), {"end 61: R1..R61"}},
    {"PictureLinesBelongToTheNextRow",
     row("A") + "$$$PIC.WMF 1 2 3 4\r\n" + row("B"),
     {"end 2: A..B [PIC.WMF 1 2 3 4 @1 #0]"}},
    {"ContainerReferencesNameTheReportsOwnContainer",
     "$$$SKETCH.bfd 1 2 3 4\n" + row("A") + "$$$PIC.WMF 1 1 2 2\n$$$X.BFD 2 2 9 9\n" + row("B"),
     {"end 2: A..B [RUN1.BFD 1 2 3 4 @0 #1] [PIC.WMF 1 1 2 2 @1 #0] [RUN1.BFD 2 2 9 9 @1 #2]"}},
    {"AnEleventhPictureLineIsARow",
     pictures(11, "P.WMF"),
     {"end 1: $$$P.WMF 1 0 5 11..$$$P.WMF 1 0 5 11 [P.WMF 1 0 5 1 @0 #0] [P.WMF 1 0 5 2 @0 #0] "
      "[P.WMF 1 0 5 3 @0 #0] [P.WMF 1 0 5 4 @0 #0] [P.WMF 1 0 5 5 @0 #0] [P.WMF 1 0 5 6 @0 #0] "
      "[P.WMF 1 0 5 7 @0 #0] [P.WMF 1 0 5 8 @0 #0] [P.WMF 1 0 5 9 @0 #0] [P.WMF 1 0 5 10 @0 #0]"}},
    // The 11th container picture of the page is dropped, yet the next one keeps its own block.
    {"ADroppedContainerPictureStillCountsItsBlock",
     pictures(10, "A.BFD") + row("A") + pictures(1, "A.BFD") + row("B") + row("T", '1') + pictures(1, "A.BFD") +
         row("C"),
     {"new 2: A..B [RUN1.BFD 1 0 5 1 @0 #1] [RUN1.BFD 1 0 5 2 @0 #2] [RUN1.BFD 1 0 5 3 @0 #3] "
      "[RUN1.BFD 1 0 5 4 @0 #4] [RUN1.BFD 1 0 5 5 @0 #5] [RUN1.BFD 1 0 5 6 @0 #6] [RUN1.BFD 1 0 5 7 @0 #7] "
      "[RUN1.BFD 1 0 5 8 @0 #8] [RUN1.BFD 1 0 5 9 @0 #9] [RUN1.BFD 1 0 5 10 @0 #10]",
      "end 2: T..C [RUN1.BFD 1 0 5 1 @1 #12]"}},
    {"FixedRowsSkipPicturesAndTypes", "$$$P.WMF 1 1 2 2\n" + row("A", '1') + row("B", '1'), {"end 2: A..B"}, 1},
};

class PaginationTest : public ::testing::TestWithParam<PaginationCase> {};

TEST_P(PaginationTest, ReadsPagesAsPrintingDoes) {
  const PaginationCase& c = GetParam();
  test::TempReport file(c.report);
  RecordingSink sink;
  std::int32_t blocks = 0;
  const PageRules rules{
      .fontMode = c.fontMode, .splitAtLastTab = c.splitAtLastTab, .reportFile = "C:\\CASES\\RUN1.KVO"};
  EXPECT_TRUE(ReadReportPages(file.get(), rules, blocks, sink));
  EXPECT_EQ(sink.pages, c.pages);
}

INSTANTIATE_TEST_SUITE_P(Lines, PaginationTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PaginationRows, SplitsTypeAndMarkersAtTheLastOrFirstTab) {
  // The markers of this row hold a tab: printing takes the type after it, the preview the one
  // after the first tab.
  const std::string line = std::string(80, 'x') + "\tb" + std::string(10, ' ') + "}\tv" + "\n";
  struct Split {
    bool last;
    char type;
    char marker;
  };
  for (const Split split : {Split{true, 'v', ' '}, Split{false, 'b', '}'}}) {
    test::TempReport file(line);
    RecordingSink sink;
    std::int32_t blocks = 0;
    ReadReportPages(file.get(), PageRules{.fontMode = 0, .splitAtLastTab = split.last, .reportFile = ""}, blocks, sink);
    EXPECT_EQ(PrintPage.text[79], split.type);
    EXPECT_EQ(PrintPage.markers[79], split.type);
    EXPECT_EQ(PrintPage.markers[10], split.marker) << split.last;
  }
}

TEST(PaginationRows, ShortRowsKeepTheirTabAsTextAndHaveNoMarkers) {
  test::TempReport file(std::string("ab\tcd\0e\tb{{\r\n", 12));
  RecordingSink sink;
  std::int32_t blocks = 0;
  ReadReportPages(file.get(), PageRules{}, blocks, sink);
  EXPECT_EQ(std::string(PrintPage.text.data(), 13), std::string("ab\tcd e\tb{{  ", 13));
  EXPECT_EQ(PrintPage.text[79], 'b');
  EXPECT_EQ(std::string(PrintPage.markers.data(), 79), std::string(79, ' '));
}

TEST(PaginationRows, LinesAcrossTheReadersPiecesAndOverlongLinesReadWhole) {
  // Pages of 60 rows of 90 bytes: about 65 KB, so that rows straddle the reader's pieces; one
  // overlong line in the middle reads as rows of 199 characters and its rest.
  std::string report;
  std::vector<std::string> expected;
  for (int page = 0; page < 13; ++page) {
    for (int r = 0; r < 60; ++r) report += row("P" + std::to_string(page) + "R" + std::to_string(r), r == 0 ? '1' : ' ');
    expected.push_back("new 60: P" + std::to_string(page) + "R0..P" + std::to_string(page) + "R59");
    if (page == 6) report += std::string(450, 'x') + "\r\n";
  }
  expected.back().replace(0, 3, "end");
  // The overlong line's first 199 characters are row 61; its later pieces go below the page.
  expected[6] = "new 61: P6R0.." + std::string(79, 'x');
  test::TempReport file(report);
  RecordingSink sink;
  std::int32_t blocks = 0;
  ASSERT_GT(report.size(), 64u * 1024);
  ASSERT_TRUE(ReadReportPages(file.get(), PageRules{}, blocks, sink));
  EXPECT_EQ(sink.pages, expected);
}

TEST(PaginationRows, StopsWhenTheSinkSaysSo) {
  struct StopAfterFirst final : PageSink {
    bool pageDone(PageEnd, std::int32_t) override { return ++pages < 1; }
    int pages = 0;
  } sink;
  test::TempReport file(row("A") + row("B", '1') + row("C", '1'));
  std::int32_t blocks = 0;
  EXPECT_FALSE(ReadReportPages(file.get(), PageRules{}, blocks, sink));
  EXPECT_EQ(sink.pages, 1);
}

TEST(ContainerReference, LongReportNamesStillFitAndTooLongOnesLoadNothing) {
  PageReference result{};
  EXPECT_TRUE(RewriteContainerReference("P.BFD 1 2 3 4", "D:ANEXCHANGERCASENAME.KVO", result));
  EXPECT_STREQ(result.data(), "ANEXCHANGERCASENAME.BFD 1 2 3 4");
  EXPECT_TRUE(RewriteContainerReference("P.BFD 1 2 3 4", std::string(90, 'N') + ".KVO", result));
  EXPECT_STREQ(result.data(), "");
  EXPECT_FALSE(RewriteContainerReference("P.WMF 1 2 3 4", "RUN.KVO", result));
  EXPECT_STREQ(result.data(), "P.WMF 1 2 3 4");
}

}  // namespace
}  // namespace kvom::report
