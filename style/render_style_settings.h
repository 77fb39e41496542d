// RenderStyleSettings: how the bands of a raster make up its picture, as the render style
// document stores it (one channel for Pseudo, Palette and GreyScale, three for RGB).
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "colour/colour_values.h"

namespace Tarn::Colour {

enum RenderStyleKind : uint8_t {
    kRenderStylePseudo = 0,
    kRenderStyleRgb = 1,
    kRenderStylePalette = 2,
    kRenderStyleGreyScale = 3,
};

// One coloured channel: which field and band it shows and the transform that colours it.
struct StyleChannel {
    uint32_t band = 0;
    uint32_t field = 0;
    int64_t start_event = std::numeric_limits<int64_t>::min();
    int64_t end_event = std::numeric_limits<int64_t>::max();
    std::string name;  // a Transform's name in the TransformsList (UTF-8)
};

struct RenderStyleSettings {
    uint8_t kind = kRenderStylePseudo;
    int32_t underviews = 0;
    StyleChannel channel;  // Pseudo, Palette and GreyScale
    bool rgb_null_colour_on = false;
    PackedColour rgb_null_colour = 0xFFFFFFFFu;
    StyleChannel red{.band = 0, .name = "RedTransform"};
    StyleChannel green{.band = 1, .name = "GreenTransform"};
    StyleChannel blue{.band = 2, .name = "BlueTransform"};
};

}  // namespace Tarn::Colour
