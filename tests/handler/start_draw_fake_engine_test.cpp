// Drawing through the built plug-in with a stand-in engine: the cell block requests it makes
// for windows of a "y up" raster and of one that is not, with the halo of shaded pictures at
// several scales, the draw level and cell sizes it takes, every buffer given back, and blocks
// that come with status 0 but without buffers.
#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "open_support.h"

namespace open_test {
namespace {

// A program directory of the plug-in, the stand-in engine and the real utility library. The
// stand-in serves any file as a 4 x 3 grid of 10 m cells with statistics 0 to 100.
class BlockEngine : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(fs::path(RH_BIN_DIR) / "KVRasterUtility.so"))
            GTEST_SKIP() << "the utility library is not built";
        program_ = ProgramWithStandInEngine(scratch_.Path(), "block_engine");
        raster_ = scratch_ / "grid.tif";
        std::ofstream(raster_) << "cells";
    }
    void TearDown() override {
        for (const char* name : {"FAKE_BLOCK", "FAKE_BLOCK_DOWN", "FAKE_GRID_SIZE"}) unsetenv(name);
    }

    void Open() {
        plugin_ = std::make_unique<Plugin>(program_);
        std::memset(&host_, 0, sizeof host_);
        ASSERT_EQ(plugin_->Open(host_, raster_), 1);
    }
    void Close() { EXPECT_EQ(plugin_->Close(&host_), 1); }

    template <typename Fn>
    Fn EngineSymbol(const char* name) {
        void* engine = dlopen((program_ / "KVRasterAPI.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(engine, nullptr);
        if (engine == nullptr) return nullptr;
        void* symbol = dlsym(engine, name);
        dlclose(engine);  // the plug-in's reference keeps it loaded
        return reinterpret_cast<Fn>(symbol);
    }
    int OutstandingBlocks() { return EngineSymbol<int (*)()>("FakeBlockOutstanding")(); }
    std::string Requests() { return EngineSymbol<const char* (*)()>("FakeBlockRequests")(); }

    Scratch scratch_{"drawfake"};
    fs::path program_;
    fs::path raster_;
    std::unique_ptr<Plugin> plugin_;
    HostRasterRecord host_{};
};

// A picture of a 12 x 9 raster and the one request it makes: its window in engine rows, for a
// shaded picture with the halo of output pixels the raster has around it (whole cells: at
// three times magnified, three pixels over one cell; at two pixels for three cells, two over
// three), and without one where it would be too wide, where the window touches the raster's
// edge, and for pictures that are not shaded.
struct WindowCase {
    const char* name;
    DrawRect output;
    DrawRect cells;       // as the host counts rows: from the bottom of a "y up" raster
    const char* request;  // format, x, y, width, height, output width and height
    bool y_up = true;
    bool shaded = true;
    const char* block = "valid";
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.name;
}

class Window : public BlockEngine, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(Window, IsAskedForInEngineRowsWithTheHaloAndEveryBufferGoesBack) {
    const WindowCase& c = GetParam();
    setenv("FAKE_GRID_SIZE", "12,9", 1);
    setenv("FAKE_BLOCK_DOWN", c.y_up ? "0" : "1", 1);
    setenv("FAKE_BLOCK", c.block, 1);
    if (!c.shaded) {
        UsePreferences(scratch_.Path(), "[Shading]\nEnabled = no\n",
                       {{"ColorPalettes", (fs::path(RH_BIN_DIR) / "ColorPalettes").string()}});
    }
    Open();
    ASSERT_EQ(Context(host_).shading_on, c.shaded);
    int width = 0;
    ASSERT_EQ(plugin_->StartDraw(&host_, &c.output, &c.cells, 1.0, &width), 1);
    // Each request: floats of field 0, band 0, underviews off (mode 5), no event limits.
    std::string expected;
    std::istringstream requests(c.request);
    for (std::string request; std::getline(requests, request, ';');) {
        if (!expected.empty()) expected += ';';
        expected += request + " 0 0 5 -9223372036854775808 9223372036854775807";
    }
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(OutstandingBlocks(), 0);  // given back once the picture is made
    EXPECT_EQ(plugin_->EndDraw(&host_), 1);
    Close();
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Window,
    ::testing::Values(
        // Engine rows 3 to 5: a halo all round.
        WindowCase{"OneCellPerPixel", {0, 0, 4, 3}, {4, 3, 8, 6}, "51 3 2 6 5 6 5"},
        // Engine rows 0 to 2 of a "y up" raster, the north-west corner: no halo to the west
        // and north; rows 6 to 8 of one that is not, the south-west corner.
        WindowCase{"RasterEdgesYUp", {0, 0, 4, 3}, {0, 6, 4, 9}, "51 0 0 5 4 5 4"},
        WindowCase{"RasterEdgesYDown", {0, 0, 4, 3}, {0, 6, 4, 9}, "51 0 5 5 4 5 4", false},
        WindowCase{"WholeRaster", {0, 0, 12, 9}, {0, 0, 12, 9}, "51 0 0 12 9 12 9"},
        WindowCase{"MagnifiedThreeTimes", {0, 0, 6, 6}, {4, 3, 6, 5}, "51 3 3 4 4 12 12"},
        WindowCase{"ReducedTwice", {0, 0, 2, 2}, {4, 3, 8, 7}, "51 2 0 8 8 4 4"},
        WindowCase{"TwoPixelsForThreeCells", {0, 0, 4, 3}, {3, 3, 9, 6}, "51 0 2 12 5 8 5"},
        // 67 pixels over 2 cells: no whole cell in fewer than 67 pixels, too many for a halo.
        WindowCase{"HaloTooWide", {0, 0, 67, 3}, {4, 3, 6, 6}, "51 4 2 2 5 67 5"},
        WindowCase{"Unshaded", {0, 0, 4, 3}, {4, 3, 8, 6}, "51 4 3 4 3 4 3", true, false},
        // Refused with the halo, asked again without it.
        WindowCase{"HaloRefused",
                   {0, 0, 4, 3},
                   {4, 3, 8, 6},
                   "51 3 2 6 5 6 5;51 4 3 4 3 4 3",
                   true,
                   true,
                   "first-null"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BlockEngine, ShrunkPictureTakesTheCellSizesOfItsLevel) {
    Open();
    ASSERT_TRUE(Context(host_).shading_on);
    ASSERT_EQ(Context(host_).statistics_level, 0);
    // 4 x 3 cells to 2 x 1 pixels: axis levels 1 and 1, and 10 m cells doubled.
    const DrawRect output{0, 0, 2, 1};
    const DrawRect cells{0, 0, 4, 3};
    int width = 0;
    ASSERT_EQ(plugin_->StartDraw(&host_, &output, &cells, 3.0, &width), 1);
    EXPECT_EQ(Context(host_).draw_level, 1);
    EXPECT_EQ(Context(host_).cell_size_x, 20.0f);
    EXPECT_EQ(Context(host_).cell_size_y, 20.0f);
    EXPECT_EQ(plugin_->EndDraw(&host_), 1);
    Close();
}

TEST_F(BlockEngine, StatusZeroWithoutBuffersIsARefusal) {
    for (const char* behaviour : {"null", "no-validity"}) {
        SCOPED_TRACE(behaviour);
        setenv("FAKE_BLOCK", behaviour, 1);
        Open();
        const DrawRect rect{0, 0, 4, 3};
        int width = 0;
        host_.error_code = 9;
        EXPECT_EQ(plugin_->StartDraw(&host_, &rect, &rect, 1.0, &width), 0);
        EXPECT_EQ(host_.error_code, RH_ERROR_ENGINE);
        EXPECT_EQ(OutstandingBlocks(), 0);  // the values that came alone went back too
        Close();
    }
}

}  // namespace
}  // namespace open_test
