// The preference readers over GetHandlerPrefs.
#include "engine/preferences.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "engine/engine_table.h"

namespace Tarn::Engine {
namespace {

constexpr uint32_t kDefaultQualityLimit = 0x4000000;

void CopyWide(prefs_wchar* target, size_t capacity, std::u16string_view text) {
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), n * sizeof(prefs_wchar));
    target[n] = 0;
}

}  // namespace

HandlerPrefs DefaultHandlerPrefs() {
    HandlerPrefs prefs;
    std::memset(&prefs, 0, sizeof prefs);
    prefs.default_colouring_mode = 3;
    CopyWide(prefs.colour_table_file, std::size(prefs.colour_table_file), u"Pseudocolor.lut");
    prefs.shading_on = 1;
    prefs.light_azimuth = 45;
    prefs.light_elevation = 45;
    prefs.light_intensity = 50;
    prefs.ambient_brightness = 50;
    prefs.relief_contrast = 50;
    prefs.highlights_on = 1;
    prefs.highlight_azimuth = 45;
    prefs.highlight_elevation = 45;
    prefs.highlight_size = 50;
    prefs.bind_h_names = 0;
    prefs.cache_size = 512;
    prefs.open_mode_choice = 2;
    prefs.quality_flag = 0;
    prefs.quality_limit = static_cast<int32_t>(kDefaultQualityLimit);
    return prefs;
}

bool ReadHandlerPrefs(HandlerPrefs& prefs) {
    prefs = DefaultHandlerPrefs();
    const GetHandlerPrefsFn get = BoundEngine().GetHandlerPrefs;
    if (get == nullptr) return false;
    get(&prefs);
    return true;
}

int32_t ReadOpenMode() {
    HandlerPrefs prefs;
    if (!ReadHandlerPrefs(prefs)) return 2;
    switch (prefs.open_mode_choice) {
        case 0:
            return 3;
        case 1:
            return 4;
        default:
            return 2;
    }
}

OpenQualityLimit ReadOpenQualityLimit() {
    HandlerPrefs prefs;
    if (!ReadHandlerPrefs(prefs)) return {kDefaultQualityLimit, 0};
    const auto limit = static_cast<uint32_t>(prefs.quality_limit);
    return {limit == 0 ? kDefaultQualityLimit : limit, prefs.quality_flag};
}

int32_t ReadCacheSize() {
    HandlerPrefs prefs;
    if (!ReadHandlerPrefs(prefs)) return 512;
    return prefs.cache_size;
}

bool ReadBindHNames() {
    HandlerPrefs prefs;
    return ReadHandlerPrefs(prefs) && prefs.bind_h_names != 0;
}

bool ReadUnderviewPreference() {
    HandlerPrefs prefs;
    return ReadHandlerPrefs(prefs) && prefs.underview_preference != 0;
}

int32_t ReadUnderviewMode() {
    HandlerPrefs prefs;
    if (!ReadHandlerPrefs(prefs)) return 5;
    return prefs.underview_mode;
}

int32_t ReadDrawThreads() {
    HandlerPrefs prefs;
    if (!ReadHandlerPrefs(prefs)) return 0;
    return prefs.draw_threads;
}

}  // namespace Tarn::Engine
