// The zip codec: handles and their result codes, the directory, chunked reads, lookup, writing
// and replacing entries, and what it refuses of damaged and hostile archives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>

#include "tests/system/stream_test_support.h"
#include "zip/zip_entry_name.h"
#include "zip/zip_entry_times.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"
#include "zip_fixtures.h"

using namespace Tarn::Zip;
using Tarn::Test::FixtureEntry;
using Tarn::Test::MakeArchive;
using Tarn::Test::ReadArchive;
using Tarn::Test::ReadWholeFile;
using Tarn::Test::WriteWholeFile;
using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class ZipCodec : public Tarn::Test::ScratchDirTest {
protected:
    // Reads the current entry in chunks of `chunk` bytes; the results in order, the bytes in
    // `out`.
    static std::vector<ZipResult> ReadAll(ZipHandle* handle, size_t chunk, std::string& out) {
        std::vector<ZipResult> results;
        std::string buffer(chunk, '\0');
        for (;;) {
            uint64_t got = 0;
            results.push_back(ReadEntry(handle, buffer.data(), chunk, got));
            out.append(buffer, 0, got);
            if (results.back() != ZipResult::MoreData || results.size() > 100) return results;
        }
    }
};

TEST_F(ZipCodec, MissingAndWrongHandlesAreReportedPerDirection) {
    MakeArchive(Path("a.zip"), {{"e.txt", "abc"}});
    auto reader = OpenZipReader(Path("a.zip"));
    auto writer = CreateZipWriter(Path("new.zip"));
    ASSERT_TRUE(reader && writer);

    EXPECT_EQ(CountEntries(nullptr), -1);
    EXPECT_EQ(LastReadResult(), ZipResult::NoHandle);
    ZipEntry entry;
    EXPECT_FALSE(FindEntry(writer.get(), u"e.txt", entry));
    EXPECT_EQ(LastReadResult(), ZipResult::WrongHandle);
    uint64_t got = 7;
    EXPECT_EQ(ReadEntry(reader.get(), nullptr, 0, got), ZipResult::NoEntryOpen);
    EXPECT_EQ(got, 0u);

    EXPECT_FALSE(AddEntry(nullptr, u"x", {}));
    EXPECT_EQ(LastWriteResult(), ZipResult::NoHandle);
    EXPECT_FALSE(AddEntry(reader.get(), u"x", {}));
    EXPECT_EQ(LastWriteResult(), ZipResult::WrongHandle);
    EXPECT_EQ(LastReadResult(), ZipResult::NoEntryOpen);  // writing left the read result alone

    EXPECT_FALSE(CloseZip(nullptr));
    EXPECT_EQ(LastWriteResult(), ZipResult::NoHandle);
    EXPECT_TRUE(CloseZip(std::move(reader)));
    EXPECT_EQ(LastReadResult(), ZipResult::Ok);
}

TEST_F(ZipCodec, DirectoryReportsNamesSizesAttributesAndTimes) {
    // Extended timestamp with all three times, as Unix writers put it in the local header.
    const std::string timestamp("\x07\x10\x00\x00\x00\x20\x00\x00\x00\x30\x00\x00\x00", 13);
    MakeArchive(Path("a.zip"), {{"sub/"},
                                {"sub/Gr\xC3\xBC\xC3\x9F"
                                 "e.txt",
                                 "hello hello hello", false, 1600000000},
                                {"raw.bin", "xyz", true, 0, timestamp}});
    auto reader = OpenZipReader(Path("a.zip"));
    ASSERT_TRUE(reader);
    ASSERT_EQ(CountEntries(reader.get()), 3);

    ZipEntry entry;
    ASSERT_TRUE(GetEntry(reader.get(), 0, entry));
    EXPECT_EQ(entry.name, u"sub/");
    EXPECT_TRUE(entry.attributes & EntryDirectory);

    ASSERT_TRUE(GetEntry(reader.get(), 1, entry));
    EXPECT_EQ(entry.name, u"sub/Grüße.txt");
    EXPECT_FALSE(entry.attributes & EntryDirectory);
    EXPECT_EQ(entry.uncompressed_size, 17u);
    EXPECT_EQ(entry.method, ZIP_CM_DEFLATE);
    // DOS times have two-second steps.
    EXPECT_NEAR(static_cast<double>(entry.modification_time), 1600000000.0, 2.0);
    EXPECT_EQ(entry.creation_time, 0);

    ASSERT_TRUE(GetEntry(reader.get(), 2, entry));
    EXPECT_EQ(entry.index, 2u);
    EXPECT_EQ(entry.compressed_size, 3u);
    EXPECT_EQ(entry.method, ZIP_CM_STORE);
    EXPECT_EQ(entry.modification_time, 0x10);
    EXPECT_EQ(entry.access_time, 0x20);
    EXPECT_EQ(entry.creation_time, 0x30);

    EXPECT_FALSE(GetEntry(reader.get(), 3, entry));
    EXPECT_EQ(LastReadResult(), ZipResult::NoSuchEntry);
}

