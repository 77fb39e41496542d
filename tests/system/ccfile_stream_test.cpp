// Disk file streams: the modes table seen through creation, truncation and appending, temporary
// files and directories, positioning and length, status, renaming, and every failure path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "stream_test_support.h"
#include "system/ccfile_stream.h"
#include "system/utf.h"

using namespace Tarn::File;
using Tarn::System::Utf8ToWide;
using Tarn::System::WideToUtf8;
using Tarn::Test::LogTexts;
using Tarn::Test::ReadWholeFile;
using Tarn::Test::Utf8Path;
using Tarn::Test::WriteWholeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

// A UUID's text: lower-case hexadecimal digits in groups of 8-4-4-4-12. (GoogleTest's regular
// expressions on Windows know no character classes or counts.)
bool IsUuidText(const std::string& text) {
    static constexpr std::string_view kShape = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
    if (text.size() != kShape.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (kShape[i] == '-' ? c != '-' : !digit) return false;
    }
    return true;
}

struct ModeCase {
    const char* name;
    uint32_t mode;
    bool file_exists;  // the file holds "old" before the open
    bool opens;
    uint32_t stored_mode;
    const char* after;  // content after writing "n" at position 0; "-" for no file
    const char* log;    // the one log entry expected, or "" for none
};

// Each row says which stdio mode the stream chose: "a+b" appends, "w+b" truncates, "r+b" and
// "wb" overwrite in place, "rb" refuses the write.
const ModeCase kModeCases[] = {
    {"CreateNewMissing", ModeCreateNew, false, true, 0x13, "n", ""},
    {"CreateNewExisting", ModeCreateNew, true, false, 0x13, "old",
     "CCFileStream::Do_Open : File exists"},
    {"DefaultMissing", ModeUseDefault, false, true, 0x2F, "n", ""},
    {"DefaultExistingAppends", ModeUseDefault, true, true, 0x2F, "oldn", ""},
    {"OpenAlwaysWinsOverCreateAlways", ModeOpenAlways | ModeCreateAlways, true, true, 0x63, "oldn",
     ""},
    {"CreateAlwaysTruncates", ModeCreateAlways, true, true, 0x43, "n", ""},
    {"ReadWriteExisting", ModeRead | ModeWrite, true, true, 0x3, "nld", ""},
    {"ReadWriteMissing", ModeRead | ModeWrite, false, false, 0x3, "-",
     "CCFileStream::Do_Open : No such file or directory"},
    {"WriteOnlyDoesNotTruncate", ModeWrite, true, true, 0x2, "nld", ""},
    {"WriteOnlyMissing", ModeWrite, false, false, 0x2, "-",
     "CCFileStream::Do_Open : No such file or directory"},
    {"ReadOnlyRefusesWrites", ModeRead, true, true, 0x1, "old", "Error: CCPFstream write"},
    {"ReadOnlyMissing", ModeRead, false, false, 0x1, "-",
     "CCFileStream::Do_Open : No such file or directory"},
};

void PrintTo(const ModeCase& c, std::ostream* out) {
    *out << c.name;
}

class StreamModes : public Tarn::Test::ScratchDirTest,
                    public ::testing::WithParamInterface<ModeCase> {};

// Drops root's right to write anything for the life of the object, so permission bits count.
// The real user changes too, as access(2) asks about it; the saved one brings root back.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser() : was_root_(::geteuid() == 0) {
        if (was_root_) dropped_ = ::setresuid(65534, 65534, 0) == 0;
    }
    ~AsUnprivilegedUser() {
        if (dropped_) {
            EXPECT_EQ(::setresuid(0, 0, 0), 0);
        }
    }
    bool Ok() const { return !was_root_ || dropped_; }

private:
    bool was_root_;
    bool dropped_ = false;
};

}  // namespace

