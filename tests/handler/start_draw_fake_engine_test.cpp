// Drawing through the built plug-in with a stand-in engine: the cell block requests it makes
// for a window of a "y up" raster and of one that is not, the draw level and cell sizes it
// takes, every buffer given back, and blocks that come with status 0 but without buffers.
#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <memory>
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
        for (const char* name : {"FAKE_BLOCK", "FAKE_BLOCK_DOWN"}) unsetenv(name);
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

// Columns 1 and 2, host rows 0 and 1 (from the bottom of a "y up" raster, so engine rows 1
// and 2 from the top; engine rows 0 and 1 otherwise), drawn cell for cell.
struct WindowCase {
    const char* name;
    const char* down;
    const char* request;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.name;
}

class Window : public BlockEngine, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(Window, IsAskedForInEngineRowsAndEveryBufferGoesBack) {
    setenv("FAKE_BLOCK_DOWN", GetParam().down, 1);
    Open();
    const DrawRect output{5, 5, 7, 7};
    const DrawRect cells{1, 0, 3, 2};
    int width = 0;
    ASSERT_EQ(plugin_->StartDraw(&host_, &output, &cells, 1.0, &width), 1);
    // Floats of field 0, band 0, underviews off (mode 5), no event limits.
    EXPECT_EQ(Requests(), GetParam().request);
    EXPECT_EQ(OutstandingBlocks(), 0);  // given back once the picture is made
    EXPECT_EQ(plugin_->EndDraw(&host_), 1);
    Close();
}

INSTANTIATE_TEST_SUITE_P(
    RowOrders, Window,
    ::testing::Values(
        WindowCase{"YUp", "0", "51 1 1 2 2 2 2 0 0 5 -9223372036854775808 9223372036854775807"},
        WindowCase{"YDown", "1", "51 1 0 2 2 2 2 0 0 5 -9223372036854775808 9223372036854775807"}),
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
        ASSERT_EQ(plugin_->StartDraw(&host_, &rect, &rect, 1.0, &width), 1);
        uint8_t* block = nullptr;
        DrawRect out{};
        ASSERT_EQ(plugin_->GetBlock(&host_, &block, &out), 1);
        for (int p = 0; p < 4 * 3 * 3; ++p) EXPECT_EQ(block[p], 255) << p;  // white background
        EXPECT_EQ(OutstandingBlocks(), 0);  // the values that came alone went back too
        EXPECT_EQ(plugin_->EndDraw(&host_), 1);
        Close();
    }
}

}  // namespace
}  // namespace open_test
