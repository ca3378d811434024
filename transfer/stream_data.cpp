#include "transfer/stream_data.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "common/unset.h"
#include "platform/repository.h"
#include "run/unit_factors.h"
#include "transfer/value_transfer.h"

namespace kvom::transfer {
namespace {

constexpr std::string_view kStreamKey = "KVOM_MS_DATA";

// Room of the record arrays of each reader, in array order.
struct Capacity {
  std::size_t integers, integerCompanions, reals, realCompanions, texts, textCompanions;
  std::int64_t textLength;
};
constexpr Capacity kSendCapacity{10, 6, 150, 6, 100, 6, 32};
constexpr Capacity kReadCapacity{6, 5, 150, 6, 115, 6, 40};

// Reads the stream record of the object into arrays of the reader's room; whatever the record
// holds beyond that room is not read, so a read cut to the room counts as read. nullopt when the
// record cannot be read (no object, no record, a record without data, a blank name, a failed
// RPGETD): then nothing of it is taken as values.
std::optional<RecordArrays> readStreamRecord(std::string_view object, const Capacity& room, std::int64_t& status) {
  RecordArrays record;
  record.integers.assign(room.integers, 0);
  record.integerCompanions.assign(room.integerCompanions, 0);
  record.reals.assign(room.reals, 0.0);
  record.realCompanions.assign(room.realCompanions, 0);
  record.texts.assign(room.texts * static_cast<std::size_t>(room.textLength), ' ');
  record.textCompanions.assign(room.textCompanions, 0);
  record.textLength = room.textLength;
  RPGETS(object.data(), static_cast<std::int64_t>(object.size()), kStreamKey.data(),
         static_cast<std::int64_t>(kStreamKey.size()), &record.integerCount, &record.integerCompanionCount,
         &record.realCount, &record.realCompanionCount, &record.textCount, &record.textCompanionCount, &status);
  if (status != kRecordRead) return std::nullopt;
  readRecordData(object, kStreamKey, record, status);
  if (status != kRecordRead && status != kRecordCut) return std::nullopt;
  return record;
}

struct SideVariables {
  std::string_view flow, temperature, pressure, vaporFraction;
};
constexpr SideVariables kHotSide{"FlRaHS", "TempInHS", "PresOperInHS", "VapFrcInHS"};
constexpr SideVariables kColdSide{"FlRaCS", "TempInCS", "PresOperInCS", "VapFrcInCS"};

// The item whose integer code is 6 has its flow sent to the engine.
constexpr std::int64_t kItemCodeSent = 6;
constexpr std::int64_t kItemCount = 6;

// Reals 1 to 4 of the side's first stream record, an unset value sent as 0; then, for the hot
// side, the flow of every item coded 6. A record that cannot be read sends nothing.
void sendSide(const SideVariables& side, std::string_view stream, std::int64_t state, bool withItems,
              platform::VariableCollection* scalars, std::int64_t& status) {
  const std::optional<RecordArrays> read = readStreamRecord(stream, kSendCapacity, status);
  if (!read) return;
  const RecordArrays& record = *read;
  const auto value = [&record](std::int64_t n) {
    const double real = record.real(n);
    return real == UNSET_REAL ? 0.0 : real;
  };
  const float massFlow = run::unitFactor(run::factor::kMassFlow);
  writeScalar(scalars, side.flow, toEngineUnits(value(1), massFlow), state);
  writeScalar(scalars, side.temperature, value(2), state);
  writeScalar(scalars, side.pressure, toEngineUnits(value(3), run::unitFactor(run::factor::kPressure)), state);
  writeScalar(scalars, side.vaporFraction, value(4), state);
  if (!withItems) return;
  for (std::int64_t k = 1; k <= kItemCount; ++k) {
    if (record.integer(k) == kItemCodeSent)
      writeScalar(scalars, "FlRaNCHS", toEngineUnits(value(5 + k), massFlow), state);
  }
}

}  // namespace

std::int64_t stateOfSwitch(std::int64_t switchValue) {
  // The lowest switch has no predecessor; it gives the lowest state.
  return switchValue == std::numeric_limits<std::int64_t>::min() ? switchValue : switchValue - 1;
}

void SEND_STREAM_DATA(const std::int64_t& hotSwitch, std::string_view hotFirstStream, std::string_view,
                      const std::int64_t& coldSwitch, std::string_view coldFirstStream, std::string_view,
                      platform::EngineData* data, std::int64_t& status) {
  const std::int64_t hotState = stateOfSwitch(hotSwitch);
  const std::int64_t coldState = stateOfSwitch(coldSwitch);
  const auto scalars = inputScalars(data);
  if (hotState != 0) sendSide(kHotSide, hotFirstStream, hotState, true, scalars.get(), status);
  if (coldState != 0) {
    sendSide(kColdSide, coldFirstStream, coldState, false, scalars.get(), status);
    writeScalar(scalars.get(), "ApplTypeHS", EngineValue::literal("0"), std::nullopt);
    writeScalar(scalars.get(), "ApplTypeCS", EngineValue::literal("0"), std::nullopt);
  }
}

bool READ_STREAM_DATA(std::string_view streamObject, double& flow, double& pressure, double& temperature,
                      double& vaporFraction, std::int64_t& status) {
  std::int64_t found = 0;
  RPFIND(streamObject.data(), static_cast<std::int64_t>(streamObject.size()), &found, &status);
  const std::optional<RecordArrays> record = readStreamRecord(streamObject, kReadCapacity, status);
  if (!record) return false;
  flow = record->real(1) * record->real(5);
  pressure = record->real(3);
  temperature = record->real(2);
  vaporFraction = record->real(4);
  return true;
}

}  // namespace kvom::transfer
