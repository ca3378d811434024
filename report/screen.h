#pragma once
// The character-cell screen: a window of 25 rows by 80 columns of cells that shows the report
// library's screen forms with proportional fonts. Rows 0 to 23 hold a form, row 24 is the status
// row; column 80 (index 79) of a form row carries the row's type and is never drawn as text. A cell
// number is row * 80 + column, both from 0. The host program creates the window, its fonts and its
// caret, hands the fonts and the client size in (SetScreenMetrics) and calls these routines from its
// message handling; they draw into ScreenWindow.

#include <array>
#include <cstdint>
#include <span>

#include "common/export.h"
#include "platform/windows/gdi.h"
#include "platform/windows/types.h"

namespace kvom::report {

inline constexpr std::int32_t kScreenRows = 25;
inline constexpr std::int32_t kScreenCells = 2000;
inline constexpr std::int32_t kFormCells = 1920;   // rows 0 to 23
inline constexpr std::int32_t kStatusCell = 1920;  // first cell of the status row
// Markers below this cell align values; rows 20 to 24 take none.
inline constexpr std::int32_t kMarkerCells = 1600;
// A cell value is drawn with at most this many characters, a stretch with its leader dots with at
// most kMaxLeaderText.
inline constexpr std::int32_t kMaxCellValue = 160;
inline constexpr std::int32_t kMaxLeaderText = 599;
// Value texts end each value with this byte.
inline constexpr char kValueEnd = '\x03';

// Attributes with a layout of their own; the row-rule letters of column 80.
inline constexpr std::int8_t kFieldAttribute = 5;
inline constexpr std::int8_t kStatusAttribute = 6;
inline constexpr std::int8_t kShadedRowAttribute = 7;
inline constexpr std::int8_t kRuleToEndAttribute = 'u';
inline constexpr std::int8_t kRuleToColumn60Attribute = 'v';

// The cells of the screen window (zero at load).
struct ScreenCellsRecord {
  std::array<char, kScreenCells> characters;            // OEM code page
  std::array<std::int8_t, kScreenCells> attributes;     // colour and kind; row-rule letter in column 80
  std::array<char, kScreenCells> markers;               // "{", "}", "~" or blank
  std::array<std::int32_t, kScreenCells> valueOffsets;  // offset in valueText, -1 for none
  std::array<char, kScreenCells> valueText;             // values each ended by 0x03, the whole by NUL
};
KVOM_EXPORT extern ScreenCellsRecord ScreenCells;

// A text colour and its background.
struct ColorPair {
  platform::win::COLORREF text;
  platform::win::COLORREF background;
};
// The status row's colours: white on dark blue (0, 0, 125) at load, then the system's caption
// colours.
KVOM_EXPORT extern ColorPair CaptionColors;

// Fonts and client size of the screen window, set by the host program (zero at load).
struct ScreenMetricsRecord {
  platform::win::HFONT fieldFont;
  platform::win::HFONT textFont;
  std::int32_t width;
  std::int32_t height;
};
KVOM_EXPORT void SetScreenMetrics(const ScreenMetricsRecord& metrics);

// Colours of an attribute.
KVOM_EXPORT void SelectCellColors(std::int32_t attribute, platform::win::COLORREF* background,
                                  platform::win::COLORREF* text);
// Reads the system's caption colours and makes the active pair (flag not 0) or the inactive pair
// the status row's.
KVOM_EXPORT void ReadCaptionColors(std::int32_t flag);
// Give the status row the active (inactive) caption colours last read and redraw it. Before any
// read the system's colours are read first.
KVOM_EXPORT void ActivateStatusLine();
KVOM_EXPORT void DeactivateStatusLine();

// Cell geometry. The grid starts half a cell right of the window's left edge; a cell's point is its
// top-left corner. A mouse point packs x into the low 32 bits and y into the high 32 bits.
KVOM_EXPORT void CellToPixel(std::int32_t cell, platform::win::POINT* point);
constexpr std::int64_t PackPoint(std::int32_t x, std::int32_t y) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) << 32 |
                                   static_cast<std::uint32_t>(x));
}
// The cell under a point of the client area. Returns false, and leaves the cell alone, before the
// metrics are set and for a point outside the window or below the grid; a point in the margins
// gives the nearest column of its row.
KVOM_EXPORT bool PixelToCell(std::int64_t packedPoint, std::int32_t* cell);

// Paints count cells from the first cell on (characters in the OEM code page), clipped to the
// grid; stores them into ScreenCells unless the whole screen is painted.
KVOM_EXPORT void PaintCells(platform::win::HDC hdc, const char* characters, const std::int8_t* attributes,
                            std::int32_t count, std::int32_t first);
