#pragma once
// Drawing cells, shared by the screen and printed pages: texts converted as they are drawn, and the
// runs of line cells that the line classifiers find along a row or a column with the line drawn for
// each.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/windows/codepage.h"
#include "platform/windows/gdi.h"
#include "report/screen.h"
#include "report/settings.h"

namespace kvom::report {

// A text of the OEM code page as it is drawn: in the ANSI code page, unless the report language
// draws the bytes as they are.
template <std::size_t N>
struct DrawnText {
  explicit DrawnText(std::string_view oem) : length(static_cast<int>(std::min(oem.size(), N))) {
    std::copy_n(oem.data(), length, bytes.data());
    if (GetLanguageNumber() != kDoubleByteLanguage && length > 0) {
      OemToCharBuffA(bytes.data(), bytes.data(), static_cast<platform::win::DWORD>(length));
    }
  }
  std::array<char, N> bytes{};
  int length;
};

inline void drawLine(platform::win::HDC dc, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// The rule of a row of type "u" or "v" along the bottom of its cells: from the row's first cell
// point to 79 ("u") or 60 ("v") cells further right less half a cell. Other types draw nothing.
inline void drawRowRule(platform::win::HDC dc, char type, platform::win::POINT rowPoint, std::int32_t cw,
                        std::int32_t ch) {
  if (type != kRuleToEndAttribute && type != kRuleToColumn60Attribute) return;
  const std::int32_t cells = type == kRuleToEndAttribute ? 79 : 60;
  drawLine(dc, rowPoint.x, rowPoint.y + ch, rowPoint.x + cells * cw - cw / 2, rowPoint.y + ch);
}

// A run of line cells along a row or a column: started by its first cell, closed by a cell with no
// line. A start at its first cell and an end at its last cell inset the line by half a cell.
class LineRun {
 public:
  // Returns true when the cell closed a run with cells; first() and after() then name it.
  bool take(std::int32_t result, std::int32_t cell) {
    if (result != kLineStarts && result != kLineRuns && result != kLineEnds) {
      const bool had = first_ >= 0;
      closed_ = {first_, cell, startInset_, endInset_};
      first_ = -1;
      return had;
    }
    if (first_ < 0) {
      first_ = cell;
      startInset_ = result == kLineStarts;
    }
    endInset_ = result == kLineEnds;
    return false;
  }
  std::int32_t first() const { return closed_.first; }
  std::int32_t after() const { return closed_.after; }
  bool startInset() const { return closed_.startInset; }
  bool endInset() const { return closed_.endInset; }

 private:
  struct Closed {
    std::int32_t first = -1;
    std::int32_t after = -1;
    bool startInset = false;
    bool endInset = false;
  };
  std::int32_t first_ = -1;
  bool startInset_ = false;
  bool endInset_ = false;
  Closed closed_;
};

}  // namespace kvom::report
