// Text utilities: trimming, slicing, formatting, UTF conversion, keywords, XMap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "system/bool_keywords.h"
#include "system/text_format.h"
#include "system/text_utils.h"
#include "system/utf.h"
#include "system/xmap.h"

using namespace Tarn::System;

TEST(Text, CaseInsensitiveEqualityTouchesOnlyAsciiLetters) {
    EXPECT_TRUE(EqualsNoCase("Pseudo", "PSEUDO"));
    EXPECT_FALSE(EqualsNoCase("Pseudo", "Pseud"));
    EXPECT_FALSE(EqualsNoCase("\xC3\xA9", "\xC3\x89"));  // é and É differ beyond ASCII
    EXPECT_TRUE(EqualsNoCase(u".ZIP", u".zip"));
}

TEST(Text, Trimming) {
    std::string s = " \t\v\f\r\nab c \r\n";
    TrimLeft(s);
    EXPECT_EQ(s, "ab c \r\n");
    TrimRight(s);
    EXPECT_EQ(s, "ab c");

    struct Case {
        std::u16string in, set, out;
    };
    const Case cases[] = {
        {u"ab\r\n", u"\n\r", u"ab"},    {u"\r\n", u"\n\r", u""}, {u"a\rb", u"\n\r", u"a\rb"},
        {u"/data//", u"\\/", u"/data"}, {u"", u"\n\r", u""},
    };
    for (Case c : cases) {
        TrimRightOf(c.in, c.set);
        EXPECT_EQ(c.in, c.out);
    }
}

TEST(Text, SlicingAndSearching) {
    std::string narrow = "abc";
    Left(narrow, 5);
    EXPECT_EQ(narrow, "abc");
    Left(narrow, 1);
    EXPECT_EQ(narrow, "a");
    std::u16string wide = u"abc";
    Right(wide, 2);
    EXPECT_EQ(wide, u"bc");
    Right(wide, 9);
    EXPECT_EQ(wide, u"bc");

    EXPECT_EQ(FindFirstOf("a=b,c", ",="), 1);
    EXPECT_EQ(FindFirstOf("abc", "xyz"), -1);
    EXPECT_EQ(FindFirstOf("", ","), -1);
    EXPECT_EQ(FindFirstOf("a,b", ""), -1);

    std::u16string mixed = u"DEM.TIF\u00C9";
    ToLower(mixed);
    EXPECT_EQ(mixed, u"dem.tif\u00C9");
}

TEST(Text, RoundHalfAwayFromZero) {
    const std::pair<double, double> cases[] = {
        {2.5, 3}, {-2.5, -3}, {0.0, 0}, {2.4999, 2}, {-0.5, -1}, {1e12, 2147483647.0},
    };
    for (auto [in, out] : cases) EXPECT_EQ(RoundHalfAway(in), out) << in;
    EXPECT_EQ(RoundHalfAway(std::nan("")), -2147483648.0);
}

TEST(Text, PathExistsIgnoresTrailingSeparatorsExceptOnShortPaths) {
    const std::string dir = ::testing::TempDir();
    std::u16string wide = Utf8ToWide(dir);
    EXPECT_TRUE(PathExists(wide + u"//"));
    EXPECT_TRUE(PathExists(u"/tmp"));  // four characters: tested unchanged
    EXPECT_TRUE(PathExists(u"/"));
    EXPECT_FALSE(PathExists(wide + u"/no such file"));
    EXPECT_FALSE(PathExists(u""));
}

TEST(Format, NarrowAndWide) {
    EXPECT_EQ(FormatString("%d-%s", 7, std::string("x")), "7-x");
    EXPECT_EQ(FormatString("%.10g", 0.1), "0.1");
    std::string target = "old";
    EXPECT_EQ(FormatInto(target, "%s", ""), 0);
    EXPECT_EQ(target, "");
    EXPECT_EQ(FormatInto(target, nullptr), 0);

    std::u16string wide;
    EXPECT_EQ(FormatWide(wide, u"%s %s", std::u16string(u"a"), u"b"), 3);
    EXPECT_EQ(wide, u"a b");
    EXPECT_EQ(FormatWide(wide, u"%s=%d", u"\u00E9t\u00E9", 5), 5);
    EXPECT_EQ(wide, u"\u00E9t\u00E9=5");

    const std::string long_text(5000, 'z');
    EXPECT_EQ(FormatString("<%s>", long_text).size(), 5002u);
}

TEST(Utf, ConversionStopsAtTheFirstInvalidSequence) {
    EXPECT_EQ(Utf8ToWide("\x41\xC3\x28\x42"), u"A");
    EXPECT_EQ(Utf8ToWide("\x41\xC3\x28\x42", false), u"A");
    EXPECT_EQ(Utf8ToWide("caf\xC3\xA9 \xF0\x9F\x97\xBA"), u"caf\u00E9 \U0001F5FA");
    EXPECT_EQ(Utf8ToWide("abc\xE2\x82"), u"abc");  // truncated sequence at the end
    EXPECT_EQ(Utf8ToWide(""), u"");

    EXPECT_EQ(WideToUtf8(u"caf\u00E9 \U0001F5FA"), "caf\xC3\xA9 \xF0\x9F\x97\xBA");
    const char16_t lone_high[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(WideToUtf8(lone_high), "a");
    const char16_t lone_low[] = {u'a', 0xDC00, 0};
    EXPECT_EQ(WideToUtf8(lone_low), "a");
    const char16_t high_at_end[] = {u'x', 0xD83D, 0};
    EXPECT_EQ(WideToUtf8(high_at_end), "x");
}

TEST(BoolKeywords, Table) {
    const std::pair<const char*, int> cases[] = {
        {"yes", 1},      {"Enable", 1},  {"VALID", 1},  {"defined", 1}, {"none", 0},   {"off", 0},
        {"UnDefine", 0}, {"INVALID", 0}, {"maybe", -1}, {"", -1},       {"TRUEX", -1}, {"1", -1},
    };
    for (auto [word, result] : cases) EXPECT_EQ(ParseBoolKeyword(word), result) << word;
}

TEST(XMap, EnsureKeepsValuesAndLookupsFollowKeyOrder) {
    Tarn::Container::XMap<double> map;
    map.Set("a", 1.0);
    map.Ensure("a");
    map.Ensure("b");
    double value = -1;
    ASSERT_TRUE(map.Get("a", value));
    EXPECT_EQ(value, 1.0);
    ASSERT_TRUE(map.Get("b", value));
    EXPECT_EQ(value, 0.0);
    EXPECT_FALSE(map.Get("c", value));
    EXPECT_EQ(value, 0.0);

    std::string key = "unchanged";
    EXPECT_FALSE(map.FindKey(2.0, key));
    EXPECT_EQ(key, "unchanged");
    map.Set("0", 1.0);
    ASSERT_TRUE(map.FindKey(1.0, key));
    EXPECT_EQ(key, "0");
    std::vector<std::string> keys;
    EXPECT_TRUE(map.FindKeys(1.0, keys));
    EXPECT_EQ(keys, (std::vector<std::string>{"0", "a"}));

    map.Set("nan", std::nan(""));
    EXPECT_FALSE(map.FindKey(std::nan(""), key));
    map.SetAll(5.0);
    EXPECT_TRUE(map.FindKeys(5.0, keys));
    EXPECT_EQ(map.Count(), 4);
    EXPECT_TRUE(map.Contains("nan"));
    map.Clear();
    EXPECT_EQ(map.Count(), 0);
}
