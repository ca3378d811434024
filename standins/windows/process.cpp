// Process start: nothing is run here; every request is recorded so that tests can see it.

#include "platform/windows/process.h"

#include <cstdlib>
#include <string>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_state.h"

using standins::host::raiseIfArmed;
using standins::windows::detail::record;
using standins::windows::detail::state;
using standins::windows::detail::text;

namespace {

constexpr platform::win::UINT kWinExecStarted = 33;  // above 31: started

void started(const std::string& entry) {
  record(entry);
  state().startedPrograms.push_back(entry);
}

}  // namespace

extern "C" platform::win::UINT WinExec(const char* commandLine, platform::win::UINT showMode) {
  raiseIfArmed("WinExec");
  started("WinExec " + std::to_string(showMode) + " " + std::string(text(commandLine)));
  return kWinExecStarted;
}

namespace platform::crt {

std::intptr_t spawnv(int mode, const char* path, const char* const* arguments) {
  raiseIfArmed("spawnv");
  std::string entry = "spawnv " + std::to_string(mode) + " " + std::string(text(path));
  for (const char* const* argument = arguments; argument != nullptr && *argument != nullptr; ++argument) {
    entry += " ";
    entry += *argument;
  }
  started(entry);
  return state().nextProcessId++;
}

void exitProcess(int code) {
  record("exit " + std::to_string(code));
  if (state().catchExits) {
    state().exitRequests.push_back(code);
    return;
  }
  std::exit(code);
}

}  // namespace platform::crt
