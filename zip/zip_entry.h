// ZipEntry: what the codec reports of one entry of an archive's directory.
#pragma once

#include <cstdint>
#include <string>

namespace Tarn::Zip {

// Attributes in the DOS form that the streams report, whatever system wrote the entry.
inline constexpr uint32_t EntryReadOnly = 0x01;
inline constexpr uint32_t EntryHidden = 0x02;
inline constexpr uint32_t EntrySystem = 0x04;
inline constexpr uint32_t EntryDirectory = 0x10;
inline constexpr uint32_t EntryArchive = 0x20;

struct ZipEntry {
    uint64_t index = 0;
    std::u16string name;  // with "/" separators, also where the archive stored "\"
    uint32_t attributes = 0;
    // Seconds since 1970; 0 where the archive records no such time.
    int64_t creation_time = 0;
    int64_t access_time = 0;
    int64_t modification_time = 0;
    uint64_t compressed_size = 0;
    uint64_t uncompressed_size = 0;
    uint16_t method = 0;  // the zip compression method number
    bool encrypted = false;
};

}  // namespace Tarn::Zip
