// isatty on the standard error descriptor.
#include "platform/terminal.h"

#include <unistd.h>

namespace Tarn::Platform {

bool StandardErrorIsTerminal() {
    return ::isatty(2) != 0;
}

}  // namespace Tarn::Platform
