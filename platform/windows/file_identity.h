#pragma once
// Identity of an open file: two names, however spelt, name one file when their volume serial
// number and file index agree.

#include "platform/windows/types.h"

namespace platform::win {

inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

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

}  // namespace platform::win

extern "C" {

// Fills the information of a file opened by CreateFileA; FALSE for any other handle.
platform::win::BOOL GetFileInformationByHandle(platform::win::HANDLE file,
                                               platform::win::BY_HANDLE_FILE_INFORMATION* information);

}  // extern "C"
