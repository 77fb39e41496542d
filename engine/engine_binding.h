// Binding the raster engine (KVRasterAPI) and the utility library (KVRasterUtility) at run
// time: both are loaded from the program directory and their functions looked up by name into
// the engine table. A binding lasts until the plug-in is unloaded.
#pragma once

#include <string_view>

namespace Tarn::Engine {

inline constexpr int kBindUtility = 0;           // the utility library only
inline constexpr int kBindEngineAndUtility = 1;  // the engine, then the utility library

// 1 when the libraries that `mode` asks for are bound (any mode other than 0 and 1 asks for
// none), else 0. Runs under the process-wide binding lock; switches the current directory to
// `directory` for its duration and appends `directory` to PATH.
int BindEngine(std::u16string_view directory, int mode);

// Frees the engine library and empties its entries; the utility library stays loaded. Runs by
// itself when the plug-in is unloaded.
void UnbindEngine();

// Appends ":" and `directory` to PATH (just `directory` when PATH is unset or empty).
void AppendToPath(std::u16string_view directory);

}  // namespace Tarn::Engine
