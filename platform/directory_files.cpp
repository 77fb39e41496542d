// mkdir, opendir/readdir with stat, and utimensat.
#include "platform/directory_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace Tarn::Platform {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool CreateDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (IsDirectory(path)) return true;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !CreateDirectories(path.substr(0, slash)))
        return false;
    // Another process may create it at the same moment.
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(path));
}

std::vector<DirectoryFile> ListDirectoryFiles(const std::string& directory) {
    std::vector<DirectoryFile> files;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return files;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        DirectoryFile file;
        file.name = entry->d_name;
        file.size = static_cast<int64_t>(st.st_size);
        file.modification_time_ns =
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        files.push_back(std::move(file));
    }
    ::closedir(dir);
    return files;
}

bool TouchFile(const std::string& path) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace Tarn::Platform
