// Windows registry services over the stand-in's in-memory keys and string values.

#include "platform/windows/registry.h"

#include <cstring>
#include <optional>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_state.h"

using namespace platform::win;
using standins::host::raiseIfArmed;
using standins::windows::detail::hex;
using standins::windows::detail::record;
using standins::windows::detail::state;
using standins::windows::detail::text;

namespace {

constexpr LONG kErrorInvalidHandle = 6;
constexpr LONG kErrorInvalidParameter = 87;

// The path of a root or of an open key; nullopt for a handle that is neither.
std::optional<std::string> keyPath(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return "HKLM";
  if (key == HKEY_CURRENT_USER) return "HKCU";
  const auto it = state().keys.find(reinterpret_cast<std::uintptr_t>(key));
  if (it == state().keys.end()) return std::nullopt;
  return it->second;
}

}  // namespace

extern "C" {

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
  raiseIfArmed("RegOpenKeyExA");
  const std::optional<std::string> parent = keyPath(key);
  record("RegOpenKeyExA " + parent.value_or("?") + " " + std::string(text(subKey)) + " " + hex(access));
  if (result == nullptr) return kErrorInvalidParameter;
  *result = nullptr;
  if (!parent) return kErrorInvalidHandle;

  std::string path = *parent;
  std::string_view sub = text(subKey);
  while (!sub.empty() && sub.front() == '\\') sub.remove_prefix(1);
  while (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
  if (!sub.empty()) {
    path += '\\';
    path += sub;
  }
  // The roots always exist; any other key only once it has been added.
  if (path != "HKLM" && path != "HKCU" && state().registryKeys.count(path) == 0) return ERROR_FILE_NOT_FOUND;

  HANDLE handle = standins::windows::detail::newHandle();
  state().keys.emplace(reinterpret_cast<std::uintptr_t>(handle), path);
  *result = handle;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* /*reserved*/, DWORD* type, std::uint8_t* data,
                      DWORD* size) {
  raiseIfArmed("RegQueryValueExA");
  const std::optional<std::string> path = keyPath(key);
  record("RegQueryValueExA " + path.value_or("?") + " " + std::string(text(valueName)));
  if (!path) return kErrorInvalidHandle;
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;

  const auto values = state().registryValues.find(*path);
  if (values == state().registryValues.end()) return ERROR_FILE_NOT_FOUND;
  const auto value = values->second.find(std::string(text(valueName)));
  if (value == values->second.end()) return ERROR_FILE_NOT_FOUND;

  const DWORD needed = static_cast<DWORD>(value->second.size() + 1);  // with its NUL
  if (type != nullptr) *type = REG_SZ;
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return ERROR_SUCCESS;
  }
  const DWORD capacity = *size;
  *size = needed;
  if (capacity < needed) return ERROR_MORE_DATA;
  std::memcpy(data, value->second.c_str(), needed);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  raiseIfArmed("RegCloseKey");
  const std::optional<std::string> path = keyPath(key);
  record("RegCloseKey " + path.value_or("?"));
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  return state().keys.erase(reinterpret_cast<std::uintptr_t>(key)) > 0 ? ERROR_SUCCESS : kErrorInvalidHandle;
}

}  // extern "C"
