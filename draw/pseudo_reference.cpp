// The plain cell-by-cell pixel pass of "Pseudo" and "GreyScale" pictures, kept as the reference
// that the fast pass is tested against.
#include <algorithm>

#include "draw/pseudo.h"

namespace Tarn::Draw {
namespace {

void PutColour(uint8_t* out, Colour::PackedColour c) {
    out[0] = static_cast<uint8_t>(Colour::PackedRed(c));
    out[1] = static_cast<uint8_t>(Colour::PackedGreen(c));
    out[2] = static_cast<uint8_t>(Colour::PackedBlue(c));
}

}  // namespace

void DrawPseudoReference(const FloatBlock& block, const PseudoColouring& how, uint8_t* pixels) {
    if (block.width <= 0 || block.height <= 0) return;
    const Colour::CColourControl& control = *how.control;
    const size_t shaded_entries =
        std::min({how.red_fractions.size(), how.green_fractions.size(), how.blue_fractions.size()});
    for (int64_t y = 0; y < block.height; ++y) {
        for (int64_t x = 0; x < block.width; ++x) {
            const int64_t p = y * block.RowStride() + x;
            uint8_t* out = pixels + 3 * (y * block.width + x);
            if (block.validity[p] == 0) {
                PutColour(out, how.background);
                continue;
            }
            const float v = block.values[p];
            const Colour::PackedColour c = control.ValueToColour(v);
            if (Colour::PackedTransparency(c) == 255) {
                PutColour(out, how.transparent);
                continue;
            }
            if (!how.shading_on) {
                PutColour(out, c);
                continue;
            }
            const int i = control.ValueToIndex(v);
            if (i < 0 || static_cast<size_t>(i) >= shaded_entries) {
                PutColour(out, c);
                continue;
            }
            const CellLight light = ShadeCell(block, x, y, how.shading, how.highlights_on);
            auto red = static_cast<float>(how.red_fractions[i] * light.intensity);
            auto green = static_cast<float>(how.green_fractions[i] * light.intensity);
            auto blue = static_cast<float>(how.blue_fractions[i] * light.intensity);
            if (how.highlights_on) {
                red += light.highlight;
                green += light.highlight;
                blue += light.highlight;
            }
            out[0] = ShadedChannelByte(red);
            out[1] = ShadedChannelByte(green);
            out[2] = ShadedChannelByte(blue);
        }
    }
}

}  // namespace Tarn::Draw
