#pragma once
// Windows profile (initialisation) files: "[section]" lines followed by "key=value" lines.
// Sections and keys are found without regard to case. A file name without a directory part names
// a file in the Windows directory; the "Profile" calls use "win.ini" there.

#include "platform/windows/types.h"

extern "C" {

// Copies the value of key in section (blanks around it and one pair of enclosing quotes removed),
// or the default when the file, section or key is missing (null default: empty), into the buffer,
// cut to size - 1 characters and NUL-terminated; returns the characters copied (size - 1 when cut).
// A null key lists the keys of the section, a null section the sections of the file: each name
// NUL-terminated, the list ended by a second NUL; when the list is cut the result is size - 2.
platform::win::DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                              char* buffer, platform::win::DWORD size, const char* file);
// Sets key in section to value, creating the file, the section and the key as needed. A null value
// deletes the key, a null key the whole section. FALSE when the file cannot be written.
platform::win::BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                               const char* file);
// The value read as a decimal integer (leading blanks and a sign allowed, reading stops at the
// first other character; no digits read as 0); the default when the key is missing.
platform::win::UINT GetPrivateProfileIntA(const char* section, const char* key, platform::win::INT defaultValue,
                                          const char* file);

platform::win::DWORD GetProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                       platform::win::DWORD size);
platform::win::BOOL WriteProfileStringA(const char* section, const char* key, const char* value);
platform::win::UINT GetProfileIntA(const char* section, const char* key, platform::win::INT defaultValue);

}  // extern "C"
