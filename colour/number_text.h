// Reading the leading number of a text the way the C library's atoi and atof do, but
// independent of the process locale (the host may set a decimal comma) and without undefined
// behaviour on overflow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Colour {

// Leading white space, an optional sign and decimal digits; anything else ends the number and
// text without digits reads as 0. Values beyond 64 bits saturate.
int64_t LeadingInteger64(std::string_view text);
// The low 32 bits of LeadingInteger64, as glibc's atoi gives them.
int32_t LeadingInteger(std::string_view text);

// Leading white space, then a decimal floating-point number (with "inf" and "nan"); text that
// is not a number reads as 0. Overflow gives an infinity, underflow a zero.
double LeadingNumber(std::string_view text);

// Whether LeadingNumber finds digits: after white space and an optional sign, a digit or a
// point and a digit. Table readers use it to skip lines of words.
bool StartsWithNumber(std::string_view text);

// The whole text, nothing else, as a finite decimal number or a 64-bit integer; for formats
// that reject what is not a number instead of reading it as 0.
std::optional<double> ParseWholeNumber(std::string_view text);
std::optional<int64_t> ParseWholeInteger(std::string_view text);

// printf's "%.<precision>g" as the C locale writes it, whatever locale the host has set.
std::string FormatNumber(double value, int precision);

}  // namespace Tarn::Colour
