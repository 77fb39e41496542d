// The boolean keyword table, tested in order; the first match decides.
#include "system/bool_keywords.h"

#include <array>

#include "system/text_utils.h"

namespace Tarn::System {
namespace {

constexpr std::array<std::string_view, 8> kTrueWords = {"ON",     "YES",     "TRUE",   "ENABLED",
                                                        "ENABLE", "DEFINED", "DEFINE", "VALID"};
constexpr std::array<std::string_view, 9> kFalseWords = {
    "OFF", "NO", "FALSE", "DISABLED", "DISABLE", "UNDEFINED", "UNDEFINE", "INVALID", "NONE"};

}  // namespace

int ParseBoolKeyword(std::string_view word) {
    if (word.empty()) return -1;
    for (std::string_view w : kTrueWords) {
        if (EqualsNoCase(word, w)) return 1;
    }
    for (std::string_view w : kFalseWords) {
        if (EqualsNoCase(word, w)) return 0;
    }
    return -1;
}

}  // namespace Tarn::System
