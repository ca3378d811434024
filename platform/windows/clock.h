#pragma once
// The run-time's clocks: the process clock and the calendar time with its local-time conversion.

#include <cstdint>
#include <ctime>

namespace platform::crt {

// Milliseconds of the process clock since the library was loaded (the run-time's clock(), whose
// ticks are milliseconds); -1 when the clock is unavailable.
std::int32_t processClock();
// The current calendar time in seconds since 1970 (the run-time's time()); -1 when unavailable.
std::int64_t currentTime();
// The calendar time as local time in the process's time zone; false when it cannot be converted.
bool localTime(std::int64_t time, std::tm& local);

}  // namespace platform::crt
