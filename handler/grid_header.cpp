// Reading the grid header's palette and shading settings.
//
//   offset  width        content
//   144     uint8        light intensity x 2
//   145     uint8        ambient brightness x 2
//   513     uint8        flags: shading on when 0x20 and 0x40 are both set
//   516     uint16       palette entry count
//   518     64 x 7       entries: float32 value, red, green, blue
//   966     float32      light azimuth
//   970     float32      light elevation
#include "handler/grid_header.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "colour/colour_values.h"
#include "platform/file_stream_io.h"
#include "system/utf.h"

namespace Tarn::Handler {

namespace {

using Header = std::array<unsigned char, kGridHeaderSize>;

float FloatAt(const Header& header, size_t offset) {
    float value = 0.0f;  // little-endian, as the file and this machine are
    std::memcpy(&value, header.data() + offset, sizeof value);
    return value;
}

bool ReadHeader(std::u16string_view path, Header& header) {
    std::FILE* file =
        Platform::OpenFileStream(System::WideToUtf8(path), Platform::FileDisposition::OpenExisting,
                                 Platform::FileAccess::Read, "rb");
    if (file == nullptr) return false;
    const size_t read = std::fread(header.data(), 1, header.size(), file);
    std::fclose(file);
    return read == header.size();
}

double HalvedPercent(unsigned char doubled) {
    return std::clamp(static_cast<double>(doubled >> 1), 50.0, 100.0);
}

}  // namespace

int ReadGridHeader(std::u16string_view path, Colour::ColourInfo& info) {
    Header header{};
    if (!ReadHeader(path, header)) return 0;

    const int count = header[516] | header[517] << 8;
    info.user_mapping_on = true;
    info.user_mapping.entries.clear();
    for (int i = 0; i < std::min(count, kGridHeaderMaxEntries); ++i) {
        const size_t at = 518 + static_cast<size_t>(i) * 7;
        const float value = FloatAt(header, at);
        // A value that is not a number could not be written to the style document and read back.
        if (!std::isfinite(value)) continue;
        // The palette's colours are opaque: the file has no transparency for them.
        info.user_mapping.entries.push_back(
            {value, Colour::PackColour(header[at + 4], header[at + 5], header[at + 6], 0)});
    }

    Colour::ShadingSettings& shading = info.shading;
    shading = {};
    if ((header[513] & 0x60) == 0x60) {
        shading.hillshade_on = true;
        shading.highlights_on = false;
        shading.position = FloatAt(header, 966);
        shading.inclination = FloatAt(header, 970);
        shading.shadow = 30.0;  // relief contrast
        shading.intensity = HalvedPercent(header[144]);
        shading.saturation = HalvedPercent(header[145]);  // ambient brightness
    }
    return count;
}

}  // namespace Tarn::Handler
