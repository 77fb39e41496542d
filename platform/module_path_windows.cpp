// GetModuleHandleExW and GetModuleFileNameW.
#include <windows.h>

#include <vector>

#include "platform/module_path.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {
namespace {

// The full path of a module, in a buffer grown until it fits (paths may exceed MAX_PATH).
std::optional<std::string> ModuleFileName(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length =
            GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) return FromWide(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FindLoadedModule(std::string_view file_name) {
    const std::optional<std::wstring> wide = ToWide(file_name);
    HMODULE module = nullptr;
    if (!wide || wide->empty() ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, wide->c_str(), &module)) {
        return std::nullopt;
    }
    return ModuleFileName(module);
}

std::string ExecutablePath() {
    return ModuleFileName(nullptr).value_or(std::string());
}

}  // namespace Tarn::Platform
