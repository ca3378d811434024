#include "report/page_drawing.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/windows/window.h"
#include "report/cell_drawing.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/screen.h"
#include "report/settings.h"

namespace kvom::report {

using platform::win::HDC;
using platform::win::HFONT;
using platform::win::HGDIOBJ;
using platform::win::HWND;
using platform::win::POINT;
using platform::win::SIZE;

namespace {

constexpr std::int32_t kColumns = kCellsPerRow;
constexpr std::int32_t kLastScanColumn = kColumns - 2;  // column 79; column 80 holds the row type
constexpr std::int32_t kRowTypeColumn = kColumns - 1;

// Font heights and weights of the page fonts.
constexpr int kTitleHeight = 105;
constexpr int kBodyHeight = 100;
constexpr int kHeavyWeight = 800;
constexpr int kNormalWeight = 400;

bool hasCells(const CellSize& cellSize) { return cellSize.width > 0 && cellSize.height > 0; }

// (n - 1) mod m for sheet positions, never negative.
std::int32_t positionIndex(std::int32_t position, std::int32_t modulus) {
  return ((position - 1) % modulus + modulus) % modulus;
}

// The width of a text in the context's current font: measured on the target, else on the
// measuring context in the target's font; false when neither can measure it.
bool measure(HDC dc, const char* text, int length, std::int32_t& width) {
  SIZE size{0, 0};
  if (GetTextExtentPoint32A(dc, text, length, &size)) {
    width = size.cx;
    return true;
  }
  const HDC measuring = GetPreviewDC();
  if (measuring == nullptr) return false;
  const HGDIOBJ font = GetCurrentObject(dc, platform::win::OBJ_FONT);
  const HGDIOBJ previous = font != nullptr ? SelectObject(measuring, font) : nullptr;
  const bool measured = GetTextExtentPoint32A(measuring, text, length, &size) != 0;
  if (previous != nullptr) SelectObject(measuring, previous);
  if (measured) width = size.cx;
  return measured;
}

// Selects objects into a context and puts back the one found first when it goes, so that every
// routine leaves the context's own font and pen selected.
class Selection {
 public:
  explicit Selection(HDC dc) : dc_(dc) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (original_ != nullptr) SelectObject(dc_, original_);
  }
  // Selecting the object this selection selected last changes nothing and is left out.
  void use(HGDIOBJ object) {
    if (object == nullptr || object == current_) return;
    const HGDIOBJ previous = SelectObject(dc_, object);
    if (previous == nullptr) return;
    if (original_ == nullptr) original_ = previous;
    current_ = object;
  }

 private:
  HDC dc_;
  HGDIOBJ original_ = nullptr;
  HGDIOBJ current_ = nullptr;
};

// Bytes that can be line characters or line cells: a blank, a letter or a digit never is, so the
// classifiers are asked only about these.
bool mayBeLine(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return c == '|' || c == '-' || c == '\0' || (byte >= 0xB3 && byte <= 0xDA);
}

// The OEM-to-ANSI conversion of the texts of one drawing, made once as a table of the 256 bytes;
// with the report language that draws the bytes as they are, the bytes stay.
class AnsiTable {
 public:
  AnsiTable() {
    for (std::size_t b = 0; b < bytes_.size(); ++b) bytes_[b] = static_cast<char>(b);
    if (GetLanguageNumber() != kDoubleByteLanguage) {
      OemToCharBuffA(bytes_.data() + 1, bytes_.data() + 1, static_cast<platform::win::DWORD>(bytes_.size() - 1));
    }
  }
  // The text converted in place.
  void convert(std::span<char> text) const {
    for (char& c : text) c = bytes_[static_cast<unsigned char>(c)];
  }

 private:
  std::array<char, 256> bytes_{};
};

// The width of the leader dot in the context's current font, measured once per font.
class DotWidths {
 public:
  std::int32_t of(HDC dc, const CellSize& cellSize) {
    const HGDIOBJ font = GetCurrentObject(dc, platform::win::OBJ_FONT);
    for (const auto& [known, width] : widths_) {
      if (known == font) return width;
    }
    std::int32_t dots = 0;
    if (!measure(dc, "....", 4, dots)) dots = 2 * cellSize.width;
    if (font != nullptr && count_ < widths_.size()) widths_[count_++] = {font, dots / 4};
    return dots / 4;
  }

