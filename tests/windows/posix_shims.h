// The few POSIX calls the shared test suites make, for their Windows build, where this header is
// included ahead of each source: environment variables through the C runtime (which sets the
// process environment the platform layer reads as well), and no user who is root.
#pragma once

#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name) != nullptr) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) {
    return _putenv_s(name, "") == 0 ? 0 : -1;  // an empty value removes the variable
}

// No Windows account writes through a read-only attribute, as root does through permissions:
// every user counts as an ordinary one, and there are no rights to drop.
inline unsigned geteuid() {
    return 1;
}
inline int setresuid(unsigned, unsigned, unsigned) {
    return -1;
}
