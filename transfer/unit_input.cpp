#include "transfer/unit_input.h"

#include <array>
#include <cstddef>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

#include "common/unset.h"
#include "platform/host_library.h"
#include "platform/repository.h"
#include "run/unit_factors.h"
#include "transfer/record_arrays.h"
#include "transfer/stream_data.h"
#include "transfer/value_transfer.h"

namespace kvom::transfer {
namespace {

using platform::VariableCollection;

constexpr std::int64_t kTextLength = 32;
constexpr int kNoFactor = -1;

// ---------------------------------------------------------------------------------------------
// The record

// The unit-input record as read. A position beyond what the record holds reads as unset.
class UnitInput {
 public:
  explicit UnitInput(RecordArrays arrays) : arrays_(std::move(arrays)) {}

  std::int64_t integer(std::int64_t n) const {
    return n >= 1 && n <= arrays_.integerCount ? arrays_.integers[static_cast<std::size_t>(n - 1)] : UNSET_INTEGER;
  }
  double real(std::int64_t n) const {
    return n >= 1 && n <= arrays_.realCount ? arrays_.reals[static_cast<std::size_t>(n - 1)] : UNSET_REAL;
  }
  // Set means below the marker: negative integers count as set, a NaN does not.
  std::optional<std::int64_t> setInteger(std::int64_t n) const {
    const std::int64_t value = integer(n);
    return value < UNSET_INTEGER ? std::optional(value) : std::nullopt;
  }
  std::optional<double> setReal(std::int64_t n) const {
    const double value = real(n);
    return value < UNSET_REAL ? std::optional(value) : std::nullopt;
  }

