#include "report/screen.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "platform/windows/process.h"
#include "platform/windows/window.h"
#include "report/aligned_values.h"
#include "report/cell_drawing.h"
#include "report/pictures.h"
#include "report/report_hooks.h"
#include "report/settings.h"

namespace kvom::report {

using platform::win::COLORREF;
using platform::win::HDC;
using platform::win::HFONT;
using platform::win::HWND;
using platform::win::POINT;
using platform::win::RGB;

ScreenCellsRecord ScreenCells{};
ColorPair CaptionColors{RGB(255, 255, 255), RGB(0, 0, 125)};

namespace {

constexpr std::int32_t kRows = kScreenRows;
constexpr std::int32_t kColumns = kCellsPerRow;
constexpr std::int32_t kRowTypeColumn = kColumns - 1;
// The status row: 64 characters from its first cell, 15 more from column 64.
constexpr std::int32_t kStatusLeft = 64;
constexpr std::int32_t kStatusRight = 15;
constexpr std::int32_t kStatusRightCell = kStatusCell + kStatusLeft;
// Blanks that paint a whole row's background (a row and half a cell on each side).
constexpr std::string_view kRowBlanks =
    "                                                                                 ";
static_assert(kRowBlanks.size() == 81);

ScreenMetricsRecord Metrics{};

// The caption pairs last read from the system, once read.
struct CaptionPairs {
  bool read = false;
  ColorPair active{};
  ColorPair inactive{};
};
CaptionPairs LastCaptions;

std::int32_t ScreenWord = 0;

std::int32_t cellWidth() { return Metrics.width / kColumns; }
std::int32_t cellHeight() { return Metrics.height / kRows; }

POINT cellPoint(std::int32_t cell) {
  return {(cell % kColumns) * cellWidth() + Metrics.width / 160, (cell / kColumns) * cellHeight()};
}

bool inScreen(std::int32_t cell) { return cell >= 0 && cell < kScreenCells; }

HWND screenWindow() { return static_cast<HWND>(ScreenWindow); }

bool drawsBoxBytes() { return GetLanguageNumber() == kDoubleByteLanguage; }

std::int32_t textWidth(HDC hdc, const char* text, int length) {
  platform::win::SIZE size{0, 0};
  if (length <= 0 || !GetTextExtentPoint32A(hdc, text, length, &size)) return 0;
  return size.cx;
}

void useCellColors(HDC hdc, std::int32_t attribute) {
  COLORREF background = 0;
  COLORREF text = 0;
  SelectCellColors(attribute, &background, &text);
  SetBkColor(hdc, background);
  SetTextColor(hdc, text);
  SetBkMode(hdc, platform::win::OPAQUE);
}

// Selects the screen's fonts into a context and puts the context's own font back at the end, so
// that the host's fonts are never left selected in a context it gives back.
class FontSelection {
 public:
  explicit FontSelection(HDC hdc) : hdc_(hdc) {}
  FontSelection(const FontSelection&) = delete;
  FontSelection& operator=(const FontSelection&) = delete;
  ~FontSelection() {
    if (original_ != nullptr) SelectObject(hdc_, original_);
  }
  void use(HFONT font) {
    if (font == nullptr || font == current_) return;
    HFONT previous = SelectObject(hdc_, font);
    if (previous == nullptr) return;
    if (original_ == nullptr) original_ = previous;
    current_ = font;
  }

 private:
  HDC hdc_;
  HFONT original_ = nullptr;
  HFONT current_ = nullptr;
};

// A context of ScreenWindow for the length of a drawing.
class WindowContext {
 public:
  WindowContext() : window_(screenWindow()), hdc_(GetDC(window_)) {}
  WindowContext(const WindowContext&) = delete;
  WindowContext& operator=(const WindowContext&) = delete;
  ~WindowContext() {
    if (hdc_ != nullptr) ReleaseDC(window_, hdc_);
  }
  HDC get() const { return hdc_; }

 private:
  HWND window_;
  HDC hdc_;
};

// Painting of ScreenWindow between BeginPaint and EndPaint.
class PaintSession {
 public:
  PaintSession() : window_(screenWindow()) { hdc_ = BeginPaint(window_, &paint_); }
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  ~PaintSession() {
    if (hdc_ != nullptr) EndPaint(window_, &paint_);
  }
  HDC get() const { return hdc_; }

