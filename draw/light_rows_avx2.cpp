// The light rows in 256-bit vectors. Each loop's last cells, fewer than eight, go through the
// same body with the other lanes masked off, so that a cell's result never depends on where in
// the row it falls. Products that are summed are fused (FMA): the bits differ from the SSE2
// path's in the last place, never by more than the reference allows, and the same on every
// run of one processor, strips and windows included.
#include "draw/light_rows_avx2.h"

#if defined(TARN_DRAW_AVX2)

#include <immintrin.h>

#include <cfloat>

#include "draw/light_cells.h"

namespace Tarn::Draw::LightRows::Avx2 {
namespace {

// Lanes below n (at most 8) set.
TARN_DRAW_AVX2_TARGET __m256i LaneMask(int64_t n) {
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(n)),
                              _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

template <bool kPart>
TARN_DRAW_AVX2_TARGET __m256 Load(const float* p, __m256i mask) {
    if constexpr (kPart) {
        return _mm256_maskload_ps(p, mask);
    } else {
        return _mm256_loadu_ps(p);
    }
}

template <bool kPart>
TARN_DRAW_AVX2_TARGET void Store(float* p, __m256 v, __m256i mask) {
    if constexpr (kPart) {
        _mm256_maskstore_ps(p, mask, v);
    } else {
        _mm256_storeu_ps(p, v);
    }
}

// 1 / sqrt(s): the estimate and one Newton step, within a few units in the last place for
// normal s.
TARN_DRAW_AVX2_TARGET __m256 ReciprocalSqrt(__m256 s) {
    const __m256 y = _mm256_rsqrt_ps(s);
    const __m256 three_minus_syy = _mm256_fnmadd_ps(_mm256_mul_ps(s, y), y, _mm256_set1_ps(3.0f));
    return _mm256_mul_ps(_mm256_mul_ps(_mm256_set1_ps(0.5f), y), three_minus_syy);
}

// 2^x as the SSE2 path works it out, the polynomial in fused steps.
TARN_DRAW_AVX2_TARGET __m256 Exp2(__m256 x) {
    x = _mm256_max_ps(_mm256_set1_ps(-126.0f), x);
    x = _mm256_min_ps(_mm256_set1_ps(127.0f), x);
    const __m256i n = _mm256_cvtps_epi32(x);
    const __m256 f = _mm256_sub_ps(x, _mm256_cvtepi32_ps(n));
    __m256 p = _mm256_set1_ps(1.33908634e-3f);
    p = _mm256_fmadd_ps(p, f, _mm256_set1_ps(9.67603192e-3f));
    p = _mm256_fmadd_ps(p, f, _mm256_set1_ps(5.55035711e-2f));
    p = _mm256_fmadd_ps(p, f, _mm256_set1_ps(2.40221075e-1f));
    p = _mm256_fmadd_ps(p, f, _mm256_set1_ps(6.93147188e-1f));
    p = _mm256_fmadd_ps(p, f, _mm256_set1_ps(1.00000008f));
    const __m256i scale = _mm256_slli_epi32(_mm256_add_epi32(n, _mm256_set1_epi32(127)), 23);
    return _mm256_mul_ps(p, _mm256_castsi256_ps(scale));
}

// The lanes set in `outside`, of those in `mask` when the group is a row's last, partial one.
template <bool kPart>
TARN_DRAW_AVX2_TARGET int Lanes(__m256 outside, __m256i mask) {
    if constexpr (kPart) outside = _mm256_and_ps(outside, _mm256_castsi256_ps(mask));
    return _mm256_movemask_ps(outside);
}

// Where the estimate is no good: s below the normal floats or infinite, NaN not included.
TARN_DRAW_AVX2_TARGET __m256 OutsideNormal(__m256 s) {
    return _mm256_or_ps(_mm256_cmp_ps(s, _mm256_set1_ps(FLT_MIN), _CMP_LT_OQ),
                        _mm256_cmp_ps(s, _mm256_set1_ps(FLT_MAX), _CMP_GT_OQ));
}

// The same and NaN too.
TARN_DRAW_AVX2_TARGET __m256 OutsideNormalOrNan(__m256 s) {
    return _mm256_or_ps(_mm256_cmp_ps(s, _mm256_set1_ps(FLT_MIN), _CMP_NGE_UQ),
                        _mm256_cmp_ps(s, _mm256_set1_ps(FLT_MAX), _CMP_GT_OQ));
}

// Where a slope's square s = run^2 + d^2 is outside the normal floats, when run^2 is normal: s
// can then only be too large (a sum with a square never falls below its parts).
TARN_DRAW_AVX2_TARGET __m256 Infinite(__m256 s) {
    return _mm256_cmp_ps(s, _mm256_set1_ps(FLT_MAX), _CMP_GT_OQ);
}

template <bool kPart>
TARN_DRAW_AVX2_TARGET void SlopeGroup(const float* a, const float* b, int64_t i, __m256i mask,
                                      float run, float run2, bool normal_run, float* g, float* h) {
    const __m256 d = _mm256_sub_ps(Load<kPart>(b + i, mask), Load<kPart>(a + i, mask));
    const __m256 s = _mm256_fmadd_ps(d, d, _mm256_set1_ps(run2));
    const __m256 inverse = ReciprocalSqrt(s);
    Store<kPart>(g + i, _mm256_mul_ps(d, inverse), mask);
    Store<kPart>(h + i, _mm256_mul_ps(_mm256_set1_ps(run), inverse), mask);
    const int outside = Lanes<kPart>(normal_run ? Infinite(s) : OutsideNormal(s), mask);
    if (outside == 0) return;
    for (int j = 0; j < 8; ++j) {
        if ((outside >> j & 1) != 0) SlopeCell(a[i + j], b[i + j], run, run2, g[i + j], h[i + j]);
    }
}

// What InteriorLight's groups share, hoisted.
struct LightConstants {
    __m256 half, dx, dy, dz, ambient, hx, hy, hz;  // dx, dy, hx, hy negated
};

template <bool kPart>
TARN_DRAW_AVX2_TARGET void LightGroup(const Neighbourhood& n, int64_t x, __m256i mask,
                                      const LightConstants& c, const ShadingConstants& k,
                                      bool highlights_on, float* light, float* highlight) {
    // The normal at twice its length, as in the SSE2 path.
    // Both slopes of an axis summed are the normal's component negated, exactly: the
    // directions' components are negated to match (c.dx and so on).
    const __m256 gx =
        _mm256_add_ps(Load<kPart>(n.g_row + x - 1, mask), Load<kPart>(n.g_row + x, mask));
    const __m256 gy = _mm256_add_ps(Load<kPart>(n.g_up + x, mask), Load<kPart>(n.g_down + x, mask));
    const __m256 nx =
        _mm256_add_ps(Load<kPart>(n.h_row + x - 1, mask), Load<kPart>(n.h_row + x, mask));
    const __m256 ny = _mm256_add_ps(Load<kPart>(n.h_up + x, mask), Load<kPart>(n.h_down + x, mask));
    const __m256 h = _mm256_mul_ps(_mm256_add_ps(ny, nx), c.half);
    const __m256 s = _mm256_fmadd_ps(gx, gx, _mm256_fmadd_ps(gy, gy, _mm256_mul_ps(h, h)));
    // The products with the light and highlight directions are taken before the normal is
    // scaled to unit length, which then scales the two sums alone.
    const __m256 inverse = ReciprocalSqrt(s);
    const __m256 towards_light =
        _mm256_fmadd_ps(h, c.dz, _mm256_fmadd_ps(gx, c.dx, _mm256_mul_ps(gy, c.dy)));
    Store<kPart>(light + x, _mm256_fmadd_ps(towards_light, inverse, c.ambient), mask);
    if (highlights_on) {
        const __m256 towards_highlight =
            _mm256_fmadd_ps(h, c.hz, _mm256_fmadd_ps(gx, c.hx, _mm256_mul_ps(gy, c.hy)));
        Store<kPart>(highlight + x, _mm256_mul_ps(towards_highlight, inverse), mask);
    }
    // NaN slopes go to the scalar form too, which lights them as flat ground.
    const int outside = Lanes<kPart>(OutsideNormalOrNan(s), mask);
    if (outside == 0) return;
    for (int j = 0; j < 8; ++j) {
        if ((outside >> j & 1) != 0) InteriorCell(n, x + j, k, highlights_on, light, highlight);
    }
}

// The lobe e^((s - 1) q) s Bh over the dot products InteriorLight left.
template <bool kPart>
TARN_DRAW_AVX2_TARGET void LobeGroup(float* highlight, int64_t x, __m256i mask, __m256 q,
                                     __m256 peak) {
    const __m256 dot = Load<kPart>(highlight + x, mask);
    // (s - 1) q as s q - q, in one rounding.
    const __m256 e = Exp2(_mm256_fmsub_ps(dot, q, q));
    Store<kPart>(highlight + x, _mm256_mul_ps(_mm256_mul_ps(e, dot), peak), mask);
}

TARN_DRAW_AVX2_TARGET void HighlightLobes(int64_t first, int64_t end, const ShadingConstants& k,
                                          float* highlight) {
    const __m256 q = _mm256_set1_ps(k.q_half_highlight_size * 1.44269504f);
    const __m256 peak = _mm256_set1_ps(k.bh_highlight_peak);
    const __m256i all = _mm256_set1_epi32(-1);
    int64_t x = first;
    for (; x + 8 <= end; x += 8) LobeGroup<false>(highlight, x, all, q, peak);
    if (x < end) LobeGroup<true>(highlight, x, LaneMask(end - x), q, peak);
}

}  // namespace

TARN_DRAW_AVX2_TARGET void Heights(const float* values, const uint8_t* validity, int64_t width,
                                   const ShadingConstants& k, float* z) {
    const float vmin = k.value_minimum;
    const float zscale = k.zscale_ten_pow_contrast_over_r;
    const __m256 min8 = _mm256_set1_ps(vmin), scale8 = _mm256_set1_ps(zscale);
    int64_t x = 0;
    // No fusing here: heights are those of the scalar form exactly.
    for (; x + 8 <= width; x += 8) {
        const __m256i wide =
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(validity + x)));
        const __m256 invalid =
            _mm256_castsi256_ps(_mm256_cmpeq_epi32(wide, _mm256_setzero_si256()));
        const __m256 n = _mm256_andnot_ps(invalid, _mm256_loadu_ps(values + x));
        _mm256_storeu_ps(z + x, _mm256_mul_ps(_mm256_sub_ps(n, min8), scale8));
    }
    for (; x < width; ++x) {
        const float n = validity[x] != 0 ? values[x] : 0.0f;
        z[x] = (n - vmin) * zscale;
    }
}

