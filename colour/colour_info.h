// ColourInfo: the colour information of one transform as the render style document carries
// it, with its user-defined colour mapping and its shading settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "colour/colour_values.h"
#include "colour/ramp_kind.h"

namespace Tarn::Colour {

// One of several lights: a compass bearing and an elevation in degrees, and its share.
struct ShadingLight {
    double azimuth = 0.0;
    double elevation = 0.0;
    double weight = 1.0;  // positive; the shares are the weights over their sum
};

constexpr size_t kMaxShadingLights = 8;

// Light and highlight settings, carried unchanged from the document to the drawing code.
struct ShadingSettings {
    bool hillshade_on = false;
    double position = 0.0;     // light azimuth, degrees
    double inclination = 0.0;  // light elevation, degrees
    double shadow = 0.0;       // relief contrast
    double saturation = 0.0;   // ambient brightness
    double intensity = 0.0;    // light intensity
    bool highlights_on = false;
    double highlight_position = 0.0;
    double highlight_inclination = 0.0;
    double highlight_intensity = 0.0;  // highlight size
    // Lights in place of the one at position and inclination; empty for that one.
    std::vector<ShadingLight> lights;
};

struct UserColourPoint {
    double value = 0.0;
    PackedColour colour = 0;
};

struct UserColourMapping {
    bool interpolate = false;
    int interpolation = kRampRgb;  // the RampKind the colours are blended in
    // 0 data values, 1 percentages of the data range, 2 percentiles.
    int32_t break_type = 0;
    std::vector<UserColourPoint> entries;  // ascending values
};

// How the render style's transform selector maps onto the value transform.
enum TransformSelector : int {
    kSelectLinear = 0,
    kSelectLog = 1,
    kSelectEqualArea = 2,
    kSelectDirect = 3,
    kSelectInterpolatingTable = 4,
};

struct ColourInfo {
    std::u16string palette_name;
    int transform_selector = kSelectLinear;
    int direct_maximum = 8;
    bool range_limits_on = false;
    int range_kind = 1;
    double range_low = 0.05;
    double range_high = 0.95;
    bool null_colour_on = false;
    PackedColour null_colour = 0xFFFFFFFFu;
    bool transparent_colour_on = true;
    PackedColour transparent_colour = 0xFFFFFFFFu;
    bool reverse = false;
    bool clip_to_null = false;
    ShadingSettings shading;
    bool user_mapping_on = false;
    UserColourMapping user_mapping;
    std::string transform_name = "Transform1";
};

}  // namespace Tarn::Colour
