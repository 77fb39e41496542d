// Shared by the render style document tests: a fresh directory with one document path, wide
// paths, and running a check without root's power to write any file.
#pragma once

#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>
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

using Tarn::Test::RunUnprivileged;
using Tarn::Test::Unprivileged;

}  // namespace style_test
