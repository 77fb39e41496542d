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
#include "tests/support/scratch_dir.h"

namespace Tarn::Test {

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fixture that could not be written fails the test here, not later as a puzzling result.
inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

inline std::vector<std::string> LogTexts(const System::CMessageLog& log) {
    std::vector<std::string> texts;
    for (const auto& item : log.Items()) texts.push_back(System::WideToUtf8(item->Text()));
    return texts;
}

}  // namespace Tarn::Test