 private:
  HWND window_;
  platform::win::PAINTSTRUCT paint_{};
  HDC hdc_ = nullptr;
};

// Writes the text with leader stretching into a context whose fonts and colours are set.
void drawLeaderText(HDC hdc, const char* text, std::int32_t first, std::int32_t count) {
  const std::int32_t n = std::min(count, kMaxLeaderText);
  if (hdc == nullptr || text == nullptr || n <= 0) return;
  DrawnText<kMaxLeaderText + 1> drawn({text, static_cast<std::size_t>(n)});

  // The first run of two or more dots, and the index after it.
  std::int32_t leaderEnd = -1;
  for (std::int32_t q = 0; q + 1 < n; ++q) {
    if (text[q] == '.' && text[q + 1] == '.') {
      leaderEnd = q;
      while (leaderEnd < n && text[leaderEnd] == '.') ++leaderEnd;
      break;
    }
  }
  std::int32_t length = n;
  if (leaderEnd >= 0) {
    const std::int32_t before = textWidth(hdc, drawn.bytes.data(), leaderEnd);
    const std::int32_t dot = textWidth(hdc, "....", 4) / 4;
    const std::int32_t room = cellPoint(first + leaderEnd).x - cellPoint(first).x - before;
    // The buffer holds no more than kMaxLeaderText characters: a longer leader is cut.
    const std::int32_t dots = dot > 0 ? std::min(room / dot, kMaxLeaderText - n) : 0;
    if (dots >= 1) {
      auto at = drawn.bytes.begin() + leaderEnd;
      std::copy_backward(at, drawn.bytes.begin() + n, drawn.bytes.begin() + n + dots);
      std::fill_n(at, dots, '.');
      length = n + dots;
    }
  }
  const POINT point = cellPoint(first);
  TextOutA(hdc, point.x, point.y, drawn.bytes.data(), length);
}

// One PaintCells call: the caller's cells, the work copy with line characters blanked, and the
// attributes with the row-type column taking its neighbour's.
class CellPainter {
 public:
  CellPainter(HDC hdc, std::span<const char> given, std::span<const std::int8_t> attributes, std::int32_t first)
      : hdc_(hdc), fonts_(hdc), given_(given), first_(first), n_(static_cast<std::int32_t>(given.size())) {
    for (std::int32_t k = 0; k < n_; ++k) work_[k] = IsLineChar(given_, k) ? ' ' : given_[k];
    work_[n_] = '\0';
    std::copy(attributes.begin(), attributes.end(), attributes_.begin());
    for (std::int32_t k = 1; k < n_; ++k) {
      if ((first_ + k) % kColumns == kRowTypeColumn) attributes_[k] = attributes_[k - 1];
    }
    fonts_.use(Metrics.textFont);
  }

  std::span<const std::int8_t> attributes() const { return {attributes_.data(), static_cast<std::size_t>(n_)}; }

  // Runs of equal attributes that never cross the start of a row.
  void paint() {
    std::int32_t start = 0;
    for (std::int32_t k = 1; k <= n_; ++k) {
      if (k == n_ || attributes_[k] != attributes_[start] || (first_ + k) % kColumns == 0) {
        paintRun(start, k - start);
        start = k;
      }
    }
  }

 private:
  std::span<const char> work() const { return {work_.data(), static_cast<std::size_t>(n_)}; }
  char w(std::int32_t k) const { return work_[k]; }
  POINT point(std::int32_t k) const { return cellPoint(first_ + k); }

  void writeRowBackground(std::int32_t k) {
    const POINT row = cellPoint(first_ + k - (first_ + k) % kColumns);
    fonts_.use(Metrics.fieldFont);
    TextOutA(hdc_, row.x - cellWidth() / 2, row.y, kRowBlanks.data(), static_cast<int>(kRowBlanks.size()));
  }

