// localtime_r and strftime_l with "%x" and "%X".
#include "platform/locale_time.h"

#include <locale.h>

#include <ctime>

namespace Tarn::Platform {
namespace {

// Made once and freed when the library is unloaded (the host may load and unload the plug-in
// many times); an unusable locale setting falls back to "C".
class TimeLocale {
public:
    TimeLocale() {
        locale_ = newlocale(LC_TIME_MASK, "", locale_t(0));
        if (locale_ == locale_t(0)) locale_ = newlocale(LC_TIME_MASK, "C", locale_t(0));
    }
    ~TimeLocale() {
        if (locale_ != locale_t(0)) freelocale(locale_);
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;
    locale_t Get() const { return locale_; }

private:
    locale_t locale_;
};

locale_t UserTimeLocale() {
    static const TimeLocale locale;
    return locale.Get();
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
