// Drawing through the built plug-in with the real engine, on rasters made here: every style
// kind, pictures north-up whole and for a cell window, shading lit from the bearing the style
// names, shaded windows that are exactly their part of the whole picture, RH_GetLine against
// RH_GetBlock, and the failures a host can meet.
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "colour/colour_values.h"
#include "open_support.h"
#include "style/colour_serializer.h"
#include "system/utf.h"

namespace open_test {
namespace {

namespace Colour = Tarn::Colour;
using Rgb = std::array<int, 3>;

Rgb RgbOf(Colour::PackedColour c) {
    return {Colour::PackedRed(c), Colour::PackedGreen(c), Colour::PackedBlue(c)};
}

std::u16string Wide(const fs::path& path) {
    return Tarn::System::Utf8ToWide(path.string());
}

HostRasterRecord FreshHost() {
    HostRasterRecord host;
    std::memset(&host, 0, sizeof host);
    return host;
}

GDALDatasetH CreateTiff(const fs::path& path, int width, int height, int bands, GDALDataType type) {
    GDALAllRegister();
    GDALDatasetH dataset =
        GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, bands, type, nullptr);
    EXPECT_NE(dataset, nullptr) << path;
    if (dataset == nullptr) return nullptr;
    double transform[6] = {1000, 10, 0, 5000, 0, -10};  // north-up, 10 m cells
    GDALSetGeoTransform(dataset, transform);
    return dataset;
}

void FillBand(GDALRasterBandH band, int width, int height,
              const std::function<double(int, int)>& value) {
    std::vector<double> cells(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) cells[static_cast<size_t>(y) * width + x] = value(x, y);
    EXPECT_EQ(GDALRasterIO(band, GF_Write, 0, 0, width, height, cells.data(), width, height,
                           GDT_Float64, 0, 0),
              CE_None);
}

constexpr double kNoData = -9999.0;

// One Float32 band, rows from the north; cells equal to kNoData have no value.
void WriteGrid(const fs::path& path, int width, int height,
               const std::function<double(int, int)>& value) {
    GDALDatasetH dataset = CreateTiff(path, width, height, 1, GDT_Float32);
    if (dataset == nullptr) return;
    GDALSetRasterNoDataValue(GDALGetRasterBand(dataset, 1), kNoData);
    FillBand(GDALGetRasterBand(dataset, 1), width, height, value);
    GDALClose(dataset);
}

// Byte bands of `width` x `height` whose GDAL band b holds 20 b + x + y, with these colour
// interpretations.
void WriteByteImage(const fs::path& path, const std::vector<GDALColorInterp>& interpretations,
                    int width = 8, int height = 6) {
    const int bands = static_cast<int>(interpretations.size());
    GDALDatasetH dataset = CreateTiff(path, width, height, bands, GDT_Byte);
    if (dataset == nullptr) return;
    for (int b = 1; b <= bands; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(dataset, b);
        GDALSetRasterColorInterpretation(band, interpretations[b - 1]);
        FillBand(band, width, height, [b](int x, int y) { return 20 * b + x + y; });
    }
    GDALClose(dataset);
}

Rgb ImageBytes(int red_band, int green_band, int blue_band, int x, int y) {
    return {20 * red_band + x + y, 20 * green_band + x + y, 20 * blue_band + x + y};
}

// One Byte band of `width` x `height` with a four-entry colour table, cell (x, y) showing
// entry (x + y) % 4.
void WritePaletteImage(const fs::path& path, int width, int height) {
    GDALDatasetH dataset = CreateTiff(path, width, height, 1, GDT_Byte);
    if (dataset == nullptr) return;
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    const GDALColorEntry entries[4] = {
        {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
    for (int i = 0; i < 4; ++i) GDALSetColorEntry(table, i, &entries[i]);
    GDALSetRasterColorTable(GDALGetRasterBand(dataset, 1), table);
    GDALDestroyColorTable(table);
    FillBand(GDALGetRasterBand(dataset, 1), width, height,
             [](int x, int y) { return (x + y) % 4; });
    GDALClose(dataset);
}

// Cuts the file to half its length: the header survives, reads of the cells fail.
void CutShort(const fs::path& path) {
    fs::resize_file(path, fs::file_size(path) / 2);
}

// A render style document of `kind` with one default transform.
void WriteStyle(const fs::path& document, uint8_t kind) {
    Colour::RenderStyleSettings style;
    style.kind = kind;
    ASSERT_TRUE(Colour::ColourSerializer::SerializeRenderStyle(Wide(document), style).success);
    // A document without transforms counts as missing and is replaced by the default one.
    ASSERT_TRUE(
        Colour::ColourSerializer::SerializeColourInfo(Wide(document), "Transform1", {}, false, true)
            .success);
}

// A picture in delivered order: row 0 is the north edge of the drawn cells.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;

    Rgb At(int x, int y) const {
        const size_t p = 3 * (static_cast<size_t>(y) * width + x);
        return {bytes[p], bytes[p + 1], bytes[p + 2]};
    }
};

bool RealLibrariesBuilt() {
    const fs::path bin(RH_BIN_DIR);
    return fs::exists(bin / "KVRasterAPI.so") && fs::exists(bin / "KVRasterUtility.so");
}

class Drawing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RealLibrariesBuilt()) GTEST_SKIP() << "the engine or the utility library is not built";
        IsolateSettings(scratch_.Path());
    }
    void TearDown() override {
        if (opened_) {
            EXPECT_EQ(plugin_.Close(&host_), 1);
        }
    }

    void Open(const fs::path& raster) {
        ASSERT_EQ(plugin_.Open(host_, raster), 1) << raster;
        opened_ = true;
    }
    const Tarn::Handler::HandlerContext& Ctx() const { return Context(host_); }

    int Start(const DrawRect& output, const DrawRect& cells, double lines_per_row = 1.0) {
        int width = -1;
        const int result = plugin_.StartDraw(&host_, &output, &cells, lines_per_row, &width);
        // Written whatever follows, and wide enough for any rectangle.
        EXPECT_EQ(width, static_cast<int>(int64_t{output.x1} - output.x0));
        return result;
    }

    // Draws, takes the picture with RH_GetBlock and ends it.
    Picture Draw(const DrawRect& output, const DrawRect& cells) {
        Picture picture;
        if (Start(output, cells) != 1) {
            ADD_FAILURE() << "RH_StartDraw failed, error " << host_.error_code;
            return picture;
        }
        EXPECT_EQ(host_.error_code, 0);
        picture.width = output.x1 - output.x0;
        picture.height = output.y1 - output.y0;
        const size_t row = 3 * static_cast<size_t>(picture.width);
        uint8_t* block = nullptr;
        DrawRect rect{};
        if (plugin_.GetBlock(&host_, &block, &rect) != 1 || block == nullptr) {
            ADD_FAILURE() << "RH_GetBlock failed";
            return picture;
        }
        EXPECT_EQ(std::memcmp(&rect, &output, sizeof rect), 0);
        // The block comes bottom row first.
        for (int y = picture.height - 1; y >= 0; --y)
            picture.bytes.insert(picture.bytes.end(), block + y * row, block + (y + 1) * row);
        EXPECT_EQ(plugin_.EndDraw(&host_), 1);
        return picture;
    }

    Picture DrawWhole() {
        const DrawRect all{0, 0, host_.width, host_.height};
        return Draw(all, all);
    }

    // The host's cell rectangle for columns x0..x1 and rows y0..y1 counted from the north edge.
    DrawRect CellsFromTop(int x0, int y0, int x1, int y1) const {
        return {x0, host_.height - y1, x1, host_.height - y0};
    }

    Scratch scratch_{"draw"};
    Plugin plugin_;
    HostRasterRecord host_ = FreshHost();
    bool opened_ = false;
};

