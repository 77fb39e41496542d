// Length-prefixed strings: the count's byte order, wide units, and counts that promise more than
// the stream holds.
#include <gtest/gtest.h>

#include <string>

#include "stream_test_support.h"
#include "system/ccfile_stream.h"
#include "system/mem_file_stream.h"

using namespace Tarn::File;
using Tarn::Test::ReadWholeFile;

namespace {

using PrefixedStrings = Tarn::Test::ScratchDirTest;

std::string Bytes(const CMemFileStream& stream) {
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

TEST_F(PrefixedStrings, CountIsBigEndianOnlyWithTheBigEndianFlagAlone) {
    struct Case {
        uint32_t flags;
        std::string count;
    };
    const Case cases[] = {
        {0, std::string("\x05\0\0\0", 4)},
        {ModeLittleEndian, std::string("\x05\0\0\0", 4)},
        {ModeBigEndian, std::string("\0\0\0\x05", 4)},
        {ModeLittleEndian | ModeBigEndian, std::string("\x05\0\0\0", 4)},
    };
    for (const Case& c : cases) {
        {
            CCFileStream stream;
            ASSERT_TRUE(stream.Do_Open(WidePath("p"), ModeCreateAlways | c.flags));
            stream.WriteString(std::string_view("hello"));
            // Wide units stay little-endian whatever the count's order.
            stream.WriteString(std::u16string_view(u"h\u00e9"));
        }
        const std::string wide_count =
            c.flags == ModeBigEndian ? std::string("\0\0\0\x02", 4) : std::string("\x02\0\0\0", 4);
        EXPECT_EQ(ReadWholeFile(Path("p")),
                  c.count + "hello" + wide_count + std::string("h\0\xE9\0", 4))
            << c.flags;

        CCFileStream reader;
        ASSERT_TRUE(reader.Do_Open(WidePath("p"), ModeRead | c.flags));
        std::string narrow;
        std::u16string wide;
        EXPECT_TRUE(reader.ReadString(narrow));
        EXPECT_TRUE(reader.ReadString(wide));
        EXPECT_EQ(narrow, "hello");
        EXPECT_EQ(wide, u"h\u00e9");
    }
}

TEST_F(PrefixedStrings, ZeroOrMissingCountReadsNothing) {
    CMemFileStream stream;
    std::string narrow = "stale";
    EXPECT_FALSE(stream.ReadString(narrow));  // nothing at all
    EXPECT_EQ(narrow, "");

    stream.WriteString(std::string_view(""));
    EXPECT_EQ(Bytes(stream), std::string(4, '\0'));
    stream.Do_Seek(0, 0);
    std::u16string wide = u"stale";
    EXPECT_FALSE(stream.ReadString(wide));
    EXPECT_EQ(wide, u"");

    stream.Reset();
    stream.Do_Write("\x01\0", 2);  // half a count
    stream.Do_Seek(0, 0);
    PrefixedString prefixed{"stale"};
    EXPECT_FALSE(stream.ReadString(prefixed));
    EXPECT_EQ(prefixed.text, "");
}

TEST_F(PrefixedStrings, CountBeyondTheDataIsAFailureWithWhatArrived) {
    CMemFileStream stream;
    // A damaged count of 4 G characters: read as far as the data goes, allocate no more.
    stream.Do_Write(
        "\xFF\xFF\xFF\xFF"
        "abc",
        7);
    stream.Do_Seek(0, 0);
    std::string narrow;
    EXPECT_FALSE(stream.ReadString(narrow));
    EXPECT_EQ(narrow, "abc");

    stream.Reset();
    stream.Do_Write(
        "\x03\0\0\0"
        "a\0b",
        7);  // three units promised, one and a half there
    stream.Do_Seek(0, 0);
    std::u16string wide;
    EXPECT_FALSE(stream.ReadString(wide));
    EXPECT_EQ(wide, u"a");
}
