// Pixel assembly of the multi-band and palette style kinds; each cell is a few byte moves, so
// the loops stay plain.
#include "draw/bands.h"

namespace Tarn::Draw {
namespace {

using Colour::PackedColour;

void Put(uint8_t* out, uint32_t red, uint32_t green, uint32_t blue) {
    out[0] = static_cast<uint8_t>(red);
    out[1] = static_cast<uint8_t>(green);
    out[2] = static_cast<uint8_t>(blue);
}

void PutColour(uint8_t* out, PackedColour c) {
    Put(out, c & 0xFFu, c >> 8 & 0xFFu, c >> 16 & 0xFFu);
}

// The colour's byte for a band number; 0 for a band the three bytes do not hold.
uint32_t BandByte(PackedColour c, int32_t band) {
    if (band < 1 || band > 3) return 0;
    return c >> (8 * (band - 1)) & 0xFFu;
}

bool IsDirect8Bit(const Colour::CColourControl& control) {
    return control.Transform().Kind() == Colour::kTransformDirectMarker &&
           control.DirectMaximum() == 8;
}

}  // namespace

void FillBackground(uint8_t* pixels, int64_t count, PackedColour background) {
    for (int64_t p = 0; p < count; ++p) PutColour(pixels + 3 * p, background);
}

void DrawByteBands(const ByteBands& bands, int64_t count, PackedColour background,
                   uint8_t* pixels) {
    const auto& [e0, e1, e2] = bands.elements;
    const auto& [f0, f1, f2] = bands.validity;
    for (int64_t p = 0; p < count; ++p) {
        uint8_t* out = pixels + 3 * p;
        if (f0[p] == 1 && f1[p] == 1 && f2[p] == 1) {
            Put(out, e0[p], e1[p], e2[p]);
        } else {
            PutColour(out, background);
        }
    }
}

void DrawPalette(const ColourBlock& block, int64_t count, PackedColour background,
                 uint8_t* pixels) {
    for (int64_t p = 0; p < count; ++p) {
        PutColour(pixels + 3 * p, block.validity[p] == 1 ? block.colours[p] : background);
    }
}

void DrawPackedBands(const ColourBlock& block, int64_t count, const std::array<int32_t, 3>& bands,
                     PackedColour background, uint8_t* pixels) {
    for (int64_t p = 0; p < count; ++p) {
        uint8_t* out = pixels + 3 * p;
        if (block.validity[p] != 1) {
            PutColour(out, background);
            continue;
        }
        const PackedColour c = block.colours[p];
        Put(out, BandByte(c, bands[0]), BandByte(c, bands[1]), BandByte(c, bands[2]));
    }
}

void DrawPackedBandsThroughControls(const ColourBlock& block, int64_t count,
                                    const std::array<int32_t, 3>& bands,
                                    const std::array<const Colour::CColourControl*, 3>& controls,
                                    PackedColour background, uint8_t* pixels) {
    // Each channel sees only byte values: its 256 answers are looked up once per picture.
    uint8_t lookup[3][256];
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v) {
            lookup[c][v] = static_cast<uint8_t>(controls[c]->ValueToColour(v) >> (8 * c) & 0xFFu);
        }
    }
    for (int64_t p = 0; p < count; ++p) {
        uint8_t* out = pixels + 3 * p;
        if (block.validity[p] != 1) {
            PutColour(out, background);
            continue;
        }
        const PackedColour c = block.colours[p];
        Put(out, lookup[0][BandByte(c, bands[0])], lookup[1][BandByte(c, bands[1])],
            lookup[2][BandByte(c, bands[2])]);
    }
}

void DrawFloatBands(const FloatBands& bands, int64_t count,
                    const std::array<const Colour::CColourControl*, 3>& controls,
                    PackedColour background, uint8_t* pixels) {
    const auto& [v0, v1, v2] = bands.values;
    const auto& [f0, f1, f2] = bands.validity;
    for (int64_t p = 0; p < count; ++p) {
        uint8_t* out = pixels + 3 * p;
        if (f0[p] == 0 || f1[p] == 0 || f2[p] == 0) {
            PutColour(out, background);
            continue;
        }
        PutColour(out, controls[2]->ValueToColour(v2[p]) | controls[1]->ValueToColour(v1[p]) |
                           controls[0]->ValueToColour(v0[p]));
    }
}

RgbAssembly ChooseRgbAssembly(const std::array<const Colour::CColourControl*, 3>& controls,
                              int32_t band_kind) {
    const bool direct =
        IsDirect8Bit(*controls[0]) && IsDirect8Bit(*controls[1]) && IsDirect8Bit(*controls[2]);
    const bool colour_kind = band_kind >= 100 && band_kind <= 149;
    if (direct) return colour_kind ? RgbAssembly::kPackedBands : RgbAssembly::kByteBands;
    if (band_kind == 109) return RgbAssembly::kPackedBandsThroughControls;
    return RgbAssembly::kFloatBands;
}

}  // namespace Tarn::Draw
