// The archive entry stream: new entries stored at close, changed entries written back beside
// their neighbours, finding entries with wildcards, buffered and direct reads and seeks, status,
// and hostile archives seen through the stream.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "system/file_stream_factory.h"
#include "system/stream_classes.h"
#include "system/zip_file_stream.h"
#include "tests/system/stream_test_support.h"
#include "zip_fixtures.h"

using namespace Tarn::File;
using Tarn::Test::FixtureEntry;
using Tarn::Test::MakeArchive;
using Tarn::Test::ReadArchive;
using Tarn::Test::ReadWholeFile;
using Tarn::Test::WriteWholeFile;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kDirect = ModeRead | ModeArchiveDirect;

class ZipFileStream : public Tarn::Test::ScratchDirTest {
protected:
    // The path of `inner` inside the archive a.zip of the scratch directory.
    std::u16string Entry(const std::string& inner) const { return WidePath("a.zip/" + inner); }

    static std::string ReadRest(IFileStream& stream, int64_t count) {
        std::string bytes(static_cast<size_t>(count), '\0');
        bytes.resize(static_cast<size_t>(stream.Do_Read(bytes.data(), count)));
        return bytes;
    }
};

TEST_F(ZipFileStream, NewEntryIsStoredWhenTheStreamGoes) {
    {
        CZipFileStream stream;
        ASSERT_TRUE(stream.Do_Open(Entry("sub/e.bin"), ModeCreateAlways));
        EXPECT_TRUE(stream.IsOpen());
        EXPECT_FALSE(fs::exists(Path("a.zip")));
        stream.Do_Write("xyz", 3);  // no room yet: the buffer does not grow by writing
        EXPECT_EQ(stream.Do_Tell(), 0);
        EXPECT_TRUE(stream.Do_SetLength(3));
        stream.Do_Write("abcd", 4);
        EXPECT_EQ(stream.Do_Tell(), 3);
        EXPECT_EQ(stream.Do_GetLength(), 3);
        FileStreamStatus status;
        EXPECT_FALSE(stream.GetStatus(status));
        EXPECT_FALSE(fs::exists(Path("a.zip")));
    }
    EXPECT_THAT(ReadArchive(Path("a.zip")), ElementsAre(Pair("sub/e.bin", "abc")));
}

TEST_F(ZipFileStream, CreationModesAndClosingWithRemove) {
    MakeArchive(Path("a.zip"), {{"old.txt", "old"}});
    CZipFileStream stream;
    // An existing archive is replaced whole by "create always", and kept by "create new".
    EXPECT_FALSE(stream.Do_Open(Entry("new.txt"), ModeCreateNew));
    EXPECT_FALSE(stream.IsOpen());
    ASSERT_TRUE(stream.Do_Open(Entry("new.txt"), ModeCreateAlways));
    stream.Do_SetLength(1);
    stream.Do_Write("n", 1);
    stream.Do_Close(true);  // discards the new entry
    EXPECT_THAT(ReadArchive(Path("a.zip")), ElementsAre(Pair("old.txt", "old")));
    ASSERT_TRUE(stream.Do_Open(Entry("new.txt"), ModeCreateAlways));
    stream.Do_SetLength(1);
    stream.Do_Write("n", 1);
    // Opening again closes first, which stores the entry.
    ASSERT_TRUE(stream.Do_Open(Entry("new.txt"), ModeRead));
    EXPECT_EQ(ReadRest(stream, 10), "n");
    EXPECT_THAT(ReadArchive(Path("a.zip")), ElementsAre(Pair("new.txt", "n")));
    EXPECT_TRUE(stream.Do_Open(WidePath("b.zip/e.txt"), ModeCreateNew));  // no archive yet
}

