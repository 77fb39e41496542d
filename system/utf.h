// Conversion between UTF-8 (narrow strings) and UTF-16 (wide strings). Conversion stops at the
// first invalid sequence; the text converted up to there is the result.
#pragma once

#include <string>
#include <string_view>

namespace Tarn::System {

std::u16string Utf8ToWide(std::string_view utf8, bool stop_at_invalid = true);
std::string WideToUtf8(std::u16string_view utf16);

}  // namespace Tarn::System
