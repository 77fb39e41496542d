// The registry, kept in two text files in the format of Windows registry exports (.reg):
// per-user ($CORVANE_USER_REG, else ${XDG_CONFIG_HOME:-$HOME/.config}/corvane/user.reg) and
// machine-wide ($CORVANE_SYSTEM_REG, else /etc/corvane/system.reg). Key paths are given without
// the hive, e.g. "Software\\Corvane\\Corvane\\Raster\\200\\"; key paths and value names compare
// ignoring case and a trailing backslash does not matter. A missing file is an empty hive;
// malformed lines are skipped. Files are UTF-8 or UTF-16LE with a byte order mark, with LF or
// CR LF. The default value ("@") reads under the empty name; typed values (dword:, hex:) are
// kept in the file but never read as strings. Within a file the last assignment counts.
// On Windows the same contract is kept by the real registry (registry_files_windows.cpp):
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, strings as REG_SZ (REG_EXPAND_SZ is expanded).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Platform {

enum class RegistryHive { CurrentUser, LocalMachine };

// Path of the file that holds a hive.
std::string RegistryFilePath(RegistryHive hive);

// A string value of one hive, UTF-8; nothing when the key or the value is absent.
std::optional<std::string> ReadRegistryString(RegistryHive hive, std::string_view key,
                                              std::string_view name);

// A string value of the per-user hive, else of the machine-wide one.
std::optional<std::string> ReadRegistryStringUserFirst(std::string_view key,
                                                       std::string_view name);

// An edit of the per-user hive: keys and string values are set in memory and written back by
// Commit(), which replaces the file atomically (a temporary file renamed over it) and keeps
// every other line, the encoding and the line ends. Commit() fails, leaving the file alone, when
// the old file could not be read or decoded, or a text holds a line break.
class RegistryEditor {
public:
    RegistryEditor();  // reads the current per-user file
    ~RegistryEditor();
    RegistryEditor(const RegistryEditor&) = delete;
    RegistryEditor& operator=(const RegistryEditor&) = delete;

    void CreateKey(std::string_view key);
    void SetString(std::string_view key, std::string_view name, std::string_view value);
    bool Commit();

private:
    struct State;
    State* state_;
};

}  // namespace Tarn::Platform
