// open, fdopen, fseeko, ftello, ftruncate and fstat.
#include "platform/file_stream_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Tarn::Platform {

std::FILE* OpenFileStream(const std::string& path, FileDisposition disposition, FileAccess access,
                          const char* stdio_mode) {
    int flags = O_CLOEXEC;
    switch (access) {
        case FileAccess::Read:
            flags |= O_RDONLY;
            break;
        case FileAccess::Write:
            flags |= O_WRONLY;
            break;
        case FileAccess::ReadWrite:
            flags |= O_RDWR;
            break;
    }
    switch (disposition) {
        case FileDisposition::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case FileDisposition::OpenAlways:
            flags |= O_CREAT;
            break;
        case FileDisposition::CreateAlways:
            flags |= O_CREAT | O_TRUNC;
            break;
        case FileDisposition::OpenExisting:
            break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, stdio_mode);
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
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
    return ::fseeko(file, static_cast<off_t>(offset), kWhence[origin]) == 0;
}

int64_t TellFileStream(std::FILE* file) {
    return static_cast<int64_t>(::ftello(file));
}

bool TruncateFileStream(std::FILE* file, int64_t length) {
    if (std::fflush(file) != 0) return false;
    return ::ftruncate(::fileno(file), static_cast<off_t>(length)) == 0;
}

std::optional<PathStatus> StatFileStream(std::FILE* file) {
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0) return std::nullopt;
    PathStatus status;
    status.is_directory = S_ISDIR(st.st_mode);
    status.is_regular = S_ISREG(st.st_mode);
    status.size = static_cast<int64_t>(st.st_size);
    status.access_time = static_cast<int64_t>(st.st_atim.tv_sec);
    status.modification_time = static_cast<int64_t>(st.st_mtim.tv_sec);
    status.modification_time_ns =
        static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return status;
}

void OpenAndCloseHandle(const std::string& path) {
    const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
}

}  // namespace Tarn::Platform
