#pragma once
// Basic types of the Windows services the adapter and its report library call.

#include <cstdint>

namespace platform::win {

using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using SHORT = std::int16_t;
using HANDLE = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Opaque handles of the graphics, window and memory services: distinct types, so that a pen is
// never passed where a window is expected.
struct HDC__;
struct HGDIOBJ__;
struct HWND__;
struct HGLOBAL__;
struct HMETAFILE__;
struct HENHMETAFILE__;
struct HINSTANCE__;
using HDC = HDC__*;
using HGDIOBJ = HGDIOBJ__*;  // pens, brushes, fonts, regions and bitmaps share one handle table
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HRGN = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HWND = HWND__*;
using HGLOBAL = HGLOBAL__*;
using HMETAFILE = HMETAFILE__*;
using HENHMETAFILE = HENHMETAFILE__*;
using HINSTANCE = HINSTANCE__*;

// A colour: red in the low byte, then green, then blue.
using COLORREF = DWORD;
constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
  return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) | (static_cast<COLORREF>(blue) << 16);
}

struct POINT {
  LONG x;
  LONG y;
};

struct SIZE {
  LONG cx;
  LONG cy;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

}  // namespace platform::win
