// The utility library's three exports. No exception leaves them; a failure leaves the caller's
// record or buffer as it was (a buffer gets an empty text).
#include <utf8.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>

#include "engine/handler_prefs.h"
#include "rasterutility/format_table.h"
#include "rasterutility/ini_file.h"
#include "rasterutility/locations.h"
#include "rasterutility/prefs_reader.h"

using namespace Tarn::RasterUtility;

namespace {

// The text and its terminator into the caller's buffer; the number of characters written, or 0
// when it does not fit.
int CopyOut(const std::string& utf8_text, prefs_wchar* buffer, int32_t capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    buffer[0] = u'\0';
    std::u16string wide;
    try {
        utf8::utf8to16(utf8_text.begin(), utf8_text.end(), std::back_inserter(wide));
    } catch (const utf8::exception&) {
        return 0;
    }
    if (wide.empty() || wide.size() >= static_cast<size_t>(capacity)) return 0;
    std::copy(wide.begin(), wide.end(), buffer);
    buffer[wide.size()] = u'\0';
    return static_cast<int>(wide.size());
}

}  // namespace

#define UTILITY_API extern "C" __attribute__((visibility("default")))

UTILITY_API void GetHandlerPrefs(HandlerPrefs* prefs) {
    if (prefs == nullptr) return;
    try {
        // Work on a copy, so that a failure half-way leaves the caller's defaults whole.
        HandlerPrefs filled = *prefs;
        std::optional<IniFile> file;
        if (const std::optional<std::string> path = PreferencesFilePath())
            file = IniFile::Load(*path);
        std::optional<std::vector<FormatEntry>> formats;
        if (file) {
            ApplyPreferences(*file, filled);
            formats = FormatsFromFile(*file);
        }
        FillFormatTables(formats ? *formats : DefaultFormats(), filled);
        *prefs = filled;
    } catch (...) {
    }
}

UTILITY_API int GetRasterProgramDir(prefs_wchar* buffer, int32_t capacity) {
    try {
        return CopyOut(ProgramDirectory(), buffer, capacity);
    } catch (...) {
        return 0;
    }
}

UTILITY_API int GetColourPalatteDir(prefs_wchar* buffer, int32_t capacity) {
    try {
        return CopyOut(ColourPaletteDirectory(), buffer, capacity);
    } catch (...) {
        return 0;
    }
}

static_assert(std::is_same_v<decltype(&GetHandlerPrefs), GetHandlerPrefsFn>);
static_assert(std::is_same_v<decltype(&GetRasterProgramDir), GetRasterProgramDirFn>);
static_assert(std::is_same_v<decltype(&GetColourPalatteDir), GetColourPalatteDirFn>);
