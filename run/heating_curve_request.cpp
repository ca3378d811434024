#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "common/narrowing.h"
#include "common/unset.h"
#include "run/case_ids.h"
#include "run/steps.h"
#include "transfer/stream_data.h"
#include "transfer/unit_input.h"

namespace kvom::run {
namespace {

// A host array of the size the host gives: a word beyond it reads as `missing` and is not written.
template <typename T>
class HostArray {
 public:
  HostArray(T* words, std::int64_t size, T missing)
      : words_(words == nullptr || size <= 0 ? std::span<T>() : std::span<T>(words, static_cast<std::size_t>(size))),
        missing_(missing) {}

  std::size_t size() const { return words_.size(); }
  T get(std::size_t n) const { return n < words_.size() ? words_[n] : missing_; }
  void set(std::size_t n, T value) {
    if (n < words_.size()) words_[n] = value;
  }

 private:
  std::span<T> words_;
  T missing_;
};

// Words of HeatingCurveOptions.
constexpr std::size_t kLevelCount = 0;
constexpr std::size_t kLevelCountCopy = 9;
constexpr std::size_t kLevelsSwitch = 19;

struct FixedOption {
  std::size_t word;
  std::int64_t value;
};
// Options of the curve generation that every request sets.
constexpr std::array<FixedOption, 13> kFixedOptions = {
    {{1, 24}, {2, 1}, {3, 2}, {4, 2}, {5, 1}, {7, 1}, {8, 2}, {10, 1}, {11, 2}, {12, 1}, {13, 2}, {14, 2}, {15, 1}}};

// Words of HeatingCurveLevels.
constexpr std::size_t kFirstFlow = 0;
constexpr std::size_t kSecondFlow = 1;
constexpr std::size_t kFirstLevel = 2;
constexpr std::size_t kLevelWords = 4;  // levels words 2 to 5

constexpr std::int64_t kHotSide = 1;
constexpr std::int64_t kColdSide = 2;
constexpr std::int64_t kMostLevels = 5;
constexpr std::int64_t kFewestLevels = 2;

constexpr std::int64_t kUnitInputElement = 1;
constexpr std::int64_t kFirstStreamElement = 3;
constexpr std::int64_t kSecondStreamElement = 4;

// The constants of the level rule; those given in single precision are used as such, widened.
constexpr double kDropShare = static_cast<double>(0.2f);
constexpr double kDropShareOfAbsolute = static_cast<double>(0.01f);
constexpr double kAbsoluteOffset = 1.0e6;
constexpr double kGivenLowShare = static_cast<double>(0.98f);
constexpr double kDefaultLowShare = 0.9;
constexpr double kRatioCeiling = 0.95;
constexpr double kRatioSlope = static_cast<double>(0.2f);
constexpr double kRatioPressure = 5.0e6;
constexpr double kRatioBase = static_cast<double>(0.7f);

// The levels from pmax down to plow in a geometric series of n levels; returns the number written.
std::int64_t writeSeries(HostArray<double>& levels, std::int64_t n, double pmax, double plow) {
  const double ratio = plow / pmax;
  // Without a positive pressure ratio (no pressure at all, or an outlet below 0) there is no
  // series: the two end pressures stand alone.
  if (!(ratio > 0.0) || !std::isfinite(ratio)) {
    levels.set(kFirstLevel, pmax);
    levels.set(kFirstLevel + 1, plow);
    return kFewestLevels;
  }
  const double r = std::pow(ratio, 1.0 / static_cast<double>(n - 1));
  for (std::int64_t k = 1; k <= n; ++k) {
    levels.set(kFirstLevel + static_cast<std::size_t>(k - 1), pmax * std::pow(r, static_cast<double>(k - 1)));
  }
  return n;
}

// The number of levels when the host gives none: its requested count, or as many as the pressure
// ratio needs.
std::int64_t levelCount(std::int64_t requested, double ratio, double a) {
  if (requested >= 1 && requested <= kMostLevels) return std::max(requested, kFewestLevels);
  std::int64_t n = kFewestLevels;
  if (ratio < a) n = 3;
  if (ratio < a * a) n = 4;
  if (ratio < a * a * a) n = 5;
  return n;
}

}  // namespace

void SET_HCURVE_PRESSURES(const std::int64_t& side, const std::int64_t& size2, const char* identifiers,
                          std::int64_t identifierLength, const std::int64_t& size4, std::int64_t* options,
                          const std::int64_t& size6, double* levels, const std::int64_t&, const char*, std::int64_t,
                          std::int64_t& status) {
  HostArray<std::int64_t> option(options, size4, 0);
  HostArray<double> level(levels, size6, UNSET_REAL);
  const bool computeLevels = option.get(kLevelsSwitch) > 1;

  // The side's two stream records come first: when one cannot be read there are no inlet data, and
  // the request reports the status of that read and leaves both host records as they were.
  const HostIdentifiers host(identifiers, size2, identifierLength);
  double firstFlow = 0.0, pin = 0.0, temperature = 0.0, vaporFraction = 0.0;
  double secondFlow = 0.0, secondPressure = 0.0;
  std::int64_t streamStatus = 0;
  if (!transfer::READ_STREAM_DATA(host.element(kFirstStreamElement), firstFlow, pin, temperature, vaporFraction,
                                  streamStatus) ||
      !transfer::READ_STREAM_DATA(host.element(kSecondStreamElement), secondFlow, secondPressure, temperature,
                                  vaporFraction, streamStatus)) {
    status = streamStatus;
    return;
  }

  if (!computeLevels) option.set(kLevelCount, kFewestLevels);
  for (const FixedOption& fixed : kFixedOptions) option.set(fixed.word, fixed.value);
  if (!computeLevels) option.set(kLevelCountCopy, kFewestLevels);

  level.set(kFirstFlow, firstFlow);
  level.set(kSecondFlow, secondFlow);

  // A record that cannot be read gives no pressure data: the default rule then applies.
  double hotDrop = 0.0, coldDrop = 0.0;
  double hotOutlet = UNSET_REAL, coldOutlet = UNSET_REAL;
  std::int64_t programMode = 0;
  const std::int64_t heatingCurveMode = 1;
  const std::int64_t sendAll = 2;
  const std::int64_t dropOption = 1;
  transfer::SEND_UNIT_INPUT(heatingCurveMode, sendAll, host.element(kUnitInputElement), nullptr, hotDrop, coldDrop,
                            programMode, dropOption, dropOption, hotOutlet, coldOutlet, status);

  // A side other than hot or cold has no pressure data of its own: the default rule applies.
  const bool known = side == kHotSide || side == kColdSide;
  const double givenDrop = side == kHotSide ? hotDrop : coldDrop;
  const double givenOutlet = side == kHotSide ? hotOutlet : coldOutlet;
  bool given = false;

  float dp = 0.0f;  // held in single precision; beyond its range the infinity of its sign
  if (known && givenDrop > 0.0) {
    dp = toFloat(givenDrop);
    given = true;
  } else {
    dp = toFloat(std::min(kDropShare * pin, kDropShareOfAbsolute * (pin + kAbsoluteOffset)));
  }
  double pout = 0.0;
  if (known && givenOutlet < UNSET_REAL) {
    pout = givenOutlet;
    given = true;
  } else {
    pout = pin - static_cast<double>(dp);
  }

  const double pmax = std::max(pin, pout);
  double plow = kDefaultLowShare * pin;
  if (given) plow = std::min({kGivenLowShare * pmax, pin, pout});
  const double a = std::min(kRatioCeiling, kRatioSlope * pmax / kRatioPressure + kRatioBase);

  if (!computeLevels) {
    level.set(kFirstLevel, std::max(pin, pout));
    level.set(kFirstLevel + 1, std::min(pin, pout));
    return;
  }

  std::vector<double> givenLevels;
  for (std::size_t w = kFirstLevel; w < kFirstLevel + kLevelWords; ++w) {
    if (const double value = level.get(w); value < UNSET_REAL) givenLevels.push_back(value);
  }
  std::int64_t count = 0;
  if (!givenLevels.empty()) {
    std::sort(givenLevels.begin(), givenLevels.end(), std::greater<>());
    for (std::size_t i = 0; i < givenLevels.size(); ++i) level.set(kFirstLevel + i, givenLevels[i]);
    count = static_cast<std::int64_t>(givenLevels.size());
  } else {
    // A series never has more levels than the host's array has room for, so that its last level is
    // always the lowest pressure.
    const auto room = static_cast<std::int64_t>(level.size() > kFirstLevel ? level.size() - kFirstLevel : 0);
    const std::int64_t wanted =
        std::min(levelCount(option.get(kLevelCount), plow / pmax, a), std::max(room, kFewestLevels));
    count = writeSeries(level, wanted, std::max(pin, pout), std::min(pin, pout));
  }
  option.set(kLevelCount, count);
  option.set(kLevelCountCopy, count);
}

}  // namespace kvom::run
