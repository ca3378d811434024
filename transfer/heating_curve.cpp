#include "transfer/heating_curve.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/unset.h"
#include "run/case_ids.h"
#include "run/unit_factors.h"
#include "transfer/curve_reset.h"
#include "transfer/value_transfer.h"

namespace kvom::transfer {
namespace {

constexpr int kNoFactor = -1;
constexpr std::int64_t kPhaseBlockLength = 10;
constexpr std::int64_t kCompositionsSent = 3;
constexpr std::int64_t kComponentPropertyCount = 7;

// The variables of one side and where its curves lie in the shared arrays.
struct Side {
  std::string_view database, curveCount, pointCount;
  std::int64_t referenceOffset, pointOffset, componentOffset;
};
constexpr Side kHotSide{"DBToBeUsedHS", "NumCurvHS", "NumPtsOnCrvHS", 0, 0, 0};
constexpr Side kColdSide{"DBToBeUsedCS", "NumCurvCS", "NumPtsOnCrvCS", 5, 120, 50};

// Phase kinds and the column of the phase table that each writes.
enum PhaseColumn : std::size_t { kVapour, kLiquid, kLiquid2, kPhaseColumns };

// One row of the phase table: the array of each kind (empty: the kind has none), the position of
// the value in the phase's block of reals and the factor word that converts it.
struct PhaseRow {
  std::array<std::string_view, kPhaseColumns> arrays;
  std::int64_t position;
  int factorWord;
};
constexpr std::array<PhaseRow, 8> kPhaseRows = {{
    {{"VaporMolecularWeight", "LiquidMolecularWeight", "Liquid2MolecularWeight"}, 2, kNoFactor},
    {{"VaporDensity", "LiquidDensity", "Liquid2Density"}, 3, run::factor::kDensity},
    {{"VaporSpecificHeat", "LiquidSpecificHeat", "Liquid2SpecificHeat"}, 4, run::factor::kSpecificHeat},
    {{"VaporViscosity", "LiquidViscosity", "Liquid2Viscosity"}, 5, run::factor::kViscosity},
    {{"VaporThermalConductivity", "LiquidThermalConductivity", "Liquid2ThermalConductivity"},
     6,
     run::factor::kThermalConductivity},
    {{"Diffusivity", "", ""}, 8, run::factor::kDiffusivity},
    {{"", "LiquidSurfaceTension", "Liquid2SurfaceTension"}, 7, run::factor::kSurfaceTension},
    {{"", "", "Liquid2MassFraction"}, 10, kNoFactor},
}};
constexpr std::array<std::string_view, kPhaseColumns> kCompositionSuffixes = {"VapMoleFrc", "LiqMoleFrc",
                                                                              "Liq2MoleFrc"};

// Component property m (from 0) of component k is real m x NC + k.
struct ComponentProperty {
  std::string_view array;
  int factorWord;
};
constexpr std::array<ComponentProperty, kComponentPropertyCount> kComponentProperties = {{
    {"CompMolecularWeight", kNoFactor},
    {"CompCriticalPressure", run::factor::kPressure},
    {"CompCriticalTemperature", kNoFactor},
    {"CompMolarVolume", kNoFactor},
    {"CompNormalBoilingPoint", kNoFactor},
    {"CompAcentricFactor", kNoFactor},
    {"CompDipoleMoment", kNoFactor},
}};

// The column of a phase kind: 2 vapour, 4 liquid, 5 second liquid; any other kind writes nothing.
std::optional<PhaseColumn> columnOf(std::int64_t kind) {
  switch (kind) {
    case 2:
      return kVapour;
    case 4:
      return kLiquid;
    case 5:
      return kLiquid2;
    default:
      return std::nullopt;
  }
}

// Value n (from 1) of a record array; one the record does not hold counts as 0.
template <typename T>
T valueAt(std::span<const T> values, std::int64_t n) {
  return n >= 1 && n <= static_cast<std::int64_t>(values.size()) ? values[static_cast<std::size_t>(n - 1)] : T{};
}

double converted(double value, int factorWord) {
  return factorWord == kNoFactor ? value : toEngineUnits(value, run::unitFactor(factorWord));
}

std::int16_t element(std::int64_t index) { return static_cast<std::int16_t>(index); }

// An array name converted for the engine at its first use; a curve writes the same arrays at
// every point and phase.
class LazyName {
 public:
  const EngineString& get(std::string_view name) {
    if (!name_) name_.emplace(name);
    return *name_;
  }
  // The same for a name that is built only when it is first needed.
  template <typename Build>
  const EngineString& build(Build make) {
    if (!name_) name_.emplace(make());
    return *name_;
  }