 private:
  std::array<std::pair<HGDIOBJ, std::int32_t>, 4> widths_{};
  std::size_t count_ = 0;
};

// Draws a run of cells with its first leader stretched: DrawPageLeaders with the conversion and
// the dot widths of the drawing.
void drawLeaders(HDC dc, std::span<const char> cells, std::int32_t first, std::int32_t count, const CellSize& cellSize,
                 const AnsiTable& ansi, DotWidths& dotWidths);

// A solid black pen of width 1, selected for a scope; the context's own pen is selected again
// before the pen is deleted.
class BlackPen {
 public:
  explicit BlackPen(HDC dc) : dc_(dc), pen_(CreatePen(platform::win::PS_SOLID, 1, 0)) {
    if (pen_ != nullptr) previous_ = SelectObject(dc_, pen_);
  }
  BlackPen(const BlackPen&) = delete;
  BlackPen& operator=(const BlackPen&) = delete;
  ~BlackPen() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (pen_ != nullptr) DeleteObject(pen_);
  }

 private:
  HDC dc_;
  HGDIOBJ pen_;
  HGDIOBJ previous_ = nullptr;
};

// The description of a page font of the height and weight in the current print face.
platform::win::LOGFONTA pageFont(int height, int weight) {
  platform::win::LOGFONTA font{};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfCharSet = platform::win::ANSI_CHARSET;
  font.lfOutPrecision = platform::win::OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = platform::win::CLIP_DEFAULT_PRECIS;
  font.lfQuality = platform::win::PROOF_QUALITY;
  font.lfPitchAndFamily = platform::win::DEFAULT_PITCH;
  std::strncpy(font.lfFaceName, PageLayout.faceName.data(), platform::win::LF_FACESIZE - 1);
  return font;
}

void replaceFont(HFONT& font, int height, int weight) {
  if (font != nullptr) DeleteObject(font);
  const platform::win::LOGFONTA d = pageFont(height, weight);
  font = CreateFontA(d.lfHeight, d.lfWidth, d.lfEscapement, d.lfOrientation, d.lfWeight, d.lfItalic, d.lfUnderline,
                     d.lfStrikeOut, d.lfCharSet, d.lfOutPrecision, d.lfClipPrecision, d.lfQuality, d.lfPitchAndFamily,
                     PageLayout.faceName.data());
}

// The font of a row in font mode 0: the title font for a typed first row, the normal font for
// plain, rule and separator rows, the bold font for every other type.
HFONT rowFont(std::int32_t row, char type) {
  if (row == 0 && type != ' ') return PageLayout.titleFont;
  constexpr std::string_view kNormalTypes = " -/:;buv";
  return kNormalTypes.find(type) != std::string_view::npos ? PageLayout.normalFont : PageLayout.boldFont;
}

// One DrawPageText call: the work copy of the rows with line characters blanked, and the scan of
// each row into plain runs and aligned values.
class PageTextLayout {
 public:
  PageTextLayout(HDC dc, std::int32_t rows, const CellSize& cellSize)
      : dc_(dc), rows_(rows), cellSize_(cellSize), fonts_(dc) {
    const std::span<const char> text(PrintPage.text);
    for (std::int32_t k = 0; k < rows_ * kColumns; ++k) {
      lineCells_[k] = mayBeLine(text[k]) && IsLineChar(text, k) != 0;
      work_[k] = lineCells_[k] ? ' ' : text[k];
    }
  }

  void draw() {
    for (std::int32_t row = 0; row < rows_; ++row) {
      if (PageLayout.fontMode == kFontModeFixed) {
        const POINT at = CellToPagePoint(row * kColumns, cellSize_);
        TextOutA(dc_, at.x, at.y, work_.data() + row * kColumns, kColumns);
        continue;
      }
      fonts_.use(rowFont(row, PrintPage.text[row * kColumns + kRowTypeColumn]));
      scanRow(row);
    }
  }

