// The preferences file, parsed and applied to the handler's preferences record.
#include "fuzz_support.h"
#include "rasterutility/ini_file.h"
#include "rasterutility/prefs_reader.h"

using namespace Tarn::RasterUtility;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IniFile file = IniFile::Parse(Tarn::Fuzz::AsText(data, size));
    HandlerPrefs prefs{};
    ApplyPreferences(file, prefs);
    return 0;
}
