#pragma once
// Conversion of text from the OEM code page (437) to the ANSI code page (1252).

#include "platform/windows/types.h"

extern "C" {

// Converts length bytes from source into target (which may be the same buffer); TRUE on success.
// Characters that the ANSI code page lacks (box drawing, shades, Greek letters, mathematical signs)
// become the nearest plain character: '|' '-' '+' '=' for lines and corners, '#' for shades and
// blocks, the Latin letter for a Greek one.
platform::win::BOOL OemToCharBuffA(const char* source, char* target, platform::win::DWORD length);

}  // extern "C"