 private:
  std::span<const char> work() const { return {work_.data(), static_cast<std::size_t>(rows_ * kColumns)}; }
  char w(std::int32_t k) const { return work_[k]; }

  void drawRun(std::int32_t cell, std::int32_t count) {
    if (count > 0) drawLeaders(dc_, work(), cell, count, cellSize_, ansi_, dotWidths_);
  }

  // A value converted for drawing.
  struct Drawn {
    std::array<char, kMaxCellValue> bytes;
    int length;
  };
  Drawn drawn(std::string_view value) const {
    Drawn text{};
    text.length = static_cast<int>(std::min(value.size(), text.bytes.size()));
    std::copy_n(value.data(), text.length, text.bytes.data());
    ansi_.convert({text.bytes.data(), static_cast<std::size_t>(text.length)});
    return text;
  }

  // A column of "=" signs in the drawn rows, one or two rows apart.
  bool equalSignAround(std::int32_t k) const {
    for (std::int32_t step : {80, 160, -80, -160}) {
      const std::int32_t other = k + step;
      if (other >= 0 && other < rows_ * kColumns && w(other) == '=') return true;
    }
    return false;
  }

  bool valueStandsAt(std::int32_t rowCell, std::int32_t column, std::string_view value) const {
    return column >= 0 && column + static_cast<std::int32_t>(value.size()) <= kColumns &&
           std::string_view(work_.data() + rowCell + column, value.size()) == value;
  }

  // The value of the marker cell, cut from the page text no lower than the lowest start.
  std::string_view extract(std::int32_t k, std::int32_t lowest) {
    ExtractAlignedValue(value_, std::span<const char>(PrintPage.text).first(kPageCells), PrintPage.markers, k, lowest);
    return {value_.data(), std::strlen(value_.data())};
  }

  std::int32_t valueWidth(const Drawn& text) const {
    std::int32_t width = 0;
    return measure(dc_, text.bytes.data(), text.length, width) ? width : text.length * cellSize_.width;
  }

  void scanRow(std::int32_t row) {
    const std::int32_t rowCell = row * kColumns;
    bool open = false;
    bool ending = false;
    std::int32_t start = 0;
    std::int32_t lowest = 0;
    const auto drawOpenRun = [&](std::int32_t count) {
      drawRun(rowCell + start, count);
      open = ending = false;
    };

    for (std::int32_t x = 0; x <= kLastScanColumn; ++x) {
      const std::int32_t k = rowCell + x;
      const char marker = PrintPage.markers[k];
      if (w(k) != ' ' && !open) {
        open = true;
        ending = false;
        start = x;
      }
      if (w(k) == ' ' && w(k + 1) == ' ') {
        if (open) ending = true;
        ++x;
      } else if (lineCells_[k]) {
        if (open) ending = true;
      } else if (marker == '{' && w(k) != ' ' && (x == 0 || w(k - 1) == ' ' || w(k - 1) == '=')) {
        // Left-aligned value: the page's own cells from the marker on, leader stretched.
        if (open && x > start) drawOpenRun(x - start);
        start = x;
        const auto n = static_cast<std::int32_t>(extract(k, rowCell + lowest).size());
        if (n > 0) {
          drawRun(k, n);
          open = ending = false;
          x += n - 1;
        }
        lowest = x + 1;
      } else if (marker == '}' || (w(k) == '=' && equalSignAround(k))) {
        // Right-aligned value: its right edge on the marker cell's right edge.
        const std::string_view value = extract(k, rowCell + lowest);
        const auto n = static_cast<std::int32_t>(value.size());
        if (open) drawOpenRun(x - start - n + 1);
        if (n > 0) {
          const Drawn text = drawn(value);
          const POINT at = CellToPagePoint(k, cellSize_);
          TextOutA(dc_, at.x + cellSize_.width - valueWidth(text), at.y, text.bytes.data(), text.length);
        }
        lowest = x + 1;
      } else if (marker == '~' && w(k) != ' ') {
        // Centred value: its middle on the marker cell's middle.
        const std::string_view value = extract(k, rowCell + lowest);
        const auto n = static_cast<std::int32_t>(value.size());
        std::int32_t t = 0;
        if (valueStandsAt(rowCell, x - n / 2, value)) {
          t = n / 2;
        } else if (valueStandsAt(rowCell, x - n / 2 - 1, value)) {
          t = n / 2 + 1;
        } else if (valueStandsAt(rowCell, x - n / 2 + 1, value)) {
          t = n / 2 - 1;
        }
        if (open) drawOpenRun(x - start - t);
        if (n > 0) {
          const Drawn text = drawn(value);
          const POINT at = CellToPagePoint(k, cellSize_);
          TextOutA(dc_, at.x - (valueWidth(text) - cellSize_.width) / 2, at.y, text.bytes.data(), text.length);
        }
        if (t < n) x += n - t - 1;
        lowest = x + 1;
      }

      if (open && !ending && x == kLastScanColumn) {
        ending = true;
        x = kLastScanColumn + 1;
      }
      if (open && ending) {
        drawOpenRun(x - start);
        lowest = x + 1;
      }
    }
  }

