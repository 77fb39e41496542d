// The light rows at eight cells a time (AVX2 with FMA): the same contracts as LightRows' own
// functions, which call these where the vector path is AVX2. Built only where the AVX2 path is
// (see vector_path.h).
#pragma once

#include <cstdint>

#include "draw/light_rows.h"
#include "draw/vector_path.h"

#if defined(TARN_DRAW_AVX2)

namespace Tarn::Draw::LightRows::Avx2 {

void Heights(const float* values, const uint8_t* validity, int64_t width, const ShadingConstants& k,
             float* z);
void Slopes(const float* a, const float* b, int64_t count, float run, float* g, float* h);
void InteriorLight(const Neighbourhood& n, int64_t first, int64_t end, const ShadingConstants& k,
                   bool highlights_on, float* light, float* highlight);

}  // namespace Tarn::Draw::LightRows::Avx2

#endif
