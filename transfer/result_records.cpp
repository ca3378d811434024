#include "transfer/result_records.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "common/fixed_text.h"
#include "common/unset.h"
#include "platform/repository.h"
#include "run/unit_factors.h"
#include "transfer/value_transfer.h"

namespace kvom::transfer {
namespace {

using platform::VariableCollection;

constexpr std::int64_t kTextLength = 32;

// Factor of a result: none, a word of the unit factors, or the reciprocal of the heat-transfer
// coefficient's word (film resistances).
constexpr int kNoFactor = -1;
constexpr int kReciprocalHtc = -2;

// One record's integers and reals, filled with the markers; fields are numbered from 1.
class ResultRecord {
 public:
  ResultRecord(std::size_t integers, std::size_t reals)
      : integers_(integers, UNSET_INTEGER), reals_(reals, UNSET_REAL) {}

  std::int64_t& integer(int n) { return integers_[static_cast<std::size_t>(n - 1)]; }
  double& real(int n) { return reals_[static_cast<std::size_t>(n - 1)]; }

  // Returns whether the repository took the record.
  bool put(std::string_view object, std::string_view key) const {
    const std::int64_t integerCount = static_cast<std::int64_t>(integers_.size());
    const std::int64_t realCount = static_cast<std::int64_t>(reals_.size());
    const std::int64_t none = 0;
    const std::int64_t noElement = 0;
    const char noText = ' ';
    std::int64_t status = 0;
    RPPUTD(object.data(), static_cast<std::int64_t>(object.size()), key.data(), static_cast<std::int64_t>(key.size()),
           &integerCount, integers_.data(), &none, &noElement, &realCount, reals_.data(), &none, &noElement, &none,
           &noText, kTextLength, &none, &noElement, &status);
    return status == 0;
  }

