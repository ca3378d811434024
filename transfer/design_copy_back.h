#pragma once
// After a design run, the geometry and design conditions that the engine calculated go from its
// output variables into its input variables, so that the saved case carries them as its input.

#include <cstdint>

#include "platform/engine.h"

namespace kvom::transfer {

// The nozzles each side's tables hold.
inline constexpr std::int16_t kNozzlesPerSide = 3;

// Reads 29 output scalars and the four nozzle arrays, then writes TubeLayoutOption "1", the 29
// values (the design temperatures and pressures of shell and tube side to the hot and cold side by
// the hot fluid's location LocFluidHS: 1 or less in the shell) and the nozzle arrays, every value
// with state 1 and without conversion. A value the engine does not report goes as 0. Each side's
// two nozzle arrays are written with the element count of the last of them that the engine has
// (at most 3). The status word is not used.
void COPY_DESIGN_TO_INPUT(platform::EngineData* data, std::int64_t& status);

}  // namespace kvom::transfer
