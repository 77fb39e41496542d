// GetConsoleMode on the standard error handle: a console takes a mode, while a file, a pipe or the
// NUL device (which the C runtime's isatty counts as a terminal) does not.
#include <windows.h>

#include "platform/terminal.h"

namespace Tarn::Platform {

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetConsoleMode(handle, &mode) != 0;
}

}  // namespace Tarn::Platform
