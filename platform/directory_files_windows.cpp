// CreateDirectoryW, FindFirstFileW/FindNextFileW and SetFileTime.
#include <windows.h>

#include "platform/directory_files.h"
#include "platform/file_times_windows.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {
namespace {

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateWide(const std::wstring& path) {
    if (path.empty()) return false;
    if (IsDirectory(path)) return true;
    const size_t slash = path.find_last_of(L"\\/");
    // "C:" and "\\server\share" are not created; they exist or the path fails below.
    if (slash != std::wstring::npos && slash > 0 && path[slash - 1] != L':' &&
        !CreateWide(path.substr(0, slash)))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) != 0 ||
           (GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path));
}

}  // namespace

bool CreateDirectories(const std::string& path) {
    const std::optional<std::wstring> wide = ToWide(path);
    return wide && CreateWide(*wide);
}

std::vector<DirectoryFile> ListDirectoryFiles(const std::string& directory) {
    std::vector<DirectoryFile> files;
    const std::optional<std::wstring> wide = ToWide(directory);
    if (!wide) return files;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((*wide + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
            continue;
        DirectoryFile file;
        file.name = FromWide(found.cFileName);
        file.size = (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        file.modification_time_ns = UnixNanoseconds(found.ftLastWriteTime);
        files.push_back(std::move(file));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

bool TouchFile(const std::string& path) {
    const std::optional<std::wstring> wide = ToWide(path);
    if (!wide) return false;
    HANDLE handle = CreateFileW(wide->c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const BOOL set = SetFileTime(handle, nullptr, nullptr, &now);
    CloseHandle(handle);
    return set != 0;
}

}  // namespace Tarn::Platform
