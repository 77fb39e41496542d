// ReadFileContents over CreateFileW and ReadFile. Only disk files are read, so a device or a
// pipe named by a document path neither blocks nor reports a bogus length.
#include <windows.h>

#include "platform/file_contents.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {

std::optional<std::string> ReadFileContents(const std::string& path) {
    const std::optional<std::wstring> wide = ToWide(path);
    if (path.empty() || !wide) return std::nullopt;
    HANDLE file = CreateFileW(wide->c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;  // directories fail here too
    std::optional<std::string> bytes;
    LARGE_INTEGER size{};
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size)) {
        bytes.emplace();
        bytes->reserve(static_cast<size_t>(size.QuadPart));
        // Read to the end rather than trusting the size: the file may change meanwhile.
        char chunk[65536];
        DWORD got = 0;
        while (true) {
            if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
                bytes.reset();
                break;
            }
            if (got == 0) break;
            bytes->append(chunk, got);
        }
    }
    CloseHandle(file);
    return bytes;
}

}  // namespace Tarn::Platform