  void paintRun(std::int32_t r, std::int32_t length) {
    const std::int8_t attribute = attributes_[r];
    useCellColors(hdc_, attribute);
    if (attribute == kFieldAttribute) return paintField(r, length);
    if (attribute == kStatusAttribute) return paintStatus(r);
    if (attribute == kShadedRowAttribute) writeRowBackground(r);
    fonts_.use(Metrics.textFont);
    scanText(r, length);
  }

  void paintField(std::int32_t r, std::int32_t length) {
    fonts_.use(Metrics.fieldFont);
    const POINT start = point(r);
    const POINT last = point(r + length - 1);
    DrawnText<kColumns> text({work_.data() + r, static_cast<std::size_t>(length)});
    TextOutA(hdc_, start.x, start.y, text.bytes.data(), text.length);
    drawLine(hdc_, start.x, start.y, last.x + cellWidth(), start.y);
    drawLine(hdc_, start.x, start.y + cellHeight(), last.x + cellWidth(), start.y + cellHeight());
  }

  void paintStatus(std::int32_t r) {
    const POINT start = point(r);
    fonts_.use(Metrics.fieldFont);
    TextOutA(hdc_, start.x - cellWidth() / 2, start.y, kRowBlanks.data(), static_cast<int>(kRowBlanks.size()));
    fonts_.use(Metrics.textFont);
    // Only the painted cells are written; a status run short of a row writes what it has.
    const std::int32_t left = std::clamp(n_ - r, 0, kStatusLeft);
    TextOutA(hdc_, start.x, start.y, work_.data() + r, left);
    const std::int32_t right = std::clamp(n_ - r - kStatusLeft, 0, kStatusRight);
    const POINT rightPoint = cellPoint(kStatusRightCell);
    if (right > 0) TextOutA(hdc_, rightPoint.x, rightPoint.y, work_.data() + r + kStatusLeft, right);
  }

  void drawStretch(std::int32_t r, std::int32_t s, std::int32_t count) {
    if (count > 0) drawLeaderText(hdc_, work_.data() + r + s, first_ + r + s, count);
  }

  // The width of a value in the context's font, to align it on its marker cell.
  std::int32_t valueWidth(const DrawnText<kMaxCellValue + 1>& text) const {
    return textWidth(hdc_, text.bytes.data(), text.length);
  }

  bool equalSignAround(std::int32_t k) const {
    for (std::int32_t step : {-160, -80, 80, 160}) {
      const std::int32_t other = k + step;
      if (other >= 0 && other < n_ && w(other) == '=') return true;
    }
    return false;
  }

  bool valueStandsAt(std::int32_t start, std::string_view value) const {
    return start >= 0 && start + static_cast<std::int32_t>(value.size()) <= n_ &&
           std::string_view(work_.data() + start, value.size()) == value;
  }