// Cells x + 10 y with one cell without a value, coloured without shading.
class UnshadedDem : public Drawing {
protected:
    void SetUp() override {
        Drawing::SetUp();
        if (IsSkipped()) return;
        // Pictures at other scales show the cell under each pixel's centre (underview mode 1),
        // so that they can be checked cell by cell.
        UsePreferences(scratch_.Path(),
                       "[Shading]\nEnabled = no\n[Underviews]\nEnabled = yes\nMode = 1\n");
        const fs::path dem = scratch_ / "dem.tif";
        WriteGrid(dem, 8, 6, [](int x, int y) { return x == 3 && y == 2 ? kNoData : x + 10 * y; });
        Open(dem);
    }
    Rgb Expected(int x, int y) const {
        if (x == 3 && y == 2) return RgbOf(Ctx().background_colour);
        return RgbOf(Ctx().colour_control.ValueToColour(x + 10 * y));
    }
};

TEST_F(UnshadedDem, EachCellTakesItsColourNorthUpAndNoDataTheBackground) {
    ASSERT_FALSE(Ctx().shading_on);
    const Picture picture = DrawWhole();
    ASSERT_EQ(picture.bytes.size(), 8u * 6 * 3);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(picture.At(x, y), Expected(x, y)) << x << ", " << y;
    // The north row and the south row differ: a picture upside down would not pass.
    EXPECT_NE(picture.At(0, 0), picture.At(0, 5));
    EXPECT_EQ(picture.At(3, 2), (Rgb{255, 255, 255}));
}

