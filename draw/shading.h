// Hill shading of single-band pictures: the constants hoisted once per picture, and the light
// that falls on one cell, worked out from its four neighbours.
//
// The method: a cell's normal comes from the height steps to its row and column neighbours,
// each step taken over a run of one cell (k), averaged where both neighbours exist:
//
//             p - W
//     p - 1     p     p + 1        gx, hx from p - 1 and p + 1 with the run kx
//             p + W                gy, hy from p - W and p + W with the run ky
//
// The light is a Lambert term of the normal against the light direction, scaled by a gain and
// lifted by an ambient share; the optional highlight is a Phong-like lobe around a second
// direction, added to every channel.
#pragma once

#include <cstdint>
#include <vector>

#include "draw/float_block.h"

namespace Tarn::Draw {

// One of several lights, its azimuth counted as light_azimuth is.
struct ShadingLightInput {
    double azimuth = 0.0;
    double elevation = 0.0;
    double weight = 1.0;
};

// What the shading is made from: the picture's level and the band's statistics and cell sizes,
// and the user's light settings (angles in degrees, the rest on a 0-100 scale).
struct ShadingInputs {
    int level = 0;  // the statistics level, else the draw level
    double relief_statistic = 0.0;
    float cell_size_x = 1.0f;
    float cell_size_y = 1.0f;
    float value_minimum = 0.0f;
    float value_maximum = 0.0f;
    double relief_contrast = 50.0;
    double ambient_brightness = 50.0;
    double light_intensity = 50.0;
    double light_azimuth = 45.0;
    double light_elevation = 45.0;
    double highlight_azimuth = 45.0;
    double highlight_elevation = 45.0;
    double highlight_size = 0.0;
    // When given, these lights in place of the one at light_azimuth and light_elevation.
    std::vector<ShadingLightInput> lights;
};

// With M = 1.5^level * relief statistic / max(cell size x, cell size y) and R = value maximum -
// value minimum; az and el in radians (degrees * 0.017453292f, the azimuth negated). Several
// lights give d the sum of their directions, each times its weight over the weights' sum: the
// light term is linear in d, so a cell gets the weighted sum of what each light gives it, at the
// cost of one light.
struct ShadingConstants {
    float value_minimum = 0.0f;
    float kx_cell_x_times_m_over_r = 0.0f;
    float ky_cell_y_times_m_over_r = 0.0f;
    float zscale_ten_pow_contrast_over_r = 0.0f;  // 10^((contrast - 50) / 35) / R, 0 for R = 0
    float dx_minus_sin_az_cos_el = 0.0f;
    float dy_cos_az_cos_el = 0.0f;
    float dz_sin_el = 0.0f;
    float gain_intensity_times_2_55 = 0.0f;
    float ambient_brightness_times_2_55 = 0.0f;
    float hx_minus_sin_az_cos_el = 0.0f;  // the highlight direction
    float hy_cos_az_cos_el = 0.0f;
    float hz_sin_el = 0.0f;
    float bh_highlight_peak = 0.0f;      // piecewise linear in the size
    float q_half_highlight_size = 0.0f;  // sharpness of the lobe
};

ShadingConstants MakeShadingConstants(const ShadingInputs& in);

// The light on one cell and the highlight to add to each channel (0 with highlights off).
struct CellLight {
    float intensity = 0.0f;
    float highlight = 0.0f;
};

// The light on the valid cell (x, y) of a block, from the neighbours the block has (its halo
// included); an invalid neighbour counts as the value 0. Where the normal has no length
// (degenerate constants, NaN values) the cell is lit as flat ground.
CellLight ShadeCell(const FloatBlock& block, int64_t x, int64_t y, const ShadingConstants& k,
                    bool highlights_on);

// A shaded channel as a byte: 255 or more becomes 254, then 0 or less becomes 1, truncated. The
// comparisons are written so that a NaN (only unusable light settings make one) ends as 254
// instead of reaching the conversion.
inline uint8_t ShadedChannelByte(float c) {
    c = c < 255.0f ? c : 254.0f;
    c = c > 0.0f ? c : 1.0f;
    return static_cast<uint8_t>(static_cast<int>(c));
}

}  // namespace Tarn::Draw
