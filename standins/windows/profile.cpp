// Windows profile files as real text files: read on every call, rewritten whole on every change,
// lines ended with CR LF.

#include "platform/windows/profile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"
#include "standins/windows/windows_state.h"

namespace fs = std::filesystem;
using namespace platform::win;
using standins::host::raiseIfArmed;
using standins::windows::detail::failsNow;
using standins::windows::detail::record;
using standins::windows::detail::state;
using standins::windows::detail::text;

namespace {

constexpr const char* kWinIni = "win.ini";

std::string_view trimmed(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// The native path of a profile file: names without a directory part live in the Windows directory.
fs::path profilePath(std::string_view file, bool& inWindowsDirectory) {
  inWindowsDirectory = file.find_first_of("\\/:") == std::string_view::npos;
  if (inWindowsDirectory)
    return standins::windows::toNativePath(standins::windows::windowsDirectory() + std::string(file));
  return standins::windows::toNativePath(file);
}

// One line of a profile file and what it holds.
struct Line {
  std::string text;
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name() const {
    const std::string_view t = trimmed(text);
    if (kind == kSection) {
      const std::size_t close = t.find(']');
      return trimmed(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    }
    return kind == kKey ? trimmed(t.substr(0, t.find('='))) : std::string_view{};
  }
  std::string_view value() const {
    std::string_view v = trimmed(std::string_view(text).substr(text.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    return v;
  }
};

class ProfileFile {
 public:
  explicit ProfileFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = 0;
    while (at < content.size()) {
      std::size_t end = content.find('\n', at);
      if (end == std::string::npos) end = content.size();
      std::string textOfLine = content.substr(at, end - at);
      if (!textOfLine.empty() && textOfLine.back() == '\r') textOfLine.pop_back();
      lines_.push_back(classify(std::move(textOfLine)));
      at = end + 1;
    }
  }

  // Line range [first, last) of the body of the first section of that name.
  std::optional<std::pair<std::size_t, std::size_t>> section(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].kind != Line::kSection || !sameName(lines_[i].name(), name)) continue;
      std::size_t end = i + 1;
      while (end < lines_.size() && lines_[end].kind != Line::kSection) ++end;
      return std::pair{i + 1, end};
    }
    return std::nullopt;
  }

  std::optional<std::size_t> key(std::string_view sectionName, std::string_view keyName) const {
    const auto body = section(sectionName);
    if (!body) return std::nullopt;
    for (std::size_t i = body->first; i < body->second; ++i) {
      if (lines_[i].kind == Line::kKey && sameName(lines_[i].name(), keyName)) return i;
    }
    return std::nullopt;
  }

  std::vector<std::string> sectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_) {
      if (line.kind == Line::kSection) names.emplace_back(line.name());
    }
    return names;
  }

  std::vector<std::string> keyNames(std::string_view sectionName) const {
    std::vector<std::string> names;
    if (const auto body = section(sectionName)) {
      for (std::size_t i = body->first; i < body->second; ++i) {
        if (lines_[i].kind == Line::kKey) names.emplace_back(lines_[i].name());
      }
    }
    return names;
  }

  const Line& line(std::size_t i) const { return lines_[i]; }

  void set(std::string_view sectionName, std::string_view keyName, std::string_view value) {
    const std::string entry = std::string(keyName) + "=" + std::string(value);
    if (const auto at = key(sectionName, keyName)) {
      lines_[*at] = classify(entry);
      return;
    }
    if (const auto body = section(sectionName)) {
      // After the section's last non-empty line, so that a blank line before the next section stays.
      std::size_t at = body->second;
      while (at > body->first && trimmed(lines_[at - 1].text).empty()) --at;
      lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), classify(entry));
      return;
    }
    lines_.push_back(classify("[" + std::string(sectionName) + "]"));
    lines_.push_back(classify(entry));
  }

  void removeKey(std::string_view sectionName, std::string_view keyName) {
    if (const auto at = key(sectionName, keyName)) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
  }

  void removeSection(std::string_view sectionName) {
    if (const auto body = section(sectionName)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(body->first - 1),
                   lines_.begin() + static_cast<std::ptrdiff_t>(body->second));
    }
  }

  std::string content() const {
    std::string all;
    for (const Line& line : lines_) all += line.text + "\r\n";
    return all;
  }

 private:
  static Line classify(std::string textOfLine) {
    Line line{std::move(textOfLine)};
    const std::string_view t = trimmed(line.text);
    if (!t.empty() && t.front() == '[') {
      line.kind = Line::kSection;
    } else if (!t.empty() && t.front() != ';' && t.find('=') != std::string_view::npos) {
      line.kind = Line::kKey;
    }
    return line;
  }

  std::vector<Line> lines_;
};

