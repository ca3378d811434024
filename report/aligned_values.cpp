#include "report/aligned_values.h"

#include <algorithm>
#include <string_view>

#include "common/fixed_text.h"
#include "report/settings.h"

namespace kvom::report {
namespace {

bool inGrid(CellGrid grid, std::int32_t cell) { return cell >= 0 && static_cast<std::size_t>(cell) < grid.size(); }

// The byte of a cell; outside the grid a byte that is no marker, blank, point or line, so that no
// rule reads past the grid.
char at(CellGrid grid, std::int32_t cell) { return inGrid(grid, cell) ? grid[static_cast<std::size_t>(cell)] : '\x7F'; }

bool isBoxByte(unsigned char byte) {
  return (byte >= 0xB3 && byte <= 0xD3) || byte == 0xD5 || byte == 0xD6 || byte == 0xD9 || byte == 0xDA || byte == 0;
}

bool dashOrBar(char c) { return c == '-' || c == '|'; }

bool isOperator(char c) { return std::string_view("*+-./^").find(c) != std::string_view::npos; }

std::int32_t rowStart(std::int32_t cell) { return cell - cell % kCellsPerRow; }

}  // namespace

std::int32_t IsLineChar(CellGrid text, std::int32_t cell) {
  if (!inGrid(text, cell)) return 0;
  const char c = at(text, cell);
  if (c == '|') return 1;
  if (c == '-') return dashOrBar(at(text, cell + 1)) || (cell > 0 && dashOrBar(at(text, cell - 1))) ? 1 : 0;
  if (GetLanguageNumber() == kDoubleByteLanguage) return 0;
  return isBoxByte(static_cast<unsigned char>(c)) ? 1 : 0;
}

std::int32_t FindValueStart(CellGrid text, CellGrid markers, std::int32_t marker) {
  if (!inGrid(text, marker)) return marker;
  const std::int32_t first = rowStart(marker);
  const bool point = at(text, marker) == '=';
  std::int32_t blank = -1;  // the last blank seen
  std::int32_t start = marker;
  for (std::int32_t c = marker - 1; c >= first; --c) {
    const char here = at(text, c);
    const char before = at(text, c - 1);  // c - 1 below cell 0 reads as no blank and no point
    if (IsLineChar(text, c) || at(markers, c) == '}') {
      start = c + 1;
      break;
    }
    if (at(markers, c) == '{' || at(markers, c) == '~') {
      start = blank >= 0 ? blank + 1 : marker;
      break;
    }
    if ((here == ' ' && before == ' ') || (here == '.' && before == '.')) {
      start = c + 1;
      break;
    }
    if (here == ' ') {
      if (point && blank >= 0) {
        start = c + 1;
        break;
      }
      blank = c;
      if (c == first) {
        start = c + 1;
        break;
      }
      continue;
    }
    if (here == '=') {
      start = c + 1;
      break;
    }
    if (c == first) {
      start = blank >= 0 ? blank + 1 : c;
      break;
    }
    if (point) {
      // An operator right before the alignment point: the point stands alone.
      if (isOperator(here)) return marker;
      continue;
    }
    start = c;
  }
  // A start on a blank moves right, but not out of the marker's row.
  if (at(text, start) == ' ' && start < first + kCellsPerRow - 1) ++start;
  return start;
}

std::int32_t FindValueEnd(CellGrid text, CellGrid markers, std::int32_t marker) {
  if (!inGrid(text, marker)) return marker;
  const std::int32_t last = rowStart(marker) + kCellsPerRow - 1;
  std::int32_t blank = marker + 1;  // the last blank seen
  std::int32_t end = marker;
  for (std::int32_t c = marker + 1; c <= last; ++c) {
    if (c == last || !inGrid(text, c) || IsLineChar(text, c) || at(markers, c) == '{') {
      end = c - 1;
      break;
    }
    if (at(markers, c) == '}' || at(markers, c) == '~') {
      end = blank - 1;
      break;
    }
    if (at(text, c) == ' ' && at(text, c + 1) == ' ') {
      end = c - 1;
      break;
    }
    if (at(text, c) == ' ') blank = c;
  }
  // An end on a blank moves left, but not out of the marker's row.
  if (at(text, end) == ' ' && end > rowStart(marker)) --end;
  return end;
}

void ExtractAlignedValue(std::span<char> value, CellGrid text, CellGrid markers, std::int32_t marker,
                         std::int32_t lowestStart) {
  if (value.empty()) return;
  value[0] = '\0';
  if (!inGrid(text, marker)) return;
  const char kind = at(text, marker) == '=' ? '=' : at(markers, marker);
  std::int32_t start = marker;
  std::int32_t end = marker;
  switch (kind) {
    case '=':
    case '}':
      start = std::max(FindValueStart(text, markers, marker), lowestStart);
      break;
    case '{':
      end = FindValueEnd(text, markers, marker);
      break;
    case '~':
      end = FindValueEnd(text, markers, marker);
      start = std::max(FindValueStart(text, markers, marker), lowestStart);
      break;
    default:
      return;
  }
  if (start > end || !inGrid(text, start) || !inGrid(text, end)) return;
  copyTerminated(value, std::string_view(text.data() + start, static_cast<std::size_t>(end - start + 1)));
}

std::int32_t IsDoubleByteChar(unsigned char byte) {
  return GetLanguageNumber() == kDoubleByteLanguage && byte >= 160 ? 1 : 0;
}

std::int32_t IsNumberChar(unsigned char byte) {
  return (byte >= '0' && byte <= '9') || byte == '.' || byte == '-' ? 1 : 0;
}

}  // namespace kvom::report