TEST_F(ZipFileStream, FindsEntriesByNameAndWildcards) {
    MakeArchive(Path("a.zip"), {{"dir/"},
                                {"readme", "readme"},
                                {"data/one.txt", "one"},
                                {"data/Two.TXT", "two"},
                                {"x.bin", "x"}});
    WriteWholeFile(Path("plain.txt"), "not an archive");
    const std::pair<std::string, const char*> cases[] = {
        {"*", "readme"},  // the first file entry: the directory before it does not count
        {"*.*", "readme"},
        {"*.txt", "one"},
        {"*.TXT", "one"},  // extensions compare ignoring case
        {"two.*", "two"},
        {"*.bin", "x"},
        {"data/one.txt", "one"},
        {"DATA/ONE.TXT", "one"},  // no exact match: the name equal ignoring case
        {"*.doc", nullptr},
        {"missing.txt", nullptr},
        {"dir", nullptr},
        {"", nullptr},
    };
    for (const auto& [inner, expected] : cases) {
        CZipFileStream stream;
        EXPECT_EQ(stream.Do_Open(Entry(inner), ModeRead), expected != nullptr) << inner;
        if (expected) {
            EXPECT_EQ(ReadRest(stream, 100), expected) << inner;
        }
    }
    CZipFileStream stream;
    EXPECT_FALSE(stream.Do_Open(WidePath("missing.zip/readme"), ModeRead));
    EXPECT_FALSE(stream.Do_Open(WidePath("plain.txt"), ModeRead));  // no archive in the path
    EXPECT_FALSE(stream.Do_Open(WidePath("A.ZIP/readme"), ModeRead | ModeWrite));
    EXPECT_TRUE(stream.Do_Open(WidePath("A.ZIP/readme"), ModeRead));  // archive found ignoring case
}

class ZipFileStreamReads : public ZipFileStream, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(ZipFileStreamReads, SeeksStayInsideTheEntry) {
    MakeArchive(Path("a.zip"), {{"e.txt", "0123456789"}});
    CZipFileStream stream;
    ASSERT_TRUE(stream.Do_Open(Entry("e.txt"), GetParam()));
    EXPECT_EQ(stream.Do_GetLength(), 10);
    EXPECT_EQ(stream.Do_Seek(0, 2), 9);  // the end is the last byte
    EXPECT_EQ(ReadRest(stream, 5), "9");
    EXPECT_EQ(stream.Do_Tell(), 10);
    EXPECT_EQ(ReadRest(stream, 5), "");
    EXPECT_EQ(stream.Do_Seek(3, 0), 3);
    EXPECT_EQ(stream.Do_Seek(2, 1), 5);
    EXPECT_EQ(ReadRest(stream, 2), "56");
    for (const auto& [offset, origin] : std::initializer_list<std::pair<int64_t, int>>{
             {10, 0}, {-1, 0}, {1, 2}, {-8, 1}, {INT64_MAX, 1}, {0, 3}}) {
        EXPECT_EQ(stream.Do_Seek(offset, origin), 7) << offset << " from " << origin;
    }
    EXPECT_EQ(stream.Do_Seek(-6, 1), 1);  // backward
    EXPECT_EQ(ReadRest(stream, 3), "123");
    stream.Do_Write("x", 1);
    EXPECT_EQ(stream.Do_Tell(), 4);
    EXPECT_FALSE(stream.Do_SetLength(20));
    stream.Do_Close(false);
    EXPECT_EQ(stream.Do_GetLength(), 0);
    EXPECT_EQ(ReadRest(stream, 5), "");
}

