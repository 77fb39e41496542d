// The current local date and time as texts in the user's locale, for time stamps.
#pragma once

#include <optional>
#include <string>

namespace Tarn::Platform {

struct LocaleDateTime {
    std::string date;  // short date form of the locale
    std::string time;  // time form of the locale
};

// The locale is the user's (LC_ALL / LC_TIME / LANG), not the process's current C locale, which a
// plug-in does not own. Nothing when either text does not fit in 64 characters or cannot be made.
std::optional<LocaleDateTime> CurrentLocaleDateTime();

}  // namespace Tarn::Platform
