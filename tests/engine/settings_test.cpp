// Settings in the registry and the directories derived from them and from the plug-in's file.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/settings.h"
#include "fake_libraries.h"

namespace {

namespace fs = std::filesystem;
using namespace Tarn::Engine;

void WriteHive(const char* variable, const char* root, const std::string& values) {
    std::ofstream(getenv(variable)) << "Windows Registry Editor Version 5.00\n\n[" << root
                                    << "\\Software\\Corvane\\Corvane\\Raster\\200\\Handler]\n"
                                    << values;
}

void WriteUser(const std::string& values) {
    WriteHive("CORVANE_USER_REG", "HKEY_CURRENT_USER", values);
}

void WriteMachine(const std::string& values) {
    WriteHive("CORVANE_SYSTEM_REG", "HKEY_LOCAL_MACHINE", values);
}

class EngineSettings : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FakeLibraries::MakeTempDirectory("settings");
        FakeLibraries::IsolateRegistry(dir_);
    }
    void TearDown() override {
        for (void* library : loaded_) dlclose(library);
        for (const fs::path& directory : module_dirs_) fs::remove_all(directory);
        fs::remove_all(dir_);
    }

    // Loads a copy of some shared library under `file_name` in a directory of its own.
    fs::path LoadAs(const std::string& file_name) {
        const fs::path directory = FakeLibraries::MakeTempDirectory("module");
        fs::copy_file(fs::path(RH_TEST_BIN_DIR) / "fakes/utility/KVRasterUtility.so",
                      directory / file_name);
        void* library = dlopen((directory / file_name).c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library, nullptr) << dlerror();
        loaded_.push_back(library);
        module_dirs_.push_back(directory);
        return directory;
    }

    fs::path dir_;
    std::vector<void*> loaded_;
    std::vector<fs::path> module_dirs_;
};

std::u16string Wide(const fs::path& path) {
    return path.u16string();
}

TEST_F(EngineSettings, ProgramDirectoryPerUserFirstThenMachineThenModule) {
    const std::u16string module = GetModuleDirectory();
    EXPECT_EQ(GetProgramDirectory(), module);

    WriteMachine("\"ProgramDirectory\"=\"/machine/dir\"\n");
    EXPECT_EQ(GetProgramDirectory(), u"/machine/dir");

    WriteUser("\"ProgramDirectory\"=\"/user/dir\"\n");
    EXPECT_EQ(GetProgramDirectory(), u"/user/dir");

    // An empty per-user value was read, so the machine-wide one is not consulted.
    WriteUser("\"ProgramDirectory\"=\"\"\n");
    EXPECT_EQ(GetProgramDirectory(), module);
}

// A value fits the 260-byte buffer with up to 129 UTF-16 units; a longer per-user value counts
// as not set and the machine-wide one is read instead.
TEST_F(EngineSettings, ValuesLongerThanTheBufferAreNotSet) {
    WriteMachine("\"ProgramDirectory\"=\"/machine\"\n");
    const std::string smiley = "\xF0\x9F\x98\x80";  // two UTF-16 units
    struct Case {
        std::string value;
        bool fits;
    } cases[] = {{std::string(129, 'a'), true},
                 {std::string(130, 'a'), false},
                 {std::string(127, 'a') + smiley, true},
                 {std::string(128, 'a') + smiley, false}};
    for (const Case& c : cases) {
        WriteUser("\"ProgramDirectory\"=\"" + c.value + "\"\n");
        const std::optional<std::u16string> read = ReadHandlerSetting("ProgramDirectory");
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read == u"/machine", !c.fits) << c.value.size() << " bytes";
    }
    // Too long in both hives: not set at all.
    WriteMachine("\"ProgramDirectory\"=\"" + std::string(200, 'm') + "\"\n");
    EXPECT_EQ(ReadHandlerSetting("ProgramDirectory"), std::nullopt);
    EXPECT_EQ(GetProgramDirectory(), GetModuleDirectory());
}

TEST_F(EngineSettings, ColourPaletteDirectoryFromRasterKeyElseBesideTheModule) {
    std::u16string directory;
    EXPECT_TRUE(GetColourPaletteDirectory(directory));
    EXPECT_EQ(directory, GetModuleDirectory() + u"/ColorPalettes");

    // "ColorPalettes" lives under the raster settings key, not its Handler subkey.
    std::ofstream(getenv("CORVANE_USER_REG"))
        << "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200\\Handler]\n"
           "\"ColorPalettes\"=\"/wrong\"\n"
           "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\n"
           "\"ColorPalettes\"=\"/pal\"\n";
    EXPECT_TRUE(GetColourPaletteDirectory(directory));
    EXPECT_EQ(directory, u"/pal");
}

TEST_F(EngineSettings, ModuleDirectoryIsTheExecutablesWithoutThePlugIn) {
    EXPECT_EQ(GetModuleDirectory(), Wide(fs::canonical(RH_TEST_BIN_DIR)));
    // Loaded under a name other than the three expected ones, the plug-in is not found.
    LoadAs("KVRasterHandlerGDAL.so");
    LoadAs("KVRasterHandler.rha");  // the other flavour's name
    EXPECT_EQ(GetModuleDirectory(), Wide(fs::canonical(RH_TEST_BIN_DIR)));
}

TEST_F(EngineSettings, ModuleDirectoryPrefersRhaThenDllThenRhz) {
    const fs::path rhz = LoadAs("KVRasterHandlerGDAL.rhz");
    EXPECT_EQ(GetModuleDirectory(), Wide(fs::canonical(rhz)));
    const fs::path dll = LoadAs("KVRasterHandlerGDAL.dll");
    EXPECT_EQ(GetModuleDirectory(), Wide(fs::canonical(dll)));
    const fs::path rha = LoadAs("KVRasterHandlerGDAL.rha");
    EXPECT_EQ(GetModuleDirectory(), Wide(fs::canonical(rha)));
}

}  // namespace
