// GetTempFileNameW and the current directory.
#include <windows.h>

#include <algorithm>

#include "platform/process_env.h"
#include "platform/temp_file.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {

// GetTempFileNameW takes the first three characters of the prefix and creates the file.
std::optional<std::string> CreateUniqueFile(const std::string& directory,
                                            const std::string& prefix) {
    std::optional<std::wstring> wide_directory = ToWide(directory.empty() ? "." : directory);
    const std::optional<std::wstring> wide_prefix = ToWide(prefix);
    if (!wide_directory || !wide_prefix) return std::nullopt;
    // It adds a backslash unless the directory ends in one, so "dir/" would give "dir/\name".
    std::replace(wide_directory->begin(), wide_directory->end(), L'/', L'\\');
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(wide_directory->c_str(), wide_prefix->c_str(), 0, name) == 0) {
        return std::nullopt;
    }
    return FromWide(name);
}

std::string AbsolutePath(const std::string& path) {
    // "C:\...", "C:/...", "\\server\share\..." and "\..." (the current drive's root) stand as
    // they are.
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool rooted = !path.empty() && (path[0] == '\\' || path[0] == '/');
    if (drive || rooted) return path;
    std::string absolute = CurrentDirectory();
    if (absolute.empty()) return path;
    if (absolute.back() != '\\' && absolute.back() != '/') absolute.push_back('\\');
    return absolute + path;
}

}  // namespace Tarn::Platform
