// Registry settings and the directories derived from them and from the plug-in's location.
#include "engine/settings.h"

#include "handler/flavour.h"
#include "platform/module_path.h"
#include "platform/registry_files.h"
#include "system/utf.h"

namespace Tarn::Engine {
namespace {

using Platform::RegistryHive;

std::optional<std::u16string> ReadSetting(const std::string& key, std::string_view name,
                                          size_t buffer_bytes) {
    for (RegistryHive hive : {RegistryHive::CurrentUser, RegistryHive::LocalMachine}) {
        const std::optional<std::string> value = Platform::ReadRegistryString(hive, key, name);
        if (!value) continue;
        std::u16string wide = System::Utf8ToWide(*value);
        // The terminator has to fit as well.
        if ((wide.size() + 1) * sizeof(char16_t) <= buffer_bytes) return wide;
    }
    return std::nullopt;
}

}  // namespace

std::string RasterSettingsKey() {
    return "Software\\Corvane\\Corvane\\Raster\\" + std::to_string(200L) + "\\";
}

std::string HandlerSettingsKey() {
    return RasterSettingsKey() + "Handler";
}

std::optional<std::u16string> ReadRasterSetting(std::string_view name, size_t buffer_bytes) {
    return ReadSetting(RasterSettingsKey(), name, buffer_bytes);
}

std::optional<std::u16string> ReadHandlerSetting(std::string_view name, size_t buffer_bytes) {
    return ReadSetting(HandlerSettingsKey(), name, buffer_bytes);
}

std::u16string GetModuleDirectory() {
    const std::string module_name(Handler::ActiveFlavour().module_name);
    std::optional<std::string> path;
    for (const char* extension : {".rha", ".dll", ".rhz"}) {
        path = Platform::FindLoadedModule(module_name + extension);
        if (path) break;
    }
    const std::u16string full = System::Utf8ToWide(path ? *path : Platform::ExecutablePath());
    const size_t separator = full.find_last_of(u"\\/");
    return separator == std::u16string::npos ? full : full.substr(0, separator);
}

std::u16string GetProgramDirectory() {
    std::optional<std::u16string> directory = ReadHandlerSetting("ProgramDirectory");
    if (directory && !directory->empty()) return *directory;
    return GetModuleDirectory();
}

bool GetColourPaletteDirectory(std::u16string& directory) {
    std::optional<std::u16string> value = ReadRasterSetting("ColorPalettes");
    directory = value && !value->empty() ? *value : GetModuleDirectory() + u"/ColorPalettes";
    return !directory.empty();
}

}  // namespace Tarn::Engine
