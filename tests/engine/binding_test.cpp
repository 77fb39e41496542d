// Binding the engine and the utility library, the preference readers and the call facade.
// A binding lasts for the process, so CTest runs every case in a process of its own; run one
// case at a time (--gtest_filter) when running this program by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "engine/engine_binding.h"
#include "engine/engine_calls.h"
#include "engine/engine_table.h"
#include "engine/preferences.h"
#include "fake_libraries.h"
#include "platform/dynamic_library.h"
#include "platform/process_env.h"
#include "tests/support/param_names.h"

namespace {

namespace fs = std::filesystem;
using namespace Tarn::Engine;
using FakeLibraries::IsLoaded;
using FakeLibraries::MakeProgramDirectory;

std::u16string Wide(const fs::path& path) {
    return path.u16string();
}

template <typename Fn>
Fn EngineSymbol(const char* name) {
    return reinterpret_cast<Fn>(Tarn::Platform::FindSymbol(BoundEngine().engine_library, name));
}

// PATH as the process sees it, and PATH's separator (":", ";" on Windows) between the parts.
std::string Path() {
    return Tarn::Platform::GetEnv("PATH").value_or("");
}
std::string Joined(std::initializer_list<std::string> parts) {
    std::string joined;
    for (const std::string& part : parts)
        joined +=
            (joined.empty() ? "" : std::string(1, Tarn::Platform::PathListSeparator())) + part;
    return joined;
}

int32_t FakeCacheSize() {
    return EngineSymbol<int32_t (*)()>("FakeEngineCacheSize")();
}

// The binding, PATH and the fake libraries' variables are the process's: each case gives them
// back as it found them, so that it passes alone or among the others.
class EngineBinding : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = FakeLibraries::MakeTempDirectory("binding");
        FakeLibraries::IsolateRegistry(scratch_);
        if (const char* path = std::getenv("PATH")) path_ = path;
    }
    void TearDown() override {
        UnbindEngine();
        EngineTable& t = MutableEngineTable();
        if (t.utility_library != nullptr) Tarn::Platform::CloseLibrary(t.utility_library);
        t = EngineTable{};
        for (const char* name : {"FAKE_PREFS_CACHE", "FAKE_PREFS_H_NAMES", "FAKE_PREFS_OPEN_MODE",
                                 "FAKE_PREFS_QUALITY_FLAG", "FAKE_PREFS_QUALITY_LIMIT",
                                 "FAKE_PREFS_UNDERVIEW", "FAKE_PREFS_UNDERVIEW_MODE"}) {
            unsetenv(name);
        }
        if (path_) {
            setenv("PATH", path_->c_str(), 1);
        } else {
            unsetenv("PATH");
        }
    }
    fs::path scratch_;
    std::optional<std::string> path_;
};

TEST_F(EngineBinding, ModeZeroBindsTheUtilityOnlyAndEngineCallsFailCleanly) {
    const fs::path dir = MakeProgramDirectory({"engine", "utility"});
    ASSERT_EQ(BindEngine(Wide(dir), kBindUtility), 1);
    const EngineTable& t = BoundEngine();
    EXPECT_NE(t.utility_library, nullptr);
    EXPECT_NE(t.GetHandlerPrefs, nullptr);
    EXPECT_NE(t.GetRasterProgramDir, nullptr);
    EXPECT_NE(t.GetColourPalatteDir, nullptr);
    EXPECT_EQ(t.engine_library, nullptr);
    EXPECT_EQ(t.VerifyRaster, nullptr);

    EXPECT_FALSE(Kvr::IsBound());
    EXPECT_EQ(Kvr::VerifyRaster(u"/x.tif"), Kvr::kEngineUnbound);
    EXPECT_EQ(Kvr::InfoBandCount(1, 0), 0);
    EXPECT_EQ(Kvr::InfoLevelCount(1, 0, 0), 0);
    const KvrRasterInfo* info = reinterpret_cast<const KvrRasterInfo*>(&t);
    EXPECT_EQ(Kvr::RasterInfo(1, &info), Kvr::kEngineUnbound);
    EXPECT_EQ(info, nullptr);
    void* data = &info;
    uint8_t* validity = reinterpret_cast<uint8_t*>(&info);
    EXPECT_EQ(Kvr::PopulateCellBlock(1, &data, &validity, KVR_BLOCK_FLOAT, 0, 0, 1, 1, 1, 1, 0, 0,
                                     0, 0, 0),
              Kvr::kEngineUnbound);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(validity, nullptr);
}

