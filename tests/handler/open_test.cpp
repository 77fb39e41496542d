// Opening rasters through the built plug-in with the real engine and utility library: the host
// record, the default render style documents, their reloading, transparency, the coordinate
// system text, statistics of large rasters, and documents that do not fit their raster or name
// a colour table that is not there.
#include <gdal.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "colour/colour_values.h"
#include "open_support.h"
#include "style/colour_serializer.h"
#include "system/utf.h"

namespace open_test {
namespace {

using Tarn::Colour::ColourSerializer;
using Tarn::Colour::RenderStyleSettings;

HostRasterRecord FreshHost() {
    HostRasterRecord host;
    std::memset(&host, 0, sizeof host);
    return host;
}

std::u16string Wide(const fs::path& path) {
    return Tarn::System::Utf8ToWide(path.string());
}

bool RealLibrariesBuilt() {
    const fs::path bin(RH_BIN_DIR);
    return fs::exists(bin / "KVRasterAPI.so") && fs::exists(bin / "KVRasterUtility.so");
}

#define REQUIRE_REAL_LIBRARIES() \
    if (!RealLibrariesBuilt()) GTEST_SKIP() << "the engine or the utility library is not built"

TEST(Open, HostRecordCarriesSizeUtf8PathAndCorners) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path directory = scratch / "Höhen";
    fs::create_directory(directory);
    const fs::path dem = directory / "dem.tif";
    WriteDem(dem);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    host.open_reset = 77;
    host.error_code = 9;

    ASSERT_EQ(plugin.Open(host, dem), 1);
    EXPECT_EQ(host.open_reset, 0);
    EXPECT_EQ(host.error_code, 0);
    EXPECT_EQ(host.width, 8);
    EXPECT_EQ(host.height, 6);
    EXPECT_EQ(host.open_level, 3);
    EXPECT_STREQ(host.path, dem.c_str());

    ASSERT_NE(host.registration, nullptr);
    const RegistrationPoints& points = *host.registration;
    EXPECT_EQ(points.magic, RH_REGISTRATION_MAGIC);
    EXPECT_EQ(points.size, 384u);
    EXPECT_EQ(points.count, 4);
    for (uint8_t byte : points.zero8) EXPECT_EQ(byte, 0);
    for (uint8_t byte : points.zero188) EXPECT_EQ(byte, 0);
    // 8 x 6 cells of 10 m from the top-left corner (1000, 5000).
    const double expected[4][4] = {
        {0, 0, 1000, 5000}, {8, 0, 1080, 5000}, {8, 6, 1080, 4940}, {0, 6, 1000, 4940}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const ControlPoint& p = points.points[i];
        EXPECT_EQ(p.cell_x, expected[i][0]);
        EXPECT_EQ(p.cell_y, expected[i][1]);
        EXPECT_EQ(p.world_x, expected[i][2]);
        EXPECT_EQ(p.world_y, expected[i][3]);
        EXPECT_EQ(p.cell_w, 1.0);
        EXPECT_EQ(p.world_w, 1.0);
    }

    const auto& context = Context(host);
    EXPECT_EQ(context.marker, Tarn::Handler::kContextAlive);
    EXPECT_EQ(context.field_type, KVR_FIELD_GRID);
    EXPECT_STREQ(context.format_name, "GTiff");
    EXPECT_EQ(context.cell_size_x, 10.0f);
    EXPECT_EQ(context.cell_size_y, 10.0f);
    EXPECT_TRUE(context.y_up);
    EXPECT_TRUE(fs::exists(directory / "dem_tif.ghx"));

    EXPECT_EQ(plugin.Close(&host), 1);
    EXPECT_EQ(host.context, nullptr);
    EXPECT_EQ(host.registration, nullptr);
    EXPECT_EQ(host.error_code, 0);
}

TEST(Open, RasterWithoutGeoreferencingGetsNoRegistrationPoints) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path plain = scratch / "plain.tif";
    WriteDem(plain, {.width = 5, .height = 4, .georeferenced = false});
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, plain), 1);
    EXPECT_EQ(host.width, 5);
    EXPECT_EQ(host.height, 4);
    EXPECT_EQ(host.registration, nullptr);
    EXPECT_EQ(plugin.Close(&host), 1);
}

