// GetFileAttributesExW, GetTempPathW, DeleteFileW and MoveFileExW.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/file_times_windows.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {
namespace {

// Whether this process may open the file for reading (the file's access rules may say no).
bool CanOpenForReading(const std::wstring& path) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(handle);
    return true;
}

}  // namespace

std::optional<PathStatus> StatPath(const std::string& path) {
    const std::optional<std::wstring> wide = ToWide(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !wide ||
        !GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    PathStatus status;
    status.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.is_regular =
        !status.is_directory && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    status.hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    status.readable = status.is_directory || CanOpenForReading(*wide);
    status.writable = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    status.size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.access_time = UnixSeconds(data.ftLastAccessTime);
    status.modification_time = UnixSeconds(data.ftLastWriteTime);
    status.modification_time_ns = UnixNanoseconds(data.ftLastWriteTime);
    return status;
}

std::string TempDirectory() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    if (length == 0 || length > MAX_PATH + 1) return ".";
    std::wstring directory(buffer, length);
    // "C:\" keeps its separator; every other directory loses the trailing one.
    while (directory.size() > 3 && (directory.back() == L'\\' || directory.back() == L'/'))
        directory.pop_back();
    return FromWide(directory);
}

// Windows compares file names ignoring case by itself.
std::optional<std::string> FindFileIgnoringCase(const std::string& path) {
    if (StatPath(path)) return path;
    return std::nullopt;
}

bool RemoveFile(const std::string& path) {
    const std::optional<std::wstring> wide = ToWide(path);
    if (!wide) {
        errno = ENOENT;
        return false;
    }
    if (DeleteFileW(wide->c_str())) return true;
    SetErrnoFromLastError();
    return false;
}

bool RenamePath(const std::string& from, const std::string& to) {
    const std::optional<std::wstring> wide_from = ToWide(from);
    const std::optional<std::wstring> wide_to = ToWide(to);
    if (!wide_from || !wide_to) {
        errno = ENOENT;
        return false;
    }
    // As rename(2): an existing file at the destination is replaced.
    if (MoveFileExW(wide_from->c_str(), wide_to->c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    SetErrnoFromLastError();
    return false;
}

std::string LastErrorText() {
    return std::strerror(errno);
}

}  // namespace Tarn::Platform
