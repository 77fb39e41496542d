// The process-wide engine table, zero-filled before any code of the plug-in runs.
#include "engine/engine_table.h"

namespace Tarn::Engine {
namespace {

// Constant-initialised, so a call during another object's static construction sees it empty.
constinit EngineTable g_table{};

}  // namespace

const EngineTable& BoundEngine() {
    return g_table;
}

EngineTable& MutableEngineTable() {
    return g_table;
}

}  // namespace Tarn::Engine
