#include "standins/engine/calculation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/narrowing.h"
#include "common/number_text.h"

namespace standins::engine::detail {
namespace {

// Assumed where the case gives nothing: water-like fluids and a small exchanger.
constexpr double kDefaultFlow = 1.0;               // kg/s
constexpr double kDefaultHotInlet = 150.0;         // degrees
constexpr double kDefaultColdInlet = 20.0;         // degrees
constexpr double kDefaultSpecificHeat = 4186.0;    // J/(kg K)
constexpr double kDefaultDensity = 1000.0;         // kg/m3
constexpr double kTubeOutside = 0.01905;           // m
constexpr double kTubeInside = 0.0157;             // m
constexpr double kPitchRatio = 1.25;               // tube pitch / outside diameter
constexpr double kDefaultTubeLength = 6.0;         // m
constexpr double kDefaultShellInside = 0.5;        // m
constexpr double kDefaultBaffleSpacing = 0.3;      // m
constexpr double kShellWall = 0.01;                // m, shell outside = inside + 2 walls
constexpr double kBaffleWindowShare = 0.1;         // window area / shell cross-section
constexpr double kBaffleCut = 25.0;                // per cent
constexpr double kDesignCoefficient = 500.0;       // W/(m2 K), assumed by a design run
constexpr double kRatingShare = 0.5;               // share of the largest duty a rating run finds
constexpr double kPressureDropShare = 0.8;         // calculated / allowed pressure drop
constexpr double kDesignTemperatureMargin = 30.0;  // degrees
constexpr double kDesignPressureFactor = 1.1;
constexpr double kNozzleOutside = 0.1143;  // m
constexpr std::int64_t kDefaultTubes = 100;
constexpr int kCurvePointOffset = 120;  // the cold side's first point element

// The model's own messages.
constexpr int kDefaultsUsed = 2;  // a stream's flow or inlet temperature was not given
constexpr int kDutyLimited = 12;  // the duty asked for exceeds what the inlet temperatures allow

class Inputs {
 public:
  explicit Inputs(Engine& engine) : engine_(engine) {}

  std::optional<double> real(std::string_view name) const {
    const Variable* variable = engine_.find(Collection::InputScalars, name);
    return variable == nullptr ? std::nullopt : kvom::readReal(variable->scalar.text);
  }
  // A value that counts only when positive.
  std::optional<double> positive(std::string_view name) const {
    const auto value = real(name);
    return value && *value > 0 ? value : std::nullopt;
  }
  std::optional<double> element(std::string_view name, int index) const {
    const Variable* variable = engine_.find(Collection::InputArrays, name);
    if (variable == nullptr || index < 1 || static_cast<std::size_t>(index) > variable->elements.size()) {
      return std::nullopt;
    }
    return kvom::readReal(variable->elements[static_cast<std::size_t>(index) - 1].text);
  }

 private:
  Engine& engine_;
};

class Outputs {
 public:
  explicit Outputs(Engine& engine) : engine_(engine) {}

  // A value that is not a finite number is not reported.
  void real(std::string_view name, double value) {
    if (std::isfinite(value)) set(name, kvom::formatReal(value));
  }
  void integer(std::string_view name, std::int64_t value) { set(name, kvom::formatInteger(value)); }
  void elements(std::string_view name, const std::vector<std::string>& texts) {
    Variable* variable = engine_.find(Collection::OutputArrays, name);
    if (variable == nullptr) return;
    variable->elements.assign(texts.size(), Value{});
    for (std::size_t i = 0; i < texts.size(); ++i) variable->elements[i] = Value{texts[i], 1};
  }

 private:
  void set(std::string_view name, std::string text) {
    if (Variable* variable = engine_.find(Collection::OutputScalars, name))
      variable->scalar = Value{std::move(text), 1};
  }

