#pragma once
// Windows windows as the report library uses them: device contexts of a window's client area,
// painting and invalidation, the caret, system colours, the beep, message boxes and the file name
// of a module; modeless dialogs, showing and enabling windows, and the thread's message queue.

#include <cstddef>
#include <cstdint>

#include "platform/windows/types.h"

namespace platform::win {

using HMODULE = HINSTANCE;

// Message parameters and results: pointer-sized.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// A window procedure, and a dialog procedure (TRUE when it handled the message).
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
using DLGPROC = INT_PTR (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A message of the thread's queue.
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
static_assert(sizeof(MSG) == 48);
static_assert(offsetof(MSG, message) == 8 && offsetof(MSG, wParam) == 16 && offsetof(MSG, lParam) == 24 &&
              offsetof(MSG, time) == 32 && offsetof(MSG, pt) == 36);

// Messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_INITDIALOG = 0x0110;  // wParam: the control to focus; lParam: CreateDialogParamA's
inline constexpr UINT WM_COMMAND = 0x0111;     // wParam: notification code << 16 | control id
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_USER = 0x0400;

// Button notification of WM_COMMAND.
inline constexpr WORD BN_CLICKED = 0;

// PeekMessageA: whether the message is taken from the queue.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;

constexpr WORD LOWORD(std::uintptr_t value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
  return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}

// A resource named by number instead of by text: the number in place of the text's address.
inline const char* MAKEINTRESOURCEA(WORD id) { return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id)); }
constexpr bool IS_INTRESOURCE(const void* name) { return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0; }

// What BeginPaint hands the painter: the context and the part of the client area to paint.
struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;   // TRUE when the background still has to be erased by the painter
  RECT rcPaint;  // the invalid rectangle, client coordinates
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
static_assert(sizeof(PAINTSTRUCT) == 72);
static_assert(offsetof(PAINTSTRUCT, fErase) == 8 && offsetof(PAINTSTRUCT, rcPaint) == 12 &&
              offsetof(PAINTSTRUCT, fRestore) == 28 && offsetof(PAINTSTRUCT, fIncUpdate) == 32 &&
              offsetof(PAINTSTRUCT, rgbReserved) == 36);

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

// A modeless dialog from the named template (a text, or MAKEINTRESOURCEA of a number) of the module,
// owned by the parent window. Its procedure receives WM_INITDIALOG with the parameter before the
// call returns. Null when the dialog cannot be made.
platform::win::HWND CreateDialogParamA(platform::win::HINSTANCE instance, const char* templateName,
                                       platform::win::HWND parent, platform::win::DLGPROC procedure,
                                       platform::win::LPARAM parameter);
// Removes a window or dialog (its procedure receives WM_DESTROY); FALSE for one that does not exist.
platform::win::BOOL DestroyWindow(platform::win::HWND window);
platform::win::BOOL IsWindow(platform::win::HWND window);
// Shows or hides the window; returns whether it was visible before.
platform::win::BOOL ShowWindow(platform::win::HWND window, int command);
platform::win::BOOL IsWindowVisible(platform::win::HWND window);
// Enables or disables input to the window; returns TRUE when it was disabled before.
platform::win::BOOL EnableWindow(platform::win::HWND window, platform::win::BOOL enable);
platform::win::BOOL IsWindowEnabled(platform::win::HWND window);

// Puts a message at the end of the thread's queue for the window; FALSE for a window that does not
// exist (a null window posts a message of the thread).
platform::win::BOOL PostMessageA(platform::win::HWND window, platform::win::UINT message, platform::win::WPARAM wParam,
                                 platform::win::LPARAM lParam);
// Calls the window's procedure at once and returns its result (0 when it has none).
platform::win::LRESULT SendMessageA(platform::win::HWND window, platform::win::UINT message,
                                    platform::win::WPARAM wParam, platform::win::LPARAM lParam);
// Looks at the first waiting message for the window (null: any of the thread) whose number lies
// within the filter (both 0: any), and with PM_REMOVE takes it from the queue. FALSE when none waits.
platform::win::BOOL PeekMessageA(platform::win::MSG* message, platform::win::HWND window, platform::win::UINT filterMin,
                                 platform::win::UINT filterMax, platform::win::UINT remove);
// When the message is for the dialog, hands it to the dialog's procedure and returns TRUE;
// otherwise FALSE and nothing happens.
platform::win::BOOL IsDialogMessageA(platform::win::HWND dialog, platform::win::MSG* message);
// Turns key messages into character messages; TRUE when it did.
platform::win::BOOL TranslateMessage(const platform::win::MSG* message);
// Hands the message to its window's procedure and returns its result (0 when it has none).
platform::win::LRESULT DispatchMessageA(const platform::win::MSG* message);

}  // extern "C"
