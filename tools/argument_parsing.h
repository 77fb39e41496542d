// Usage errors and the numbers rhtool's options take ("4096x2048", "315,45", "2,98").
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace Tarn::Tools {

// A command line that cannot be carried out as written; rhtool exits 1 with its message.
class UsageError {
public:
    explicit UsageError(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

// Splits `text` at `separator` into exactly `count` numbers (int or finite double), or throws a
// usage error naming `what`.
template <typename Number, size_t count>
std::array<Number, count> ParseNumbers(const std::string& text, char separator, const char* what) {
    std::array<Number, count> values{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (size_t i = 0; i < count; ++i) {
        const auto [next, ec] = std::from_chars(at, end, values[i]);
        const bool last = i + 1 == count;
        bool bad = ec != std::errc() || (last ? next != end : (next == end || *next != separator));
        if constexpr (std::is_floating_point_v<Number>) bad = bad || !std::isfinite(values[i]);
        if (bad) throw UsageError(std::string("bad ") + what + ": " + text);
        at = next + 1;
    }
    return values;
}

}  // namespace Tarn::Tools
