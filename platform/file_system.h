// File status, removal and renaming, the temporary directory, and finding a file whose name
// differs in letter case from the one a document written elsewhere stored. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Tarn::Platform {

struct PathStatus {
    bool is_directory = false;
    bool is_regular = false;
    bool hidden = false;    // the name starts with "."
    bool readable = false;  // for this process
    bool writable = false;  // for this process; false means "read-only"
    int64_t size = 0;
    int64_t access_time = 0;           // seconds since 1970
    int64_t modification_time = 0;     // seconds since 1970
    int64_t modification_time_ns = 0;  // nanoseconds since 1970, the file system's full precision
};

std::optional<PathStatus> StatPath(const std::string& path);

// $TMPDIR when it names a directory, else /tmp; without a trailing "/".
std::string TempDirectory();

// `path` when it exists; otherwise a file in the same directory whose name equals the name of
// `path` ignoring ASCII case; otherwise nothing.
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

bool RemoveFile(const std::string& path);
bool RenamePath(const std::string& from, const std::string& to);

// The C library's text for the current errno.
std::string LastErrorText();

}  // namespace Tarn::Platform
