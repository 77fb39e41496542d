// One picture, two platforms: the built plug-in, loaded through the platform layer (dlopen here,
// LoadLibraryW on Windows), draws the stand-in engine's synthetic DEM lit from the north-west in
// hypsometric tints, with the real utility library and the shipped colour tables. The Linux
// build keeps its picture in RH_PICTURE_DIR; the Windows build, run under Wine after it, draws the
// same raster and must match it byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/process_env.h"
#include "tools/plugin_host.h"

namespace {

namespace fs = std::filesystem;
using Tarn::Tools::PluginHost;

constexpr int kWidth = 240;  // one pixel per cell of the stand-in DEM
constexpr int kHeight = 160;

fs::path FromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The picture as the host takes it: one block, 24-bit, bottom row first.
class TwoPlatformPicture : public ::testing::Test {
protected:
    void SetUp() override {
        // One directory per case: CTest runs them side by side.
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir_ = fs::temp_directory_path() / ("two-platform-picture-" + name);
        fs::remove_all(dir_);
        const fs::path program = dir_ / "program";
        fs::create_directories(program);
        const fs::path bin = FromUtf8(RH_BIN_DIR);
        const std::string engine = Tarn::Platform::LibraryFileName("KVRasterAPI");
        const std::string utility = Tarn::Platform::LibraryFileName("KVRasterUtility");
        fs::copy_file(bin / "KVRasterHandlerGDAL.rha", program / "KVRasterHandlerGDAL.rha");
        fs::copy_file(bin / utility, program / utility);
        fs::copy_file(FromUtf8(RH_TEST_BIN_DIR) / "fakes" / "dem_engine" / engine,
                      program / engine);
        fs::copy(bin / "ColorPalettes", program / "ColorPalettes");

        // Settings of the test's own, whatever the machine has: hypsometric tints over the
        // heights, light and highlight from the north-west. No registry value points elsewhere
        // (the Linux registry files are pointed at nothing; the Wine prefix is the test run's).
        const fs::path config = dir_ / "config";
        fs::create_directories(config / "corvane");
        std::ofstream(config / "corvane" / "raster.ini") << "[Colouring]\n"
                                                            "Mode = 3\n"
                                                            "ColourTable = Elevation.clr\n"
                                                            "[Shading]\n"
                                                            "Enabled = yes\n"
                                                            "LightAzimuth = 315\n"
                                                            "LightElevation = 45\n";
        Tarn::Platform::SetEnv("XDG_CONFIG_HOME", Utf8(config));
        Tarn::Platform::SetEnv("APPDATA", Utf8(config));
        Tarn::Platform::SetEnv("CORVANE_USER_REG", Utf8(dir_ / "user.reg"));
        Tarn::Platform::SetEnv("CORVANE_SYSTEM_REG", Utf8(dir_ / "system.reg"));

        raster_ = dir_ / "dem.tif";  // the stand-in engine serves any existing file
        std::ofstream(raster_) << "stand-in";
        std::string error;
        plugin_ = PluginHost::Load(Utf8(program / "KVRasterHandlerGDAL.rha"), error);
        ASSERT_NE(plugin_, nullptr) << error;
    }
    void TearDown() override {
        plugin_.reset();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::vector<uint8_t> Draw() {
        const auto& entry = plugin_->Entry();
        HandlerIdentity identity{};
        EXPECT_EQ(entry.identify(&identity), 1);
        const std::u16string path = raster_.u16string();
        EXPECT_EQ(entry.is_format_w(path.c_str()), 1);
        HostRasterRecord host{};
        if (entry.open_w(&host, path.c_str(), 0) != 1) {
            ADD_FAILURE() << "open failed with error code " << host.error_code;
            return {};
        }
        EXPECT_EQ(host.width, kWidth);
        EXPECT_EQ(host.height, kHeight);
        const DrawRect output{0, 0, kWidth, kHeight};
        const DrawRect cells{0, 0, kWidth, kHeight};
        int output_width = 0;
        std::vector<uint8_t> picture;
        if (entry.start_draw(&host, &output, &cells, 1.0, &output_width) == 1) {
            uint8_t* block = nullptr;
            DrawRect rect{};
            if (entry.get_block(&host, &block, &rect) == 1 && block != nullptr)
                picture.assign(block, block + size_t(kWidth) * kHeight * 3);
            entry.end_draw(&host);
        }
        entry.close(&host);
        EXPECT_FALSE(picture.empty()) << "no picture, error code " << host.error_code;
        return picture;
    }

    fs::path dir_;
    fs::path raster_;
    std::unique_ptr<PluginHost> plugin_;
};

// Bottom row first: pixel (x, y) counted from the top.
const uint8_t* Pixel(const std::vector<uint8_t>& picture, int x, int y) {
    return picture.data() + (size_t(kHeight - 1 - y) * kWidth + x) * 3;
}

int Brightness(const std::vector<uint8_t>& picture, int x, int y) {
    const uint8_t* p = Pixel(picture, x, y);
    return p[0] + p[1] + p[2];
}

TEST_F(TwoPlatformPicture, SameBytesAsTheLinuxBuild) {
    const std::vector<uint8_t> picture = Draw();
    ASSERT_EQ(picture.size(), size_t(kWidth) * kHeight * 3);

    // A shaded, coloured relief: many colours, and the highest hill's north-west flank lit
    // more than its south-east one at the same height.
    std::set<uint32_t> colours;
    for (size_t i = 0; i < picture.size(); i += 3)
        colours.insert(picture[i] | picture[i + 1] << 8 | picture[i + 2] << 16);
    EXPECT_GT(colours.size(), 200u);
    EXPECT_GT(Brightness(picture, 60 - 20, 50 - 20), Brightness(picture, 60 + 20, 50 + 20));

    const fs::path linux_picture = FromUtf8(RH_PICTURE_DIR) / "stand-in-dem.rgb";
#ifdef _WIN32
    std::ifstream in(linux_picture, std::ios::binary);
    if (!in) {
        GTEST_SKIP() << Utf8(linux_picture)
                     << " is missing: the Linux build's tests (scripts/test's first pass) make it";
    }
    const std::vector<uint8_t> expected{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(expected.size(), picture.size());
    size_t differing = 0;
    size_t first = picture.size();
    for (size_t i = 0; i < picture.size(); ++i) {
        if (picture[i] == expected[i]) continue;
        ++differing;
        first = std::min(first, i);
    }
    EXPECT_EQ(differing, 0u) << "bytes differ from the Linux build's picture, the first at pixel "
                             << first / 3 % kWidth << "," << kHeight - 1 - first / 3 / kWidth;
#else
    fs::create_directories(linux_picture.parent_path());
    std::ofstream(linux_picture, std::ios::binary)
        .write(reinterpret_cast<const char*>(picture.data()), std::streamsize(picture.size()));
#endif
}

// A raster whose folder and name lie outside any ANSI code page: its wide path reaches the
// engine, and the style document is made beside it under the name derived from it.
TEST_F(TwoPlatformPicture, NonAsciiRasterPathStaysWholeThroughThePlugIn) {
    const std::vector<uint8_t> plain = Draw();
    ASSERT_FALSE(plain.empty());
    EXPECT_TRUE(fs::exists(dir_ / "dem_tif.ghx"));
    const fs::path folder = dir_ / u8"H\u00F6hen \u5C71";
    fs::create_directories(folder);
    raster_ = folder / u8"dem \u6570.tif";
    std::ofstream(raster_) << "stand-in";
    EXPECT_EQ(Draw(), plain);
    EXPECT_TRUE(fs::exists(folder / u8"dem \u6570_tif.ghx"));
}

}  // namespace