TARN_DRAW_AVX2_TARGET void Slopes(const float* a, const float* b, int64_t count, float run,
                                  float* g, float* h) {
    const float run2 = run * run;
    const __m256i all = _mm256_set1_epi32(-1);
    int64_t i = 0;
    const bool normal_run = run2 >= FLT_MIN && run2 <= FLT_MAX;
    for (; i + 8 <= count; i += 8) SlopeGroup<false>(a, b, i, all, run, run2, normal_run, g, h);
    if (i < count) SlopeGroup<true>(a, b, i, LaneMask(count - i), run, run2, normal_run, g, h);
}

TARN_DRAW_AVX2_TARGET void InteriorLight(const Neighbourhood& n, int64_t first, int64_t end,
                                         const ShadingConstants& k, bool highlights_on,
                                         float* light, float* highlight) {
    const float gain = k.gain_intensity_times_2_55;
    LightConstants c;
    c.half = _mm256_set1_ps(0.5f);
    c.dx = _mm256_set1_ps(-(k.dx_minus_sin_az_cos_el * gain));
    c.dy = _mm256_set1_ps(-(k.dy_cos_az_cos_el * gain));
    c.dz = _mm256_set1_ps(k.dz_sin_el * gain);
    c.ambient = _mm256_set1_ps(k.ambient_brightness_times_2_55);
    c.hx = _mm256_set1_ps(-k.hx_minus_sin_az_cos_el);
    c.hy = _mm256_set1_ps(-k.hy_cos_az_cos_el);
    c.hz = _mm256_set1_ps(k.hz_sin_el);
    const __m256i all = _mm256_set1_epi32(-1);
    int64_t x = first;
    for (; x + 8 <= end; x += 8)
        LightGroup<false>(n, x, all, c, k, highlights_on, light, highlight);
    if (x < end) LightGroup<true>(n, x, LaneMask(end - x), c, k, highlights_on, light, highlight);
    if (highlights_on) HighlightLobes(first, end, k, highlight);
}

}  // namespace Tarn::Draw::LightRows::Avx2

#endif
