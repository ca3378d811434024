#include "report/preview.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/windows/clipboard.h"
#include "platform/windows/files.h"
#include "platform/windows/gdi.h"
#include "platform/windows/memory.h"
#include "platform/windows/metafile.h"
#include "platform/windows/window.h"
#include "report/movable_block.h"
#include "report/page_layout.h"
#include "report/settings.h"

namespace kvom::report {

using platform::win::HDC;
using platform::win::HWND;

std::array<PreviewPage, kPreviewPages> PageCache{};

namespace {

// Pages of the last pagination.
std::int32_t cachedPages = 0;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

void freePage(PreviewPage& page) {
  if (page.memory != nullptr) {
    if (page.contents != nullptr) GlobalUnlock(page.memory);
    GlobalFree(page.memory);
  }
  page = PreviewPage{};
}

// Stores the pages that the reader completes; a page break fills its sheet up with empty pages.
class CacheSink final : public PageSink {
 public:
  bool pageDone(PageEnd end, std::int32_t rowCount) override {
    if (!store(rowCount)) return false;
    if (end == PageEnd::kPageBreak) {
      const std::int32_t perSheet = PageLayout.pagesPerSheet;
      if (perSheet == 2 || perSheet == 4) {
        for (std::int32_t left = (perSheet - cachedPages % perSheet) % perSheet; left > 0; --left) {
          if (!store(0)) return false;
        }
      }
    }
    return true;
  }

 private:
  // A full cache stops the reading as a failed store does.
  static bool store(std::int32_t rowCount) {
    if (static_cast<std::size_t>(cachedPages) >= PageCache.size()) return false;
    const auto rows = static_cast<std::size_t>(rowCount) * kCellsPerRow;
    const auto pictures = static_cast<std::size_t>(PrintPage.pictureCount);
    if (StorePreviewPage(PageCache[static_cast<std::size_t>(cachedPages)], std::span(PrintPage.text).first(rows),
                         std::span(PrintPage.markers).first(rows), std::span(PageReferences).first(pictures), rowCount,
                         PrintPage.pictureCount, PrintPage.pictureRows, PrintPage.blockNumbers) == 0) {
      return false;
    }
    ++cachedPages;
    return true;
  }
};

// Loads the cached page into PrintPage and PageReferences.
void loadPage(const PreviewPage& page) {
  ClearPageBuffers();
  const auto rows = static_cast<std::size_t>(page.rowCount) * kCellsPerRow;
  const auto pictures = static_cast<std::size_t>(page.pictureCount);
  const std::byte* source = page.contents;
  std::memcpy(PrintPage.text.data(), source, rows);
  std::memcpy(PrintPage.markers.data(), source + rows, rows);
  std::memcpy(PageReferences.data(), source + 2 * rows, pictures * kPageReferenceSize);
  PrintPage.pictureCount = page.pictureCount;
  PrintPage.pictureRows = page.pictureRows;
  PrintPage.blockNumbers = page.blockNumbers;
}

void replaceFont(platform::win::HFONT& font, int height, int weight) {
  if (font != nullptr) DeleteObject(font);
  font = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, platform::win::ANSI_CHARSET, platform::win::OUT_DEFAULT_PRECIS,
                     platform::win::CLIP_DEFAULT_PRECIS, platform::win::PROOF_QUALITY, platform::win::DEFAULT_PITCH,
                     "Arial");
}

// Columns and rows of pages on a sheet.
std::int32_t sheetColumns() { return PageLayout.pagesPerSheet >= 2 ? 2 : 1; }
std::int32_t sheetRows() { return PageLayout.pagesPerSheet == 4 ? 2 : 1; }

// A metafile holds 16-bit coordinates: four pages of full size do not fit on one sheet, so pages
// of a 4-page sheet are drawn at half size and the sheet keeps the extent of one page.
std::int32_t metafileScale() { return PageLayout.pagesPerSheet == 4 ? 2 : 1; }
std::int32_t metafilePageWidth() { return kMetafilePageExtentX / metafileScale(); }
std::int32_t metafilePageHeight() { return kMetafilePageExtentY / metafileScale(); }

}  // namespace

std::int32_t PreparePreview(HWND window, std::int32_t /*unused*/, const char* reportFile) {
  PageLayout.pagesPerSheet = ReadPagesPerSheet();
  const std::int32_t result = PaginateReport(window, reportFile);
  if (result != 0) PageLayout.deviceMode = kDevicePreview;
  return result;
}

