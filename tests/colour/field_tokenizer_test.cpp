// FieldTokenizer: the documented example lines, hostile lines, and field positions.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "colour/colour_string.h"
#include "colour/field_tokenizer.h"
#include "tests/support/param_names.h"

using namespace Tarn::Colour;

namespace {

// "q:" marks a quoted field, "c:" a comment; plain fields are bare.
std::vector<std::string> Describe(const FieldTokenizer& t) {
    std::vector<std::string> out;
    for (const Field& f : t.Fields()) {
        const char* prefix = f.kind == FieldKind::Quoted    ? "q:"
                             : f.kind == FieldKind::Comment ? "c:"
                                                            : "";
        out.push_back(prefix + f.text);
    }
    return out;
}

struct Case {
    const char* line;
    std::vector<std::string> fields;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.line));
}

class TokenizerLines : public ::testing::TestWithParam<Case> {};

TEST_P(TokenizerLines, SplitsAsDocumented) {
    FieldTokenizer t;
    t.Split(GetParam().line);
    EXPECT_EQ(Describe(t), GetParam().fields) << "line: [" << GetParam().line << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TokenizerLines,
    ::testing::Values(
        // The examples that the readers rely on.
        Case{"a = b, c", {"a", "b", "c"}}, Case{"a,,b", {"a", "", "b"}},
        Case{"a, \"x y\"", {"a", "q:x y"}}, Case{"! all comment", {"c:! all comment"}},
        Case{"ColourTable = LUT,\"pseudo color.lut\"",
             {"ColourTable", "LUT", "q:pseudo color.lut"}},
        Case{"NullColour = RGBT(1,2,3,4)", {"NullColour", "RGBT(1", "2", "3", "4)"}},
        Case{"0 0 0 255 # black", {"0", "0", "0", "255", "c:# black"}}, Case{"a|b", {"a", "b"}},
        // A trailing separator yields one empty field; trailing blanks yield nothing.
        Case{"a,", {"a", ""}}, Case{"a   ", {"a"}}, Case{"a , ", {"a", ""}},
        // Leading separators: empty fields before the first text.
        Case{",a", {"", "a"}}, Case{",,", {"", "", ""}}, Case{"|", {"", ""}},
        // Only blanks, or nothing at all.
        Case{"", {}}, Case{" \t = ", {}},
        // Unclosed quotes run to the end of the line; the other quote is plain text inside.
        Case{"\"abc", {"q:abc"}}, Case{"'it\"s' x", {"q:it\"s", "x"}}, Case{"\"\"", {"q:"}},
        Case{"a\"b\"c", {"a", "q:b", "c"}},
        // Comment starters: after a field, after a separator, and inside plain text.
        Case{"a #c", {"a", "c:#c"}}, Case{"a,#c", {"a", "", "c:#c"}}, Case{"a/b", {"a", "c:/b"}},
        Case{"  ~x", {"c:~x"}}, Case{"\\", {"c:\\"}}, Case{"a \"x\" #c", {"a", "q:x", "c:#c"}}),
    Tarn::Test::PrintedName());

TEST(Tokenizer, StartPositionsPointIntoTheLine) {
    FieldTokenizer t;
    t.Split("RGB(1, 2, 3) \"q\" next");
    ASSERT_EQ(t.Count(), 5u);
    const size_t starts[] = {0, 7, 10, 14, 17};
    for (size_t i = 0; i < t.Count(); ++i) {
        const Field& f = *t.At(i);
        EXPECT_EQ(f.start, starts[i]) << i;
        EXPECT_EQ(f.length, f.text.size());
        EXPECT_EQ(t.Line().substr(f.start, f.length), f.text);
    }
    EXPECT_EQ(t.At(5), nullptr);
    EXPECT_EQ(t.Text(99), "");
}

TEST(Tokenizer, ResplittingReplacesFieldsAndClassesAreFixedPerTokenizer) {
    FieldTokenizer t;
    t.Split("a b c");
    t.Split("d");
    EXPECT_EQ(Describe(t), std::vector<std::string>{"d"});
    t.ClearFields();
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_EQ(t.Line(), "d");

    FieldCharacterClasses tbl;
    tbl.comment_starters = "{}~!#*/\\";
    FieldTokenizer braces(tbl);
    braces.Split("{ red } 1 2");
    EXPECT_EQ(Describe(braces), std::vector<std::string>{"c:{ red } 1 2"});
}

// Random lines over the class characters: every field must lie inside its line and read as
// the text at its position, and the colour parser must take any such text.
TEST(Tokenizer, RandomLinesKeepEveryFieldInsideTheLine) {
    const std::string alphabet = ",|  \t=\n\"'~!#*/\\aZ0.5-()RGBT";
    uint32_t state = 12345;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    FieldTokenizer t;
    for (int round = 0; round < 3000; ++round) {
        std::string line(next() % 24, ' ');
        for (char& c : line) c = alphabet[(next() >> 8) % alphabet.size()];
        t.Split(line);
        for (const Field& f : t.Fields()) {
            ASSERT_LE(f.start + f.length, line.size()) << "[" << line << "]";
            ASSERT_EQ(line.compare(f.start, f.length, f.text), 0) << "[" << line << "]";
            if (f.kind == FieldKind::Comment) {
                ASSERT_EQ(f.start + f.length, line.size());
            }
        }
        (void)Tarn::Colour::ParseColourString(line);
        (void)Tarn::Colour::ParseColourString("RGBA(" + line + ")");
    }
}

}  // namespace
