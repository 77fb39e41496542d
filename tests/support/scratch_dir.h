// A fresh directory per test below TMPDIR, named after the running test and removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "system/utf.h"

namespace Tarn::Test {

// Narrow paths in the tests are UTF-8 with "/" between names, on Windows too, as inside the
// library; std::filesystem would take a narrow string there in the ANSI code page.
inline std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}
inline std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        dir_ = std::filesystem::path(::testing::TempDir()) / name;
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // A path in the scratch directory, UTF-8 and UTF-16; `name` is joined as it is ("a.zip//x"
    // keeps both slashes).
    std::string Path(const std::string& name) const { return PathText(dir_) + "/" + name; }
    std::u16string WidePath(const std::string& name) const {
        return System::Utf8ToWide(Path(name));
    }
    std::u16string WideDir() const { return System::Utf8ToWide(PathText(dir_) + "/"); }

    // Writes `bytes` to a file of the scratch directory and returns its wide path.
    std::u16string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Utf8Path(Path(name)), std::ios::binary) << bytes;
        return WidePath(name);
    }

    std::filesystem::path dir_;
};

}  // namespace Tarn::Test
