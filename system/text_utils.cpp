// Small text routines shared by the whole library.
#include "system/text_utils.h"

#include <cmath>
#include <cstdint>

#include "platform/file_system.h"
#include "system/utf.h"

namespace Tarn::System {
namespace {

constexpr bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <typename Char>
constexpr Char AsciiLower(Char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <typename View>
bool EqualsNoCaseImpl(View a, View b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return EqualsNoCaseImpl(a, b);
}
bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    return EqualsNoCaseImpl(a, b);
}

void TrimLeft(std::string& s) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    s.erase(0, i);
}

void TrimRight(std::string& s) {
    size_t n = s.size();
    while (n > 0 && IsSpace(s[n - 1])) --n;
    s.resize(n);
}

void TrimRightOf(std::u16string& s, std::u16string_view set) {
    size_t n = s.size();
    while (n > 0 && set.find(s[n - 1]) != std::u16string_view::npos) --n;
    s.resize(n);
}

void Left(std::string& s, size_t n) {
    if (n < s.size()) s.resize(n);
}

void Left(std::u16string& s, size_t n) {
    if (n < s.size()) s.resize(n);
}

void Right(std::u16string& s, size_t n) {
    if (n < s.size()) s.erase(0, s.size() - n);
}

void ToLower(std::u16string& s) {
    for (char16_t& c : s) c = AsciiLower(c);
}

std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

std::string ToUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

long FindFirstOf(std::string_view s, std::string_view set) {
    if (s.empty() || set.empty()) return -1;
    const size_t at = s.find_first_of(set);
    return at == std::string_view::npos ? -1 : static_cast<long>(at);
}

bool PathExists(std::u16string_view path) {
    std::u16string tested(path);
    if (tested.empty()) return false;
    if (tested.size() != 3 && tested.size() != 4) TrimRightOf(tested, u"\\/");
    if (tested.empty()) tested.push_back(u'/');  // only separators: the root directory
    return Platform::StatPath(WideToUtf8(tested)).has_value();
}

double RoundHalfAway(double x) {
    // Through a 32-bit integer, as the callers' formats expect; out-of-range values saturate
    // instead of overflowing.
    const double shifted = x > 0 ? x + 0.5 : x - 0.5;
    if (!(shifted > INT32_MIN)) return INT32_MIN;
    if (!(shifted < INT32_MAX)) return INT32_MAX;
    return static_cast<double>(static_cast<int32_t>(shifted));
}

}  // namespace Tarn::System
