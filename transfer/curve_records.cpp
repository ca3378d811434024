#include "transfer/curve_records.h"

#include <array>
#include <cstddef>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>

#include "platform/host_library.h"
#include "platform/repository.h"
#include "transfer/heating_curve.h"
#include "transfer/record_arrays.h"
#include "transfer/stream_data.h"

namespace kvom::transfer {
namespace {

enum CurveRecord : std::size_t { kPoint, kThermodynamic, kPhase, kPhaseComposition, kComponentProperties, kRecords };

constexpr std::array<std::string_view, kRecords> kCurveRecordKeys = {"STHE_HRC_POINT", "STHE_HRC_THERMODYNAMIC",
                                                                     "STHE_HRC_PHASE", "STHE_HRC_PHASE_COMPOSITION",
                                                                     "STHE_HRC_COMPONENT_PROPERTIES"};

constexpr std::int64_t kTextLength = 32;
constexpr std::int64_t kOutOfStorage = 1400;

using CurveArrays = std::array<RecordArrays, kRecords>;

enum class CurveRead { kRead, kUnreadable, kNoStorage };

// A record without data reads as an empty record: a curve without compositions has an empty
// STHE_HRC_PHASE_COMPOSITION. Any other status but success means the record cannot be read.
bool readable(std::int64_t status) { return status == kRecordRead || status == kRecordWithoutData; }

// Reads the five records in turn; stops at the first that cannot be read or whose work arrays
// cannot be had.
CurveRead readCurve(std::string_view object, CurveArrays& records, std::int64_t& status) {
  for (std::size_t r = 0; r < kRecords; ++r) {
    const std::string_view key = kCurveRecordKeys[r];
    RecordArrays& record = records[r];
    RPGETS(object.data(), static_cast<std::int64_t>(object.size()), key.data(), static_cast<std::int64_t>(key.size()),
           &record.integerCount, &record.integerCompanionCount, &record.realCount, &record.realCompanionCount,
           &record.textCount, &record.textCompanionCount, &status);
    if (!readable(status)) return CurveRead::kUnreadable;
    if (!allocateRecordArrays(record, kTextLength)) return CurveRead::kNoStorage;
    readRecordData(object, key, record, status);
    if (!readable(status)) return CurveRead::kUnreadable;
  }
  return CurveRead::kRead;
}

template <typename T>
std::span<T> held(std::vector<T>& values, std::int64_t count) {
  return std::span<T>(values).first(static_cast<std::size_t>(count));
}

}  // namespace

void READ_CURVE_RECORDS(const std::int64_t& switchValue, platform::EngineData* data, const std::int64_t& curveIndex,
                        std::string_view curveObject, std::int64_t& status) {
  std::int64_t found = 0;
  RPFIND(curveObject.data(), static_cast<std::int64_t>(curveObject.size()), &found, &status);
  if (found == 0) return;

  CurveRead read = CurveRead::kUnreadable;
  {
    CurveArrays records;
    read = readCurve(curveObject, records, status);
    if (read == CurveRead::kRead) {
      RecordArrays& components = records[kComponentProperties];
      const std::int64_t componentCount = components.integer(2);
      const std::int64_t compositionSwitch = components.integer(1);
      SEND_HEATING_CURVE(stateOfSwitch(switchValue), data, curveIndex, curveObject,
                         held(records[kPoint].integers, records[kPoint].integerCount),
                         held(records[kPhase].integers, records[kPhase].integerCount),
                         held(records[kThermodynamic].reals, records[kThermodynamic].realCount),
                         held(records[kPhase].reals, records[kPhase].realCount),
                         held(records[kPhaseComposition].reals, records[kPhaseComposition].realCount),
                         held(components.reals, components.realCount), componentCount, compositionSwitch);
    }
  }
  // The work arrays are released before the error leaves the call.
  if (read == CurveRead::kNoStorage) PellantRaiseError(&kOutOfStorage);
}

}  // namespace kvom::transfer
