// isatty on the standard error descriptor.
#include "platform/terminal.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace Tarn::Platform {

bool StandardErrorIsTerminal() {
#if defined(_WIN32)
    return _isatty(2) != 0;
#else
    return ::isatty(2) != 0;
#endif
}

}  // namespace Tarn::Platform
