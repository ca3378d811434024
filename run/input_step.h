#pragma once
// The input step's worker: the engine of the block key opens the case and the input object is
// built.

#include <string_view>

#include "platform/engine.h"

namespace kvom::run {

// Opens the object library when no engine exists yet, fetches or creates the engine of the block
// key, has it open the case file and builds the input object with its initial unit-input record.
// Raises error 1101 through the host library when no engine can be had.
void OPEN_ENGINE_CASE(std::string_view blockKey, std::string_view casePath, std::string_view inputObject);

// The engine of the block key for a step that goes on with the unit's case (execute, output): an
// engine that has not been given a case to open (one this call creates, after a shut-down or in a
// newly loaded library, or one the multi-case call created) first opens the case file, as the
// input step has it do, so that no save of the step puts an engine's empty case in place of the
// case file. data receives the entry's data object (borrowed). Raises error 1101 through the host
// library when no engine can be had.
platform::EngineApplication* requireEngineWithCase(std::string_view blockKey, std::string_view casePath,
                                                   platform::EngineData*& data);

}  // namespace kvom::run
