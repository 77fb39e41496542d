// GetDateFormatW (short date) and GetTimeFormatW in the user's locale.
#include <windows.h>

#include "platform/locale_time.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {

std::optional<LocaleDateTime> CurrentLocaleDateTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t date[64];
    wchar_t time[64];
    // Each returns the length with its terminator, 0 when the text does not fit.
    const int date_length =
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 64);
    const int time_length = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, 64);
    if (date_length <= 1 || time_length <= 1) return std::nullopt;
    return LocaleDateTime{FromWide(std::wstring_view(date, static_cast<size_t>(date_length - 1))),
                          FromWide(std::wstring_view(time, static_cast<size_t>(time_length - 1)))};
}

}  // namespace Tarn::Platform
