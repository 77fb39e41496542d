// The colour control's text block: each line of the grammar, the writer's exact texts, and
// blocks written and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "colour/colour_control.h"
#include "colour/colour_table_file.h"
#include "colour_table_test_support.h"
#include "system/file_stream_mode.h"
#include "system/text_file.h"
#include "tests/support/param_names.h"

using namespace Tarn::Colour;
using Tarn::File::CTextFile;
using Tarn::Test::Fixture;
using Tarn::Test::Rgb;

namespace {

// The text-line stream ends lines with CR LF.
std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class TextBlock : public Tarn::Test::ScratchDirTest {
protected:
    bool Read(CColourControl& c, const std::string& text) {
        CTextFile file(Write("in.txt", text));
        return c.ReadBlock(file, message_);
    }
    // The block lines between Begin and End.
    bool ReadLines(CColourControl& c, const std::string& lines) {
        return Read(c, "ColourControl Begin\n" + lines + "ColourControl End\n");
    }
    std::string Written(const CColourControl& c) {
        {
            CTextFile file;
            EXPECT_TRUE(file.Do_Open(WidePath("out.txt"), Tarn::File::ModeCreateAlways));
            c.WriteBlock(file);
        }
        std::ifstream in(Path("out.txt"), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    CColourControl RoundTrip(const CColourControl& c) {
        const std::string text = Written(c);
        CColourControl back;
        EXPECT_TRUE(Read(back, text)) << text;
        return back;
    }

    std::string message_;
};

void ExpectNear(double a, double b, const char* what) {
    EXPECT_NEAR(a, b, 1e-9 * std::max(1.0, std::fabs(b))) << what;
}

void ExpectSameControl(const CColourControl& a, const CColourControl& b) {
    ASSERT_EQ(a.Table().size(), b.Table().size());
    for (size_t i = 0; i < a.Table().size(); ++i) {
        EXPECT_EQ(a.Table()[i].colour, b.Table()[i].colour) << i;
    }
    EXPECT_EQ(a.TableKind(), b.TableKind());
    EXPECT_EQ(a.TableFile(), b.TableFile());
    EXPECT_EQ(a.NullColourSet(), b.NullColourSet());
    EXPECT_EQ(a.NullColour(), b.NullColour());
    EXPECT_EQ(a.Reverse(), b.Reverse());
    EXPECT_EQ(a.MappingKind(), b.MappingKind());
    EXPECT_EQ(a.MappingFromTableFile(), b.MappingFromTableFile());
    EXPECT_EQ(a.DirectDepth(), b.DirectDepth());
    EXPECT_EQ(a.RangeFromStatistics(), b.RangeFromStatistics());
    EXPECT_EQ(a.RangeLimitsOn(), b.RangeLimitsOn());
    EXPECT_EQ(a.RangeKind(), b.RangeKind());
    ExpectNear(a.RangeLow(), b.RangeLow(), "low");
    ExpectNear(a.RangeHigh(), b.RangeHigh(), "high");
    const ValueTransform& s = a.Transform();
    const ValueTransform& t = b.Transform();
    EXPECT_EQ(s.Kind(), t.Kind());
    ExpectNear(s.Minimum(), t.Minimum(), "minimum");
    ExpectNear(s.Maximum(), t.Maximum(), "maximum");
    ExpectNear(s.LogBase(), t.LogBase(), "log base");
    ExpectNear(s.LogThreshold(), t.LogThreshold(), "threshold");
    ASSERT_EQ(s.Breakpoints().size(), t.Breakpoints().size());
    for (size_t i = 0; i < s.Breakpoints().size(); ++i) {
        ExpectNear(s.Breakpoints()[i], t.Breakpoints()[i], "breakpoint");
        ExpectNear(s.TableValues()[i], t.TableValues()[i], "table value");
    }
}

TEST_F(TextBlock, AnEmptyBlockIsTheResetControl) {
    CColourControl c;
    c.BuildRamp(0, 0, 5, kRampRgb);
    c.SetReverse(true);
    EXPECT_TRUE(Read(c, "Text before the block\nColourControl Begin\nColourControl End\n"));
    EXPECT_TRUE(c.Table().empty());
    EXPECT_EQ(c.MappingKind(), kMappingNone);
    EXPECT_FALSE(c.Reverse());
    EXPECT_EQ(c.RangeKind(), kRangePercentile);
    EXPECT_EQ(c.RangeLow(), 0.05);
    EXPECT_EQ(c.RangeHigh(), 0.95);
    EXPECT_EQ(Written(c), Crlf("\tColourControl Begin\n"
                               "\t\tReverseColour = FALSE\n"
                               "\tColourControl End\n"));
}

TEST_F(TextBlock, HowReadingEnds) {
    struct Case {
        const char* text;
        bool ended;
        int mapping_kind;
    };
    const Case cases[] = {
        // Lines before the block are skipped, blank and comment lines and unknown keywords too.
        {"Mapping = Index\nColourControl Begin\n\n! note\nWhatever = 1\nColourControl End\n", true,
         kMappingNone},
        {"ColourControl Begin\n\tMapping = Index\n", false, kMappingIndex},
        {"ColourControl Begin\nColourControl Begin\nMapping = Index\nColourControl End\n", false,
         kMappingNone},
        {"ColourControl Begin\nMapTable Begin\n1,2\nColourControl End\nMapping = Index\n", true,
         kMappingNone},
        {"", false, kMappingNone},
    };
    for (const Case& k : cases) {
        CColourControl c;
        EXPECT_EQ(Read(c, k.text), k.ended) << k.text;
        EXPECT_EQ(c.MappingKind(), k.mapping_kind) << k.text;
    }
}

TEST_F(TextBlock, RampLines) {
    CColourControl c;
    ASSERT_TRUE(ReadLines(c, "ColourTable = RGB\n"));
    ASSERT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.TableKind(), kTableRgbRamp);
    EXPECT_EQ(c.Table().front().colour, Rgb(0, 0, 255));
    EXPECT_EQ(c.Table().back().colour, Rgb(255, 0, 0));

    ASSERT_TRUE(ReadLines(c, "ColourTable = RGB, RGB(0, 0, 0), WHITE, 2\n"));
    ASSERT_EQ(c.Table().size(), 2u);
    EXPECT_EQ(c.Table()[0].colour, Rgb(0, 0, 0));
    EXPECT_EQ(c.Table()[1].colour, Rgb(255, 255, 255));

    ASSERT_TRUE(ReadLines(c, "ColourTable = HSL,RGBT(255,0,0,0),RGBT(0,0,255,0),3\n"));
    ASSERT_EQ(c.Table().size(), 3u);
    EXPECT_EQ(c.Table()[1].colour, Rgb(0, 255, 0));
    EXPECT_EQ(Written(c), Crlf("\tColourControl Begin\n"
                               "\t\tColourTable = HSL,RGBT(255,0,0,0),RGBT(0,0,255,0),3\n"
                               "\t\tReverseColour = FALSE\n"
                               "\tColourControl End\n"));

    // Oklab: blue to red passes a violet, neither RGB's purple nor HSL's green.
    ASSERT_TRUE(ReadLines(c, "ColourTable = oklab,RGBT(0,0,255,0),RGBT(255,0,0,0),3\n"));
    EXPECT_EQ(c.TableKind(), kTableOklabRamp);
    ASSERT_EQ(c.Table().size(), 3u);
    EXPECT_EQ(c.Table()[1].colour, Rgb(140, 83, 162));
    EXPECT_EQ(Written(c), Crlf("\tColourControl Begin\n"
                               "\t\tColourTable = OKLAB,RGBT(0,0,255,0),RGBT(255,0,0,0),3\n"
                               "\t\tReverseColour = FALSE\n"
                               "\tColourControl End\n"));
}

TEST_F(TextBlock, NullColourAndReverse) {
    CColourControl c;
    ASSERT_TRUE(ReadLines(c,
                          "NullColour = RGBT(10,20,30,40)\n"
                          "ReverseColour = TRUE\n"
                          "ReverseColour = maybe\n"
                          "Mapping = Index\n"));
    EXPECT_TRUE(c.NullColourSet());
    EXPECT_EQ(c.NullColour(), PackColour(10, 20, 30, 40));
    EXPECT_TRUE(c.Reverse());  // neither "maybe" nor the Mapping line undoes it
    EXPECT_EQ(Written(c), Crlf("\tColourControl Begin\n"
                               "\t\tNullColour = RGBT(10,20,30,40)\n"
                               "\t\tReverseColour = TRUE\n"
                               "\t\tMapping = Index\n"
                               "\tColourControl End\n"));
}

TEST_F(TextBlock, DirectDepths) {
    struct Case {
        const char* line;
        int depth;
        double maximum;
    };
    const Case cases[] = {{"Mapping = Direct,Colour24", kDirectColour24, 16777215},
                          {"Mapping = Direct,Colour8", kDirectColour8, 255},
                          {"Mapping = Direct", kDirectColour8, 255},
                          {"Mapping = Direct,Colour16", kDirectColour16, 65535},
                          {"Mapping = Direct,Colour32", kDirectColour32, 4294967295.0},
                          {"Mapping = Direct,Colour", kDirectColour, 1}};
    for (const Case& k : cases) {
        CColourControl c;
        ASSERT_TRUE(ReadLines(c, std::string(k.line) + "\n"));
        EXPECT_EQ(c.MappingKind(), kMappingDirect) << k.line;
        EXPECT_EQ(c.DirectDepth(), k.depth) << k.line;
        EXPECT_EQ(c.Transform().Minimum(), 0.0) << k.line;
        EXPECT_EQ(c.Transform().Maximum(), k.maximum) << k.line;
    }
}

TEST_F(TextBlock, ExplicitLinearRangesAreClampedAndSurviveAWriteAndRead) {
    CColourControl c;
    ASSERT_TRUE(ReadLines(c, "Mapping = Linear,0,100,TRUE,Absolute,10,200\n"));
    EXPECT_EQ(c.RangeLow(), 10.0);
    EXPECT_EQ(c.RangeHigh(), 100.0);
    EXPECT_EQ(c.Transform().Minimum(), 10.0);
    EXPECT_EQ(c.Transform().Maximum(), 100.0);
    ExpectSameControl(RoundTrip(c), c);

    ASSERT_TRUE(ReadLines(c, "Mapping = Linear,0,100,TRUE,Percentage,0.1,0.9\n"));
    EXPECT_EQ(c.Transform().Minimum(), 10.0);
    EXPECT_EQ(c.Transform().Maximum(), 90.0);
    // Written with the range it was given: the narrowed one would narrow again when read.
    EXPECT_NE(Written(c).find("\t\tMapping = Linear,0,100,TRUE,Percentage,0.1,0.9\r\n"),
              std::string::npos);
    ExpectSameControl(RoundTrip(c), c);

    // A minimum without a maximum sets no mapping.
    ASSERT_TRUE(ReadLines(c, "Mapping = Index\nMapping = Linear,5\n"));
    EXPECT_EQ(c.MappingKind(), kMappingIndex);
}

// Each mapping line read and written again gives the same text.
class MappingLines : public TextBlock, public ::testing::WithParamInterface<const char*> {};

TEST_P(MappingLines, AreWrittenBackUnchanged) {
    const std::string line = GetParam();
    CColourControl c;
    ASSERT_TRUE(ReadLines(c, line + "\n"));
    EXPECT_NE(Written(c).find("\t\t" + line + "\r\n"), std::string::npos) << Written(c);
}

INSTANTIATE_TEST_SUITE_P(StatisticsAndExplicitForms, MappingLines,
                         ::testing::Values("Mapping = Linear,TRUE,Percentile,0.02,0.98",
                                           "Mapping = Log,10,1,TRUE,Percentile,0.02,0.98",
                                           "Mapping = Log,2,0.5,FALSE,Absolute,3,4",
                                           "Mapping = EqualArea,TRUE,Percentage,0.1,0.9",
                                           "Mapping = Linear,-1.5,2.25,FALSE,Absolute,0.05,0.95",
                                           "Mapping = Log,1,1000,10,1,FALSE,Percentile,0.05,0.95",
                                           "Mapping = Index", "Mapping = Direct,Colour16",
                                           "Mapping = User"),
                         Tarn::Test::PrintedName());

TEST_F(TextBlock, RangeTails) {
    struct Case {
        const char* line;
        bool from_statistics;
        bool limits_on;
        int kind;
        double low;
        double high;
    };
    const Case cases[] = {
        // Missing fields keep what stands: the reset 0.05 and 0.95.
        {"Mapping = Linear", true, false, kRangePercentile, 0.05, 0.95},
        {"Mapping = Linear,TRUE,Percentage", true, true, kRangePercentage, 0.05, 0.95},
        // A range kind that is a boolean: true is Absolute, false and anything else Percentile.
        {"Mapping = Linear,TRUE,yes,1,2", true, true, kRangeAbsolute, 1, 2},
        {"Mapping = Linear,TRUE,no,1,2", true, true, kRangePercentile, 1, 2},
        {"Mapping = Linear,TRUE,other,1", true, true, kRangePercentile, 1, 0.95},
        // Not a boolean: the limits stay off.
        {"Mapping = Linear,0,10,maybe,Absolute,1,2", false, false, kRangeAbsolute, 1, 2},
        {"Mapping = Log", true, false, kRangePercentile, 0.05, 0.95},
        {"Mapping = Log,2,3", false, false, kRangePercentile, 0.05, 0.95},
        {"Mapping = EqualArea,ON,Absolute,3,4", true, true, kRangeAbsolute, 3, 4},
    };
    for (const Case& k : cases) {
        CColourControl c;
        ASSERT_TRUE(ReadLines(c, std::string(k.line) + "\n"));
        EXPECT_EQ(c.RangeFromStatistics(), k.from_statistics) << k.line;
        EXPECT_EQ(c.RangeLimitsOn(), k.limits_on) << k.line;
        EXPECT_EQ(c.RangeKind(), k.kind) << k.line;
        EXPECT_EQ(c.RangeLow(), k.low) << k.line;
        EXPECT_EQ(c.RangeHigh(), k.high) << k.line;
    }
    CColourControl c;
    ASSERT_TRUE(ReadLines(c, "Mapping = Log,3,2,TRUE,Absolute,1,2\n"));
    EXPECT_EQ(c.Transform().LogBase(), 3.0);
    EXPECT_EQ(c.Transform().LogThreshold(), 2.0);
}

TEST_F(TextBlock, MapTables) {
    CColourControl c;
    ASSERT_TRUE(ReadLines(c,
                          "Mapping = User\n"
                          "MapTable Begin\n"
                          "\t0,0, 10,0.5\n"
                          "\t20,1\n"
                          "MapTable End\n"));
    EXPECT_EQ(c.MappingKind(), kMappingUser);
    EXPECT_EQ(c.Transform().Kind(), kTransformInterpolatingTable);
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{0, 10, 20}));
    EXPECT_EQ(c.Transform().TableValues(), (std::vector<double>{0, 0.5, 1}));

