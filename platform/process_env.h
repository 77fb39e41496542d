// The process's current directory and environment variables (getcwd, chdir, getenv, setenv here;
// the Get/Set...W calls on Windows).
#pragma once

#include <optional>
#include <string>

namespace Tarn::Platform {

std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& path);
std::optional<std::string> GetEnv(const std::string& name);
bool SetEnv(const std::string& name, const std::string& value);

// Where the user's settings files live: ${XDG_CONFIG_HOME:-$HOME/.config}, or %APPDATA% on
// Windows; nothing when neither can be told.
std::optional<std::string> UserConfigDirectory();

// Where the user's cached files live: ${XDG_CACHE_HOME:-$HOME/.cache}, or %LOCALAPPDATA% on
// Windows; nothing when neither can be told.
std::optional<std::string> UserCacheDirectory();

// What separates the directories of PATH: ":", or ";" on Windows.
char PathListSeparator();

}  // namespace Tarn::Platform