  // Plain text in stretches; values aligned on their markers and on "=" columns.
  void scanText(std::int32_t r, std::int32_t length) {
    bool open = false;
    bool ending = false;
    std::int32_t s = 0;
    std::int32_t lowest = 0;
    std::array<char, kMaxCellValue + 1> value{};
    const std::span<const char> markers(ScreenCells.markers.data() + first_, static_cast<std::size_t>(n_));
    const auto close = [&] { open = ending = false; };

    for (std::int32_t i = 0; i < length - 1; ++i) {
      std::int32_t k = r + i;
      if (w(k) != ' ' && !open) {
        open = true;
        ending = false;
        s = i;
      }
      if ((w(k) == ' ' && w(k + 1) == ' ') || IsLineChar(given_, k)) {
        if (open) ending = true;
        if (given_[k] == ' ') ++i;
      }
      if (i == length - 2) {
        ending = true;
        i = length - 1;
      }
      k = r + i;
      const std::int32_t c = first_ + k;
      const char marker = c < kMarkerCells ? markers[k] : ' ';

      if (marker == '{' && w(k) != ' ' && (k % kColumns == 0 || w(k - 1) == ' ' || w(k - 1) == '=')) {
        // Left-aligned value: the form's own cells from the marker on, leader stretched.
        if (open && s < i) drawStretch(r, s, i - s);
        close();
        const std::int32_t m = GetCellValue(value, c);
        if (m > 0) {
          drawStretch(r, i, std::min(m, n_ - k));
          i = std::max(i, i + m - 1);
          lowest = i;
        } else {
          open = true;
          s = i;
        }
      } else if ((marker == '}' && w(k) != ' ') || (w(k) == '=' && equalSignAround(k))) {
        // Right-aligned value: its right edge on the marker cell's right edge.
        std::int32_t m = 0;
        if (marker == '}') {
          m = GetCellValue(value, c);
        } else {
          ExtractAlignedValue(value, work(), markers, k, lowest + r);
          m = static_cast<std::int32_t>(std::strlen(value.data()));
        }
        if (open && i - s - m + 1 > 0) drawStretch(r, s, i - s - m + 1);
        if (open) close();
        if (m > 0) {
          DrawnText<kMaxCellValue + 1> text({value.data(), static_cast<std::size_t>(m)});
          const POINT at = point(k);
          TextOutA(hdc_, at.x + cellWidth() - valueWidth(text), at.y, text.bytes.data(), text.length);
        }
        lowest = i;
      } else if (marker == '~' && w(k) != ' ') {
        // Centred value: its middle on the marker cell's middle.
        const std::int32_t m = GetCellValue(value, c);
        const std::string_view v(value.data(), static_cast<std::size_t>(m));
        std::int32_t t = 0;
        if (valueStandsAt(k - m / 2, v)) {
          t = m / 2;
        } else if (valueStandsAt(k - m / 2 - 1, v)) {
          t = m / 2 + 1;
        } else if (valueStandsAt(k - m / 2 + 1, v)) {
          t = m / 2 - 1;
        }
        if (open && i - s - t > 0) drawStretch(r, s, i - s - t);
        if (open) close();
        if (m > 0) {
          DrawnText<kMaxCellValue + 1> text(v);
          const POINT at = point(k);
          TextOutA(hdc_, at.x - (valueWidth(text) - cellWidth()) / 2, at.y, text.bytes.data(), text.length);
        }
        i = std::max(i, i - t + m - 1);
        lowest = i + 1;
      }

      if (open && ending) {
        drawStretch(r, s, i - s);
        close();
        lowest = i;
      }
    }
  }

