// UTF-8 / UTF-16 conversion through UTF8-CPP; no error of that library leaves these functions.
#include "system/utf.h"

#include <utf8.h>
#include <iterator>

namespace Tarn::System {

std::u16string Utf8ToWide(std::string_view utf8, bool /*stop_at_invalid*/) {
    // Both modes give the valid prefix: measure it, then convert only that.
    const auto valid_end = utf8::find_invalid(utf8.begin(), utf8.end());
    std::u16string out;
    utf8::unchecked::utf8to16(utf8.begin(), valid_end, std::back_inserter(out));
    return out;
}

std::string WideToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    try {
        utf8::utf16to8(utf16.begin(), utf16.end(), std::back_inserter(out));
    } catch (const utf8::exception&) {
        // An unpaired surrogate ends the text; `out` holds what came before it.
    }
    return out;
}

}  // namespace Tarn::System
