// RH_Identify, RH_IsFormat and RH_IsFormatW of both built plug-ins, each loaded from a program
// directory of fake libraries. A loaded plug-in binds for the life of the process, so CTest runs
// every case in a process of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fake_libraries.h"
#include "handler/rh_api.h"

namespace {

namespace fs = std::filesystem;
using FakeLibraries::MakeProgramDirectory;

struct Flavour {
    const char* module;         // file name without ".rha"
    const char* identity_name;  // as the record carries it
    std::vector<std::string> defaults;
};

const Flavour kGdal{"KVRasterHandlerGDAL", "KVRasterHandlerGDAL.RHA", {"img", "dat", "dem", "dt0"}};
const Flavour kShort{"KVRasterHandler",
                     "KVRasterHandler.RHA",
                     {"kvr", "grd", "grc", "tif", "bil", "ers", "asc", "flt"}};

using IdentifyFn = int (*)(HandlerIdentity*);
using IsFormatFn = int (*)(const char*);
using IsFormatWFn = int (*)(const rh_wchar*);

// The record as a byte array: version 3, the two texts, the count and the slots, zeros elsewhere.
std::array<unsigned char, sizeof(HandlerIdentity)> ExpectedRecord(
    const char* name, const std::vector<std::string>& slots) {
    std::array<unsigned char, sizeof(HandlerIdentity)> bytes{};
    bytes[0] = 3;
    std::memcpy(&bytes[2], name, std::strlen(name));
    std::memcpy(&bytes[514], "KVRaster Handler", 16);
    bytes[1026] = static_cast<unsigned char>(slots.size());
    for (size_t i = 0; i < slots.size(); ++i)
        std::memcpy(&bytes[1028 + 10 * i], slots[i].data(), slots[i].size());
    return bytes;
}

std::array<unsigned char, sizeof(HandlerIdentity)> Bytes(const HandlerIdentity& record) {
    std::array<unsigned char, sizeof(HandlerIdentity)> bytes;
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

class PlugIn : public ::testing::TestWithParam<Flavour> {
protected:
    void SetUp() override {
        scratch_ = FakeLibraries::MakeTempDirectory("plugin");
        FakeLibraries::IsolateRegistry(scratch_);
        for (const char* name : {"FAKE_PREFS_FORMATS", "FAKE_PREFS_COUNT"}) unsetenv(name);
    }
    void TearDown() override {
        if (plugin_) dlclose(plugin_);
        for (const fs::path& directory : directories_) fs::remove_all(directory);
        fs::remove_all(scratch_);
    }

    // Copies the flavour's plug-in, under `file_name` (its own by default), into a program
    // directory with the given fake libraries, and loads it from there.
    fs::path Load(std::initializer_list<const char*> variants, std::string file_name = "") {
        if (file_name.empty()) file_name = std::string(GetParam().module) + ".rha";
        dir_ = MakeProgramDirectory(variants);
        directories_.push_back(dir_);
        fs::copy_file(fs::path(RH_BIN_DIR) / (std::string(GetParam().module) + ".rha"),
                      dir_ / file_name);
        plugin_ = dlopen((dir_ / file_name).c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(plugin_, nullptr) << dlerror();
        identify_ = reinterpret_cast<IdentifyFn>(dlsym(plugin_, "RH_Identify"));
        is_format_ = reinterpret_cast<IsFormatFn>(dlsym(plugin_, "RH_IsFormat"));
        is_format_w_ = reinterpret_cast<IsFormatWFn>(dlsym(plugin_, "RH_IsFormatW"));
        return dir_;
    }

    HandlerIdentity Identify(int expected_result) {
        HandlerIdentity record;
        std::memset(&record, 0xAB, sizeof record);
        EXPECT_EQ(identify_(&record), expected_result);
        return record;
    }

    // A file the fake engine verifies (or, with `raster` false, refuses).
    std::string File(const std::string& name, bool raster = true) {
        const fs::path path = dir_ / name;
        std::ofstream(path) << (raster ? "FAKE RASTER file" : "just some text");
        return path.string();
    }

    std::u16string LastVerified() {
        void* engine = dlopen((dir_ / "KVRasterAPI.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (engine == nullptr) return u"(engine not loaded)";
        const auto last =
            reinterpret_cast<const char16_t* (*)()>(dlsym(engine, "FakeEngineLastVerified"));
        std::u16string text = last();
        dlclose(engine);
        return text;
    }

    fs::path scratch_, dir_;
    std::vector<fs::path> directories_;
    void* plugin_ = nullptr;
    IdentifyFn identify_ = nullptr;
    IsFormatFn is_format_ = nullptr;
    IsFormatWFn is_format_w_ = nullptr;
};

TEST_P(PlugIn, IdentifyWithoutPreferencesGivesTheDefaultRecord) {
    Load({"utility_no_prefs"});
    EXPECT_EQ(Bytes(Identify(1)), ExpectedRecord(GetParam().identity_name, GetParam().defaults));
}

TEST_P(PlugIn, IdentifyWithoutUtilityLibraryFailsAndLeavesTheRecord) {
    Load({"engine"});
    HandlerIdentity untouched;
    std::memset(&untouched, 0xAB, sizeof untouched);
    EXPECT_EQ(Bytes(Identify(0)), Bytes(untouched));
}

TEST_P(PlugIn, IdentifyListsTheServedFormats) {
    // A duplicate, a four-letter name whose three letters stand once beside its short form, a
    // capitalised name, one not served, an empty name.
    setenv("FAKE_PREFS_FORMATS", "img,tif,tiff,Dat,img,-xyz,", 1);
    Load({"utility"});
    EXPECT_EQ(Bytes(Identify(1)),
              ExpectedRecord(GetParam().identity_name, {"img", "tif", "Dat", ""}));
}

TEST_P(PlugIn, IdentifyWithoutServedFormatsGivesAnEmptyRecord) {
    setenv("FAKE_PREFS_FORMATS", "-img,-dem", 1);
    Load({"utility"});
    EXPECT_EQ(Bytes(Identify(1)), decltype(Bytes(HandlerIdentity{})){});
}

TEST_P(PlugIn, IdentifyReadsNoRecordBeyondTheTable) {
    std::string formats;
    std::vector<std::string> slots;
    for (int i = 0; i < 20; ++i) {
        slots.push_back("e" + std::string(i < 10 ? "0" : "") + std::to_string(i));
        formats += (i ? "," : "") + slots.back();
    }
    setenv("FAKE_PREFS_FORMATS", formats.c_str(), 1);
    setenv("FAKE_PREFS_COUNT", "25", 1);  // five more than the table holds
    Load({"utility"});
    EXPECT_EQ(Bytes(Identify(1)), ExpectedRecord(GetParam().identity_name, slots));
}

TEST_P(PlugIn, UnexpectedFileNameLooksBesideTheExecutable) {
    // Renamed, the plug-in does not find its own file and looks for the utility library in the
    // test program's directory, where there is none...
    const fs::path dir = Load({"utility_no_prefs"}, "Renamed.rha");
    Identify(0);
    // ... unless the registry names the program directory.
    std::ofstream(scratch_ / "user.reg")
        << "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200\\Handler]\n"
        << "\"ProgramDirectory\"=\"" << dir.string() << "\"\n";
    EXPECT_EQ(Bytes(Identify(1)), ExpectedRecord(GetParam().identity_name, GetParam().defaults));
}

TEST_P(PlugIn, IsFormatAcceptsServedExtensionsTheEngineVerifies) {
    setenv("FAKE_PREFS_FORMATS", "img,tiff,Dat,", 1);
    Load({"engine", "utility"});
    const struct {
        std::string path;
        int expected;
    } cases[] = {
        {File("a.img"), 1},
        {File("b.IMG"), 1},         // the file's extension is lower-cased
        {File("c.tiff"), 1},        // a four-letter name matches in full...
        {File("d.tif"), 0},         // ... and its three-letter form does not
        {File("e.dat"), 0},         // "Dat" never matches: only the file is lower-cased
        {File("f.DAT"), 0},         //
        {File("noextension"), 0},   // even with a served record without a name
        {File("g.img", false), 0},  // the engine refuses the file
        {(dir_ / "missing.img").string(), 0},
        {File("h.dem"), 0},  // not in the table
    };
    for (const auto& c : cases) EXPECT_EQ(is_format_(c.path.c_str()), c.expected) << c.path;
    EXPECT_EQ(is_format_w_((dir_ / "a.img").u16string().c_str()), 1);
    EXPECT_EQ(is_format_(nullptr), 0);
    EXPECT_EQ(is_format_w_(nullptr), 0);
}

TEST_P(PlugIn, IsFormatVerifiesThePathAsReassembled) {
    setenv("FAKE_PREFS_FORMATS", "img", 1);
    Load({"engine", "utility"});
    File("a.img");
    // Back-slashes are separators; the engine gets the path with "/".
    const std::string with_backslash = dir_.string() + "\\a.img";
    EXPECT_EQ(is_format_(with_backslash.c_str()), 1);
    EXPECT_EQ(LastVerified(), (dir_ / "a.img").u16string());
    // UTF-8 that does not convert whole names no file: nothing is verified.
    const std::string invalid = (dir_ / "a.img").string() + "\xFF";
    EXPECT_EQ(is_format_(invalid.c_str()), 0);
}

TEST_P(PlugIn, IsFormatUsesTheDefaultListWithoutPreferences) {
    Load({"engine", "utility_no_prefs"});
    for (const std::string& extension : GetParam().defaults)
        EXPECT_EQ(is_format_(File("a." + extension).c_str()), 1) << extension;
    const char* other = GetParam().defaults[0] == "img" ? "a.tif" : "a.img";
    EXPECT_EQ(is_format_(File(other).c_str()), 0);
}

TEST_P(PlugIn, IsFormatAnswersNoWithARefusedEngine) {
    setenv("FAKE_PREFS_FORMATS", "img", 1);
    Load({"engine_no_epsg", "utility"});
    EXPECT_EQ(is_format_(File("a.img").c_str()), 0);
    // After RH_Identify bound the utility library, the refused engine still counts for nothing.
    Identify(1);
    EXPECT_EQ(is_format_(File("a.img").c_str()), 0);
}

TEST_P(PlugIn, IsFormatAnswersNoWithoutTheUtilityLibrary) {
    Load({"engine"});
    for (const std::string& extension : GetParam().defaults)
        EXPECT_EQ(is_format_(File("a." + extension).c_str()), 0) << extension;
}

INSTANTIATE_TEST_SUITE_P(Flavours, PlugIn, ::testing::Values(kGdal, kShort),
                         [](const auto& info) { return std::string(info.param.module); });

}  // namespace
