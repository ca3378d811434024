#pragma once
// The inlet conditions of the two fluids, from the host's stream records (KVOM_MS_DATA) into the
// engine's input scalars, and the reading of one stream record for the heating-curve request.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/engine.h"
#include "transfer/record_arrays.h"

namespace kvom::transfer {

// The state that a transfer switch gives its values: the switch minus 1.
std::int64_t stateOfSwitch(std::int64_t switchValue);

// Sends the inlet conditions of both sides. A switch of 1 leaves its side out; any other value
// sends the side with the switch minus 1 as the state of its values. Only the first stream object
// of each side contributes values. The repository's status of the last read lands in status.
void SEND_STREAM_DATA(const std::int64_t& hotSwitch, std::string_view hotFirstStream, std::string_view hotSecondStream,
                      const std::int64_t& coldSwitch, std::string_view coldFirstStream,
                      std::string_view coldSecondStream, platform::EngineData* data, std::int64_t& status);

// Reads the stream record of the object: flow (real 1 times real 5), inlet pressure, inlet
// temperature and inlet vapour fraction, as the record holds them.
void READ_STREAM_DATA(std::string_view streamObject, double& flow, double& pressure, double& temperature,
                      double& vaporFraction);

}  // namespace kvom::transfer