    // Pairs collected before the Mapping line serve it; a new map table discards them.
    ASSERT_TRUE(ReadLines(c,
                          "MapTable Begin\n1,0\n2,1\nMapTable End\n"
                          "Mapping = EqualArea,FALSE,Percentile,0.05,0.95\n"));
    EXPECT_EQ(c.MappingKind(), kMappingUser);  // an equal-area table becomes a User mapping
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{1, 2}));
    ASSERT_TRUE(ReadLines(c,
                          "MapTable Begin\n1,0\n2,1\nMapTable End\n"
                          "MapTable Begin\n5,0\n6,0.5\n7,1\nMapTable End\n"
                          "Mapping = User\n"));
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{5, 6, 7}));

    // An equal-area mapping from statistics takes a map table that follows.
    ASSERT_TRUE(ReadLines(c,
                          "Mapping = EqualArea,FALSE,Percentile,0.05,0.95\n"
                          "MapTable Begin\n0,0\n10,1\nMapTable End\n"));
    EXPECT_EQ(c.MappingKind(), kMappingUser);
    EXPECT_FALSE(c.RangeFromStatistics());
    EXPECT_EQ(c.Transform().Breakpoints(), (std::vector<double>{0, 10}));
}

TEST_F(TextBlock, UserPairsKeepTenSignificantDigits) {
    CColourControl c;
    c.BuildRamp(0, PackWide(65535, 65535, 65535, 0), 16, kRampRgb);
    const std::vector<MapPair> pairs = {
        {-1234.567890123, 0}, {0.1234567890123, 0.3333333333333}, {98765.4321, 1}};
    c.SetUserMapping(pairs, true);
    const std::string text = Written(c);
    EXPECT_NE(text.find(Crlf("\t\tMapping = User\n"
                             "\t\tMapTable Begin\n"
                             "\t\t\t-1234.56789,0\n"
                             "\t\t\t0.123456789,0.3333333333\n"
                             "\t\t\t98765.4321,1\n"
                             "\t\tMapTable End\n")),
              std::string::npos)
        << text;
    const CColourControl back = RoundTrip(c);
    ASSERT_EQ(back.Transform().Breakpoints().size(), 3u);
    EXPECT_NEAR(back.Transform().Breakpoints()[0], -1234.567890123, 1e-5);
    EXPECT_NEAR(back.Transform().TableValues()[1], 0.3333333333333, 1e-10);
}

