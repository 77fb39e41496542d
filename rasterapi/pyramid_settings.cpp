// The [Pyramids] keys, parsed as the utility library parses every other preference.
#include "rasterapi/pyramid_settings.h"

#include <optional>

#include "platform/process_env.h"
#include "rasterutility/ini_file.h"
#include "rasterutility/locations.h"
#include "rasterutility/prefs_values.h"

namespace Tarn::RasterApi {
namespace {

constexpr const char* kSection = "Pyramids";

}  // namespace

PyramidSettings DefaultPyramidSettings() {
    PyramidSettings settings;
    if (const std::optional<std::string> base = Platform::UserCacheDirectory())
        settings.directory = *base + "/corvane/pyramids";
    return settings;
}

PyramidSettings PyramidSettingsFrom(const RasterUtility::IniFile& file) {
    using RasterUtility::ParseInteger;
    using RasterUtility::ParseSwitch;
    PyramidSettings settings = DefaultPyramidSettings();
    if (auto text = file.Value(kSection, "Enabled"))
        settings.enabled = ParseSwitch(*text).value_or(settings.enabled);
    if (auto text = file.Value(kSection, "Threshold")) {
        if (const std::optional<int32_t> side = ParseInteger(*text); side && *side > 0)
            settings.large_cells = int64_t{*side} * *side;
    }
    if (auto text = file.Value(kSection, "CacheLimit")) {
        if (const std::optional<int32_t> megabytes = ParseInteger(*text);
            megabytes && *megabytes >= 0)
            settings.cap_bytes = int64_t{*megabytes} << 20;
    }
    if (auto text = file.Value(kSection, "Directory"); text && !text->empty())
        settings.directory = *text;
    return settings;
}

PyramidSettings ReadPyramidSettings() {
    if (const std::optional<std::string> path = RasterUtility::PreferencesFilePath()) {
        if (const std::optional<RasterUtility::IniFile> file = RasterUtility::IniFile::Load(*path))
            return PyramidSettingsFrom(*file);
    }
    return DefaultPyramidSettings();
}

}  // namespace Tarn::RasterApi
