#pragma once
// The unit's repository objects, built from scratch: the input object with its initial unit-input
// record, and the output object that receives the results.

#include <cstdint>
#include <string_view>

#include "platform/engine.h"

namespace kvom::transfer {

// Mode of CREATE_OUTPUT_TREE that stores the results after the build.
inline constexpr std::int64_t kStoreResultsMode = 2;

// Deletes an object of that name, builds the input tree and writes WEXA_PLUS_UNIT_INPUT with 10
// integers and 22 reals, all unset except integer 4, which takes the engine's LocFluidHS when the
// engine reports it. status receives the repository's status of each call.
void CREATE_INPUT_TREE(std::string_view inputObject, platform::EngineData* data, std::int64_t& status);

// Deletes an object of that name and builds the output tree; in mode 2 it then stores the results
// (STORE_RESULTS), in any other mode the tree stays without records. The results are stored whole
// or not at all: a record the repository refuses, or an error raised while they are stored (which
// then leaves the call), leaves the tree without records.
void CREATE_OUTPUT_TREE(std::string_view outputObject, const std::int64_t& mode, platform::EngineData* data,
                        std::int64_t& status);

}  // namespace kvom::transfer
