#pragma once
// Windows registry services.

#include <cstdint>

#include "platform/windows/types.h"

namespace platform::win {

using HKEY = void*;
using REGSAM = DWORD;
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_ALL_SUBKEY_ACCESS = 0x2001F;
inline constexpr DWORD REG_SZ = 1;

}  // namespace platform::win

extern "C" {

platform::win::LONG RegOpenKeyExA(platform::win::HKEY key, const char* subKey, platform::win::DWORD options,
                                  platform::win::REGSAM access, platform::win::HKEY* result);
// Reads the named value; *size holds the capacity of data on entry and the size of the value on
// return. A value larger than the capacity gives ERROR_MORE_DATA and writes nothing.
platform::win::LONG RegQueryValueExA(platform::win::HKEY key, const char* valueName, platform::win::DWORD* reserved,
                                     platform::win::DWORD* type, std::uint8_t* data, platform::win::DWORD* size);
platform::win::LONG RegCloseKey(platform::win::HKEY key);

}  // extern "C"
