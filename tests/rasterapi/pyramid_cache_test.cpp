// The pyramid cache on small rasters with a lowered threshold: when a pyramid is built, that a
// later open draws from it, that its pictures match the raster's within the averaging's
// tolerance, that a changed raster gets a new one, that a cut or damaged build is never used,
// that the least recently used go beyond the cap, that a cache that cannot be written costs only
// speed; and the statistics of a large raster against the exact ones.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "raster_fixtures.h"
#include "tests/support/unprivileged.h"
#include "tests/support/param_names.h"

namespace Tarn::RasterApiTest {
namespace {

namespace fs = std::filesystem;

constexpr double kNoData = -9999;

struct CacheSettings {
    bool enabled = true;
    int threshold = 64;  // reads of more than 64 x 64 cells are large
    int cap_megabytes = 2048;
    std::string directory;  // the test's own cache directory unless given
};

// The engine reads [Pyramids] from the preferences file the registry files or XDG_CONFIG_HOME
// name; each case runs in its own process, so the environment is the case's own.
class PyramidCacheTest : public ::testing::Test {
protected:
    void SetUp() override { Configure({}); }

    void Configure(const CacheSettings& settings) {
        const std::string config = dir_.File("config");
        fs::create_directories(config + "/corvane");
        std::ofstream(config + "/corvane/raster.ini")
            << "[Pyramids]\nEnabled = " << (settings.enabled ? "yes" : "no")
            << "\nThreshold = " << settings.threshold << "\nCacheLimit = " << settings.cap_megabytes
            << "\nDirectory = " << (settings.directory.empty() ? Cache() : settings.directory)
            << "\n";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv("CORVANE_USER_REG", dir_.File("none.reg").c_str(), 1);
        setenv("CORVANE_SYSTEM_REG", dir_.File("none.reg").c_str(), 1);
    }

    std::string Cache() const { return dir_.File("cache"); }