TEST_F(UnshadedDem, CellWindowIsThatPartOfTheRaster) {
    // Columns 2 to 5 and rows 1 to 3 from the north, cell for cell and at twice the size.
    const Picture same = Draw({0, 0, 4, 3}, CellsFromTop(2, 1, 6, 4));
    const Picture doubled = Draw({10, 20, 18, 26}, CellsFromTop(2, 1, 6, 4));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(same.At(x, y), Expected(2 + x, 1 + y)) << x << ", " << y;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(doubled.At(x, y), Expected(2 + x / 2, 1 + y / 2)) << x << ", " << y;
}

TEST_F(UnshadedDem, LinesAreTheRowsOfTheBlock) {
    // Whole rows, then two cell rows per picture row; the host counts lines from the bottom.
    struct Case {
        DrawRect output;
        double lines_per_row;
    };
    for (const Case& c : {Case{{0, 0, 8, 6}, 1.0}, Case{{0, 0, 8, 3}, 2.0}}) {
        SCOPED_TRACE(c.lines_per_row);
        const DrawRect cells{0, 0, 8, 6};
        ASSERT_EQ(Start(c.output, cells, c.lines_per_row), 1);
        const size_t row = 8 * 3;
        std::vector<std::vector<uint8_t>> lines;
        for (int32_t line = cells.y0; line < cells.y1; ++line) {
            uint8_t* at = nullptr;
            int16_t flag = 5;
            ASSERT_EQ(plugin_.GetLine(&host_, line, &at, &flag), 1) << line;
            EXPECT_EQ(flag, 0);
            lines.emplace_back(at, at + row);
        }
        uint8_t* block = nullptr;
        DrawRect rect{};
        ASSERT_EQ(plugin_.GetBlock(&host_, &block, &rect), 1);
        for (int32_t line = cells.y0; line < cells.y1; ++line) {
            const int r = static_cast<int>((line - cells.y0) / c.lines_per_row);
            EXPECT_TRUE(std::equal(lines[line].begin(), lines[line].end(), block + r * row))
                << "line " << line;
        }
        // The bottom line is the south edge.
        EXPECT_EQ(std::vector<uint8_t>(lines[0].begin(), lines[0].begin() + 3),
                  (std::vector<uint8_t>{uint8_t(Expected(0, 5)[0]), uint8_t(Expected(0, 5)[1]),
                                        uint8_t(Expected(0, 5)[2])}));
        EXPECT_EQ(plugin_.EndDraw(&host_), 1);
        uint8_t* after = nullptr;
        EXPECT_EQ(plugin_.GetLine(&host_, 0, &after, nullptr), 0);
        EXPECT_EQ(plugin_.GetBlock(&host_, &after, &rect), 0);
    }
}

