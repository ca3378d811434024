#pragma once
// One run of a scenario as a simulator drives the adapter: input, execute, output, heating-curve
// request, multi-case texts and exit, with a readable report of every call.

#include <ostream>
#include <string>

#include "host/adapter.h"
#include "host/scenario.h"

namespace host {

// Exit codes of the host program.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRunFailed = 1;    // the run could not be set up, or an export let an exception out
inline constexpr int kExitBadScenario = 2;  // usage, or a scenario file that cannot be read or used
inline constexpr int kExitNoAdapter = 3;    // the adapter cannot be loaded

struct HostSettings {
  std::string installDir;  // this machine's path of the installation tree (XEQ\, DAT\)
};

// Runs the scenario against the loaded adapter; returns an exit code.
int runScenario(const Scenario& scenario, Adapter& adapter, const HostSettings& settings, std::ostream& out,
                std::ostream& err);

}  // namespace host
