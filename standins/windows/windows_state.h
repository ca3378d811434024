#pragma once
// State shared by the parts of the Windows-services stand-in: the call log, the drive map, the
// temp-path settings, the registry and the handle tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/types.h"

namespace standins::windows::detail {

// A directory search: the matches found when it started, handed out one by one.
struct Search {
  std::vector<std::string> names;
  std::vector<bool> directories;
  std::vector<std::uint64_t> sizes;
  std::size_t next = 0;
};

// A file opened through CreateFileA.
struct OpenFile {
  int descriptor = -1;
  std::string nativePath;
  bool deleteOnClose = false;
};

// A block of movable memory and how often it is locked.
struct MemoryBlock {
  std::vector<std::byte> bytes;
  std::uint32_t flags = 0;
  std::uint32_t locks = 0;
};

struct State {
  std::vector<std::string> log;
  std::vector<std::string> startedPrograms;
  bool catchExits = false;
  std::vector<int> exitRequests;
  std::array<std::optional<std::string>, 26> driveRoots;  // nullopt: the default root "/"
  std::optional<std::string> tempPath;
  bool failTempPath = false;
  // Injected failures: operation -> calls still to pass, then calls to fail (< 0: every later one).
  std::map<std::string, std::pair<int, int>, std::less<>> failing;
  std::optional<std::uint64_t> writeLimit;      // bytes a file write may put into one file
  std::optional<std::string> windowsDirectory;  // Windows path ending in a backslash; nullopt: the default

  // Movable memory blocks by handle; freed handles are never handed out again.
  std::map<std::uintptr_t, MemoryBlock> memoryBlocks;
  std::int64_t invalidMemoryFrees = 0;

  std::uint32_t clockMilliseconds = 0;      // how far tests moved the process clock
  std::optional<std::int64_t> currentTime;  // a fixed calendar time (seconds since 1970); nullopt: the real one

  std::set<std::string> registryKeys;
  std::map<std::string, std::map<std::string, std::string>> registryValues;  // key path -> name -> value

  // Handles are numbers from one counter, so a stale handle never finds another object.
  std::uintptr_t nextHandle = 0x1000;
  std::map<std::uintptr_t, Search> searches;
  std::map<std::uintptr_t, OpenFile> files;
  std::map<std::uintptr_t, std::string> keys;  // open registry key -> its path
  std::intptr_t nextProcessId = 4000;
};

State& state();

void record(std::string entry);
// Whether this call of the operation is to fail (counts the call down when it is armed).
bool failsNow(std::string_view operation);
// A text argument as it appears in the log ("" for a null pointer).
std::string_view text(const char* argument);
std::string hex(std::uint32_t value);
platform::win::HANDLE newHandle();

}  // namespace standins::windows::detail
