#pragma once
// Drawing of a report page into a device context: a printer page, a preview window or a metafile,
// alone or as one of 2 or 4 pages on a sheet. A page is a grid of 62 rows by 80 cells (OEM code
// page) with a marker grid beside it and up to ten pictures. Its text is laid out in a proportional
// font (values aligned on their marker cells, dotted leaders stretched to reach their values), its
// box characters are drawn as lines and its pictures in their cell rectangles. Printing and preview
// fill PrintPage and call these routines; the page settings are those of PageLayout.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/export.h"
#include "platform/windows/gdi.h"
#include "platform/windows/types.h"
#include "report/aligned_values.h"

namespace kvom::report {

inline constexpr std::int32_t kPageRows = 62;
inline constexpr std::int32_t kPageCells = kPageRows * kCellsPerRow;  // 4960
inline constexpr std::size_t kPagePictures = 10;
inline constexpr std::size_t kPictureSpecSize = 30;  // a reference of at most 29 characters and its NUL
// The fixed area of a metafile page (device mode 2).
inline constexpr std::int32_t kMetafilePageWidth = 4320;
inline constexpr std::int32_t kMetafilePageHeight = 5750;

// The page being drawn. Column 80 (index 79) of a text row and of a marker row holds the row's
// type letter. The text has one row more than the page: the line drawing blanks the row below the
// last drawn row, so that a vertical line reaching it is closed.
struct PrintPageRecord {
  std::array<char, kPageCells + kCellsPerRow> text;
  std::array<char, kPageCells> markers;
  // Picture references "name column row column row", NUL-terminated, as LoadPicture reads them.
  std::array<std::array<char, kPictureSpecSize>, kPagePictures> pictureSpecs;
  // The page row of the row line that followed each reference.
  std::array<std::int32_t, kPagePictures> pictureRows;
  // The plot-container block of each ".BFD" picture.
  std::array<std::int32_t, kPagePictures> blockNumbers;
  std::int32_t pictureCount;  // 0 ... 10
};
KVOM_EXPORT extern PrintPageRecord PrintPage;

// Empties the page: text and markers blank, no pictures.
KVOM_EXPORT void ClearPrintPage();

// Width and height of one cell in the logical units of the page.
struct CellSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Makes the title, bold and normal fonts of the print face (replacing and deleting those made
// before) and gives the cell size from the normal font's metrics on the context: with 1 or 2
// pages per sheet 1.1 times the average width and height in font mode 0, else 0.9 times the width
// and the height; with 4 pages per sheet 0.9 times the width in font mode 1, else the width, and
// the height.
KVOM_EXPORT CellSize CreatePrintFonts(platform::win::HDC dc);
// The same, keeping each page font that is still the one CreatePrintFonts makes of the current
// face (known by its description); a font that is missing or another one is made anew.
KVOM_EXPORT CellSize KeepPrintFonts(platform::win::HDC dc);

// The top-left corner of a cell on the page, the cell origin of PageLayout included.
KVOM_EXPORT platform::win::POINT CellToPagePoint(std::int32_t cell, const CellSize& cellSize);

// The area a sheet fills, in device units: a printer's printable width and height (device mode
// 0), the window's client size (1), or the fixed metafile page (2).
KVOM_EXPORT platform::win::SIZE GetDeviceArea(platform::win::HWND window, platform::win::HDC dc);

// Maps the page (columns by 62 cells) onto its place on the sheet: the whole area with 1 page per
// sheet; the left or right half with 2 (position 1 left); a quarter with 4 (1 top left, 2 top
// right, 3 bottom left, 4 bottom right). Nothing on a metafile page or with no cell size.
KVOM_EXPORT void MapPageOnSheet(platform::win::HWND window, platform::win::HDC dc, const CellSize& cellSize,
                                std::int32_t position);

// Draws the frame of a sheet of 2 or 4 pages in device units; nothing for 1. The rectangle starts
// a few cells in from the left and reaches past the sheet's right edge, which is how the sheets
// have always looked.
KVOM_EXPORT void DrawSheetFrame(platform::win::HWND window, platform::win::HDC dc, std::int32_t pagesPerSheet);

// The context that measures text when the target cannot (set while preview copies a sheet), or
// null.
KVOM_EXPORT platform::win::HDC GetPreviewDC();

// Draws the first rowCount rows of PrintPage (at most 62): the text in the normal, bold and title
// fonts, then the lines with a black pen. The context's own font and pen are selected again at the
// end.
KVOM_EXPORT void DrawPageBody(platform::win::HDC dc, std::int32_t rowCount, const CellSize& cellSize);
// The text of the rows: values aligned on their markers and "=" columns, plain runs with their
// leaders stretched; in font mode 1 each row as it stands.
KVOM_EXPORT void DrawPageText(platform::win::HDC dc, std::int32_t rowCount, const CellSize& cellSize);
// Writes count cells of the grid from the first cell at that cell's point, in one piece, with its
// first dotted leader stretched so that the text after it starts at its own cell (at most 599
// characters with the inserted dots).
KVOM_EXPORT void DrawPageLeaders(platform::win::HDC dc, std::span<const char> cells, std::int32_t first,
                                 std::int32_t count, const CellSize& cellSize);
// The row rules of rows of type "u" and "v", and the box lines of the rows, with the current pen.
KVOM_EXPORT void DrawPageLines(platform::win::HDC dc, std::int32_t rowCount, const CellSize& cellSize);

// Draws the loaded picture of the picture-table slot into its cell rectangle on the page at sheet
// position n, with PagePictureFlag set while it draws.
KVOM_EXPORT void DrawPagePictures(std::int32_t slot, platform::win::HWND window, platform::win::HDC dc,
                                  const CellSize& cellSize, std::int32_t position);

}  // namespace kvom::report
