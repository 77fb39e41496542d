// The raster handler's settings in the registry and the directories it works from: the program
// directory (where the engine and the utility library are loaded from) and the colour palette
// directory, each from the registry or else beside the plug-in's own file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Engine {

// "Software\Corvane\Corvane\Raster\200\" and its subkey "Handler".
std::string RasterSettingsKey();
std::string HandlerSettingsKey();

// The settings are read into buffers of this many bytes: a value that needs more (more than 129
// UTF-16 units and the terminator) counts as not set in that hive.
inline constexpr size_t kSettingBufferBytes = 260;

// A string value under the raster / handler settings key, per user first and then machine-wide;
// nothing when neither hive holds it within `buffer_bytes`.
std::optional<std::u16string> ReadRasterSetting(std::string_view name,
                                                size_t buffer_bytes = kSettingBufferBytes);
std::optional<std::u16string> ReadHandlerSetting(std::string_view name,
                                                 size_t buffer_bytes = kSettingBufferBytes);

// The directory of the plug-in's own file (the loaded object named after the active flavour
// with ".rha", ".dll" or ".rhz"), else of the main executable; without a trailing separator.
std::u16string GetModuleDirectory();

// "ProgramDirectory" of the handler settings when set and not empty, else the module directory.
std::u16string GetProgramDirectory();

// "ColorPalettes" of the raster settings when set and not empty, else the module directory's
// "ColorPalettes". True when the result is not empty.
bool GetColourPaletteDirectory(std::u16string& directory);

}  // namespace Tarn::Engine
