// Filling a HandlerPrefs record from the preferences file. Only what the file gives is written;
// every other field keeps the value the caller put there.
#pragma once

#include "engine/handler_prefs.h"
#include "rasterutility/ini_file.h"

namespace Tarn::RasterUtility {

void ApplyPreferences(const IniFile& file, HandlerPrefs& prefs);

}  // namespace Tarn::RasterUtility