TEST(Open, PathLongerThanTheRecordIsCutThereButServesInFull) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    // Three directory levels of 200 characters: the path passes the record's 512 bytes.
    fs::path directory = scratch.Path();
    for (char c : {'a', 'b', 'c'}) directory /= std::string(200, c);
    fs::create_directories(directory);
    const fs::path dem = directory / "dem.tif";
    WriteDem(dem);
    ASSERT_GT(dem.string().size(), sizeof HostRasterRecord{}.path);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, dem), 1);
    EXPECT_EQ(std::string(host.path, sizeof host.path), dem.string().substr(0, sizeof host.path));
    // The style document sits beside the raster, not beside a cut path.
    EXPECT_TRUE(fs::exists(directory / "dem_tif.ghx"));
    EXPECT_EQ(plugin.Close(&host), 1);
}

TEST(Open, PathTheEngineCannotOpenLeavesNoContextAndClosesCleanly) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path dem = scratch / "dem.tif";
    WriteDem(dem);
    Plugin plugin;
    HandlerIdentity identity;
    ASSERT_EQ(plugin.Identify(&identity), 1);
    ASSERT_EQ(plugin.IsFormat(dem.c_str()), 1);  // binds the engine, as the host's test does

    HostRasterRecord host = FreshHost();
    host.error_code = 9;
    EXPECT_EQ(plugin.OpenUtf8(&host, (scratch / "missing.tif").c_str(), 0), 0);
    EXPECT_EQ(host.context, nullptr);
    EXPECT_EQ(host.error_code, 9);  // the engine's refusal leaves the code alone
    EXPECT_FALSE(fs::exists(scratch / "missing_tif.ghx"));
    EXPECT_EQ(plugin.Close(&host), 1);
    EXPECT_EQ(host.error_code, 0);
}

TEST(Open, InvalidUtf8PathIsRefused) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path dem = scratch / "dem.tif";
    WriteDem(dem);
    Plugin plugin;
    ASSERT_EQ(plugin.IsFormat(dem.c_str()), 1);
    // The valid prefix names an existing raster; the whole text names none.
    const std::string path = dem.string() + "\xff.x";
    HostRasterRecord host = FreshHost();
    EXPECT_EQ(plugin.OpenUtf8(&host, path.c_str(), 0), 0);
    EXPECT_EQ(host.context, nullptr);
    EXPECT_EQ(plugin.Close(&host), 1);
}

// The default document each kind of raster gets beside it: a style that fits its bands.
struct DefaultStyleCase {
    const char* name;
    void (*write)(const fs::path&);
    uint8_t kind;
    uint32_t bands[3];  // red, green, blue band of an RGB style
};

void PrintTo(const DefaultStyleCase& c, std::ostream* os) {
    *os << c.name;
}

class DefaultStyle : public ::testing::TestWithParam<DefaultStyleCase> {};

