#include "tests/support/standin_helpers.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/host/host_standin.h"
#include "standins/report_formatting/report_formatting_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"

namespace kvom::test {

void resetStandins() {
  standins::host::reset();
  standins::windows::reset();
  standins::com::reset();
  standins::engine::reset();
  standins::repository::reset();
  standins::gdi::reset();
  standins::report_formatting::reset();
}

std::string runCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) output += buffer.data();
  pclose(pipe);
  return output;
}

std::string windowsDir(const std::filesystem::path& native) {
  return standins::windows::toWindowsPath(native.string()) + "\\";
}

std::filesystem::path directoryOfWindowsLength(const std::filesystem::path& base, std::size_t length) {
  std::filesystem::path directory = base;
  std::size_t have = windowsDir(base).size();
  if (length < have || length == have + 1) throw std::invalid_argument("no directory of that length below the base");
  while (have < length) {
    // Each level adds its name and a backslash; no level may leave a single character over.
    std::size_t name = std::min<std::size_t>(length - have - 1, 100);
    if (length - have - (name + 1) == 1) --name;
    directory /= std::string(name, 'd');
    have += name + 1;
  }
  std::filesystem::create_directories(directory);
  return directory;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> fileNames(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> engineLog(std::string_view operation) {
  std::vector<std::string> entries;
  const std::string wanted = " " + std::string(operation);
  for (const std::string& entry : standins::engine::operationLog()) {
    if (entry.find(wanted) != std::string::npos) entries.push_back(entry);
  }
  return entries;
}

}  // namespace kvom::test
