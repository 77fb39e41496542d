// One cell of each light-row loop in plain float arithmetic: the scalar form that the vector
// bodies of every width fall back on for lanes outside the normal floats.
#pragma once

#include <cmath>
#include <cstdint>

#include "draw/light_rows.h"

namespace Tarn::Draw::LightRows {

inline void SlopeCell(float a, float b, float run, float run2, float& g, float& h) {
    const float d = b - a;
    const float r = std::sqrt(run2 + d * d);
    g = d / r;
    h = run / r;
}

// One interior cell as ShadeCell lights it, from the shared slopes; with highlights on it leaves
// the highlight direction's dot product for HighlightLobes.
inline void InteriorCell(const Neighbourhood& n, int64_t x, const ShadingConstants& k,
                         bool highlights_on, float* light, float* highlight) {
    float gx = (-n.g_row[x - 1] - n.g_row[x]) * 0.5f;
    const float hx = (n.h_row[x - 1] + n.h_row[x]) * 0.5f;
    float gy = (-n.g_up[x] - n.g_down[x]) * 0.5f;
    const float hy = (n.h_up[x] + n.h_down[x]) * 0.5f;
    float h = (hy + hx) * 0.5f;
    const float r = std::sqrt(gx * gx + gy * gy + h * h);
    if (r > 0.0f) {
        const float inverse = 1.0f / r;
        gx *= inverse;
        gy *= inverse;
        h *= inverse;
    } else {
        gx = gy = 0.0f;
        h = 1.0f;
    }
    light[x] = (gy * k.dy_cos_az_cos_el + gx * k.dx_minus_sin_az_cos_el + h * k.dz_sin_el) *
                   k.gain_intensity_times_2_55 +
               k.ambient_brightness_times_2_55;
    if (highlights_on) {
        highlight[x] = gy * k.hy_cos_az_cos_el + gx * k.hx_minus_sin_az_cos_el + h * k.hz_sin_el;
    }
}

}  // namespace Tarn::Draw::LightRows
