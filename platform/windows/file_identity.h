#pragma once
// Identity of an open file: two names, however spelt, name one file when their volume serial
// number and file index agree.

#include <cstddef>

#include "platform/windows/types.h"

namespace platform::win {

inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;

struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};
static_assert(sizeof(BY_HANDLE_FILE_INFORMATION) == 52);
static_assert(offsetof(BY_HANDLE_FILE_INFORMATION, ftCreationTime) == 4 &&
              offsetof(BY_HANDLE_FILE_INFORMATION, ftLastWriteTime) == 20 &&
              offsetof(BY_HANDLE_FILE_INFORMATION, dwVolumeSerialNumber) == 28 &&
              offsetof(BY_HANDLE_FILE_INFORMATION, nFileSizeHigh) == 32 &&
              offsetof(BY_HANDLE_FILE_INFORMATION, nFileSizeLow) == 36 &&
              offsetof(BY_HANDLE_FILE_INFORMATION, nNumberOfLinks) == 40 &&
              offsetof(BY_HANDLE_FILE_INFORMATION, nFileIndexHigh) == 44 &&
              offsetof(BY_HANDLE_FILE_INFORMATION, nFileIndexLow) == 48);

}  // namespace platform::win

extern "C" {

// Fills the information of a file opened by CreateFileA; FALSE for any other handle.
platform::win::BOOL GetFileInformationByHandle(platform::win::HANDLE file,
                                               platform::win::BY_HANDLE_FILE_INFORMATION* information);

}  // extern "C"
