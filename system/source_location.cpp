// Building source locations from full file paths and qualified function names.
#include "system/source_location.h"

namespace Tarn::System {

SourceLocation SourceLocation::FromQualified(std::u16string_view file_path,
                                             std::u16string_view qualified_function, int64_t line) {
    const auto after_last = [](std::u16string_view text, std::u16string_view set) {
        const size_t at = text.find_last_of(set);
        return std::u16string(at == std::u16string_view::npos ? text : text.substr(at + 1));
    };
    return SourceLocation{after_last(file_path, u"/\\"), after_last(qualified_function, u":"),
                          line};
}

}  // namespace Tarn::System