TEST_P(ZipFileStreamReads, StatusComesFromTheEntry) {
    // Extended timestamp: modification, access and creation time.
    const std::string timestamp("\x07\x10\x00\x00\x00\x20\x00\x00\x00\x30\x00\x00\x00", 13);
    MakeArchive(Path("a.zip"), {{"e.txt", "abc", true, 0, timestamp}});
    CZipFileStream stream;
    ASSERT_TRUE(stream.Do_Open(Entry("e.txt"), GetParam()));
    FileStreamStatus status;
    ASSERT_TRUE(stream.GetStatus(status));
    EXPECT_EQ(status.modification_time, 0x10);
    EXPECT_EQ(status.access_time, 0x20);
    EXPECT_EQ(status.creation_time, 0x30);
    EXPECT_EQ(status.size, 3);
    EXPECT_EQ(status.flags & (StatusReadable | StatusReadOnly | StatusWritable | StatusDirectory),
              StatusReadable | StatusReadOnly);
}

INSTANTIATE_TEST_SUITE_P(BufferedAndDirect, ZipFileStreamReads,
                         ::testing::Values(ModeRead, kDirect), [](const auto& info) {
                             return info.param == ModeRead ? "Buffered" : "Direct";
                         });

TEST_F(ZipFileStream, DirectReadsGoingBackMatchTheBufferedBytes) {
    // Over three of the stream's 64 KiB skip steps, so that seeks cross them.
    const std::string bytes = Tarn::Test::NoiseBytes(200000);
    MakeArchive(Path("a.zip"), {{"e.bin", bytes}});
    CZipFileStream buffered, direct;
    ASSERT_TRUE(buffered.Do_Open(Entry("e.bin"), ModeRead));
    ASSERT_TRUE(direct.Do_Open(Entry("e.bin"), kDirect));
    EXPECT_EQ(ReadRest(direct, 150000), bytes.substr(0, 150000));
    for (const int64_t at : {70000, 140000, 0, 199990, 65536}) {
        EXPECT_EQ(direct.Do_Seek(at, 0), at);
        EXPECT_EQ(buffered.Do_Seek(at, 0), at);
        EXPECT_EQ(ReadRest(direct, 1000), ReadRest(buffered, 1000)) << at;
    }
    EXPECT_EQ(direct.Do_Seek(-1, 2), 199998);
    EXPECT_EQ(ReadRest(direct, 10), bytes.substr(199998));
}

TEST_F(ZipFileStream, ChangedEntryIsWrittenBackBesideItsNeighbours) {
    MakeArchive(Path("a.zip"), {{"one", "1111"}, {"sub\\two", "2222", true}, {"three", "3333"}});
    const std::string before = ReadWholeFile(Path("a.zip"));
    {
        CZipFileStream stream;
        ASSERT_TRUE(stream.Do_Open(Entry("sub/two"), ModeRead | ModeWrite));
        EXPECT_EQ(ReadRest(stream, 2), "22");
        FileStreamStatus status;
        EXPECT_FALSE(stream.GetStatus(status));
        stream.Do_Close(false);  // read only: the archive is not rewritten
        EXPECT_EQ(ReadWholeFile(Path("a.zip")), before);

        ASSERT_TRUE(stream.Do_Open(Entry("sub/two"), ModeRead | ModeWrite));
        stream.Do_Write("xx", 2);
        stream.Do_Close(true);  // changes dropped
        EXPECT_EQ(ReadWholeFile(Path("a.zip")), before);

        ASSERT_TRUE(stream.Do_Open(Entry("sub/two"), ModeUseDefault));
        EXPECT_TRUE(stream.Do_SetLength(6));
        EXPECT_EQ(stream.Do_Seek(0, 2), 5);
        stream.Do_Write("!", 1);
        stream.Do_Seek(0, 0);
        stream.Do_Write("ab", 2);
    }
    // The entry keeps the name it had ("\" and all); the others keep their bytes.
    EXPECT_THAT(ReadArchive(Path("a.zip")),
                ElementsAre(Pair("one", "1111"), Pair("sub\\two", std::string("ab22\0!", 6)),
                            Pair("three", "3333")));
}

