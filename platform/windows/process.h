#pragma once
// Starting programs: the run-time's process start and the platform's command-line runner.

#include <cstdint>

#include "platform/windows/types.h"

extern "C" {

// Runs a command line; results above 31 mean success.
platform::win::UINT WinExec(const char* commandLine, platform::win::UINT showMode);

}  // extern "C"

namespace platform::crt {

// The run-time's process start: mode, program path and a null-terminated argument list.
std::intptr_t spawnv(int mode, const char* path, const char* const* arguments);

// The run-time's exit: ends the process with the exit code. A stand-in may record the request and
// return instead, so that a caller's test sees it.
void exitProcess(int code);

}  // namespace platform::crt