TEST_F(TextBlock, ControlsSurviveAWriteAndRead) {
    const std::vector<std::function<void(CColourControl&)>> builders = {
        [](CColourControl& c) {
            c.BuildRamp(PackWide(0, 0, 0, 0), PackWide(65535, 0, 0, 0), 7, 0);
        },
        [](CColourControl& c) {
            c.BuildRamp(PackWide(65535, 0, 0, 0), PackWide(0, 0, 65535, 0), 256, kRampHsl);
            c.SetNullColour(PackColour(1, 2, 3, 255));
            c.SetReverse(true);
            c.SetDirectMapping(kDirectColour32);
        },
        [](CColourControl& c) {
            c.BuildRamp(PackWide(0, 0, 0, 0), PackWide(65535, 65535, 0, 257 * 40), 300, kRampOklab);
            c.SetLinearMapping(0, 10, false, kRangeAbsolute, 0, 1);
        },
        [](CColourControl& c) { c.SetLinearMappingFromStatistics(true, kRangeAbsolute, -3, 7); },
        [](CColourControl& c) { c.SetLinearMapping(-50, 50, true, kRangePercentile, 0.2, 0.7); },
        [](CColourControl& c) {
            c.SetLogMapping(1, 1000, 10, 1, true, kRangePercentage, 0.1, 0.9);
        },
        [](CColourControl& c) { c.SetLogMapping(-500, 20, 2, 0.5, false, kRangeAbsolute, 0, 0); },
        [](CColourControl& c) {
            c.SetLogMappingFromStatistics(2, 3, false, kRangePercentage, 0, 1);
        },
        [](CColourControl& c) {
            c.SetEqualAreaMappingFromStatistics(true, kRangePercentile, 0.02, 0.98);
        },
        [](CColourControl& c) {
            const std::vector<MapPair> pairs = {{0, 0}, {4, 0.25}, {16, 1}};
            c.SetUserMapping(pairs, true);
        },
    };
    for (size_t i = 0; i < builders.size(); ++i) {
        SCOPED_TRACE(i);
        CColourControl c;
        builders[i](c);
        ExpectSameControl(RoundTrip(c), c);
    }
}