TEST_F(EngineBinding, ModeOneBeforeModeZeroBindsThePlainNames) {
    // The preference asks for KVR_H_, but no utility library is bound when the engine is.
    setenv("FAKE_PREFS_H_NAMES", "1", 1);
    const fs::path dir = MakeProgramDirectory({"engine", "utility"});
    ASSERT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 1);
    EXPECT_TRUE(Kvr::IsBound());
    EXPECT_EQ(BoundEngine().VerifyRaster, EngineSymbol<KvrVerifyRasterFn>("KVR_VerifyRaster"));
    EXPECT_EQ(BoundEngine().PopulateCellBlock,
              EngineSymbol<KvrPopulateCellBlockFn>("KVR_PopulateCellBlock"));
    EXPECT_EQ(BoundEngine().SetCacheSize, nullptr);
    EXPECT_EQ(FakeCacheSize(), -1);
    EXPECT_NE(BoundEngine().GetHandlerPrefs, nullptr);
}

// With the utility library bound first, the preference chooses the KVR_H_ set, whose cache size
// function is called with the cache size preference (512 unless the library says otherwise).
class EngineBindingHNames : public EngineBinding,
                            public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(EngineBindingHNames, ModeZeroFirstLetsThePreferenceChooseThem) {
    setenv("FAKE_PREFS_H_NAMES", "1", 1);
    if (GetParam().first) setenv("FAKE_PREFS_CACHE", GetParam().first, 1);
    const fs::path dir = MakeProgramDirectory({"engine", "utility"});
    ASSERT_EQ(BindEngine(Wide(dir), kBindUtility), 1);
    ASSERT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 1);
    EXPECT_EQ(BoundEngine().VerifyRaster, EngineSymbol<KvrVerifyRasterFn>("KVR_H_VerifyRaster"));
    EXPECT_EQ(BoundEngine().ReleaseString, EngineSymbol<KvrReleaseStringFn>("KVR_H_ReleaseString"));
    EXPECT_EQ(BoundEngine().SetCacheSize, EngineSymbol<KvrSetCacheSizeFn>("KVR_H_SetCacheSize"));
    EXPECT_EQ(FakeCacheSize(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(CacheSizes, EngineBindingHNames,
                         ::testing::Values(std::pair<const char*, int>{nullptr, 512},
                                           std::pair<const char*, int>{"77", 77}),
                         Tarn::Test::PrintedName());

TEST_F(EngineBinding, EngineWithOnlyHNamesNeedsThePreference) {
    setenv("FAKE_PREFS_H_NAMES", "1", 1);
    const fs::path dir = MakeProgramDirectory({"engine_h_only", "utility"});
    EXPECT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 0);
    EXPECT_FALSE(Kvr::IsBound());
    ASSERT_EQ(BindEngine(Wide(dir), kBindUtility), 1);
    ASSERT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 1);
    EXPECT_TRUE(Kvr::IsBound());
    EXPECT_EQ(BoundEngine().VerifyRaster, EngineSymbol<KvrVerifyRasterFn>("KVR_H_VerifyRaster"));
}

TEST_F(EngineBinding, EngineWithoutEpsgIsRefusedForGood) {
    const fs::path dir = MakeProgramDirectory({"engine_no_epsg", "utility"});
    EXPECT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 0);
    EXPECT_FALSE(Kvr::IsBound());
    EXPECT_EQ(Kvr::VerifyRaster(u"/x.tif"), Kvr::kEngineUnbound);
    // Once the utility library is bound as well, the refused engine must not count as bound.
    ASSERT_EQ(BindEngine(Wide(dir), kBindUtility), 1);
    EXPECT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 0);
    EXPECT_FALSE(Kvr::IsBound());
    EXPECT_EQ(BoundEngine().OpenRasterReadOnly, nullptr);
    // And the refused library was let go.
    EXPECT_FALSE(IsLoaded(dir / Tarn::Platform::LibraryFileName("KVRasterAPI")));
}

