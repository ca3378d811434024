#include "run/case_backup.h"

#include <cstdint>
#include <string_view>

#include "platform/windows/files.h"
#include "transfer/engine_text.h"

namespace kvom::run {
namespace {

constexpr std::string_view kCaseExtension = ".QDX";
constexpr std::string_view kBackupExtension = "BAK";

// The flag SaveCase is given: write the case.
constexpr std::int16_t kSaveFlag = 1;

bool sameString(platform::BSTR a, platform::BSTR b) {
  const std::u16string_view first(a == nullptr ? u"" : a, SysStringLen(a));
  const std::u16string_view second(b == nullptr ? u"" : b, SysStringLen(b));
  return first == second;
}

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

bool restoreCase(std::string_view casePath) {
  const std::string backup = backupPathOf(casePath);
  if (backup.empty()) return false;
  const std::string path(trimRight(casePath));
  return CopyFileA(backup.c_str(), path.c_str(), platform::win::FALSE) != platform::win::FALSE;
}

bool deleteBackup(std::string_view casePath) {
  const std::string backup = backupPathOf(casePath);
  return !backup.empty() && DeleteFileA(backup.c_str()) != platform::win::FALSE;
}

void saveAndRefreshCase(platform::EngineApplication& engine, FixedText casePath) {
  // SaveCase reads the path and may replace it with a string of its own (freeing ours).
  const transfer::EngineString converted(casePath.view());
  transfer::EngineString held;
  platform::BSTR* path = held.receive();
  *path = SysAllocStringLen(converted.get(), SysStringLen(converted.get()));
  std::int16_t flag = kSaveFlag;
  std::int16_t saved = 0;
  engine.SaveCase(path, &flag, &saved);
  // Only a path that the engine changed is taken: the text sent may differ from the caller's (a
  // character without a counterpart in the code page), and must not come back in its place.
  if (!sameString(held.get(), converted.get())) transfer::copyEngineText(held.get(), casePath);
  engine.RefreshCase();
}

}  // namespace kvom::run
