#pragma once
// Windows graphics device interface: device contexts, their mapping and attributes, pens, brushes,
// fonts, regions and bitmaps, drawing and text output, block transfers. Coordinates are logical
// units of the context unless a function says otherwise; every handle is opaque.

#include <cstddef>
#include <cstdint>

#include "platform/windows/types.h"

namespace platform::win {

using ULONG_PTR = std::uintptr_t;

// Mapping modes (SetMapMode).
inline constexpr int MM_TEXT = 1;         // one unit per device pixel, y down
inline constexpr int MM_LOMETRIC = 2;     // 0.1 mm, y up
inline constexpr int MM_HIMETRIC = 3;     // 0.01 mm, y up
inline constexpr int MM_LOENGLISH = 4;    // 0.01 inch, y up
inline constexpr int MM_HIENGLISH = 5;    // 0.001 inch, y up
inline constexpr int MM_TWIPS = 6;        // 1/1440 inch, y up
inline constexpr int MM_ISOTROPIC = 7;    // window and viewport extents, equal units on both axes
inline constexpr int MM_ANISOTROPIC = 8;  // window and viewport extents, free

// Background modes (SetBkMode).
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Pen styles (CreatePen, LOGPEN).
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;

// Brush styles (LOGBRUSH).
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HOLLOW = BS_NULL;

// Stock objects (GetStockObject).
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int SYSTEM_FIXED_FONT = 16;
inline constexpr int DEFAULT_GUI_FONT = 17;

// Object types (GetObjectType, GetCurrentObject).
inline constexpr UINT OBJ_PEN = 1;
inline constexpr UINT OBJ_BRUSH = 2;
inline constexpr UINT OBJ_DC = 3;
inline constexpr UINT OBJ_METADC = 4;
inline constexpr UINT OBJ_FONT = 6;
inline constexpr UINT OBJ_BITMAP = 7;
inline constexpr UINT OBJ_REGION = 8;
inline constexpr UINT OBJ_METAFILE = 9;
inline constexpr UINT OBJ_MEMDC = 10;
inline constexpr UINT OBJ_ENHMETAFILE = 13;

// Text alignment (SetTextAlign): one horizontal and one vertical choice, or-ed.
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;
inline constexpr UINT GDI_ERROR = 0xFFFFFFFFu;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// ExtTextOutA options.
inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;

// Font description values (CreateFontA, LOGFONTA).
inline constexpr int LF_FACESIZE = 32;
inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OEM_CHARSET = 255;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DRAFT_QUALITY = 1;
inline constexpr BYTE PROOF_QUALITY = 2;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;
// TEXTMETRICA::tmPitchAndFamily: this bit set means a variable-pitch font.
inline constexpr BYTE TMPF_FIXED_PITCH = 0x01;
inline constexpr BYTE TMPF_TRUETYPE = 0x04;

// Device capabilities (GetDeviceCaps).
inline constexpr int TECHNOLOGY = 2;
inline constexpr int HORZSIZE = 4;  // width of the display surface in millimetres
inline constexpr int VERTSIZE = 6;
inline constexpr int HORZRES = 8;  // width of the display surface in pixels
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int LOGPIXELSX = 88;  // pixels per logical inch
inline constexpr int LOGPIXELSY = 90;
inline constexpr int PHYSICALWIDTH = 110;  // printers: the whole sheet in pixels
inline constexpr int PHYSICALHEIGHT = 111;
inline constexpr int PHYSICALOFFSETX = 112;  // printers: the unprintable margin in pixels
inline constexpr int PHYSICALOFFSETY = 113;
inline constexpr int DT_RASDISPLAY = 1;
inline constexpr int DT_RASPRINTER = 2;
inline constexpr int DT_METAFILE = 5;

// Raster operations (BitBlt, StretchBlt, PatBlt).
inline constexpr DWORD SRCCOPY = 0x00CC0020u;
inline constexpr DWORD PATCOPY = 0x00F00021u;
inline constexpr DWORD BLACKNESS = 0x00000042u;
inline constexpr DWORD WHITENESS = 0x00FF0062u;

// Region results (SelectClipRgn, IntersectClipRect, GetClipBox).
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;  // x is the width; y is not used
  COLORREF lopnColor;
};
static_assert(sizeof(LOGPEN) == 16 && offsetof(LOGPEN, lopnWidth) == 4 && offsetof(LOGPEN, lopnColor) == 12);

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};
static_assert(sizeof(LOGBRUSH) == 16 && offsetof(LOGBRUSH, lbColor) == 4 && offsetof(LOGBRUSH, lbHatch) == 8);

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;   // tenths of a degree, counter-clockwise from the x axis
  LONG lfOrientation;  // tenths of a degree
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTA) == 60);
static_assert(offsetof(LOGFONTA, lfEscapement) == 8 && offsetof(LOGFONTA, lfWeight) == 16 &&
              offsetof(LOGFONTA, lfItalic) == 20 && offsetof(LOGFONTA, lfCharSet) == 23 &&
              offsetof(LOGFONTA, lfPitchAndFamily) == 27 && offsetof(LOGFONTA, lfFaceName) == 28);

struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
static_assert(sizeof(TEXTMETRICA) == 56);
static_assert(offsetof(TEXTMETRICA, tmInternalLeading) == 12 && offsetof(TEXTMETRICA, tmAveCharWidth) == 20 &&
              offsetof(TEXTMETRICA, tmMaxCharWidth) == 24 && offsetof(TEXTMETRICA, tmOverhang) == 32 &&
              offsetof(TEXTMETRICA, tmFirstChar) == 44 && offsetof(TEXTMETRICA, tmPitchAndFamily) == 51 &&
              offsetof(TEXTMETRICA, tmCharSet) == 52);

// The printer settings record of the printing services; only passed through here.
struct DEVMODEA;

}  // namespace platform::win

extern "C" {

// Device contexts. CreateDCA("DISPLAY", ...) (or a null driver and the device "DISPLAY") gives a
// context of the whole screen, and a printer's driver, device and port a printer context (its page
// from the settings, or the printer's own); CreateICA gives an information context that answers
// questions (capabilities, text measures) and draws nothing.
platform::win::HDC CreateDCA(const char* driver, const char* device, const char* port,
                             const platform::win::DEVMODEA* settings);
platform::win::HDC CreateICA(const char* driver, const char* device, const char* port,
                             const platform::win::DEVMODEA* settings);
// A memory context like the given one (the screen when null), holding a 1 x 1 bitmap until a
// bitmap is selected into it.
platform::win::HDC CreateCompatibleDC(platform::win::HDC hdc);
platform::win::BOOL DeleteDC(platform::win::HDC hdc);
int GetDeviceCaps(platform::win::HDC hdc, int index);
// Saves the context's state on its stack and returns the new depth (0 on failure); RestoreDC with
// a depth restores that saved state, with a negative number the state that many levels back.
int SaveDC(platform::win::HDC hdc);
platform::win::BOOL RestoreDC(platform::win::HDC hdc, int savedDc);

// Objects.
platform::win::HPEN CreatePen(int style, int width, platform::win::COLORREF color);
platform::win::HPEN CreatePenIndirect(const platform::win::LOGPEN* pen);
platform::win::HBRUSH CreateSolidBrush(platform::win::COLORREF color);
platform::win::HBRUSH CreateBrushIndirect(const platform::win::LOGBRUSH* brush);
platform::win::HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                                 platform::win::DWORD italic, platform::win::DWORD underline,
                                 platform::win::DWORD strikeOut, platform::win::DWORD charSet,
                                 platform::win::DWORD outPrecision, platform::win::DWORD clipPrecision,
                                 platform::win::DWORD quality, platform::win::DWORD pitchAndFamily, const char* face);
platform::win::HFONT CreateFontIndirectA(const platform::win::LOGFONTA* font);
// A rectangular region in device units.
platform::win::HRGN CreateRectRgn(int left, int top, int right, int bottom);
// A bitmap of the given size in pixels for the device of the context.
platform::win::HBITMAP CreateCompatibleBitmap(platform::win::HDC hdc, int width, int height);
platform::win::HGDIOBJ GetStockObject(int index);
// Selects a pen, brush, font or bitmap and returns the one it replaces (null on failure); a region
// becomes the clip region and the result is a region type (as SelectClipRgn) cast to a handle.
platform::win::HGDIOBJ SelectObject(platform::win::HDC hdc, platform::win::HGDIOBJ object);
platform::win::HGDIOBJ GetCurrentObject(platform::win::HDC hdc, platform::win::UINT type);
platform::win::BOOL DeleteObject(platform::win::HGDIOBJ object);
platform::win::DWORD GetObjectType(platform::win::HGDIOBJ object);
// Copies the description of a pen (LOGPEN), brush (LOGBRUSH) or font (LOGFONTA); returns the
// bytes written, or the size needed when the buffer is null; 0 on failure.
int GetObjectA(platform::win::HGDIOBJ object, int size, void* buffer);

