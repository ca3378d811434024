#include "report/preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windows/clipboard.h"
#include "platform/windows/gdi.h"
#include "platform/windows/memory.h"
#include "platform/windows/metafile.h"
#include "platform/windows/profile.h"
#include "report/page_layout.h"
#include "report/settings.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/report/report_lines.h"
#include "tests/support/picture_fixture.h"

namespace kvom::report {
namespace {

namespace gdi = standins::gdi;
using test::row;

class PreviewTest : public test::PictureFixture {
 protected:
  void SetUp() override {
    PictureFixture::SetUp();
    PageLayout = {};
    SetLanguageFromLetter("E");
  }
  void TearDown() override {
    // The cache keeps its pages until they are replaced; the fonts until the next job.
    for (PreviewPage& page : PageCache) StorePreviewPage(page, {}, {}, {}, 0, 0, {}, {});
    for (platform::win::HFONT* font : {&PageLayout.titleFont, &PageLayout.boldFont, &PageLayout.normalFont}) {
      if (*font != nullptr) DeleteObject(*font);
      *font = nullptr;
    }
    if (window != nullptr) gdi::destroyWindow(window);
    PictureFixture::TearDown();
  }

  std::string writeReport(const std::string& content) {
    const auto path = currentDir() / "RUN.KVO";
    std::ofstream(path, std::ios::binary) << content;
    return windowsPathOf(currentDir()) + "RUN.KVO";
  }
  static void setPagesPerSheet(const char* value) {
    WritePrivateProfileStringA("Print Format", "Output", value, kSettingsFile);
  }
  static std::vector<std::int32_t> cachedRows() {
    std::vector<std::int32_t> rows;
    for (const PreviewPage& page : PageCache) {
      if (page.rowCount == 0 && page.memory == nullptr && &page - PageCache.data() >= 8) break;
      rows.push_back(page.rowCount);
    }
    while (!rows.empty() && rows.back() == 0) rows.pop_back();
    return rows;
  }
  // Texts drawn into the window, in order.
  std::vector<std::string> drawnTexts() const {
    std::vector<std::string> texts;
    for (const gdi::DisplayEntry& entry : gdi::windowDisplayList(window)) {
      if (entry.text.empty()) continue;
      texts.push_back(entry.text.substr(0, entry.text.find_last_not_of(' ') + 1));
    }
    return texts;
  }

