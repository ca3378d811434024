#include "standins/engine/catalogue.h"

#include <array>
#include <functional>
#include <string>
#include <unordered_map>

namespace standins::engine::detail {
namespace {

struct ArrayEntry {
  std::string_view name;
  int size;
};

// Heating-curve layout: per side 5 curves, 24 points per curve, 50 components.
constexpr int kCurveElements = 10;
constexpr int kPointElements = 240;
constexpr int kComponentElements = 100;
constexpr int kComponents = 50;
// Nozzles per side, and room for the remarks lines.
constexpr int kNozzleElements = 3;
constexpr int kRemarkElements = 10;

constexpr std::string_view kInputScalars[] = {
    // unit input: model values, program mode and options
    "HtLdTotal", "FoulResHS", "HtcSpecLiqHS", "HtcSpecVapHS", "HtcSpec2phHS", "HtcMultLiqHS", "HtcMultVapHS",
    "HtcMult2phHS", "PrDrMultHS", "PrDrAlloHS", "PresOperOutHS", "EstPrDrHS", "FoulResCS", "HtcSpecLiqCS",
    "HtcSpecVapCS", "HtcSpec2phCS", "HtcMultLiqCS", "HtcMultVapCS", "HtcMult2phCS", "PrDrMultCS", "PrDrAlloCS",
    "PresOperOutCS", "EstPrDrCS", "PresOperAtLiqSurfCS", "ShlID", "BafSpcCC", "TubeLng", "TubePassNum", "TubeNum",
    "BafNum", "WexaProgMode", "SimOptionHS", "SimOptionCS", "TypeHtldAdjustHS", "TypeHtldAdjustCS", "LocFluidHS",
    "TempOutHS", "TempOutCS", "VapFrcOutHS", "VapFrcOutCS", "PresDropCalcOptHS", "PresDropCalcOptCS", "ConvToleranceQ",
    "ConvToleranceP", "ConvRelaxation", "ThermosiphonCalc", "ConvMaxIterations", "WexaCalcMethod", "VaporizerType",
    "ShlType", "Calc_RecapStorage",
    // geometry and design conditions copied back after a design run
    "TubeLayoutOption", "BafSpcIn", "BafSpcOut", "KetlID", "KetlOD", "ShlOD", "ShlParNum", "ShlSerNum", "VapBltOD",
    "VapBltLng", "VapBltID", "TempDsgnHS", "TempDsgnCS", "PresDsgnHS", "PresDsgnCS", "BafCutPerc", "BafCutPercInner",
    "BafCutPercInterm", "BafSpcCenHshl", "BafSpcCenInOut", "HtInPipAbvRef", "HtLiqLevAbvRef", "HtOutPipAbvRef",
    // stream data
    "FlRaHS", "TempInHS", "PresOperInHS", "VapFrcInHS", "FlRaNCHS", "FlRaCS", "TempInCS", "PresOperInCS", "VapFrcInCS",
    "ApplTypeHS", "ApplTypeCS",
    // diagnostics
    "DiagnosticLevel", "DiagnosticUnit", "LastCallFromSimulator",
    // heating curves
    "DBToBeUsedHS", "DBToBeUsedCS", "NumCurvHS", "NumCurvCS", "NumPtsOnCrvHS", "NumPtsOnCrvCS"};

constexpr ArrayEntry kInputArrays[] = {{"PressureReference", kCurveElements},
                                       {"Temperature", kPointElements},
                                       {"VaporMassFraction", kPointElements},
                                       {"SpecificEnthalpy", kPointElements},
                                       {"VaporMolecularWeight", kPointElements},
                                       {"VaporDensity", kPointElements},
                                       {"VaporViscosity", kPointElements},
                                       {"VaporThermalConductivity", kPointElements},
                                       {"VaporSpecificHeat", kPointElements},
                                       {"Diffusivity", kPointElements},
                                       {"LiquidMolecularWeight", kPointElements},
                                       {"LiquidDensity", kPointElements},
                                       {"LiquidViscosity", kPointElements},
                                       {"LiquidThermalConductivity", kPointElements},
                                       {"LiquidSpecificHeat", kPointElements},
                                       {"LiquidSurfaceTension", kPointElements},
                                       {"Liquid2MolecularWeight", kPointElements},
                                       {"Liquid2Density", kPointElements},
                                       {"Liquid2Viscosity", kPointElements},
                                       {"Liquid2ThermalConductivity", kPointElements},
                                       {"Liquid2SpecificHeat", kPointElements},
                                       {"Liquid2SurfaceTension", kPointElements},
                                       {"Liquid2MassFraction", kPointElements},
                                       {"CompMolecularWeight", kComponentElements},
                                       {"CompCriticalPressure", kComponentElements},
                                       {"CompCriticalTemperature", kComponentElements},
                                       {"CompMolarVolume", kComponentElements},
                                       {"CompNormalBoilingPoint", kComponentElements},
                                       {"CompAcentricFactor", kComponentElements},
                                       {"CompDipoleMoment", kComponentElements},
                                       {"Remarks", kRemarkElements},
                                       {"NozActualODSS", kNozzleElements},
                                       {"NozActualODTS", kNozzleElements},
                                       {"NozNumSS", kNozzleElements},
                                       {"NozNumTS", kNozzleElements}};

// Mole fractions of component k per phase: "Comp" k as two digits, then the phase's suffix.
constexpr std::string_view kCompositionSuffixes[] = {"VapMoleFrc", "LiqMoleFrc", "Liq2MoleFrc"};

constexpr std::string_view kOutputScalars[] = {
    // design results
    "BafNum", "BafSpcCC", "BafSpcIn", "BafSpcOut", "KetlID", "KetlOD", "ShlID", "ShlOD", "ShlParNum", "ShlSerNum",
    "TubeLng", "TubeNum", "TubePassNum", "VapBltOD", "VapBltLng", "VapBltID", "LocFluidHS", "TempDsgnSS", "TempDsgnTS",
    "PresDsgnSS", "PresDsgnTS", "BafCutPerc", "BafCutPercInner", "BafCutPercInterm", "BafSpcCenHshl", "BafSpcCenInOut",
    "ExchInHt", "HtLiqCol", "ExchOutHt",
    // performance
    "RV2Violation", "VibIndicationWEXA", "HtldTotal", "AreaReqDirty", "Area", "ExcessSurfDirty", "ExcessSurfClean",
    "OverCoefDirty", "OverCoefClean", "LMTDEndPoints", "MTDCorrFactor", "TempOutSS", "ShlMeanMetalTemp",
    "PresOperOutSS", "PresDropCalcSS", "PresDropBafWinSS", "PresDropInExchEndsSS", "PresDropCrossFlowSS", "FilmCoefSS",
    "FilmResSS", "FoulMaxSS", "FoulResSS", "TubFinCorrFactSS", "LongBafEff", "VelCrossFlowInSS", "VelCrossFlowOutSS",
    "VelThruBafWinInSS", "VelThruBafWinOutSS", "RV2ShlEnt", "RV2ShlEx", "RV2BundleEnt", "RV2BundleEx",
    "ResDirtySSFoulPct", "ResDirtySSFilmPct", "FlRaTotalSS", "PresDropFricSS", "PresOperInSS", "TempOutTS",
    "TubeMeanMetalTemp", "PresOperOutTS", "PresDropCalcTS", "FilmCoefTS", "FilmResTS", "FoulMaxTS", "FoulResTS",
    "VelEntBundleTS", "VelExitBundleTS", "VelMidPtTS", "ResDirtyTSFoulPct", "ResDirtyTSFilmPct", "FlRaTotalTS",
    "PresDropFricTS", "PresOperInTS",
    // arrangement, design criteria and film coefficients by phase
    "ShellInNozLoc", "MethCalculationMethod", "FilmCoefLiqSensibleSS", "FilmCoefTwoPhaseSS", "FilmCoefVapSensibleSS",
    "FilmCoefLiqSensibleTS", "FilmCoefTwoPhaseTS", "FilmCoefVapSensibleTS"};

// arZorviMsgs holds one element per message of the last run: none before a run.
constexpr ArrayEntry kOutputArrays[] = {{"arNozODSS", kNozzleElements},
                                        {"arNozODTS", kNozzleElements},
                                        {"arNozNumSS", kNozzleElements},
                                        {"arNozNumTS", kNozzleElements},
                                        {"arZorviMsgs", 0}};

struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
using Names = std::unordered_map<std::string, int, NameHash, std::equal_to<>>;

std::array<Names, 4> build() {
  std::array<Names, 4> names;
  auto& inputScalars = names[static_cast<int>(Collection::InputScalars)];
  auto& inputArrays = names[static_cast<int>(Collection::InputArrays)];
  auto& outputScalars = names[static_cast<int>(Collection::OutputScalars)];
  auto& outputArrays = names[static_cast<int>(Collection::OutputArrays)];
  for (const auto name : kInputScalars) inputScalars.emplace(name, 0);
  for (const auto& entry : kInputArrays) inputArrays.emplace(entry.name, entry.size);
  for (int k = 1; k <= kComponents; ++k) {
    const std::string number = (k < 10 ? "0" : "") + std::to_string(k);
    for (const auto suffix : kCompositionSuffixes) {
      inputArrays.emplace("Comp" + number + std::string(suffix), kPointElements);
    }
  }
  for (const auto name : kOutputScalars) outputScalars.emplace(name, 0);
  for (const auto& entry : kOutputArrays) outputArrays.emplace(entry.name, entry.size);
  return names;
}

}  // namespace

std::optional<int> catalogueEntry(Collection collection, std::string_view name) {
  static const std::array<Names, 4> names = build();
  const auto& table = names[static_cast<int>(collection)];
  const auto found = table.find(name);
  if (found == table.end()) return std::nullopt;
  return found->second;
}

std::string_view collectionName(Collection collection) {
  switch (collection) {
    case Collection::InputArrays:
      return "InputArrays";
    case Collection::InputScalars:
      return "InputScalars";
    case Collection::OutputArrays:
      return "OutputArrays";
    case Collection::OutputScalars:
      return "OutputScalars";
  }
  return "";
}

}  // namespace standins::engine::detail
