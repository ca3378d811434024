#include "exports/module_handle.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#include "platform/windows/types.h"

namespace kvom::exports {

void* ModuleHandle = nullptr;

// On Windows the loader calls the entry routine itself.
#if !defined(_WIN32)
namespace {

// There is no loader callback here: the library's constructor and destructor call the entry
// routine, with the library's load address as its module handle.
void* loadAddress() {
  Dl_info info{};
  if (dladdr(&ModuleHandle, &info) == 0) return nullptr;
  return info.dli_fbase;
}

__attribute__((constructor)) void attachAtLoad() { DllMain(loadAddress(), kProcessAttach, nullptr); }

__attribute__((destructor)) void detachAtUnload() { DllMain(loadAddress(), kProcessDetach, nullptr); }

}  // namespace
#endif

}  // namespace kvom::exports

extern "C" std::int32_t DllMain(void* module, std::uint32_t reason, void*) {
  using namespace kvom::exports;
  switch (reason) {
    case kProcessAttach:
    case kThreadAttach:
      ModuleHandle = module;
      break;
    case kProcessDetach:
      ModuleHandle = nullptr;
      break;
    default:
      // A thread that ends does not unload the library: the handle stays valid for the exports
      // that other threads call afterwards.
      break;
  }
  return platform::win::TRUE;
}