TEST_F(UnshadedDem, PictureNeverEndedIsReplacedByTheNext) {
    // The first picture is not ended; the sanitizer build sees a leak if it stays behind.
    ASSERT_EQ(Start({0, 0, 8, 6}, {0, 0, 8, 6}), 1);
    const Picture second = Draw({0, 0, 4, 3}, CellsFromTop(2, 1, 6, 4));
    EXPECT_EQ(second.At(0, 0), Expected(2, 1));
    EXPECT_EQ(Ctx().pixels, nullptr);
}

TEST_F(UnshadedDem, RectanglesWithoutAPictureFail) {
    struct Case {
        const char* name;
        DrawRect output;
        int error;  // left in the host record; 9 stands for "untouched"
    };
    const Case cases[] = {
        {"empty", {0, 0, 0, 6}, 9},
        {"inverted", {0, 6, 8, 0}, 9},
        {"wider than the engine can resample", {INT_MIN, 0, INT_MAX, 1}, 9},
        // 2^31 - 1 pixels square is far beyond half of any machine's memory.
        {"beyond memory", {0, 0, INT_MAX, INT_MAX}, RH_ERROR_MEMORY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_.error_code = 9;
        EXPECT_EQ(Start(c.output, {0, 0, 8, 6}), 0);
        EXPECT_EQ(host_.error_code, c.error);
        EXPECT_EQ(Ctx().pixels, nullptr);
        uint8_t* row = nullptr;
        EXPECT_EQ(plugin_.GetLine(&host_, 0, &row, nullptr), 0);
    }
}

TEST_F(Drawing, HostWithoutAnOpenRasterGetsNoPicture) {
    const DrawRect rect{0, 0, 4, 4};
    int width = 0;
    EXPECT_EQ(plugin_.StartDraw(&host_, &rect, &rect, 1.0, &width), 0);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(plugin_.StartDraw(nullptr, &rect, &rect, 1.0, &width), 0);
    EXPECT_EQ(plugin_.StartDraw(&host_, &rect, nullptr, 1.0, nullptr), 0);
}

// A square pyramid seen with the light from four bearings: the two faces towards the light are
// equally bright, the two away from it equally dark.
struct LightCase {
    int azimuth;
    const char* lit;  // the faces towards the light, of "N", "E", "S", "W"
};

void PrintTo(const LightCase& c, std::ostream* os) {
    *os << c.azimuth;
}

class Lighting : public Drawing, public ::testing::WithParamInterface<LightCase> {};

TEST_P(Lighting, FacesTowardsTheBearingAreLit) {
    std::ostringstream prefs;
    prefs << "[Shading]\nEnabled = yes\nLightAzimuth = " << GetParam().azimuth
          << "\nLightElevation = 45\nHighlights = no\n";
    UsePreferences(scratch_.Path(), prefs.str());
    const fs::path dem = scratch_ / "pyramid.tif";
    // Slopes of 45 degrees: 10 m up per 10 m cell towards the peak at (20, 20).
    WriteGrid(dem, 41, 41, [](int x, int y) {
        return 400.0 - 10 * std::max(std::abs(x - 20), std::abs(y - 20));
    });
    Open(dem);
    ASSERT_TRUE(Ctx().shading_on);
    const Picture picture = DrawWhole();
    // Four cells at the same height, hence the same colour, one on each face.
    const auto brightness = [&](int x, int y) {
        const Rgb c = picture.At(x, y);
        return c[0] + c[1] + c[2];
    };
    const std::pair<char, int> faces[] = {{'N', brightness(20, 10)},
                                          {'E', brightness(30, 20)},
                                          {'S', brightness(20, 30)},
                                          {'W', brightness(10, 20)}};
    std::vector<int> lit, dark;
    for (const auto& [face, value] : faces)
        (std::strchr(GetParam().lit, face) ? lit : dark).push_back(value);
    ASSERT_EQ(lit.size(), 2u);
    EXPECT_NEAR(lit[0], lit[1], 3);
    EXPECT_NEAR(dark[0], dark[1], 3);
    EXPECT_GT(std::min(lit[0], lit[1]), std::max(dark[0], dark[1]) + 60);
}

INSTANTIATE_TEST_SUITE_P(Bearings, Lighting,
                         ::testing::Values(LightCase{315, "NW"}, LightCase{45, "NE"},
                                           LightCase{135, "SE"}, LightCase{225, "SW"}),
                         [](const auto& info) { return std::to_string(info.param.azimuth); });

TEST_F(Drawing, ShadedWindowIsThatPartOfTheWholePicture) {
    // Hills with highlights and a cell without a value: a window's border is lit from the cells
    // around it, and on the raster's own edges as the whole picture lights them.
    UsePreferences(scratch_.Path(),
                   "[Shading]\nEnabled = yes\nLightAzimuth = 315\nLightElevation = 40\n"
                   "Highlights = yes\nHighlightSize = 50\n");
    const fs::path dem = scratch_ / "hills.tif";
    WriteGrid(dem, 23, 17, [](int x, int y) {
        if (x == 9 && y == 7) return kNoData;
        return 200 + 40 * std::sin(x * 0.7) * std::cos(y * 0.5) + (3 * x * y) % 7;
    });
    Open(dem);
    ASSERT_TRUE(Ctx().shading_on);
    const Picture whole = DrawWhole();
    struct Window {
        const char* name;
        int x0, y0, x1, y1;  // rows from the north
    };
    const Window windows[] = {
        {"inside", 5, 4, 15, 12},
        {"north-west corner", 0, 0, 6, 5},
        {"south-east corner", 17, 12, 23, 17},
        {"around the hole", 8, 6, 11, 9},
        {"one cell", 3, 3, 4, 4},
        {"one row", 0, 8, 23, 9},
        {"one column", 11, 0, 12, 17},
        {"all but the outer ring", 1, 1, 22, 16},
    };
    for (const Window& w : windows) {
        SCOPED_TRACE(w.name);
        const Picture part =
            Draw({0, 0, w.x1 - w.x0, w.y1 - w.y0}, CellsFromTop(w.x0, w.y0, w.x1, w.y1));
        for (int y = 0; y < part.height; ++y)
            for (int x = 0; x < part.width; ++x)
                ASSERT_EQ(part.At(x, y), whole.At(w.x0 + x, w.y0 + y)) << x << ", " << y;
    }
}

TEST_F(Drawing, GreyScaleDrawsTheBandFromBlackToWhiteUnshaded) {
    const fs::path dem = scratch_ / "dem.tif";
    WriteGrid(dem, 8, 6, [](int x, int y) { return x * x + 10 * y; });
    Open(dem);
    const Picture pseudo = DrawWhole();

    // Another program turns the style to grey scale.
    const fs::path document = scratch_ / "dem_tif.ghx";
    std::stringstream text;
    text << std::ifstream(document).rdbuf();
    std::string xml = text.str();
    for (const std::string from : {"value=\"Pseudo\"", "<Pseudo "}) {
        const size_t at = xml.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        xml.replace(at, from.size(), from[0] == '<' ? "<GreyScale " : "value=\"GreyScale\"");
    }
    std::ofstream(document, std::ios::trunc) << xml;
    ShiftModificationTime(document, 2000000000);
    int flag = -1;
    ASSERT_EQ(plugin_.GetCapabilities(&host_, &flag), 1);
    ASSERT_EQ(Ctx().style_kind, Tarn::Handler::kStyleGreyScale);

    // A grey-scale style has no colour table of its own: grey from black at the band's minimum
    // to white at its maximum, one grey level per value step, whatever the earlier style was.
    const Picture grey = DrawWhole();
    EXPECT_NE(grey.bytes, pseudo.bytes);
    EXPECT_EQ(grey.At(0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(grey.At(7, 5), (Rgb{255, 255, 255}));
    int previous = -1;
    for (int x = 0; x < 8; ++x) {
        const Rgb cell = grey.At(x, 0);
        EXPECT_EQ(cell[0], cell[1]);
        EXPECT_EQ(cell[1], cell[2]);
        EXPECT_GT(cell[0], previous) << x;
        previous = cell[0];
    }
}

TEST_F(Drawing, PaletteImageShowsItsColourTable) {
    const fs::path image = scratch_ / "palette.tif";
    WritePaletteImage(image, 8, 6);
    Open(image);
    ASSERT_EQ(Ctx().style_kind, Tarn::Handler::kStylePalette);
    const Rgb entries[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    const Picture picture = DrawWhole();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(picture.At(x, y), entries[(x + y) % 4]) << x << ", " << y;
}

TEST_F(Drawing, PaletteStyleOnRedGreenAndBlueBandsDrawsTheBandComposite) {
    const fs::path image = scratch_ / "bands.tif";
    // Four bands, the first three red, green and blue: no colour band to show.
    WriteByteImage(image, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_Undefined});
    WriteStyle(scratch_ / "bands_tif.ghx", Colour::kRenderStylePalette);
    Open(image);
    ASSERT_EQ(Ctx().style_kind, Tarn::Handler::kStyleBandComposite);
    const Picture picture = DrawWhole();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(picture.At(x, y), ImageBytes(1, 2, 3, x, y)) << x << ", " << y;
}

// "RGB" styles, one per way of assembling the picture.
struct RgbCase {
    const char* name;
    std::vector<GDALColorInterp> interpretations;
    uint32_t bands[3];  // the style's red, green and blue band
    bool direct;        // each channel shows its bytes as they are
    int gdal_bands[3];  // for direct channels: the GDAL band each one shows
};

void PrintTo(const RgbCase& c, std::ostream* os) {
    *os << c.name;
}

// The "RGB" style document of a case for `image`.
void WriteRgbStyle(const fs::path& image, const RgbCase& c) {
    fs::path document_path = image;
    document_path.replace_filename(image.stem().string() + "_tif.ghx");
    const std::u16string document = Wide(document_path);
    Colour::RenderStyleSettings style;
    style.kind = Colour::kRenderStyleRgb;
    style.red.band = c.bands[0];
    style.green.band = c.bands[1];
    style.blue.band = c.bands[2];
    ASSERT_TRUE(Colour::ColourSerializer::SerializeRenderStyle(document, style).success);
    Colour::ColourInfo info;
    if (c.direct) info.transform_selector = Colour::kSelectDirect;  // direct maximum 8
    for (const Colour::StyleChannel* channel : {&style.red, &style.green, &style.blue})
        ASSERT_TRUE(Colour::ColourSerializer::SerializeColourInfo(document, channel->name, info,
                                                                  false, true)
                        .success);
}

class RgbStyle : public Drawing, public ::testing::WithParamInterface<RgbCase> {};

TEST_P(RgbStyle, ChannelsShowTheirBands) {
    const RgbCase& c = GetParam();
    const fs::path image = scratch_ / "image.tif";
    WriteByteImage(image, c.interpretations);
    WriteRgbStyle(image, c);
    Open(image);
    ASSERT_EQ(Ctx().style_kind, Tarn::Handler::kStyleRgb);

    const Picture picture = DrawWhole();
    if (c.direct) {
        const auto [r, g, b] = c.gdal_bands;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(picture.At(x, y), ImageBytes(r, g, b, x, y)) << x << ", " << y;
        return;
    }
    // Each channel runs through a ramp from (1, 1, 1) to its primary over the band's range,
    // lowest in the north-west corner and highest in the south-east one.
    EXPECT_EQ(picture.At(0, 0), (Rgb{1, 1, 1}));
    EXPECT_EQ(picture.At(7, 5), (Rgb{255, 255, 255}));
    for (int x = 1; x < 8; ++x) EXPECT_GT(picture.At(x, 0)[0], picture.At(x - 1, 0)[0]) << x;
}

INSTANTIATE_TEST_SUITE_P(
    Assemblies, RgbStyle,
    ::testing::Values(
        // An image of red, green and blue bytes (band 0 its colours, bands 1 to 3 the
        // components) read in one block of colours, the bands in another order.
        RgbCase{
            "ColourBlock", {GCI_RedBand, GCI_GreenBand, GCI_BlueBand}, {3, 1, 2}, true, {3, 1, 2}},
        RgbCase{"ColourBlockThroughRamps",
                {GCI_RedBand, GCI_GreenBand, GCI_BlueBand},
                {1, 2, 3},
                false,
                {}},
        // The first band is no colour: three blocks of bytes (band i is GDAL band i + 1).
        RgbCase{"ByteBlocks",
                {GCI_Undefined, GCI_RedBand, GCI_GreenBand, GCI_BlueBand},
                {3, 2, 1},
                true,
                {4, 3, 2}},
        RgbCase{"FloatBlocksThroughRamps",
                {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_Undefined},
                {0, 1, 2},
                false,
                {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every style kind on a picture large enough to be shared out: the same bytes from one thread
// as from several, the preference read at open.
struct ThreadedCase {
    const char* name;
    const char* preferences;
    std::function<void(const fs::path& raster)> write;
    uint8_t style_kind;
};

void PrintTo(const ThreadedCase& c, std::ostream* os) {
    *os << c.name;
}

class Threaded : public Drawing, public ::testing::WithParamInterface<ThreadedCase> {};

constexpr int kThreadedWidth = 300, kThreadedHeight = 271;  // above the threading minimum

TEST_P(Threaded, PicturesAreTheSingleThreadedOnesByteForByte) {
    const ThreadedCase& c = GetParam();
    const fs::path raster = scratch_ / "raster.tif";
    c.write(raster);
    Picture single;
    for (const int threads : {1, 2, 3, 8}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        UsePreferences(scratch_.Path(), std::string(c.preferences) + "[Drawing]\nThreads = " +
                                            std::to_string(threads) + "\n");
        Open(raster);
        ASSERT_EQ(Ctx().style_kind, c.style_kind);
        ASSERT_EQ(Ctx().draw_threads_preference, threads);
        const Picture picture = DrawWhole();
        ASSERT_EQ(plugin_.Close(&host_), 1);
        opened_ = false;
        ASSERT_EQ(picture.bytes.size(), size_t{3} * kThreadedWidth * kThreadedHeight);
        if (threads == 1) {
            single = picture;
            // Not one colour all over.
            bool varied = false;
            for (size_t i = 3; i < picture.bytes.size() && !varied; i += 3)
                varied = std::memcmp(picture.bytes.data(), picture.bytes.data() + i, 3) != 0;
            EXPECT_TRUE(varied);
        } else {
            ASSERT_TRUE(picture.bytes == single.bytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    StyleKinds, Threaded,
    ::testing::Values(
        ThreadedCase{"ShadedWithHighlights",
                     "[Shading]\nEnabled = yes\nHighlights = yes\nHighlightSize = 50\n",
                     [](const fs::path& raster) {
                         WriteGrid(raster, kThreadedWidth, kThreadedHeight, [](int x, int y) {
                             if ((x - 100) * (x - 100) + (y - 90) * (y - 90) < 200) return kNoData;
                             return 200 + 40 * std::sin(x * 0.07) * std::cos(y * 0.05) +
                                    (3 * x * y) % 7;
                         });
                     },
                     Tarn::Handler::kStylePseudo},
        ThreadedCase{"Palette", "",
                     [](const fs::path& raster) {
                         WritePaletteImage(raster, kThreadedWidth, kThreadedHeight);
                     },
                     Tarn::Handler::kStylePalette},
        ThreadedCase{"BandComposite", "",
                     [](const fs::path& raster) {
                         WriteByteImage(raster,
                                        {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_Undefined},
                                        kThreadedWidth, kThreadedHeight);
                         WriteStyle(fs::path(raster).replace_filename("raster_tif.ghx"),
                                    Colour::kRenderStylePalette);
                     },
                     Tarn::Handler::kStyleBandComposite},
        ThreadedCase{"RgbColourBlock", "",
                     [](const fs::path& raster) {
                         const RgbCase c{"", {GCI_RedBand, GCI_GreenBand, GCI_BlueBand},
                                         {3, 1, 2}, true, {}};
                         WriteByteImage(raster, c.interpretations, kThreadedWidth,
                                        kThreadedHeight);
                         WriteRgbStyle(raster, c);
                     },
                     Tarn::Handler::kStyleRgb},
        ThreadedCase{"RgbColourBlockThroughRamps", "",
                     [](const fs::path& raster) {
                         const RgbCase c{"", {GCI_RedBand, GCI_GreenBand, GCI_BlueBand},
                                         {1, 2, 3}, false, {}};
                         WriteByteImage(raster, c.interpretations, kThreadedWidth,
                                        kThreadedHeight);
                         WriteRgbStyle(raster, c);
                     },
                     Tarn::Handler::kStyleRgb},
        ThreadedCase{"RgbByteBlocks", "",
                     [](const fs::path& raster) {
                         const RgbCase c{"",
                                         {GCI_Undefined, GCI_RedBand, GCI_GreenBand, GCI_BlueBand},
                                         {3, 2, 1},
                                         true,
                                         {}};
                         WriteByteImage(raster, c.interpretations, kThreadedWidth,
                                        kThreadedHeight);
                         WriteRgbStyle(raster, c);
                     },
                     Tarn::Handler::kStyleRgb},
        ThreadedCase{"RgbFloatBlocks", "",
                     [](const fs::path& raster) {
                         const RgbCase c{"",
                                         {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_Undefined},
                                         {0, 1, 2},
                                         false,
                                         {}};
                         WriteByteImage(raster, c.interpretations, kThreadedWidth,
                                        kThreadedHeight);
                         WriteRgbStyle(raster, c);
                     },
                     Tarn::Handler::kStyleRgb}),
    [](const auto& info) { return std::string(info.param.name); });

// A raster whose cells cannot be read (cut short after its header) is no picture of the
// background: whatever its style, the draw fails with error 2, and the plug-in's message log
// says which raster and why, in GDAL's words.
struct RefusalCase {
    const char* name;
    std::function<void(const fs::path&, const fs::path& document)> write;
    int32_t kind;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class EngineRefusal : public Drawing, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(EngineRefusal, FailsWithError2AndLogsTheEnginesReason) {
    const RefusalCase& c = GetParam();
    const fs::path log = scratch_ / "handler.log";
    IsolateSettings(scratch_.Path(), {{"LogFile", log.string()}});
    const fs::path raster = scratch_ / "raster.tif";
    c.write(raster, scratch_ / "raster_tif.ghx");
    CutShort(raster);
    Open(raster);
    ASSERT_EQ(Ctx().style_kind, c.kind);
    host_.error_code = 9;
    const DrawRect all{0, 0, host_.width, host_.height};
    ASSERT_EQ(Start(all, all), 0);
    EXPECT_EQ(host_.error_code, RH_ERROR_ENGINE);
    EXPECT_EQ(Ctx().pixels, nullptr);  // nothing left for an RH_EndDraw that may not come
    uint8_t* row = nullptr;
    EXPECT_EQ(plugin_.GetLine(&host_, 0, &row, nullptr), 0);

    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    EXPECT_NE(text.str().find(raster.string() + ": cells x 0..128, y 0..128 cannot be drawn"),
              std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("IReadBlock failed"), std::string::npos) << text.str();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EngineRefusal,
    ::testing::Values(
        RefusalCase{"Pseudo",
                    [](const fs::path& p, const fs::path&) {
                        WriteGrid(p, 128, 128, [](int x, int y) { return x + y; });
                    },
                    Tarn::Handler::kStylePseudo},
        RefusalCase{"Palette",
                    [](const fs::path& p, const fs::path&) { WritePaletteImage(p, 128, 128); },
                    Tarn::Handler::kStylePalette},
        RefusalCase{"Rgb",
                    [](const fs::path& p, const fs::path&) {
                        WriteByteImage(p, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand}, 128, 128);
                    },
                    Tarn::Handler::kStyleRgb},
        RefusalCase{"BandComposite",
                    [](const fs::path& p, const fs::path& document) {
                        WriteByteImage(p, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_Undefined},
                                       128, 128);
                        WriteStyle(document, Colour::kRenderStylePalette);
                    },
                    Tarn::Handler::kStyleBandComposite}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace open_test
