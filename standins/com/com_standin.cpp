// The object library's initialisation and object creation: classes are registered in-process with a
// factory; every call is logged.

#include "standins/com/com_standin.h"

#include <algorithm>
#include <utility>

#include "standins/host/host_standin.h"

namespace standins::com {
namespace {

struct State {
  std::vector<std::pair<platform::CLSID, Factory>> classes;
  std::optional<platform::HRESULT> creationFailure;
  int depth = 0;
  std::vector<std::string> log;
};

State& state() {
  static State instance;
  return instance;
}

auto findClass(const platform::CLSID& classId) {
  auto& classes = state().classes;
  return std::find_if(classes.begin(), classes.end(), [&](const auto& entry) { return entry.first == classId; });
}

}  // namespace

void reset() {
  State& s = state();
  s.creationFailure.reset();
  s.depth = 0;
  s.log.clear();
}

void registerClass(const platform::CLSID& classId, Factory factory) {
  const auto it = findClass(classId);
  if (it != state().classes.end()) {
    it->second = std::move(factory);
  } else {
    state().classes.emplace_back(classId, std::move(factory));
  }
}

void unregisterClass(const platform::CLSID& classId) {
  const auto it = findClass(classId);
  if (it != state().classes.end()) state().classes.erase(it);
}

void failCreation(std::optional<platform::HRESULT> result) { state().creationFailure = result; }

int initializeDepth() { return state().depth; }
const std::vector<std::string>& callLog() { return state().log; }
void clearCallLog() { state().log.clear(); }

}  // namespace standins::com

using standins::com::state;
using standins::host::raiseIfArmed;

extern "C" {

platform::HRESULT OleInitialize(void* /*reserved*/) {
  raiseIfArmed("OleInitialize");
  state().log.emplace_back("OleInitialize");
  // A nested initialisation succeeds with S_FALSE, as it does on the real library.
  return state().depth++ == 0 ? platform::S_OK : platform::S_FALSE;
}

void OleUninitialize(void) {
  raiseIfArmed("OleUninitialize");
  state().log.emplace_back("OleUninitialize");
  --state().depth;
}

platform::HRESULT CoCreateInstance(const platform::CLSID& classId, platform::IUnknown* outer,
                                   std::uint32_t classContext, const platform::IID& interfaceId, void** object) {
  raiseIfArmed("CoCreateInstance");
  state().log.push_back("CoCreateInstance " + std::to_string(classContext));
  if (object == nullptr) return platform::E_POINTER;
  *object = nullptr;
  if (state().creationFailure) return *state().creationFailure;
  const auto it = standins::com::findClass(classId);
  if (it == state().classes.end()) return platform::REGDB_E_CLASSNOTREG;
  if (outer != nullptr) return platform::CLASS_E_NOAGGREGATION;
  // The factory may register or unregister classes; call a copy so that it outlives the call.
  const standins::com::Factory factory = it->second;
  if (!factory) return platform::REGDB_E_CLASSNOTREG;
  return factory(interfaceId, object);
}

}  // extern "C"
