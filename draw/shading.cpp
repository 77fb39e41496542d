// The shading constants and the light on one cell, step by step in float. The fast pixel pass
// (draw_light_rows) follows the same arithmetic: change both together.
#include "draw/shading.h"

#include <cmath>

namespace Tarn::Draw {
namespace {

constexpr float kDegree = 0.017453292f;  // the float nearest to pi / 180

// A unit direction from an azimuth (measured the other way round) and an elevation.
void Direction(double azimuth, double elevation, float& x, float& y, float& z) {
    const float a = static_cast<float>(-azimuth * kDegree);
    const float e = static_cast<float>(elevation * kDegree);
    y = std::cos(a) * std::cos(e);
    x = -std::sin(a) * std::cos(e);
    z = std::sin(e);
}

float HighlightPeak(float size) {
    if (size <= 25.0f) return size / 25.0f * 160.0f;
    if (size <= 75.0f) return (size - 25.0f) / 50.0f * 128.0f + 160.0f;
    return (size - 75.0f) / 25.0f * 256.0f + 288.0f;
}

}  // namespace

ShadingConstants MakeShadingConstants(const ShadingInputs& in) {
    ShadingConstants k;
    k.value_minimum = in.value_minimum;
    const float side = in.cell_size_x > in.cell_size_y ? in.cell_size_x : in.cell_size_y;
    const double m = std::pow(1.5, in.level) * in.relief_statistic / side;
    // R = 0 (a band of one value) makes the runs infinite; ShadeCell lights such cells as flat.
    const float r = in.value_maximum - in.value_minimum;
    k.kx_cell_x_times_m_over_r = static_cast<float>(in.cell_size_x * m) / r;
    k.ky_cell_y_times_m_over_r = static_cast<float>(in.cell_size_y * m) / r;
    k.zscale_ten_pow_contrast_over_r =
        std::pow(10.0f, static_cast<float>((in.relief_contrast - 50.0) / 35.0)) *
        (r != 0.0f ? 1.0f / r : 0.0f);
    if (in.lights.empty()) {
        Direction(in.light_azimuth, in.light_elevation, k.dx_minus_sin_az_cos_el,
                  k.dy_cos_az_cos_el, k.dz_sin_el);
    } else {
        double total = 0.0;
        for (const ShadingLightInput& light : in.lights) total += light.weight;
        k.dx_minus_sin_az_cos_el = k.dy_cos_az_cos_el = k.dz_sin_el = 0.0f;
        for (const ShadingLightInput& light : in.lights) {
            float x, y, z;
            Direction(light.azimuth, light.elevation, x, y, z);
            const auto share = static_cast<float>(light.weight / total);
            k.dx_minus_sin_az_cos_el += share * x;
            k.dy_cos_az_cos_el += share * y;
            k.dz_sin_el += share * z;
        }
    }
    k.gain_intensity_times_2_55 = static_cast<float>(in.light_intensity * 0.01 * 255.0);
    k.ambient_brightness_times_2_55 = static_cast<float>(in.ambient_brightness * 0.01 * 255.0);
    Direction(in.highlight_azimuth, in.highlight_elevation, k.hx_minus_sin_az_cos_el,
              k.hy_cos_az_cos_el, k.hz_sin_el);
    const auto size = static_cast<float>(in.highlight_size);
    k.bh_highlight_peak = HighlightPeak(size);
    k.q_half_highlight_size = size * 0.5f;
    return k;
}

CellLight ShadeCell(const FloatBlock& block, int64_t x, int64_t y, const ShadingConstants& k,
                    bool highlights_on) {
    const float* values = block.values;
    const uint8_t* validity = block.validity;
    const int64_t stride = block.RowStride();
    const int64_t p = y * stride + x;
    const float vmin = k.value_minimum;
    const float zscale = k.zscale_ten_pow_contrast_over_r;
    const float z0 = (values[p] - vmin) * zscale;
    const auto dz = [&](int64_t q) {
        const float n = validity[q] != 0 ? values[q] : 0.0f;
        return (n - vmin) * zscale - z0;
    };

    // One axis: the mean of the slopes towards the neighbours that exist on it.
    const auto axis = [&](bool before, bool after, int64_t step, float run, float& g, float& h) {
        int count = 0;
        g = h = 0.0f;
        if (before) {
            const float d = dz(p - step);
            const float r = std::sqrt(run * run + d * d);
            g = d / r;
            h = run / r;
            count = 1;
        }
        if (after) {
            const float d = dz(p + step);
            const float r = std::sqrt(run * run + d * d);
            g = g - d / r;
            h = h + run / r;
            ++count;
        }
        if (count == 2) {
            g *= 0.5f;
            h *= 0.5f;
        }
        return count;
    };
    float gx, hx, gy, hy;
    const int cx = axis(block.HasLeft(x), block.HasRight(x), 1, k.kx_cell_x_times_m_over_r, gx, hx);
    const int cy =
        axis(block.HasAbove(y), block.HasBelow(y), stride, k.ky_cell_y_times_m_over_r, gy, hy);

    float h = 1.0f;
    bool flat = true;
    if (cx + cy > 0) {
        h = hy + hx;
        if (cx > 0 && cy > 0) h *= 0.5f;
        const float r = std::sqrt(gx * gx + gy * gy + h * h);
        // No length, or NaN: infinite runs (R = 0), zero runs on level ground, NaN cells. A
        // NaN would reach the byte conversion; flat ground is what such cells stand for.
        if (r > 0.0f) {
            const float inverse = 1.0f / r;
            gx *= inverse;
            gy *= inverse;
            h *= inverse;
            flat = false;
        }
    }
    if (flat) {
        gx = gy = 0.0f;
        h = 1.0f;
    }

    CellLight light;
    light.intensity = (gy * k.dy_cos_az_cos_el + gx * k.dx_minus_sin_az_cos_el + h * k.dz_sin_el) *
                          k.gain_intensity_times_2_55 +
                      k.ambient_brightness_times_2_55;
    if (highlights_on) {
        const float s = gy * k.hy_cos_az_cos_el + gx * k.hx_minus_sin_az_cos_el + h * k.hz_sin_el;
        light.highlight = std::exp((s - 1.0f) * k.q_half_highlight_size) * s * k.bh_highlight_peak;
    }
    return light;
}

}  // namespace Tarn::Draw
