// Opening a disk file as a stdio stream with an explicit creation disposition, and the 64-bit
// positioning, truncation and status calls that stdio itself lacks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace Tarn::Platform {

enum class FileDisposition {
    CreateNew,     // create; fail when the file exists
    OpenAlways,    // open, creating a missing file
    CreateAlways,  // create, truncating an existing file
    OpenExisting,  // open; fail when the file is missing
};

enum class FileAccess { Read, Write, ReadWrite };

// Opens `path` with open(2) and wraps the descriptor with fdopen(`stdio_mode`); the mode string
// never truncates or creates by itself, the disposition decides. Directories are refused
// (EISDIR), as a file open is expected to fail on them. Null on failure, with errno set.
std::FILE* OpenFileStream(const std::string& path, FileDisposition disposition, FileAccess access,
                          const char* stdio_mode);

// origin: 0 start, 1 current position, 2 end.
bool SeekFileStream(std::FILE* file, int64_t offset, int origin);
// -1 on failure.
int64_t TellFileStream(std::FILE* file);
// Flushes buffered output first, so that it cannot extend the file again afterwards.
bool TruncateFileStream(std::FILE* file, int64_t length);
// Times and size of the open file; the name-derived fields (hidden) are left false.
std::optional<PathStatus> StatFileStream(std::FILE* file);

// Opens a handle on `path` without access rights and closes it again; nothing is reported.
void OpenAndCloseHandle(const std::string& path);

}  // namespace Tarn::Platform