TEST_P(DefaultStyle, IsWrittenBesideTheRasterForItsBands) {
    REQUIRE_REAL_LIBRARIES();
    const DefaultStyleCase& c = GetParam();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path raster = scratch / (std::string(c.name) + ".tif");
    c.write(raster);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, raster), 1);
    const fs::path document = scratch / (std::string(c.name) + "_tif.ghx");
    ASSERT_TRUE(fs::exists(document));
    EXPECT_FALSE(Context(host).delete_style_at_close);
    EXPECT_FALSE(Context(host).memory_style.has_value());  // drawn from the document written

    const RenderStyleSettings style = ReadStyle(document);
    EXPECT_EQ(style.kind, c.kind);
    EXPECT_EQ(Context(host).style_kind, c.kind);
    if (c.kind == Tarn::Colour::kRenderStylePseudo) {
        EXPECT_EQ(style.channel.name, "Transform1");
        EXPECT_EQ(style.channel.band, 0u);  // the first band of a multi-band raster too
        EXPECT_EQ(style.channel.field, 0u);
        // The preferences' defaults: colouring mode 3 and the shipped table, with shading.
        const Tarn::Colour::ColourInfo info = ReadTransform(document, "Transform1");
        EXPECT_EQ(info.transform_selector, Tarn::Colour::kSelectInterpolatingTable);
        EXPECT_EQ(info.palette_name, u"Pseudocolor.lut");
        EXPECT_TRUE(info.shading.hillshade_on);
        EXPECT_TRUE(info.shading.highlights_on);
    }
    if (c.kind == Tarn::Colour::kRenderStyleRgb) {
        EXPECT_EQ(style.red.band, c.bands[0]);
        EXPECT_EQ(style.green.band, c.bands[1]);
        EXPECT_EQ(style.blue.band, c.bands[2]);
        for (const char* transform : {"RedTransform", "GreenTransform", "BlueTransform"})
            EXPECT_EQ(ReadTransform(document, transform).transform_selector, 0) << transform;
        EXPECT_EQ(Context(host).channels.size(), 3u);
    }
    if (c.kind == Tarn::Colour::kRenderStyleGreyScale) {
        EXPECT_FALSE(Context(host).shading_on);
    }
    EXPECT_EQ(plugin.Close(&host), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rasters, DefaultStyle,
    ::testing::Values(
        DefaultStyleCase{"dem", [](const fs::path& p) { WriteDem(p); }, 0, {}},
        DefaultStyleCase{"palette", WritePaletteImage, 2, {}},
        // Band 0 holds the colours, bands 1 to 3 the components.
        DefaultStyleCase{"rgb", [](const fs::path& p) { WriteImage(p, 3); }, 1, {1, 2, 3}},
        // A scanned map in grey: no rainbow relief.
        DefaultStyleCase{"grey", WriteGreyImage, 3, {}},
        // Twelve monthly Float32 bands, two byte bands that are not red, green and blue: grids
        // drawn from their first band, not three of them mixed as colours.
        DefaultStyleCase{"series", [](const fs::path& p) { WriteSeries(p, 12); }, 0, {}},
        DefaultStyleCase{"two", [](const fs::path& p) { WriteImage(p, 2); }, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Each variable of a netCDF file is a field of the engine; the first is drawn by default, and a
// style names another by its field.
TEST(Open, ContainerOfTwoVariablesDrawsTheFirstAndTheFieldTheStyleNames) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path raster = scratch / "two.nc";
    WriteTwoVariableNetcdf(raster);
    const fs::path document = scratch / "two_nc.ghx";
    {
        Plugin plugin;
        HostRasterRecord host = FreshHost();
        ASSERT_EQ(plugin.Open(host, raster), 1);
        const RenderStyleSettings style = ReadStyle(document);
        EXPECT_EQ(style.kind, Tarn::Colour::kRenderStylePseudo);
        EXPECT_EQ(style.channel.field, 0u);
        EXPECT_EQ(Context(host).field, 0);
        EXPECT_EQ(Context(host).value_minimum, 0.0f);  // temperature: x + 10 y
        EXPECT_EQ(Context(host).value_maximum, 57.0f);
        EXPECT_EQ(host.width, 8);
        EXPECT_EQ(host.height, 6);
        EXPECT_EQ(plugin.Close(&host), 1);
    }
    RenderStyleSettings style = ReadStyle(document);
    style.channel.field = 1;
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(Wide(document), style).success);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, raster), 1);
    EXPECT_FALSE(Context(host).memory_style.has_value());
    EXPECT_EQ(Context(host).field, 1);
    EXPECT_EQ(Context(host).value_minimum, 100.0f);  // rainfall
    EXPECT_EQ(Context(host).value_maximum, 157.0f);
    const DrawRect all{0, 0, host.width, host.height};
    int width = 0;
    EXPECT_EQ(plugin.StartDraw(&host, &all, &all, 1.0, &width), 1);
    EXPECT_EQ(plugin.EndDraw(&host), 1);
    EXPECT_EQ(plugin.Close(&host), 1);
}

TEST(Open, FreshInstallColoursADemWithTheShippedPseudocolorTable) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path dem = scratch / "dem.tif";
    WriteDem(dem);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, dem), 1);
    const auto& context = Context(host);
    const auto& control = context.colour_control;
    EXPECT_EQ(fs::path(Tarn::System::WideToUtf8(control.TableFile())),
              fs::path(RH_BIN_DIR) / "ColorPalettes" / "Pseudocolor.lut");
    ASSERT_FALSE(control.Table().empty());
    ASSERT_EQ(context.red_fractions.size(), control.Table().size());
    EXPECT_EQ(context.red_fractions.back(),
              Tarn::Colour::PackedRed(control.Table().back().colour) / 255.0);
    ASSERT_TRUE(context.band_statistics);
    // Cells x + 10 y of an 8 x 6 grid.
    EXPECT_EQ(context.value_minimum, 0.0f);
    EXPECT_EQ(context.value_maximum, 57.0f);
    EXPECT_TRUE(context.shading_on);
    EXPECT_EQ(context.background_colour, 0xFFFFFFFFu);
    EXPECT_EQ(plugin.Close(&host), 1);
}

// The colour table a document's transform names, and the mapping the band gets with it.
struct PaletteCase {
    const char* name;
    const char16_t* palette;
    int selector;
    int mapping_kind;
    const char16_t* table_name;
};