  Engine& engine_;
};

struct Side {
  double flow = kDefaultFlow;
  double inlet = 0;
  double outlet = 0;
  double pressureIn = 0;
  double vaporFraction = 0;
  double specificHeat = kDefaultSpecificHeat;
  double density = kDefaultDensity;
  double pressureDrop = 0;
  double fouling = 0;
  std::optional<double> filmCoefficient;  // specified by the case
  double capacity() const { return flow * specificHeat; }
};

// Specific heat and density from the side's first heating curve: the enthalpy change over the
// temperature change between its first and last point.
void fromCurve(const Inputs& in, std::string_view pointCount, int offset, Side& side) {
  const int points = kvom::toInteger<int>(in.real(pointCount).value_or(0)).value_or(0);
  if (points >= 2) {
    const auto t1 = in.element("Temperature", offset + 1), t2 = in.element("Temperature", offset + points);
    const auto h1 = in.element("SpecificEnthalpy", offset + 1), h2 = in.element("SpecificEnthalpy", offset + points);
    if (t1 && t2 && h1 && h2 && *t1 != *t2) {
      const double specificHeat = std::abs((*h2 - *h1) / (*t2 - *t1));
      if (specificHeat > 0) side.specificHeat = specificHeat;
    }
  }
  if (points >= 1) {
    const auto liquid = in.element("LiquidDensity", offset + 1), vapor = in.element("VaporDensity", offset + 1);
    if (liquid && *liquid > 0) {
      side.density = *liquid;
    } else if (vapor && *vapor > 0) {
      side.density = *vapor;
    }
  }
}

// The calculated pressure drop: a share of the allowed one, else the estimate, else none.
double pressureDrop(const Inputs& in, std::string_view allowed, std::string_view estimated) {
  if (const auto value = in.positive(allowed)) return *value * kPressureDropShare;
  return in.positive(estimated).value_or(0.0);
}

Side readSide(const Inputs& in, bool hot, bool& defaultsUsed) {
  Side side;
  const std::string_view suffix = hot ? "HS" : "CS";
  const auto name = [&](std::string_view stem) { return std::string(stem) + std::string(suffix); };
  const auto flow = in.positive(name("FlRa"));
  const auto inlet = in.real(name("TempIn"));
  defaultsUsed = defaultsUsed || !flow || !inlet;
  side.flow = flow.value_or(kDefaultFlow);
  side.inlet = inlet.value_or(hot ? kDefaultHotInlet : kDefaultColdInlet);
  side.pressureIn = in.real(name("PresOperIn")).value_or(0.0);
  side.vaporFraction = in.real(name("VapFrcIn")).value_or(0.0);
  side.pressureDrop = pressureDrop(in, name("PrDrAllo"), name("EstPrDr"));
  side.fouling = in.real(name("FoulRes")).value_or(0.0);
  side.filmCoefficient = in.positive(name("HtcSpecLiq"));
  fromCurve(in, name("NumPtsOnCrv"), hot ? 0 : kCurvePointOffset, side);
  return side;
}

double logMeanDifference(double first, double second) {
  if (first <= 0 || second <= 0) return 0;
  if (std::abs(first - second) < 1e-9 * std::max(first, second)) return first;
  return (first - second) / std::log(first / second);
}

// The film coefficients of one side by the phase its fluid enters in.
void phaseCoefficients(Outputs& out, std::string_view suffix, double vaporFraction, double coefficient) {
  const bool vapor = vaporFraction >= 1, liquid = vaporFraction <= 0;
  out.real("FilmCoefLiqSensible" + std::string(suffix), liquid ? coefficient : 0);
  out.real("FilmCoefTwoPhase" + std::string(suffix), !liquid && !vapor ? coefficient : 0);
  out.real("FilmCoefVapSensible" + std::string(suffix), vapor ? coefficient : 0);
}

// Fouling and film of one side, with their shares of the dirty overall resistance.
void resistances(Outputs& out, std::string_view suffix, const Side& side, double film, double dirty) {
  const auto name = [&](std::string_view stem, std::string_view tail = "") {
    return std::string(stem) + std::string(suffix) + std::string(tail);
  };
  out.real(name("FoulRes"), side.fouling);
  out.real(name("FoulMax"), side.fouling);
  if (film <= 0) return;
  out.real(name("FilmCoef"), film);
  out.real(name("FilmRes"), 1 / film);
  phaseCoefficients(out, suffix, side.vaporFraction, film);
  if (dirty > 0) {
    out.real(name("ResDirty", "FoulPct"), side.fouling * dirty * 100);
    out.real(name("ResDirty", "FilmPct"), dirty / film * 100);
  }
}

}  // namespace

void runCalculation(Engine& engine) {
  engine.clear(Collection::OutputScalars);
  engine.clear(Collection::OutputArrays);
  const Inputs in(engine);
  Outputs out(engine);
  std::vector<int> messages;

  // The two streams.
  bool defaultsUsed = false;
  Side hot = readSide(in, true, defaultsUsed);
  Side cold = readSide(in, false, defaultsUsed);
  if (defaultsUsed) messages.push_back(kDefaultsUsed);

  // Duty: the heat load asked for, else the one an outlet temperature sets, else a share of the
  // largest duty the inlet temperatures allow.
  const double largest = std::max(0.0, std::min(hot.capacity(), cold.capacity()) * (hot.inlet - cold.inlet));
  double duty = largest * kRatingShare;
  if (const auto load = in.positive("HtLdTotal")) {
    duty = *load;
  } else if (const auto outlet = in.real("TempOutHS")) {
    duty = hot.capacity() * (hot.inlet - *outlet);
  } else if (const auto outlet = in.real("TempOutCS")) {
    duty = cold.capacity() * (*outlet - cold.inlet);
  }
  if (duty > largest || duty < 0) {
    messages.push_back(kDutyLimited);
    duty = std::clamp(duty, 0.0, largest);
  }
  hot.outlet = hot.inlet - duty / hot.capacity();
  cold.outlet = cold.inlet + duty / cold.capacity();
  const double lmtd = logMeanDifference(hot.inlet - cold.outlet, hot.outlet - cold.inlet);

  // Geometry; a design run (program mode 1) chooses the tube count for an assumed coefficient.
  const bool design = in.real("WexaProgMode").value_or(0) == 1;
  const double tubeLength = in.positive("TubeLng").value_or(kDefaultTubeLength);
  const double shellInside = in.positive("ShlID").value_or(kDefaultShellInside);
  const double baffleSpacing = in.positive("BafSpcCC").value_or(kDefaultBaffleSpacing);
  // A count beyond the integer range counts as not given.
  const auto count = [](std::optional<double> given, std::int64_t otherwise) {
    return (given ? kvom::toInteger<std::int64_t>(*given) : std::nullopt).value_or(otherwise);
  };
  const std::int64_t passes = count(in.positive("TubePassNum"), 1);
  const double tubeSurface = std::numbers::pi * kTubeOutside * tubeLength;
  std::int64_t tubes = count(in.positive("TubeNum"), kDefaultTubes);
  if (design && lmtd > 0 && duty > 0) {
    tubes = std::max<std::int64_t>(1, count(std::ceil(duty / (kDesignCoefficient * lmtd) / tubeSurface), tubes));
  }
  const std::int64_t baffles =
      count(in.positive("BafNum"), count(std::max(1.0, std::floor(tubeLength / baffleSpacing) - 1), 1));
  const double area = tubeSurface * static_cast<double>(tubes);

  // Coefficients: the overall one from the duty; each film coefficient is the specified one or
  // twice the clean overall coefficient (both films alike).
  const double dirty = lmtd > 0 && area > 0 ? duty / (area * lmtd) : 0;
  const double fouling = hot.fouling + cold.fouling;
  const double clean = dirty > 0 && 1 / dirty > fouling ? 1 / (1 / dirty - fouling) : dirty;

  const bool hotInTubes = in.real("LocFluidHS").value_or(1) > 1;
  Side& shell = hotInTubes ? cold : hot;
  Side& tube = hotInTubes ? hot : cold;
  const double shellFilm = shell.filmCoefficient.value_or(2 * clean);
  const double tubeFilm = tube.filmCoefficient.value_or(2 * clean);

  out.real("HtldTotal", duty);
  out.real("Area", area);
  out.real("AreaReqDirty", area);
  out.real("ExcessSurfDirty", 0);
  if (dirty > 0) {
    out.real("OverCoefDirty", dirty);
    out.real("OverCoefClean", clean);
    out.real("ExcessSurfClean", (clean / dirty - 1) * 100);
  }
  out.real("LMTDEndPoints", lmtd);
  out.real("MTDCorrFactor", 1);
  out.integer("RV2Violation", 0);
  out.integer("VibIndicationWEXA", 0);
  out.real("TubFinCorrFactSS", 1);
  out.real("LongBafEff", 1);

  // Velocities from the flows: tube side through the tubes of one pass, shell side across the
  // bundle between two baffles and through a baffle window.
  const double tubeFlowArea =
      static_cast<double>(tubes) / static_cast<double>(passes) * std::numbers::pi * kTubeInside * kTubeInside / 4;
  const double crossFlowArea = shellInside * baffleSpacing * (1 - 1 / kPitchRatio);
  const double windowArea = kBaffleWindowShare * std::numbers::pi * shellInside * shellInside / 4;
  const double tubeVelocity = tube.flow / (tube.density * tubeFlowArea);
  const double crossVelocity = shell.flow / (shell.density * crossFlowArea);
  const double windowVelocity = shell.flow / (shell.density * windowArea);
  const double rhoV2 = shell.density * crossVelocity * crossVelocity;

  // Shell side.
  out.real("TempOutSS", shell.outlet);
  out.real("ShlMeanMetalTemp", (shell.inlet + shell.outlet) / 2);
  out.real("PresOperInSS", shell.pressureIn);
  out.real("PresOperOutSS", shell.pressureIn - shell.pressureDrop);
  out.real("PresDropCalcSS", shell.pressureDrop);
  out.real("PresDropCrossFlowSS", shell.pressureDrop * 0.5);
  out.real("PresDropBafWinSS", shell.pressureDrop * 0.3);
  out.real("PresDropInExchEndsSS", shell.pressureDrop * 0.2);
  out.real("PresDropFricSS", shell.pressureDrop * 0.8);
  out.real("FlRaTotalSS", shell.flow);
  out.real("VelCrossFlowInSS", crossVelocity);
  out.real("VelCrossFlowOutSS", crossVelocity);
  out.real("VelThruBafWinInSS", windowVelocity);
  out.real("VelThruBafWinOutSS", windowVelocity);
  for (const auto name : {"RV2ShlEnt", "RV2ShlEx", "RV2BundleEnt", "RV2BundleEx"}) out.real(name, rhoV2);
  resistances(out, "SS", shell, shellFilm, dirty);

  // Tube side.
  out.real("TempOutTS", tube.outlet);
  out.real("TubeMeanMetalTemp", (hot.inlet + hot.outlet + cold.inlet + cold.outlet) / 4);
  out.real("PresOperInTS", tube.pressureIn);
  out.real("PresOperOutTS", tube.pressureIn - tube.pressureDrop);
  out.real("PresDropCalcTS", tube.pressureDrop);
  out.real("PresDropFricTS", tube.pressureDrop * 0.8);
  out.real("FlRaTotalTS", tube.flow);
  out.real("VelEntBundleTS", tubeVelocity);
  out.real("VelExitBundleTS", tubeVelocity);
  out.real("VelMidPtTS", tubeVelocity);
  resistances(out, "TS", tube, tubeFilm, dirty);

  // Arrangement, design criteria and the geometry as designed (or as given).
  out.integer("TubePassNum", passes);
  out.integer("TubeNum", tubes);
  out.integer("BafNum", baffles);
  out.integer("ShlSerNum", 1);
  out.integer("ShlParNum", 1);
  out.integer("ShellInNozLoc", 1);
  out.integer("LocFluidHS", hotInTubes ? 2 : 1);
  out.integer("MethCalculationMethod", count(in.real("WexaCalcMethod"), 1));
  out.real("TubeLng", tubeLength);
  out.real("ShlID", shellInside);
  out.real("ShlOD", shellInside + 2 * kShellWall);
  for (const auto name : {"BafSpcCC", "BafSpcIn", "BafSpcOut", "BafSpcCenHshl", "BafSpcCenInOut"}) {
    out.real(name, baffleSpacing);
  }
  for (const auto name :
       {"KetlID", "KetlOD", "VapBltOD", "VapBltLng", "VapBltID", "ExchInHt", "HtLiqCol", "ExchOutHt"}) {
    out.real(name, 0);
  }
  for (const auto name : {"BafCutPerc", "BafCutPercInner", "BafCutPercInterm"}) out.real(name, kBaffleCut);
  out.real("TempDsgnSS", std::max(shell.inlet, shell.outlet) + kDesignTemperatureMargin);
  out.real("TempDsgnTS", std::max(tube.inlet, tube.outlet) + kDesignTemperatureMargin);
  out.real("PresDsgnSS", shell.pressureIn * kDesignPressureFactor);
  out.real("PresDsgnTS", tube.pressureIn * kDesignPressureFactor);
  // One inlet and one outlet nozzle per side.
  const std::vector<std::string> diameters(2, kvom::formatReal(kNozzleOutside));
  const std::vector<std::string> numbers = {"1", "2"};
  out.elements("arNozODSS", diameters);
  out.elements("arNozODTS", diameters);
  out.elements("arNozNumSS", numbers);
  out.elements("arNozNumTS", numbers);

  // Messages: those chosen through the control interface, else the model's own.
  if (control().messages) messages = *control().messages;
  std::vector<std::string> texts;
  texts.reserve(messages.size());
  for (const int number : messages) texts.push_back(kvom::formatInteger(number));
  out.elements("arZorviMsgs", texts);
}

}  // namespace standins::engine::detail
