#pragma once
// The exception guard of the exports and the mapping of a caught error to the host's status.
//
// Inside the guard every exception counts: an error raised through the host library, a failed
// allocation and any other C++ exception. The host library classifies it (ExportExceptionFilter);
// when it decides to handle it, the rest of the guarded region is skipped and the export goes on
// with the error code that the host library wrote; when it decides to pass it on, the exception
// leaves the export to the host.
//
// A decision to resume where the exception occurred (or any decision other than handle and pass
// on) cannot be carried out: the body cannot go on from a C++ exception. The rest of the region is
// skipped as for handling, and since the body did not finish, the error code becomes
// kUnfinishedBodyError whatever the host library wrote: the input, output, heating-curve and
// multi-case exports report status 39, and the execute export, which maps nothing, keeps the
// message count that was written before the exception.

#include <array>
#include <cstdint>
#include <span>

#include "platform/host_library.h"

namespace kvom::exports {

// The error code of a body that an exception cut short when the host library answered "resume";
// it lies in the range that the exports report as 39.
inline constexpr std::int32_t kUnfinishedBodyError = 1105;

// Asks the host library what to do with the exception; it writes the host's error code into
// errorCode when it decides to handle. Returns the decision unchanged.
std::int32_t ExportExceptionFilter(const platform::ExceptionInfo& info, std::int32_t& errorCode);

// Called inside a catch handler: classifies the exception in flight, and rethrows it when the
// decision is to pass it on. Any decision but handle and pass on sets kUnfinishedBodyError.
void offerCaughtException(std::int32_t& errorCode);

// Runs body in the guard. errorCode is 0 when the region begins; only the filter changes it.
template <typename Body>
void runGuarded(std::int32_t& errorCode, Body&& body) {
  errorCode = 0;
  try {
    body();
  } catch (...) {
    offerCaughtException(errorCode);
  }
}

// A range of error codes (both ends included) and the status it gives.
struct StatusRule {
  std::int32_t first;
  std::int32_t last;
  std::int64_t status;
};

// The input, heating-curve and multi-case exports.
inline constexpr std::array<StatusRule, 3> kStatusRules = {{
    {1001, 1100, 3},
    {1101, 1200, 39},
    {1400, 1400, 40},
}};

// The output export leaves codes 1001 to 1100 unmapped.
inline constexpr std::array<StatusRule, 2> kOutputStatusRules = {{
    {1101, 1200, 39},
    {1400, 1400, 40},
}};

// Sets status by the first rule whose range holds the error code; no rule, no change.
void mapErrorCode(std::span<const StatusRule> rules, std::int32_t errorCode, std::int64_t& status);

}  // namespace kvom::exports
