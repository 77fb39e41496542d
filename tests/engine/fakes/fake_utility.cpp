// A stand-in utility library for the binding and identification tests. GetHandlerPrefs (left
// out when FAKE_NO_PREFS is defined) writes only what the FAKE_PREFS_* environment variables
// give, so every other field keeps the plug-in's default:
//   FAKE_PREFS_FORMATS  comma-separated names for both format tables; a leading "-" marks a
//                       record that is not served (in the two-flag table only one flag is set)
//   FAKE_PREFS_COUNT    the table count to report instead of the number of names
//   FAKE_PREFS_H_NAMES, FAKE_PREFS_CACHE, FAKE_PREFS_OPEN_MODE, FAKE_PREFS_QUALITY_FLAG,
//   FAKE_PREFS_QUALITY_LIMIT, FAKE_PREFS_UNDERVIEW, FAKE_PREFS_UNDERVIEW_MODE  single fields
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/handler_prefs.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef FAKE_NO_PREFS
namespace {

template <typename T>
void SetFromEnv(const char* name, T& field) {
    if (const char* value = std::getenv(name)) field = static_cast<T>(std::atoll(value));
}

void FillFormats(HandlerPrefs* prefs, const std::string& list) {
    int32_t count = 0;
    size_t start = 0;
    while (!list.empty() && start <= list.size() && count < PREFS_FORMAT_TABLE_CAPACITY) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::string name = list.substr(start, end - start);
        const bool served = name.empty() || name[0] != '-';
        if (!served) name.erase(0, 1);
        FormatDescriptionShort& s = prefs->short_formats[count];
        std::strncpy(s.name, name.c_str(), sizeof s.name - 1);
        s.served = served;
        FormatDescriptionLong& l = prefs->long_formats[count];
        std::strncpy(l.name, name.c_str(), sizeof l.name - 1);
        l.served_a = 1;
        l.served_b = served;
        ++count;
        start = end + 1;
    }
    prefs->short_format_count = count;
    prefs->long_format_count = count;
}

}  // namespace

FAKE_EXPORT void GetHandlerPrefs(HandlerPrefs* prefs) {
    if (const char* formats = std::getenv("FAKE_PREFS_FORMATS")) FillFormats(prefs, formats);
    SetFromEnv("FAKE_PREFS_COUNT", prefs->short_format_count);
    SetFromEnv("FAKE_PREFS_COUNT", prefs->long_format_count);
    SetFromEnv("FAKE_PREFS_H_NAMES", prefs->bind_h_names);
    SetFromEnv("FAKE_PREFS_CACHE", prefs->cache_size);
    SetFromEnv("FAKE_PREFS_OPEN_MODE", prefs->open_mode_choice);
    SetFromEnv("FAKE_PREFS_QUALITY_FLAG", prefs->quality_flag);
    SetFromEnv("FAKE_PREFS_QUALITY_LIMIT", prefs->quality_limit);
    SetFromEnv("FAKE_PREFS_UNDERVIEW", prefs->underview_preference);
    SetFromEnv("FAKE_PREFS_UNDERVIEW_MODE", prefs->underview_mode);
}
#endif

FAKE_EXPORT int GetRasterProgramDir(prefs_wchar* buffer, int32_t capacity) {
    if (buffer != nullptr && capacity > 0) buffer[0] = 0;
    return 0;
}

FAKE_EXPORT int GetColourPalatteDir(prefs_wchar* buffer, int32_t capacity) {
    if (buffer != nullptr && capacity > 0) buffer[0] = 0;
    return 0;
}
