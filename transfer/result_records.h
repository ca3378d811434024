#pragma once
// The unit's results as four records of the output object, filled from the engine's output
// scalars after a run.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/engine.h"

namespace kvom::transfer {

inline constexpr std::string_view kPerformanceKey = "STHE_PERFORMANCE";
inline constexpr std::string_view kGlobalsKey = "STHE_GLOBALS";
inline constexpr std::string_view kDesignCriteriaKey = "STHE_DESIGN_CRITERIA";
inline constexpr std::string_view kFilmCoefficientKey = "ZORVI_WEXA_PLUS_STHE_Output_FilmCoef";

// The object name goes to the repository as a 40-character field.
inline constexpr std::size_t kResultObjectNameLength = 40;

// Writes STHE_PERFORMANCE, STHE_GLOBALS, STHE_DESIGN_CRITERIA and the film-coefficient record, in
// this order, each first filled with the unset markers so that a value the engine does not report
// reaches the host as its marker. Converted values are multiplied by their unit factor. A name
// whose trimmed text exceeds 40 characters is passed whole, so that the records land in the
// object that was built. Returns whether the repository took every record; it stops at the first
// that it refuses.
bool STORE_RESULTS(std::string_view outputObject, platform::EngineData* data);

}  // namespace kvom::transfer
