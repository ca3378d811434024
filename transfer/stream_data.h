#pragma once
// The inlet conditions of the two fluids, from the host's stream records (KVOM_MS_DATA) into the
// engine's input scalars, and the reading of one stream record for the heating-curve request.
// Also the reading of a record's six arrays that the stream and the curve transfers share.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/engine.h"

namespace kvom::transfer {

// The six arrays of one repository record as a reader holds them. Before the read each count says
// how many elements to ask for; after it, how many the record filled. Elements beyond a count hold
// 0 (texts blanks), so a value that the record does not have reads as 0.
struct RecordArrays {
  std::vector<std::int64_t> integers;
  std::vector<std::int64_t> integerCompanions;
  std::vector<double> reals;
  std::vector<std::int64_t> realCompanions;
  std::vector<char> texts;  // textCount elements of textLength characters
  std::vector<std::int64_t> textCompanions;
  std::int64_t textLength = 0;

  std::int64_t integerCount = 0;
  std::int64_t integerCompanionCount = 0;
  std::int64_t realCount = 0;
  std::int64_t realCompanionCount = 0;
  std::int64_t textCount = 0;
  std::int64_t textCompanionCount = 0;

  // Integer or real n (from 1) as the record holds it; 0 beyond the count.
  std::int64_t integer(std::int64_t n) const;
  double real(std::int64_t n) const;
};

// Reads the record into the arrays (RPGETD). The counts asked for are bounded by the arrays' sizes,
// and the counts the library hands back by the same sizes, so nothing is read or written past an
// array.
void readRecordData(std::string_view object, std::string_view key, RecordArrays& arrays, std::int64_t& status);

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
