// A fresh directory per test below TMPDIR, named after the running test and removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "system/utf.h"

namespace Tarn::Test {

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

    // A path in the scratch directory, UTF-8 and UTF-16.
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::u16string WidePath(const std::string& name) const {
        return System::Utf8ToWide(Path(name));
    }
    std::u16string WideDir() const { return System::Utf8ToWide(dir_.string() + "/"); }

    // Writes `bytes` to a file of the scratch directory and returns its wide path.
    std::u16string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return WidePath(name);
    }

    std::filesystem::path dir_;
};

}  // namespace Tarn::Test
