#pragma once
// RunProgram's calculation: output variables derived from the inputs sent (see README.md).

#include "standins/engine/engine_state.h"

namespace standins::engine::detail {

void runCalculation(Engine& engine);

}  // namespace standins::engine::detail