  platform::win::HWND window = nullptr;
};

TEST_F(PreviewTest, PageBreaksFillTheSheetWithEmptyPages) {
  struct Case {
    const char* pagesPerSheet;
    std::vector<std::int32_t> rows;
    std::int32_t sheets;
  };
  // Pages of 1, 2 and 3 rows, a page break, then a page of 1 row started by type "1" and one of 2.
  const std::string report = row("A") + row("B", '1') + row("C") + row("D", '1') + row("E") + row("F") +
                             "[Page break]\n" + row("G") + row("H", '1') + row("I");
  for (const Case& c : {Case{"1 per 1", {1, 2, 3, 1, 2}, 5}, Case{"2 per 1", {1, 2, 3, 0, 1, 2}, 3},
                        Case{"4 per 1", {1, 2, 3, 0, 1, 2}, 2}}) {
    setPagesPerSheet(c.pagesPerSheet);
    EXPECT_EQ(PreparePreview(nullptr, 0, writeReport(report).c_str()), 1);
    EXPECT_EQ(cachedRows(), c.rows) << c.pagesPerSheet;
    EXPECT_EQ(PreviewSheetCount(), c.sheets) << c.pagesPerSheet;
    EXPECT_EQ(PageLayout.deviceMode, kDevicePreview);
  }
}

TEST_F(PreviewTest, ALongerEarlierReportLeavesNothingBehind) {
  ASSERT_EQ(PrepareSinglePreview(writeReport(row("A") + row("B", '1') + row("C", '1')).c_str()), 0);
  ASSERT_EQ(PrepareSinglePreview(writeReport(row("X")).c_str()), 0);
  EXPECT_EQ(cachedRows(), std::vector<std::int32_t>{1});
  EXPECT_EQ(PreviewSheetCount(), 1);
}

TEST_F(PreviewTest, FailuresAreToldAndKeepWhatWasCached) {
  ASSERT_EQ(PrepareSinglePreview(writeReport(row("A") + row("B", '1')).c_str()), 0);

  // A report that cannot be opened caches nothing anew.
  EXPECT_EQ(PrepareSinglePreview((windowsPathOf(currentDir()) + "NONE.KVO").c_str()), -1);
  EXPECT_EQ(cachedRows(), (std::vector<std::int32_t>{1, 1}));
  ASSERT_EQ(gdi::messageBoxes().size(), 1u);
  EXPECT_EQ(gdi::messageBoxes()[0].text, "File not found");

  // Memory for the second page runs out: the first one stays and is shown.
  standins::windows::failOperation("GlobalAlloc", 1, 1);
  EXPECT_EQ(PaginateReport(nullptr, writeReport(row("A") + row("B", '1') + row("C", '1')).c_str()), 1);
  EXPECT_EQ(cachedRows(), std::vector<std::int32_t>{1});
  EXPECT_EQ(gdi::messageBoxes().back().text, "Not enough memory to alloacte");
  EXPECT_EQ(gdi::messageBoxes().back().caption, "Error");

  // An empty report has no page.
  EXPECT_EQ(PaginateReport(nullptr, writeReport("").c_str()), 0);
}

TEST_F(PreviewTest, TheCacheHoldsAHundredPages) {
  std::string report;
  for (int k = 0; k < 130; ++k) report += row("P" + std::to_string(k), '1');
  EXPECT_EQ(PrepareSinglePreview(writeReport(report).c_str()), 0);
  EXPECT_EQ(PreviewSheetCount(), 100);
  EXPECT_EQ(PageCache[99].rowCount, 1);
}

TEST_F(PreviewTest, SheetsShowTheirPagesOnly) {
  setPagesPerSheet("4 per 1");
  std::string report;
  for (int k = 1; k <= 5; ++k) report += row("Page" + std::to_string(k), '1');
  ASSERT_EQ(PreparePreview(nullptr, 0, writeReport(report).c_str()), 1);
  window = gdi::createWindow(800, 1000);

  DrawPreviewSheet(0, window, 0);
  EXPECT_EQ(drawnTexts(), (std::vector<std::string>{"Page1", "Page2", "Page3", "Page4"}));
  gdi::clearWindowDisplayList(window);
  DrawPreviewSheet(0, window, 1);
  EXPECT_EQ(drawnTexts(), std::vector<std::string>{"Page5"});
  gdi::clearWindowDisplayList(window);
  DrawPreviewSheet(0, window, 7);  // beyond the report: an empty sheet
  EXPECT_TRUE(drawnTexts().empty());
  EXPECT_EQ(gdi::openWindowContexts(), 0);
}

TEST_F(PreviewTest, PagesKeepThePageFontsTheFirstPageMade) {
  setPagesPerSheet("2 per 1");
  std::string report;
  for (int k = 1; k <= 6; ++k) report += row("Page" + std::to_string(k), '1');
  ASSERT_EQ(PreparePreview(nullptr, 0, writeReport(report).c_str()), 1);
  window = gdi::createWindow(800, 600);
  gdi::clearCallLog();
  for (int sheet = 0; sheet < 3; ++sheet) DrawPreviewSheet(0, window, sheet);

  const auto& log = gdi::callLog();
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& e) { return e.starts_with("CreateFontA"); }),
            3);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Font), 3);
  EXPECT_EQ(drawnTexts(), (std::vector<std::string>{"Page1", "Page2", "Page3", "Page4", "Page5", "Page6"}));
}

TEST_F(PreviewTest, AFontThatCouldNotBeMadeIsMadeOnTheNextPage) {
  std::string report;
  for (int k = 1; k <= 3; ++k) report += row("Page" + std::to_string(k), '1');
  ASSERT_EQ(PrepareSinglePreview(writeReport(report).c_str()), 0);
  window = gdi::createWindow(800, 600);
  // The heights and weights the titles were drawn in, by page text.
  const auto titleFonts = [this] {
    std::vector<std::string> fonts;
    for (const gdi::DisplayEntry& entry : gdi::windowDisplayList(window)) {
      if (!entry.text.starts_with("Page")) continue;
      fonts.push_back(entry.text.substr(0, 5) + " " + std::to_string(entry.font.description.lfHeight) + "/" +
                      std::to_string(entry.font.description.lfWeight));
    }
    return fonts;
  };
  const auto drawSheets = [&] {
    gdi::clearWindowDisplayList(window);
    for (int sheet = 0; sheet < 3; ++sheet) DrawPreviewSheet(0, window, sheet);
    return titleFonts();
  };

  // The first page's title font cannot be made; its title falls back to another font.
  gdi::failOperation("CreateFontA", 0, 1);
  const std::vector<std::string> first = drawSheets();
  ASSERT_EQ(first.size(), 3u);
  EXPECT_NE(first[0], "Page1 105/800");
  EXPECT_EQ(first[1], "Page2 105/800");
  EXPECT_EQ(first[2], "Page3 105/800");

  // A later preview, after a sheet was copied in the fonts of a metafile page.
  CopySheetToClipboard(window, 1);
  EXPECT_EQ(drawSheets(), (std::vector<std::string>{"Page1 105/800", "Page2 105/800", "Page3 105/800"}));
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Font), 3);
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
}

