// Reading the extended-timestamp and NTFS extra fields.
#include "zip/zip_entry_times.h"

namespace Tarn::Zip {
namespace {

uint64_t LittleEndian(std::span<const uint8_t> bytes) {
    uint64_t value = 0;
    for (size_t i = bytes.size(); i-- > 0;) value = (value << 8) | bytes[i];
    return value;
}

// Seconds between 1601-01-01, where Windows file times start, and 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000;

int64_t FromFileTime(uint64_t ticks) {
    return static_cast<int64_t>(ticks / kFileTimeTicksPerSecond) - kFileTimeEpochOffset;
}

// Flags, then a 32-bit signed time for each flag set, in the order modification, access,
// creation. The directory's copy carries only the first even when its flags name all three.
void ReadExtendedTimestamp(std::span<const uint8_t> field, EntryTimes& times) {
    if (field.empty()) return;
    const uint8_t flags = field[0];
    size_t at = 1;
    int64_t* const targets[] = {&times.modification, &times.access, &times.creation};
    for (int bit = 0; bit < 3; ++bit) {
        if (!(flags & (1u << bit))) continue;
        if (at + 4 > field.size()) return;
        *targets[bit] = static_cast<int32_t>(LittleEndian(field.subspan(at, 4)));
        at += 4;
    }
}

// Four reserved bytes, then tagged attributes; tag 1 holds the modification, access and
// creation file times.
void ReadNtfsTimes(std::span<const uint8_t> field, EntryTimes& times) {
    size_t at = 4;
    while (at + 4 <= field.size()) {
        const auto tag = LittleEndian(field.subspan(at, 2));
        const auto size = LittleEndian(field.subspan(at + 2, 2));
        at += 4;
        if (at + size > field.size()) return;
        if (tag == 1 && size >= 24) {
            int64_t* const targets[] = {&times.modification, &times.access, &times.creation};
            for (size_t i = 0; i < 3; ++i) {
                const uint64_t ticks = LittleEndian(field.subspan(at + 8 * i, 8));
                if (ticks != 0) *targets[i] = FromFileTime(ticks);
            }
        }
        at += size;
    }
}

}  // namespace

EntryTimes EntryTimesFromExtraFields(std::span<const uint8_t> extended_timestamp,
                                     std::span<const uint8_t> ntfs_times,
                                     int64_t dos_modification) {
    EntryTimes times;
    times.modification = dos_modification;
    ReadExtendedTimestamp(extended_timestamp, times);
    ReadNtfsTimes(ntfs_times, times);
    return times;
}

}  // namespace Tarn::Zip