 private:
  RecordArrays arrays_;
};

// Reads the record. nullopt, with the pressure drops as the caller had them, when RPGETS or RPGETD
// reports anything but success: the cleared work storage is never taken as the record's values.
// Raises error 1400 when the work arrays cannot be had (after releasing those that could).
std::optional<UnitInput> readUnitInput(std::string_view object, double& hotPressureDrop, double& coldPressureDrop,
                                       std::int64_t& status) {
  const auto objectLength = static_cast<std::int64_t>(object.size());
  const auto keyLength = static_cast<std::int64_t>(kUnitInputKey.size());
  {
    RecordArrays arrays;
    RPGETS(object.data(), objectLength, kUnitInputKey.data(), keyLength, &arrays.integerCount,
           &arrays.integerCompanionCount, &arrays.realCount, &arrays.realCompanionCount, &arrays.textCount,
           &arrays.textCompanionCount, &status);
    if (status != kRecordRead) return std::nullopt;
    if (allocateRecordArrays(arrays, kTextLength)) {
      readRecordData(object, kUnitInputKey, arrays, status);
      if (status != kRecordRead) return std::nullopt;
      hotPressureDrop = 0.0;
      coldPressureDrop = 0.0;
      return UnitInput(std::move(arrays));
    }
  }  // what could be allocated is released before the error leaves the call
  PellantRaiseError(&kOutOfStorageError);
}

// ---------------------------------------------------------------------------------------------
// Mode 1

// The outlet pressure as stored; the pressure drop only when the outlet pressure is unset.
void sidePressures(const UnitInput& input, int outletPressure, int estimatedDrop, int allowedDrop, double& outlet,
                   double& drop) {
  outlet = input.real(outletPressure);
  if (outlet != UNSET_REAL) return;
  if (const auto estimated = input.setReal(estimatedDrop); estimated && *estimated != 0.0) {
    drop = *estimated;
  } else if (const auto allowed = input.setReal(allowedDrop)) {
    drop = *allowed;
  }
}

// ---------------------------------------------------------------------------------------------
// Mode 0

struct ModelReal {
  int field;
  std::array<std::string_view, 3> variables;  // liquid, vapour, two-phase where there are three
  int factorWord;
};

// Reals 1 to 15, in record order.
constexpr std::array<ModelReal, 15> kModelReals = {{
    {1, {"HtLdTotal"}, run::factor::kHeatDuty},
    {2, {"FoulResHS"}, run::factor::kFoulingResistance},
    {3, {"HtcSpecLiqHS", "HtcSpecVapHS", "HtcSpec2phHS"}, run::factor::kHeatTransferCoefficient},
    {4, {"HtcMultLiqHS", "HtcMultVapHS", "HtcMult2phHS"}, kNoFactor},
    {5, {"PrDrMultHS"}, kNoFactor},
    {6, {"PrDrAlloHS"}, run::factor::kPressure},
    {7, {"PresOperOutHS"}, run::factor::kPressure},
    {8, {"EstPrDrHS"}, run::factor::kPressure},
    {9, {"FoulResCS"}, run::factor::kFoulingResistance},
    {10, {"HtcSpecLiqCS", "HtcSpecVapCS", "HtcSpec2phCS"}, run::factor::kHeatTransferCoefficient},
    {11, {"HtcMultLiqCS", "HtcMultVapCS", "HtcMult2phCS"}, kNoFactor},
    {12, {"PrDrMultCS"}, kNoFactor},
    {13, {"PrDrAlloCS"}, run::factor::kPressure},
    {14, {"PresOperOutCS"}, run::factor::kPressure},
    {15, {"EstPrDrCS"}, run::factor::kPressure},
}};

// Reals 17 to 19: the shell, baffle and tube dimensions.
constexpr std::array<ModelReal, 3> kGeometryReals = {{
    {17, {"ShlID"}, run::factor::kLength},
    {18, {"BafSpcCC"}, run::factor::kLength},
    {19, {"TubeLng"}, run::factor::kLength},
}};

// Reals 21 to 23: the convergence settings, without factors.
constexpr std::array<ModelReal, 3> kConvergenceReals = {{
    {21, {"ConvToleranceQ"}, kNoFactor},
    {22, {"ConvToleranceP"}, kNoFactor},
    {23, {"ConvRelaxation"}, kNoFactor},
}};

struct IntegerVariable {
  int field;
  std::string_view variable;
};

// Integers 1 to 3: tube passes, tubes and baffles.
constexpr std::array<IntegerVariable, 3> kCountIntegers = {{{1, "TubePassNum"}, {2, "TubeNum"}, {3, "BafNum"}}};

constexpr std::string_view kLiquidSurfacePressure = "PresOperAtLiqSurfCS";
constexpr std::string_view kColdInletPressure = "PresOperInCS";

// The five outlet variables; an outlet specification sets one of them and clears the other four.
enum Outlet : std::size_t { kTempOutHS, kTempOutCS, kVapFrcOutHS, kVapFrcOutCS, kHtLdTotal, kOutlets };
constexpr std::array<std::string_view, kOutlets> kOutletVariables = {"TempOutHS", "TempOutCS", "VapFrcOutHS",
                                                                     "VapFrcOutCS", "HtLdTotal"};

struct OutletSpecification {
  Outlet receives;
  std::array<Outlet, 4> cleared;  // in this order
};

// By outlet-specification code 1 to 12.
constexpr OutletSpecification kHeatLoad{kHtLdTotal, {kTempOutHS, kTempOutCS, kVapFrcOutHS, kVapFrcOutCS}};
constexpr OutletSpecification kHotTemperature{kTempOutHS, {kVapFrcOutHS, kTempOutCS, kVapFrcOutCS, kHtLdTotal}};
constexpr OutletSpecification kColdTemperature{kTempOutCS, {kVapFrcOutHS, kTempOutHS, kVapFrcOutCS, kHtLdTotal}};
constexpr OutletSpecification kHotVaporFraction{kVapFrcOutHS, {kTempOutHS, kTempOutCS, kVapFrcOutCS, kHtLdTotal}};
constexpr OutletSpecification kColdVaporFraction{kVapFrcOutCS, {kTempOutHS, kTempOutCS, kVapFrcOutHS, kHtLdTotal}};
constexpr std::array<OutletSpecification, 12> kOutletSpecifications = {
    kHeatLoad,          kHotTemperature, kColdTemperature, kHotTemperature, kColdTemperature, kHotVaporFraction,
    kColdVaporFraction, kHotTemperature, kColdTemperature, kHotTemperature, kColdTemperature, kHotTemperature};

// Program mode 3 clears every outlet variable, in this order.
constexpr std::array<Outlet, kOutlets> kRatingClears = {kTempOutHS, kVapFrcOutHS, kTempOutCS, kVapFrcOutCS, kHtLdTotal};

constexpr std::string_view kDumpRequest = "RPDUMP";
constexpr std::string_view kDumpFile = "Wexa_Zorvi.RPO";

double toEngine(double value, int factorWord) {
  return factorWord == kNoFactor ? value : toEngineUnits(value, run::unitFactor(factorWord));
}

void sendReals(VariableCollection* scalars, const UnitInput& input, std::span<const ModelReal> reals,
               std::int64_t state) {
  for (const ModelReal& real : reals) {
    const auto value = input.setReal(real.field);
    if (!value) continue;
    for (const std::string_view variable : real.variables) {
      if (!variable.empty()) writeScalar(scalars, variable, toEngine(*value, real.factorWord), state);
    }
  }
}

// Step 1: the model values with the switch's state. The liquid-surface pressure falls back to the
// engine's own cold inlet pressure, copied as text.
void sendModelValues(VariableCollection* scalars, const UnitInput& input, std::int64_t state) {
  sendReals(scalars, input, kModelReals, state);
  if (const auto surface = input.setReal(16)) {
    writeScalar(scalars, kLiquidSurfacePressure, *surface, state);
  } else {
    ValueText inletPressure;
    readScalarText(scalars, kColdInletPressure, inletPressure);
    writeScalar(scalars, kLiquidSurfacePressure, EngineValue::literal(inletPressure.view()), kStateSet);
  }
  sendReals(scalars, input, kGeometryReals, state);
  for (const IntegerVariable& count : kCountIntegers) {
    if (const auto value = input.setInteger(count.field)) writeScalar(scalars, count.variable, *value, state);
  }
}

void sendOutletSpecification(VariableCollection* scalars, const UnitInput& input, std::int64_t programMode) {
  if (programMode > 2 && programMode != 7) return;
  const auto code = input.setInteger(7);
  if (!code || *code < 1 || *code > 12) return;
  const OutletSpecification& specification = kOutletSpecifications[static_cast<std::size_t>(*code - 1)];
  // The value goes as the record holds it: no marker test, no factor.
  writeScalar(scalars, kOutletVariables[specification.receives], input.real(20));
  for (const Outlet outlet : specification.cleared) clearScalar(scalars, kOutletVariables[outlet]);
}

void sendPressureDropOption(VariableCollection* scalars, std::string_view variable, std::int64_t optionWord,
                            std::int64_t programMode) {
  writeScalar(scalars, variable, std::int64_t{5});
  if (optionWord == 2 && programMode <= 2) writeScalar(scalars, variable, std::int64_t{2});
}

// Steps 2 to 11: program mode and everything that follows from the record, all with state 1.
void sendOptions(VariableCollection* scalars, const UnitInput& input, const std::int64_t& hotPressureDropOption,
                 const std::int64_t& coldPressureDropOption, std::int64_t& programMode) {
  const auto recordMode = input.setInteger(5);
  if (recordMode) {
    programMode = *recordMode == 4 ? 7 : *recordMode;
    writeScalar(scalars, "WexaProgMode", programMode);
  }
  if (recordMode == 3) {
    writeScalar(scalars, "SimOptionHS", std::int64_t{3});
    writeScalar(scalars, "SimOptionCS", std::int64_t{3});
  }
  if (recordMode == 1 || recordMode == 2) {
    writeScalar(scalars, "TypeHtldAdjustHS", std::int64_t{2});
    writeScalar(scalars, "TypeHtldAdjustCS", std::int64_t{2});
  }
  if (const auto hotLocation = input.setInteger(4)) writeScalar(scalars, "LocFluidHS", *hotLocation);

  sendOutletSpecification(scalars, input, programMode);
  if (programMode == 3) {
    for (const Outlet outlet : kRatingClears) clearScalar(scalars, kOutletVariables[outlet]);
  }
  sendPressureDropOption(scalars, "PresDropCalcOptHS", hotPressureDropOption, programMode);
  sendPressureDropOption(scalars, "PresDropCalcOptCS", coldPressureDropOption, programMode);

  sendReals(scalars, input, kConvergenceReals, kStateSet);
  // Only the two known thermosiphon options have an engine value; any other is not sent.
  const auto thermosiphon = input.setInteger(6);
  if (thermosiphon == 1) writeScalar(scalars, "ThermosiphonCalc", std::int64_t{1});
  if (thermosiphon == 2) writeScalar(scalars, "ThermosiphonCalc", std::int64_t{3});
  if (const auto iterations = input.setInteger(8)) writeScalar(scalars, "ConvMaxIterations", *iterations);
  if (const auto method = input.setInteger(9)) writeScalar(scalars, "WexaCalcMethod", *method);
  const std::int64_t vaporizer = input.integer(10);
  if (vaporizer <= 2) writeScalar(scalars, "VaporizerType", vaporizer);
  if (vaporizer == 1) writeScalar(scalars, "ShlType", std::int64_t{6});
}

// The repository dump that the engine's remarks ask for.
void dumpWhenAsked(VariableCollection* arrays, std::int64_t& status) {
  ValueText remark;
  // Only the first six characters count, so a long free-text remark asks for a dump too.
  readElementTextStart(arrays, "Remarks", 1, remark, ElementKind::Text);
  if (!remark.view().starts_with(kDumpRequest)) return;
  const std::int64_t option = 1;
  RPDUMP(kDumpFile.data(), static_cast<std::int64_t>(kDumpFile.size()), &option, &option, &option, &status);
}

}  // namespace

void SEND_UNIT_INPUT(const std::int64_t& mode, const std::int64_t& switchValue, std::string_view inputObject,
                     platform::EngineData* data, double& hotPressureDrop, double& coldPressureDrop,
                     std::int64_t& programMode, const std::int64_t& hotPressureDropOption,
                     const std::int64_t& coldPressureDropOption, double& hotOutletPressure, double& coldOutletPressure,
                     std::int64_t& status) {
  if (mode == 1) {
    const auto input = readUnitInput(inputObject, hotPressureDrop, coldPressureDrop, status);
    if (!input) return;
    sidePressures(*input, 7, 8, 6, hotOutletPressure, hotPressureDrop);
    sidePressures(*input, 14, 15, 13, coldOutletPressure, coldPressureDrop);
    return;
  }

  platform::ComPtr<VariableCollection> scalars;
  platform::ComPtr<VariableCollection> arrays;
  {
    const auto input = readUnitInput(inputObject, hotPressureDrop, coldPressureDrop, status);
    if (!input) return;
    scalars = inputScalars(data);
    arrays = inputArrays(data);
    if (switchValue != 1) sendModelValues(scalars.get(), *input, stateOfSwitch(switchValue));
    sendOptions(scalars.get(), *input, hotPressureDropOption, coldPressureDropOption, programMode);
  }  // the work arrays go here, before the dump
  dumpWhenAsked(arrays.get(), status);
  writeScalar(scalars.get(), "Calc_RecapStorage", std::int64_t{2});
}

}  // namespace kvom::transfer