// Mapping.
int SetMapMode(platform::win::HDC hdc, int mode);
int GetMapMode(platform::win::HDC hdc);
platform::win::BOOL SetWindowOrgEx(platform::win::HDC hdc, int x, int y, platform::win::POINT* previous);
platform::win::BOOL SetWindowExtEx(platform::win::HDC hdc, int x, int y, platform::win::SIZE* previous);
platform::win::BOOL SetViewportOrgEx(platform::win::HDC hdc, int x, int y, platform::win::POINT* previous);
platform::win::BOOL SetViewportExtEx(platform::win::HDC hdc, int x, int y, platform::win::SIZE* previous);
platform::win::BOOL GetWindowOrgEx(platform::win::HDC hdc, platform::win::POINT* origin);
platform::win::BOOL GetWindowExtEx(platform::win::HDC hdc, platform::win::SIZE* extent);
platform::win::BOOL GetViewportOrgEx(platform::win::HDC hdc, platform::win::POINT* origin);
platform::win::BOOL GetViewportExtEx(platform::win::HDC hdc, platform::win::SIZE* extent);
platform::win::BOOL LPtoDP(platform::win::HDC hdc, platform::win::POINT* points, int count);
platform::win::BOOL DPtoLP(platform::win::HDC hdc, platform::win::POINT* points, int count);

// Attributes.
platform::win::COLORREF SetTextColor(platform::win::HDC hdc, platform::win::COLORREF color);
platform::win::COLORREF GetTextColor(platform::win::HDC hdc);
platform::win::COLORREF SetBkColor(platform::win::HDC hdc, platform::win::COLORREF color);
platform::win::COLORREF GetBkColor(platform::win::HDC hdc);
int SetBkMode(platform::win::HDC hdc, int mode);
int GetBkMode(platform::win::HDC hdc);
platform::win::UINT SetTextAlign(platform::win::HDC hdc, platform::win::UINT align);
platform::win::UINT GetTextAlign(platform::win::HDC hdc);

// Clipping. The region's coordinates are device units; a null region removes the clipping.
int SelectClipRgn(platform::win::HDC hdc, platform::win::HRGN region);
int IntersectClipRect(platform::win::HDC hdc, int left, int top, int right, int bottom);
// The smallest rectangle around the visible area, in logical units.
int GetClipBox(platform::win::HDC hdc, platform::win::RECT* box);

// Lines and shapes. Shapes are outlined with the pen and filled with the brush; Arc draws
// counter-clockwise from the radial through the start point to the radial through the end point.
platform::win::BOOL MoveToEx(platform::win::HDC hdc, int x, int y, platform::win::POINT* previous);
platform::win::BOOL GetCurrentPositionEx(platform::win::HDC hdc, platform::win::POINT* position);
platform::win::BOOL LineTo(platform::win::HDC hdc, int x, int y);
platform::win::BOOL Polyline(platform::win::HDC hdc, const platform::win::POINT* points, int count);
platform::win::BOOL Rectangle(platform::win::HDC hdc, int left, int top, int right, int bottom);
platform::win::BOOL Ellipse(platform::win::HDC hdc, int left, int top, int right, int bottom);
platform::win::BOOL Arc(platform::win::HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart,
                        int xEnd, int yEnd);
// Fills the rectangle (right and bottom edges excluded) with the brush, without an outline.
int FillRect(platform::win::HDC hdc, const platform::win::RECT* rect, platform::win::HBRUSH brush);

// Text.
platform::win::BOOL TextOutA(platform::win::HDC hdc, int x, int y, const char* text, int count);
platform::win::BOOL ExtTextOutA(platform::win::HDC hdc, int x, int y, platform::win::UINT options,
                                const platform::win::RECT* rect, const char* text, platform::win::UINT count,
                                const int* advances);
platform::win::BOOL GetTextExtentPoint32A(platform::win::HDC hdc, const char* text, int count,
                                          platform::win::SIZE* size);
platform::win::BOOL GetTextMetricsA(platform::win::HDC hdc, platform::win::TEXTMETRICA* metrics);

// Block transfers. Widths and heights are logical units of their own context.
platform::win::BOOL BitBlt(platform::win::HDC target, int x, int y, int width, int height, platform::win::HDC source,
                           int xSource, int ySource, platform::win::DWORD rop);
platform::win::BOOL StretchBlt(platform::win::HDC target, int x, int y, int width, int height,
                               platform::win::HDC source, int xSource, int ySource, int widthSource, int heightSource,
                               platform::win::DWORD rop);
platform::win::BOOL PatBlt(platform::win::HDC hdc, int x, int y, int width, int height, platform::win::DWORD rop);

}  // extern "C"
