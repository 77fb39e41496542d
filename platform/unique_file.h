// A new, empty file with a unique name, reserved in a given directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Platform {

// Creates "<directory>/<prefix>XXXXXX" (the X's made unique) and returns its path; nothing when
// the directory does not take it.
std::optional<std::string> CreateUniqueFile(const std::string& directory, std::string_view prefix);

}  // namespace Tarn::Platform
