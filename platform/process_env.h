// The process's current directory and environment variables.
#pragma once

#include <optional>
#include <string>

namespace Tarn::Platform {

std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& path);
std::optional<std::string> GetEnv(const std::string& name);
bool SetEnv(const std::string& name, const std::string& value);

}  // namespace Tarn::Platform
