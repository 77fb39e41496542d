// getcwd/chdir and getenv/setenv.
#include "platform/process_env.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace Tarn::Platform {

std::string CurrentDirectory() {
    std::vector<char> buffer(256);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) return buffer.data();
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool SetCurrentDirectory(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

std::optional<std::string> GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

bool SetEnv(const std::string& name, const std::string& value) {
    return setenv(name.c_str(), value.c_str(), 1) == 0;
}

std::optional<std::string> UserConfigDirectory() {
    if (auto base = GetEnv("XDG_CONFIG_HOME"); base && !base->empty()) return base;
    const std::optional<std::string> home = GetEnv("HOME");
    if (!home || home->empty()) return std::nullopt;
    return *home + "/.config";
}

std::optional<std::string> UserCacheDirectory() {
    if (auto base = GetEnv("XDG_CACHE_HOME"); base && !base->empty()) return base;
    const std::optional<std::string> home = GetEnv("HOME");
    if (!home || home->empty()) return std::nullopt;
    return *home + "/.cache";
}

char PathListSeparator() {
    return ':';
}

}  // namespace Tarn::Platform
