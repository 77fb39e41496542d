// Windows file times (100 ns ticks since 1601) as the Unix times of PathStatus.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Tarn::Platform {

inline int64_t UnixNanoseconds(const FILETIME& time) {
    constexpr int64_t kTicksFrom1601To1970 = 116444736000000000LL;
    const int64_t ticks = (static_cast<int64_t>(time.dwHighDateTime) << 32) |
                          static_cast<int64_t>(time.dwLowDateTime);
    return (ticks - kTicksFrom1601To1970) * 100;
}

inline int64_t UnixSeconds(const FILETIME& time) {
    const int64_t nanoseconds = UnixNanoseconds(time);
    // Round toward minus infinity, as a stat time before 1970 does.
    return nanoseconds >= 0 ? nanoseconds / 1000000000 : -((-nanoseconds + 999999999) / 1000000000);
}

}  // namespace Tarn::Platform
