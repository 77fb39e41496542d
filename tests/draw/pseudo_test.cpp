// The fast pixel pass against the reference on every pixel of real-sized relief pictures with
// no-data holes, for each kind of mapping, with shading and highlights off and on; and on the
// small sizes where every cell is a border cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "draw_test_support.h"

using namespace DrawTest;

namespace {

// Rolling hills, a sharp ridge and noise, with round holes, scattered invalid cells, a few NaN
// and infinite cells marked valid, and an invalid run along the first row and last column.
Cells Relief(int64_t width, int64_t height, uint32_t seed) {
    Cells cells(width, height, 0.0f);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-20.0f, 20.0f);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int64_t y = 0; y < height; ++y) {
        for (int64_t x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x), fy = static_cast<double>(y);
            double v = 500 + 300 * std::sin(fx / 97) * std::cos(fy / 131) +
                       120 * std::sin((fx + 2 * fy) / 23) + 150 * std::exp(-std::abs(fx - fy) / 9);
            cells.Value(x, y) = static_cast<float>(v) + noise(random);
            const double dx = fx - width * 0.3, dy = fy - height * 0.6;
            const bool hole = dx * dx + dy * dy < width * height / 400.0;
            if (hole || percent(random) == 0) cells.Invalidate(x, y);
        }
    }
    for (int64_t x = 0; x < width / 3; ++x) cells.Invalidate(x, 0);
    for (int64_t y = height / 2; y < height; ++y) cells.Invalidate(width - 1, y);
    if (width * height > 100) {
        cells.Value(width / 2, height / 2) = std::numeric_limits<float>::quiet_NaN();
        cells.Value(width / 3, height / 5) = std::numeric_limits<float>::infinity();
        cells.Value(width / 5, height / 3) = -std::numeric_limits<float>::infinity();
    }
    return cells;
}

// Minimum and maximum of the finite valid cells, as band statistics give them.
std::pair<float, float> Statistics(const Cells& cells) {
    float low = std::numeric_limits<float>::max(), high = -low;
    for (size_t i = 0; i < cells.values.size(); ++i) {
        if (cells.validity[i] == 0 || !std::isfinite(cells.values[i])) continue;
        low = std::min(low, cells.values[i]);
        high = std::max(high, cells.values[i]);
    }
    return {low, high};
}

struct Mapping {
    const char* name;
    std::function<void(Coloured&, float low, float high)> apply;
};

void Ramp(Coloured& c, int entries) {
    c.control.BuildRamp(PackWide(0, 0, 65535, 0), PackWide(65535, 0, 0, 0), entries, kRampHsl);
}

std::vector<MapPair> Pairs(float low, float high, int count) {
    std::vector<MapPair> pairs;
    for (int i = 0; i < count; ++i) {
        pairs.push_back({low + (high - low) * i / (count - 1.0), i / (count - 1.0)});
    }
    return pairs;
}

const Mapping kMappings[] = {
    {"Linear",
     [](Coloured& c, float low, float high) {
         Ramp(c, 256);
         c.control.SetLinearMapping(low, high, false, kRangePercentage, 0.05, 0.95);
     }},
    {"LinearNarrowedClippedReversed",
     [](Coloured& c, float low, float high) {
         Ramp(c, 200);
         c.control.SetLinearMapping(low, high, true, kRangePercentage, 0.1, 0.9);
         c.control.SetClipToNull(true);
         c.control.SetNullColour(PackColour(90, 80, 70, 0));
         c.control.SetReverse(true);
     }},
    {"LinearWithTransparentEntriesAndShortFractions",
     [](Coloured& c, float low, float high) {
         Ramp(c, 256);
         for (size_t i = 0; i < c.control.Table().size(); i += 7) {
             c.control.Table()[i].colour |= 0xFF000000u;
         }
         c.control.SetLinearMapping(low, high, false, kRangePercentage, 0.05, 0.95);
         c.TakeFractions();
         c.green.resize(180);
     }},
    {"Index",
     [](Coloured& c, float, float) {
         Ramp(c, 700);
         c.control.SetIndexMapping();
     }},
    {"Direct8",
     [](Coloured& c, float, float) {
         Ramp(c, 256);
         c.control.SetDirectMapping(kDirectColour8);
     }},
    {"DirectColour",
     [](Coloured& c, float, float) {
         Ramp(c, 16);
         c.control.SetDirectMapping(kDirectColour);
     }},
    {"Log",
     [](Coloured& c, float, float high) {
         Ramp(c, 256);
         c.control.SetLogMapping(1, high, 10, 1, false, kRangePercentage, 0.05, 0.95);
     }},
    {"EqualArea",
     [](Coloured& c, float low, float high) {
         Ramp(c, 256);
         std::vector<double> cumulative;
         for (int i = 1; i <= 64; ++i) cumulative.push_back(std::sqrt(i / 64.0));
         c.control.SetEqualAreaMappingFromHistogram(low, high, cumulative, false, kRangePercentile,
                                                    0.05, 0.95);
     }},
    {"UserInterpolatingClippedReversed",
     [](Coloured& c, float low, float high) {
         Ramp(c, 256);
         c.control.SetUserMapping(Pairs(low + 50, high - 50, 5), true);
         c.control.SetClipToNull(true);
         c.control.SetNullColour(PackColour(5, 6, 7, 0));
         c.control.SetReverse(true);
     }},
    {"UserSteps",
     [](Coloured& c, float low, float high) {
         Ramp(c, 64);
         c.control.SetUserMapping(Pairs(low, high, 9), false);
     }},
    {"ClosedRangesWithGaps",
     [](Coloured& c, float low, float high) {
         Ramp(c, 32);
         const double step = (high - low) / 8;
         std::vector<double> lows, highs, positions;
         for (int i = 0; i < 8; i += 2) {
             lows.push_back(low + step * i);
             highs.push_back(low + step * (i + 1));
             positions.push_back(i / 8.0);
         }
         c.control.Transform().SetClosedRanges(lows, highs, positions);
         c.control.SetMappingKind(kMappingClosedRanges);
         c.control.SetNullColour(PackColour(1, 2, 3, 0));
     }},
};

