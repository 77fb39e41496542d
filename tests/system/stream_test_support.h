// Shared by the stream tests: a scratch directory per test, whole-file reads and writes, and the
// texts of a message log.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "system/message_log.h"
#include "system/utf.h"

namespace Tarn::Test {

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

    // A path in the scratch directory, UTF-8 and UTF-16.
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::u16string WidePath(const std::string& name) const {
        return System::Utf8ToWide(Path(name));
    }
    std::u16string WideDir() const { return System::Utf8ToWide(dir_.string() + "/"); }

    std::filesystem::path dir_;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::vector<std::string> LogTexts(const System::CMessageLog& log) {
    std::vector<std::string> texts;
    for (const auto& item : log.Items()) texts.push_back(System::WideToUtf8(item->Text()));
    return texts;
}

}  // namespace Tarn::Test
