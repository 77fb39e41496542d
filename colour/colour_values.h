// The two colour forms of the library (32-bit packed, 64-bit wide), fractions, and the
// conversions between them and to and from HSL.
#pragma once

#include <cstdint>

namespace Tarn::Colour {

// Red in bits 0-7, green 8-15, blue 16-23, transparency 24-31 (0 opaque, 255 fully
// transparent). With transparency 0 this is the COLORREF layout that stored files use.
using PackedColour = uint32_t;

// Four 16-bit components in the same order: red, green, blue, transparency. Holding HSL,
// components 0-2 are hue, saturation and lightness with 65535 standing for 1.0.
using WideColour = uint64_t;

// Components as fractions 0.0-1.0.
struct ColourFractions {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double transparency = 0.0;
};

// Each argument contributes its low 8 bits.
constexpr PackedColour PackColour(uint32_t red, uint32_t green, uint32_t blue,
                                  uint32_t transparency) {
    return (red & 0xFFu) | (green & 0xFFu) << 8 | (blue & 0xFFu) << 16 |
           (transparency & 0xFFu) << 24;
}
constexpr int PackedRed(PackedColour c) {
    return static_cast<int>(c & 0xFFu);
}
constexpr int PackedGreen(PackedColour c) {
    return static_cast<int>(c >> 8 & 0xFFu);
}
constexpr int PackedBlue(PackedColour c) {
    return static_cast<int>(c >> 16 & 0xFFu);
}
constexpr int PackedTransparency(PackedColour c) {
    return static_cast<int>(c >> 24 & 0xFFu);
}

// Each argument contributes its low 16 bits.
constexpr WideColour PackWide(uint32_t red, uint32_t green, uint32_t blue, uint32_t transparency) {
    return static_cast<WideColour>(red & 0xFFFFu) | static_cast<WideColour>(green & 0xFFFFu) << 16 |
           static_cast<WideColour>(blue & 0xFFFFu) << 32 |
           static_cast<WideColour>(transparency & 0xFFFFu) << 48;
}
// Component 0 red (or hue), 1 green (saturation), 2 blue (lightness), 3 transparency.
constexpr int WideComponent(WideColour c, int index) {
    return static_cast<int>(c >> (16 * index) & 0xFFFFu);
}

ColourFractions PackedToFractions(PackedColour c);
ColourFractions WideToFractions(WideColour c);

// Nearest integer (halves away from zero), clamped into 0-255 or 0-65535; NaN gives 0.
PackedColour FractionsToPacked(double red, double green, double blue, double transparency);
PackedColour FractionsToPacked(const ColourFractions& f);
WideColour FractionsToWide(double red, double green, double blue, double transparency);
WideColour FractionsToWide(const ColourFractions& f);

// Through fractions: a byte v becomes v * 257, a 16-bit v the nearest integer to v / 257.
WideColour PackedToWide(PackedColour c);  // transparency forced to 0
WideColour PackedToWideWithTransparency(PackedColour c);
PackedColour WideToPacked(WideColour c);

// Transparency is kept through both.
WideColour WideRgbToHsl(WideColour rgb);
WideColour WideHslToRgb(WideColour hsl);

}  // namespace Tarn::Colour
