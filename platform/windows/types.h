#pragma once
// Basic types of the Windows services the adapter and its report library call. Every structure
// of these headers is laid out as 64-bit Windows lays it out (LONG and DWORD are 32 bits there,
// pointers and handles 64), so that a real Windows service can fill it; the checks beside each
// declaration hold the sizes and the offsets the code reads.

#include <cstddef>
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
static_assert(sizeof(BOOL) == 4 && sizeof(WORD) == 2 && sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(UINT) == 4);
static_assert(sizeof(HANDLE) == 8, "the structures are laid out for 64-bit Windows");

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
static_assert(sizeof(POINT) == 8 && offsetof(POINT, y) == 4);

struct SIZE {
  LONG cx;
  LONG cy;
};
static_assert(sizeof(SIZE) == 8 && offsetof(SIZE, cy) == 4);

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
static_assert(sizeof(RECT) == 16 && offsetof(RECT, top) == 4 && offsetof(RECT, right) == 8 &&
              offsetof(RECT, bottom) == 12);

// A time in 100-nanosecond steps since 1601, in two halves.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
static_assert(sizeof(FILETIME) == 8 && alignof(FILETIME) == 4 && offsetof(FILETIME, dwHighDateTime) == 4);

}  // namespace platform::win
