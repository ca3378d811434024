#pragma once
// The input step's worker: the engine of the block key opens the case and the input object is
// built.

#include <string_view>

namespace kvom::run {

// Opens the object library when no engine exists yet, fetches or creates the engine of the block
// key, has it open the case file and builds the input object with its initial unit-input record.
// Raises error 1101 through the host library when no engine can be had.
void OPEN_ENGINE_CASE(std::string_view blockKey, std::string_view casePath, std::string_view inputObject);

}  // namespace kvom::run
