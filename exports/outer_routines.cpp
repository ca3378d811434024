#include "exports/outer_routines.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <utility>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "platform/windows/process.h"
#include "platform/windows/registry.h"

namespace kvom::exports {

namespace {

constexpr platform::win::UINT kShowNormal = 1;

// An open registry key, closed when it goes.
class RegistryKey {
 public:
  RegistryKey(platform::win::HKEY parent, const char* name, platform::win::REGSAM access) {
    if (parent != nullptr && RegOpenKeyExA(parent, name, 0, access, &key_) != platform::win::ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  platform::win::HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  platform::win::HKEY key_ = nullptr;
};

bool isArgument(const char* text) { return text != nullptr && text[0] != '\0' && text[0] != ' '; }

}  // namespace

std::intptr_t StartProgramFile(int mode, const char* name, const char* first, const char* second, const char* third,
                               const char* fourth) {
  PathBuffer path{};
  if (!copyTerminated(path, GetProgramDir()) || !appendTerminated(path, name == nullptr ? "" : name)) return -1;

  std::array<const char*, 6> arguments{path.data()};
  std::size_t count = 1;
  for (const char* text : {first, second, third, fourth}) {
    if (!isArgument(text)) break;
    arguments[count++] = text;
  }
  arguments[count] = nullptr;
  return platform::crt::spawnv(mode, path.data(), arguments.data());
}

void FormatTimeStamp(std::span<char> buffer) {
  if (buffer.empty()) return;
  const auto seconds = static_cast<unsigned long long>(std::time(nullptr));
  std::snprintf(buffer.data(), buffer.size(), "%6.6llX", seconds & 0xFFFFFFull);
}

std::uint32_t RunCommandLine(const char* command) { return WinExec(command == nullptr ? "" : command, kShowNormal); }

void HostProductKeyExists(std::int32_t& flag) {
  const RegistryKey software(platform::win::HKEY_LOCAL_MACHINE, "SOFTWARE", platform::win::KEY_ALL_SUBKEY_ACCESS);
  const RegistryKey maker(software.get(), kMakerKey, platform::win::KEY_READ);
  const RegistryKey product(maker.get(), kHostProductKey, platform::win::KEY_READ);
  flag = product ? 0 : 1;
}

std::int32_t ReadLegacySetting(const char* subKey, const char* valueName, std::span<char> data) {
  if (data.empty() || subKey == nullptr) return 0;
  const RegistryKey software(platform::win::HKEY_CURRENT_USER, "SOFTWARE", platform::win::KEY_ALL_SUBKEY_ACCESS);
  const RegistryKey settings(software.get(), "VA and VBA Program Settings", platform::win::KEY_READ);
  const RegistryKey product(settings.get(), kLegacyProductKey, platform::win::KEY_READ);
  const RegistryKey key(product.get(), subKey, platform::win::KEY_READ);
  if (!key) return 0;

  platform::win::DWORD size = static_cast<platform::win::DWORD>(data.size());
  const platform::win::LONG queried =
      RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<std::uint8_t*>(data.data()), &size);
  if (queried != platform::win::ERROR_SUCCESS) return 0;
  size = std::min<platform::win::DWORD>(size, static_cast<platform::win::DWORD>(data.size()));
  // The value may come with its terminator or without; the caller always gets a terminated text.
  if (size > 0 && data[size - 1] == '\0') return 1;
  if (size < data.size()) {
    data[size] = '\0';
    return 1;
  }
  data.back() = '\0';
  return 0;
}

}  // namespace kvom::exports
