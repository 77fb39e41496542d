// mkstemp and the current directory.
#include "platform/temp_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "platform/process_env.h"

namespace Tarn::Platform {

std::optional<std::string> CreateUniqueFile(const std::string& directory,
                                            const std::string& prefix) {
    std::string path = directory;
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path += prefix;
    path += "XXXXXX";
    std::vector<char> text(path.begin(), path.end());
    text.push_back('\0');
    const int fd = ::mkostemp(text.data(), O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    ::close(fd);
    return std::string(text.data());
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    std::string absolute = CurrentDirectory();
    if (absolute.empty()) return path;
    if (absolute.back() != '/') absolute.push_back('/');
    return absolute + path;
}

}  // namespace Tarn::Platform
