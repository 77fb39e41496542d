// An entry's creation, access and modification times from the extra fields that record them.
#pragma once

#include <cstdint>
#include <span>

namespace Tarn::Zip {

inline constexpr uint16_t ExtendedTimestampField = 0x5455;  // Unix seconds
inline constexpr uint16_t NtfsTimesField = 0x000A;          // Windows file times

struct EntryTimes {
    int64_t creation = 0;
    int64_t access = 0;
    int64_t modification = 0;
};

// Zip's directory keeps only a DOS modification time (`dos_modification`, already in seconds
// since 1970); the other two come from the extra fields when the writer stored them, and are 0
// otherwise. Each field is the data of one extra field, empty when absent; damaged fields are
// read as far as they hold.
EntryTimes EntryTimesFromExtraFields(std::span<const uint8_t> extended_timestamp,
                                     std::span<const uint8_t> ntfs_times, int64_t dos_modification);

}  // namespace Tarn::Zip
