// GetCurrentDirectoryW / SetCurrentDirectoryW and GetEnvironmentVariableW /
// SetEnvironmentVariableW.
#include <windows.h>
// <windows.h> maps SetCurrentDirectory to SetCurrentDirectoryW; here it is the contract's name.
#undef SetCurrentDirectory

#include <vector>

#include "platform/process_env.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {

std::string CurrentDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        // The needed size with its terminator when the buffer is short, else the length.
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) return FromWide(std::wstring_view(buffer.data(), length));
        buffer.resize(length);
    }
    return {};
}

bool SetCurrentDirectory(const std::string& path) {
    const std::optional<std::wstring> wide = ToWide(path);
    return wide && !wide->empty() && SetCurrentDirectoryW(wide->c_str()) != 0;
}

std::optional<std::string> GetEnv(const std::string& name) {
    const std::optional<std::wstring> wide = ToWide(name);
    if (!wide || wide->empty()) return std::nullopt;
    std::vector<wchar_t> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wide->c_str(), buffer.data(),
                                                     static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            // An empty value and a missing variable both give 0; only the error tells them apart.
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (length < buffer.size()) return FromWide(std::wstring_view(buffer.data(), length));
        buffer.resize(length);
    }
    return std::nullopt;
}

bool SetEnv(const std::string& name, const std::string& value) {
    const std::optional<std::wstring> wide_name = ToWide(name);
    const std::optional<std::wstring> wide_value = ToWide(value);
    if (!wide_name || wide_name->empty() || !wide_value) return false;
    return SetEnvironmentVariableW(wide_name->c_str(), wide_value->c_str()) != 0;
}

std::optional<std::string> UserConfigDirectory() {
    std::optional<std::string> app_data = GetEnv("APPDATA");
    if (!app_data || app_data->empty()) return std::nullopt;
    return app_data;
}

std::optional<std::string> UserCacheDirectory() {
    std::optional<std::string> local = GetEnv("LOCALAPPDATA");
    if (!local || local->empty()) return std::nullopt;
    return local;
}

char PathListSeparator() {
    return ';';
}

}  // namespace Tarn::Platform