// Paints cells on a context of ScreenWindow.
KVOM_EXPORT void DrawCellRun(const char* characters, const std::int8_t* attributes, std::int32_t count,
                             std::int32_t first);
// All 2000 cells of ScreenCells.
KVOM_EXPORT void PaintAllCells();
// The window's paint work: all cells, no lines and no pictures.
KVOM_EXPORT void PaintScreen();
// Writes count characters of text as one piece at the first cell's point, stretching its first
// dotted leader so that the text after it starts at its own cell.
KVOM_EXPORT void DrawLeaders(platform::win::HDC hdc, const char* text, std::int32_t first, std::int32_t count);
// The value of a cell into value (NUL-terminated, cut to the buffer and to 160 characters);
// returns its length.
KVOM_EXPORT std::int32_t GetCellValue(std::span<char> value, std::int32_t cell);
// Writes the text in the text font at a pixel of ScreenWindow, with the context's own colours.
KVOM_EXPORT void DrawTextAt(std::int32_t x, std::int32_t y, const char* text);

// Line classification of a cell of a grid of 80-cell rows: -1 a line starts here, 0 it runs
// through, 1 it ends here, -99 no line. Cells outside the grid count as blanks.
inline constexpr std::int32_t kLineStarts = -1;
inline constexpr std::int32_t kLineRuns = 0;
inline constexpr std::int32_t kLineEnds = 1;
inline constexpr std::int32_t kNoLine = -99;
KVOM_EXPORT std::int32_t ClassifyHorizontalLine(std::span<const char> grid, std::int32_t cell);
KVOM_EXPORT std::int32_t ClassifyVerticalLine(std::span<const char> grid, std::int32_t cell);
// Draws the box lines, row rules and field frames of the rows.
KVOM_EXPORT void DrawBoxLines(std::int32_t firstRow, std::int32_t rowCount);

// Draws every loaded picture into its cell rectangle.
KVOM_EXPORT void DrawScreenPictures();

// Copies rows 0 to 23 (1920 cells) into ScreenCells and repaints the screen.
KVOM_EXPORT void LoadScreen(const char* characters, const std::int8_t* attributes);
// Pictures, cells and lines; pictures last when they lie over the text.
KVOM_EXPORT void RepaintScreen();
KVOM_EXPORT void RedrawScreen();
// Draws one character with its attribute's colours, framed top and bottom, and stores it.
KVOM_EXPORT void PutCell(char character, std::int8_t attribute, std::int32_t cell);
// Clears the cells to the window background.
KVOM_EXPORT void InvalidateCells(std::int32_t first, std::int32_t count);
// Puts the caret at the top of the row below the cell.
KVOM_EXPORT void MoveCaretToCell(std::int32_t cell);

// The installation directory: the text before "XEQ\" of the module's file name (in upper case),
// else the environment variable "KVOM". 0 when found (cut to the buffer), -1 when neither gives
// one (the buffer is left alone).
KVOM_EXPORT std::int32_t FindInstallDir(platform::win::HINSTANCE module, std::span<char> directory);
// Copies the variable's value into the buffer (cut to it) when it is set; returns the length of
// the buffer's text. The two integers are not used.
KVOM_EXPORT std::int32_t GetEnvValue(const char* name, std::int32_t unused1, std::span<char> buffer,
                                     std::int32_t unused2);
// Cuts the line (at most 255 characters) at blanks into words 1 to 19 of the table (entry 0 is
// not used); count is the number of words + 1, or 0 for an empty line. The words stay valid until
// the next call.
using WordTable = std::array<const char*, 20>;
KVOM_EXPORT void SplitWords(const char* line, std::int32_t* count, WordTable& words);
// The case name and the file prefix of the run, cut to the buffers.
KVOM_EXPORT void GetCaseNames(std::span<char> caseName, std::span<char> filePrefix);
KVOM_EXPORT void SoundBeep();
// Ends the process with exit code 0.
KVOM_EXPORT void ExitProgram();
// A word the host program keeps here (0 at load).
KVOM_EXPORT std::int32_t SetScreenWord(std::int32_t word);
KVOM_EXPORT std::int32_t GetScreenWord();
// Called at the start of every form command; does nothing else.
KVOM_EXPORT std::int32_t ReportCommandHook();

// Entry points that do nothing, kept for programs that call them.
KVOM_EXPORT void ScreenIdle1();
KVOM_EXPORT void ScreenIdle2();
KVOM_EXPORT void ScreenIdle3();
KVOM_EXPORT void ScreenIdle4();
KVOM_EXPORT void ScreenIdleWithValue(std::int32_t value);
KVOM_EXPORT std::int32_t ScreenZero1();
KVOM_EXPORT std::int32_t ScreenZero2();

}  // namespace kvom::report
