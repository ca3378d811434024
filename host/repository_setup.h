#pragma once
// What the host puts into the repository for a run: the stream records, the curve objects with
// their five heating-curve records, and its values in the unit-input record that the input step
// created.

#include "host/scenario.h"
#include "standins/repository/repository_standin.h"

namespace host {

inline constexpr std::string_view kUnitInputKey = "WEXA_PLUS_UNIT_INPUT";
inline constexpr std::string_view kStreamKey = "KVOM_MS_DATA";

// KVOM_MS_DATA: integers 1 to 6 the item codes, reals 1 to 5 flow, inlet temperature, inlet
// pressure, inlet vapour fraction and flow multiplier, reals 6 to 11 the item flows.
standins::repository::Record streamRecord(const Stream& stream);

// The five records of a curve object, in the order STHE_HRC_POINT, STHE_HRC_THERMODYNAMIC,
// STHE_HRC_PHASE, STHE_HRC_PHASE_COMPOSITION, STHE_HRC_COMPONENT_PROPERTIES.
struct CurveRecord {
  std::string_view key;
  standins::repository::Record record;
};
std::vector<CurveRecord> curveRecords(const Curve& curve);

// Writes the four stream objects and every curve object.
void putStreamsAndCurves(const Scenario& scenario);

// Writes the scenario's values into the unit-input record of the input object, keeping what the
// record already holds elsewhere. Returns false when the input step left no record, in which case
// a record is written from scratch with every other value unset.
bool fillUnitInput(const Scenario& scenario);

}  // namespace host
