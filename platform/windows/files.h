#pragma once
// Windows file services. Paths are Windows path texts: backslash separators, an optional drive
// ("D:"). The run-time's own file operations that the adapter uses stand here too.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/windows/types.h"

namespace platform::win {

inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;
inline constexpr int MAX_PATH = 260;
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

// What FindFirstFileA and FindNextFileA tell of a file found.
struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];  // the short 8.3 name, empty when the name is short already
};
static_assert(sizeof(WIN32_FIND_DATAA) == 320);
static_assert(offsetof(WIN32_FIND_DATAA, ftLastWriteTime) == 20 && offsetof(WIN32_FIND_DATAA, nFileSizeHigh) == 28 &&
              offsetof(WIN32_FIND_DATAA, nFileSizeLow) == 32 && offsetof(WIN32_FIND_DATAA, cFileName) == 44 &&
              offsetof(WIN32_FIND_DATAA, cAlternateFileName) == 304);

}  // namespace platform::win

extern "C" {

platform::win::BOOL CopyFileA(const char* existingFile, const char* newFile, platform::win::BOOL failIfExists);
platform::win::BOOL DeleteFileA(const char* file);
// Renames a file within its volume in one step; with MOVEFILE_REPLACE_EXISTING an existing target
// is replaced, so that readers see either the old or the new file, never a mixture.
platform::win::BOOL MoveFileExA(const char* existingFile, const char* newFile, platform::win::DWORD flags);
// Finds the files matching the pattern (the name part may hold * and ?).
platform::win::HANDLE FindFirstFileA(const char* pattern, platform::win::WIN32_FIND_DATAA* found);
platform::win::BOOL FindNextFileA(platform::win::HANDLE search, platform::win::WIN32_FIND_DATAA* found);
platform::win::BOOL FindClose(platform::win::HANDLE search);
// Writes the temp directory (ending with a backslash) and returns its length; when the buffer is
// too small, returns the size needed and writes nothing; 0 on failure.
platform::win::DWORD GetTempPathA(platform::win::DWORD bufferSize, char* buffer);
platform::win::DWORD GetFileAttributesA(const char* path);
platform::win::HANDLE CreateFileA(const char* file, platform::win::DWORD access, platform::win::DWORD shareMode,
                                  void* security, platform::win::DWORD disposition, platform::win::DWORD flags,
                                  platform::win::HANDLE templateFile);
platform::win::BOOL CloseHandle(platform::win::HANDLE handle);
// Moves the file pointer of an open file by the distance (the high 32 bits in *distanceHigh when
// it is given) from the start, the current position or the end; returns the low 32 bits of the
// new position and puts the high ones into *distanceHigh. INVALID_SET_FILE_POINTER on failure (a
// position before the start, a handle of no file).
platform::win::DWORD SetFilePointer(platform::win::HANDLE file, platform::win::LONG distance,
                                    platform::win::LONG* distanceHigh, platform::win::DWORD moveMethod);
// Makes the file pointer's position the end of the file: a longer file is cut there. The handle
// needs write access.
platform::win::BOOL SetEndOfFile(platform::win::HANDLE file);

}  // extern "C"

namespace platform::crt {

// The run-time's file removal: 0 on success; a folder is refused.
int removeFile(const char* path);
// The run-time's fopen on a Windows path text, with the run-time's mode letters ("r", "rb", "w",
// "a", ...). In text mode (no "b") every LF written reaches the disk as CR LF and CR LF read comes
// back as one LF, as the run-time does; positions (ftell, fseek) are bytes on disk. Null when the
// file cannot be opened.
std::FILE* openFile(const char* path, const char* mode);

}  // namespace platform::crt