std::int32_t PrepareSinglePreview(const char* reportFile) {
  PageLayout.pagesPerSheet = 1;
  if (PaginateReport(nullptr, reportFile) == 0) return -1;
  PageLayout.deviceMode = kDevicePreview;
  return 0;
}

std::int32_t PaginateReport(HWND owner, const char* reportFile) {
  FileHandle file(reportFile != nullptr ? platform::crt::openFile(reportFile, "r") : nullptr);
  if (!file) {
    MessageBoxA(owner, "File not found", "Error", platform::win::MB_ICONSTOP);
    return 0;
  }
  // Pages an earlier, longer report left behind would show as its sheets: they go first.
  for (PreviewPage& page : PageCache) freePage(page);
  cachedPages = 0;

  std::int32_t blockCounter = 0;
  const PageRules rules{.fontMode = kFontModeProportional, .splitAtLastTab = false, .reportFile = reportFile};
  CacheSink sink;
  ReadReportPages(file.get(), rules, blockCounter, sink);
  return cachedPages > 0 ? 1 : 0;
}

std::int32_t PreviewSheetCount() {
  const std::int32_t perSheet = std::max(PageLayout.pagesPerSheet, 1);
  return cachedPages > 0 ? (cachedPages - 1) / perSheet + 1 : 0;
}

std::int32_t StorePreviewPage(PreviewPage& page, std::span<const char> text, std::span<const char> markers,
                              std::span<const PageReference> references, std::int32_t rowCount,
                              std::int32_t pictureCount, std::span<const std::int32_t> pictureRows,
                              std::span<const std::int32_t> blockNumbers) {
  freePage(page);
  page.rowCount = rowCount;
  if (rowCount <= 0) return 1;

  const auto rows = static_cast<std::size_t>(rowCount) * kCellsPerRow;
  const auto pictures = static_cast<std::size_t>(std::clamp(pictureCount, 0, std::int32_t{kPagePictures}));
  MovableBlock block = MovableBlock::allocate(2 * rows + pictures * kPageReferenceSize);
  auto* contents = block ? static_cast<std::byte*>(GlobalLock(block.get())) : nullptr;
  if (contents == nullptr) {
    MessageBoxA(nullptr, "Not enough memory to alloacte", "Error", platform::win::MB_ICONSTOP);
    page.rowCount = 0;
    return 0;
  }
  page.pictureCount = static_cast<std::int32_t>(pictures);
  std::copy_n(pictureRows.begin(), std::min(pictureRows.size(), kPagePictures), page.pictureRows.begin());
  std::copy_n(blockNumbers.begin(), std::min(blockNumbers.size(), kPagePictures), page.blockNumbers.begin());
  std::memcpy(contents, text.data(), std::min(rows, text.size()));
  std::memcpy(contents + rows, markers.data(), std::min(rows, markers.size()));
  std::memcpy(contents + 2 * rows, references.data(), std::min(pictures, references.size()) * kPageReferenceSize);
  page.memory = block.release();
  page.contents = contents;
  return 1;
}

void DrawPreviewSheet(std::int32_t /*unused*/, HWND window, std::int32_t sheet) {
  HDC dc = GetDC(window);
  if (dc == nullptr) return;
  platform::win::RECT client{};
  GetClientRect(window, &client);
  platform::win::HRGN clip = CreateRectRgn(client.left, client.top, client.right, client.bottom);
  SelectClipRgn(dc, clip);
  FillRect(dc, &client, static_cast<platform::win::HBRUSH>(GetStockObject(platform::win::WHITE_BRUSH)));
  Rectangle(dc, client.left, client.top, client.right, client.bottom);
  DrawSheetPages(dc, window, sheet);
  SelectClipRgn(dc, nullptr);
  if (clip != nullptr) DeleteObject(clip);
  ReleaseDC(window, dc);
}

void DrawSheetPages(HDC dc, HWND window, std::int32_t sheet) {
  const std::int32_t perSheet = std::max(PageLayout.pagesPerSheet, 1);
  for (std::int32_t k = 0; k < perSheet; ++k) {
    const std::int64_t index = std::int64_t{sheet} * perSheet + k;
    if (index < 0 || index >= static_cast<std::int64_t>(PageCache.size())) continue;
    const PreviewPage& page = PageCache[static_cast<std::size_t>(index)];
    if (page.rowCount <= 0 || page.contents == nullptr) continue;
    loadPage(page);
    DrawPreviewPage(dc, window, static_cast<std::int32_t>(index) + 1, page.rowCount);
  }
}