TEST_F(ZipCodec, ChunksReportMoreDataThenTheEndWithTheLastBytes) {
    MakeArchive(Path("a.zip"), {{"ten", "0123456789"}, {"empty", ""}});
    auto reader = OpenZipReader(Path("a.zip"));
    ASSERT_TRUE(reader);
    using R = ZipResult;
    struct Case {
        uint64_t index;
        size_t chunk;
        std::vector<R> results;
    };
    const Case cases[] = {
        {0, 4, {R::MoreData, R::MoreData, R::EndOfEntry}},
        {0, 10, {R::EndOfEntry}},  // an exact fit ends at once
        {0, 64, {R::EndOfEntry}},
        {1, 4, {R::EndOfEntry}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(OpenEntry(reader.get(), c.index));
        std::string bytes;
        EXPECT_EQ(ReadAll(reader.get(), c.chunk, bytes), c.results) << c.chunk;
        EXPECT_EQ(bytes, c.index == 0 ? "0123456789" : "");
        uint64_t got = 1;
        EXPECT_EQ(ReadEntry(reader.get(), bytes.data(), 1, got), R::EndOfEntry);  // stays ended
        EXPECT_EQ(got, 0u);
    }
}

TEST_F(ZipCodec, FindEntryPrefersTheExactNameAndAcceptsEitherSeparator) {
    MakeArchive(Path("a.zip"), {{"Dir\\Data.TXT", "case"}, {"dir\\data.txt", "exact"}});
    auto reader = OpenZipReader(Path("a.zip"));
    ASSERT_TRUE(reader);
    ZipEntry entry;
    ASSERT_TRUE(FindEntry(reader.get(), u"dir/data.txt", entry));
    EXPECT_EQ(entry.index, 1u);
    EXPECT_EQ(entry.name, u"dir/data.txt");
    ASSERT_TRUE(FindEntry(reader.get(), u"DIR\\DATA.txt", entry));
    EXPECT_EQ(entry.index, 0u);  // no exact match: the first equal ignoring case
    EXPECT_FALSE(FindEntry(reader.get(), u"dir/other.txt", entry));
    EXPECT_EQ(LastReadResult(), ZipResult::NoSuchEntry);
    EXPECT_FALSE(FindEntry(reader.get(), u"x/../dir/data.txt", entry));
    EXPECT_EQ(LastReadResult(), ZipResult::UnsafeName);
}

TEST_F(ZipCodec, WriterReplacesTheFileOnlyWhenClosed) {
    WriteWholeFile(Path("a.zip"), "not an archive");
    auto writer = CreateZipWriter(Path("a.zip"));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(AddEntry(writer.get(), u"sub\\e.txt", Bytes("first")));
    EXPECT_TRUE(AddEntry(writer.get(), u"Grüße.txt", Bytes("second")));
    EXPECT_TRUE(AddEntry(writer.get(), u"sub/e.txt", Bytes("third")));  // the same name again
    for (const char16_t* name : {u"../up.txt", u"/abs.txt", u"C:x.txt", u"", u"sub/"}) {
        EXPECT_FALSE(AddEntry(writer.get(), name, Bytes("x")));
        EXPECT_EQ(LastWriteResult(), ZipResult::UnsafeName);
    }
    EXPECT_EQ(ReadWholeFile(Path("a.zip")), "not an archive");
    EXPECT_TRUE(CloseZip(std::move(writer)));
    EXPECT_EQ(LastWriteResult(), ZipResult::Ok);
    EXPECT_THAT(ReadArchive(Path("a.zip")),
                ElementsAre(Pair("Grüße.txt", "second"), Pair("sub/e.txt", "third")));
}

TEST_F(ZipCodec, WriterIntoAMissingDirectoryFailsAtClose) {
    auto writer = CreateZipWriter(Path("missing/a.zip"));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(AddEntry(writer.get(), u"e.txt", Bytes("abc")));
    EXPECT_FALSE(CloseZip(std::move(writer)));
    EXPECT_EQ(LastWriteResult(), ZipResult::WriteFailed);
}

TEST_F(ZipCodec, UpdaterReplacesOneEntryAndKeepsTheOthers) {
    MakeArchive(Path("a.zip"), {{"one", "1111"}, {"two", "2222", true}, {"three", "3333"}});
    EXPECT_FALSE(OpenZipUpdater(Path("missing.zip")));
    EXPECT_EQ(LastWriteResult(), ZipResult::OpenFailed);

    auto updater = OpenZipUpdater(Path("a.zip"));
    ASSERT_TRUE(updater);
    EXPECT_TRUE(AddEntry(updater.get(), u"two", Bytes("new two, longer")));
    EXPECT_TRUE(AddEntry(updater.get(), u"four", Bytes("4")));
    EXPECT_TRUE(CloseZip(std::move(updater)));
    EXPECT_THAT(ReadArchive(Path("a.zip")),
                ElementsAre(Pair("four", "4"), Pair("one", "1111"), Pair("three", "3333"),
                            Pair("two", "new two, longer")));
}

// Hostile and damaged archives: each is refused where the damage shows, never read past.
class HostileArchive : public ZipCodec {
protected:
    // An archive of one deflated entry of 5000 bytes, patched by `damage`.
    template <typename Damage>
    std::string Make(Damage damage, const std::string& name = "e.bin") {
        std::string lines;
        for (int i = 0; lines.size() < 5000; ++i) lines += "line " + std::to_string(i) + "\n";
        lines.resize(5000);
        MakeArchive(Path("a.zip"), {{name, lines}});
        std::string bytes = ReadWholeFile(Path("a.zip"));
        damage(bytes);
        WriteWholeFile(Path("a.zip"), bytes);
        return Path("a.zip");
    }
};

TEST_F(HostileArchive, TruncatedOrForeignFilesAreNoArchives) {
    MakeArchive(Path("a.zip"), {{"e.txt", "abc"}});
    const std::string whole = ReadWholeFile(Path("a.zip"));
    WriteWholeFile(Path("cut.zip"), whole.substr(0, whole.size() / 2));
    WriteWholeFile(Path("text.zip"), "plain text, long enough to look for a directory in it");
    for (const char* name : {"cut.zip", "text.zip"}) {
        EXPECT_FALSE(OpenZipReader(Path(name))) << name;
        EXPECT_EQ(LastReadResult(), ZipResult::NotAnArchive) << name;
    }
    EXPECT_FALSE(OpenZipReader(Path("missing.zip")));
    EXPECT_EQ(LastReadResult(), ZipResult::OpenFailed);
    EXPECT_FALSE(OpenZipReader(dir_.string()));  // a directory
    EXPECT_EQ(LastReadResult(), ZipResult::OpenFailed);
}

TEST_F(HostileArchive, EntriesThatCannotBeReadSafelyDoNotOpen) {
    struct Case {
        const char* what;
        void (*damage)(std::string&);
        const char* name;
        ZipResult result;
    };
    const Case cases[] = {
        {"encrypted", [](std::string& a) { Tarn::Test::AddFirstEntryFlags(a, 1); }, "e.bin",
         ZipResult::Encrypted},
        {"enormous size", [](std::string& a) { Tarn::Test::PatchFirstEntrySize(a, 0xFFFFFFF0u); },
         "e.bin", ZipResult::Inconsistent},
        // Every other method has a bound too: 4096 times the compressed size.
        {"enormous bzip2 size",
         [](std::string& a) {
             Tarn::Test::PatchFirstEntryMethod(a, ZIP_CM_BZIP2);
             Tarn::Test::PatchFirstEntrySize(a, 0x60000000u);
         },
         "e.bin", ZipResult::Inconsistent},
        {"enormous xz size",
         [](std::string& a) {
             Tarn::Test::PatchFirstEntryMethod(a, ZIP_CM_XZ);
             Tarn::Test::PatchFirstEntrySize(a, 0xFFFFFFF0u);
         },
         "e.bin", ZipResult::Inconsistent},
        {"parent name", [](std::string&) {}, "../e.bin", ZipResult::UnsafeName},
        {"absolute name", [](std::string&) {}, "/tmp/e.bin", ZipResult::UnsafeName},
    };
    for (const Case& c : cases) {
        auto reader = OpenZipReader(Make(c.damage, c.name));
        ASSERT_TRUE(reader) << c.what;
        EXPECT_FALSE(OpenEntry(reader.get(), 0)) << c.what;
        EXPECT_EQ(LastReadResult(), c.result) << c.what;
    }
}

TEST_F(HostileArchive, DamagedDataEndsTheReadWithAnError) {
    struct Case {
        const char* what;
        void (*damage)(std::string&);
        size_t most_bytes;  // at most this many bytes arrive before the error
    };
    const Case cases[] = {
        // A size below the data's: the bytes up to it arrive, then the data does not end.
        {"size too small", [](std::string& a) { Tarn::Test::PatchFirstEntrySize(a, 100); }, 100},
        // A size above the data's (still one deflate could reach): the data ends early.
        {"size too large", [](std::string& a) { Tarn::Test::PatchFirstEntrySize(a, 9000); }, 5000},
        {"flipped bytes",
         [](std::string& a) {
             const size_t data = Tarn::Test::FirstEntryDataOffset(a);
             for (size_t i = 100; i < 200; ++i) a[data + i] = static_cast<char>(~a[data + i]);
         },
         5000},
    };
    for (const Case& c : cases) {
        auto reader = OpenZipReader(Make(c.damage));
        ASSERT_TRUE(reader) << c.what;
        ASSERT_TRUE(OpenEntry(reader.get(), 0)) << c.what;
        std::string bytes;
        const auto results = ReadAll(reader.get(), 1024, bytes);
        EXPECT_NE(results.back(), ZipResult::EndOfEntry) << c.what;
        EXPECT_NE(results.back(), ZipResult::MoreData) << c.what;
        EXPECT_LE(bytes.size(), c.most_bytes) << c.what;
    }
}

TEST(ZipEntryName, UnsafeNamesAreThoseThatLeaveTheArchiveFolder) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"a.txt", true}, {u"sub/a.txt", true}, {u"..a/b..", true},    {u"a/./b", true},
        {u"", false},     {u"/a", false},       {u"C:a", false},       {u"c:/a", false},
        {u"..", false},   {u"../a", false},     {u"a/../../b", false}, {u"a/..", false},
    };
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(IsSafeEntryName(name), safe) << Tarn::System::WideToUtf8(name);
    }
    EXPECT_FALSE(IsSafeEntryName(NormaliseEntryName(u"a\\..\\b")));
    EXPECT_FALSE(IsSafeEntryName(std::u16string(u"a\0b", 3)));
}

