// Where loaded code lives: a loaded shared object found by its file name or by an address in it,
// and the executable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Platform {

// Full path of the loaded object whose file name (the part behind the last "/") is exactly
// `file_name`, or nothing when no such object is loaded.
std::optional<std::string> FindLoadedModule(std::string_view file_name);

// Full path of the loaded object (library or executable) that holds `address`, whatever name it
// was loaded under; nothing when no loaded object holds it.
std::optional<std::string> ModulePathContaining(const void* address);

// Full path of the process's main executable.
std::string ExecutablePath();

}  // namespace Tarn::Platform
