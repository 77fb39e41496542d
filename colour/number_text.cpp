// Locale-independent atoi and atof.
#include "colour/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace Tarn::Colour {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipSpace(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return text.substr(i);
}

// from_chars reports a number it cannot represent without a value: decide between overflow
// and underflow from the decimal exponent of the first significant digit.
double OutOfRange(std::string_view digits, bool negative) {
    long long magnitude = 0;
    bool seen_point = false, significant = false;
    size_t i = 0;
    for (; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c == '.') {
            seen_point = true;
        } else if (IsDigit(c)) {
            if (c != '0' && !significant) significant = true;
            if (!seen_point && significant) ++magnitude;
            if (seen_point && !significant) --magnitude;
        } else {
            break;
        }
    }
    if (i < digits.size() && (digits[i] == 'e' || digits[i] == 'E')) {
        // Clamped so that the sum cannot overflow; beyond +-1e15 only the sign matters.
        magnitude += std::clamp<long long>(LeadingInteger64(digits.substr(i + 1)), -1e15, 1e15);
    }
    const double value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

}  // namespace

int64_t LeadingInteger64(std::string_view text) {
    text = SkipSpace(text);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t value = 0;  // accumulated as a negative number so that INT64_MIN fits
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (value < (-kMax - 1 + digit) / 10) {
            value = -kMax - 1;
            while (i < text.size() && IsDigit(text[i])) ++i;
            break;
        }
        value = value * 10 - digit;
    }
    if (!negative) value = value < -kMax ? kMax : -value;
    return value;
}

int32_t LeadingInteger(std::string_view text) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(static_cast<uint64_t>(LeadingInteger64(text))));
}

double LeadingNumber(std::string_view text) {
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
        // from_chars takes a minus sign itself but never a second one.
        if (!text.empty() && (text[0] == '+' || text[0] == '-')) return 0.0;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) return OutOfRange(text, negative);
    if (error != std::errc()) return 0.0;
    return negative ? -value : value;
}

}  // namespace Tarn::Colour

namespace Tarn::Colour {

bool StartsWithNumber(std::string_view text) {
    text = SkipSpace(text);
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    if (!text.empty() && text[0] == '.') text.remove_prefix(1);
    return !text.empty() && IsDigit(text[0]);
}

std::optional<double> ParseWholeNumber(std::string_view text) {
    // from_chars takes neither a plus sign nor "inf" and "nan" as a number we want.
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty() || !(IsDigit(text[0]) || text[0] == '-' || text[0] == '.')) return {};
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) return {};
    return value;
}

std::optional<int64_t> ParseWholeInteger(std::string_view text) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty() || text[0] == '+') return {};
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return {};
    return value;
}

std::string FormatNumber(double value, int precision) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    if (error != std::errc()) return {};
    return std::string(buffer, end);
}

}  // namespace Tarn::Colour