TEST_F(ZipFileStream, RegisteredWithTheFactory) {
    Tarn::System::RegisterStreamClasses();
    const auto stream = CFileStreamFactory::Instance().Create("CZipFileStream");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->GetClassName(), "CZipFileStream");
    EXPECT_FALSE(stream->IsOpen());
    EXPECT_FALSE(stream->IsEmpty());
    EXPECT_TRUE(stream->IsKindOf("CFileStream", true));
    EXPECT_TRUE(stream->IsKindOf("IFileStream", true));
    EXPECT_FALSE(stream->IsKindOf("CFileStream", false));
    EXPECT_FALSE(stream->IsKindOf("CCFileStream", true));
}

// Damaged and hostile archives through the stream, read into memory and straight: nothing opens
// that cannot be read whole, and a direct read never counts bytes that did not arrive.
class HostileArchiveStream : public ZipFileStream {
protected:
    void Make(const std::string& name, void (*damage)(std::string&)) {
        std::string lines;
        for (int i = 0; lines.size() < 5000; ++i) lines += "line " + std::to_string(i) + "\n";
        lines.resize(5000);
        MakeArchive(Path("a.zip"), {{name, lines}});
        std::string bytes = ReadWholeFile(Path("a.zip"));
        damage(bytes);
        WriteWholeFile(Path("a.zip"), bytes);
    }
};

TEST_F(HostileArchiveStream, RefusedEntriesOpenInNoMode) {
    struct Case {
        const char* what;
        const char* entry;
        void (*damage)(std::string&);
    };
    const Case cases[] = {
        {"truncated", "e.bin", [](std::string& a) { a.resize(a.size() / 2); }},
        {"encrypted", "e.bin", [](std::string& a) { Tarn::Test::AddFirstEntryFlags(a, 1); }},
        {"enormous size", "e.bin",
         [](std::string& a) { Tarn::Test::PatchFirstEntrySize(a, 0xFFFFFFF0u); }},
        {"parent name", "../e.bin", [](std::string&) {}},
        {"absolute name", "/tmp/e.bin", [](std::string&) {}},
    };
    for (const Case& c : cases) {
        Make(c.entry, c.damage);
        const std::string before = ReadWholeFile(Path("a.zip"));
        for (const uint32_t mode : {ModeRead, kDirect, ModeRead | ModeWrite}) {
            for (const char* inner : {"*", "*.bin", "e.bin", "../e.bin"}) {
                CZipFileStream stream;
                EXPECT_FALSE(stream.Do_Open(Entry(inner), mode))
                    << c.what << " " << inner << " mode " << mode;
            }
        }
        EXPECT_EQ(ReadWholeFile(Path("a.zip")), before) << c.what;
    }
}

TEST_F(HostileArchiveStream, DamagedDataFailsTheBufferedOpenAndReadsShortDirectly) {
    Make("e.bin", [](std::string& a) { Tarn::Test::PatchFirstEntrySize(a, 9000); });
    CZipFileStream stream;
    EXPECT_FALSE(stream.Do_Open(Entry("e.bin"), ModeRead));
    ASSERT_TRUE(stream.Do_Open(Entry("e.bin"), kDirect));
    EXPECT_EQ(stream.Do_GetLength(), 9000);
    std::string bytes(9000, '\0');
    EXPECT_EQ(stream.Do_Read(bytes.data(), 9000), 5000);  // what the data holds, not the claim
    EXPECT_EQ(stream.Do_Tell(), 5000);
    EXPECT_EQ(stream.Do_Read(bytes.data(), 9000), 0);
}

TEST_F(HostileArchiveStream, NamesLeavingTheArchiveAreNotWritten) {
    for (const char* inner : {"../evil.txt", "sub/../../evil.txt", "/tmp/evil.txt"}) {
        CZipFileStream stream;
        EXPECT_FALSE(stream.Do_Open(Entry(inner), ModeCreateAlways)) << inner;
    }
    EXPECT_FALSE(fs::exists(Path("a.zip")));
    EXPECT_FALSE(fs::exists(Path("evil.txt")));
}

}  // namespace
