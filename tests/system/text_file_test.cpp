// The line-and-field reader: tokenised lines, the field queries and colours that span fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "colour/colour_string.h"
#include "stream_test_support.h"
#include "system/text_file.h"

using namespace Tarn::File;
using Tarn::Colour::ParseColourString;
using Tarn::Colour::WideColour;
using Tarn::Test::LogTexts;
using Tarn::Test::WriteWholeFile;
using ::testing::ElementsAre;

namespace {

class TextFile : public Tarn::Test::ScratchDirTest {
protected:
    // A text file whose one line is `line`, read up to its tokens.
    CTextFile& OneLine(const std::string& line) {
        // The reader of the last line closes first: on Windows it keeps writers out.
        file_.reset();
        WriteWholeFile(Path("one.txt"), line + "\r\n");
        file_ = std::make_unique<CTextFile>(WidePath("one.txt"));
        EXPECT_TRUE(file_->ReadTokens());
        return *file_;
    }

    std::unique_ptr<CTextFile> file_;
};

}  // namespace

TEST_F(TextFile, ReadsLinesAsFields) {
    WriteWholeFile(Path("t.txt"), "ColourTable = LUT,\"Terrain.lut\"\r\n\r\n! note\r\na,,b");
    CTextFile file(WidePath("t.txt"));
    ASSERT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.IsReadOnly());

    ASSERT_TRUE(file.ReadTokens());
    ASSERT_EQ(file.FieldCount(), 3u);
    EXPECT_EQ(file.FieldText(2), "Terrain.lut");
    EXPECT_EQ(file.GetFieldKind(2), 2);
    ASSERT_TRUE(file.ReadTokens());  // an empty line has no fields but is a line
    EXPECT_EQ(file.FieldCount(), 0u);
    ASSERT_TRUE(file.ReadTokens());
    EXPECT_EQ(file.GetFieldKind(0), 3);
    ASSERT_TRUE(file.ReadTokens());
    EXPECT_EQ(file.FieldCount(), 3u);
    EXPECT_EQ(file.FieldText(1), "");
    EXPECT_FALSE(file.ReadTokens());
    EXPECT_EQ(file.FieldCount(), 0u);
}

TEST_F(TextFile, FieldQueries) {
    // Fields: yes, Enable, none, maybe (plain), ON (quoted), two empty plain fields (between the
    // commas, and between the second comma and the comment), a comment.
    const CTextFile& f = OneLine("yes = Enable none,maybe,\"ON\",,~c");
    ASSERT_EQ(f.FieldCount(), 8u);

    const int bools[] = {1, 1, 0, -1, 1, -1, -1, -1, -1};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(f.ParseBoolField(i), bools[i]) << i;

    EXPECT_TRUE(f.FieldEquals(0, "YES"));
    EXPECT_TRUE(f.FieldEquals(5, ""));
    EXPECT_TRUE(f.FieldEquals(7, "~C"));
    EXPECT_FALSE(f.FieldEquals(8, ""));
    EXPECT_TRUE(f.PlainFieldEquals(1, "enable"));
    EXPECT_TRUE(f.PlainFieldEquals(1, ""));
    EXPECT_FALSE(f.PlainFieldEquals(4, "on"));
    EXPECT_FALSE(f.PlainFieldEquals(5, ""));
    EXPECT_TRUE(f.QuotedFieldEquals(4, "on"));
    EXPECT_FALSE(f.QuotedFieldEquals(0, "yes"));
    EXPECT_TRUE(f.WordFieldEquals(4, ""));
    EXPECT_TRUE(f.WordFieldEquals(3, "MAYBE"));
    EXPECT_FALSE(f.WordFieldEquals(7, ""));
    EXPECT_FALSE(f.WordFieldEquals(99, ""));
    EXPECT_EQ(f.GetFieldKind(99), 0);
    EXPECT_EQ(f.FieldText(99), "");
}

TEST_F(TextFile, ColourFieldsSpanTheirParentheses) {
    struct Case {
        const char* line;
        size_t index;
        const char* colour_text;  // what the colour must equal when parsed alone
        size_t index_after;
    };
    const Case cases[] = {
        {"RGB(1, 2, 3) word", 0, "RGB(1, 2, 3)", 2},
        {"NullColour = RGBT(255,0,0,255)", 1, "RGBT(255,0,0,255)", 4},
        {"RGB ( 255 , 0 , 0 ) x", 0, "RGB ( 255 , 0 , 0 )", 5},
        {"ColourTable = RGB,BLUE,RGB(255,0,0),16", 2, "BLUE", 2},  // a later "(" is not its own
        {"ColourTable = RGB,BLUE,RGB(255,0,0),16", 3, "RGB(255,0,0)", 5},
        {"RED ! (old)", 0, "RED", 0},
        {"RGB(1,2", 0, "RGB(1", 0},  // never closed
        {"x) RGB(1", 0, "x)", 0},    // closed before it opens
        {"255", 0, "255", 0},
    };
    for (const Case& c : cases) {
        const CTextFile& f = OneLine(c.line);
        size_t index = c.index;
        EXPECT_EQ(f.ParseColourField(index), ParseColourString(c.colour_text)) << c.line;
        EXPECT_EQ(index, c.index_after) << c.line;
    }
    const CTextFile& f = OneLine("RED");
    size_t past = 1;
    EXPECT_EQ(f.ParseColourField(past), WideColour{0});
    EXPECT_EQ(past, 1u);
    EXPECT_NE(ParseColourString("RGB(1, 2, 3)"), WideColour{0});
}

TEST_F(TextFile, MissingFileReadsNothingAndLogsInItsStream) {
    CTextFile file(WidePath("missing.lut"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.ReadTokens());
    const auto& inner = dynamic_cast<const CFileStream&>(file.Implementation());
    EXPECT_EQ(inner.GetClassName(), "CASCIICFileStream");
    EXPECT_THAT(
        LogTexts(inner.MessageLog()),
        ElementsAre("CCFileStream::Do_Open : No such file or directory", "Error: CCPFstream read"));
    EXPECT_TRUE(file.IsKindOf("XFileStream", true));
    EXPECT_FALSE(file.IsKindOf("XFileStream", false));
}