TEST_F(TextBlock, TableFiles) {
    const std::string lut = Tarn::System::WideToUtf8(Fixture("lut_black_white.lut"));
    CColourControl c;
    ASSERT_TRUE(ReadLines(c, "ColourTable = LUT,\"" + lut + "\"\nMapping = Index\n"));
    EXPECT_EQ(c.Table().size(), 256u);
    EXPECT_EQ(c.TableKind(), kTableLut);
    EXPECT_EQ(c.TableName(), u"lut_black_white");
    EXPECT_TRUE(message_.empty());
    EXPECT_EQ(Written(c), Crlf("\tColourControl Begin\n"
                               "\t\tColourTable = LUT,\"" +
                               lut +
                               "\"\n"
                               "\t\tReverseColour = FALSE\n"
                               "\t\tMapping = Index\n"
                               "\tColourControl End\n"));
    ExpectSameControl(RoundTrip(c), c);

    // Mappings that come from the table file are not written.
    for (const char* name : {"ranges_continuous.leg", "lut_data_values.lut"}) {
        const std::string path = Tarn::System::WideToUtf8(Fixture(name));
        ASSERT_TRUE(LoadColourTableFile(c, Fixture(name)).success);
        const std::string text = Written(c);
        EXPECT_EQ(text.find("Mapping"), std::string::npos) << text;
        EXPECT_NE(text.find(path), std::string::npos) << text;
        ExpectSameControl(RoundTrip(c), c);
    }

    // A table that cannot be read leaves a message and reading goes on.
    ASSERT_TRUE(ReadLines(c,
                          "ColourTable = LUT,\"missing.lut\"\n"
                          "ReverseColour = TRUE\n"));
    EXPECT_EQ(message_, "Failed to initialise colour table from LUT file missing.lut");
    EXPECT_EQ(c.TableFile(), u"missing.lut");
    EXPECT_TRUE(c.Reverse());
    ASSERT_TRUE(ReadLines(c, "ColourTable = LEG,\"gone.leg\"\n"));
    EXPECT_EQ(message_, "Failed to initialise colour table from LEG file gone.leg");

    // An unquoted name is ignored; a TAB file is only remembered.
    ASSERT_TRUE(ReadLines(c, "ColourTable = LUT," + lut + "\n"));
    EXPECT_TRUE(c.Table().empty());
    EXPECT_TRUE(c.TableFile().empty());
    ASSERT_TRUE(ReadLines(c, "ColourTable = RGB\nColourTable = TAB,\"x.tab\"\n"));
    EXPECT_EQ(c.TableFile(), u"x.tab");
    EXPECT_EQ(c.TableKind(), kTableRgbRamp);
    EXPECT_EQ(c.Table().size(), 256u);
}