void PrintTo(const PaletteCase& c, std::ostream* os) {
    *os << c.name;
}

class PaletteFile : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(PaletteFile, SetsTheTableAndKeepsAMappingOfItsOwn) {
    REQUIRE_REAL_LIBRARIES();
    const PaletteCase& c = GetParam();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path dem = scratch / "dem.tif";
    WriteDem(dem);
    const std::u16string document = Wide(scratch / "dem_tif.ghx");
    Tarn::Colour::ColourInfo info;
    info.palette_name = c.palette;
    info.transform_selector = c.selector;
    ASSERT_TRUE(
        ColourSerializer::SerializeColourInfo(document, "Slopes", info, true, true).success);

    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, dem), 1);
    const auto& control = Context(host).colour_control;
    EXPECT_EQ(control.TableName(), c.table_name);
    EXPECT_EQ(control.MappingKind(), c.mapping_kind);
    EXPECT_EQ(Context(host).red_fractions.size(), control.Table().size());
    EXPECT_EQ(plugin.Close(&host), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, PaletteFile,
    ::testing::Values(
        PaletteCase{"LutLinear", u"Pseudocolor.lut", Tarn::Colour::kSelectLinear,
                    Tarn::Colour::kMappingLinear, u"Pseudocolor"},
        // Stored on another system with other letter case, and with its directory there.
        PaletteCase{"OtherCaseAndDirectory", u"C:\\Palettes\\PSEUDOCOLOR.LUT",
                    Tarn::Colour::kSelectEqualArea, Tarn::Colour::kMappingEqualArea,
                    u"PSEUDOCOLOR"},
        PaletteCase{"LegendRanges", u"Slope.leg", Tarn::Colour::kSelectLinear,
                    Tarn::Colour::kMappingHalfOpenRanges, u"Slope"},
        PaletteCase{"ControlPoints", u"Percentiles.vcp", Tarn::Colour::kSelectLinear,
                    Tarn::Colour::kMappingCeilingPosition, u"Percentiles.vcp"},
        // A table that is nowhere: the preferences' colouring takes over.
        PaletteCase{"Missing", u"Missing.lut", Tarn::Colour::kSelectLinear,
                    Tarn::Colour::kMappingUser, u"Pseudocolor"}),
    [](const auto& info) { return std::string(info.param.name); });

// Documents of rasters in read-only directories go to the temporary directory until the close,
// under names of their own: two rasters of one file name in different directories do not share
// one.
TEST(Open, DocumentsInReadOnlyDirectoriesGoToTheTemporaryDirectoryApartUntilClose) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path temporary = scratch / "tmp";
    fs::create_directory(temporary);
    const fs::path readonly[2] = {scratch / "a", scratch / "b"};
    for (const fs::path& directory : readonly) {
        fs::create_directory(directory);
        WriteDem(directory / "dem.tif");
        fs::permissions(directory,
                        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                            fs::perms::others_exec,
                        fs::perm_options::replace);
    }
    fs::permissions(scratch.Path(), fs::perms::owner_all | fs::perms::others_exec,
                    fs::perm_options::replace);
    fs::permissions(temporary, fs::perms::all, fs::perm_options::replace);
    const ScopedEnv temporary_directory("TMPDIR", temporary.string());

    const Unprivileged outcome = RunUnprivileged([&] {
        Plugin plugin;
        HostRasterRecord hosts[2] = {FreshHost(), FreshHost()};
        for (int i = 0; i < 2; ++i)
            if (!plugin.Loaded() || plugin.Open(hosts[i], readonly[i] / "dem.tif") != 1)
                return false;
        const fs::path placed[2] = {Tarn::System::WideToUtf8(Context(hosts[0]).render_style_path),
                                    Tarn::System::WideToUtf8(Context(hosts[1]).render_style_path)};
        bool apart = placed[0] != placed[1];
        for (int i = 0; i < 2; ++i) {
            const std::string name = placed[i].filename().string();
            apart = apart && Context(hosts[i]).delete_style_at_close &&
                    placed[i].parent_path() == temporary && name.rfind("dem_tif-", 0) == 0 &&
                    placed[i].extension() == ".ghx" && fs::exists(placed[i]) &&
                    !fs::exists(readonly[i] / "dem_tif.ghx");
            int flag = -1;
            apart = apart && plugin.GetCapabilities(&hosts[i], &flag) == 1;
        }
        for (HostRasterRecord& host : hosts) plugin.Close(&host);
        return apart && !fs::exists(placed[0]) && !fs::exists(placed[1]);
    });
    if (outcome == Unprivileged::kUnavailable) GTEST_SKIP() << "cannot run as the user nobody";
    EXPECT_EQ(outcome, Unprivileged::kPassed);
}

