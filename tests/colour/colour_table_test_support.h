// Shared by the colour table tests: fixture paths, a scratch directory per test, and writing
// small files into it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "colour/colour_control.h"
#include "system/utf.h"

namespace Tarn::Test {

inline std::u16string Fixture(const std::string& name) {
    return System::Utf8ToWide(std::string(RH_TEST_SOURCE_DIR) + "/fixtures/" + name);
}

// A fresh directory below TMPDIR, named after the running test and removed afterwards.
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

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::u16string WidePath(const std::string& name) const {
        return System::Utf8ToWide(Path(name));
    }
    std::u16string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return WidePath(name);
    }

    std::filesystem::path dir_;
};

inline Colour::PackedColour Rgb(int red, int green, int blue) {
    return Colour::PackColour(red, green, blue, 0);
}

}  // namespace Tarn::Test
