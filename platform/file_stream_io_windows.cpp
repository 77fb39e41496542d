// CreateFileW wrapped as a stdio stream (_open_osfhandle, _fdopen), 64-bit positioning,
// SetEndOfFile and GetFileInformationByHandle.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/file_stream_io.h"
#include "platform/file_times_windows.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {

std::FILE* OpenFileStream(const std::string& path, FileDisposition disposition, FileAccess access,
                          const char* stdio_mode) {
    const std::optional<std::wstring> wide = ToWide(path);
    if (!wide || path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    DWORD rights = 0;
    int crt_flags = _O_BINARY;
    switch (access) {
        case FileAccess::Read:
            rights = GENERIC_READ;
            crt_flags |= _O_RDONLY;
            break;
        case FileAccess::Write:
            rights = GENERIC_WRITE;
            break;
        case FileAccess::ReadWrite:
            rights = GENERIC_READ | GENERIC_WRITE;
            break;
    }
    if (std::strchr(stdio_mode, 'a') != nullptr) crt_flags |= _O_APPEND;
    DWORD creation = OPEN_EXISTING;
    switch (disposition) {
        case FileDisposition::CreateNew:
            creation = CREATE_NEW;
            break;
        case FileDisposition::OpenAlways:
            creation = OPEN_ALWAYS;
            break;
        case FileDisposition::CreateAlways:
            creation = CREATE_ALWAYS;
            break;
        case FileDisposition::OpenExisting:
            creation = OPEN_EXISTING;
            break;
    }
    // Others may read a file this stream only reads; a file being written is not shared.
    const DWORD share = access == FileAccess::Read ? FILE_SHARE_READ : 0;
    HANDLE handle = CreateFileW(wide->c_str(), rights, share, nullptr, creation,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A directory fails with "access denied"; say what it is, as the POSIX side does.
        const DWORD attributes = GetFileAttributesW(wide->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            errno = EISDIR;
        else
            SetErrnoFromLastError();
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), crt_flags);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, stdio_mode);
    if (file == nullptr) {
        const int error = errno;
        _close(fd);  // closes the handle too
        errno = error;
    }
    return file;
}

bool SeekFileStream(std::FILE* file, int64_t offset, int origin) {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) {
        errno = EINVAL;
        return false;
    }
    return _fseeki64(file, offset, kWhence[origin]) == 0;
}

int64_t TellFileStream(std::FILE* file) {
    return _ftelli64(file);
}

bool TruncateFileStream(std::FILE* file, int64_t length) {
    if (std::fflush(file) != 0) return false;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return false;
    }
    // SetEndOfFile cuts at the handle's position: move there and back again, so the stream's
    // own position stays where it was, as with ftruncate.
    LARGE_INTEGER here{}, target{};
    target.QuadPart = length;
    if (!SetFilePointerEx(handle, LARGE_INTEGER{}, &here, FILE_CURRENT) ||
        !SetFilePointerEx(handle, target, nullptr, FILE_BEGIN)) {
        SetErrnoFromLastError();
        return false;
    }
    const bool cut = SetEndOfFile(handle) != 0;
    if (!cut) SetErrnoFromLastError();
    SetFilePointerEx(handle, here, nullptr, FILE_BEGIN);
    return cut;
}

std::optional<PathStatus> StatFileStream(std::FILE* file) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    PathStatus status;
    status.is_directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.is_regular = !status.is_directory;
    status.size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.access_time = UnixSeconds(info.ftLastAccessTime);
    status.modification_time = UnixSeconds(info.ftLastWriteTime);
    status.modification_time_ns = UnixNanoseconds(info.ftLastWriteTime);
    return status;
}

void OpenAndCloseHandle(const std::string& path) {
    const std::optional<std::wstring> wide = ToWide(path);
    if (!wide) return;
    HANDLE handle =
        CreateFileW(wide->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

}  // namespace Tarn::Platform
