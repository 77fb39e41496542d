// Archives for the zip tests, made and read with libzip directly so that the codec under test
// checks itself against an independent writer and reader, and byte patches that damage them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Tarn::Test {

struct FixtureEntry {
    FixtureEntry(std::string name, std::string bytes = {}, bool stored = false,
                 int64_t modification_time = 0, std::string extra_timestamp = {})
        : name(std::move(name)),
          bytes(std::move(bytes)),
          stored(stored),
          modification_time(modification_time),
          extra_timestamp(std::move(extra_timestamp)) {}

    std::string name;  // ending in "/" for a directory
    std::string bytes;
    bool stored;                  // deflated otherwise
    int64_t modification_time;    // 0: libzip's choice
    std::string extra_timestamp;  // raw local extended-timestamp field, when not empty
};

// Writes the archive at `path`, replacing any file there; fails the running test on error.
void MakeArchive(const std::string& path, const std::vector<FixtureEntry>& entries);

// Every entry's name and bytes, read with libzip; empty when the archive cannot be read.
std::map<std::string, std::string> ReadArchive(const std::string& path);

// Bytes that deflate poorly, so that an entry spans several read chunks.
std::string NoiseBytes(size_t count, uint32_t seed = 1);

// The first entry's headers in a whole archive's bytes, changed alike in the local header and
// the directory: bits added to its general-purpose flags, and its uncompressed size.
void AddFirstEntryFlags(std::string& archive, uint16_t bits);
void PatchFirstEntrySize(std::string& archive, uint32_t uncompressed_size);
// Its compression method: the data stays as it is, which the size checks run before.
void PatchFirstEntryMethod(std::string& archive, uint16_t method);
// Offset of the first entry's data (after its local header).
size_t FirstEntryDataOffset(const std::string& archive);

}  // namespace Tarn::Test
