// One table row per preference: where it lives in the file and in the record.
#include "rasterutility/prefs_reader.h"

#include <utf8.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "rasterutility/prefs_values.h"

namespace Tarn::RasterUtility {
namespace {

struct IntegerKey {
    const char* section;
    const char* key;
    int32_t HandlerPrefs::*field;
};

struct SwitchKey {
    const char* section;
    const char* key;
    uint8_t HandlerPrefs::*field;
};

const IntegerKey kIntegers[] = {
    {"Colouring", "Mode", &HandlerPrefs::default_colouring_mode},
    {"Shading", "LightAzimuth", &HandlerPrefs::light_azimuth},
    {"Shading", "LightElevation", &HandlerPrefs::light_elevation},
    {"Shading", "LightIntensity", &HandlerPrefs::light_intensity},
    {"Shading", "AmbientBrightness", &HandlerPrefs::ambient_brightness},
    {"Shading", "ReliefContrast", &HandlerPrefs::relief_contrast},
    {"Shading", "HighlightAzimuth", &HandlerPrefs::highlight_azimuth},
    {"Shading", "HighlightElevation", &HandlerPrefs::highlight_elevation},
    {"Shading", "HighlightSize", &HandlerPrefs::highlight_size},
    {"Engine", "CacheSize", &HandlerPrefs::cache_size},
    {"Engine", "OpenMode", &HandlerPrefs::open_mode_choice},
    {"Engine", "QualityLimit", &HandlerPrefs::quality_limit},
    {"Underviews", "Mode", &HandlerPrefs::underview_mode},
    {"Drawing", "Threads", &HandlerPrefs::draw_threads},
};

const SwitchKey kSwitches[] = {
    {"Shading", "Enabled", &HandlerPrefs::shading_on},
    {"Shading", "Highlights", &HandlerPrefs::highlights_on},
    {"Engine", "HNames", &HandlerPrefs::bind_h_names},
    {"Engine", "QualityFlag", &HandlerPrefs::quality_flag},
    {"Underviews", "Enabled", &HandlerPrefs::underview_preference},
};

// UTF-8 into the record's UTF-16 field, cut to fit with its terminator; false when the text is
// not valid UTF-8 (the field is then left alone).
template <size_t N>
bool CopyWide(prefs_wchar (&target)[N], const std::string& utf8_text) {
    std::u16string wide;
    try {
        utf8::utf8to16(utf8_text.begin(), utf8_text.end(), std::back_inserter(wide));
    } catch (const utf8::exception&) {
        return false;
    }
    size_t length = std::min(wide.size(), N - 1);
    // Never end on the first half of a surrogate pair.
    if (length > 0 && length < wide.size() && wide[length - 1] >= 0xD800 &&
        wide[length - 1] <= 0xDBFF)
        --length;
    std::copy_n(wide.begin(), length, target);
    std::fill(target + length, target + N, u'\0');
    return true;
}

}  // namespace

void ApplyPreferences(const IniFile& file, HandlerPrefs& prefs) {
    for (const IntegerKey& k : kIntegers)
        if (const auto text = file.Value(k.section, k.key))
            if (const auto value = ParseInteger(*text)) prefs.*k.field = *value;
    for (const SwitchKey& k : kSwitches)
        if (const auto text = file.Value(k.section, k.key))
            if (const auto value = ParseSwitch(*text)) prefs.*k.field = *value ? 1 : 0;
    if (const auto table = file.Value("Colouring", "ColourTable"); table && !table->empty())
        CopyWide(prefs.colour_table_file, *table);
}

}  // namespace Tarn::RasterUtility