  HDC dc_;
  std::int32_t rows_;
  CellSize cellSize_;
  Selection fonts_;
  std::array<char, kPageCells> work_{};
  std::array<bool, kPageCells> lineCells_{};
  std::array<char, kMaxCellValue + 1> value_{};
  AnsiTable ansi_;
  DotWidths dotWidths_;
};

std::int32_t clampRows(std::int32_t rowCount) { return std::min(rowCount, kPageRows); }

PrintPageRecord emptyPage() {
  PrintPageRecord page{};
  page.text.fill(' ');
  page.markers.fill(' ');
  return page;
}

}  // namespace

PrintPageRecord PrintPage = emptyPage();

void ClearPrintPage() { PrintPage = emptyPage(); }

namespace {

// Whether the font is a live page font of the height and weight in the current print face, as
// replaceFont makes it. A kept font is known by its description, not by its handle value: the value
// of a deleted font can come back for another object.
bool isPageFont(HFONT font, int height, int weight) {
  platform::win::LOGFONTA made{};
  if (font == nullptr || GetObjectA(font, sizeof made, &made) != static_cast<int>(sizeof made)) return false;
  // What follows the face name's end is no part of the description.
  made.lfFaceName[platform::win::LF_FACESIZE - 1] = '\0';
  const std::size_t faceEnd = std::strlen(made.lfFaceName);
  std::fill(made.lfFaceName + faceEnd, made.lfFaceName + platform::win::LF_FACESIZE, '\0');
  const platform::win::LOGFONTA wanted = pageFont(height, weight);
  return std::memcmp(&made, &wanted, sizeof made) == 0;
}

// Makes the font anew unless it is still the page font of its kind.
void keepFont(HFONT& font, int height, int weight) {
  if (!isPageFont(font, height, weight)) replaceFont(font, height, weight);
}

// The cell size of the normal font on the context.
CellSize measureCells(HDC dc) {
  platform::win::TEXTMETRICA metrics{};
  {
    Selection selection(dc);
    selection.use(PageLayout.normalFont);
    if (!GetTextMetricsA(dc, &metrics)) metrics = {};
  }
  const double width = metrics.tmAveCharWidth;
  const double height = metrics.tmHeight;
  CellSize cellSize;
  if (PageLayout.pagesPerSheet == 4) {
    cellSize.width = static_cast<std::int32_t>(PageLayout.fontMode == kFontModeFixed ? 0.9 * width : width);
    cellSize.height = static_cast<std::int32_t>(height);
  } else if (PageLayout.fontMode == kFontModeProportional) {
    cellSize.width = static_cast<std::int32_t>(1.1 * width);
    cellSize.height = static_cast<std::int32_t>(1.1 * height);
  } else {
    cellSize.width = static_cast<std::int32_t>(0.9 * width);
    cellSize.height = static_cast<std::int32_t>(height);
  }
  return cellSize;
}

}  // namespace

CellSize CreatePrintFonts(HDC dc) {
  replaceFont(PageLayout.titleFont, kTitleHeight, kHeavyWeight);
  replaceFont(PageLayout.boldFont, kBodyHeight, kHeavyWeight);
  replaceFont(PageLayout.normalFont, kBodyHeight, kNormalWeight);
  return measureCells(dc);
}

