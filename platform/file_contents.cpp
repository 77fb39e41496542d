// ReadFileContents over stdio. Only regular files are read, so a directory or a pipe named by a
// document path neither blocks nor reports a bogus length.
#include "platform/file_contents.h"

#include <sys/stat.h>

#include <cstdio>

namespace Tarn::Platform {

std::optional<std::string> ReadFileContents(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    // Read to the end rather than trusting the size: the file may change or report 0 (/proc).
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

}  // namespace Tarn::Platform
