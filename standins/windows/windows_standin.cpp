// Control of the Windows-services stand-in and the mapping of Windows path texts onto this
// machine's paths.

#include "standins/windows/windows_standin.h"

#include <cctype>
#include <cstdio>

#include "standins/windows/windows_state.h"

namespace standins::windows {
namespace detail {

State& state() {
  static State instance;
  return instance;
}

void record(std::string entry) { state().log.push_back(std::move(entry)); }

std::string_view text(const char* argument) { return argument != nullptr ? argument : ""; }

std::string hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", value);
  return buffer;
}

bool failsNow(std::string_view operation) {
  const auto it = state().failing.find(operation);
  if (it == state().failing.end()) return false;
  auto& [skip, times] = it->second;
  if (skip > 0) {
    --skip;
    return false;
  }
  if (times == 0) return false;
  if (times > 0) --times;
  return true;
}

platform::win::HANDLE newHandle() { return reinterpret_cast<platform::win::HANDLE>(state().nextHandle++); }

}  // namespace detail

using detail::state;

namespace {

std::optional<std::size_t> driveIndex(std::string_view windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  const unsigned char letter = static_cast<unsigned char>(windowsPath[0]);
  if (!std::isalpha(letter)) return std::nullopt;
  return static_cast<std::size_t>(std::toupper(letter) - 'A');
}

std::string withSlashes(std::string_view path) {
  std::string result(path);
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
  return result;
}

}  // namespace

void reset() {
  // Handles that callers still hold stay valid: only settings, content and logs are forgotten.
  detail::State& s = state();
  s.log.clear();
  s.startedPrograms.clear();
  s.catchExits = false;
  s.exitRequests.clear();
  s.driveRoots = {};
  s.tempPath.reset();
  s.failTempPath = false;
  s.failing.clear();
  s.writeLimit.reset();
  s.registryKeys.clear();
  s.registryValues.clear();
  s.windowsDirectory.reset();
  s.invalidMemoryFrees = 0;
  s.currentTime.reset();
}

std::string toNativePath(std::string_view windowsPath) {
  const std::optional<std::size_t> drive = driveIndex(windowsPath);
  if (!drive) return withSlashes(windowsPath);

  // "X:\dir\file" and the drive-relative "X:file" both land below the drive's root.
  std::string root = state().driveRoots[*drive].value_or("/");
  std::string rest = withSlashes(windowsPath.substr(2));
  if (rest.empty()) return root;
  const bool rootEndsWithSlash = !root.empty() && root.back() == '/';
  const bool restStartsWithSlash = rest.front() == '/';
  if (rootEndsWithSlash && restStartsWithSlash) {
    root.pop_back();
  } else if (!rootEndsWithSlash && !restStartsWithSlash && !root.empty()) {
    root.push_back('/');
  }
  return root + rest;
}

std::string toWindowsPath(std::string_view nativePath) {
  std::string result(nativePath);
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}

void mapDrive(char letter, std::string nativeRoot) {
  const char drive[] = {letter, ':'};
  if (const std::optional<std::size_t> index = driveIndex({drive, 2}))
    state().driveRoots[*index] = std::move(nativeRoot);
}

void setTempPath(std::optional<std::string> windowsPath) { state().tempPath = std::move(windowsPath); }
void failTempPath(bool fail) { state().failTempPath = fail; }

void failOperation(std::string_view operation, int skip, int times) {
  state().failing[std::string(operation)] = {skip, times};
}

void failWritesAfter(std::optional<std::uint64_t> bytes) { state().writeLimit = bytes; }
std::optional<std::uint64_t> writeLimit() { return state().writeLimit; }

const std::vector<std::string>& callLog() { return state().log; }
void clearCallLog() { state().log.clear(); }

void addRegistryKey(std::string_view keyPath) {
  // A key implies every key above it.
  std::string path(keyPath);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
    state().registryKeys.insert(path.substr(0, at));
  }
  if (!path.empty()) state().registryKeys.insert(path);
}

void setRegistryValue(std::string_view keyPath, std::string_view valueName, std::string_view value) {
  addRegistryKey(keyPath);
  std::string path(keyPath);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  state().registryValues[path][std::string(valueName)] = value;
}

const std::vector<std::string>& startedPrograms() { return state().startedPrograms; }

void catchExits(bool caught) { state().catchExits = caught; }

const std::vector<int>& exitRequests() { return state().exitRequests; }

}  // namespace standins::windows
