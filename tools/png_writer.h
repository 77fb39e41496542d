// Writing 24-bit RGB pictures as PNG files, never leaving a half-written file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Tarn::Tools {

// Asks `row_source` for each row from the top (3 bytes per pixel, red, green, blue) and writes
// the PNG to a temporary file beside `path`, renamed over it at the end. False with `error` set
// on failure; `path` is then untouched.
bool WriteRgbPng(const std::string& path, int width, int height,
                 const std::function<const uint8_t*(int row)>& row_source, std::string& error);

}  // namespace Tarn::Tools