    // Complete pyramids in the cache, by name.
    std::vector<std::string> Entries() const { return Files(".tif"); }
    // Every file in the cache whose name contains `part`.
    std::vector<std::string> Files(const std::string& part = "") const {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(Cache(), ignored))
            if (entry.path().filename().string().find(part) != std::string::npos)
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir_;
};

// Heights of a smooth surface: averaging it by two and then by two again differs from averaging
// it by four at once only in rounding, so the cache's pictures must match the raster's closely.
double Smooth(int /*band*/, int x, int y) {
    return 500 + 300 * std::sin(x / 41.0) * std::cos(y / 57.0) + 0.5 * x - 0.25 * y;
}

// The smooth surface with a round hole of no-data in it.
double Holed(int band, int x, int y) {
    const double dx = x - 150, dy = y - 200;
    return dx * dx + dy * dy < 60 * 60 ? kNoData : Smooth(band, x, y);
}

// Values without any pattern (a hash of the cell): they do not compress, so a pyramid's size on
// disk is close to its cells' bytes.
double Noise(int band, int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                 static_cast<uint32_t>(band) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<double>(h % 1000000) / 7.0;
}

std::string WriteTiled(const std::string& path, int side, const CellValue& value) {
    RasterRecipe recipe;
    recipe.width = recipe.height = side;
    recipe.nodata = kNoData;
    recipe.creation_options = {"TILED=YES", "BLOCKXSIZE=64", "BLOCKYSIZE=64"};
    return WriteRaster(path, recipe, value);
}

struct Picture {
    std::vector<float> values;
    std::vector<uint8_t> valid;
};

// A window drawn as the plug-in draws grids: 32-bit floats, the automatic underview mode.
Picture Draw(const std::string& path, int x, int y, int cells, int pixels, int mode = 5) {
    EngineRaster raster(path);
    Picture picture;
    EXPECT_TRUE(raster.ok());
    if (!raster.ok()) return picture;
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_FLOAT, x, y, cells, cells, pixels, pixels, 0, mode);
    EXPECT_EQ(block.status, 0);
    if (block.status != 0) return picture;
    const size_t count = static_cast<size_t>(pixels) * pixels;
    picture.values.assign(static_cast<float*>(block.data), static_cast<float*>(block.data) + count);
    picture.valid.assign(block.validity, block.validity + count);
    return picture;
}

Picture DrawWhole(const std::string& path, int side, int pixels, int mode = 5) {
    return Draw(path, 0, 0, side, pixels, mode);
}

// Sets every level of a cached pyramid to `value`: a picture showing it can only come from the
// cache.
void Poison(const std::string& entry, double value) {
    GDALDatasetH pyramid = GDALOpen(entry.c_str(), GA_Update);
    ASSERT_NE(pyramid, nullptr) << entry;
    GDALRasterBandH band = GDALGetRasterBand(pyramid, 1);
    EXPECT_EQ(GDALFillRaster(band, value, 0), CE_None);
    for (int i = 0; i < GDALGetOverviewCount(band); ++i)
        EXPECT_EQ(GDALFillRaster(GDALGetOverview(band, i), value, 0), CE_None);
    GDALClose(pyramid);
}

bool AllValidAre(const Picture& picture, float value) {
    bool any = false;
    for (size_t i = 0; i < picture.values.size(); ++i) {
        if (!picture.valid[i]) continue;
        any = true;
        if (picture.values[i] != value) return false;
    }
    return any;
}

// The largest difference between the valid pixels of two pictures, and how many pixels differ in
// validity.
struct Difference {
    double values = 0;
    int validity = 0;
};

Difference Compare(const Picture& a, const Picture& b) {
    Difference d;
    for (size_t i = 0; i < a.values.size() && i < b.values.size(); ++i) {
        if (a.valid[i] != b.valid[i]) {
            ++d.validity;
        } else if (a.valid[i]) {
            d.values = std::max(d.values, std::fabs(double{a.values[i]} - b.values[i]));
        }
    }
    return d;
}

// A reduced draw of a raster above the threshold builds the pyramid; a later open of the same
// raster draws from it (its poisoned levels show), while reads at one cell per pixel or magnified
// still come from the raster.
TEST_F(PyramidCacheTest, LaterOpensDrawFromThePyramid) {
    const std::string path = WriteTiled(dir_.File("dem.tif"), 512, Smooth);
    EXPECT_TRUE(Entries().empty());
    DrawWhole(path, 512, 64);
    const std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(Files(), entries) << "nothing but the pyramid is left";

    Poison(Cache() + "/" + entries[0], 12345);
    EXPECT_TRUE(AllValidAre(DrawWhole(path, 512, 64), 12345));
    EXPECT_TRUE(AllValidAre(DrawWhole(path, 512, 100), 12345)) << "any reduced scale";
    const Picture cell_for_cell = Draw(path, 100, 100, 32, 32);
    const Picture magnified = Draw(path, 100, 100, 32, 64);
    for (const Picture* picture : {&cell_for_cell, &magnified}) {
        ASSERT_FALSE(picture->values.empty());
        EXPECT_NEAR(picture->values[0], Smooth(1, 100, 100), 5.0);
    }
    EXPECT_NEAR(cell_for_cell.values[33], Smooth(1, 101, 101), 1e-3);
    EXPECT_EQ(Entries(), entries);
}

// When a draw builds a pyramid: only for reduced reads, with the kernel the pyramid averages
// with, of more cells than the threshold from the raster's own levels, when the cache is on and
// the pyramid fits under the cap.
struct WhenCase {
    const char* name;
    CacheSettings settings;
    int cells, pixels;  // a window at the north-west corner
    int mode;
    std::vector<int> own_overviews;
    bool builds;
};

void PrintTo(const WhenCase& c, std::ostream* out) {
    *out << c.name;
}

class PyramidWhen : public PyramidCacheTest, public ::testing::WithParamInterface<WhenCase> {};

TEST_P(PyramidWhen, BuiltForLargeReducedReadsOnly) {
    const WhenCase& c = GetParam();
    Configure(c.settings);
    RasterRecipe recipe;
    recipe.width = recipe.height = 256;
    recipe.overviews = c.own_overviews;
    recipe.overview_resampling = "AVERAGE";
    const std::string path = WriteRaster(dir_.File("g.tif"), recipe, Smooth);
    const Picture picture = Draw(path, 0, 0, c.cells, c.pixels, c.mode);
    EXPECT_FALSE(picture.values.empty());
    EXPECT_EQ(Entries().size(), c.builds ? 1u : 0u);
}

CacheSettings Settings(bool enabled, int threshold, int cap_megabytes = 2048) {
    CacheSettings settings;
    settings.enabled = enabled;
    settings.threshold = threshold;
    settings.cap_megabytes = cap_megabytes;
    return settings;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PyramidWhen,
    ::testing::Values(
        WhenCase{"whole raster reduced", Settings(true, 64), 256, 32, 5, {}, true},
        WhenCase{
            "bilinear mode reduces by averaging too", Settings(true, 64), 256, 32, 1, {}, true},
        WhenCase{"cache off", Settings(false, 64), 256, 32, 5, {}, false},
        WhenCase{"read within the threshold", Settings(true, 64), 64, 16, 5, {}, false},
        WhenCase{"reduced by less than two", Settings(true, 64), 256, 200, 5, {}, false},
        WhenCase{"magnified", Settings(true, 16), 128, 256, 5, {}, false},
        WhenCase{"nearest cells asked for", Settings(true, 64), 256, 32, 0, {}, false},
        WhenCase{"own overviews suffice", Settings(true, 64), 256, 32, 5, {2, 4, 8}, false},
        WhenCase{"own overviews too few", Settings(true, 64), 256, 32, 5, {2}, true},
        WhenCase{"pyramid beyond the cap", Settings(true, 64, 0), 256, 32, 5, {}, false}),
                         Tarn::Test::PrintedName());

// Pictures drawn from the pyramid against the same pictures drawn with the cache off, from the
// raster: averaged in steps of two instead of at once, the values differ by little, and the
// outline of a hole by at most the pixels along it.
struct MatchCase {
    const char* name;
    int x, y, cells, pixels;
    bool hole;
    double tolerance;  // heights span about 900
    int validity_changes;
};

void PrintTo(const MatchCase& c, std::ostream* out) {
    *out << c.name;
}

class PyramidPictures : public PyramidCacheTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(PyramidPictures, MatchTheRasterWithinTheAveragingsTolerance) {
    const MatchCase& c = GetParam();
    const std::string path = WriteTiled(dir_.File("dem.tif"), 512, c.hole ? Holed : Smooth);
    CacheSettings off;
    off.enabled = false;
    Configure(off);
    const Picture from_raster = Draw(path, c.x, c.y, c.cells, c.pixels);
    Configure({});
    const Picture from_cache = Draw(path, c.x, c.y, c.cells, c.pixels);
    ASSERT_EQ(Entries().size(), 1u);
    const Difference d = Compare(from_cache, from_raster);
    EXPECT_LE(d.values, c.tolerance);
    EXPECT_LE(d.validity, c.validity_changes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PyramidPictures,
    ::testing::Values(MatchCase{"by eight", 0, 0, 512, 64, false, 0.001, 0},
                      MatchCase{"by an uneven factor", 0, 0, 512, 77, false, 1.0, 0},
                      MatchCase{"a window", 100, 60, 300, 50, false, 1.0, 0},
                      MatchCase{"around a hole", 0, 0, 512, 64, true, 3.0, 2 * 60}),
                         Tarn::Test::PrintedName());

// Packed colours (format 110) of the whole raster drawn at `pixels`, and how many pyramids the
// draw left.
std::vector<uint32_t> DrawColours(const std::string& path, int side, int pixels) {
    EngineRaster raster(path);
    EXPECT_TRUE(raster.ok());
    Block block;
    Populate(block, raster.raster(), KVR_BLOCK_COLOUR, 0, 0, side, side, pixels, pixels, 0);
    EXPECT_EQ(block.status, 0);
    if (block.status != 0) return {};
    const auto* words = static_cast<const uint32_t*>(block.data);
    return std::vector<uint32_t>(words, words + static_cast<size_t>(pixels) * pixels);
}

// A palette raster's pyramid keeps the most frequent class: its pictures show the palette's
// colours only, and where each pixel covers one class, the raster's own.
TEST_F(PyramidCacheTest, PaletteRasterKeepsItsClasses) {
    RasterRecipe recipe;
    recipe.width = recipe.height = 256;
    recipe.type = GDT_Byte;
    recipe.palette = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    // Classes in squares of 16 cells, so that each pixel of a picture reduced by 8 covers one.
    const std::string path = WriteRaster(dir_.File("classes.tif"), recipe,
                                         [](int, int x, int y) { return (x / 16 + y / 16) % 3; });
    CacheSettings off;
    off.enabled = false;
    Configure(off);
    const std::vector<uint32_t> expected = DrawColours(path, 256, 32);
    Configure({});
    const std::vector<uint32_t> colours = DrawColours(path, 256, 32);
    EXPECT_EQ(Entries().size(), 1u);
    EXPECT_EQ(colours, expected);
    for (uint32_t colour : DrawColours(path, 256, 23))
        EXPECT_TRUE(colour == 0x0000FFu || colour == 0x00FF00u || colour == 0xFF0000u) << colour;
}

// Images are averaged like grids; an image masked by its alpha band gets no pyramid.
TEST_F(PyramidCacheTest, ImagesAveragedAndAlphaImagesLeftAlone) {
    const auto component = [](int band, int x, int y) { return (x * band + y * (4 - band)) % 256; };
    for (const bool alpha : {false, true}) {
        RasterRecipe recipe;
        recipe.width = recipe.height = 256;
        recipe.type = GDT_Byte;
        recipe.bands = alpha ? 4 : 3;
        recipe.creation_options = {"PHOTOMETRIC=RGB"};
        if (alpha) recipe.creation_options.push_back("ALPHA=YES");
        const std::string path = WriteRaster(
            dir_.File(alpha ? "rgba.tif" : "rgb.tif"), recipe, [&](int band, int x, int y) {
                return band == 4 ? 255 : component(band, x / 4, y / 4);
            });
        CacheSettings off;
        off.enabled = false;
        Configure(off);
        const std::vector<uint32_t> expected = DrawColours(path, 256, 32);
        Configure({});
        const std::vector<uint32_t> colours = DrawColours(path, 256, 32);
        ASSERT_EQ(colours.size(), expected.size());
        int worst = 0;
        for (size_t i = 0; i < colours.size(); ++i)
            for (int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(static_cast<int>((colours[i] >> shift) & 0xFF) -
                                                 static_cast<int>((expected[i] >> shift) & 0xFF)));
        EXPECT_LE(worst, 1) << (alpha ? "RGBA" : "RGB");
    }
    EXPECT_EQ(Entries().size(), 1u) << "the RGB image's only";
}

// A raster rewritten in place (same size, new cells) is drawn from a new pyramid: the one of its
// earlier version, poisoned, never shows.
TEST_F(PyramidCacheTest, ChangedRasterGetsANewPyramid) {
    const std::string path = WriteTiled(dir_.File("dem.tif"), 512, Smooth);
    DrawWhole(path, 512, 64);
    const std::vector<std::string> before = Entries();
    ASSERT_EQ(before.size(), 1u);
    Poison(Cache() + "/" + before[0], 12345);

    WriteTiled(path, 512, [](int band, int x, int y) { return Smooth(band, x, y) + 1000; });
    const Picture picture = DrawWhole(path, 512, 64);
    ASSERT_FALSE(picture.values.empty());
    EXPECT_NEAR(picture.values[0], 1000 + Smooth(1, 4, 4), 10.0);
    EXPECT_FALSE(AllValidAre(picture, 12345));
    EXPECT_EQ(Entries().size(), 2u);
}

// A process killed while it builds leaves only temporary files, which no draw takes for a
// pyramid: the next draw builds its own and draws right. Leftovers an hour old go then.
TEST_F(PyramidCacheTest, BuildCutShortIsNeverUsed) {
    const std::string path = WriteTiled(dir_.File("dem.tif"), 2048, Smooth);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DrawWhole(path, 2048, 64);
        std::_Exit(0);
    }
    // Killed once GDAL writes the levels, before they are complete.
    bool writing = false;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!writing && std::chrono::steady_clock::now() < give_up) {
        for (const std::string& name : Files(".vrt.ovr")) {
            std::error_code gone;
            writing = writing || fs::file_size(Cache() + "/" + name, gone) > 0;
        }
        if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(writing) << "the build never started";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the build finished before it could be cut short";
    EXPECT_TRUE(Entries().empty());
    const std::vector<std::string> leftovers = Files(".part-");
    EXPECT_FALSE(leftovers.empty());

    const Picture picture = DrawWhole(path, 2048, 64);
    ASSERT_EQ(Entries().size(), 1u);
    CacheSettings off;
    off.enabled = false;
    Configure(off);
    EXPECT_LE(Compare(picture, DrawWhole(path, 2048, 64)).values, 0.01);
    EXPECT_EQ(Files(".part-"), leftovers) << "a build of another process may still be running";

    // An hour later they are leftovers for sure, and the next build removes them.
    for (const std::string& name : leftovers)
        fs::last_write_time(Cache() + "/" + name,
                            fs::file_time_type::clock::now() - std::chrono::hours(2));
    Configure({});
    DrawWhole(WriteTiled(dir_.File("other.tif"), 512, Smooth), 512, 64);
    EXPECT_TRUE(Files(".part-").empty());
    EXPECT_EQ(Entries().size(), 2u);
}

// A pyramid damaged on disk (cut short behind the engine's back) is dropped: the draw reads the
// raster instead, or a pyramid built anew, and no broken file stays.
TEST_F(PyramidCacheTest, DamagedPyramidIsDropped) {
    const std::string path = WriteTiled(dir_.File("dem.tif"), 512, Smooth);
    CacheSettings off;
    off.enabled = false;
    Configure(off);
    const Picture expected = DrawWhole(path, 512, 64);
    Configure({});
    DrawWhole(path, 512, 64);
    const std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    const std::string entry = Cache() + "/" + entries[0];
    const uintmax_t intact = fs::file_size(entry);
    fs::resize_file(entry, intact / 2);

    const Picture picture = DrawWhole(path, 512, 64);
    const Difference d = Compare(picture, expected);
    EXPECT_LE(d.values, 0.01);
    EXPECT_EQ(d.validity, 0);
    std::error_code gone;
    const uintmax_t now = fs::file_size(entry, gone);
    EXPECT_TRUE(gone || now == intact) << "the broken pyramid is still there";
}

// Beyond the cap the least recently used pyramid goes: a use counts, not the build's order.
TEST_F(PyramidCacheTest, LeastRecentlyUsedGoBeyondTheCap) {
    CacheSettings settings;
    settings.cap_megabytes = 1;
    Configure(settings);
    // Noise does not compress: each pyramid takes a little over a third of a megabyte, so two
    // fit under the cap and three do not.
    auto draw_new = [&](const std::string& name) {
        const std::string path = WriteTiled(dir_.File(name), 600, Noise);
        const std::vector<std::string> before = Entries();
        DrawWhole(path, 600, 75);
        std::vector<std::string> added;
        for (const std::string& entry : Entries())
            if (std::find(before.begin(), before.end(), entry) == before.end())
                added.push_back(entry);
        EXPECT_EQ(added.size(), 1u) << name;
        return std::make_pair(path, added.empty() ? std::string() : added[0]);
    };
    const auto [a_path, a] = draw_new("a.tif");
    const auto [b_path, b] = draw_new("b.tif");
    const uintmax_t size = fs::file_size(Cache() + "/" + a);
    ASSERT_GT(size * 3, uintmax_t{1} << 20);
    ASSERT_LT(size * 2, uintmax_t{1} << 20);
    EXPECT_EQ(Entries().size(), 2u);

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    DrawWhole(a_path, 600, 75);  // a is used again, so b is now the least recently used
    const auto [c_path, c] = draw_new("c.tif");
    std::vector<std::string> expected{a, c};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(), expected);
}

