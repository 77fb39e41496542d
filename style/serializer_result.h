// SerializerResult: the outcome of a render style document operation, and the codes it carries.
#pragma once

#include <utility>

#include "system/source_location.h"

namespace Tarn::Colour {

// Codes shared with the colour table files.
inline constexpr int kStyleUnexpectedFailure = 20000;  // also a failed save or pre-save check
inline constexpr int kStyleWrongVersion = 20111;
inline constexpr int kStyleFileMissing = 20119;
inline constexpr int kStyleNoColourElement = 20551;
inline constexpr int kStyleElementMissing = 20552;

struct SerializerResult {
    bool success = true;
    int error_code = 0;  // 0 on success
    // Where a failed save or check was raised; empty (line -1) for every other outcome.
    System::SourceLocation location;

    static SerializerResult Failure(int code, System::SourceLocation where = {}) {
        return SerializerResult{false, code, std::move(where)};
    }
};

}  // namespace Tarn::Colour
