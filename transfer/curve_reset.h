#pragma once
// Before a run's heating curves go to the engine, the engine resets its heating-curve input arrays
// for the side or sides that take curves in this run.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/engine.h"

namespace kvom::transfer {

// The components that the engine's heating-curve arrays hold per side.
inline constexpr int kCurveComponents = 50;

// The name of a component's array: "Comp", the component number in two digits, the suffix
// (Comp07VapMoleFrc, Comp12Liq2MoleFrc). k runs from 1 to 99.
std::string componentArrayName(int k, std::string_view suffix);

// The arrays that the reset covers, in the order they are reset: PressureReference first.
const std::vector<std::string>& curveResetList();

// A side flag of 2 means that the side takes no curve. Both sides taking curves reset every listed
// array for both sides; one side resets them for that side (1 hot, 2 cold); none resets nothing.
// A listed array that the engine does not have is skipped.
void RESET_CURVE_ARRAYS(const std::int64_t& hotSideFlag, const std::int64_t& coldSideFlag, platform::EngineData* data);

}  // namespace kvom::transfer