// A cache directory that cannot be written costs nothing but speed: the picture is right and
// nothing is left anywhere.
TEST_F(PyramidCacheTest, UnwritableCacheCostsOnlySpeed) {
    const std::string path = WriteTiled(dir_.File("dem.tif"), 512, Smooth);
    CacheSettings off;
    off.enabled = false;
    Configure(off);
    const Picture expected = DrawWhole(path, 512, 64);

    // A file where the directory would have to be: no one can create it.
    std::ofstream(dir_.File("in-the-way")) << "x";
    CacheSettings blocked;
    blocked.directory = dir_.File("in-the-way/pyramids");
    Configure(blocked);
    const Difference d = Compare(DrawWhole(path, 512, 64), expected);
    EXPECT_EQ(d.values, 0.0);
    EXPECT_EQ(d.validity, 0);

    // A read-only directory: as root the check runs as nobody, who may read the raster.
    fs::create_directories(Cache());
    fs::permissions(Cache(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read |
                                 fs::perms::others_exec);
    fs::permissions(dir_.Path(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    Configure({});
    const Tarn::Test::Unprivileged outcome = Tarn::Test::RunUnprivileged([&] {
        const Picture picture = DrawWhole(path, 512, 64);
        const Difference d = Compare(picture, expected);
        return !picture.values.empty() && d.values == 0.0 && d.validity == 0 && Files().empty();
    });
    fs::permissions(Cache(), fs::perms::owner_all, fs::perm_options::add);
    if (outcome == Tarn::Test::Unprivileged::kUnavailable)
        GTEST_SKIP() << "cannot drop root's rights";
    EXPECT_EQ(outcome, Tarn::Test::Unprivileged::kPassed);
}

// Statistics of a raster above the threshold at a level, against the exact ones of every cell:
// from the pyramid (built by the request, as a draw would) they are those of the averaged level;
// with the cache off, from a sample of about the threshold's cells. The tolerances are shares of
// the heights' range.
struct StatisticsCase {
    const char* name;
    bool cache;
    double extremes, mean, deviation, relief;  // tolerances
};

void PrintTo(const StatisticsCase& c, std::ostream* out) {
    *out << c.name;
}

class PyramidStatistics : public PyramidCacheTest,
                          public ::testing::WithParamInterface<StatisticsCase> {};

// Mean absolute difference of horizontally and vertically adjacent valid cells.
double Relief(const std::vector<double>& grid, int side) {
    double sum = 0;
    int64_t pairs = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double v = grid[static_cast<size_t>(y) * side + x];
            if (v == kNoData) continue;
            for (const auto& [nx, ny] : {std::pair{x - 1, y}, std::pair{x, y - 1}}) {
                if (nx < 0 || ny < 0) continue;
                const double n = grid[static_cast<size_t>(ny) * side + nx];
                if (n == kNoData) continue;
                sum += std::fabs(v - n);
                ++pairs;
            }
        }
    }
    return sum / pairs;
}

// A terrain of ridges at several scales, with a hole: 1024 x 1024 cells.
double Ridged(int band, int x, int y) {
    const double base = Holed(band, x % 512, y % 512);
    if (base == kNoData) return kNoData;
    return base + 120 * std::sin(x / 9.0 + std::sin(y / 13.0)) * std::cos(y / 11.0);
}

TEST_P(PyramidStatistics, LargeRasterWithinToleranceOfExact) {
    const StatisticsCase& c = GetParam();
    CacheSettings settings;
    settings.enabled = c.cache;
    settings.threshold = 256;  // the raster has 16 times the threshold's cells
    Configure(settings);
    constexpr int kSide = 1024, kLevel = 2, kLevelSide = kSide >> kLevel;
    const std::string path = WriteTiled(dir_.File("dem.tif"), kSide, Ridged);

    const std::vector<double> cells = GdalRead(path, 1, 0, 0, kSide, kSide, kSide, kSide);
    double minimum = INFINITY, maximum = -INFINITY, sum = 0, squares = 0;
    int64_t valid = 0;
    for (double v : cells) {
        if (v == kNoData) continue;
        minimum = std::min(minimum, v), maximum = std::max(maximum, v), sum += v, ++valid;
    }
    const double mean = sum / valid;
    for (double v : cells)
        if (v != kNoData) squares += (v - mean) * (v - mean);
    const double deviation = std::sqrt(squares / valid);
    const double range = maximum - minimum;
    // The relief at the level: of its cells, each the average of the cells it covers.
    const double relief = Relief(
        GdalRead(path, 1, 0, 0, kSide, kSide, kLevelSide, kLevelSide, GRIORA_Average), kLevelSide);

    EngineRaster raster(path);
    ASSERT_TRUE(raster.ok());
    KvrStatistics* s = nullptr;
    ASSERT_EQ(Engine().ComputeStatistics(raster.raster(), 0, 0, kLevel, INT64_MIN, INT64_MAX, &s, 4,
                                         -1, 0),
              0);
    EXPECT_EQ(s->level, kLevel);
    EXPECT_NEAR(s->minimum, minimum, c.extremes * range);
    EXPECT_NEAR(s->maximum, maximum, c.extremes * range);
    EXPECT_NEAR(s->mean, mean, c.mean * range);
    EXPECT_NEAR(s->standard_deviation, deviation, c.deviation * range);
    EXPECT_EQ(s->relief_computed, 1);
    EXPECT_NEAR(s->relief, relief, c.relief * relief);
    EXPECT_NEAR(s->bins[s->bin_count - 1].cumulative_fraction, 1.0, 1e-12);
    // The pyramid answers for the whole level; the sample for a part of it.
    EXPECT_EQ(Entries().size(), c.cache ? 1u : 0u);
    if (c.cache)
        EXPECT_EQ(s->cell_count, int64_t{kLevelSide} * kLevelSide);
    else
        EXPECT_LT(s->cell_count, int64_t{kLevelSide} * kLevelSide / 4);
    Engine().ReleaseStatistics(&s);
}

INSTANTIATE_TEST_SUITE_P(Sources, PyramidStatistics,
                         ::testing::Values(StatisticsCase{"pyramid", true, 0.02, 0.002, 0.005,
                                                          0.01},
                                           StatisticsCase{"sample", false, 0.1, 0.03, 0.03, 0.1}),
                         Tarn::Test::PrintedName());

}  // namespace
}  // namespace Tarn::RasterApiTest
