#pragma once
// Small helpers that tests share around the stand-ins.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kvom::test {

// Resets every stand-in: host library, Windows services, object library, engine, repository,
// graphics, report formatting.
void resetStandins();

// A directory of this machine as the Windows path text the adapter works with, ending in a
// backslash.
std::string windowsDir(const std::filesystem::path& native);

// Creates directories below `base` so that the deepest one's Windows path text (with its closing
// backslash) is exactly `length` characters long; returns its native path.
std::filesystem::path directoryOfWindowsLength(const std::filesystem::path& base, std::size_t length);

// The whole file, byte for byte; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// The names of the files directly in the directory (not its folders), sorted.
std::vector<std::string> fileNames(const std::filesystem::path& directory);

// Runs a shell command and gives what it printed on its standard output.
std::string runCommand(const std::string& command);

// The engine operation-log entries of one operation ("Terminate", "SaveCase", ...), in order.
std::vector<std::string> engineLog(std::string_view operation);

}  // namespace kvom::test
