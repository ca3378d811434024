#pragma once
// Values aligned on marker cells. A text grid of whole 80-cell rows (OEM code page) lies beside a
// marker grid of the same shape; a marker "{" (left-aligned value starting here), "}"
// (right-aligned value ending here) or "~" (value centred here) says that the value standing in
// the text at that place is drawn aligned on the marker cell. A text cell "=" is an alignment
// point of its own. Cells are numbered row * 80 + column from 0.

#include <cstdint>
#include <span>

#include "common/export.h"

namespace kvom::report {

inline constexpr std::int32_t kCellsPerRow = 80;

using CellGrid = std::span<const char>;

// 1 when the cell draws as part of a line or box: "|"; "-" next to another "-" or "|"; and, unless
// the report language is 6, the box-drawing bytes of the OEM code page and NUL. Neighbours outside
// the grid count as no line.
KVOM_EXPORT std::int32_t IsLineChar(CellGrid text, std::int32_t cell);

// The first cell of the value that ends at the marker cell (always within the marker's row).
KVOM_EXPORT std::int32_t FindValueStart(CellGrid text, CellGrid markers, std::int32_t marker);
// The last cell of the value that starts at the marker cell (always within the marker's row, and
// never the row's last cell, which holds the row type, unless the marker stands there).
KVOM_EXPORT std::int32_t FindValueEnd(CellGrid text, CellGrid markers, std::int32_t marker);

// Copies the value belonging to the marker cell into value as NUL-terminated text (cut to the
// buffer): from the start to the marker for "=" and "}", from the marker to the end for "{", from
// start to end for "~". Starts never lie below lowestStart, so that a value does not reach back
// into one drawn already. Empty when the cell is no marker or the value has no cells.
KVOM_EXPORT void ExtractAlignedValue(std::span<char> value, CellGrid text, CellGrid markers, std::int32_t marker,
                                     std::int32_t lowestStart);

// 1 when the report language is 6 and the byte is 160 or above.
KVOM_EXPORT std::int32_t IsDoubleByteChar(unsigned char byte);
// 1 for the digits, "." and "-".
KVOM_EXPORT std::int32_t IsNumberChar(unsigned char byte);

}  // namespace kvom::report