  HDC hdc_;
  FontSelection fonts_;
  std::span<const char> given_;
  std::int32_t first_;
  std::int32_t n_;
  std::array<char, kScreenCells + 1> work_{};
  std::array<std::int8_t, kScreenCells> attributes_{};
};

bool isDashOrBar(char c) { return c == '-' || c == '|'; }

char gridCell(std::span<const char> grid, std::int32_t cell) {
  return cell >= 0 && static_cast<std::size_t>(cell) < grid.size() ? grid[static_cast<std::size_t>(cell)] : ' ';
}

void drawBoxLines(HDC hdc, std::int32_t firstRow, std::int32_t lastRow) {
  const std::span<const char> grid(ScreenCells.characters);
  const std::int32_t cw = cellWidth();
  const std::int32_t ch = cellHeight();
  for (std::int32_t row = firstRow; row <= lastRow; ++row) {
    const std::int32_t rowCell = row * kColumns;
    const POINT rowPoint = cellPoint(rowCell);
    const std::int32_t left = rowPoint.x - cw / 2;
    const std::int32_t right = cellPoint(rowCell + kRowTypeColumn).x + cw / 2;
    bool horizontals = true;
    if (row == 22) drawLine(hdc, left, rowPoint.y + ch - 1, right, rowPoint.y + ch - 1);
    if (row == 20 && ScreenCells.attributes[kMarkerCells] == kShadedRowAttribute) {
      drawLine(hdc, left, rowPoint.y, right, rowPoint.y);
      horizontals = false;
    }
    if (horizontals) {
      LineRun run;
      for (std::int32_t cell = rowCell; cell < rowCell + kColumns; ++cell) {
        if (!run.take(ClassifyHorizontalLine(grid, cell), cell)) continue;
        const std::int32_t y = rowPoint.y + ch / 2;
        drawLine(hdc, cellPoint(run.first()).x + (run.startInset() ? cw / 2 : 0), y,
                 cellPoint(run.after()).x - (run.endInset() ? cw / 2 : 0), y);
      }
    }
    drawRowRule(hdc, static_cast<char>(ScreenCells.attributes[rowCell + kRowTypeColumn]), rowPoint, cw, ch);
    // Input fields followed by another attribute in the row get a frame.
    for (std::int32_t cell = rowCell; cell < rowCell + kColumns;) {
      if (ScreenCells.attributes[cell] != kFieldAttribute) {
        ++cell;
        continue;
      }
      const std::int32_t start = cell;
      while (cell < rowCell + kColumns && ScreenCells.attributes[cell] == kFieldAttribute) ++cell;
      if (cell == rowCell + kColumns) break;
      const POINT a = cellPoint(start);
      const std::int32_t x2 = cellPoint(cell).x;
      const POINT frame[] = {{a.x - 2, a.y}, {x2, a.y}, {x2, a.y + ch}, {a.x - 2, a.y + ch}, {a.x - 2, a.y}};
      Polyline(hdc, frame, 5);
    }
  }
  for (std::int32_t column = 0; column < kRowTypeColumn; ++column) {
    LineRun run;
    for (std::int32_t row = firstRow; row <= lastRow; ++row) {
      const std::int32_t cell = row * kColumns + column;
      if (!run.take(ClassifyVerticalLine(grid, cell), cell)) continue;
      const std::int32_t x = cellPoint(cell).x + cw / 2;
      drawLine(hdc, x, cellPoint(run.first()).y + (run.startInset() ? ch / 2 : 0), x,
               cellPoint(run.after()).y - (run.endInset() ? ch / 2 : 0));
    }
  }
}

std::string_view textOf(const char* text) { return text == nullptr ? std::string_view{} : std::string_view(text); }

void setStatusColors(ColorPair CaptionPairs::*pair) {
  if (!LastCaptions.read) ReadCaptionColors(1);
  CaptionColors = LastCaptions.*pair;
  DrawCellRun(ScreenCells.characters.data() + kStatusCell, ScreenCells.attributes.data() + kStatusCell, kColumns,
              kStatusCell);
}

}  // namespace

void SetScreenMetrics(const ScreenMetricsRecord& metrics) { Metrics = metrics; }

void SelectCellColors(std::int32_t attribute, COLORREF* background, COLORREF* text) {
  // Text and background of attributes 0 to 8; 6 takes the caption colours, every other value
  // those of 0.
  static constexpr std::array<ColorPair, 9> kColors = {{{RGB(0, 0, 127), RGB(255, 255, 255)},
                                                        {RGB(0, 0, 0), RGB(255, 255, 255)},
                                                        {RGB(0, 127, 63), RGB(255, 255, 255)},
                                                        {RGB(127, 63, 0), RGB(255, 255, 255)},
                                                        {RGB(255, 0, 0), RGB(255, 255, 255)},
                                                        {RGB(0, 0, 0), RGB(0, 255, 255)},
                                                        {},
                                                        {RGB(127, 63, 0), RGB(192, 192, 192)},
                                                        {RGB(127, 63, 0), RGB(127, 127, 127)}}};
  const ColorPair colors = attribute == kStatusAttribute ? CaptionColors
                           : attribute >= 0 && attribute < std::ssize(kColors)
                               ? kColors[static_cast<std::size_t>(attribute)]
                               : kColors[0];
  if (background != nullptr) *background = colors.background;
  if (text != nullptr) *text = colors.text;
}

void ReadCaptionColors(std::int32_t flag) {
  LastCaptions.active = {GetSysColor(platform::win::COLOR_CAPTIONTEXT),
                         GetSysColor(platform::win::COLOR_ACTIVECAPTION)};
  LastCaptions.inactive = {GetSysColor(platform::win::COLOR_INACTIVECAPTIONTEXT),
                           GetSysColor(platform::win::COLOR_INACTIVECAPTION)};
  LastCaptions.read = true;
  CaptionColors = flag != 0 ? LastCaptions.active : LastCaptions.inactive;
}

void ActivateStatusLine() { setStatusColors(&CaptionPairs::active); }

void DeactivateStatusLine() { setStatusColors(&CaptionPairs::inactive); }

void CellToPixel(std::int32_t cell, POINT* point) {
  if (point != nullptr) *point = cellPoint(cell);
}

bool PixelToCell(std::int64_t packedPoint, std::int32_t* cell) {
  const auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(packedPoint & 0xFFFFFFFF));
  const auto y = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(packedPoint) >> 32));
  const std::int32_t cw = cellWidth();
  const std::int32_t ch = cellHeight();
  if (cell == nullptr || cw <= 0 || ch <= 0) return false;
  if (x < 0 || y < 0 || x >= Metrics.width || y >= Metrics.height) return false;
  const std::int32_t row = y / ch;
  if (row >= kRows) return false;
  // The margins belong to the nearest column of the row, never to the next row.
  const std::int32_t column = std::clamp((x - Metrics.width / 160) / cw, 0, kColumns - 1);
  *cell = row * kColumns + column;
  return true;
}

