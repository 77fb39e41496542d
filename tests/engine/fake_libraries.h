// Program directories assembled for a test from the fake engine and utility libraries, and a
// registry of the test's own, so that no setting of the machine leaks in.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <filesystem>
#include <initializer_list>
#include <string>

namespace FakeLibraries {

namespace fs = std::filesystem;

// A fresh directory below the test's temporary directory.
inline fs::path MakeTempDirectory(const char* stem) {
#ifdef _WIN32
    // No mkdtemp: the process number and a count make the name unique.
    static int count = 0;
    const fs::path directory = fs::temp_directory_path() /
                               (std::string(stem) + "-" + std::to_string(GetCurrentProcessId()) +
                                "-" + std::to_string(++count));
    fs::remove_all(directory);
    if (!fs::create_directories(directory)) ADD_FAILURE() << "cannot make " << directory;
    return directory;
#else
    std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << pattern;
    return pattern;
#endif
}

// Whether the library at `path` is loaded in this process (without loading it).
inline bool IsLoaded(const fs::path& path) {
#ifdef _WIN32
    return GetModuleHandleW(path.c_str()) != nullptr;
#else
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library != nullptr) dlclose(library);
    return library != nullptr;
#endif
}

// The variants built below test-bin/fakes, each one library: "engine" (both name sets),
// "engine_no_epsg" (no GetCS_EPSG), "engine_h_only" (only KVR_H_ names), "utility",
// "utility_no_prefs" (no GetHandlerPrefs). Each directory gets copies, so that a library loaded
// from one never stands in for another.
inline fs::path MakeProgramDirectory(std::initializer_list<const char*> variants) {
    const fs::path directory = MakeTempDirectory("program");
    for (const char* variant : variants) {
        for (const auto& entry :
             fs::directory_iterator(fs::path(RH_TEST_BIN_DIR) / "fakes" / variant))
            fs::copy_file(entry.path(), directory / entry.path().filename());
    }
    return directory;
}

// Points both registry hives at files in `directory` that do not exist yet.
inline void IsolateRegistry(const fs::path& directory) {
    setenv("CORVANE_USER_REG", (directory / "user.reg").string().c_str(), 1);
    setenv("CORVANE_SYSTEM_REG", (directory / "system.reg").string().c_str(), 1);
}

}  // namespace FakeLibraries
