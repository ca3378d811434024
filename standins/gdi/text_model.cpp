// The text measure model: every font has one cell height and one character advance, derived from
// its description, so that text layouts are exact and predictable (README.md).

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "standins/gdi/gdi_standin.h"

namespace standins::gdi {

namespace win = platform::win;

namespace {

constexpr int defaultHeight = 16;  // a height of 0 asks for the default size

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool containsNoCase(std::string_view text, std::string_view part) {
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (equalNoCase(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

constexpr std::array<std::string_view, 6> fixedFaces = {"Courier New", "Courier",  "Lucida Console",
                                                        "Fixedsys",    "Terminal", "Consolas"};

constexpr std::array<std::string_view, 7> proportionalFaces = {"Arial",  "Helvetica",     "Times New Roman", "Times",
                                                               "System", "MS Sans Serif", "Tahoma"};

// Fixed pitch: a known fixed-pitch face, a face whose name says "Mono", or, for other faces, the
// fixed-pitch bit or the modern family of the description.
bool isFixedPitch(const win::LOGFONTA& font) {
  const std::string_view face(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName));
  for (std::string_view f : fixedFaces) {
    if (equalNoCase(face, f)) return true;
  }
  for (std::string_view f : proportionalFaces) {
    if (equalNoCase(face, f)) return false;
  }
  if (containsNoCase(face, "mono")) return true;
  if ((font.lfPitchAndFamily & 0x03) == win::FIXED_PITCH) return true;
  if ((font.lfPitchAndFamily & 0x03) == win::VARIABLE_PITCH) return false;
  return (font.lfPitchAndFamily & 0xF0) == win::FF_MODERN;
}

// A height or width of the description as the font has it: its size, at most kMaxFontSize.
int fontSize(win::LONG value) {
  return static_cast<int>(std::min<long long>(std::llabs(static_cast<long long>(value)), kMaxFontSize));
}

}  // namespace

TextMeasure measureFont(const win::LOGFONTA& font) {
  TextMeasure m;
  m.fixedPitch = isFixedPitch(font);
  m.height = font.lfHeight != 0 ? fontSize(font.lfHeight) : defaultHeight;
  m.ascent = m.height - m.height / 5;
  if (font.lfWidth != 0) {
    m.charWidth = fontSize(font.lfWidth);
  } else {
    // 0.52 of the height for fixed-pitch faces, 0.44 for proportional ones, to the nearest unit.
    const int percent = m.fixedPitch ? kFixedAdvancePercent : kProportionalAdvancePercent;
    m.charWidth = (m.height * percent + 50) / 100;
  }
  if (m.charWidth < 1) m.charWidth = 1;
  return m;
}

}  // namespace standins::gdi
