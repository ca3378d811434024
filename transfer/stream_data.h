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
// of each side contributes values; a side whose record cannot be read (no object, no record, a
// record without data, a blank name, a failed read) sends none of them, and the engine keeps what
// it held. A record longer than the transfer's storage is read as far as the storage goes. The
// repository's status of the last read lands in status.
void SEND_STREAM_DATA(const std::int64_t& hotSwitch, std::string_view hotFirstStream, std::string_view hotSecondStream,
                      const std::int64_t& coldSwitch, std::string_view coldFirstStream,
                      std::string_view coldSecondStream, platform::EngineData* data, std::int64_t& status);

// Reads the stream record of the object: flow (real 1 times real 5), inlet pressure, inlet
// temperature and inlet vapour fraction, as the record holds them, and returns true. When the
// record cannot be read (as for SEND_STREAM_DATA) it returns false and the four values keep the
// caller's values. status receives the repository's status of each read, so after a failure it
// holds the status of the read that failed.
bool READ_STREAM_DATA(std::string_view streamObject, double& flow, double& pressure, double& temperature,
                      double& vaporFraction, std::int64_t& status);

}  // namespace kvom::transfer
