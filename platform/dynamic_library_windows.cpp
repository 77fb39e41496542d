// LoadLibraryW-based library loading.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/dynamic_library.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {
namespace {

// Why the last load on this thread failed; GetLastError itself is overwritten by any later call.
thread_local std::string t_last_error;

std::string ErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? FromWide(std::wstring_view(text, length)) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
}

}  // namespace

void* OpenLibrary(const std::string& path) {
    std::optional<std::wstring> wide = ToWide(path);
    if (!wide) {
        t_last_error = "the library path is not valid UTF-8";
        return nullptr;
    }
    // LoadLibraryW wants backslashes; the rest of the plug-in joins paths with "/".
    std::replace(wide->begin(), wide->end(), L'/', L'\\');
    // A missing library is reported to the caller, never in a message box of the system's.
    DWORD previous_mode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
    HMODULE module = LoadLibraryW(wide->c_str());
    const DWORD error = GetLastError();
    SetThreadErrorMode(previous_mode, nullptr);
    if (module == nullptr) t_last_error = ErrorText(error);
    return reinterpret_cast<void*>(module);
}

void* FindSymbol(void* library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::string LastLoadError() {
    return std::exchange(t_last_error, std::string());
}

std::string LibraryFileName(std::string_view stem) {
    return std::string(stem) + ".dll";
}

}  // namespace Tarn::Platform
