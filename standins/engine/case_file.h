#pragma once
// The engine's case file: the input scalars and input array elements that hold a text or a state,
// one per line. The format is described in README.md.

#include <string>

#include "standins/engine/engine_state.h"

namespace standins::engine::detail {

// Writes the engine's inputs to the file (created or replaced). False when it cannot be written;
// a file that was there is then left as it was.
bool writeCaseFile(const Engine& engine, const std::string& nativePath);

enum class CaseRead { Loaded, Missing, Unreadable };

// Loaded: the engine's inputs are those of the file (inputs it does not name are cleared).
// Missing or Unreadable: nothing is changed.
CaseRead readCaseFile(Engine& engine, const std::string& nativePath);

}  // namespace standins::engine::detail