 private:
  std::optional<EngineString> name_;
};

enum PointArray : std::size_t { kVaporMassFraction, kTemperature, kSpecificEnthalpy, kPointArrays };
constexpr std::array<std::string_view, kPointArrays> kPointArrayNames = {"VaporMassFraction", "Temperature",
                                                                         "SpecificEnthalpy"};

class CurveWriter {
 public:
  CurveWriter(platform::EngineData* data, std::int64_t state, std::int64_t curveIndex, std::int64_t pointCount,
              std::span<const double> thermodynamic, std::span<const double> phases,
              std::span<const double> compositions, std::span<const double> componentProperties,
              std::int64_t componentCount)
      : arrays_(inputArrays(data)),
        scalars_(inputScalars(data)),
        state_(state),
        curveIndex_(curveIndex),
        pointCount_(pointCount),
        thermodynamic_(thermodynamic),
        phases_(phases),
        compositions_(compositions),
        componentProperties_(componentProperties),
        componentCount_(componentCount) {}

  // Property blocks of all NC components: the record must hold 7 NC reals.
  bool componentsSent() const {
    return componentCount_ <= 0 ||
           componentCount_ <= static_cast<std::int64_t>(componentProperties_.size()) / kComponentPropertyCount;
  }
  // The components that the engine's arrays have room for.
  std::int64_t componentsWritten() const { return std::clamp<std::int64_t>(componentCount_, 0, kCurveComponents); }

  void sendSideValues(const Side& side) {
    writeScalar(scalars_.get(), side.database, EngineValue::literal("4"), state_);
    writeElement(arrays_.get(), pressureReference_.get("PressureReference"),
                 element(side.referenceOffset + curveIndex_),
                 converted(valueAt(thermodynamic_, 2), run::factor::kPressure), state_, texts_);
    writeScalar(scalars_.get(), side.curveCount, curveIndex_, kStateSet);
    writeScalar(scalars_.get(), side.pointCount, pointCount_, state_);
    if (!componentsSent() || componentsWritten() == 0) return;
    for (std::size_t m = 0; m < kComponentProperties.size(); ++m) {
      const auto& property = kComponentProperties[m];
      const auto blockStart = static_cast<std::int64_t>(m) * componentCount_;
      for (std::int64_t k = 1; k <= componentsWritten(); ++k) {
        writeElement(arrays_.get(), propertyNames_[m].get(property.array), element(side.componentOffset + k),
                     converted(valueAt(componentProperties_, blockStart + k), property.factorWord), state_, texts_);
      }
    }
  }

  void sendPoint(std::int64_t p, std::int16_t e) {
    writeElement(arrays_.get(), pointArray(kVaporMassFraction), e, valueAt(thermodynamic_, 4 * p), state_, texts_);
    writeElement(arrays_.get(), pointArray(kTemperature), e, valueAt(thermodynamic_, 4 * p - 3), state_, texts_);
    writeElement(arrays_.get(), pointArray(kSpecificEnthalpy), e,
                 converted(valueAt(thermodynamic_, 4 * p - 1), run::factor::kSpecificEnthalpy), state_, texts_);
  }

  // The phase whose block of reals starts after phaseStart and whose compositions start after
  // compositionStart.
  void sendPhase(PhaseColumn column, std::int16_t e, std::int64_t phaseStart, std::int64_t compositionStart,
                 bool withCompositions) {
    for (std::size_t r = 0; r < kPhaseRows.size(); ++r) {
      const auto& row = kPhaseRows[r];
      if (row.arrays[column].empty()) continue;
      writeElement(arrays_.get(), phaseNames_[r][column].get(row.arrays[column]), e,
                   converted(valueAt(phases_, phaseStart + row.position), row.factorWord), state_, texts_);
    }
    if (!withCompositions) return;
    for (std::int64_t k = 1; k <= componentsWritten(); ++k) {
      writeElement(arrays_.get(), compositionName(column, k), e, valueAt(compositions_, compositionStart + k), state_,
                   texts_);
    }
  }

 private:
  const EngineString& pointArray(PointArray a) { return pointNames_[a].get(kPointArrayNames[a]); }
  const EngineString& compositionName(PhaseColumn column, std::int64_t k) {
    LazyName& name = compositionNames_[column][static_cast<std::size_t>(k - 1)];
    return name.build([&] { return componentArrayName(static_cast<int>(k), kCompositionSuffixes[column]); });
  }