TEST_F(EngineBinding, UtilityLibraryMissingFailsBothModes) {
    const fs::path dir = MakeProgramDirectory({"engine"});
    EXPECT_EQ(BindEngine(Wide(dir), kBindUtility), 0);
    EXPECT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 0);
    EXPECT_EQ(BoundEngine().utility_library, nullptr);
}

TEST_F(EngineBinding, OtherModesBindNothing) {
    const fs::path dir = MakeProgramDirectory({"engine", "utility"});
    EXPECT_EQ(BindEngine(Wide(dir), 2), 1);
    EXPECT_EQ(BindEngine(Wide(dir), -1), 1);
    EXPECT_EQ(BoundEngine().engine_library, nullptr);
    EXPECT_EQ(BoundEngine().utility_library, nullptr);
}

TEST_F(EngineBinding, CurrentDirectoryIsRestoredAfterEveryOutcome) {
    const std::string before = Tarn::Platform::CurrentDirectory();
    const fs::path no_engine = MakeProgramDirectory({"utility"});
    const fs::path no_utility = MakeProgramDirectory({"engine_no_epsg"});
    const fs::path complete = MakeProgramDirectory({"engine", "utility"});

    EXPECT_EQ(BindEngine(Wide(no_engine), kBindEngineAndUtility), 0);
    EXPECT_EQ(Tarn::Platform::CurrentDirectory(), before);
    EXPECT_EQ(BindEngine(Wide(no_utility), kBindEngineAndUtility), 0);
    EXPECT_EQ(Tarn::Platform::CurrentDirectory(), before);
    EXPECT_EQ(BindEngine(Wide(complete), kBindEngineAndUtility), 1);
    EXPECT_EQ(Tarn::Platform::CurrentDirectory(), before);
    // While it loaded, the engine saw its own directory as the current one.
    EXPECT_EQ(fs::path(EngineSymbol<const char* (*)()>("FakeEngineLoadDirectory")()),
              fs::canonical(complete));
}

TEST_F(EngineBinding, PathGrowsWithEveryBindingThatIsNotComplete) {
    setenv("PATH", "/usr/bin", 1);
    const fs::path utility_only = MakeProgramDirectory({"utility"});
    const fs::path complete = MakeProgramDirectory({"engine", "utility"});
    const std::string u = utility_only.string(), c = complete.string();

    ASSERT_EQ(BindEngine(Wide(utility_only), kBindUtility), 1);
    ASSERT_EQ(BindEngine(Wide(utility_only), kBindUtility), 1);
    EXPECT_EQ(Path(), Joined({"/usr/bin", u, u}));
    ASSERT_EQ(BindEngine(Wide(complete), kBindEngineAndUtility), 1);
    EXPECT_EQ(Path(), Joined({"/usr/bin", u, u, c}));
    // Both libraries bound: nothing more is done.
    ASSERT_EQ(BindEngine(Wide(complete), kBindEngineAndUtility), 1);
    EXPECT_EQ(Path(), Joined({"/usr/bin", u, u, c}));
}

TEST_F(EngineBinding, AppendToPathNeverAddsAnEmptyElement) {
    unsetenv("PATH");
    AppendToPath(u"/a");
    EXPECT_EQ(Path(), "/a");
    setenv("PATH", "", 1);
    AppendToPath(u"/b");
    EXPECT_EQ(Path(), "/b");
    AppendToPath(u"/c");
    EXPECT_EQ(Path(), Joined({"/b", "/c"}));
}

TEST_F(EngineBinding, UnbindFreesTheEngineAndKeepsTheUtilityLibrary) {
    const fs::path dir = MakeProgramDirectory({"engine", "utility"});
    ASSERT_EQ(BindEngine(Wide(dir), kBindEngineAndUtility), 1);
    UnbindEngine();
    const EngineTable& t = BoundEngine();
    EXPECT_EQ(t.engine_library, nullptr);
    EXPECT_EQ(t.VerifyRaster, nullptr);
    EXPECT_EQ(t.ReleaseString, nullptr);
    EXPECT_EQ(Kvr::VerifyRaster(u"/x.tif"), Kvr::kEngineUnbound);
    EXPECT_FALSE(IsLoaded(dir / Tarn::Platform::LibraryFileName("KVRasterAPI")));
    EXPECT_NE(t.utility_library, nullptr);
    EXPECT_NE(t.GetHandlerPrefs, nullptr);
}

