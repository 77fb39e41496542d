// CKVRasterException: an error raised inside a render style operation, with the message code,
// the error number and where it was raised. The operation that raises it also catches it.
#pragma once

#include <cstdint>
#include <exception>
#include <utility>

#include "system/source_location.h"

namespace Tarn::Colour {

class CKVRasterException : public std::exception {
public:
    CKVRasterException(uint32_t code, int error, System::SourceLocation location)
        : code_(code), error_(error), location_(std::move(location)) {}

    uint32_t Code() const noexcept { return code_; }
    int Error() const noexcept { return error_; }
    const System::SourceLocation& Location() const noexcept { return location_; }
    const char* what() const noexcept override { return "render style document error"; }

private:
    uint32_t code_;
    int error_;
    System::SourceLocation location_;
};

}  // namespace Tarn::Colour
