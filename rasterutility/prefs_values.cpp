// Strict parsing: the whole text must be the value, with one sign at most.
#include "rasterutility/prefs_values.h"

#include <charconv>
#include <limits>
#include <string>

namespace Tarn::RasterUtility {

std::optional<int32_t> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    // Unsigned, so that from_chars takes no second sign; the one allowed was taken above.
    uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    if (magnitude > limit) return std::nullopt;
    const int64_t value = static_cast<int64_t>(magnitude);
    return static_cast<int32_t>(negative ? -value : value);
}

std::optional<bool> ParseSwitch(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "yes" || lower == "on" || lower == "true" || lower == "1") return true;
    if (lower == "no" || lower == "off" || lower == "false" || lower == "0") return false;
    return std::nullopt;
}

}  // namespace Tarn::RasterUtility
