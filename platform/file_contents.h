// Reading a whole regular file into memory.
#pragma once

#include <optional>
#include <string>

namespace Tarn::Platform {

// The bytes of the file; nothing when it is missing, not a regular file, or unreadable.
std::optional<std::string> ReadFileContents(const std::string& path);

}  // namespace Tarn::Platform
