#include "run/case_backup.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/windows/files.h"
#include "transfer/engine_text.h"

namespace kvom::run {
namespace {

constexpr std::string_view kCaseExtension = ".QDX";
constexpr std::string_view kBackupExtension = "BAK";
constexpr std::string_view kRestoreExtension = "RST";

// The flag SaveCase is given: write the case.
constexpr std::int16_t kSaveFlag = 1;

bool sameString(platform::BSTR a, platform::BSTR b) {
  const std::u16string_view first(a == nullptr ? u"" : a, SysStringLen(a));
  const std::u16string_view second(b == nullptr ? u"" : b, SysStringLen(b));
  return first == second;
}

// The restore file: a name beside the case file that was free, made by this restore. It is removed
// when the restore ends, unless it has become the case file. Never a file the run did not make.
class RestoreFile {
 public:
  // Takes the first free one of the restore path and its numbered forms (the last two letters of
  // the extension replaced by 00 to 99), made exclusively; empty when none could be made.
  explicit RestoreFile(const std::string& restorePath) {
    for (int number = -1; number < kNumberedNames; ++number) {
      std::string candidate = restorePath;
      if (number >= 0) {
        candidate[candidate.size() - 2] = static_cast<char>('0' + number / 10);
        candidate[candidate.size() - 1] = static_cast<char>('0' + number % 10);
      }
      const platform::win::HANDLE made =
          CreateFileA(candidate.c_str(), platform::win::GENERIC_WRITE, 0, nullptr, platform::win::CREATE_NEW,
                      platform::win::FILE_ATTRIBUTE_NORMAL, nullptr);
      if (made != platform::win::INVALID_HANDLE_VALUE) {
        CloseHandle(made);
        path_ = std::move(candidate);
        return;
      }
      // A name that is free and still cannot be made: the folder takes no file, and no other
      // name would do better.
      if (GetFileAttributesA(candidate.c_str()) == platform::win::INVALID_FILE_ATTRIBUTES) return;
    }
  }
  RestoreFile(const RestoreFile&) = delete;
  RestoreFile& operator=(const RestoreFile&) = delete;
  ~RestoreFile() {
    if (path_.empty()) return;
    try {
      if (GetFileAttributesA(path_.c_str()) != platform::win::INVALID_FILE_ATTRIBUTES) DeleteFileA(path_.c_str());
    } catch (...) {
      // A failure raised while the restore is already unwinding leaves the file; it names no case.
    }
  }
  bool made() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  static constexpr int kNumberedNames = 100;
  std::string path_;
};

}  // namespace

std::string backupPathOf(std::string_view casePath) {
  const std::string_view path = trimRight(casePath);
  if (path.empty()) return {};
  const std::size_t extension = path.find(kCaseExtension);
  // Up to and including the full stop of the first ".QDX"; without one, the whole path and a full stop.
  std::string backup(extension == std::string_view::npos ? path : path.substr(0, extension + 1));
  if (extension == std::string_view::npos) backup += '.';
  backup += kBackupExtension;
  return backup;
}

bool backUpCase(std::string_view casePath) {
  const std::string backup = backupPathOf(casePath);
  if (backup.empty()) return false;
  const std::string path(trimRight(casePath));
  if (CopyFileA(path.c_str(), backup.c_str(), platform::win::FALSE) != platform::win::FALSE) return true;
  DeleteFileA(backup.c_str());
  return false;
}

bool hasBackup(std::string_view casePath) {
  const std::string backup = backupPathOf(casePath);
  return !backup.empty() && GetFileAttributesA(backup.c_str()) != platform::win::INVALID_FILE_ATTRIBUTES;
}

bool restoreCase(std::string_view casePath) {
  if (!hasBackup(casePath)) return true;
  const std::string backup = backupPathOf(casePath);
  const std::string path(trimRight(casePath));
  const RestoreFile restore(backup.substr(0, backup.size() - kBackupExtension.size()) + std::string(kRestoreExtension));
  if (!restore.made()) return false;
  // The copy replaces only the empty file this restore has just made.
  if (CopyFileA(backup.c_str(), restore.path().c_str(), platform::win::FALSE) == platform::win::FALSE) return false;
  constexpr platform::win::DWORD kReplace =
      platform::win::MOVEFILE_REPLACE_EXISTING | platform::win::MOVEFILE_WRITE_THROUGH;
  return MoveFileExA(restore.path().c_str(), path.c_str(), kReplace) != platform::win::FALSE;
}

bool deleteBackup(std::string_view casePath) {
  const std::string backup = backupPathOf(casePath);
  return !backup.empty() && DeleteFileA(backup.c_str()) != platform::win::FALSE;
}

bool saveCase(platform::EngineApplication& engine, FixedText casePath) {
  // SaveCase reads the path and may replace it with a string of its own (freeing ours).
  const transfer::EngineString converted(casePath.view());
  transfer::EngineString held;
  platform::BSTR* path = held.receive();
  *path = SysAllocStringLen(converted.get(), SysStringLen(converted.get()));
  std::int16_t flag = kSaveFlag;
  std::int16_t saved = 0;
  const platform::HRESULT result = engine.SaveCase(path, &flag, &saved);
  // Only a path that the engine changed is taken: the text sent may differ from the caller's (a
  // character without a counterpart in the code page), and must not come back in its place.
  if (!sameString(held.get(), converted.get())) transfer::copyEngineText(held.get(), casePath);
  return result >= 0;  // a failure code has its top bit set
}

}  // namespace kvom::run