TEST_F(PreviewTest, TheLeftPageOfATwoPageSheetStartsSixCellsIn) {
  setPagesPerSheet("2 per 1");
  ASSERT_EQ(PreparePreview(nullptr, 0, writeReport(row("Left") + row("Right", '1')).c_str()), 1);
  window = gdi::createWindow(800, 1000);
  DrawPreviewSheet(0, window, 0);
  std::vector<int> x;
  for (const gdi::DisplayEntry& entry : gdi::windowDisplayList(window)) {
    if (!entry.text.empty()) x.push_back(entry.points.at(0).x);
  }
  // Each half is 400 pixels wide and holds 90 cells (the page's 80 and its margins); the right page
  // starts 4 cells in.
  ASSERT_EQ(x.size(), 2u);
  EXPECT_NEAR(x[0], 6 * 400 / 90, 1);
  EXPECT_NEAR(x[1], 400 + 4 * 400 / 90, 1);
}

TEST_F(PreviewTest, CopiesASheetToTheClipboardAsAMetafilePicture) {
  ASSERT_EQ(PrepareSinglePreview(writeReport(row("Heat exchanger") + row("Duty ..... 12", 'b')).c_str()), 0);
  window = gdi::createWindow(800, 1000);
  CopySheetToClipboard(window, 0);

  ASSERT_EQ(gdi::clipboardFormats(), std::vector<platform::win::UINT>{platform::win::CF_METAFILEPICT});
  auto block = static_cast<platform::win::HGLOBAL>(gdi::clipboardData(platform::win::CF_METAFILEPICT));
  auto* picture = static_cast<platform::win::METAFILEPICT*>(GlobalLock(block));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->mm, platform::win::MM_ANISOTROPIC);
  EXPECT_EQ(picture->xExt, 14960);
  EXPECT_EQ(picture->yExt, 19964);
  // The picture plays the page's text into any context.
  {
    platform::win::HDC dc = gdi::createPageContext(1496, 1996, 100);
    EXPECT_TRUE(PlayMetaFile(dc, picture->hMF));
    std::string texts;
    for (const gdi::DisplayEntry& entry : gdi::displayList(dc)) texts += entry.text + "|";
    EXPECT_NE(texts.find("Heat exchanger"), std::string::npos) << texts;
    DeleteDC(dc);
  }
  GlobalUnlock(block);
  EXPECT_EQ(PageLayout.measuringContext, nullptr);
  EXPECT_EQ(PageLayout.deviceMode, kDevicePreview);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Metafile), 1);  // the clipboard's copy

  // A clipboard another window holds is left as it was, and nothing is left alive.
  gdi::holdClipboard(reinterpret_cast<platform::win::HWND>(1));
  CopySheetToClipboard(window, 0);
  gdi::releaseClipboard();
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Metafile), 1);
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
}

TEST_F(PreviewTest, ClipboardSheetsOfSeveralPagesKeepTheirPagesInPlace) {
  struct Case {
    const char* pagesPerSheet;
    int extentX;
    int extentY;
  };
  // Four pages of full size would pass the 16-bit coordinates of a metafile: they are halved.
  for (const Case c : {Case{"2 per 1", 29920, 19964}, Case{"4 per 1", 14960, 19964}}) {
    setPagesPerSheet(c.pagesPerSheet);
    std::string report;
    for (int k = 1; k <= 4; ++k) report += row("Page" + std::to_string(k), '1') + row("") + row("") + row("end");
    ASSERT_EQ(PreparePreview(nullptr, 0, writeReport(report).c_str()), 1);
    window = gdi::createWindow(800, 1000);
    CopySheetToClipboard(window, 0);
    gdi::destroyWindow(window);
    window = nullptr;

    auto block = static_cast<platform::win::HGLOBAL>(gdi::clipboardData(platform::win::CF_METAFILEPICT));
    auto* picture = static_cast<platform::win::METAFILEPICT*>(GlobalLock(block));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->xExt, c.extentX) << c.pagesPerSheet;
    EXPECT_EQ(picture->yExt, c.extentY) << c.pagesPerSheet;
    // Played at one device unit per 10 logical units, each page's first row lies in its own part.
    platform::win::HDC dc = gdi::createPageContext(c.extentX / 10, c.extentY / 10, 100);
    SetMapMode(dc, platform::win::MM_ANISOTROPIC);
    SetWindowExtEx(dc, c.extentX, c.extentY, nullptr);
    SetViewportExtEx(dc, c.extentX / 10, c.extentY / 10, nullptr);
    PlayMetaFile(dc, picture->hMF);
    GlobalUnlock(block);
    const int perSheet = c.pagesPerSheet[0] - '0';
    for (const gdi::DisplayEntry& entry : gdi::displayList(dc)) {
      if (!entry.text.starts_with("Page")) continue;
      const int position = entry.text[4] - '1';
      const int left = position % 2 * c.extentX / 20;
      const int top = position / 2 * c.extentY / 20;
      EXPECT_GE(entry.points.at(0).x, left) << entry.text;
      EXPECT_LT(entry.points.at(0).x, left + c.extentX / 20) << entry.text;
      EXPECT_GE(entry.points.at(0).y, top) << entry.text;
      EXPECT_LT(entry.points.at(0).y, top + (perSheet == 4 ? c.extentY / 20 : c.extentY / 10)) << entry.text;
    }
    DeleteDC(dc);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
  }
}

}  // namespace
}  // namespace kvom::report
