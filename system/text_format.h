// printf-style formatting into narrow (UTF-8) and wide (UTF-16) strings. Arguments may be
// std::string and, for the wide form, std::u16string or const char16_t*: "%s" takes them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "system/utf.h"

namespace Tarn::System {
namespace detail {

template <typename T>
decltype(auto) PrintfArg(const T& value) {
    if constexpr (std::is_same_v<T, std::string>) {
        return value.c_str();
    } else {
        return value;
    }
}

template <typename T>
auto WideArgToNarrow(const T& value) {
    if constexpr (std::is_same_v<T, std::u16string> || std::is_same_v<T, std::u16string_view>) {
        return WideToUtf8(value);
    } else if constexpr (std::is_array_v<T> &&
                         std::is_same_v<std::remove_cv_t<std::remove_extent_t<T>>, char16_t>) {
        return WideToUtf8(std::u16string_view(value));
    } else if constexpr (std::is_same_v<std::decay_t<T>, const char16_t*> ||
                         std::is_same_v<std::decay_t<T>, char16_t*>) {
        return WideToUtf8(value ? std::u16string_view(value) : std::u16string_view());
    } else {
        return value;
    }
}

}  // namespace detail

// Formats into `target` (emptied first) and returns the character count. A null format leaves
// the target empty; a measured length below 1 is returned unchanged with the target empty.
template <typename... Args>
int FormatInto(std::string& target, const char* format, const Args&... args) {
    target.clear();
    if (format == nullptr) return 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    const int length = std::snprintf(nullptr, 0, format, detail::PrintfArg(args)...);
    if (length < 1) return length;
    target.resize(static_cast<size_t>(length));
    std::snprintf(target.data(), target.size() + 1, format, detail::PrintfArg(args)...);
#pragma GCC diagnostic pop
    return length;
}

template <typename... Args>
std::string FormatString(const char* format, const Args&... args) {
    std::string out;
    FormatInto(out, format, args...);
    return out;
}

// The wide form formats in UTF-8 and converts the result, so "%s" accepts wide texts.
template <typename... Args>
int FormatWide(std::u16string& target, const char16_t* format, const Args&... args) {
    target.clear();
    if (format == nullptr) return 0;
    const std::string narrow_format = WideToUtf8(format);
    auto narrow_args = std::make_tuple(detail::WideArgToNarrow(args)...);
    std::string narrow;
    const int length = std::apply(
        [&](const auto&... a) { return FormatInto(narrow, narrow_format.c_str(), a...); },
        narrow_args);
    if (length < 1) return length;
    target = Utf8ToWide(narrow);
    return static_cast<int>(target.size());
}

}  // namespace Tarn::System
