// File information of the files that CreateFileA opened: the device and inode number of this
// machine stand for the volume serial number and the file index.

#include "platform/windows/file_identity.h"

#include <sys/stat.h>

#include <cstdint>

#include "standins/windows/windows_state.h"

using namespace platform::win;
using standins::windows::detail::record;
using standins::windows::detail::state;

extern "C" {

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
  record("GetFileInformationByHandle");
  const auto it = state().files.find(reinterpret_cast<std::uintptr_t>(file));
  struct stat status {};
  if (information == nullptr || it == state().files.end() || ::fstat(it->second.descriptor, &status) != 0) {
    return FALSE;
  }
  *information = {};
  information->dwFileAttributes = S_ISDIR(status.st_mode) ? 0x10 : 0x80;
  information->dwVolumeSerialNumber =
      static_cast<DWORD>(status.st_dev ^ (static_cast<std::uint64_t>(status.st_dev) >> 32));
  const auto size = static_cast<std::uint64_t>(status.st_size);
  information->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  information->nFileSizeLow = static_cast<DWORD>(size);
  information->nNumberOfLinks = static_cast<DWORD>(status.st_nlink);
  const auto index = static_cast<std::uint64_t>(status.st_ino);
  information->nFileIndexHigh = static_cast<DWORD>(index >> 32);
  information->nFileIndexLow = static_cast<DWORD>(index);
  return TRUE;
}

}  // extern "C"
