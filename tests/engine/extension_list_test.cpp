// The extension list read from a format table: which records count, in which order, and how far
// the table is read.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/handler_prefs.h"
#include "handler/flavour.h"
#include "handler/identification.h"

namespace {

using Tarn::Handler::ActiveFlavour;
using Tarn::Handler::ExtensionsFromFormatTable;
using Tarn::Handler::FormatTableLayout;
using Strings = std::vector<std::string>;

// A compact layout of the two-flag kind: count at 0, 8-byte records from 4, name in bytes 0-5,
// flags at 6 and 7.
FormatTableLayout SmallLayout(size_t capacity) {
    return {.count_offset = 0,
            .first_record_offset = 4,
            .record_size = 8,
            .capacity = capacity,
            .name_offset = 0,
            .name_size = 6,
            .flag_offsets = {6, 7},
            .flag_count = 2};
}

struct Record {
    std::string name;
    bool flag_a = true;
    bool flag_b = true;
};

std::vector<std::byte> SmallTable(int32_t count, const std::vector<Record>& records) {
    std::vector<std::byte> bytes(4 + 8 * records.size());
    std::memcpy(bytes.data(), &count, sizeof count);
    for (size_t i = 0; i < records.size(); ++i) {
        std::byte* record = bytes.data() + 4 + 8 * i;
        std::memcpy(record, records[i].name.data(), std::min<size_t>(records[i].name.size(), 6));
        record[6] = std::byte{records[i].flag_a};
        record[7] = std::byte{records[i].flag_b};
    }
    return bytes;
}

struct Case {
    const char* what;
    int32_t count;
    std::vector<Record> records;
    Strings expected;
};

class ExtensionList : public ::testing::TestWithParam<Case> {};

TEST_P(ExtensionList, ReadsServedDistinctNamesInTableOrder) {
    const Case& c = GetParam();
    const std::vector<std::byte> table = SmallTable(c.count, c.records);
    EXPECT_EQ(ExtensionsFromFormatTable(table, SmallLayout(20)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ExtensionList,
    ::testing::Values(
        Case{"order kept, duplicates once",
             4,
             {{"img"}, {"dem"}, {"img"}, {"dat"}},
             {"img", "dem", "dat"}},
        // Names compare exactly: a capitalised name is a name of its own.
        Case{"case-sensitive", 2, {{"img"}, {"IMG"}}, {"img", "IMG"}},
        Case{"both flags needed", 3, {{"a", true, false}, {"b", false, true}, {"c"}}, {"c"}},
        Case{"count limits the records", 1, {{"img"}, {"dem"}}, {"img"}},
        Case{"negative count", -3, {{"img"}}, {}},
        // The table holds fewer records than it claims: the bytes end first.
        Case{"count beyond the bytes", 9, {{"img"}, {"dem"}}, {"img", "dem"}},
        Case{"empty name takes a place", 3, {{""}, {"img"}, {""}}, {"", "img"}},
        // A name filling its whole field has no terminator: the field's end ends it.
        Case{"unterminated name", 1, {{"abcdef"}}, {"abcdef"}}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(ExtensionListLimits, AtMostOneHundredNames) {
    std::vector<Record> records;
    for (int i = 0; i < 150; ++i) {
        // Appended rather than "e" + std::to_string(i), which GCC 12 at -O3 mistakes for an
        // overlapping copy (-Wrestrict).
        std::string name = "e";
        name += std::to_string(i);
        records.push_back({name});
    }
    for (int32_t count : {120, 150}) {
        const std::vector<std::byte> table = SmallTable(count, records);
        const Strings list = ExtensionsFromFormatTable(table, SmallLayout(150));
        ASSERT_EQ(list.size(), 100u) << count;
        EXPECT_EQ(list.front(), "e0");
        EXPECT_EQ(list.back(), "e99");
    }
}

TEST(ExtensionListLimits, GdalTableNeverReadsPastTheRecord) {
    // Exactly one record on the heap: the sanitizer build catches a read past its end, where a
    // 21st record of this table would lie.
    auto prefs = std::make_unique<HandlerPrefs>();
    std::memset(prefs.get(), 0, sizeof *prefs);
    for (int i = 0; i < PREFS_FORMAT_TABLE_CAPACITY; ++i) {
        FormatDescriptionLong& record = prefs->long_formats[i];
        std::snprintf(record.name, sizeof record.name, "x%02d", i);
        record.served_a = record.served_b = 1;
    }
    prefs->long_format_count = 25;
    const FormatTableLayout& layout = ActiveFlavour().format_table;  // the GDAL flavour here
    const Strings list =
        ExtensionsFromFormatTable(std::as_bytes(std::span(prefs.get(), 1)), layout);
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.back(), "x19");
}

TEST(ExtensionListLimits, ShortTableStopsAtItsTwentiethRecord) {
    // KVRasterHandler's table, as its flavour lays it out.
    const FormatTableLayout layout{.count_offset = offsetof(HandlerPrefs, short_format_count),
                                   .first_record_offset = offsetof(HandlerPrefs, short_formats),
                                   .record_size = sizeof(FormatDescriptionShort),
                                   .capacity = PREFS_FORMAT_TABLE_CAPACITY,
                                   .name_offset = offsetof(FormatDescriptionShort, name),
                                   .name_size = sizeof(FormatDescriptionShort::name),
                                   .flag_offsets = {offsetof(FormatDescriptionShort, served), 0},
                                   .flag_count = 1};
    auto prefs = std::make_unique<HandlerPrefs>();
    std::memset(prefs.get(), 0, sizeof *prefs);
    for (int i = 0; i < PREFS_FORMAT_TABLE_CAPACITY; ++i) {
        std::snprintf(prefs->short_formats[i].name, sizeof prefs->short_formats[i].name, "s%02d",
                      i);
        prefs->short_formats[i].served = 1;
    }
    prefs->short_format_count = 25;
    // The bytes behind the table (the other table's) made to look like a served 21st record.
    auto* behind = reinterpret_cast<unsigned char*>(prefs.get()) + layout.first_record_offset +
                   PREFS_FORMAT_TABLE_CAPACITY * layout.record_size;
    std::memcpy(behind + layout.name_offset, "bad", 4);
    behind[layout.flag_offsets[0]] = 1;
    const Strings list =
        ExtensionsFromFormatTable(std::as_bytes(std::span(prefs.get(), 1)), layout);
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.back(), "s19");
}

}  // namespace
