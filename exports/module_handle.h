#pragma once
// The library's module handle and its entry routine.

#include <cstdint>

#include "exports/exports.h"

namespace kvom::exports {

// Reasons of the entry routine.
inline constexpr std::uint32_t kProcessDetach = 0;
inline constexpr std::uint32_t kProcessAttach = 1;
inline constexpr std::uint32_t kThreadAttach = 2;
inline constexpr std::uint32_t kThreadDetach = 3;

// One per process; null until DllMain stores it and again after process detach.
extern void* ModuleHandle;

}  // namespace kvom::exports

extern "C" {

// Stores the module handle on process and thread attach and clears it on process detach; returns
// TRUE for every reason. Called with process attach when the library is loaded.
KVOM_EXPORT std::int32_t DllMain(void* module, std::uint32_t reason, void* reserved);

}  // extern "C"
