// The engine's reason for a refused request, for the plug-in's message log.
#pragma once

#include <string>

#include "engine/kvr_contract.h"

namespace Tarn::Handler {

// Why the engine last refused a request on `raster`, in UTF-8; empty when the engine does not
// say (or has no such function).
std::string EngineErrorText(KvrHandle raster);

}  // namespace Tarn::Handler
