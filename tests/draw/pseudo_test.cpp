// The fast pixel pass against the reference on every pixel of real-sized relief pictures with
// no-data holes, for each kind of mapping, with shading and highlights off and on; and on the
// small sizes where every cell is a border cell, with halos and without. Windows with halos, and
// strips of rows, against the picture they are cut from.
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

using Pass = void (*)(const FloatBlock&, const PseudoColouring&, uint8_t*);

// The light of the relief pictures: one light and a highlight over the data's range.
ShadingInputs ReliefLight(float low, float high) {
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
    return in;
}

PseudoColouring Colouring(const Coloured& c, float low, float high, Light light) {
    return c.Colouring(light != Light::kOff, light == Light::kHighlights,
                       MakeShadingConstants(ReliefLight(low, high)));
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

// Several lights change only the constants; the fast pass keeps to the reference under them.
TEST(FastPassLights, AgreesUnderSeveralLights) {
    static const Cells cells = Relief(512, 384, 11);
    const auto [low, high] = Statistics(cells);
    Coloured c;
    kMappings[0].apply(c, low, high);
    if (c.red.empty()) c.TakeFractions();
    PseudoColouring how = Colouring(c, low, high, Light::kHighlights);
    ShadingInputs in = ReliefLight(low, high);
    in.lights = {{45, 40, 1}, {90, 40, 1}, {135, 40, 1}, {180, 40, 1}};
    how.shading = MakeShadingConstants(in);
    ExpectAgreement(cells, how);
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

// Cells [x0, x1) x [y0, y1) of a picture.
struct Window {
    int64_t x0, y0, x1, y1;
};

// The window of `cells` as a block whose halo has the sides `sides` asks for (bits left, top,
// right, bottom) where the cells have them.
FloatBlock WindowBlock(const Cells& cells, const Window& w, unsigned sides) {
    FloatBlock block;
    block.values = cells.values.data() + w.y0 * cells.width + w.x0;
    block.validity = cells.validity.data() + w.y0 * cells.width + w.x0;
    block.width = w.x1 - w.x0;
    block.height = w.y1 - w.y0;
    block.stride = cells.width;
    block.halo = {(sides & 1) != 0 && w.x0 > 0, (sides & 2) != 0 && w.y0 > 0,
                  (sides & 4) != 0 && w.x1 < cells.width, (sides & 8) != 0 && w.y1 < cells.height};
    return block;
}

// A copy of the window and of the halo that `block` has: the picture of the raster's part that
// those cells are, whose own edges have no neighbours.
Cells WindowCopy(const Cells& cells, const Window& w, const BlockHalo& halo) {
    const Window c{w.x0 - halo.left, w.y0 - halo.top, w.x1 + halo.right, w.y1 + halo.bottom};
    Cells copy(c.x1 - c.x0, c.y1 - c.y0, 0.0f);
    for (int64_t y = c.y0; y < c.y1; ++y) {
        for (int64_t x = c.x0; x < c.x1; ++x) {
            copy.Value(x - c.x0, y - c.y0) = cells.values[y * cells.width + x];
            copy.validity[(y - c.y0) * copy.width + x - c.x0] = cells.validity[y * cells.width + x];
        }
    }
    return copy;
}

std::vector<uint8_t> Drawn(Pass pass, const FloatBlock& block, const PseudoColouring& how) {
    std::vector<uint8_t> pixels(static_cast<size_t>(3 * block.width * block.height), 0xEE);
    pass(block, how, pixels.data());
    return pixels;
}

// Pixels [x0, x1) x [y0, y1) of a picture `width` pixels wide.
std::vector<uint8_t> Cut(const std::vector<uint8_t>& pixels, int64_t width, const Window& w) {
    std::vector<uint8_t> cut;
    for (int64_t y = w.y0; y < w.y1; ++y) {
        cut.insert(cut.end(), pixels.begin() + 3 * (y * width + w.x0),
                   pixels.begin() + 3 * (y * width + w.x1));
    }
    return cut;
}

// Cells on the edges between table entries, and one float either side, take the control's own
// entry on every path: the rows work positions out in single precision only where that cannot
// move a cell across an edge. Each entry has its own colour, so an entry off by one shows.
TEST(FastPassCodes, CellsOnTheEdgesBetweenEntriesTakeTheControlsEntry) {
    struct Case {
        const char* name;
        double minimum, maximum;
        int entries;
        bool reverse, clipped;
    };
    const Case cases[] = {
        {"0 to 1000", 0.0, 1000.0, 256, false, false},
        {"odd bounds", -37.25, 1234.5, 255, false, false},
        {"reversed and clipped", -37.25, 1234.5, 255, true, true},
        {"far from zero", 1e5, 1e5 + 700.0, 256, false, false},
        {"too far from zero for floats", 1e7, 1e7 + 10.0, 256, false, true},
        {"index", 0.0, 0.0, 300, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Coloured coloured;
        std::vector<PackedColour> colours;
        for (int i = 0; i < c.entries; ++i)
            colours.push_back(PackColour(i % 256, 255 - i % 256, (i * 37) % 256, 0));
        coloured.SetTable(colours);
        const bool index = c.maximum == c.minimum;
        if (index) {
            coloured.control.SetIndexMapping();
        } else {
            // With limits on, cells beyond the range's own edges are clipped.
            coloured.control.SetLinearMapping(c.minimum, c.maximum, c.clipped, kRangeAbsolute,
                                              c.minimum + 1.0, c.maximum - 1.0);
            coloured.control.SetClipToNull(c.clipped);
        }
        coloured.control.SetReverse(c.reverse);
        std::vector<float> values;
        for (int k = -2; k <= c.entries + 2; ++k) {
            const auto edge = static_cast<float>(
                index ? k : c.minimum + k * (c.maximum - c.minimum) / c.entries);
            values.insert(values.end(), {std::nextafter(edge, -INFINITY), edge,
                                         std::nextafter(edge, INFINITY)});
        }
        Cells cells(static_cast<int64_t>(values.size()), 2, 0.0f);
        for (size_t i = 0; i < values.size(); ++i) {
            cells.Value(static_cast<int64_t>(i), 0) = values[i];
            cells.Value(static_cast<int64_t>(i), 1) = values[values.size() - 1 - i];
        }
        const PseudoColouring how = coloured.Colouring(false, false, {});
        for (const VectorPath path : AvailablePaths()) {
            SCOPED_TRACE(PathName(path));
            const HeldPath held(path);
            EXPECT_EQ(Drawn(&DrawPseudo, cells.Block(), how),
                      Drawn(&DrawPseudoReference, cells.Block(), how));
        }
    }
}

TEST(Halo, WindowsDrawTheSamePixelsAsThePictureOfTheirCellsAndHalo) {
    // A picture wider than one strip of scratch rows, so windows cross the strips' join too.
    const Cells cells = Relief(4096 + 37, 12, 5);
    const auto [low, high] = Statistics(cells);
    std::vector<Window> windows = {
        {0, 0, 4133, 12},     // the whole picture
        {1, 1, 4132, 11},     // all of it but its outer ring
        {0, 0, 9, 6},         // the corners, each touching two of the raster's edges
        {4124, 6, 4133, 12},  //
        {4090, 3, 4101, 7},   // across the strips' join
        {17, 0, 18, 12},      // one column, and one row
        {0, 5, 4133, 6},      //
        {2000, 5, 2001, 6},   // one cell
    };
    std::mt19937 random(3);
    for (int i = 0; i < 12; ++i) {
        const auto x0 = std::uniform_int_distribution<int64_t>(0, 4132)(random);
        const auto y0 = std::uniform_int_distribution<int64_t>(0, 11)(random);
        windows.push_back(
            {x0, y0,
             std::min<int64_t>(4133, x0 + std::uniform_int_distribution<int64_t>(1, 13)(random)),
             std::min<int64_t>(12, y0 + std::uniform_int_distribution<int64_t>(1, 9)(random))});
    }
    for (const size_t m : {size_t{0}, size_t{6}}) {  // a planned and a per-cell lookup
        Coloured c;
        kMappings[m].apply(c, low, high);
        c.TakeFractions();
        const PseudoColouring how = Colouring(c, low, high, Light::kHighlights);
        for (const Pass pass : {&DrawPseudo, &DrawPseudoReference}) {
            for (const Window& w : windows) {
                // Each side with a halo and without, where the cells have it.
                std::set<unsigned> drawn;
                for (unsigned sides = 0; sides < 16; ++sides) {
                    const FloatBlock block = WindowBlock(cells, w, sides);
                    const BlockHalo& h = block.halo;
                    if (!drawn.insert(h.left | h.top << 1 | h.right << 2 | h.bottom << 3).second)
                        continue;
                    const Cells copy = WindowCopy(cells, w, block.halo);
                    const Window inner{block.halo.left, block.halo.top,
                                       block.halo.left + block.width,
                                       block.halo.top + block.height};
                    ASSERT_EQ(Drawn(pass, block, how),
                              Cut(Drawn(pass, copy.Block(), how), copy.width, inner))
                        << kMappings[m].name << (pass == &DrawPseudo ? " fast" : " reference")
                        << ", window " << w.x0 << ", " << w.y0 << " to " << w.x1 << ", " << w.y1
                        << ", sides " << sides;
                }
            }
        }
    }
}

// The first mapping over the cells' range, with highlights.
PseudoColouring LinearWithHighlights(const Cells& cells, Coloured& c) {
    const auto [low, high] = Statistics(cells);
    kMappings[0].apply(c, low, high);
    c.TakeFractions();
    return Colouring(c, low, high, Light::kHighlights);
}

// 0, then steps of the sizes given in turn, up to `extent`.
std::vector<int64_t> Bounds(int64_t extent, const std::vector<int64_t>& steps) {
    std::vector<int64_t> bounds = {0};
    for (size_t i = 0; bounds.back() < extent; ++i)
        bounds.push_back(std::min(extent, bounds.back() + steps[i % steps.size()]));
    return bounds;
}

TEST(Halo, StripsOfRowsDrawTheWholeBlocksPixels) {
    // How a picture is shared out between workers: each strip reads its neighbours' rows.
    const Cells cells = Relief(301, 50, 9);
    Coloured c;
    const PseudoColouring how = LinearWithHighlights(cells, c);
    const FloatBlock whole = WindowBlock(cells, {0, 10, 301, 40}, 15);  // halo above and below
    const std::vector<uint8_t> expected = Drawn(&DrawPseudo, whole, how);
    std::vector<uint8_t> strips(expected.size(), 0xEE);
    const std::vector<int64_t> bounds = Bounds(whole.height, {1, 2, 7, 7, 12});
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        DrawPseudo(whole.Rows(bounds[i], bounds[i + 1]), how,
                   strips.data() + 3 * bounds[i] * whole.width);
    }
    EXPECT_EQ(strips, expected);
}

TEST(Threads, ThreadedPicturesAreTheSingleThreadedOnesByteForByte) {
    // Sizes with and without a halo, one below the threading minimum of pixels, and thread
    // counts up to more than the picture has rows; the minimum is waived for the small ones.
    struct Size {
        int64_t width, height;
        int64_t minimum_pixels;
    };
    const Size sizes[] = {{300, 260, kThreadedPixelsMinimum},
                          {4096 + 11, 40, kThreadedPixelsMinimum},
                          {97, 13, 0},
                          {5, 3, 0},
                          {200, 200, kThreadedPixelsMinimum}};
    for (const Size& size : sizes) {
        const Cells cells = Relief(size.width + 2, size.height + 2, 11);
        for (const size_t m : {size_t{0}, size_t{6}}) {  // a planned and a per-cell lookup
            Coloured c;
            kMappings[m].apply(c, 0.0f, 1000.0f);
            c.TakeFractions();
            for (const Light light : {Light::kOff, Light::kHighlights}) {
                const PseudoColouring how = Colouring(c, 0.0f, 1000.0f, light);
                for (const unsigned sides : {0u, 15u}) {
                    const FloatBlock block =
                        WindowBlock(cells, {1, 1, size.width + 1, size.height + 1}, sides);
                    const std::vector<uint8_t> single = Drawn(&DrawPseudo, block, how);
                    for (const int threads : {1, 2, 3, 8, 50}) {
                        std::vector<uint8_t> threaded(single.size(), 0xEE);
                        DrawPseudoInStrips(block, how, threaded.data(),
                                           {threads, size.minimum_pixels});
                        ASSERT_EQ(threaded, single)
                            << size.width << " x " << size.height << ", " << kMappings[m].name
                            << ", sides " << sides << ", " << threads << " threads";
                    }
                }
            }
        }
    }
}

TEST(Halo, TilesDrawTheWholePicturesPixels) {
    // Narrow tiles put every cell in the last, partial group of four of its row somewhere: a
    // cell's light must not depend on its lane.
    const Cells cells = Relief(1000, 60, 6);
    Coloured c;
    const PseudoColouring how = LinearWithHighlights(cells, c);
    const std::vector<uint8_t> whole = Drawn(&DrawPseudo, cells.Block(), how);
    const std::vector<int64_t> columns = Bounds(cells.width, {1, 2, 3, 5, 7, 6}),
                               rows = Bounds(cells.height, {1, 3, 8});
    for (size_t j = 0; j + 1 < rows.size(); ++j) {
        for (size_t i = 0; i + 1 < columns.size(); ++i) {
            const Window tile{columns[i], rows[j], columns[i + 1], rows[j + 1]};
            ASSERT_EQ(Drawn(&DrawPseudo, WindowBlock(cells, tile, 15), how),
                      Cut(whole, cells.width, tile))
                << "tile " << tile.x0 << ", " << tile.y0;
        }
    }
}

TEST(FastPassSmall, AgreesWithHalosOnEverySide) {
    // The border sizes above, inside one more ring of steep cells.
    const std::pair<int64_t, int64_t> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 2},  {2, 5},
                                                 {5, 2}, {3, 3}, {4, 9}, {33, 17}};
    for (const auto& [w, h] : sizes) {
        Cells cells = Relief(w + 2, h + 2, 4);
        std::mt19937 random(4);
        std::shuffle(cells.values.begin(), cells.values.end(), random);
        Coloured c;
        kMappings[6].apply(c, 0.0f, 1000.0f);
        c.TakeFractions();
        const PseudoColouring how = Colouring(c, 0.0f, 1000.0f, Light::kHighlights);
        for (unsigned sides = 0; sides < 16; ++sides) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << ", sides " << sides);
            const FloatBlock block = WindowBlock(cells, {1, 1, w + 1, h + 1}, sides);
            const auto fast = Drawn(&DrawPseudo, block, how);
            const auto reference = Drawn(&DrawPseudoReference, block, how);
            for (size_t i = 0; i < fast.size(); ++i) {
                ASSERT_LE(std::abs(fast[i] - reference[i]), 1) << "byte " << i;
            }
        }
    }
}

