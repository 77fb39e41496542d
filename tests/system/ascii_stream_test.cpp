// Text-line streams: CR LF trimming, the 2047-character chunks and the 65535 limit, wide files,
// and which string operations are lines and which stay length-prefixed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stream_test_support.h"
#include "system/ascii_cfile_stream.h"

using namespace Tarn::File;
using Tarn::Test::ReadWholeFile;
using Tarn::Test::WriteWholeFile;
using ::testing::ElementsAreArray;

namespace {

class TextStream : public Tarn::Test::ScratchDirTest {
protected:
    // Every line of `bytes`, read with ReadLine until it answers false.
    std::vector<std::string> ReadLines(const std::string& bytes) {
        WriteWholeFile(Path("in.txt"), bytes);
        CASCIICFileStream stream;
        EXPECT_TRUE(stream.Do_Open(WidePath("in.txt"), ModeRead));
        std::vector<std::string> lines;
        std::string line = "stale";
        while (stream.ReadLine(line)) lines.push_back(line);
        EXPECT_EQ(line, "");
        EXPECT_TRUE(stream.MessageLog().Items().empty());
        return lines;
    }

    std::vector<std::u16string> ReadWideLines(const std::string& bytes, uint32_t mode) {
        WriteWholeFile(Path("in.txt"), bytes);
        CASCIICFileStream stream;
        EXPECT_TRUE(stream.Do_Open(WidePath("in.txt"), mode));
        std::vector<std::u16string> lines;
        std::u16string line;
        while (stream.ReadLine(line)) lines.push_back(line);
        return lines;
    }

    // What a stream opened with `mode` leaves in a new file after `write` ran on it.
    template <typename Write>
    std::string Written(uint32_t mode, Write write) {
        CASCIICFileStream stream;
        EXPECT_TRUE(stream.Do_Open(WidePath("out.txt"), ModeCreateAlways | mode));
        write(stream);
        stream.Do_Close(false);
        return ReadWholeFile(Path("out.txt"));
    }
};

std::string Utf16Le(std::u16string_view text) {
    std::string bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

}  // namespace

TEST_F(TextStream, LineEndsAreTrimmed) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a\r\n", {"a"}},
        {"\r\n", {""}},  // an empty line is still a line
        {"", {}},
        {"x\ny", {"x", "y"}},  // a last line without its end
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\r\r\n \t\r\n", {"a", " \t"}},  // every trailing CR goes, blanks stay
        {"a\rb\r\n", {"a\rb"}},            // a lone CR inside a line is text
        {std::string("n\0ul\n", 5), {std::string("n\0ul", 4)}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadLines(c.bytes), c.lines) << c.bytes;
}

TEST_F(TextStream, LongLinesCrossChunksWholeUpTo65535) {
    // 2046 + CR fills one chunk exactly and leaves the LF for the next; 2047 and 2048 put the
    // chunk border right before and after the line end.
    for (const size_t length : {2046u, 2047u, 2048u, 4094u, 65534u, 65535u}) {
        const std::string text(length, 'a');
        EXPECT_EQ(ReadLines(text + "\r\n" + "b\r\n"), (std::vector<std::string>{text, "b"}))
            << length;
    }
}

TEST_F(TextStream, LineOf70000CharactersComesInTwoCalls) {
    // The first call stops after the chunk that passes 65535: 33 chunks of 2047.
    const std::string text = std::string(67551, 'a') + std::string(2449, 'b');
    EXPECT_EQ(ReadLines(text + "\r\nnext\r\n"),
              (std::vector<std::string>{std::string(67551, 'a'), std::string(2449, 'b'), "next"}));
}

TEST_F(TextStream, WideFilesReadInUnitsWithTheSameRules) {
    const std::u16string long_line(70000, u'\u6f22');  // 65 chunks of 1023 in the first call
    const std::string bytes = Utf16Le(u"x\r\n\r\n\u00e9t\u00e9\r\n" + long_line + u"\r\nz");
    for (const uint32_t flag : {ModeWideTextA, ModeWideTextB}) {
        EXPECT_THAT(ReadWideLines(bytes, ModeRead | flag),
                    ElementsAreArray({std::u16string(u"x"), std::u16string(u""),
                                      std::u16string(u"\u00e9t\u00e9"), long_line.substr(0, 66495),
                                      long_line.substr(66495), std::u16string(u"z")}));
    }
    // A lone last byte is no character.
    EXPECT_THAT(ReadWideLines(Utf16Le(u"ab") + "c", ModeRead | ModeWideTextA),
                ElementsAreArray({std::u16string(u"ab")}));
    // A narrow file read as wide lines is UTF-8.
    EXPECT_THAT(ReadWideLines("h\xC3\xB6he\r\n", ModeRead),
                ElementsAreArray({std::u16string(u"h\u00f6he")}));
}

TEST_F(TextStream, WritingTurnsEveryLfIntoCrLf) {
    EXPECT_EQ(Written(0, [](auto& s) { s.WriteLine(std::string_view("x\ny")); }), "x\r\ny\r\n");
    EXPECT_EQ(Written(0, [](auto& s) { s.WriteString(std::string_view("a\nb")); }), "a\r\nb");
    EXPECT_EQ(Written(0, [](auto& s) { s.WriteLine(std::u16string_view(u"\u00e9\n")); }),
              "\xC3\xA9\r\n\r\n");
    EXPECT_EQ(Written(ModeWideTextA, [](auto& s) { s.WriteLine(std::u16string_view(u"x\ny")); }),
              Utf16Le(u"x\r\ny\r\n"));
    EXPECT_EQ(Written(ModeWideTextB, [](auto& s) { s.WriteString(std::u16string_view(u"\n")); }),
              Utf16Le(u"\r\n"));
}

TEST_F(TextStream, StringsAreLinesButPrefixedStringsKeepTheirCount) {
    const std::string bytes = Written(0, [](CASCIICFileStream& s) {
        s.WriteString(PrefixedString{"ab"});
        s.WriteString(std::string_view("line\n"));
    });
    EXPECT_EQ(bytes, std::string("\x02\0\0\0ab", 6) + "line\r\n");

    CASCIICFileStream stream;
    ASSERT_TRUE(stream.Do_Open(WidePath("out.txt"), ModeRead));
    PrefixedString prefixed;
    EXPECT_TRUE(stream.ReadString(prefixed));
    EXPECT_EQ(prefixed.text, "ab");
    std::string line;
    EXPECT_TRUE(stream.ReadString(line));
    EXPECT_EQ(line, "line");
    EXPECT_FALSE(stream.ReadString(line));
}

TEST_F(TextStream, ClosedStreamReadsNoLine) {
    CASCIICFileStream stream;
    std::string line = "x";
    EXPECT_FALSE(stream.ReadLine(line));
    EXPECT_EQ(line, "");
    std::u16string wide = u"x";
    EXPECT_FALSE(stream.ReadLine(wide));
    stream.WriteLine(std::string_view("lost"));
    EXPECT_TRUE(stream.MessageLog().HasError());
}
