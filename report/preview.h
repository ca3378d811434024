#pragma once
// The print preview: a report file read once into a cache of pages, then drawn sheet by sheet into
// a window of the host program as printing would lay it out, or copied to the clipboard as a
// metafile picture.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/export.h"
#include "platform/windows/types.h"
#include "report/page_drawing.h"
#include "report/report_pages.h"

namespace kvom::report {

inline constexpr std::size_t kPreviewPages = 100;

// Metafile page of a clipboard copy: 80 cells of 187 by 62 rows of 322.
inline constexpr std::int32_t kMetafileCellWidth = 187;
inline constexpr std::int32_t kMetafileCellHeight = 322;
inline constexpr std::int32_t kMetafilePageExtentX = kCellsPerRow * kMetafileCellWidth;  // 14960
inline constexpr std::int32_t kMetafilePageExtentY = kPageRows * kMetafileCellHeight;    // 19964

// One cached page. Its block holds the rows' text (rowCount x 80), the rows' markers (rowCount x
// 80) and the picture references (pictureCount x 80), and stays locked while cached.
struct PreviewPage {
  std::int32_t rowCount = 0;  // 0: an empty page
  std::int32_t pictureCount = 0;
  std::array<std::int32_t, kPagePictures> blockNumbers{};
  std::array<std::int32_t, kPagePictures> pictureRows{};
  platform::win::HGLOBAL memory = nullptr;
  std::byte* contents = nullptr;
};

// Page 1 first. Sheet n (from 0) holds pages n x pages per sheet + 1 ... (n + 1) x pages per sheet.
KVOM_EXPORT extern std::array<PreviewPage, kPreviewPages> PageCache;

// Pages per sheet from the settings file, then PaginateReport; on success the preview window is the
// drawing device. 1 when at least one page was cached, else 0.
KVOM_EXPORT std::int32_t PreparePreview(platform::win::HWND window, std::int32_t unused, const char* reportFile);
// One page per sheet and no owner window: 0 on success, -1 on failure.
KVOM_EXPORT std::int32_t PrepareSinglePreview(const char* reportFile);
// Reads the report into PageCache, page 1 first, clearing what an earlier report left there; a
// page break fills the sheet up with empty pages. 1 when at least one page was cached, else 0 ("File
// not found" is shown when the report cannot be opened).
KVOM_EXPORT std::int32_t PaginateReport(platform::win::HWND owner, const char* reportFile);
// The sheets of the last pagination: (cached pages - 1) div pages per sheet + 1, 0 when none.
KVOM_EXPORT std::int32_t PreviewSheetCount();

// Replaces the page's memory with a copy of rowCount rows of text and markers and pictureCount
// references; 0 rows make an empty page. 1, or 0 with a message when memory runs out.
KVOM_EXPORT std::int32_t StorePreviewPage(PreviewPage& page, std::span<const char> text, std::span<const char> markers,
                                          std::span<const PageReference> references, std::int32_t rowCount,
                                          std::int32_t pictureCount, std::span<const std::int32_t> pictureRows,
                                          std::span<const std::int32_t> blockNumbers);

// Draws sheet n (from 0) into the window: white, framed by the current pen, its pages on it.
KVOM_EXPORT void DrawPreviewSheet(std::int32_t unused, platform::win::HWND window, std::int32_t sheet);
// Draws the cached pages of sheet n (from 0) into the context; empty pages are skipped.
KVOM_EXPORT void DrawSheetPages(platform::win::HDC dc, platform::win::HWND window, std::int32_t sheet);
// Draws the page in PrintPage as page n (from 1) of its sheet: the pictures, then the text over them.
KVOM_EXPORT void DrawPreviewPage(platform::win::HDC dc, platform::win::HWND window, std::int32_t page,
                                 std::int32_t rowCount);
// The page fonts and the cell size: those of printing (kept from page to page, a missing one made
// again on the next page), or on a metafile page fixed ones that fill its extent (at half size on a
// sheet of 4 pages, so that the sheet fits a metafile's 16-bit coordinates).
KVOM_EXPORT CellSize CreatePreviewFonts(platform::win::HDC dc);
// Puts sheet n (from 0) on the clipboard as a metafile picture (CF_METAFILEPICT): one page is
// 14960 x 19964 units, a sheet of 2 pages twice as wide, a sheet of 4 pages holds them at half size.
KVOM_EXPORT void CopySheetToClipboard(platform::win::HWND window, std::int32_t sheet);

}  // namespace kvom::report
