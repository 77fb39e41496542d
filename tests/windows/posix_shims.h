// The few POSIX calls the shared test suites make, for their Windows build, where this header is
// included ahead of each source: environment variables through the C runtime (which sets the
// process environment the platform layer reads as well), no user who is root, mkdtemp, and the
// permission calls on wide paths.
#pragma once

#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name) != nullptr) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

// A value from std::filesystem::path::c_str(), which is wide there.
inline int setenv(const char* name, const wchar_t* value, int overwrite) {
    if (!overwrite && getenv(name) != nullptr) return 0;
    wchar_t wide_name[256];
    size_t converted = 0;
    if (mbstowcs_s(&converted, wide_name, name, _TRUNCATE) != 0) return -1;
    return _wputenv_s(wide_name, value) == 0 ? 0 : -1;
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

inline char* mkdtemp(char* pattern) {
    if (_mktemp_s(pattern, strlen(pattern) + 1) != 0) return nullptr;
    return _mkdir(pattern) == 0 ? pattern : nullptr;
}

// Paths of std::filesystem are wide there; Windows keeps only a read-only attribute, no owner.
inline int chmod(const wchar_t* path, int mode) {
    return _wchmod(path, mode);
}
inline int chown(const wchar_t*, unsigned, unsigned) {
    return 0;
}