TEST(Open, DocumentTouchedBetweenCapabilityCallsIsReloadedAndOnlyThen) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    UsePreferences(scratch.Path(), "[Underviews]\nEnabled = yes\nMode = 0\n");
    const fs::path dem = scratch / "dem.tif";
    WriteDem(dem);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, dem), 1);
    int flag = -1;
    ASSERT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    EXPECT_EQ(flag, 0);  // the new document's underviews: the preference's mode 0

    // Another program turns underviews on but keeps the file's time: nothing is reloaded.
    const fs::path document = scratch / "dem_tif.ghx";
    struct stat before;
    ASSERT_EQ(::stat(document.c_str(), &before), 0);
    RenderStyleSettings style = ReadStyle(document);
    style.underviews = 2;
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(Wide(document), style).success);
    struct stat after;
    ASSERT_EQ(::stat(document.c_str(), &after), 0);
    ShiftModificationTime(document, (before.st_mtim.tv_sec - after.st_mtim.tv_sec) * 1000000000LL +
                                        (before.st_mtim.tv_nsec - after.st_mtim.tv_nsec));
    ASSERT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    EXPECT_EQ(flag, 0);

    // A microsecond later than the last load, within the same second: reloaded.
    ShiftModificationTime(document, 1000);
    ASSERT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Context(host).underview_mode, 1);
    EXPECT_EQ(plugin.Close(&host), 1);
}

// The capability flag by the underview preference, the document's underviews and the style.
struct CapabilityCase {
    const char* name;
    const char* preferences;
    bool palette_image;
    int flag;
};

void PrintTo(const CapabilityCase& c, std::ostream* os) {
    *os << c.name;
}

class Capabilities : public ::testing::TestWithParam<CapabilityCase> {};

TEST_P(Capabilities, FlagFollowsTheUnderviewPreference) {
    REQUIRE_REAL_LIBRARIES();
    const CapabilityCase& c = GetParam();
    Scratch scratch("open");
    UsePreferences(scratch.Path(), c.preferences);
    const fs::path raster = scratch / "raster.tif";
    if (c.palette_image)
        WritePaletteImage(raster);
    else
        WriteDem(raster);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, raster), 1);
    int flag = -1;
    EXPECT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    EXPECT_EQ(flag, c.flag);
    EXPECT_EQ(plugin.Close(&host), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Preferences, Capabilities,
    ::testing::Values(
        CapabilityCase{"OffPalette", "[Underviews]\nEnabled = no\nMode = 2\n", true, 0},
        CapabilityCase{"OffGridWithMode", "[Underviews]\nEnabled = no\nMode = 2\n", false, 0},
        CapabilityCase{"OnPalette", "[Underviews]\nEnabled = yes\nMode = 0\n", true, 1},
        CapabilityCase{"OnGridWithoutMode", "[Underviews]\nEnabled = yes\nMode = 0\n", false, 0},
        CapabilityCase{"OnGridWithMode", "[Underviews]\nEnabled = yes\nMode = 2\n", false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Transparent colour bytes by style: blue, green, red in that order.
struct TransparencyCase {
    const char* name;
    void (*write)(const fs::path&);
    int result;
    uint8_t bytes[3];
};

void PrintTo(const TransparencyCase& c, std::ostream* os) {
    *os << c.name;
}

class Transparency : public ::testing::TestWithParam<TransparencyCase> {};

TEST_P(Transparency, BytesFollowTheStyle) {
    REQUIRE_REAL_LIBRARIES();
    const TransparencyCase& c = GetParam();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path raster = scratch / "raster.tif";
    c.write(raster);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, raster), 1);
    uint8_t bytes[3] = {7, 7, 7};
    EXPECT_EQ(plugin.GetTransparentColour(&host, bytes), c.result);
    EXPECT_EQ(bytes[0], c.bytes[0]);
    EXPECT_EQ(bytes[1], c.bytes[1]);
    EXPECT_EQ(bytes[2], c.bytes[2]);
    EXPECT_EQ(plugin.Close(&host), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, Transparency,
    ::testing::Values(
        TransparencyCase{"Pseudo", [](const fs::path& p) { WriteDem(p); }, 1, {255, 255, 255}},
        TransparencyCase{"Rgb", [](const fs::path& p) { WriteImage(p, 3); }, 1, {0, 0, 0}},
        // A palette field has no transparent colour: nothing is written.
        TransparencyCase{"Palette", WritePaletteImage, 0, {7, 7, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Open, TransparentColourBytesComeBlueGreenRed) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path dem = scratch / "dem.tif";
    WriteDem(dem);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, dem), 1);
    // Only a grey-scale style keeps a colour of its own; the documents never give one, so the
    // context is set directly to tell the byte order apart.
    auto& context = const_cast<Tarn::Handler::HandlerContext&>(Context(host));
    context.style_kind = Tarn::Handler::kStyleGreyScale;
    context.transparent_colour = Tarn::Colour::PackColour(10, 20, 30, 0);
    uint8_t bytes[3] = {};
    EXPECT_EQ(plugin.GetTransparentColour(&host, bytes), 1);
    EXPECT_EQ(bytes[0], 30);
    EXPECT_EQ(bytes[1], 20);
    EXPECT_EQ(bytes[2], 10);
    EXPECT_EQ(plugin.GetTransparentColour(&host, nullptr), 0);
    EXPECT_EQ(plugin.Close(&host), 1);
}

TEST(Open, CoordinateSystemTextIsCutToTheCallersBuffer) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path dem = scratch / "dem.tif";
    const fs::path plain = scratch / "plain.tif";
    WriteDem(dem);
    WriteDem(plain, {.epsg = 0});
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, dem), 1);

    char text[64];
    char* buffer = text;
    EXPECT_EQ(plugin.GetCoordinateSystem(&host, &buffer, sizeof text), 1);
    EXPECT_STREQ(text, "EPSG:32633");
    EXPECT_EQ(plugin.GetCoordinateSystem(&host, &buffer, 6), 1);
    EXPECT_STREQ(text, "EPSG:");
    EXPECT_EQ(plugin.GetCoordinateSystem(&host, nullptr, sizeof text), 0);
    char* no_buffer = nullptr;
    EXPECT_EQ(plugin.GetCoordinateSystem(&host, &no_buffer, sizeof text), 0);
    EXPECT_EQ(plugin.GetCoordinateSystem(nullptr, &buffer, sizeof text), 0);
    EXPECT_EQ(plugin.Close(&host), 1);

    // A raster without a coordinate system has no text to give.
    HostRasterRecord other = FreshHost();
    ASSERT_EQ(plugin.Open(other, plain), 1);
    EXPECT_EQ(plugin.GetCoordinateSystem(&other, &buffer, sizeof text), 0);
    EXPECT_EQ(plugin.Close(&other), 1);
}

