// Where the utility library finds things: its preferences file, the program directory and the
// colour palette directory. Registry values come first (per user, then machine-wide).
#pragma once

#include <optional>
#include <string>

namespace Tarn::RasterUtility {

// The "PreferencesFile" value under the raster settings key, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/corvane/raster.ini; nothing when neither can be formed.
std::optional<std::string> PreferencesFilePath();

// The "ProgramDirectory" value under the handler settings key, else the directory that holds
// this library (else the executable's).
std::string ProgramDirectory();

// The "ColorPalettes" value under the raster settings key, else the program directory's
// "ColorPalettes" subdirectory.
std::string ColourPaletteDirectory();

}  // namespace Tarn::RasterUtility
