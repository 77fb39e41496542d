// Shared by the colour table tests: fixture paths, a scratch directory per test, and writing
// small files into it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "colour/colour_control.h"
#include "system/utf.h"
#include "tests/support/scratch_dir.h"

namespace Tarn::Test {

inline std::u16string Fixture(const std::string& name) {
    return System::Utf8ToWide(std::string(RH_TEST_SOURCE_DIR) + "/fixtures/" + name);
}

inline Colour::PackedColour Rgb(int red, int green, int blue) {
    return Colour::PackColour(red, green, blue, 0);
}

}  // namespace Tarn::Test