CellSize KeepPrintFonts(HDC dc) {
  keepFont(PageLayout.titleFont, kTitleHeight, kHeavyWeight);
  keepFont(PageLayout.boldFont, kBodyHeight, kHeavyWeight);
  keepFont(PageLayout.normalFont, kBodyHeight, kNormalWeight);
  return measureCells(dc);
}

POINT CellToPagePoint(std::int32_t cell, const CellSize& cellSize) {
  return {(cell % kColumns) * cellSize.width + PageLayout.columnOffset * cellSize.width,
          (cell / kColumns) * cellSize.height + PageLayout.rowOffset * cellSize.height};
}

SIZE GetDeviceArea(HWND window, HDC dc) {
  if (PageLayout.deviceMode == kDeviceMetafile) return {kMetafilePageWidth, kMetafilePageHeight};
  if (PageLayout.deviceMode == kDevicePreview) {
    platform::win::RECT client{0, 0, 0, 0};
    if (!GetClientRect(window, &client)) return {0, 0};
    return {client.right - client.left, client.bottom - client.top};
  }
  return {GetDeviceCaps(dc, platform::win::HORZRES), GetDeviceCaps(dc, platform::win::VERTRES)};
}

// The cells a page takes on its part of a sheet. On sheets of 2 and 4 pages the cell origin moves
// each page right and down by a few cells, which leaves room between the pages and for the sheet
// frame; the part of the sheet then holds those cells too and as many again on the far side, so that
// no column or row of the page falls off the paper.
constexpr std::int32_t kSheetMarginColumns = 10;
constexpr std::int32_t kSheetMarginRows = 6;

SIZE pageWindow(const CellSize& cellSize) {
  const bool shared = PageLayout.pagesPerSheet == 2 || PageLayout.pagesPerSheet == 4;
  const std::int32_t columns = PageLayout.columns + (shared ? kSheetMarginColumns : 0);
  const std::int32_t rows = kPageRows + (shared ? kSheetMarginRows : 0);
  return {columns * cellSize.width, rows * cellSize.height};
}

