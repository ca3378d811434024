// The run-time's clocks: a steady process clock that tests can move forward, and the calendar
// time, which tests can fix.

#include "platform/windows/clock.h"

#include <chrono>
#include <string>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"
#include "standins/windows/windows_state.h"

using standins::host::raiseIfArmed;
using standins::windows::detail::failsNow;
using standins::windows::detail::record;
using standins::windows::detail::state;

namespace {

// The moment the stand-in was loaded: the process clock counts from here.
const std::chrono::steady_clock::time_point kLoaded = std::chrono::steady_clock::now();

}  // namespace

namespace standins::windows {

void advanceClock(std::uint32_t milliseconds) { state().clockMilliseconds += milliseconds; }
void setCurrentTime(std::optional<std::int64_t> secondsSince1970) { state().currentTime = secondsSince1970; }

}  // namespace standins::windows

namespace platform::crt {

std::int32_t processClock() {
  raiseIfArmed("processClock");
  record("processClock");
  if (failsNow("processClock")) return -1;
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kLoaded).count();
  // The run-time's clock is a 32-bit count; it wraps after about 24 days.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(elapsed) + state().clockMilliseconds);
}

std::int64_t currentTime() {
  raiseIfArmed("currentTime");
  record("currentTime");
  if (failsNow("currentTime")) return -1;
  return state().currentTime.value_or(static_cast<std::int64_t>(std::time(nullptr)));
}

bool localTime(std::int64_t time, std::tm& local) {
  raiseIfArmed("localTime");
  record("localTime " + std::to_string(time));
  const auto value = static_cast<std::time_t>(time);
  return localtime_r(&value, &local) != nullptr;
}

}  // namespace platform::crt
