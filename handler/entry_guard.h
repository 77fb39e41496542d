// The error boundary: no C++ exception leaves an RH_ entry point.
#pragma once

#include <new>

namespace Tarn::Handler {

// Runs `body`; any exception becomes the failure result 0.
template <typename Body>
int GuardEntry(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

}  // namespace Tarn::Handler
