#pragma once
// One heating curve, as read from the five records of its curve object, into the engine's
// heating-curve input variables.
//
// The engine keeps the curves of both sides in the same arrays. With i the curve's place in its
// side's name list, p the point and k the component (all from 1):
//
//   elements of                              hot side            cold side
//   PressureReference                        i                   i + 5
//   point and composition arrays             (i - 1) x 24 + p    120 + (i - 1) x 24 + p
//   component-property arrays                k                   50 + k
//
// so each side holds 5 curves of 24 points and 50 components. A curve index outside 1 to 5 has no
// elements of its own and is not sent; of a longer curve the first 24 points are sent (and its
// point count says 24), of more components the first 50.

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/engine.h"

namespace kvom::transfer {

inline constexpr std::int64_t kCurvesPerSide = 5;
inline constexpr std::int64_t kPointsPerCurve = 24;

// state: the state of every value written but NumCurvHS and NumCurvCS, which get 1. The side is
// the list of CaseIds in whose entry curveIndex the curve's name stands. Each array's size is its
// record count: a value beyond it counts as 0. The point, phase and thermodynamic arrays are
// changed in place: unset values become 0.
void SEND_HEATING_CURVE(const std::int64_t& state, platform::EngineData* data, const std::int64_t& curveIndex,
                        std::string_view curveName, std::span<std::int64_t> pointIntegers,
                        std::span<std::int64_t> phaseIntegers, std::span<double> thermodynamicReals,
                        std::span<double> phaseReals, std::span<const double> compositionReals,
                        std::span<const double> componentPropertyReals, const std::int64_t& componentCount,
                        const std::int64_t& compositionSwitch);

}  // namespace kvom::transfer