  platform::ComPtr<platform::VariableCollection> arrays_;
  platform::ComPtr<platform::VariableCollection> scalars_;
  std::int64_t state_;
  std::int64_t curveIndex_;
  std::int64_t pointCount_;
  std::span<const double> thermodynamic_;
  std::span<const double> phases_;
  std::span<const double> compositions_;
  std::span<const double> componentProperties_;
  std::int64_t componentCount_;
  LazyName pressureReference_;
  std::array<LazyName, kPointArrays> pointNames_;
  std::array<std::array<LazyName, kPhaseColumns>, kPhaseRows.size()> phaseNames_;
  std::array<std::array<LazyName, kCurveComponents>, kPhaseColumns> compositionNames_;
  std::array<LazyName, kComponentPropertyCount> propertyNames_;
  ValueTexts texts_;
};

}  // namespace

void SEND_HEATING_CURVE(const std::int64_t& state, platform::EngineData* data, const std::int64_t& curveIndex,
                        std::string_view curveName, std::span<std::int64_t> pointIntegers,
                        std::span<std::int64_t> phaseIntegers, std::span<double> thermodynamicReals,
                        std::span<double> phaseReals, std::span<const double> compositionReals,
                        std::span<const double> componentPropertyReals, const std::int64_t& componentCount,
                        const std::int64_t& compositionSwitch) {
  // Unset thermodynamic and phase values go to the engine as 0, an unset count or kind as 0.
  for (auto* reals : {&thermodynamicReals, &phaseReals}) {
    for (double& value : *reals) {
      if (value >= UNSET_REAL) value = 0.0;
    }
  }
  for (auto* integers : {&pointIntegers, &phaseIntegers}) {
    for (std::int64_t& value : *integers) {
      if (value == UNSET_INTEGER) value = 0;
    }
  }

  const std::int64_t pointCount =
      std::min<std::int64_t>(static_cast<std::int64_t>(pointIntegers.size()), kPointsPerCurve);
  CurveWriter writer(data, state, curveIndex, pointCount, thermodynamicReals, phaseReals, compositionReals,
                     componentPropertyReals, componentCount);

  // The side is the list whose entry i holds the curve's name; an index beyond the layout has no
  // elements of its own.
  if (curveIndex < 1 || curveIndex > kCurvesPerSide) return;
  const auto entry = static_cast<std::size_t>(curveIndex - 1);
  const bool hot = run::CaseIds.hotNames[entry] == curveName;
  const bool cold = run::CaseIds.coldNames[entry] == curveName;
  if (hot) writer.sendSideValues(kHotSide);
  if (cold) writer.sendSideValues(kColdSide);
  if (!hot && !cold) return;

  const std::int64_t pointOffset = cold ? kColdSide.pointOffset : kHotSide.pointOffset;
  const bool withCompositions = hot && compositionSwitch == kCompositionsSent && writer.componentsSent();
  const auto phaseKinds = static_cast<std::int64_t>(phaseIntegers.size());
  const auto compositionCount = static_cast<std::int64_t>(compositionReals.size());
  const std::int64_t compositionStep = std::max<std::int64_t>(componentCount, 0);

  // Phases are numbered through the whole curve; each takes the next block of phase reals and of
  // compositions, whatever its kind. A phase beyond the record's kinds has kind 0.
  std::int64_t phase = 1;
  std::int64_t phaseStart = 0;
  std::int64_t compositionStart = 0;
  for (std::int64_t p = 1; p <= pointCount; ++p) {
    const std::int16_t e = element((curveIndex - 1) * kPointsPerCurve + pointOffset + p);
    writer.sendPoint(p, e);
    const std::int64_t phasesAtPoint = pointIntegers[static_cast<std::size_t>(p - 1)];
    for (std::int64_t q = 1; q <= phasesAtPoint && phase <= phaseKinds; ++q) {
      if (const auto column = columnOf(phaseIntegers[static_cast<std::size_t>(phase - 1)])) {
        writer.sendPhase(*column, e, phaseStart, compositionStart, withCompositions);
      }
      ++phase;
      phaseStart += kPhaseBlockLength;
      // Past the end of the compositions every further block reads as 0.
      if (compositionStart <= compositionCount) compositionStart += compositionStep;
    }
  }
}

}  // namespace kvom::transfer
