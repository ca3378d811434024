#pragma once
// The unit-input record WEXA_PLUS_UNIT_INPUT of the input object: sent into the engine's input
// scalars before a run, or read for the pressures of the heating-curve request.

#include <cstdint>
#include <string_view>

#include "platform/engine.h"

namespace kvom::transfer {

inline constexpr std::string_view kUnitInputKey = "WEXA_PLUS_UNIT_INPUT";

// The error raised through the host library when work storage cannot be had.
inline constexpr std::int64_t kOutOfStorageError = 1400;

// Mode 1 (heating-curve request): no engine call, data may be null. Each side's outlet pressure
// comes from the record as stored (real 7 hot, real 14 cold); when it is unset, the side's pressure
// drop is the estimated one (real 8, 15) when set and not 0, else the allowed one (real 6, 13) when
// set, else 0. No factor is applied.
//
// Any other mode: the record goes into the engine. A switch other than 1 sends the model values
// (reals 1 to 19, integers 1 to 3) with the switch minus 1 as their state; then the program mode,
// the options that follow from it, the hot-fluid location, the outlet specification, the
// pressure-drop options (the option words select option 2), the convergence, thermosiphon and
// vaporizer settings, a repository dump when the engine's Remarks begin with RPDUMP, and
// Calc_RecapStorage. programMode receives integer 5 (4 as 7) when the record sets it; otherwise
// the caller's value is used.
//
// A record value is sent only when it is below its marker; a position that the record does not
// hold counts as unset. When the record cannot be read (RPGETS or RPGETD reports any status but
// 0: no object, no record, a record without data, a blank object name, a read cut short) nothing
// is sent and the outputs keep the caller's values; otherwise both pressure drops start at 0.
// status receives the repository's status of each read and of the dump, so after a record that
// cannot be read it holds the status of the read that failed. Work storage that cannot be had
// raises error 1400 through the host library, after what was allocated is released.
void SEND_UNIT_INPUT(const std::int64_t& mode, const std::int64_t& switchValue, std::string_view inputObject,
                     platform::EngineData* data, double& hotPressureDrop, double& coldPressureDrop,
                     std::int64_t& programMode, const std::int64_t& hotPressureDropOption,
                     const std::int64_t& coldPressureDropOption, double& hotOutletPressure, double& coldOutletPressure,
                     std::int64_t& status);

}  // namespace kvom::transfer