void PaintCells(HDC hdc, const char* characters, const std::int8_t* attributes, std::int32_t count,
                std::int32_t first) {
  if (hdc == nullptr || characters == nullptr || attributes == nullptr || !inScreen(first) || count <= 0) return;
  const std::int32_t n = std::min(count, kScreenCells - first);
  const std::span<const char> given(characters, static_cast<std::size_t>(n));
  CellPainter painter(hdc, given, {attributes, static_cast<std::size_t>(n)}, first);
  painter.paint();
  if (n < kScreenCells) {
    // The caller's cells may be ScreenCells' own.
    std::memmove(ScreenCells.characters.data() + first, characters, static_cast<std::size_t>(n));
    std::memmove(ScreenCells.attributes.data() + first, painter.attributes().data(), static_cast<std::size_t>(n));
  }
}

void DrawCellRun(const char* characters, const std::int8_t* attributes, std::int32_t count, std::int32_t first) {
  WindowContext context;
  PaintCells(context.get(), characters, attributes, count, first);
}

void PaintAllCells() { DrawCellRun(ScreenCells.characters.data(), ScreenCells.attributes.data(), kScreenCells, 0); }

void PaintScreen() {
  PaintSession paint;
  PaintCells(paint.get(), ScreenCells.characters.data(), ScreenCells.attributes.data(), kScreenCells, 0);
}

void DrawLeaders(HDC hdc, const char* text, std::int32_t first, std::int32_t count) {
  drawLeaderText(hdc, text, first, count);
}

std::int32_t GetCellValue(std::span<char> value, std::int32_t cell) {
  if (value.empty()) return 0;
  value[0] = '\0';
  if (!inScreen(cell)) return 0;
  const std::int32_t offset = ScreenCells.valueOffsets[cell];
  if (offset < 0 || offset >= kScreenCells) return 0;
  const std::string_view rest(ScreenCells.valueText.data() + offset,
                              std::find(ScreenCells.valueText.begin() + offset, ScreenCells.valueText.end(), '\0') -
                                  (ScreenCells.valueText.begin() + offset));
  const std::size_t end = rest.find(kValueEnd);
  std::string_view text = end == std::string_view::npos ? std::string_view(" ") : rest.substr(0, end);
  if (ScreenCells.markers[cell] == '{') text = text.substr(0, text.find("  "));
  text = text.substr(0, kMaxCellValue);
  copyTerminated(value, text);
  return static_cast<std::int32_t>(std::min(text.size(), value.size() - 1));
}

void DrawTextAt(std::int32_t x, std::int32_t y, const char* text) {
  WindowContext context;
  if (context.get() == nullptr || text == nullptr) return;
  FontSelection fonts(context.get());
  fonts.use(Metrics.textFont);
  TextOutA(context.get(), x, y, text, static_cast<int>(std::strlen(text)));
}