TEST(VectorPaths, EachPathAgreesWithTheReferenceAndDrawsTilesAndStripsExactly) {
    // The tests above take the widest path the processor has; here each path is held in turn,
    // SSE2 too where AVX2 is there. An odd width puts cells in every lane of a partial group.
    const Cells cells = Relief(517, 203, 8);
    const auto [low, high] = Statistics(cells);
    for (const VectorPath path : AvailablePaths()) {
        SCOPED_TRACE(PathName(path));
        const HeldPath held(path);
        for (size_t m = 0; m < std::size(kMappings); ++m) {
            Coloured c;
            kMappings[m].apply(c, low, high);
            if (c.red.empty()) c.TakeFractions();
            for (const Light light : {Light::kShaded, Light::kHighlights}) {
                SCOPED_TRACE(kMappings[m].name);
                ExpectAgreement(cells, Colouring(c, low, high, light));
            }
        }
        Coloured c;
        const PseudoColouring how = LinearWithHighlights(cells, c);
        const std::vector<uint8_t> whole = Drawn(&DrawPseudo, cells.Block(), how);
        const std::vector<int64_t> columns = Bounds(cells.width, {1, 2, 3, 5, 7, 6, 9, 8, 17}),
                                   rows = Bounds(cells.height, {1, 3, 8, 40});
        for (size_t j = 0; j + 1 < rows.size(); ++j) {
            for (size_t i = 0; i + 1 < columns.size(); ++i) {
                const Window tile{columns[i], rows[j], columns[i + 1], rows[j + 1]};
                ASSERT_EQ(Drawn(&DrawPseudo, WindowBlock(cells, tile, 15), how),
                          Cut(whole, cells.width, tile))
                    << "tile " << tile.x0 << ", " << tile.y0;
            }
        }
        for (const int threads : {2, 3, 8}) {
            std::vector<uint8_t> threaded(whole.size(), 0xEE);
            DrawPseudoInStrips(cells.Block(), how, threaded.data(), {threads, 0});
            ASSERT_EQ(threaded, whole) << threads << " threads";
        }
    }
}

