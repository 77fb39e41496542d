// mkstemp behind CreateUniqueFile.
#include "platform/unique_file.h"

#include <unistd.h>

#include <cstdlib>

namespace Tarn::Platform {

std::optional<std::string> CreateUniqueFile(const std::string& directory, std::string_view prefix) {
    std::string path = directory;
    if (!path.empty() && path.back() != '/') path += '/';
    path.append(prefix);
    path += "XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return std::nullopt;
    ::close(fd);
    return path;
}

}  // namespace Tarn::Platform
