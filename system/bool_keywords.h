// The boolean keywords of text files and text blocks ("ON", "YES", "FALSE", ...).
#pragma once

#include <string_view>

namespace Tarn::System {

// 1 for a true keyword, 0 for a false one, -1 for anything else (the empty text included).
// Keywords compare ignoring case.
int ParseBoolKeyword(std::string_view word);

}  // namespace Tarn::System
