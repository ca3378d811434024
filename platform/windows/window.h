#pragma once
// Windows windows as the report library uses them: device contexts of a window's client area,
// painting and invalidation, the caret, system colours, the beep, message boxes and the file name
// of a module.

#include "platform/windows/types.h"

namespace platform::win {

using HMODULE = HINSTANCE;

// What BeginPaint hands the painter: the context and the part of the client area to paint.
struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;   // TRUE when the background still has to be erased by the painter
  RECT rcPaint;  // the invalid rectangle, client coordinates
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

// System colours (GetSysColor).
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;

// Message box styles: one button set and one icon, or-ed.
inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_OKCANCEL = 0x0001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
inline constexpr UINT MB_YESNOCANCEL = 0x0003;
inline constexpr UINT MB_YESNO = 0x0004;
inline constexpr UINT MB_RETRYCANCEL = 0x0005;
inline constexpr UINT MB_ICONHAND = 0x0010;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x0020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x0030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x0040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_APPLMODAL = 0x0000;
inline constexpr UINT MB_SYSTEMMODAL = 0x1000;
inline constexpr UINT MB_TASKMODAL = 0x2000;

// Message box answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// MessageBeep sounds (0 is the default beep as well).
inline constexpr UINT MB_DEFAULTBEEP = 0xFFFFFFFFu;

}  // namespace platform::win

extern "C" {

// A context drawing on the window's client area (the whole screen for a null window); give it back
// with ReleaseDC. Null for a window that does not exist.
platform::win::HDC GetDC(platform::win::HWND window);
// 1 when the context was released, 0 when it was no context of that window.
int ReleaseDC(platform::win::HWND window, platform::win::HDC hdc);

// Starts painting: fills the paint record with a context clipped to the invalid rectangle and
// erases that rectangle to the window's background when an erase is pending. Null for a window
// that does not exist.
platform::win::HDC BeginPaint(platform::win::HWND window, platform::win::PAINTSTRUCT* paint);
// Ends painting: releases the context and validates the window.
platform::win::BOOL EndPaint(platform::win::HWND window, const platform::win::PAINTSTRUCT* paint);
// Adds the rectangle (client coordinates; null: the whole client area) to the window's invalid
// area; with erase, its background is erased when it is next painted.
platform::win::BOOL InvalidateRect(platform::win::HWND window, const platform::win::RECT* rect,
                                   platform::win::BOOL erase);
// Paints the window at once when part of it is invalid.
platform::win::BOOL UpdateWindow(platform::win::HWND window);
// The client area: left and top 0, right and bottom its width and height.
platform::win::BOOL GetClientRect(platform::win::HWND window, platform::win::RECT* rect);

// The caret: one per thread, owned by a window, hidden when created.
platform::win::BOOL CreateCaret(platform::win::HWND window, platform::win::HBITMAP bitmap, int width, int height);
platform::win::BOOL DestroyCaret();
// Showing and hiding count: a caret hidden twice needs two ShowCaret calls. A null window means the
// caret's own window.
platform::win::BOOL ShowCaret(platform::win::HWND window);
platform::win::BOOL HideCaret(platform::win::HWND window);
// Client coordinates of the caret's window.
platform::win::BOOL SetCaretPos(int x, int y);
platform::win::BOOL GetCaretPos(platform::win::POINT* point);

// The colour of a display element (COLOR_...); 0 for an unknown index.
platform::win::DWORD GetSysColor(int index);

// Plays a sound (0 or MB_DEFAULTBEEP: the default beep; else the sound of a message box icon).
platform::win::BOOL MessageBeep(platform::win::UINT type);
// Shows a modal message box owned by the window (none for null) and returns the button chosen
// (IDOK...); a null caption shows the default caption "Error"; 0 when the box cannot be shown.
int MessageBoxA(platform::win::HWND owner, const char* text, const char* caption, platform::win::UINT type);

// The full Windows path of the module's file (the program's for null), cut to the buffer and
// NUL-terminated; returns the characters copied without the NUL, size when the name was cut, and 0
// for an unknown module.
platform::win::DWORD GetModuleFileNameA(platform::win::HMODULE module, char* buffer, platform::win::DWORD size);

}  // extern "C"
