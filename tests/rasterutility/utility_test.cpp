// KVRasterUtility.so as the plug-in uses it: loaded from the bin directory, exporting exactly
// three functions; preferences from the INI file that the registry or the XDG location names,
// every field settable, the caller's defaults kept where the file says nothing; the format
// tables in both layouts; the two directories. Each case runs in its own process, so the
// environment it sets (registry files, XDG_CONFIG_HOME) is its own.
#include <gtest/gtest.h>

#include <utf8.h>
#include "tests/support/elf_symbols.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/handler_prefs.h"
#include "platform/dynamic_library.h"

namespace {

std::string LibraryPath() {
    return std::string(RH_BIN_DIR) + "/KVRasterUtility.so";
}

struct Utility {
    GetHandlerPrefsFn get_prefs = nullptr;
    GetRasterProgramDirFn program_dir = nullptr;
    GetColourPalatteDirFn palette_dir = nullptr;
};

const Utility& Library() {
    static const Utility utility = [] {
        Utility u;
        void* library = Tarn::Platform::OpenLibrary(LibraryPath());
        EXPECT_NE(library, nullptr) << Tarn::Platform::LastLoadError();
        if (library == nullptr) return u;
        u.get_prefs = reinterpret_cast<GetHandlerPrefsFn>(
            Tarn::Platform::FindSymbol(library, "GetHandlerPrefs"));
        u.program_dir = reinterpret_cast<GetRasterProgramDirFn>(
            Tarn::Platform::FindSymbol(library, "GetRasterProgramDir"));
        u.palette_dir = reinterpret_cast<GetColourPalatteDirFn>(
            Tarn::Platform::FindSymbol(library, "GetColourPalatteDir"));
        return u;
    }();
    return utility;
}

// A scratch configuration: empty registry files and XDG_CONFIG_HOME below a temporary
// directory, so neither the user's files nor another case's are seen.
class UtilityEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/rasterutility-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::create_directories(dir_ + "/config/corvane");
        setenv("CORVANE_USER_REG", (dir_ + "/user.reg").c_str(), 1);
        setenv("CORVANE_SYSTEM_REG", (dir_ + "/system.reg").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        ASSERT_NE(Library().get_prefs, nullptr);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string XdgIni() const { return dir_ + "/config/corvane/raster.ini"; }
    void Write(const std::string& path, const std::string& text) const {
        std::ofstream(path, std::ios::binary) << text;
    }
    // A per-user registry file holding string values under one key.
    void WriteUserRegistry(const std::string& key,
                           const std::vector<std::pair<std::string, std::string>>& values) const {
        std::string text =
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + key + "]\r\n";
        for (const auto& [name, value] : values) text += "\"" + name + "\"=\"" + value + "\"\r\n";
        Write(dir_ + "/user.reg", text);
    }

    std::string dir_;
};

// The plug-in's defaults, as it fills them before the call.
HandlerPrefs Defaults() {
    HandlerPrefs p;
    std::memset(&p, 0, sizeof p);
    p.default_colouring_mode = 3;
    const std::u16string table = u"Pseudocolor.lut";
    std::copy(table.begin(), table.end(), p.colour_table_file);
    p.shading_on = 1;
    p.light_azimuth = p.light_elevation = 45;
    p.light_intensity = p.ambient_brightness = p.relief_contrast = 50;
    p.highlights_on = 1;
    p.highlight_azimuth = p.highlight_elevation = 45;
    p.highlight_size = 50;
    p.cache_size = 512;
    p.open_mode_choice = 2;
    p.quality_limit = 0x4000000;
    p.unread11996 = 0x5A;
    return p;
}

std::string Narrow(const prefs_wchar* wide) {
    std::string narrow;
    const std::u16string_view view(wide);
    utf8::utf16to8(view.begin(), view.end(), std::back_inserter(narrow));
    return narrow;
}

// Everything but the two format tables and their counts.
bool SameOutsideTables(const HandlerPrefs& a, const HandlerPrefs& b) {
    const auto* x = reinterpret_cast<const uint8_t*>(&a);
    const auto* y = reinterpret_cast<const uint8_t*>(&b);
    const size_t tables = offsetof(HandlerPrefs, short_format_count);
    const size_t after = offsetof(HandlerPrefs, unread11996);
    return std::memcmp(x, y, tables) == 0 &&
           std::memcmp(x + after, y + after, sizeof(HandlerPrefs) - after) == 0;
}

std::vector<std::string> ShortNames(const HandlerPrefs& p, bool served_only = false) {
    std::vector<std::string> names;
    for (int i = 0; i < p.short_format_count; ++i)
        if (!served_only || p.short_formats[i].served) names.push_back(p.short_formats[i].name);
    return names;
}

std::vector<std::string> LongNames(const HandlerPrefs& p, bool served_only = false) {
    std::vector<std::string> names;
    for (int i = 0; i < p.long_format_count; ++i)
        if (!served_only || (p.long_formats[i].served_a && p.long_formats[i].served_b))
            names.push_back(p.long_formats[i].name);
    return names;
}

using Tarn::Test::DefinedDynamicSymbols;

TEST(UtilityExports, ExactlyTheThreeFunctions) {
    EXPECT_EQ(
        DefinedDynamicSymbols(LibraryPath()),
        std::set<std::string>({"GetHandlerPrefs", "GetRasterProgramDir", "GetColourPalatteDir"}));
}

TEST_F(UtilityEnvironment, NoFileKeepsDefaultsAndFillsDefaultFormats) {
    const HandlerPrefs defaults = Defaults();
    HandlerPrefs p = defaults;
    Library().get_prefs(&p);
    EXPECT_TRUE(SameOutsideTables(p, defaults));
    const std::vector<std::string> expected = {"tif", "tiff", "img", "dem", "dt0", "dt1", "dt2",
                                               "asc", "bil",  "bip", "bsq", "flt", "vrt", "nc",
                                               "hgt", "ers",  "grd", "rst", "jp2", "png"};
    EXPECT_EQ(ShortNames(p, true), expected);
    EXPECT_EQ(LongNames(p, true), expected);
    Library().get_prefs(nullptr);  // no crash
}

// Every field of the record can be set, each from its own key.
TEST_F(UtilityEnvironment, EveryFieldFromTheFile) {
    Write(XdgIni(),
          "; all of them\n"
          "[Colouring]\nMode = 1\nColourTable = \"Terrain \xC3\xA9t\xC3\xA9.lut\"\n"
          "[Shading]\nEnabled = no\nLightAzimuth = 315\nLightElevation = 30\n"
          "LightIntensity = 70\nAmbientBrightness = 20\nReliefContrast = 65\nHighlights = off\n"
          "HighlightAzimuth = 300\nHighlightElevation = 60\nHighlightSize = 10\n"
          "[Engine]\nHNames = yes\nCacheSize = 0x100\nOpenMode = 0\nQualityFlag = 1\n"
          "QualityLimit = 1000\n"
          "[underviews]\nenabled = TRUE   # lower-case names work too\nMode = 4\n"
          "[Drawing]\nThreads = 3\n");
    HandlerPrefs p = Defaults();
    Library().get_prefs(&p);
    EXPECT_EQ(p.default_colouring_mode, 1);
    EXPECT_EQ(Narrow(p.colour_table_file), "Terrain \xC3\xA9t\xC3\xA9.lut");
    EXPECT_EQ(p.shading_on, 0);
    EXPECT_EQ(p.light_azimuth, 315);
    EXPECT_EQ(p.light_elevation, 30);
    EXPECT_EQ(p.light_intensity, 70);
    EXPECT_EQ(p.ambient_brightness, 20);
    EXPECT_EQ(p.relief_contrast, 65);
    EXPECT_EQ(p.highlights_on, 0);
    EXPECT_EQ(p.highlight_azimuth, 300);
    EXPECT_EQ(p.highlight_elevation, 60);
    EXPECT_EQ(p.highlight_size, 10);
    EXPECT_EQ(p.bind_h_names, 1);
    EXPECT_EQ(p.cache_size, 256);
    EXPECT_EQ(p.open_mode_choice, 0);
    EXPECT_EQ(p.quality_flag, 1);
    EXPECT_EQ(p.quality_limit, 1000);
    EXPECT_EQ(p.underview_preference, 1);
    EXPECT_EQ(p.underview_mode, 4);
    EXPECT_EQ(p.draw_threads, 3);
    EXPECT_EQ(p.unread11996, 0x5A) << "not a preference";
    EXPECT_EQ(p.long_format_count, 20) << "no [Formats]: the default list";
}

// Keys that are missing, misspelt, or whose value is not a number or a switch change nothing.
TEST_F(UtilityEnvironment, MissingAndMalformedKeysKeepTheCallersValues) {
    Write(XdgIni(),
          "LightAzimuth = 10\n"  // before any section
          "[Shading]\nLightAzimuth = ten\nLightElevation = 12.5\nLightIntensity =\n"
          "Enabled = maybe\nAmbientBrightness = 99999999999\nRelief Contrast = 7\n"
          "[Broken\nHighlightSize = 3\n"
          "[Engine]\nCacheSize = 128\n");
    const HandlerPrefs defaults = Defaults();
    HandlerPrefs p = defaults;
    Library().get_prefs(&p);
    HandlerPrefs expected = defaults;
    expected.cache_size = 128;
    EXPECT_TRUE(SameOutsideTables(p, expected));
}

// A number has one sign at most, before any "0x"; what has more is not a number.
TEST_F(UtilityEnvironment, NumbersTakeOneSign) {
    struct Case {
        const char* text;
        int32_t cache_size;  // 77: the caller's value kept
    };
    const Case cases[] = {
        {"-5", -5},     {"+7", 7},     {"-0x10", -16},   {"0x7FFFFFFF", 2147483647},
        {"-2147483648", -2147483648LL}, {"--5", 77},     {"+-7", 77},  {"-+7", 77},
        {"-0x-10", 77}, {"0x+10", 77}, {"--9223372036854775808", 77},
        {"-9223372036854775808", 77},  {"2147483648", 77}, {"-", 77}, {"0x", 77},
    };
    for (const Case& c : cases) {
        Write(XdgIni(), std::string("[Engine]\nCacheSize = ") + c.text + "\n");
        HandlerPrefs p = Defaults();
        p.cache_size = 77;
        Library().get_prefs(&p);
        EXPECT_EQ(p.cache_size, c.cache_size) << c.text;
    }
}

TEST_F(UtilityEnvironment, RegistryNamesTheFile) {
    const std::string elsewhere = dir_ + "/elsewhere.ini";
    Write(elsewhere, "[Engine]\nCacheSize = 64\n");
    Write(XdgIni(), "[Engine]\nCacheSize = 32\n");
    WriteUserRegistry("Software\\Corvane\\Corvane\\Raster\\200", {{"PreferencesFile", elsewhere}});
    HandlerPrefs p = Defaults();
    Library().get_prefs(&p);
    EXPECT_EQ(p.cache_size, 64);
}

TEST_F(UtilityEnvironment, FormatTablesFromTheFile) {
    std::string text =
        "[Formats]\n"
        "TIF = yes\n"                     // lower-cased
        ".img = yes\n"                    // the dot goes
        "tiff = yes\n"                    // four letters fit both layouts
        "dem = no\n"                      // listed, not served
        "hdr = sometimes\n"               // not a switch: skipped
        "longername = yes\n"              // 10 letters: long layout only
        "averyveryverylongname = yes\n";  // 21 letters: neither
    for (int i = 0; i < 20; ++i) text += "x" + std::to_string(i) + " = yes\n";
    Write(XdgIni(), text);
    HandlerPrefs p = Defaults();
    Library().get_prefs(&p);
    const std::vector<std::string> short_names = ShortNames(p);
    const std::vector<std::string> long_names = LongNames(p);
    ASSERT_EQ(short_names.size(), 20u);
    ASSERT_EQ(long_names.size(), 20u);
    EXPECT_EQ(std::vector<std::string>(short_names.begin(), short_names.begin() + 5),
              std::vector<std::string>({"tif", "img", "tiff", "dem", "x0"}));
    EXPECT_EQ(std::vector<std::string>(long_names.begin(), long_names.begin() + 6),
              std::vector<std::string>({"tif", "img", "tiff", "dem", "longername", "x0"}));
    EXPECT_EQ(short_names.back(), "x15");
    EXPECT_EQ(long_names.back(), "x14");
    EXPECT_EQ(p.short_formats[3].served, 0);
    EXPECT_EQ(p.long_formats[3].served_a, 0);
    EXPECT_EQ(p.long_formats[3].served_b, 0);
    EXPECT_EQ(p.short_formats[0].served, 1);
    EXPECT_EQ(p.long_formats[0].served_a + p.long_formats[0].served_b, 2);
}

// An empty [Formats] section serves nothing rather than the default list.
TEST_F(UtilityEnvironment, EmptyFormatsSection) {
    Write(XdgIni(), "[Formats]\n; none\n");
    HandlerPrefs p = Defaults();
    p.short_format_count = 7;
    Library().get_prefs(&p);
    EXPECT_EQ(p.short_format_count, 0);
    EXPECT_EQ(p.long_format_count, 0);
}

TEST_F(UtilityEnvironment, DirectoriesFromTheLibraryLocation) {
    prefs_wchar buffer[512];
    const int length = Library().program_dir(buffer, 512);
    const std::string bin = std::filesystem::canonical(RH_BIN_DIR).string();
    EXPECT_EQ(Narrow(buffer), bin);
    EXPECT_EQ(length, static_cast<int>(bin.size()));
    ASSERT_GT(Library().palette_dir(buffer, 512), 0);
    EXPECT_EQ(Narrow(buffer), bin + "/ColorPalettes");
    // Too small a buffer gets an empty text and 0.
    EXPECT_EQ(Library().program_dir(buffer, 4), 0);
    EXPECT_EQ(buffer[0], u'\0');
    EXPECT_EQ(Library().program_dir(nullptr, 512), 0);
}

TEST_F(UtilityEnvironment, DirectoriesFromTheRegistry) {
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\r\n"
        "\"ColorPalettes\"=\"/srv/palettes\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200\\Handler]\r\n"
        "\"ProgramDirectory\"=\"/opt/corvane/raster\"\r\n";
    Write(dir_ + "/user.reg", text);
    prefs_wchar buffer[256];
    EXPECT_EQ(Library().program_dir(buffer, 256), 19);
    EXPECT_EQ(Narrow(buffer), "/opt/corvane/raster");
    EXPECT_EQ(Library().palette_dir(buffer, 256), 13);
    EXPECT_EQ(Narrow(buffer), "/srv/palettes");
}

}  // namespace