void DrawPreviewPage(HDC dc, HWND window, std::int32_t page, std::int32_t rowCount) {
  const CellSize cellSize = CreatePreviewFonts(dc);
  if (PageLayout.deviceMode == kDeviceMetafile) {
    // A metafile page is the whole extent of one page; the sheet's pages lie side by side.
    PageLayout.columnOffset = 0;
    PageLayout.rowOffset = 0;
    const std::int32_t position = (page - 1) % std::max(PageLayout.pagesPerSheet, 1);
    SetWindowOrgEx(dc, -(position % sheetColumns()) * metafilePageWidth(),
                   -(position / sheetColumns()) * metafilePageHeight(), nullptr);
  } else {
    PlacePageOnSheet(window, dc, page, 6, 8);
  }
  // Pictures first, so that the text lies over them.
  DrawPagePictureList(window, dc, cellSize, page, rowCount);
  MapPageOnSheet(window, dc, cellSize, page);
  DrawPageBody(dc, rowCount, cellSize);
}

CellSize CreatePreviewFonts(HDC dc) {
  // The fonts of printing serve every page of the preview; a page measures its cells and makes
  // again only a font that is missing or no longer the print face's.
  if (PageLayout.deviceMode != kDeviceMetafile) return KeepPrintFonts(dc);
  const std::int32_t scale = metafileScale();
  replaceFont(PageLayout.titleFont, 312 / scale, 800);
  replaceFont(PageLayout.boldFont, 260 / scale, 800);
  replaceFont(PageLayout.normalFont, 260 / scale, 400);
  return CellSize{kMetafileCellWidth / scale, kMetafileCellHeight / scale};
}

void CopySheetToClipboard(HWND window, std::int32_t sheet) {
  // The screen measures the text, mapped as the metafile page will be shown.
  HDC screen = GetDC(nullptr);
  if (screen != nullptr) {
    SetMapMode(screen, platform::win::MM_ANISOTROPIC);
    SetViewportOrgEx(screen, 0, 0, nullptr);
    SetViewportExtEx(screen, 920, 1140, nullptr);
    SetWindowOrgEx(screen, 0, 0, nullptr);
    SetWindowExtEx(screen, kMetafilePageExtentX, kMetafilePageExtentY, nullptr);
  }
  PageLayout.measuringContext = screen;

  // The sheet is drawn on fixed metafile pages, whose fonts and cells fill the picture's extent.
  const std::int32_t deviceMode = PageLayout.deviceMode;
  PageLayout.deviceMode = kDeviceMetafile;
  const std::int32_t extentX = sheetColumns() * metafilePageWidth();
  const std::int32_t extentY = sheetRows() * metafilePageHeight();
  platform::win::HMETAFILE metafile = nullptr;
  if (HDC recorder = CreateMetaFileA(nullptr); recorder != nullptr) {
    SetWindowOrgEx(recorder, 0, 0, nullptr);
    SetWindowExtEx(recorder, extentX, extentY, nullptr);
    DrawSheetPages(recorder, window, sheet);
    metafile = CloseMetaFile(recorder);
  }
  PageLayout.deviceMode = deviceMode;

  if (metafile != nullptr) {
    MovableBlock block = MovableBlock::allocate(sizeof(platform::win::METAFILEPICT));
    platform::win::HMETAFILE copy = block ? CopyMetaFileA(metafile, nullptr) : nullptr;
    bool handedOver = false;
    if (copy != nullptr) {
      {
        BlockLock lock(block.get());
        if (lock.locked()) {
          const platform::win::METAFILEPICT picture{platform::win::MM_ANISOTROPIC, extentX, extentY, copy};
          std::memcpy(lock.bytes().data(), &picture, sizeof picture);
        }
      }
      if (OpenClipboard(window)) {
        EmptyClipboard();
        handedOver = SetClipboardData(platform::win::CF_METAFILEPICT, block.get()) != nullptr;
        CloseClipboard();
      }
      // The clipboard owns the block and its metafile once it has taken them.
      if (handedOver) {
        block.release();
      } else {
        DeleteMetaFile(copy);
      }
    }
    DeleteMetaFile(metafile);
  }

  if (screen != nullptr) ReleaseDC(nullptr, screen);
  PageLayout.measuringContext = nullptr;
}

}  // namespace kvom::report