void MapPageOnSheet(HWND window, HDC dc, const CellSize& cellSize, std::int32_t position) {
  if (PageLayout.deviceMode == kDeviceMetafile || !hasCells(cellSize)) return;
  const SIZE area = GetDeviceArea(window, dc);
  SetBkMode(dc, platform::win::TRANSPARENT);
  SetMapMode(dc, platform::win::MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  const SIZE page = pageWindow(cellSize);
  SetWindowExtEx(dc, page.cx, page.cy, nullptr);
  const std::int32_t halfWidth = area.cx / 2;
  const std::int32_t halfHeight = area.cy / 2;
  switch (PageLayout.pagesPerSheet) {
    case 2:
      SetViewportOrgEx(dc, positionIndex(position, 2) * halfWidth, 0, nullptr);
      SetViewportExtEx(dc, halfWidth, area.cy, nullptr);
      break;
    case 4:
      SetViewportOrgEx(dc, positionIndex(position, 2) * halfWidth, positionIndex(position, 4) / 2 * halfHeight,
                       nullptr);
      SetViewportExtEx(dc, halfWidth, halfHeight, nullptr);
      break;
    default:
      SetViewportOrgEx(dc, 0, 0, nullptr);
      SetViewportExtEx(dc, area.cx, area.cy, nullptr);
      break;
  }
}

void DrawSheetFrame(HWND window, HDC dc, std::int32_t pagesPerSheet) {
  if (pagesPerSheet != 2 && pagesPerSheet != 4) return;
  const SIZE area = GetDeviceArea(window, dc);
  if (area.cx <= 0 || area.cy <= 0 || PageLayout.columns <= 0) return;
  SetBkMode(dc, platform::win::TRANSPARENT);
  SetMapMode(dc, platform::win::MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, area.cx, area.cy, nullptr);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetViewportExtEx(dc, area.cx, area.cy, nullptr);
  const BlackPen pen(dc);

  // The frame starts 3 (5) half-cells in and ends 86 half-cells past the middle: its right edge
  // lies beyond the sheet.
  const double u = static_cast<double>(area.cx) / (2.0 * PageLayout.columns);
  const double v = static_cast<double>(area.cy) / (pagesPerSheet == 2 ? 62.0 : 124.0);
  const auto at = [](double value) { return static_cast<int>(value); };
  const int left = at((pagesPerSheet == 2 ? 3 : 5) * u);
  const int right = at((PageLayout.columns + 86) * u);
  const int top = at(2 * v);
  const int bottom = at((pagesPerSheet == 2 ? 61 : 122) * v);
  const int middle = at(PageLayout.columns * u);
  Rectangle(dc, left, top, right, bottom);
  drawLine(dc, middle, top, middle, bottom);
  if (pagesPerSheet == 4) drawLine(dc, left, area.cy / 2, right, area.cy / 2);
}

HDC GetPreviewDC() { return PageLayout.measuringContext; }

void DrawPageBody(HDC dc, std::int32_t rowCount, const CellSize& cellSize) {
  if (!hasCells(cellSize)) return;
  Selection font(dc);
  font.use(PageLayout.normalFont);
  const BlackPen pen(dc);
  DrawPageText(dc, rowCount, cellSize);
  DrawPageLines(dc, rowCount, cellSize);
}

void DrawPageText(HDC dc, std::int32_t rowCount, const CellSize& cellSize) {
  if (rowCount <= 0 || !hasCells(cellSize)) return;
  PageTextLayout(dc, clampRows(rowCount), cellSize).draw();
}

void DrawPageLeaders(HDC dc, std::span<const char> cells, std::int32_t first, std::int32_t count,
                     const CellSize& cellSize) {
  DotWidths dotWidths;
  drawLeaders(dc, cells, first, count, cellSize, AnsiTable(), dotWidths);
}

namespace {

void drawLeaders(HDC dc, std::span<const char> cells, std::int32_t first, std::int32_t count, const CellSize& cellSize,
                 const AnsiTable& ansi, DotWidths& dotWidths) {
  const auto size = static_cast<std::int32_t>(cells.size());
  if (first < 0 || first >= size) return;
  const std::int32_t n = std::min({count, size - first, kMaxLeaderText});
  if (n <= 0 || !hasCells(cellSize)) return;
  const char* text = cells.data() + first;

  // The first run of two or more dots, and the index of the character after it.
  std::int32_t after = -1;
  for (std::int32_t q = 0; q + 1 < n; ++q) {
    if (text[q] == '.' && text[q + 1] == '.') {
      after = q;
      while (after < n && text[after] == '.') ++after;
      break;
    }
  }
  std::array<char, kMaxLeaderText> line{};
  std::copy_n(text, n, line.begin());
  std::int32_t length = n;
  if (after >= 0) {
    const std::int32_t dot = dotWidths.of(dc, cellSize);
    std::int32_t before = 0;
    if (!measure(dc, text, after, before)) before = after * cellSize.width;
    const std::int32_t room = CellToPagePoint(first + after, cellSize).x - CellToPagePoint(first, cellSize).x - before;
    // The line holds no more than kMaxLeaderText characters: a longer leader is cut.
    const std::int32_t extra = dot > 0 ? std::min(room / dot, kMaxLeaderText - n) : 0;
    if (extra >= 1) {
      std::copy_backward(line.begin() + after, line.begin() + n, line.begin() + n + extra);
      std::fill_n(line.begin() + after, extra, '.');
      length = n + extra;
    }
  }
  ansi.convert({line.data(), static_cast<std::size_t>(length)});
  const POINT at = CellToPagePoint(first, cellSize);
  TextOutA(dc, at.x, at.y, line.data(), length);
}

}  // namespace

void DrawPageLines(HDC dc, std::int32_t rowCount, const CellSize& cellSize) {
  if (rowCount < 0 || !hasCells(cellSize)) return;
  const std::int32_t rows = clampRows(rowCount);
  const std::int32_t cw = cellSize.width;
  const std::int32_t ch = cellSize.height;
  // The row below the last drawn one is blank, so that a vertical line reaching it is closed.
  std::fill_n(PrintPage.text.begin() + rows * kColumns, kColumns, ' ');
  const std::span<const char> grid(PrintPage.text);

  for (std::int32_t row = 0; row < rows; ++row) {
    const std::int32_t rowCell = row * kColumns;
    const POINT rowPoint = CellToPagePoint(rowCell, cellSize);
    const char type = PrintPage.text[rowCell + kRowTypeColumn];
    if (type == 'u' || type == 'v') {
      const std::int32_t cells = type == 'u' ? 79 : 60;
      drawLine(dc, rowPoint.x, rowPoint.y + ch, rowPoint.x + cells * cw - cw / 2, rowPoint.y + ch);
    }
    LineRun run;
    for (std::int32_t cell = rowCell; cell < rowCell + kColumns; ++cell) {
      const std::int32_t result = mayBeLine(grid[cell]) ? ClassifyHorizontalLine(grid, cell) : kNoLine;
      if (!run.take(result, cell)) continue;
      const std::int32_t y = rowPoint.y + ch / 2;
      drawLine(dc, CellToPagePoint(run.first(), cellSize).x + (run.startInset() ? cw / 2 : 0), y,
               CellToPagePoint(run.after(), cellSize).x - (run.endInset() ? cw / 2 : 0), y);
    }
  }
  for (std::int32_t column = 0; column < kRowTypeColumn; ++column) {
    LineRun run;
    for (std::int32_t row = 0; row <= rows; ++row) {
      const std::int32_t cell = row * kColumns + column;
      const std::int32_t result = mayBeLine(grid[cell]) ? ClassifyVerticalLine(grid, cell) : kNoLine;
      if (!run.take(result, cell)) continue;
      const std::int32_t x = CellToPagePoint(cell, cellSize).x + cw / 2;
      drawLine(dc, x, CellToPagePoint(run.first(), cellSize).y + (run.startInset() ? ch / 2 : 0), x,
               CellToPagePoint(run.after(), cellSize).y - (run.endInset() ? ch / 2 : 0));
    }
  }
}

void DrawPagePictures(std::int32_t slot, HWND window, HDC dc, const CellSize& cellSize, std::int32_t position) {
  if (slot < 0 || static_cast<std::size_t>(slot) >= kMaxPictures || !hasCells(cellSize)) return;
  const PictureSlot& picture = PictureTable.slots[static_cast<std::size_t>(slot)];
  const POINT p1 = CellToPagePoint(picture.firstCell, cellSize);
  const POINT p2 = CellToPagePoint(picture.lastCell, cellSize);
  platform::win::RECT rect{p1.x, p1.y, p2.x, p2.y};
  if (PageLayout.deviceMode != kDeviceMetafile) {
    const SIZE area = GetDeviceArea(window, dc);
    const SIZE page = pageWindow(cellSize);
    double sx = static_cast<double>(area.cx) / static_cast<double>(page.cx);
    double sy = static_cast<double>(area.cy) / static_cast<double>(page.cy);
    double xOffset = 0;
    double yOffset = 0;
    if (PageLayout.pagesPerSheet == 2) {
      sx /= 2;
      if (positionIndex(position, 2) == 1) xOffset = area.cx / 2;
    } else if (PageLayout.pagesPerSheet == 4) {
      sx /= 2;
      sy /= 2;
      if (positionIndex(position, 2) == 1) xOffset = area.cx / 2;
      if (positionIndex(position, 4) >= 2) yOffset = area.cy / 2;
    }
    const auto scaled = [](std::int32_t value, double scale, double offset) {
      return static_cast<std::int32_t>(value * scale) + static_cast<std::int32_t>(offset);
    };
    rect = {scaled(p1.x, sx, xOffset), scaled(p1.y, sy, yOffset), scaled(p2.x, sx, xOffset), scaled(p2.y, sy, yOffset)};
  }
  PageLayout.PagePictureFlag = 1;
  DrawPicture(slot, window, dc, rect);
  PageLayout.PagePictureFlag = 0;
}

}  // namespace kvom::report
