// The OEM-to-ANSI conversion with a table of code page 437 onto code page 1252.

#include "platform/windows/codepage.h"

#include <array>
#include <cstdint>
#include <string>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_state.h"

using namespace platform::win;
using standins::host::raiseIfArmed;
using standins::windows::detail::failsNow;
using standins::windows::detail::record;

namespace {

// Code page 1252 bytes for code page 437 bytes 0x80 to 0xFF; bytes below 0x80 are the same in
// both. Where 1252 has the character, its byte; else the substitute named in the header.
// clang-format off
constexpr std::array<std::uint8_t, 128> kOemHigh = {
    // 0x80: Ç ü é â ä à å ç ê ë è ï î ì Ä Å
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    // 0x90: É æ Æ ô ö ò û ù ÿ Ö Ü ¢ £ ¥ peseta ƒ
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 'P',  0x83,
    // 0xA0: á í ó ú ñ Ñ ª º ¿ reversed-not ¬ ½ ¼ ¡ « »
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAC, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    // 0xB0: three shades, then single and double lines and corners
    '#',  '#',  '#',  '|',  '+',  '+',  '+',  '+',  '+',  '+',  '|',  '+',  '+',  '+',  '+',  '+',
    // 0xC0: corners and tees, single horizontal 0xC4, double horizontal 0xCD
    '+',  '+',  '+',  '+',  '-',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '=',  '+',  '+',
    // 0xD0: corners and tees, then full, lower, left, right and upper blocks
    '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '#',  '#',  '#',  '#',  '#',
    // 0xE0: α ß Γ π Σ σ µ τ Φ Θ Ω δ ∞ φ ε ∩
    'a',  0xDF, 'G',  'p',  'S',  's',  0xB5, 't',  'F',  'T',  'O',  'd',  '8',  'f',  'e',  'n',
    // 0xF0: ≡ ± ≥ ≤ integral-top integral-bottom ÷ ≈ ° bullet-operator · √ ⁿ ² ■ no-break space
    '=',  0xB1, '>',  '<',  '(',  ')',  0xF7, '~',  0xB0, 0xB7, 0xB7, 'v',  'n',  0xB2, '#',  0xA0,
};
// clang-format on

}  // namespace

extern "C" {

BOOL OemToCharBuffA(const char* source, char* target, DWORD length) {
  raiseIfArmed("OemToCharBuffA");
  record("OemToCharBuffA " + std::to_string(length));
  if (source == nullptr || target == nullptr || failsNow("OemToCharBuffA")) return FALSE;
  for (DWORD i = 0; i < length; ++i) {
    const auto byte = static_cast<std::uint8_t>(source[i]);
    target[i] = static_cast<char>(byte < 0x80 ? byte : kOemHigh[byte - 0x80]);
  }
  return TRUE;
}

}  // extern "C"
