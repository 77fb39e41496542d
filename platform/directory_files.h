// Directories as a cache keeps them: creating one with its parents, listing its files with their
// sizes and times, and marking a file as just used (its modification time set to now). Paths are
// UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Tarn::Platform {

struct DirectoryFile {
    std::string name;  // without the directory
    int64_t size = 0;
    int64_t modification_time_ns = 0;  // nanoseconds since 1970
};

// Creates `path` and its missing parents; true when it is a directory afterwards.
bool CreateDirectories(const std::string& path);

// The regular files directly inside `directory`, in no particular order; empty when it cannot
// be read.
std::vector<DirectoryFile> ListDirectoryFiles(const std::string& directory);

// Sets the file's modification time to now; false when that is not allowed.
bool TouchFile(const std::string& path);

}  // namespace Tarn::Platform
