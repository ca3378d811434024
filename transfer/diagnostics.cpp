#include "transfer/diagnostics.h"

#include <algorithm>

#include "transfer/value_transfer.h"

namespace kvom::transfer {

void SEND_DIAGNOSTICS(platform::EngineData* data, const std::int64_t& diagnosticLevel,
                      const std::int64_t& diagnosticUnit, const std::int64_t& lastCallFromSimulator) {
  const auto scalars = inputScalars(data);
  writeScalar(scalars.get(), "DiagnosticLevel", diagnosticLevel);
  writeScalar(scalars.get(), "DiagnosticUnit", diagnosticUnit);
  writeScalar(scalars.get(), "LastCallFromSimulator", lastCallFromSimulator);
}

void FETCH_ENGINE_MESSAGES(platform::EngineData* data, std::int64_t& messageCount,
                           std::span<std::int64_t> messageNumbers) {
  const auto arrays = outputArrays(data);
  const auto room = messageNumbers.first(std::min(messageNumbers.size(), kMaxEngineMessages));
  const std::int16_t count = readElements(arrays.get(), "arZorviMsgs", room, ElementKind::Text);
  // A negative count is no count of messages; one beyond the caller's room names entries that were
  // not written.
  messageCount = std::min<std::int64_t>(std::max<std::int16_t>(count, 0), static_cast<std::int64_t>(room.size()));
}

}  // namespace kvom::transfer