TEST_F(EngineBinding, PreferenceReadersWithoutGetHandlerPrefsGiveFixedValues) {
    const auto expect_fixed = [] {
        EXPECT_EQ(ReadOpenMode(), 2);
        EXPECT_EQ(ReadOpenQualityLimit().limit, 0x4000000u);
        EXPECT_EQ(ReadOpenQualityLimit().flag, 0);
        EXPECT_EQ(ReadCacheSize(), 512);
        EXPECT_FALSE(ReadBindHNames());
        EXPECT_FALSE(ReadUnderviewPreference());
        EXPECT_EQ(ReadUnderviewMode(), 5);
    };
    expect_fixed();  // nothing bound yet
    ASSERT_EQ(BindEngine(Wide(MakeProgramDirectory({"utility_no_prefs"})), kBindUtility), 1);
    expect_fixed();
    HandlerPrefs prefs;
    EXPECT_FALSE(ReadHandlerPrefs(prefs));
}

TEST_F(EngineBinding, PreferenceReadersStartFromTheDefaults) {
    ASSERT_EQ(BindEngine(Wide(MakeProgramDirectory({"utility"})), kBindUtility), 1);
    // The fake writes nothing: every reader sees the plug-in's defaults.
    HandlerPrefs prefs;
    ASSERT_TRUE(ReadHandlerPrefs(prefs));
    EXPECT_EQ(prefs.default_colouring_mode, 3);
    EXPECT_EQ(std::u16string(prefs.colour_table_file), u"Pseudocolor.lut");
    EXPECT_EQ(prefs.shading_on, 1);
    EXPECT_EQ(prefs.light_azimuth, 45);
    EXPECT_EQ(prefs.light_elevation, 45);
    EXPECT_EQ(prefs.light_intensity, 50);
    EXPECT_EQ(prefs.ambient_brightness, 50);
    EXPECT_EQ(prefs.relief_contrast, 50);
    EXPECT_EQ(prefs.highlights_on, 1);
    EXPECT_EQ(prefs.highlight_azimuth, 45);
    EXPECT_EQ(prefs.highlight_elevation, 45);
    EXPECT_EQ(prefs.highlight_size, 50);
    EXPECT_EQ(prefs.short_format_count, 0);
    EXPECT_EQ(prefs.long_format_count, 0);
    EXPECT_EQ(ReadOpenMode(), 2);
    EXPECT_EQ(ReadOpenQualityLimit().limit, 0x4000000u);
    EXPECT_EQ(ReadCacheSize(), 512);
    EXPECT_FALSE(ReadBindHNames());
    EXPECT_FALSE(ReadUnderviewPreference());
    EXPECT_EQ(ReadUnderviewMode(), 0);  // not the fixed 5 of an unbound GetHandlerPrefs
}

TEST_F(EngineBinding, PreferenceReadersMapWhatTheLibraryWrites) {
    ASSERT_EQ(BindEngine(Wide(MakeProgramDirectory({"utility"})), kBindUtility), 1);
    const std::pair<const char*, int> open_modes[] = {{"0", 3}, {"1", 4}, {"2", 2}, {"7", 2}};
    for (const auto& [choice, mode] : open_modes) {
        setenv("FAKE_PREFS_OPEN_MODE", choice, 1);
        EXPECT_EQ(ReadOpenMode(), mode) << "choice " << choice;
    }
    const std::pair<const char*, uint32_t> limits[] = {{"0", 0x4000000u}, {"1000", 1000u}};
    for (const auto& [limit, expected] : limits) {
        setenv("FAKE_PREFS_QUALITY_LIMIT", limit, 1);
        EXPECT_EQ(ReadOpenQualityLimit().limit, expected) << "limit " << limit;
    }
    setenv("FAKE_PREFS_QUALITY_FLAG", "1", 1);
    setenv("FAKE_PREFS_UNDERVIEW", "1", 1);
    setenv("FAKE_PREFS_UNDERVIEW_MODE", "3", 1);
    setenv("FAKE_PREFS_H_NAMES", "1", 1);
    EXPECT_EQ(ReadOpenQualityLimit().flag, 1);
    EXPECT_TRUE(ReadUnderviewPreference());
    EXPECT_EQ(ReadUnderviewMode(), 3);
    EXPECT_TRUE(ReadBindHNames());
}

}  // namespace