std::int32_t ClassifyHorizontalLine(std::span<const char> grid, std::int32_t cell) {
  const char x = gridCell(grid, cell);
  const char b = gridCell(grid, cell - 1);
  const char a = gridCell(grid, cell + 1);
  if (x == '|' && a == '-') return kLineStarts;
  if (x == '|' && cell > 0 && b == '-') return kLineEnds;
  if (x == '-') {
    if (cell > 0 && isDashOrBar(b) && isDashOrBar(a)) return kLineRuns;
    if (cell > 0 && isDashOrBar(b)) return kLineEnds;
    if (isDashOrBar(a)) return kLineStarts;
    return kNoLine;
  }
  if (drawsBoxBytes()) return kNoLine;
  switch (static_cast<unsigned char>(x)) {
    case 0xC0:
    case 0xC3:
    case 0xDA:
      return kLineStarts;
    case 0xC1:
    case 0xC2:
    case 0xC4:
    case 0xC5:
      return kLineRuns;
    case 0xB4:
    case 0xBF:
    case 0xD9:
      return kLineEnds;
    default:
      return kNoLine;
  }
}

std::int32_t ClassifyVerticalLine(std::span<const char> grid, std::int32_t cell) {
  const char x = gridCell(grid, cell);
  if (x == '|' || x == '-') {
    const char b = gridCell(grid, cell - 1);
    const char a = gridCell(grid, cell + 1);
    const char u = gridCell(grid, cell - kColumns);
    const char w = gridCell(grid, cell + kColumns);
    if (cell >= kColumns && u == '|' && w == '|') return kLineRuns;
    if ((cell > 0 && b == '-') || a == '-') {
      if (cell >= kColumns && u == '|') return kLineEnds;
      if (w == '|') return kLineStarts;
    }
    if (x == '|') return kLineRuns;
  }
  if (drawsBoxBytes()) return kNoLine;
  switch (static_cast<unsigned char>(x)) {
    case 0xB3:
    case 0xB4:
    case 0xC3:
    case 0xC5:
      return kLineRuns;
    case 0xBF:
    case 0xC2:
    case 0xDA:
      return kLineStarts;
    case 0xC0:
    case 0xC1:
    case 0xD9:
      return kLineEnds;
    default:
      return kNoLine;
  }
}

void DrawBoxLines(std::int32_t firstRow, std::int32_t rowCount) {
  const std::int32_t from = std::max(firstRow, 0);
  const std::int32_t to = std::min(firstRow + rowCount, kRows) - 1;
  if (from > to) return;
  WindowContext context;
  if (context.get() == nullptr) return;
  drawBoxLines(context.get(), from, to);
}

void DrawScreenPictures() {
  WindowContext context;
  if (context.get() == nullptr) return;
  const std::int32_t ch = cellHeight();
  for (std::int32_t slot = 0; slot < std::min<std::int32_t>(PictureTable.count, kMaxPictures); ++slot) {
    const PictureSlot& picture = PictureTable.slots[static_cast<std::size_t>(slot)];
    platform::win::RECT rect{};
    if (picture.firstCell % kColumns == 0 && picture.lastCell % kColumns == kRowTypeColumn) {
      rect = {0, picture.firstCell / kColumns * ch, Metrics.width, (picture.lastCell / kColumns + 1) * ch};
    } else {
      const POINT a = cellPoint(picture.firstCell);
      const POINT b = cellPoint(picture.lastCell);
      rect = {a.x, a.y, b.x, b.y};
    }
    DrawPicture(slot, screenWindow(), context.get(), rect);
  }
}

void LoadScreen(const char* characters, const std::int8_t* attributes) {
  if (characters == nullptr || attributes == nullptr) return;
  std::copy_n(characters, kFormCells, ScreenCells.characters.begin());
  std::copy_n(attributes, kFormCells, ScreenCells.attributes.begin());
  RepaintScreen();
}

void RepaintScreen() {
  // Pictures given in "<" brackets lie under the text, the others over it.
  if (PictureBracketFlag != 0) {
    DrawScreenPictures();
    PaintAllCells();
    DrawBoxLines(0, kRows);
  } else {
    PaintAllCells();
    DrawBoxLines(0, kRows);
    DrawScreenPictures();
  }
}

void RedrawScreen() { RepaintScreen(); }