TEST(Open, LargeRasterTakesStatisticsFromAnOverviewLevelWithScaledRelief) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    // 2100 x 2100 cells: level 1 (1050 x 1050) still has more than 1048575 cells, level 2 not.
    // The ramp's cells at level 1 lie two columns apart, so their relief is exactly 1.
    const fs::path ramp = scratch / "ramp.tif";
    WriteRamp(ramp, 2100, 2100);
    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, ramp), 1);
    const auto& context = Context(host);
    EXPECT_EQ(context.statistics_level, 1);
    ASSERT_TRUE(context.band_statistics);
    EXPECT_EQ(context.band_statistics->level, 1);
    EXPECT_NEAR(context.relief_statistic, 1.0 / 1.5, 1e-12);
    EXPECT_EQ(plugin.Close(&host), 1);
}

// A document that does not fit its raster (the raster replaced by another of the same name
// with other bands, say) locks the host out of nothing: the raster opens with the default style
// for its bands, drawn from memory, and the document is left as it was until the user saves
// one that fits.
struct StaleCase {
    const char* name;
    // Writes the raster and its document.
    void (*write)(const fs::path& raster, const std::u16string& document);
    int32_t drawn_kind;
};

void PrintTo(const StaleCase& c, std::ostream* os) {
    *os << c.name;
}

void WriteStyleOf(const std::u16string& document, uint8_t kind, uint32_t red_band,
                  uint32_t field = 0) {
    RenderStyleSettings style;
    style.kind = kind;
    style.red.band = red_band;
    style.channel.field = field;
    style.channel.name = "Transform1";
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(document, style).success);
    ASSERT_TRUE(
        ColourSerializer::SerializeColourInfo(document, "Transform1", {}, false, true).success);
}

class StaleDocument : public ::testing::TestWithParam<StaleCase> {};

