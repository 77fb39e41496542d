// Fixture archives through libzip, and header patches by offset.
#include "zip_fixtures.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>

namespace Tarn::Test {
namespace {

// Offsets in the local header ("PK\3\4") and the directory header ("PK\1\2").
constexpr size_t kLocalFlags = 6, kLocalMethod = 8, kLocalSize = 22, kLocalNameLength = 26, kLocalHeader = 30;
constexpr size_t kCentralFlags = 8, kCentralMethod = 10, kCentralSize = 24;

void Put(std::string& bytes, size_t at, uint64_t value, size_t width) {
    ASSERT_LE(at + width, bytes.size());
    for (size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

uint32_t Get(const std::string& bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = width; i-- > 0;) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

size_t CentralHeader(const std::string& archive) {
    const size_t at = archive.find(std::string("PK\1\2", 4));
    EXPECT_NE(at, std::string::npos);
    return at;
}

}  // namespace

void MakeArchive(const std::string& path, const std::vector<FixtureEntry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << "libzip error " << error;
    for (const FixtureEntry& entry : entries) {
        zip_int64_t index;
        if (!entry.name.empty() && entry.name.back() == '/') {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* source =
                zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
            index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        }
        ASSERT_GE(index, 0) << entry.name << ": " << zip_strerror(archive);
        const auto at = static_cast<zip_uint64_t>(index);
        if (entry.stored) zip_set_file_compression(archive, at, ZIP_CM_STORE, 0);
        if (entry.modification_time != 0) {
            zip_file_set_mtime(archive, at, static_cast<time_t>(entry.modification_time), 0);
        }
        if (!entry.extra_timestamp.empty()) {
            const auto* data = reinterpret_cast<const zip_uint8_t*>(entry.extra_timestamp.data());
            ASSERT_EQ(zip_file_extra_field_set(
                          archive, at, 0x5455, ZIP_EXTRA_FIELD_NEW, data,
                          static_cast<zip_uint16_t>(entry.extra_timestamp.size()), ZIP_FL_LOCAL),
                      0);
        }
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

std::map<std::string, std::string> ReadArchive(const std::string& path) {
    std::map<std::string, std::string> entries;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive == nullptr) return entries;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string bytes(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        if (file == nullptr) continue;
        const zip_int64_t got = zip_fread(file, bytes.data(), bytes.size());
        zip_fclose(file);
        if (got == static_cast<zip_int64_t>(bytes.size())) entries[stat.name] = bytes;
    }
    zip_discard(archive);
    return entries;
}

std::string NoiseBytes(size_t count, uint32_t seed) {
    std::string bytes(count, '\0');
    uint32_t state = seed;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

void AddFirstEntryFlags(std::string& archive, uint16_t bits) {
    const size_t central = CentralHeader(archive) + kCentralFlags;
    Put(archive, kLocalFlags, Get(archive, kLocalFlags, 2) | bits, 2);
    Put(archive, central, Get(archive, central, 2) | bits, 2);
}

void PatchFirstEntrySize(std::string& archive, uint32_t uncompressed_size) {
    Put(archive, kLocalSize, uncompressed_size, 4);
    Put(archive, CentralHeader(archive) + kCentralSize, uncompressed_size, 4);
}

void PatchFirstEntryMethod(std::string& archive, uint16_t method) {
    Put(archive, kLocalMethod, method, 2);
    Put(archive, CentralHeader(archive) + kCentralMethod, method, 2);
}

size_t FirstEntryDataOffset(const std::string& archive) {
    return kLocalHeader + Get(archive, kLocalNameLength, 2) + Get(archive, kLocalNameLength + 2, 2);
}

}  // namespace Tarn::Test
