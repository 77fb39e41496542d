// Rows of light for the fast pixel pass: heights, the slopes that neighbouring cells share, and
// the light on the interior cells of a row, four cells at a time with SSE2, eight with AVX2 where
// the vector path is AVX2 (vector_path.h).
#pragma once

#include <cstdint>

#include "draw/shading.h"

namespace Tarn::Draw::LightRows {

// Heights in shading units, (value - minimum) * zscale; an invalid cell counts as the value 0.
void Heights(const float* values, const uint8_t* validity, int64_t width, const ShadingConstants& k,
             float* z);

// The slope from a[i] to b[i] over one run: g = d / r and h = run / r with d = b[i] - a[i] and
// r = |(run, d)|. The cell on the far side sees -g. Like InteriorLight, the same for the same
// inputs wherever i falls.
void Slopes(const float* a, const float* b, int64_t count, float run, float* g, float* h);

// The slopes around a row: along it (from x to x + 1), from the row above, to the row below.
struct Neighbourhood {
    const float* g_row = nullptr;
    const float* h_row = nullptr;
    const float* g_up = nullptr;
    const float* h_up = nullptr;
    const float* g_down = nullptr;
    const float* h_down = nullptr;
};

// The light and highlight (with highlights on) of cells first to end - 1 of a row that has rows
// above and below, each with neighbours on both sides in the row: ShadeCell's arithmetic over
// the shared slopes. The vector form takes reciprocal square roots and the exponential to within
// a few units in the last place; lanes whose squares fall outside the normal floats take the
// exact scalar form. A cell's light follows from its slopes alone, never from its place in the
// row or its neighbours' lanes: windows and strips of a picture get its pixels exactly.
void InteriorLight(const Neighbourhood& n, int64_t first, int64_t end, const ShadingConstants& k,
                   bool highlights_on, float* light, float* highlight);

}  // namespace Tarn::Draw::LightRows
