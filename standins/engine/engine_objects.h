#pragma once
// The engine's automation objects: application, data object, variable collections and variables.

#include "platform/com.h"

namespace standins::engine::detail {

// Creates a new engine and hands out its application object for the interface (IID_IUnknown or
// IID_EngineApplication) with one reference.
platform::HRESULT createApplication(const platform::IID& interfaceId, void** object);

}  // namespace standins::engine::detail