// Copies one value, cut to the buffer.
DWORD copyValue(std::string_view value, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  if (n > 0) std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

// Copies a list of names, each NUL-terminated, the list ended by a second NUL; a list cut to the
// buffer still ends with two NULs and gives size - 2.
DWORD copyList(const std::vector<std::string>& names, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  std::string list;
  for (const std::string& name : names) list.append(name).push_back('\0');
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  if (list.size() + 1 <= size) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

DWORD getString(const char* operation, const char* section, const char* key, const char* defaultValue, char* buffer,
                DWORD size, const char* file) {
  raiseIfArmed(operation);
  record(std::string(operation) + " " + std::string(text(section)) + " " + std::string(text(key)) + " " +
         std::string(text(file)));
  bool inWindowsDirectory = false;
  const ProfileFile profile(profilePath(text(file), inWindowsDirectory));
  if (section == nullptr) return copyList(profile.sectionNames(), buffer, size);
  if (key == nullptr) return copyList(profile.keyNames(section), buffer, size);
  if (const auto at = profile.key(section, key)) return copyValue(profile.line(*at).value(), buffer, size);
  std::string_view fallback = text(defaultValue);
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return copyValue(fallback, buffer, size);
}

// Writes the file whole; under the write limit only its first bytes land and the write fails.
bool writeWholeFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const std::size_t n = std::min<std::uint64_t>(bytes.size(), state().writeLimit.value_or(bytes.size()));
  out.write(bytes.data(), static_cast<std::streamsize>(n));
  return n == bytes.size() && out.flush().good();
}

BOOL writeString(const char* operation, const char* section, const char* key, const char* value, const char* file) {
  raiseIfArmed(operation);
  record(std::string(operation) + " " + std::string(text(section)) + " " + std::string(text(key)) + " " +
         std::string(text(value)) + " " + std::string(text(file)));
  if (section == nullptr || file == nullptr || failsNow(operation)) return FALSE;
  bool inWindowsDirectory = false;
  const fs::path path = profilePath(file, inWindowsDirectory);
  ProfileFile profile(path);
  if (key == nullptr) {
    profile.removeSection(section);
  } else if (value == nullptr) {
    profile.removeKey(section, key);
  } else {
    profile.set(section, key, value);
  }
  if (inWindowsDirectory) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
  }
  return writeWholeFile(path, profile.content()) ? TRUE : FALSE;
}

UINT readInt(const char* operation, const char* section, const char* key, INT defaultValue, const char* file) {
  raiseIfArmed(operation);
  record(std::string(operation) + " " + std::string(text(section)) + " " + std::string(text(key)) + " " +
         std::string(text(file)));
  bool inWindowsDirectory = false;
  const ProfileFile profile(profilePath(text(file), inWindowsDirectory));
  const auto at = section != nullptr && key != nullptr ? profile.key(section, key) : std::nullopt;
  if (!at) return static_cast<UINT>(defaultValue);
  const std::string value(profile.line(*at).value());
  return static_cast<UINT>(std::strtol(value.c_str(), nullptr, 10));
}

}  // namespace

namespace standins::windows {

void setWindowsDirectory(std::optional<std::string> windowsPath) { state().windowsDirectory = std::move(windowsPath); }

std::string windowsDirectory() {
  if (state().windowsDirectory) return *state().windowsDirectory;
  const char* tmpdir = std::getenv("TMPDIR");
  std::string path = toWindowsPath(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp");
  if (path.empty() || path.back() != '\\') path.push_back('\\');
  return path + "kvom_windows\\";
}

}  // namespace standins::windows

extern "C" {

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer, DWORD size,
                               const char* file) {
  return getString("GetPrivateProfileStringA", section, key, defaultValue, buffer, size, file);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* file) {
  return writeString("WritePrivateProfileStringA", section, key, value, file);
}

UINT GetPrivateProfileIntA(const char* section, const char* key, INT defaultValue, const char* file) {
  return readInt("GetPrivateProfileIntA", section, key, defaultValue, file);
}

DWORD GetProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer, DWORD size) {
  return getString("GetProfileStringA", section, key, defaultValue, buffer, size, kWinIni);
}

BOOL WriteProfileStringA(const char* section, const char* key, const char* value) {
  return writeString("WriteProfileStringA", section, key, value, kWinIni);
}

UINT GetProfileIntA(const char* section, const char* key, INT defaultValue) {
  return readInt("GetProfileIntA", section, key, defaultValue, kWinIni);
}

}  // extern "C"
