// Where loaded code lives: a loaded shared object found by its file name, and the executable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Platform {

// Full path of the loaded object whose file name (the part behind the last "/") is exactly
// `file_name`, or nothing when no such object is loaded.
std::optional<std::string> FindLoadedModule(std::string_view file_name);

// Full path of the process's main executable.
std::string ExecutablePath();

}  // namespace Tarn::Platform
