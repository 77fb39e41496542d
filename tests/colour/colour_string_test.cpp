// Colour texts: every functional form, the named colours, bare numbers and malformed texts.
#include <gtest/gtest.h>

#include <string>

#include "colour/colour_string.h"
#include "tests/support/param_names.h"

using namespace Tarn::Colour;

namespace {

struct Case {
    const char* text;
    WideColour expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << "\"" << c.text << "\"";
}

constexpr WideColour W8(uint32_t r, uint32_t g, uint32_t b, uint32_t t) {
    return PackWide(r * 257, g * 257, b * 257, t * 257);
}

class ColourTexts : public ::testing::TestWithParam<Case> {};

TEST_P(ColourTexts, Parse) {
    const WideColour got = ParseColourString(GetParam().text);
    EXPECT_EQ(got, GetParam().expected)
        << WideComponent(got, 0) << "," << WideComponent(got, 1) << "," << WideComponent(got, 2)
        << "," << WideComponent(got, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Functional, ColourTexts,
    ::testing::Values(
        Case{"RGBT(255,128,0,0)", W8(255, 128, 0, 0)}, Case{"rgb(255,0,0)", W8(255, 0, 0, 0)},
        Case{"RGB ( 255 , 0 , 0 )", W8(255, 0, 0, 0)}, Case{"RGB(255|0|0)", W8(255, 0, 0, 0)},
        Case{"  RGB(255 0 0)", W8(255, 0, 0, 0)},
        Case{"RGBX(1,2,3)", W8(1, 2, 3, 0)},  // unknown keywords count as RGB
        // The fourth value: an opacity for RGB and RGBA, a transparency for RGBT.
        Case{"RGBA(255,0,0,255)", W8(255, 0, 0, 0)}, Case{"RGBT(255,0,0,255)", W8(255, 0, 0, 255)},
        Case{"RGB(255,0,0,0)", W8(255, 0, 0, 255)}, Case{"RGBA(1,2,3,300)", W8(1, 2, 3, 211)},
        // Only the low 8 bits of 8-bit values count.
        Case{"RGB(300,-1,256)", W8(44, 255, 0, 0)},
        // Fractions, detected or named.
        Case{"RGB(0.5,0.5,0.5)", W8(128, 128, 128, 0)}, Case{"RGB(1.0,1,1)", W8(255, 255, 255, 0)},
        Case{"RGB(1,1,1)", W8(1, 1, 1, 0)}, Case{"RGB(255,0.5,0)", W8(255, 128, 0, 0)},
        Case{"RGB(255,0.0,0)", W8(255, 0, 0, 0)},  // 0.0 is not inside (0, 1): still 8-bit
        Case{"RGBF(1,0,2)", W8(255, 0, 255, 0)}, Case{"RGBTF(0,0,1,1)", W8(0, 0, 255, 255)},
        Case{"RGBTF(0,0,0,0.5)", W8(0, 0, 0, 128)},
        // The fourth value of the fraction forms without "T" is an opacity as in 8 bits.
        Case{"RGBAF(1,0,0,1)", W8(255, 0, 0, 0)}, Case{"RGBAF(1,0,0,0.25)", W8(255, 0, 0, 191)},
        Case{"RGBA(255,0,0,0.5)", W8(255, 0, 0, 128)}, Case{"RGBA(1,0,0,1.0)", W8(255, 0, 0, 0)},
        Case{"RGBF(0.2,0.4,0.6,0)", W8(51, 102, 153, 255)}, Case{"RGBAF(1,0,0)", W8(255, 0, 0, 0)},
        // 16-bit values are unscaled; out-of-range ones clamp.
        Case{"RGB16(65535,0,0)", PackWide(65535, 0, 0, 0)},
        Case{"RGBT16(1,2,3,4)", PackWide(1, 2, 3, 4)},
        Case{"RGBA16(1,2,3,65535)", PackWide(1, 2, 3, 0)},
        Case{"RGBA16(1,2,3,1)", PackWide(1, 2, 3, 65534)},
        Case{"RGB16(70000,-5,65536)", PackWide(65535, 0, 65535, 0)},
        Case{"RGB16(4294967296,1,99999999999999999999)", PackWide(65535, 1, 65535, 0)},
        // Malformed: opaque black, or zero components.
        Case{"RGB(255,0)", 0}, Case{"RGB(255,0,0", 0}, Case{"RGB)1,2,3(", 0}, Case{"RGB", 0},
        Case{"RGB()", 0}, Case{"RGB(red,x,1)", W8(0, 0, 1, 0)}),
                         Tarn::Test::PrintedName());

INSTANTIATE_TEST_SUITE_P(
    NamesAndNumbers, ColourTexts,
    ::testing::Values(Case{"lightgrey", W8(192, 192, 192, 0)}, Case{"Silver", W8(192, 192, 192, 0)},
                      Case{"LIGHTGRAY", W8(192, 192, 192, 0)}, Case{"white", W8(255, 255, 255, 0)},
                      Case{"navy", W8(0, 0, 128, 0)}, Case{"Green", W8(0, 255, 0, 0)},
                      Case{"brown", W8(128, 64, 64, 0)}, Case{"  teal", W8(0, 128, 128, 0)},
                      Case{"red ", 0},  // trailing blanks are kept, so this reads as a number
                      Case{"255", W8(255, 0, 0, 0)}, Case{"16777215", W8(255, 255, 255, 0)},
                      Case{"-1", W8(255, 255, 255, 255)},
                      Case{"4294967295", W8(255, 255, 255, 255)},
                      Case{"+65280xyz", W8(0, 255, 0, 0)}, Case{"", 0}, Case{"purple haze", 0},
                      Case{"99999999999999999999999", W8(255, 255, 255, 255)}),
                         Tarn::Test::PrintedName());

TEST(ColourText, FormatAndParseRoundTrip) {
    EXPECT_EQ(FormatColourString(PackColour(255, 128, 0, 0)), "RGBT(255,128,0,0)");
    EXPECT_EQ(FormatColourString(0xFFFFFFFFu), "RGBT(255,255,255,255)");
    for (const PackedColour c : {0u, 0xFFFFFFFFu, 0x80FF4001u, 0x00010203u}) {
        EXPECT_EQ(WideToPacked(ParseColourString(FormatColourString(c))), c);
    }
    EXPECT_EQ(ParseColourString("RGBT(255,128,0,0)"), PackWide(65535, 32896, 0, 0));
}

}  // namespace
