#pragma once
// The execute step's diagnostic options into the engine before the run, and the engine's message
// numbers back to the host after it.

#include <cstdint>
#include <span>

#include "platform/engine.h"

namespace kvom::transfer {

// The most messages an engine can report: its element count is a 2-byte number.
inline constexpr std::size_t kMaxEngineMessages = 32767;

// DiagnosticLevel, DiagnosticUnit and LastCallFromSimulator, unchanged, each with state 1.
void SEND_DIAGNOSTICS(platform::EngineData* data, const std::int64_t& diagnosticLevel,
                      const std::int64_t& diagnosticUnit, const std::int64_t& lastCallFromSimulator);

// The message numbers of the engine's arZorviMsgs, in the engine's order: entry i of
// messageNumbers receives element i, and messageCount the number of messages. An element whose
// text comes back empty repeats the number before it; an empty first element leaves entry 1 as the
// caller had it. An engine without the array reports no message: the count is 0. Entries beyond
// the engine's count, or beyond messageNumbers, are not written, and the count never names more
// entries than were written. The host does not say how much room its array has; the execute step
// passes the kMaxEngineMessages entries that a count can name.
void FETCH_ENGINE_MESSAGES(platform::EngineData* data, std::int64_t& messageCount,
                           std::span<std::int64_t> messageNumbers);

}  // namespace kvom::transfer
