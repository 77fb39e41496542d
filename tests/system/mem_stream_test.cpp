// The memory stream: the seek rule that never reaches the length, growth on write, length
// changes, and what closing and reopening keep.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "system/mem_file_stream.h"

using namespace Tarn::File;

namespace {

std::string Contents(const CMemFileStream& stream) {
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

TEST(MemStream, NewStreamIsOpenEmptyAndStaysPut) {
    CMemFileStream stream;
    char buffer[4];
    EXPECT_TRUE(stream.IsEmpty());
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_TRUE(stream.CanRead());
    EXPECT_TRUE(stream.CanWrite());
    EXPECT_FALSE(stream.IsReadOnly());
    EXPECT_TRUE(stream.IsLittleEndian());
    EXPECT_EQ(stream.Do_Read(buffer, 4), 0);
    EXPECT_EQ(stream.Do_Seek(5, 0), 0);
    EXPECT_EQ(stream.Do_Seek(-5, 2), 0);
    EXPECT_EQ(stream.GetLength(), 0);
}

TEST(MemStream, SeekClampsToTheBytesPresent) {
    CMemFileStream stream;
    stream.Do_Write("0123456789", 10);
    EXPECT_EQ(stream.Do_Tell(), 10);  // only writing gets here
    struct Case {
        int64_t from, offset;
        int origin;
        int64_t to;
    };
    const Case cases[] = {
        {0, 3, 0, 3},
        {0, -5, 0, 0},
        {0, 100, 0, 9},
        {0, 0, 2, 9},  // the end is the last byte
        {0, -1, 2, 8},
        {0, 1, 2, 9},
        {4, 2, 1, 6},
        {4, -9, 1, 0},
        {4, 0, 3, 4},
        {4, 0, -1, 4},  // unknown origins leave the position alone
        {9, std::numeric_limits<int64_t>::max(), 1, 9},
        {9, std::numeric_limits<int64_t>::min(), 2, 0},
    };
    for (const Case& c : cases) {
        stream.Do_Seek(c.from, 0);
        EXPECT_EQ(stream.Do_Seek(c.offset, c.origin), c.to) << c.offset << " " << c.origin;
        EXPECT_EQ(stream.Do_Tell(), c.to);
    }
}

TEST(MemStream, ReadAfterSeekingToTheEndGetsTheLastByte) {
    CMemFileStream stream;
    stream.Do_Write("abc", 3);
    EXPECT_EQ(stream.Do_Seek(0, 2), 2);
    char buffer[10] = {};
    EXPECT_EQ(stream.Do_Read(buffer, 10), 1);
    EXPECT_EQ(buffer[0], 'c');
    EXPECT_EQ(stream.Do_Read(buffer, 10), 0);
}

TEST(MemStream, WriteOverwritesAndGrows) {
    CMemFileStream stream;
    stream.Do_Write("abcde", 5);
    stream.Do_Seek(3, 0);
    stream.Do_Write("XYZ", 3);
    EXPECT_EQ(Contents(stream), "abcXYZ");
    stream.Do_Seek(1, 0);
    stream.Do_Write("-", 1);
    EXPECT_EQ(Contents(stream), "a-cXYZ");
    stream.Do_Write("", 0);
    stream.Do_Write("q", -1);
    EXPECT_EQ(Contents(stream), "a-cXYZ");
    EXPECT_EQ(stream.Do_Tell(), 2);
}

TEST(MemStream, SetLengthKeepsThePositionOnAByte) {
    CMemFileStream stream;
    stream.Do_Write("abcde", 5);
    stream.Do_Seek(4, 0);
    EXPECT_TRUE(stream.Do_SetLength(2));
    EXPECT_EQ(stream.Do_Tell(), 1);
    EXPECT_TRUE(stream.SetLength(4));
    EXPECT_EQ(Contents(stream), std::string("ab\0\0", 4));
    EXPECT_EQ(stream.Do_Tell(), 1);
    EXPECT_TRUE(stream.Do_SetLength(0));
    EXPECT_EQ(stream.Do_Tell(), 0);
    EXPECT_FALSE(stream.Do_SetLength(-1));

    FileStreamStatus status;
    stream.Do_Write("xyz", 3);
    ASSERT_TRUE(stream.GetStatus(status));
    EXPECT_EQ(status.size, 3);
    EXPECT_EQ(status.flags, StatusReadable | StatusWritable);
    EXPECT_EQ(status.modification_time, 0);
}

TEST(MemStream, CloseKeepsTheBytesUnlessAskedToRemove) {
    CMemFileStream stream;
    stream.Do_Write("abc", 3);
    stream.Do_Close(false);
    EXPECT_EQ(Contents(stream), "abc");
    stream.Do_Close(true);
    EXPECT_TRUE(stream.IsEmpty());
    EXPECT_EQ(stream.Do_Tell(), 0);

    stream.Do_Write("abc", 3);
    EXPECT_TRUE(stream.Do_Open(u"ignored", ModeRead));
    EXPECT_TRUE(stream.IsEmpty());
    stream.Do_Write("abc", 3);
    EXPECT_TRUE(stream.Reset());
    EXPECT_TRUE(stream.IsEmpty());
    EXPECT_EQ(stream.Do_Tell(), 0);
}
