// Shared by the XML tests: a fresh directory per test, whole-file reads and writes, and a codec.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "style/xml_codec.h"

namespace xml_test {

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Flips every byte with a fixed mask: its own inverse, and it turns "<" into something else, so
// a document read without it cannot parse by accident.
class XorCodec : public Tarn::Xml::XmlCodec {
public:
    size_t Transform(const char* input, size_t length, char* output, size_t capacity) override {
        const size_t n = std::min(length, capacity);
        for (size_t i = 0; i < n; ++i) output[i] = static_cast<char>(input[i] ^ 0x5A);
        return n;
    }
};

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "xml-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

}  // namespace xml_test
