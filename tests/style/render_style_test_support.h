// Shared by the render style document tests: a fresh directory with one document path, wide
// paths, and running a check without root's power to write any file.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "system/utf.h"
#include "xml_test_support.h"

namespace style_test {

namespace fs = std::filesystem;

inline std::u16string Wide(const fs::path& path) {
    return Tarn::System::Utf8ToWide(path.string());
}

class StyleDocumentTest : public xml_test::TempDirTest {
protected:
    void SetUp() override {
        xml_test::TempDirTest::SetUp();
        path_ = dir_ / "dem_tif.ghx";
        wide_ = Wide(path_);
    }

    // Writes a document with the standard declaration around `body`.
    void WriteDocument(const std::string& body) const {
        xml_test::WriteBytes(path_, "<?xml version=\"1.0\"?>\r\n" + body);
    }

    fs::path path_;
    std::u16string wide_;
};

enum class Unprivileged { kPassed, kFailed, kUnavailable };

// Runs `check` as the user nobody when this process is root (who may write even a read-only
// file), in a child process so the test itself keeps its privileges.
inline Unprivileged RunUnprivileged(const std::function<bool()>& check) {
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

}  // namespace style_test