TEST_P(StreamModes, OpenCreatesTruncatesOrAppendsAsTheModeSays) {
    const ModeCase& c = GetParam();
    const std::string path = Path("f.bin");
    if (c.file_exists) WriteWholeFile(path, "old");
    {
        CCFileStream stream;
        EXPECT_EQ(stream.Do_Open(Utf8ToWide(path), c.mode), c.opens);
        EXPECT_EQ(stream.IsOpen(), c.opens);
        EXPECT_EQ(stream.OpenMode(), c.stored_mode);
        if (c.opens) {
            EXPECT_EQ(stream.Do_Seek(0, 0), 0);
            stream.Do_Write("n", 1);
        }
        stream.Do_Close(false);
        if (*c.log) {
            EXPECT_THAT(LogTexts(stream.MessageLog()), ElementsAre(c.log));
            EXPECT_TRUE(stream.MessageLog().HasError());
        } else {
            EXPECT_TRUE(stream.MessageLog().Items().empty());
        }
    }
    if (std::strcmp(c.after, "-") == 0) {
        EXPECT_FALSE(fs::exists(path));
    } else {
        EXPECT_EQ(ReadWholeFile(path), c.after);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, StreamModes, ::testing::ValuesIn(kModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

using DiskStream = Tarn::Test::ScratchDirTest;

TEST_F(DiskStream, ModeQueriesFollowTheStoredWord) {
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("q"), ModeCreateAlways | ModeOption | ModeBigEndian));
    EXPECT_TRUE(stream.CanRead());
    EXPECT_TRUE(stream.CanWrite());
    EXPECT_FALSE(stream.IsReadOnly());
    EXPECT_TRUE(stream.IsCreateMode());
    EXPECT_TRUE(stream.HasModeOption());
    EXPECT_TRUE(stream.IsBigEndian());
    EXPECT_FALSE(stream.IsLittleEndian());
    ASSERT_TRUE(stream.Do_Open(WidePath("q"), ModeRead | ModeLittleEndian | ModeBigEndian));
    EXPECT_TRUE(stream.IsReadOnly());
    EXPECT_FALSE(stream.IsCreateMode());
    EXPECT_FALSE(stream.HasModeOption());
    EXPECT_TRUE(stream.IsLittleEndian());
    EXPECT_FALSE(stream.IsBigEndian());
}

TEST_F(DiskStream, EmptyPathOpensAUuidNamedFileInTheTempDirectory) {
    CCFileStream stream;
    stream.SetTempDirectory(WideDir());
    ASSERT_EQ(stream.GetTempDirectory(), WideDir());
    ASSERT_TRUE(stream.Do_Open(u"", ModeCreateAlways | ModeRemoveOnClose));
    EXPECT_EQ(stream.Path().Folder(), WideDir());
    EXPECT_TRUE(IsUuidText(WideToUtf8(stream.Path().NameAndExtension())))
        << WideToUtf8(stream.Path().NameAndExtension());
    EXPECT_TRUE(fs::exists(WideToUtf8(stream.Path().FullPath())));

    // Without a directory of its own the stream uses TMPDIR.
    CCFileStream plain;
    ASSERT_TRUE(plain.Do_Open(u"", ModeCreateAlways | ModeRemoveOnClose));
    EXPECT_EQ(fs::path(WideToUtf8(plain.Path().FolderNoSlash())),
              fs::path(::testing::TempDir()).parent_path());
}

TEST_F(DiskStream, TempDirectoryMustExistAndTakeFiles) {
    CCFileStream stream;
    fs::create_directory(Path("sub"));
    WriteWholeFile(Path("plain"), "x");

    fs::current_path(dir_);
    stream.SetTempDirectory(u"sub");  // relative: made absolute
    EXPECT_EQ(stream.GetTempDirectory(), WideDir() + u"sub/");
    EXPECT_TRUE(fs::is_empty(Path("sub")));  // the probe file is gone

    stream.SetTempDirectory(WidePath("missing"));
    EXPECT_EQ(stream.GetTempDirectory(), u"");
    stream.SetTempDirectory(WidePath("sub"));
    stream.SetTempDirectory(WidePath("plain"));
    EXPECT_EQ(stream.GetTempDirectory(), u"");
    stream.SetTempDirectory(WidePath("sub"));
    stream.SetTempDirectory(u"");
    EXPECT_EQ(stream.GetTempDirectory(), u"");

#ifndef _WIN32  // a directory's read-only attribute keeps no new file out on Windows
    fs::permissions(Path("sub"), fs::perms::owner_read | fs::perms::owner_exec);
    {
        AsUnprivilegedUser user;
        if (!user.Ok()) GTEST_SKIP() << "cannot drop root rights";
        stream.SetTempDirectory(WidePath("sub"));
        EXPECT_EQ(stream.GetTempDirectory(), u"");
    }
#endif
}

TEST_F(DiskStream, TempFilePathWithPrefixIsUniqueAndLeavesNoFile) {
    CCFileStream stream;
    stream.SetTempDirectory(WideDir());
    const std::u16string first = stream.MakeTempFilePath(u"ghx");
    const std::u16string second = stream.MakeTempFilePath(u"ghx");
    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(0, WideDir().size() + 3), WideDir() + u"ghx");
    EXPECT_FALSE(fs::exists(WideToUtf8(first)));
    EXPECT_TRUE(fs::is_empty(dir_));
    EXPECT_EQ(stream.MakeTempFilePath(u"").size(), WideDir().size() + 36);
}

