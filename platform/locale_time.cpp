// localtime_r and strftime_l with "%x" and "%X".
#include "platform/locale_time.h"

#include <locale.h>

#include <ctime>

namespace Tarn::Platform {
namespace {

// Made once and kept for the life of the process; an unusable locale setting falls back to "C".
locale_t UserTimeLocale() {
    static const locale_t locale = [] {
        locale_t user = newlocale(LC_TIME_MASK, "", locale_t(0));
        return user != locale_t(0) ? user : newlocale(LC_TIME_MASK, "C", locale_t(0));
    }();
    return locale;
}

std::optional<std::string> Format(const char* format, const std::tm& when, locale_t locale) {
    char text[64];
    const size_t length = strftime_l(text, sizeof text, format, &when, locale);
    if (length == 0) return std::nullopt;
    return std::string(text, length);
}

}  // namespace

std::optional<LocaleDateTime> CurrentLocaleDateTime() {
    const locale_t locale = UserTimeLocale();
    if (locale == locale_t(0)) return std::nullopt;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return std::nullopt;
    auto date = Format("%x", local, locale);
    auto time = Format("%X", local, locale);
    if (!date || !time) return std::nullopt;
    return LocaleDateTime{std::move(*date), std::move(*time)};
}

}  // namespace Tarn::Platform