 private:
  std::vector<std::int64_t> integers_;
  std::vector<double> reals_;
};

double fromEngine(double value, int factor) {
  switch (factor) {
    case kNoFactor:
      return value;
    case kReciprocalHtc:
      // The reciprocal is formed in single precision, then widened like every factor.
      return fromEngineUnits(value, 1.0f / run::unitFactor(run::factor::kHeatTransferCoefficient));
    default:
      return fromEngineUnits(value, run::unitFactor(factor));
  }
}

// The field takes the engine's value, converted, only when the engine reports one.
std::optional<double> readResult(VariableCollection* scalars, std::string_view name, int factor) {
  double value = 0.0;
  if (!readScalar(scalars, name, value)) return std::nullopt;
  return fromEngine(value, factor);
}

// ---------------------------------------------------------------------------------------------
// STHE_PERFORMANCE

enum class Derivation {
  Real,     // the variable's value
  Integer,  // the variable's value as an integer
  Larger,   // the larger of two velocities that the engine reports
  Mean,     // the mean of reals 29 and 30 when both are filled
};

struct PerformanceField {
  Derivation derivation;
  int field;
  std::string_view variable;
  int factor = kNoFactor;
  std::string_view second = {};
};

using enum Derivation;
using namespace run::factor;

// In reading order; the fields not listed keep their markers.
constexpr auto kPerformanceFields = std::to_array<PerformanceField>({
    {Real, 1, "HtldTotal", kHeatDuty},
    {Real, 2, "AreaReqDirty", kArea},
    {Real, 3, "Area", kArea},
    {Real, 4, "ExcessSurfDirty"},
    {Real, 5, "ExcessSurfClean"},
    {Real, 6, "OverCoefDirty", kHeatTransferCoefficient},
    {Real, 7, "OverCoefClean", kHeatTransferCoefficient},
    {Real, 8, "LMTDEndPoints"},
    {Real, 9, "MTDCorrFactor"},
    {Real, 10, "TempOutSS"},
    {Real, 11, "ShlMeanMetalTemp"},
    {Real, 12, "PresOperOutSS"},
    {Real, 13, "PresDropCalcSS", kPressure},
    {Real, 15, "PresDropBafWinSS", kPressure},
    {Real, 16, "PresDropInExchEndsSS", kPressure},
    {Real, 17, "PresDropCrossFlowSS", kPressure},
    {Real, 18, "FilmCoefSS", kHeatTransferCoefficient},
    {Real, 19, "FilmCoefSS", kHeatTransferCoefficient},
    {Real, 20, "FilmResSS", kReciprocalHtc},
    {Real, 21, "FoulMaxSS", kFoulingResistance},
    {Real, 22, "FoulResSS", kFoulingResistance},
    {Real, 26, "TubFinCorrFactSS"},
    {Real, 27, "LongBafEff"},
    {Larger, 29, "VelCrossFlowInSS", kVelocity, "VelCrossFlowOutSS"},
    {Larger, 30, "VelThruBafWinInSS", kVelocity, "VelThruBafWinOutSS"},
    {Mean, 31, {}},
    {Real, 32, "RV2ShlEnt", kMomentumFlux},
    {Real, 33, "RV2ShlEx", kMomentumFlux},
    {Real, 34, "RV2BundleEnt", kMomentumFlux},
    {Real, 35, "RV2BundleEx", kMomentumFlux},
    {Integer, 1, "RV2Violation"},
    {Integer, 2, "VibIndicationWEXA"},
    {Real, 37, "ResDirtySSFoulPct"},
    {Real, 38, "ResDirtySSFilmPct"},
    {Real, 39, "FlRaTotalSS"},
    {Real, 40, "PresDropFricSS"},
    {Real, 41, "PresOperInSS"},
    {Real, 42, "TempOutTS"},
    {Real, 43, "TubeMeanMetalTemp"},
    {Real, 44, "PresOperOutTS"},
    {Real, 45, "PresDropCalcTS", kPressure},
    {Real, 47, "FilmCoefTS", kHeatTransferCoefficient},
    {Real, 48, "FilmCoefTS", kHeatTransferCoefficient},
    {Real, 49, "FilmResTS", kReciprocalHtc},
    {Real, 50, "FoulMaxTS", kFoulingResistance},
    {Real, 51, "FoulResTS", kFoulingResistance},
    {Real, 52, "VelEntBundleTS", kVelocity},
    {Real, 53, "VelExitBundleTS", kVelocity},
    {Real, 54, "VelMidPtTS", kVelocity},
    {Real, 55, "ResDirtyTSFoulPct"},
    {Real, 56, "ResDirtyTSFilmPct"},
    {Real, 57, "FlRaTotalTS"},
    {Real, 58, "PresDropFricTS"},
    {Real, 59, "PresOperInTS"},
});

// The larger of the two velocities that the engine reports, converted; nothing when it reports
// neither.
std::optional<double> largerVelocity(VariableCollection* scalars, const PerformanceField& field) {
  double first = 0.0;
  double second = 0.0;
  const bool hasFirst = readScalar(scalars, field.variable, first);
  const bool hasSecond = readScalar(scalars, field.second, second);
  if (!hasFirst && !hasSecond) return std::nullopt;
  const double larger = hasFirst && hasSecond ? std::max(first, second) : (hasFirst ? first : second);
  return fromEngine(larger, field.factor);
}

// The mean of two values. A sum beyond the largest double is halved term by term, so that two
// finite values always have a finite mean; every other mean is the halved sum.
double mean(double a, double b) {
  const double sum = a + b;
  if (std::isinf(sum) && std::isfinite(a) && std::isfinite(b)) return a * 0.5 + b * 0.5;
  return sum * 0.5;
}

bool storePerformance(std::string_view object, VariableCollection* scalars) {
  ResultRecord record(2, 59);
  for (const PerformanceField& field : kPerformanceFields) {
    std::optional<double> value;
    switch (field.derivation) {
      case Integer:
        readScalar(scalars, field.variable, record.integer(field.field));
        continue;
      case Real:
        value = readResult(scalars, field.variable, field.factor);
        break;
      case Larger:
        value = largerVelocity(scalars, field);
        break;
      case Mean:
        if (record.real(29) != UNSET_REAL && record.real(30) != UNSET_REAL)
          value = mean(record.real(29), record.real(30));
        break;
    }
    if (value) record.real(field.field) = *value;
  }
  return record.put(object, kPerformanceKey);
}

// ---------------------------------------------------------------------------------------------
// STHE_GLOBALS, STHE_DESIGN_CRITERIA

// The arrangement code from the number of tube passes and the shell-inlet nozzle location; nothing
// for combinations without a code.
std::optional<std::int64_t> arrangementCode(std::int64_t tubePasses, std::int64_t shellInletNozzle) {
  if (tubePasses == 1) {
    if (shellInletNozzle == 1) return 0;
    if (shellInletNozzle == 2) return 1;
  } else if (tubePasses > 1 && tubePasses < UNSET_INTEGER) {
    if (shellInletNozzle == 1 || shellInletNozzle == 2) return 3;
  }
  return std::nullopt;
}

bool storeGlobals(std::string_view object, VariableCollection* scalars) {
  ResultRecord record(6, 14);
  readScalar(scalars, "TubePassNum", record.integer(2));
  readScalar(scalars, "ShlSerNum", record.integer(5));
  readScalar(scalars, "ShlParNum", record.integer(6));
  std::int64_t shellInletNozzle = UNSET_INTEGER;
  readScalar(scalars, "ShellInNozLoc", shellInletNozzle);
  if (const auto code = arrangementCode(record.integer(2), shellInletNozzle)) record.integer(1) = *code;
  return record.put(object, kGlobalsKey);
}

bool storeDesignCriteria(std::string_view object, VariableCollection* scalars) {
  ResultRecord record(31, 38);
  readScalar(scalars, "LocFluidHS", record.integer(1));
  readScalar(scalars, "MethCalculationMethod", record.integer(17));
  return record.put(object, kDesignCriteriaKey);
}

// ---------------------------------------------------------------------------------------------
// Film coefficients

// Liquid sensible, two-phase, vapour sensible.
constexpr std::array<std::string_view, 3> kShellSideCoefficients = {"FilmCoefLiqSensibleSS", "FilmCoefTwoPhaseSS",
                                                                    "FilmCoefVapSensibleSS"};
constexpr std::array<std::string_view, 3> kTubeSideCoefficients = {"FilmCoefLiqSensibleTS", "FilmCoefTwoPhaseTS",
                                                                   "FilmCoefVapSensibleTS"};

// Reals 1 to 3 are the hot side, 4 to 6 the cold side. The hot fluid is in the shell when the
// engine's location is 1 or less and in the tubes when it is above 1; without a location no side
// can be assigned and the six reals keep their markers.
bool storeFilmCoefficients(std::string_view object, VariableCollection* scalars) {
  ResultRecord record(0, 6);
  double hotLocation = UNSET_REAL;
  if (readScalar(scalars, "LocFluidHS", hotLocation)) {
    const bool hotInShell = hotLocation <= 1.0;
    const int shellFirst = hotInShell ? 1 : 4;
    const int tubeFirst = hotInShell ? 4 : 1;
    for (int k = 0; k < 3; ++k) readScalar(scalars, kShellSideCoefficients[k], record.real(shellFirst + k));
    for (int k = 0; k < 3; ++k) readScalar(scalars, kTubeSideCoefficients[k], record.real(tubeFirst + k));
  }
  return record.put(object, kFilmCoefficientKey);
}

}  // namespace

bool STORE_RESULTS(std::string_view outputObject, platform::EngineData* data) {
  // The name as a 40-character field; a longer name is kept whole rather than cut to another name.
  FixedField<kResultObjectNameLength> nameField;
  const std::string_view trimmed = trimRight(outputObject);
  std::string_view object = trimmed;
  if (trimmed.size() <= kResultObjectNameLength) {
    nameField.assign(trimmed);
    object = nameField.view();
  }

  const auto scalars = outputScalars(data);
  return storePerformance(object, scalars.get()) && storeGlobals(object, scalars.get()) &&
         storeDesignCriteria(object, scalars.get()) && storeFilmCoefficients(object, scalars.get());
}

}  // namespace kvom::transfer