TEST_F(DiskStream, SeekTellAndLength) {
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("s"), ModeCreateAlways));
    stream.Do_Write("0123456789", 10);
    EXPECT_EQ(stream.Do_Tell(), 10);
    EXPECT_EQ(stream.GetLength(), 10);
    EXPECT_EQ(stream.Do_Tell(), 10);
    EXPECT_EQ(stream.Do_Seek(3, 0), 3);
    EXPECT_EQ(stream.Do_Seek(2, 1), 5);
    EXPECT_EQ(stream.Do_Seek(-2, 2), 8);
    EXPECT_EQ(stream.Do_Seek(4, 2), 14);  // past the end is a valid position for a file
    EXPECT_TRUE(stream.MessageLog().Items().empty());

    EXPECT_EQ(stream.Do_Seek(0, 3), -1);
    EXPECT_EQ(stream.Do_Seek(0, -1), -1);
    EXPECT_EQ(stream.Do_Seek(-1, 0), -1);
    EXPECT_THAT(LogTexts(stream.MessageLog()),
                ElementsAre("CCFileStream::Do_Seek: Invalid seek method",
                            "CCFileStream::Do_Seek: Invalid seek method",
                            "CCFileStream::Do_Seek: : Invalid argument"));
}

TEST_F(DiskStream, SetLengthTruncatesOrExtendsAndKeepsAValidPosition) {
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("l"), ModeCreateAlways));
    stream.Do_Write("0123456789", 10);  // buffered: the truncation must not be undone later
    EXPECT_TRUE(stream.SetLength(4));
    EXPECT_EQ(stream.Do_Tell(), 4);  // was 10, past the new end
    EXPECT_EQ(stream.Do_Seek(2, 0), 2);
    EXPECT_TRUE(stream.Do_SetLength(6));
    EXPECT_EQ(stream.Do_Tell(), 2);
    stream.Do_Close(false);
    EXPECT_EQ(ReadWholeFile(Path("l")), std::string("0123\0\0", 6));

    ASSERT_TRUE(stream.Do_Open(WidePath("l"), ModeRead));
    EXPECT_FALSE(stream.Do_SetLength(1));
    EXPECT_EQ(stream.GetLength(), 6);
    EXPECT_FALSE(stream.Do_SetLength(-1));
    EXPECT_THAT(LogTexts(stream.MessageLog()),
                ElementsAre(HasSubstr("CCFileStream::Do_SetLength: : "),
                            "CCFileStream::Do_SetLength: : Invalid argument"));
}

TEST_F(DiskStream, ReadsAndWritesMayAlternateWithoutASeek) {
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("rw"), ModeCreateAlways));
    stream.Do_Write("abcd", 4);
    stream.Do_Seek(0, 0);
    char c = 0;
    EXPECT_EQ(stream.Do_Read(&c, 1), 1);
    EXPECT_EQ(c, 'a');
    stream.Do_Write("X", 1);
    EXPECT_EQ(stream.Do_Read(&c, 1), 1);
    EXPECT_EQ(c, 'c');
    stream.Do_Close(false);
    EXPECT_EQ(ReadWholeFile(Path("rw")), "aXcd");
    EXPECT_TRUE(stream.MessageLog().Items().empty());
}

