// Opening through the built plug-in with a stand-in engine, for what the real engine cannot
// produce: grid files of format "KV_Skarnel_GRD" with a palette in their header, statistics
// that are refused or stored without a relief statistic, a suggested style file name, and a
// coordinate system text beyond ASCII.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "colour/colour_values.h"
#include "open_support.h"

namespace open_test {
namespace {

namespace Colour = Tarn::Colour;

// A program directory of the plug-in, the stand-in engine and the real utility library; the
// colour tables come from the build through the registry.
class FakeEngine : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(fs::path(RH_BIN_DIR) / "KVRasterUtility.so"))
            GTEST_SKIP() << "the utility library is not built";
        program_ = ProgramWithStandInEngine(scratch_.Path(), "grid_engine");
    }

    void TearDown() override {
        for (const char* name : {"FAKE_GRID_STATISTICS", "FAKE_GRID_CS", "FAKE_GRID_GHX"})
            unsetenv(name);
    }

    // The stand-in engine as the plug-in loaded it.
    template <typename Fn>
    Fn EngineSymbol(const char* name) {
        void* engine = dlopen((program_ / "KVRasterAPI.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(engine, nullptr);
        if (engine == nullptr) return nullptr;
        void* symbol = dlsym(engine, name);
        dlclose(engine);  // the plug-in's reference keeps it loaded
        return reinterpret_cast<Fn>(symbol);
    }

    int Outstanding() { return EngineSymbol<int (*)()>("FakeGridOutstanding")(); }
    std::string StatisticsLog() {
        return EngineSymbol<const char* (*)()>("FakeGridStatisticsLog")();
    }

    Scratch scratch_{"fake"};
    fs::path program_;
};

HostRasterRecord FreshHost() {
    HostRasterRecord host;
    std::memset(&host, 0, sizeof host);
    return host;
}

TEST_F(FakeEngine, GridHeaderPaletteAndShadingBecomeTheDefaultTransform) {
    const fs::path grid = scratch_ / "grid.grd";
    // Intensity byte 160 gives 80; ambient byte 60 gives 30, raised to the least 50.
    WriteGridFile(grid, {{0.0f, 255, 0, 0}, {50.0f, 0, 255, 0}, {100.0f, 0, 0, 255}}, true, 160, 60,
                  315.0f, 30.0f);
    Plugin plugin(program_);
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, grid), 1);

    const fs::path document = scratch_ / "grid_grd.ghx";
    const Colour::RenderStyleSettings style = ReadStyle(document);
    EXPECT_EQ(style.kind, Colour::kRenderStylePseudo);
    const Colour::ColourInfo info = ReadTransform(document, style.channel.name);
    ASSERT_TRUE(info.user_mapping_on);
    ASSERT_EQ(info.user_mapping.entries.size(), 3u);
    EXPECT_EQ(info.user_mapping.entries[1].value, 50.0);
    // Opaque: a transparent palette would draw the grid in the transparent colour alone.
    EXPECT_EQ(info.user_mapping.entries[1].colour, Colour::PackColour(0, 255, 0, 0));
    EXPECT_TRUE(info.shading.hillshade_on);
    EXPECT_FALSE(info.shading.highlights_on);
    EXPECT_EQ(info.shading.position, 315.0);
    EXPECT_EQ(info.shading.inclination, 30.0);
    EXPECT_EQ(info.shading.shadow, 30.0);
    EXPECT_EQ(info.shading.intensity, 80.0);
    EXPECT_EQ(info.shading.saturation, 50.0);

    const auto& context = Context(host);
    EXPECT_TRUE(context.shading_on);
    EXPECT_FALSE(context.highlights_on);
    EXPECT_EQ(context.light_azimuth, 315.0);
    EXPECT_EQ(context.light_intensity, 80.0);
    EXPECT_EQ(context.ambient_brightness, 50.0);
    const auto& table = context.colour_control.Table();
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table.front().colour, Colour::PackColour(255, 0, 0, 0));
    EXPECT_EQ(table.back().colour, Colour::PackColour(0, 0, 255, 0));
    for (const auto& entry : table) EXPECT_EQ(Colour::PackedTransparency(entry.colour), 0);
    EXPECT_EQ(plugin.Close(&host), 1);
}

