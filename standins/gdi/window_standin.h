#pragma once
// Control of the stand-in's windows, dialogs, message queue, caret, system colours, message boxes,
// beeps, module file names and clipboard, for host programs and tests. These live in the graphics stand-in because a
// window's contexts draw on its surface; gdi's reset() forgets them too, and its failOperation
// takes their function names ("GetDC", "BeginPaint", "CreateCaret", "MessageBoxA",
// "OpenClipboard", "SetClipboardData", "GetModuleFileNameA", ...). Their calls are written to the
// graphics call log (callLog()) in the same form ("GetDC wnd14", "InvalidateRect wnd14 0 0 80 16 1",
// "MessageBoxA 0 16 Error: text", "SetClipboardData CF_METAFILEPICT"); GetCaretPos is a query and
// is not logged. The behaviour is described in standins/gdi/README.md.

#include <optional>
#include <string>
#include <vector>

#include "platform/windows/clipboard.h"
#include "platform/windows/gdi.h"
#include "platform/windows/window.h"
#include "standins/gdi/gdi_standin.h"

namespace standins::gdi {

// A window with a client area of the given size, white unless told otherwise; its contexts draw on
// one surface (96 pixels per inch, the screen's capabilities).
platform::win::HWND createWindow(int clientWidth, int clientHeight, platform::win::COLORREF background = 0xFFFFFF);
// Removes the window without a message to it; its contexts draw on nothing afterwards and its queued
// messages are dropped. False for an unknown window.
bool destroyWindow(platform::win::HWND window);
int liveWindows();

// The window's surface, as the contexts of its GetDC and BeginPaint draw on it.
const std::vector<DisplayEntry>& windowDisplayList(platform::win::HWND window);
void clearWindowDisplayList(platform::win::HWND window);
// Writes the window's client area as a PNG; false for an unknown window or a failed write.
bool writeWindowPng(platform::win::HWND window, const std::string& path);

// The part of the client area waiting to be painted (the bounding rectangle of every
// invalidation), and whether its background is to be erased; nullopt when none is invalid.
std::optional<platform::win::RECT> invalidRect(platform::win::HWND window);
bool erasePending(platform::win::HWND window);
// Contexts of GetDC and BeginPaint not yet given back, over all windows.
int openWindowContexts();
// Times the window was painted (BeginPaint), and how many of those erased.
int paintCount(platform::win::HWND window);

// The caret as the window system keeps it; nullopt when none exists.
struct CaretState {
  platform::win::HWND window = nullptr;
  platform::win::POINT position{0, 0};
  platform::win::SIZE size{0, 0};
  int hideLevel = 1;  // shown while 0
  bool visible() const { return hideLevel == 0; }
};
std::optional<CaretState> caret();

// System colours; the defaults are those of the classic Windows scheme (active caption navy
// 0, 0, 128 with white text, inactive caption grey 128, 128, 128 with 192, 192, 192 text, window
// white, window text black, button face 192, 192, 192).
void setSysColor(int index, platform::win::COLORREF color);

// Message boxes shown, in order, and the answer they give (default IDOK; each box answers IDOK or
// the set answer).
struct MessageBoxCall {
  platform::win::HWND owner = nullptr;
  std::string text;
  std::string caption;
  platform::win::UINT style = 0;
  int answer = 0;
};
const std::vector<MessageBoxCall>& messageBoxes();
void clearMessageBoxes();
void setMessageBoxAnswer(int answer);
// Sounds of MessageBeep, in order.
const std::vector<platform::win::UINT>& beeps();

// The Windows path GetModuleFileNameA gives for a module handle; a null handle sets the program's
// own (default: this process's executable written as a Windows path).
void setModuleFileName(platform::win::HMODULE module, std::string windowsPath);

// Windows are visible and enabled when made; dialogs hidden until ShowWindow. These read the state
// without a call of the window system (false for an unknown window).
bool windowVisible(platform::win::HWND window);
bool windowEnabled(platform::win::HWND window);
// The procedure that DispatchMessageA and SendMessageA call for the window (null: none).
void setWindowProcedure(platform::win::HWND window, platform::win::WNDPROC procedure);

// The dialogs CreateDialogParamA made, in order, destroyed ones included. The stand-in knows no
// templates: a dialog is a hidden window of 200 x 100 pixels whose procedure receives every message.
struct DialogRecord {
  platform::win::HWND window = nullptr;
  std::string templateName;  // "#<number>" for a template named by number
  platform::win::HINSTANCE instance = nullptr;
  platform::win::HWND parent = nullptr;
  bool live = true;
};
const std::vector<DialogRecord>& dialogs();

// The messages waiting in the thread's queue, oldest first.
std::vector<platform::win::MSG> queuedMessages();
// Posts a click on a dialog's Cancel button: WM_COMMAND with IDCANCEL and BN_CLICKED, to the dialog
// (null: the newest live dialog when the click is posted). With a number of page steps, the click
// is posted once that many StartPage or EndPage calls have ended, so that a test can cancel in the
// middle of a job; a click whose dialog is gone by then is dropped.
void postCancelClick(int afterPageSteps = 0, platform::win::HWND dialog = nullptr);

// The clipboard: the formats it holds in the order they were set, the item of a format (without
// opening it), and whether a window has it open.
std::vector<platform::win::UINT> clipboardFormats();
platform::win::HANDLE clipboardData(platform::win::UINT format);
bool clipboardOpen();
// Another window takes the clipboard and keeps it open, so that OpenClipboard fails, until
// releaseClipboard().
void holdClipboard(platform::win::HWND other);
void releaseClipboard();

}  // namespace standins::gdi