TEST_F(DiskStream, ReadAtTheEndGivesAShortCountWithoutError) {
    WriteWholeFile(Path("r"), "abc");
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("r"), ModeRead));
    char buffer[8] = {};
    EXPECT_EQ(stream.Do_Read(buffer, 0), 0);
    EXPECT_EQ(stream.Do_Read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(stream.Do_Read(buffer, 8), 0);
    EXPECT_TRUE(stream.MessageLog().Items().empty());
}

TEST_F(DiskStream, ClosedStreamAnswersFailureAndLogsEachCall) {
    CCFileStream stream;
    char buffer[4];
    FileStreamStatus status;
    status.size = 99;
    EXPECT_TRUE(stream.IsEmpty());
    EXPECT_EQ(stream.Do_Read(buffer, 4), 0);
    stream.Do_Write("abcd", 4);
    EXPECT_EQ(stream.Do_Seek(0, 0), -1);
    EXPECT_EQ(stream.Do_Tell(), -1);
    EXPECT_EQ(stream.GetLength(), -1);
    EXPECT_FALSE(stream.SetLength(0));
    EXPECT_FALSE(stream.GetStatus(status));
    EXPECT_EQ(status.size, 0);
    stream.Do_Flush();
    stream.ReopenHandle();
    EXPECT_THAT(LogTexts(stream.MessageLog()),
                ElementsAre("Error: CCPFstream read", "Error: CCPFstream write",
                            "CCFileStream::Do_Seek: : Bad file descriptor",
                            "CCFileStream::Do_Tell : Bad file descriptor",
                            "CCFileStream::Do_Tell : Bad file descriptor",
                            "CCFileStream::Do_SetLength: : Bad file descriptor"));
    EXPECT_TRUE(stream.MessageLog().HasError());
}

TEST_F(DiskStream, FileThatVanishesWhileOpen) {
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("v"), ModeCreateAlways));
    stream.Do_Write("abc", 3);
    fs::remove(Path("v"));

    // The open file lives on until it is closed; only what goes by name fails.
    stream.Do_Seek(0, 0);
    char buffer[3];
    EXPECT_EQ(stream.Do_Read(buffer, 3), 3);
    FileStreamStatus status;
    EXPECT_FALSE(stream.GetStatus(status));
    EXPECT_FALSE(stream.Rename(stream.Path(), FilePath(WidePath("w"))));
    stream.Do_Close(true);
    EXPECT_FALSE(stream.IsOpen());

    EXPECT_THAT(LogTexts(stream.MessageLog()),
                ElementsAre("Could not rename " + Path("v") +
                                ", cause CCFileStream::Rename : No such file or directory",
                            "CCFileStream remove file : No such file or directory"));
    EXPECT_EQ(stream.MessageLog().Items()[0]->Code(), 0x101008u);
    EXPECT_EQ(stream.MessageLog().Items()[1]->Code(), 0x1008u);
}