enum class Light { kOff, kShaded, kHighlights };

PseudoColouring Colouring(const Coloured& c, float low, float high, Light light) {
    ShadingInputs in;
    in.level = 1;
    in.relief_statistic = 150.0;
    in.cell_size_x = 30.0f;
    in.cell_size_y = 25.0f;
    in.value_minimum = low;
    in.value_maximum = high;
    in.relief_contrast = 65.0;
    in.ambient_brightness = 35.0;
    in.light_intensity = 70.0;
    in.light_azimuth = 315.0;
    in.light_elevation = 40.0;
    in.highlight_azimuth = 300.0;
    in.highlight_elevation = 50.0;
    in.highlight_size = 60.0;
    return c.Colouring(light != Light::kOff, light == Light::kHighlights, MakeShadingConstants(in));
}

// Every pixel within 1 per channel; says where the first larger difference is.
void ExpectAgreement(const Cells& cells, const PseudoColouring& how) {
    const size_t bytes = static_cast<size_t>(3 * cells.width * cells.height);
    std::vector<uint8_t> fast(bytes, 0xEE), reference(bytes, 0xDD);
    DrawPseudo(cells.Block(), how, fast.data());
    DrawPseudoReference(cells.Block(), how, reference.data());
    for (size_t i = 0; i < bytes; ++i) {
        if (std::abs(fast[i] - reference[i]) > 1) {
            const int64_t p = static_cast<int64_t>(i / 3);
            FAIL() << "pixel " << p % cells.width << ", " << p / cells.width << " channel " << i % 3
                   << ": fast " << int{fast[i]} << ", reference " << int{reference[i]};
        }
    }
}

class FastPass : public ::testing::TestWithParam<std::tuple<size_t, Light>> {};

TEST_P(FastPass, AgreesWithTheReferenceOnAReliefPicture) {
    static const Cells cells = Relief(1024, 1024, 7);
    const auto [low, high] = Statistics(cells);
    const Mapping& mapping = kMappings[std::get<0>(GetParam())];
    Coloured c;
    mapping.apply(c, low, high);
    if (c.red.empty()) c.TakeFractions();
    const PseudoColouring how = Colouring(c, low, high, std::get<1>(GetParam()));
    ExpectAgreement(cells, how);

    // The picture is not trivially uniform.
    std::vector<uint8_t> pixels(static_cast<size_t>(3 * 1024 * 1024));
    DrawPseudo(cells.Block(), how, pixels.data());
    std::set<int> greens(pixels.begin() + 1, pixels.begin() + 3 * 4096);
    EXPECT_GT(greens.size(), 3u);
}

TEST(FastPassSmall, AgreesWhereEveryCellIsABorderCell) {
    const std::pair<int64_t, int64_t> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 2},  {2, 5},
                                                 {5, 2}, {3, 3}, {4, 9}, {33, 17}};
    for (const auto& [w, h] : sizes) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            Cells cells = Relief(w, h, seed);
            // Shuffled values: steep slopes everywhere.
            std::mt19937 random(seed);
            std::shuffle(cells.values.begin(), cells.values.end(), random);
            for (const size_t m : {size_t{0}, size_t{6}}) {  // a planned and a per-cell lookup
                Coloured c;
                kMappings[m].apply(c, 0.0f, 1000.0f);
                c.TakeFractions();
                SCOPED_TRACE(testing::Message()
                             << w << " x " << h << ", seed " << seed << ", " << kMappings[m].name);
                ExpectAgreement(cells, Colouring(c, 0.0f, 1000.0f, Light::kHighlights));
            }
        }
    }
}

std::string CaseName(const ::testing::TestParamInfo<FastPass::ParamType>& info) {
    static const char* const lights[] = {"Unshaded", "Shaded", "Highlights"};
    return std::string(kMappings[std::get<0>(info.param)].name) + "_" +
           lights[static_cast<int>(std::get<1>(info.param))];
}

TEST(FastPassWide, AgreesAcrossTheColumnStrips) {
    // Wider than one strip of scratch rows, with a partial last strip.
    const Cells cells = Relief(4096 + 517, 5, 3);
    const auto [low, high] = Statistics(cells);
    Coloured c;
    kMappings[0].apply(c, low, high);
    c.TakeFractions();
    for (const Light light : {Light::kOff, Light::kHighlights}) {
        ExpectAgreement(cells, Colouring(c, low, high, light));
    }
}

INSTANTIATE_TEST_SUITE_P(Mappings, FastPass,
                         ::testing::Combine(::testing::Range(size_t{0}, std::size(kMappings)),
                                            ::testing::Values(Light::kOff, Light::kShaded,
                                                              Light::kHighlights)),
                         CaseName);

}  // namespace
