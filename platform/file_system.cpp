// stat, access, readdir, unlink and rename.
#include "platform/file_system.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Tarn::Platform {

std::optional<PathStatus> StatPath(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    PathStatus status;
    status.is_directory = S_ISDIR(st.st_mode);
    status.is_regular = S_ISREG(st.st_mode);
    const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    status.hidden = name_start < path.size() && path[name_start] == '.' &&
                    path.compare(name_start, std::string::npos, ".") != 0 &&
                    path.compare(name_start, std::string::npos, "..") != 0;
    status.readable = ::access(path.c_str(), R_OK) == 0;
    status.writable = ::access(path.c_str(), W_OK) == 0;
    status.size = static_cast<int64_t>(st.st_size);
    status.access_time = static_cast<int64_t>(st.st_atim.tv_sec);
    status.modification_time = static_cast<int64_t>(st.st_mtim.tv_sec);
    status.modification_time_ns =
        static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return status;
}

std::string TempDirectory() {
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) {
        std::string dir(tmpdir);
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        if (auto status = StatPath(dir); status && status->is_directory) return dir;
    }
    return "/tmp";
}

std::optional<std::string> FindFileIgnoringCase(const std::string& path) {
    if (StatPath(path)) return path;
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return std::nullopt;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = (slash == std::string::npos ? std::string() : directory) + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool RenamePath(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string LastErrorText() {
    return std::strerror(errno);
}

}  // namespace Tarn::Platform
