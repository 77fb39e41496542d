// The POSIX side: dlclose at exit is safe, so nothing needs to know.
#include "platform/library_lifetime.h"

namespace Tarn::Platform {

bool ProcessIsEnding() {
    return false;
}

}  // namespace Tarn::Platform