void PutCell(char character, std::int8_t attribute, std::int32_t cell) {
  if (!inScreen(cell)) return;
  WindowContext context;
  if (HDC hdc = context.get(); hdc != nullptr) {
    FontSelection fonts(hdc);
    fonts.use(Metrics.fieldFont);
    useCellColors(hdc, attribute);
    DrawnText<1> text({&character, 1});
    const POINT at = cellPoint(cell);
    TextOutA(hdc, at.x, at.y, text.bytes.data(), 1);
    drawLine(hdc, at.x, at.y, at.x + cellWidth(), at.y);
    drawLine(hdc, at.x, at.y + cellHeight(), at.x + cellWidth(), at.y + cellHeight());
  }
  ScreenCells.characters[static_cast<std::size_t>(cell)] = character;
  ScreenCells.attributes[static_cast<std::size_t>(cell)] = attribute;
}

void InvalidateCells(std::int32_t first, std::int32_t count) {
  if (!inScreen(first) || count <= 0) return;
  const std::int32_t last = std::min(first + count, kScreenCells) - 1;
  const POINT a = cellPoint(first);
  const POINT b = cellPoint(last);
  const platform::win::RECT rect{a.x, a.y, b.x + cellWidth(), b.y + cellHeight()};
  InvalidateRect(screenWindow(), &rect, platform::win::TRUE);
  PaintSession paint;
}

void MoveCaretToCell(std::int32_t cell) {
  if (!inScreen(cell)) return;
  const POINT at = cellPoint(cell);
  SetCaretPos(at.x, at.y + cellHeight());
}

std::int32_t FindInstallDir(platform::win::HINSTANCE module, std::span<char> directory) {
  if (module != nullptr) {
    // At most 255 characters of the name, and its NUL.
    std::array<char, 256> name{};
    const auto length = GetModuleFileNameA(module, name.data(), static_cast<platform::win::DWORD>(name.size()));
    std::string_view path(name.data(), std::min<std::size_t>(length, name.size() - 1));
    std::transform(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(path.size()), name.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    if (const std::size_t at = path.find("XEQ\\"); length > 0 && at != std::string_view::npos) {
      copyTerminated(directory, path.substr(0, at));
      return 0;
    }
  }
  const char* value = std::getenv("KVOM");
  if (value == nullptr) return -1;
  copyTerminated(directory, value);
  return 0;
}

std::int32_t GetEnvValue(const char* name, std::int32_t, std::span<char> buffer, std::int32_t) {
  if (buffer.empty()) return 0;
  if (const char* value = name != nullptr ? std::getenv(name) : nullptr; value != nullptr)
    copyTerminated(buffer, value);
  return static_cast<std::int32_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin());
}

void SplitWords(const char* line, std::int32_t* count, WordTable& words) {
  // The words stay valid until the next call, so they live here.
  static std::array<char, 256> copy{};
  copyTerminated(copy, textOf(line));
  words.fill(nullptr);
  std::int32_t found = 0;
  char* p = copy.data();
  while (*p != '\0' && found < static_cast<std::int32_t>(words.size()) - 1) {
    while (*p == ' ') *p++ = '\0';
    if (*p == '\0') break;
    words[static_cast<std::size_t>(++found)] = p;
    while (*p != '\0' && *p != ' ') ++p;
  }
  // A word beyond the 19th is not taken; end the 19th at its blank.
  while (*p == ' ') *p++ = '\0';
  if (count != nullptr) *count = found == 0 ? 0 : found + 1;
}

void GetCaseNames(std::span<char> caseName, std::span<char> filePrefix) {
  copyTerminated(caseName, textOf(exports::GetCaseName()));
  copyTerminated(filePrefix, textOf(exports::GetFilePrefix()));
}

void SoundBeep() { MessageBeep(0); }

void ExitProgram() { platform::crt::exitProcess(0); }

std::int32_t SetScreenWord(std::int32_t word) { return ScreenWord = word; }

std::int32_t GetScreenWord() { return ScreenWord; }

std::int32_t ReportCommandHook() { return 0; }

void ScreenIdle1() {}
void ScreenIdle2() {}
void ScreenIdle3() {}
void ScreenIdle4() {}
void ScreenIdleWithValue(std::int32_t) {}
std::int32_t ScreenZero1() { return 0; }
std::int32_t ScreenZero2() { return 0; }

}  // namespace kvom::report