TEST_F(FakeEngine, GridHeaderWithOnePaletteEntryIsColouredFromThePreferences) {
    const fs::path grid = scratch_ / "single.GRD";
    WriteGridFile(grid, {{10.0f, 1, 2, 3}}, false);
    Plugin plugin(program_);
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, grid), 1);
    const Colour::ColourInfo info = ReadTransform(scratch_ / "single_GRD.ghx", "Transform1");
    EXPECT_FALSE(info.user_mapping_on);
    EXPECT_EQ(info.palette_name, u"Pseudocolor.lut");
    EXPECT_EQ(info.transform_selector, Colour::kSelectInterpolatingTable);
    EXPECT_EQ(Context(host).colour_control.TableName(), u"Pseudocolor");
    EXPECT_EQ(plugin.Close(&host), 1);
}

TEST_F(FakeEngine, RefusedStatisticsStillGiveAColouredBand) {
    setenv("FAKE_GRID_STATISTICS", "refuse", 1);
    const fs::path grid = scratch_ / "grid.grd";
    WriteGridFile(grid, {}, false);
    Plugin plugin(program_);
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, grid), 1);
    const auto& context = Context(host);
    EXPECT_FALSE(context.band_statistics);
    EXPECT_EQ(context.colour_control.Table().size(), 256u);
    EXPECT_EQ(context.red_fractions.size(), 256u);
    int flag = -1;
    EXPECT_EQ(plugin.GetCapabilities(&host, &flag), 1);
    EXPECT_EQ(plugin.Close(&host), 1);
    EXPECT_EQ(Outstanding(), 0);
}

TEST_F(FakeEngine, StoredStatisticsWithoutReliefAreComputedWithoutLeakingTheFirst) {
    setenv("FAKE_GRID_STATISTICS", "stored", 1);
    const fs::path grid = scratch_ / "grid.grd";
    WriteGridFile(grid, {}, false);
    Plugin plugin(program_);
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, grid), 1);
    EXPECT_EQ(StatisticsLog(), "get0 release get1");
    EXPECT_EQ(Context(host).relief_statistic, 2.5);
    EXPECT_EQ(Outstanding(), 1);
    EXPECT_EQ(plugin.Close(&host), 1);
    EXPECT_EQ(Outstanding(), 0);
}

TEST_F(FakeEngine, SuggestedStyleFileNameIsPutInTheRastersDirectory) {
    setenv("FAKE_GRID_GHX", "C:\\Elsewhere\\Custom.ghx", 1);
    const fs::path grid = scratch_ / "grid.grd";
    WriteGridFile(grid, {}, false);
    Plugin plugin(program_);
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, grid), 1);
    EXPECT_TRUE(fs::exists(scratch_ / "Custom.ghx"));
    EXPECT_FALSE(fs::exists(scratch_ / "grid_grd.ghx"));
    EXPECT_EQ(plugin.Close(&host), 1);
    EXPECT_EQ(Outstanding(), 0);  // the text was given back
}

TEST_F(FakeEngine, CoordinateSystemTextIsNotCutInsideACharacter) {
    setenv("FAKE_GRID_CS", "Z\xc3\xbcrich", 1);  // "Zürich": the ü takes two bytes
    const fs::path grid = scratch_ / "grid.grd";
    WriteGridFile(grid, {}, false);
    Plugin plugin(program_);
    HostRasterRecord host = FreshHost();
    ASSERT_EQ(plugin.Open(host, grid), 1);
    char text[16];
    char* buffer = text;
    EXPECT_EQ(plugin.GetCoordinateSystem(&host, &buffer, 3), 1);
    EXPECT_STREQ(text, "Z");
    EXPECT_EQ(plugin.GetCoordinateSystem(&host, &buffer, 4), 1);
    EXPECT_STREQ(text, "Z\xc3\xbc");
    EXPECT_EQ(plugin.Close(&host), 1);
}

}  // namespace
}  // namespace open_test