TEST_P(StaleDocument, OpensWithTheDefaultStyleFromMemoryAndLeavesTheFile) {
    REQUIRE_REAL_LIBRARIES();
    const StaleCase& c = GetParam();
    Scratch scratch("open");
    const fs::path log = scratch / "handler.log";
    IsolateSettings(scratch.Path(), {{"LogFile", log.string()}});
    const fs::path raster = scratch / "raster.tif";
    const fs::path document = scratch / "raster_tif.ghx";
    c.write(raster, Wide(document));
    const std::string stored = FileText(document);

    Plugin plugin;
    HostRasterRecord host = FreshHost();
    host.error_code = 9;
    ASSERT_EQ(plugin.Open(host, raster), 1);
    EXPECT_EQ(host.error_code, 0);
    ASSERT_TRUE(Context(host).memory_style.has_value());
    EXPECT_EQ(Context(host).style_kind, c.drawn_kind);
    EXPECT_EQ(Context(host).field, 0);
    int flag = -1;
    EXPECT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    const DrawRect all{0, 0, host.width, host.height};
    int width = 0;
    ASSERT_EQ(plugin.StartDraw(&host, &all, &all, 1.0, &width), 1);
    EXPECT_EQ(plugin.EndDraw(&host), 1);
    EXPECT_EQ(FileText(document), stored);
    EXPECT_NE(FileText(log).find(document.string() + " does not fit " + raster.string()),
              std::string::npos)
        << FileText(log);

    // The user saves a style that fits: from then on the document is drawn.
    WriteStyleOf(Wide(document), Tarn::Colour::kRenderStylePseudo, 0);
    ShiftModificationTime(document, 1000000000);
    EXPECT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    EXPECT_FALSE(Context(host).memory_style.has_value());
    EXPECT_EQ(Context(host).style_kind, Tarn::Handler::kStylePseudo);
    EXPECT_EQ(plugin.Close(&host), 1);
}

INSTANTIATE_TEST_SUITE_P(Styles, StaleDocument,
                         ::testing::Values(
                             // The image's document, and then a grid under the image's name.
                             StaleCase{"ImageReplacedByAGrid",
                                       [](const fs::path& raster, const std::u16string& document) {
                                           WriteImage(raster, 3);
                                           WriteStyleOf(document, Tarn::Colour::kRenderStyleRgb, 1);
                                           WriteDem(raster);
                                       },
                                       Tarn::Handler::kStylePseudo},
                             // The engine knows bands 0 to 3 of the image, not band 7.
                             StaleCase{"RgbOnUnknownBand",
                                       [](const fs::path& raster, const std::u16string& document) {
                                           WriteImage(raster, 3);
                                           WriteStyleOf(document, Tarn::Colour::kRenderStyleRgb, 7);
                                       },
                                       Tarn::Handler::kStyleRgb},
                             // A grid has neither a colour band nor red, green and blue bands.
                             StaleCase{"PaletteOnGrid",
                                       [](const fs::path& raster, const std::u16string& document) {
                                           WriteDem(raster);
                                           WriteStyleOf(document, Tarn::Colour::kRenderStylePalette,
                                                        0);
                                       },
                                       Tarn::Handler::kStylePseudo},
                             // A variable of a container the raster no longer is.
                             StaleCase{"FieldItHasNot",
                                       [](const fs::path& raster, const std::u16string& document) {
                                           WriteDem(raster);
                                           WriteStyleOf(document, Tarn::Colour::kRenderStylePseudo,
                                                        0, 1);
                                       },
                                       Tarn::Handler::kStylePseudo}),
                         [](const auto& info) { return std::string(info.param.name); });

// A document the plug-in can draw is the user's, kept byte for byte with what other programs
// keep in it: a colour table that is not installed here, or a band without statistics, is
// coloured with the preferences' colouring in memory, and the message log says why.
struct KeptDocumentCase {
    const char* name;
    void (*write)(const fs::path& raster);
    const char* palette;
    const char* logged;
};

void PrintTo(const KeptDocumentCase& c, std::ostream* os) {
    *os << c.name;
}

// Four cells, none with a value.
void WriteEmptyGrid(const fs::path& path) {
    GDALAllRegister();
    GDALDatasetH dataset =
        GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), 2, 2, 1, GDT_Float32, nullptr);
    ASSERT_NE(dataset, nullptr);
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    GDALSetRasterNoDataValue(band, -9999.0);
    ASSERT_EQ(GDALFillRaster(band, -9999.0, 0.0), CE_None);
    GDALClose(dataset);
}

class KeptDocument : public ::testing::TestWithParam<KeptDocumentCase> {};

