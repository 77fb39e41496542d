// SourceLocation: where a message or an error was raised.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Tarn::System {

struct SourceLocation {
    std::u16string file;      // file name without directory; empty when not given
    std::u16string function;  // function name; empty when not given
    int64_t line = -1;        // -1 when not given

    // Keeps the file name behind its last "/" or "\" and the function name behind its last ":",
    // so "Tarn::Colour::X::Save" becomes "Save".
    static SourceLocation FromQualified(std::u16string_view file_path,
                                        std::u16string_view qualified_function, int64_t line);

    bool operator==(const SourceLocation&) const = default;
};

}  // namespace Tarn::System