// Block lines in random order and with random fields: reading always returns, and what it
// built can be written.
TEST_F(TextBlock, RandomLinesAreReadSafely) {
    const char* const words[] = {"ColourTable",
                                 "RGB",
                                 "HSL",
                                 "OKLAB",
                                 "LUT",
                                 "LEG",
                                 "TAB",
                                 "Mapping",
                                 "Linear",
                                 "Log",
                                 "EqualArea",
                                 "User",
                                 "Direct",
                                 "Index",
                                 "MapTable",
                                 "Begin",
                                 "End",
                                 "NullColour",
                                 "ReverseColour",
                                 "TRUE",
                                 "maybe",
                                 "Absolute",
                                 "Percentile",
                                 "0",
                                 "-1",
                                 "1e308",
                                 "nan",
                                 "99999999999",
                                 "RGBT(1,2,3,4)",
                                 "RGB(1,",
                                 ")",
                                 "\"x.lut\"",
                                 ",",
                                 "=",
                                 "~c",
                                 ""};
    std::mt19937 random(11);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 100; ++round) {
        std::string text = "ColourControl Begin\n";
        for (size_t line = pick(10); line > 0; --line) {
            for (size_t field = pick(10); field > 0; --field) {
                text += words[pick(std::size(words))];
                text += pick(3) ? "," : " ";
            }
            text += "\n";
        }
        CColourControl c;
        Read(c, text + (round % 2 ? "ColourControl End\n" : ""));
        EXPECT_LE(c.Table().size(), static_cast<size_t>(CColourControl::kMaxRampEntries)) << text;
        EXPECT_NE(Written(c).find("ColourControl End"), std::string::npos);
    }
}

}  // namespace