TEST_P(KeptDocument, IsColouredInMemoryAndLeftByteForByte) {
    REQUIRE_REAL_LIBRARIES();
    const KeptDocumentCase& c = GetParam();
    Scratch scratch("open");
    const fs::path log = scratch / "handler.log";
    IsolateSettings(scratch.Path(), {{"LogFile", log.string()}});
    const fs::path raster = scratch / "raster.tif";
    c.write(raster);
    const fs::path document = scratch / "raster_tif.ghx";
    const std::string stored =
        std::string(
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
            "<ghx>\r\n"
            "\t<Notes author=\"another program\">kept as it is</Notes>\r\n"
            "\t<RasterHandler>\r\n"
            "\t\t<Colour version=\"1\">\r\n"
            "\t\t\t<RenderStyle value=\"Pseudo\" Underviews=\"0\">\r\n"
            "\t\t\t\t<Pseudo field=\"0\" band=\"0\" name=\"Mine\"/>\r\n"
            "\t\t\t</RenderStyle>\r\n"
            "\t\t\t<TransformsList>\r\n"
            "\t\t\t\t<Transform name=\"Mine\" UserDefinedMapping=\"false\">\r\n"
            "\t\t\t\t\t<Description>\r\n"
            "\t\t\t\t\t\t<Datamapping>0</Datamapping>\r\n"
            "\t\t\t\t\t\t<PaletteName>") +
        c.palette +
        "</PaletteName>\r\n"
        "\t\t\t\t\t\t<Reverse>true</Reverse>\r\n"
        "\t\t\t\t\t</Description>\r\n"
        "\t\t\t\t</Transform>\r\n"
        "\t\t\t</TransformsList>\r\n"
        "\t\t</Colour>\r\n"
        "\t</RasterHandler>\r\n"
        "</ghx>\r\n";
    std::ofstream(document, std::ios::binary) << stored;

    Plugin plugin;
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, raster), 1);
    EXPECT_FALSE(Context(host).memory_style.has_value());
    EXPECT_EQ(Context(host).style_name, "Mine");
    EXPECT_FALSE(Context(host).colour_control.Table().empty());
    int flag = -1;
    EXPECT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    uint8_t bgr[3] = {};
    EXPECT_EQ(plugin.GetTransparentColour(&host, bgr), 1);
    const DrawRect all{0, 0, host.width, host.height};
    int width = 0;
    ASSERT_EQ(plugin.StartDraw(&host, &all, &all, 1.0, &width), 1);
    EXPECT_EQ(plugin.EndDraw(&host), 1);
    EXPECT_EQ(plugin.Close(&host), 1);
    EXPECT_EQ(FileText(document), stored);
    EXPECT_NE(FileText(log).find(c.logged), std::string::npos) << FileText(log);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, KeptDocument,
    ::testing::Values(KeptDocumentCase{"ColourTableNotInstalled",
                                       [](const fs::path& p) { WriteDem(p); }, "MyTints.lut",
                                       "the colour table \"MyTints.lut\" cannot be loaded"},
                      KeptDocumentCase{"BandWithoutStatistics", WriteEmptyGrid, "Pseudocolor.lut",
                                       "band 0 has no statistics"}),
    [](const auto& info) { return std::string(info.param.name); });

// A "Palette" style needs no transforms: its document is written once and then kept, with
// what the user changed in it.
TEST(Open, PaletteDocumentIsWrittenOnceAndKeptWithTheUsersEdits) {
    REQUIRE_REAL_LIBRARIES();
    Scratch scratch("open");
    IsolateSettings(scratch.Path());
    const fs::path raster = scratch / "palette.tif";
    WritePaletteImage(raster);
    const fs::path document = scratch / "palette_tif.ghx";
    Plugin plugin;
    for (int open = 0; open < 2; ++open) {
        HostRasterRecord host = FreshHost();
        ASSERT_EQ(plugin.Open(host, raster), 1);
        EXPECT_EQ(Context(host).style_kind, Tarn::Handler::kStylePalette);
        EXPECT_EQ(plugin.Close(&host), 1);
        if (open == 1) break;
        std::string text = FileText(document);
        const size_t at = text.find("value=\"Palette\"");
        ASSERT_NE(at, std::string::npos) << text;
        text.insert(at, "note=\"the user's\" ");
        std::ofstream(document, std::ios::binary) << text;
    }
    EXPECT_NE(FileText(document).find("note=\"the user's\" value=\"Palette\""), std::string::npos)
        << FileText(document);
}

}  // namespace
}  // namespace open_test
