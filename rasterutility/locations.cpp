// Registry reads and fallbacks through the platform layer.
#include "rasterutility/locations.h"

#include "platform/dynamic_library.h"
#include "platform/module_path.h"
#include "platform/process_env.h"
#include "platform/registry_files.h"

namespace Tarn::RasterUtility {
namespace {

constexpr const char* kRasterKey = "Software\\Corvane\\Corvane\\Raster\\200\\";
constexpr const char* kHandlerKey = "Software\\Corvane\\Corvane\\Raster\\200\\Handler";

std::optional<std::string> NonEmptySetting(const char* key, const char* name) {
    std::optional<std::string> value = Platform::ReadRegistryStringUserFirst(key, name);
    if (value && value->empty()) value.reset();
    return value;
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> PreferencesFilePath() {
    if (auto configured = NonEmptySetting(kRasterKey, "PreferencesFile")) return configured;
    const std::optional<std::string> base = Platform::UserConfigDirectory();
    if (!base) return std::nullopt;
    return *base + "/corvane/raster.ini";
}

std::string ProgramDirectory() {
    if (auto configured = NonEmptySetting(kHandlerKey, "ProgramDirectory")) return *configured;
    const std::optional<std::string> self =
        Platform::FindLoadedModule(Platform::LibraryFileName("KVRasterUtility"));
    return DirectoryOf(self ? *self : Platform::ExecutablePath());
}

std::string ColourPaletteDirectory() {
    if (auto configured = NonEmptySetting(kRasterKey, "ColorPalettes")) return *configured;
    return ProgramDirectory() + "/ColorPalettes";
}

}  // namespace Tarn::RasterUtility
