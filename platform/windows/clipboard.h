#pragma once
// The Windows clipboard: one per session, opened by a window, holding one item per format.

#include "platform/windows/types.h"

namespace platform::win {

inline constexpr UINT CF_TEXT = 1;          // a global memory block of NUL-terminated ANSI text
inline constexpr UINT CF_BITMAP = 2;        // a bitmap handle (HBITMAP)
inline constexpr UINT CF_METAFILEPICT = 3;  // a global memory block holding a METAFILEPICT

}  // namespace platform::win

extern "C" {

// Opens the clipboard for the window (null: for the calling task); FALSE while another window has
// it open.
platform::win::BOOL OpenClipboard(platform::win::HWND owner);
platform::win::BOOL CloseClipboard();
// Frees everything the clipboard holds; the clipboard must be open.
platform::win::BOOL EmptyClipboard();
// Puts the item on the open clipboard, replacing the one of its format; the clipboard then owns it
// (the memory block, and a METAFILEPICT's metafile, or the bitmap). Returns the item, null on
// failure (the caller keeps it then).
platform::win::HANDLE SetClipboardData(platform::win::UINT format, platform::win::HANDLE data);
// The item of that format on the open clipboard, still owned by the clipboard; null when none.
platform::win::HANDLE GetClipboardData(platform::win::UINT format);
platform::win::BOOL IsClipboardFormatAvailable(platform::win::UINT format);

}  // extern "C"
