// Unique temporary file names and absolute paths.
#pragma once

#include <optional>
#include <string>

namespace Tarn::Platform {

// Creates a new empty file named `prefix` plus a unique suffix in `directory` (mkstemp) and
// returns its path; the caller owns the file. Nothing when no file could be created.
std::optional<std::string> CreateUniqueFile(const std::string& directory,
                                            const std::string& prefix);

// `path` when it starts with "/", else the current directory joined with it. Nothing is resolved
// (no symbolic links, "." or ".."), as the path may not exist yet.
std::string AbsolutePath(const std::string& path);

}  // namespace Tarn::Platform