TEST_F(DiskStream, ReadOnlyFileOpenedForWriting) {
    WriteWholeFile(Path("ro"), "keep");
    fs::permissions(Path("ro"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    AsUnprivilegedUser user;
    if (!user.Ok()) GTEST_SKIP() << "cannot drop root rights";
    if (::access(Path("ro").c_str(), R_OK) != 0) GTEST_SKIP() << "scratch directory out of reach";
    for (const uint32_t mode : {ModeWrite, ModeRead | ModeWrite, ModeCreateAlways, 0xFFFFFFFFu}) {
        CCFileStream stream;
        EXPECT_FALSE(stream.Do_Open(WidePath("ro"), mode)) << mode;
        EXPECT_THAT(LogTexts(stream.MessageLog()),
                    ElementsAre("CCFileStream::Do_Open : Permission denied"));
    }
    CCFileStream reader;
    EXPECT_TRUE(reader.Do_Open(WidePath("ro"), ModeRead));
    FileStreamStatus status;
    ASSERT_TRUE(reader.GetStatus(status));
    EXPECT_EQ(status.flags, StatusReadable);
    reader.Do_Close(false);
    EXPECT_EQ(ReadWholeFile(Path("ro")), "keep");
}

TEST_F(DiskStream, DirectoryIsNoFile) {
    CCFileStream stream;
    EXPECT_FALSE(stream.Do_Open(WideDir(), ModeRead));
    EXPECT_THAT(LogTexts(stream.MessageLog()),
                ElementsAre("CCFileStream::Do_Open : Is a directory"));
}

TEST_F(DiskStream, RemoveOnCloseLeavesNoFileAndSparesOthersFiles) {
    {
        CCFileStream stream;
        ASSERT_TRUE(stream.Do_Open(WidePath("t1"), ModeCreateAlways | ModeRemoveOnClose));
        stream.Do_Write("x", 1);
        EXPECT_TRUE(fs::exists(Path("t1")));
    }
    EXPECT_FALSE(fs::exists(Path("t1")));

    CCFileStream closed_early;
    ASSERT_TRUE(closed_early.Do_Open(WidePath("t2"), ModeCreateNew | ModeRemoveOnClose));
    closed_early.Do_Close(false);
    EXPECT_FALSE(fs::exists(Path("t2")));

    // A file this stream failed to create is not its own to remove.
    WriteWholeFile(Path("t3"), "precious");
    {
        CCFileStream refused;
        EXPECT_FALSE(refused.Do_Open(WidePath("t3"), ModeCreateNew | ModeRemoveOnClose));
    }
    EXPECT_EQ(ReadWholeFile(Path("t3")), "precious");
    EXPECT_TRUE(closed_early.MessageLog().Items().empty());
}

TEST_F(DiskStream, CloseWithRemoveDeletesTheFile) {
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("d"), ModeCreateAlways));
    stream.Do_Close(true);
    EXPECT_FALSE(fs::exists(Path("d")));
    EXPECT_TRUE(stream.MessageLog().Items().empty());
}

TEST_F(DiskStream, StatusCountsBufferedBytesAndReportsAttributes) {
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath(".hidden"), ModeCreateAlways));
    stream.Do_Write("12345", 5);
    FileStreamStatus status;
    ASSERT_TRUE(stream.GetStatus(status));
    EXPECT_EQ(status.size, 5);
    EXPECT_EQ(status.creation_time, 0);
    EXPECT_NEAR(static_cast<double>(status.modification_time), static_cast<double>(time(nullptr)),
                60);
    EXPECT_EQ(status.flags, StatusHidden | StatusReadable | StatusWritable);
}

TEST_F(DiskStream, RenameMovesTheFile) {
    WriteWholeFile(Path("a.txt"), "x");
    CCFileStream stream;
    EXPECT_TRUE(stream.Rename(FilePath(WidePath("a.txt")), FilePath(WidePath("b.txt"))));
    EXPECT_EQ(ReadWholeFile(Path("b.txt")), "x");
    EXPECT_FALSE(fs::exists(Path("a.txt")));
}

TEST_F(DiskStream, ReadingFindsANameThatDiffersOnlyInCase) {
    WriteWholeFile(Path("Terrain.LUT"), "lut");
    CCFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("terrain.lut"), ModeRead));
    EXPECT_EQ(stream.Path().NameAndExtension(), u"Terrain.LUT");
    FileStreamStatus status;
    EXPECT_TRUE(stream.GetStatus(status));
    // Creating never takes another file's place.
    CCFileStream writer;
    ASSERT_TRUE(writer.Do_Open(WidePath("terrain.lut"), ModeCreateNew));
    EXPECT_TRUE(fs::exists(Path("terrain.lut")));
}

TEST_F(DiskStream, NonAsciiPaths) {
    CCFileStream stream;
    const std::u16string path = WideDir() + u"h\u00f6he \u6f22.grd";
    ASSERT_TRUE(stream.Do_Open(path, ModeCreateAlways));
    stream.Do_Close(false);
    EXPECT_TRUE(fs::exists(Utf8Path(Path("h\xC3\xB6he \xE6\xBC\xA2.grd"))));
}
