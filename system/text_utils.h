// Small text routines shared by the whole library: case-insensitive comparison, trimming,
// slicing, lower-casing, searching, rounding and the path-existence test.
#pragma once

#include <string>
#include <string_view>

namespace Tarn::System {

// Equal ignoring the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// Remove leading / trailing white space (blank, tab, LF, VT, FF, CR).
void TrimLeft(std::string& s);
void TrimRight(std::string& s);
// Remove every trailing character that is in `set`.
void TrimRightOf(std::u16string& s, std::u16string_view set);

// Keep the first / last min(n, length) characters.
void Left(std::string& s, size_t n);
void Left(std::u16string& s, size_t n);
void Right(std::u16string& s, size_t n);

// Lower-case every ASCII letter of a UTF-16 text; other units are left alone.
void ToLower(std::u16string& s);
std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);

// Index of the first character of s that is in set, or -1.
long FindFirstOf(std::string_view s, std::string_view set);

// Whether the file system reports status for the path. Paths of exactly 3 or 4 characters
// ("C:/", "/tmp") are tested unchanged; others first lose their trailing separators.
bool PathExists(std::u16string_view path);

// Nearest integer, halves away from zero, through a 32-bit integer.
double RoundHalfAway(double x);

}  // namespace Tarn::System