TEST(ZipEntryTimes, ExtraFieldsFillWhatTheyHoldAndStopWhereTheyEnd) {
    using Bytes = std::vector<uint8_t>;
    // NTFS field: reserved, tag 1 of 24 bytes, then modification, access and creation file
    // times; 116444736000000000 ticks is 1970-01-01.
    auto ntfs = [](uint64_t m, uint64_t a, uint64_t c) {
        Bytes field = {0, 0, 0, 0, 1, 0, 24, 0};
        for (uint64_t t : {m, a, c}) {
            const uint64_t ticks = t == 0 ? 0 : 116444736000000000ull + t * 10000000ull;
            for (int i = 0; i < 8; ++i) field.push_back(static_cast<uint8_t>(ticks >> (8 * i)));
        }
        return field;
    };
    Bytes cut_ntfs = ntfs(10, 20, 30);
    cut_ntfs.pop_back();
    struct Case {
        const char* what;
        Bytes timestamp, ntfs;
        EntryTimes expected;
    };
    const Case cases[] = {
        {"none", {}, {}, {0, 0, 500}},
        {"directory copy: flags name three, one is stored", {7, 1, 0, 0, 0}, {}, {0, 0, 1}},
        {"access and creation only", {6, 2, 0, 0, 0, 3, 0, 0, 0}, {}, {3, 2, 500}},
        {"cut short", {7, 1, 0, 0, 0, 2, 0}, {}, {0, 0, 1}},
        {"negative seconds", {1, 0xFF, 0xFF, 0xFF, 0xFF}, {}, {0, 0, -1}},
        {"ntfs", {}, ntfs(10, 20, 30), {30, 20, 10}},
        {"ntfs unset creation", {}, ntfs(10, 20, 0), {0, 20, 10}},
        {"ntfs cut short", {}, cut_ntfs, {0, 0, 500}},
    };
    for (const Case& c : cases) {
        const EntryTimes times = EntryTimesFromExtraFields(c.timestamp, c.ntfs, 500);
        EXPECT_EQ(times.creation, c.expected.creation) << c.what;
        EXPECT_EQ(times.access, c.expected.access) << c.what;
        EXPECT_EQ(times.modification, c.expected.modification) << c.what;
    }
}

}  // namespace
