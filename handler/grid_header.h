// The 1024-byte header of ".grd" grid files of format "KV_Skarnel_GRD": a palette of up to 64
// (value, colour) entries and shading settings, which become a render style transform.
#pragma once

#include <cstdint>
#include <string_view>

#include "colour/colour_info.h"

namespace Tarn::Handler {

inline constexpr char kGridHeaderFormat[] = "KV_Skarnel_GRD";
inline constexpr int kGridHeaderSize = 1024;
inline constexpr int kGridHeaderMaxEntries = 64;

// Fills `info` with a user colour mapping of the header's palette entries and with its shading
// settings. Returns the entry count the header states (also when above 64); 0 when the file
// cannot be read or is shorter than the header.
int ReadGridHeader(std::u16string_view path, Colour::ColourInfo& info);

}  // namespace Tarn::Handler
