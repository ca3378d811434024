#include "host/repository_setup.h"

#include <algorithm>

namespace host {

using standins::repository::Record;

namespace {

// The unit-input record holds 10 integers and 23 reals once the host has completed it.
constexpr std::size_t kUnitInputIntegers = 10;
constexpr std::size_t kUnitInputReals = 23;

// Composition switch value that has the adapter send the compositions.
constexpr std::int64_t kSendCompositions = 3;
constexpr std::int64_t kKeepCompositions = 1;

}  // namespace

Record streamRecord(const Stream& stream) {
  Record record;
  record.integers.assign(kMaxStreamItems, 0);
  record.reals = {stream.flow, stream.temperature, stream.pressure, stream.vapourFraction, stream.flowMultiplier};
  record.reals.resize(5 + kMaxStreamItems, 0.0);
  for (std::size_t k = 0; k < stream.items.size(); ++k) {
    record.integers[k] = stream.items[k].code;
    record.reals[5 + k] = stream.items[k].flow;
  }
  return record;
}

std::vector<CurveRecord> curveRecords(const Curve& curve) {
  Record point, thermodynamic, phase, composition, components;
  for (const Point& p : curve.points) {
    point.integers.push_back(static_cast<std::int64_t>(p.phases.size()));
    thermodynamic.reals.insert(thermodynamic.reals.end(), {p.temperature, p.pressure, p.enthalpy, p.vapourFraction});
    for (const Phase& ph : p.phases) {
      phase.integers.push_back(ph.kind);
      phase.reals.insert(phase.reals.end(), ph.block.begin(), ph.block.end());
      // A phase without mole fractions holds zeros, so that every phase keeps its block.
      std::vector<double> fractions = ph.moleFractions;
      fractions.resize(curve.components.size(), 0.0);
      composition.reals.insert(composition.reals.end(), fractions.begin(), fractions.end());
    }
  }
  const std::size_t nc = curve.components.size();
  components.integers = {curve.sendCompositions ? kSendCompositions : kKeepCompositions, static_cast<std::int64_t>(nc)};
  components.reals.resize(7 * nc);
  for (std::size_t m = 0; m < 7; ++m) {
    for (std::size_t k = 0; k < nc; ++k) components.reals[m * nc + k] = curve.components[k][m];
  }
  return {{"STHE_HRC_POINT", std::move(point)},
          {"STHE_HRC_THERMODYNAMIC", std::move(thermodynamic)},
          {"STHE_HRC_PHASE", std::move(phase)},
          {"STHE_HRC_PHASE_COMPOSITION", std::move(composition)},
          {"STHE_HRC_COMPONENT_PROPERTIES", std::move(components)}};
}

void putStreamsAndCurves(const Scenario& scenario) {
  for (const auto* streams : {&scenario.hotStreams, &scenario.coldStreams}) {
    for (const Stream& stream : *streams)
      standins::repository::putRecord(stream.name, kStreamKey, streamRecord(stream));
  }
  for (const auto* curves : {&scenario.hotCurves, &scenario.coldCurves}) {
    for (const Curve& curve : *curves) {
      for (CurveRecord& entry : curveRecords(curve)) {
        standins::repository::putRecord(curve.name, entry.key, std::move(entry.record));
      }
    }
  }
}

bool fillUnitInput(const Scenario& scenario) {
  std::optional<Record> existing = standins::repository::getRecord(scenario.inputObject, kUnitInputKey);
  const bool found = existing.has_value();
  Record record = found ? std::move(*existing) : Record{};
  if (record.integers.size() < kUnitInputIntegers) record.integers.resize(kUnitInputIntegers, kvom::UNSET_INTEGER);
  if (record.reals.size() < kUnitInputReals) record.reals.resize(kUnitInputReals, kvom::UNSET_REAL);
  for (const UnitInputValue& value : scenario.unitInput) {
    if (value.isInteger) {
      record.integers[value.position - 1] = value.integer;
    } else {
      record.reals[value.position - 1] = value.real;
    }
  }
  standins::repository::putRecord(scenario.inputObject, kUnitInputKey, std::move(record));
  return found;
}

}  // namespace host