TEST(VectorPaths, SmallPicturesAgreeOnEachPath) {
    const std::pair<int64_t, int64_t> sizes[] = {{1, 1}, {7, 1}, {2, 5}, {9, 3}, {17, 4}, {33, 17}};
    for (const VectorPath path : AvailablePaths()) {
        const HeldPath held(path);
        for (const auto& [w, h] : sizes) {
            Cells cells = Relief(w + 2, h + 2, 4);
            std::mt19937 random(4);
            std::shuffle(cells.values.begin(), cells.values.end(), random);
            Coloured c;
            kMappings[6].apply(c, 0.0f, 1000.0f);
            c.TakeFractions();
            const PseudoColouring how = Colouring(c, 0.0f, 1000.0f, Light::kHighlights);
            for (unsigned sides = 0; sides < 16; ++sides) {
                SCOPED_TRACE(testing::Message()
                             << PathName(path) << ", " << w << " x " << h << ", sides " << sides);
                const FloatBlock block = WindowBlock(cells, {1, 1, w + 1, h + 1}, sides);
                const auto fast = Drawn(&DrawPseudo, block, how);
                const auto reference = Drawn(&DrawPseudoReference, block, how);
                for (size_t i = 0; i < fast.size(); ++i) {
                    ASSERT_LE(std::abs(fast[i] - reference[i]), 1) << "byte " << i;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Mappings, FastPass,
                         ::testing::Combine(::testing::Range(size_t{0}, std::size(kMappings)),
                                            ::testing::Values(Light::kOff, Light::kShaded,
                                                              Light::kHighlights)),
                         CaseName);

}  // namespace
