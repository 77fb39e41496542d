// fork, drop to nobody, run, report through the exit status.
#include "tests/support/unprivileged.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace Tarn::Test {

Unprivileged RunUnprivileged(const std::function<bool()>& check) {
    if (::geteuid() != 0) return check() ? Unprivileged::kPassed : Unprivileged::kFailed;
    const pid_t child = ::fork();
    if (child < 0) return Unprivileged::kUnavailable;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        // _Exit: the child must not run the parent's exit handlers (leak checks, gtest).
        std::_Exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return Unprivileged::kFailed;
    switch (WEXITSTATUS(status)) {
        case 0:
            return Unprivileged::kPassed;
        case 2:
            return Unprivileged::kUnavailable;
        default:
            return Unprivileged::kFailed;
    }
}

}  // namespace Tarn::Test
