#include "transfer/curve_reset.h"

#include <array>

#include "transfer/value_transfer.h"

namespace kvom::transfer {
namespace {

constexpr std::int64_t kNoCurveFlag = 2;

// The point and phase arrays, after PressureReference and before the component arrays.
constexpr std::array<std::string_view, 22> kPointAndPhaseArrays = {"PressureReference",
                                                                   "Temperature",
                                                                   "VaporMassFraction",
                                                                   "SpecificEnthalpy",
                                                                   "VaporMolecularWeight",
                                                                   "VaporDensity",
                                                                   "VaporViscosity",
                                                                   "VaporThermalConductivity",
                                                                   "VaporSpecificHeat",
                                                                   "LiquidMolecularWeight",
                                                                   "LiquidDensity",
                                                                   "LiquidViscosity",
                                                                   "LiquidThermalConductivity",
                                                                   "LiquidSpecificHeat",
                                                                   "LiquidSurfaceTension",
                                                                   "Liquid2MolecularWeight",
                                                                   "Liquid2Density",
                                                                   "Liquid2Viscosity",
                                                                   "Liquid2ThermalConductivity",
                                                                   "Liquid2SpecificHeat",
                                                                   "Liquid2SurfaceTension",
                                                                   "Liquid2MassFraction"};

// Per component: the liquid mole fractions, then the vapour mole fractions.
constexpr std::array<std::string_view, 2> kCompositionSuffixes = {"LiqMoleFrc", "VapMoleFrc"};

constexpr std::array<std::string_view, 7> kComponentPropertyArrays = {
    "CompMolecularWeight",    "CompCriticalPressure", "CompCriticalTemperature", "CompMolarVolume",
    "CompNormalBoilingPoint", "CompAcentricFactor",   "CompDipoleMoment"};

std::vector<std::string> buildResetList() {
  std::vector<std::string> names(kPointAndPhaseArrays.begin(), kPointAndPhaseArrays.end());
  for (int k = 1; k <= kCurveComponents; ++k) {
    for (const auto suffix : kCompositionSuffixes) names.push_back(componentArrayName(k, suffix));
  }
  names.insert(names.end(), kComponentPropertyArrays.begin(), kComponentPropertyArrays.end());
  return names;
}

}  // namespace

std::string componentArrayName(int k, std::string_view suffix) {
  std::string name = "Comp";
  name += static_cast<char>('0' + k / 10 % 10);
  name += static_cast<char>('0' + k % 10);
  name += suffix;
  return name;
}

const std::vector<std::string>& curveResetList() {
  static const std::vector<std::string> list = buildResetList();
  return list;
}

void RESET_CURVE_ARRAYS(const std::int64_t& hotSideFlag, const std::int64_t& coldSideFlag, platform::EngineData* data) {
  const auto arrays = inputArrays(data);

  // The side number names the last side that takes curves; 0 when neither does.
  const bool hotTakesCurves = hotSideFlag != kNoCurveFlag;
  const bool coldTakesCurves = coldSideFlag != kNoCurveFlag;
  if (!hotTakesCurves && !coldTakesCurves) return;
  const bool bothSides = hotTakesCurves && coldTakesCurves;
  const std::int16_t side = coldTakesCurves ? 2 : 1;

  const std::string_view reference = kPointAndPhaseArrays.front();
  for (const auto& name : curveResetList()) {
    const auto array = findArray(arrays.get(), name);
    if (!array) continue;
    // The engine takes the side by address: each call gets its own copy.
    std::int16_t sideArgument = side;
    if (bothSides) {
      array->ResetBothSides(-1, 0);
    } else if (name == reference) {
      array->ResetSideReference(&sideArgument, 0);
    } else {
      array->ResetSide(&sideArgument, 0);
    }
  }
}

}  // namespace kvom::transfer
