#pragma once
// The five records of one heating-curve object, read into work arrays and handed to the
// heating-curve transfer.

#include <cstdint>
#include <string_view>

#include "platform/engine.h"

namespace kvom::transfer {

// Reads STHE_HRC_POINT, STHE_HRC_THERMODYNAMIC, STHE_HRC_PHASE, STHE_HRC_PHASE_COMPOSITION and
// STHE_HRC_COMPONENT_PROPERTIES of the curve object and sends the curve with the switch minus 1
// as its state. A curve object that the repository does not have is skipped, and so is a curve
// with a record that cannot be read (missing, or a read that fails or is cut short): nothing of
// that curve reaches the engine. A record without data reads as empty. Storage that cannot be had
// for a work array raises error 1400 through the host library, after every work array of the call
// has been released; nothing of the curve then reaches the engine. The repository's statuses land
// in status, after a record that cannot be read the status of that read.
void READ_CURVE_RECORDS(const std::int64_t& switchValue, platform::EngineData* data, const std::int64_t& curveIndex,
                        std::string_view curveObject, std::int64_t& status);

}  // namespace kvom::transfer
