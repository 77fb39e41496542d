// The light rows of the fast pixel pass. Each loop has a vector body of four cells (SSE2), which
// takes the last cells of a row too, and the scalar form of the same arithmetic for lanes with
// values outside the normal floats and for machines without SSE2. Where the vector path is AVX2
// (vector_path.h), each goes to its eight-cell form in light_rows_avx2.cpp instead.
#include "draw/light_rows.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "draw/light_cells.h"
#include "draw/light_rows_avx2.h"
#include "draw/vector_path.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Tarn::Draw::LightRows {
namespace {

#if defined(__SSE2__)

// 1 / sqrt(s) from the estimate and one Newton step: within a few units in the last place for
// normal s. Zero, infinity and denormals are left to the callers.
__m128 ReciprocalSqrt(__m128 s) {
    const __m128 y = _mm_rsqrt_ps(s);
    const __m128 syy = _mm_mul_ps(_mm_mul_ps(s, y), y);
    return _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(0.5f), y), _mm_sub_ps(_mm_set1_ps(3.0f), syy));
}

// 2^x: a degree-5 polynomial on the fraction (within 1.1e-7 on [-0.5, 0.5]) times 2^n. Held
// between 2^-126, which no channel can show, and 2^127; NaN stays NaN.
__m128 Exp2(__m128 x) {
    x = _mm_max_ps(_mm_set1_ps(-126.0f), x);
    x = _mm_min_ps(_mm_set1_ps(127.0f), x);
    const __m128i n = _mm_cvtps_epi32(x);
    const __m128 f = _mm_sub_ps(x, _mm_cvtepi32_ps(n));
    __m128 p = _mm_set1_ps(1.33908634e-3f);
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(9.67603192e-3f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(5.55035711e-2f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(2.40221075e-1f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(6.93147188e-1f));
    p = _mm_add_ps(_mm_mul_ps(p, f), _mm_set1_ps(1.00000008f));
    const __m128i scale = _mm_slli_epi32(_mm_add_epi32(n, _mm_set1_epi32(127)), 23);
    return _mm_mul_ps(p, _mm_castsi128_ps(scale));
}

// Lanes where the estimate is no good: s below the normal floats (zero included) or infinite.
int OutsideNormal(__m128 s) {
    return _mm_movemask_ps(
        _mm_or_ps(_mm_cmplt_ps(s, _mm_set1_ps(FLT_MIN)), _mm_cmpgt_ps(s, _mm_set1_ps(FLT_MAX))));
}

__m128 Select(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// The last cells of a row, fewer than four, go through the vector body too, in a group whose
// other lanes are 0: a cell's result does not depend on where in the row it falls, so a window
// cut out of a picture gets the same pixels as the picture.
template <bool kPart>
__m128 Load(const float* p, int64_t n) {
    if constexpr (!kPart) {
        return _mm_loadu_ps(p);
    } else {
        float lanes[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        std::memcpy(lanes, p, sizeof(float) * static_cast<size_t>(n));
        return _mm_loadu_ps(lanes);
    }
}

template <bool kPart>
void Store(float* p, __m128 v, int64_t n) {
    if constexpr (!kPart) {
        _mm_storeu_ps(p, v);
    } else {
        float lanes[4];
        _mm_storeu_ps(lanes, v);
        std::memcpy(p, lanes, sizeof(float) * static_cast<size_t>(n));
    }
}

// Lanes below n of a mask of lanes.
int FirstLanes(int mask, int64_t n) {
    return mask & ((1 << n) - 1);
}

#endif

#if defined(TARN_DRAW_AVX2)
// Whether the loops go to their AVX2 forms.
bool Wide() {
    return ActiveVectorPath() == VectorPath::kAvx2Fma;
}
#endif

}  // namespace

void Heights(const float* values, const uint8_t* validity, int64_t width, const ShadingConstants& k,
             float* z) {
#if defined(TARN_DRAW_AVX2)
    if (Wide()) return Avx2::Heights(values, validity, width, k, z);
#endif
    const float vmin = k.value_minimum;
    const float zscale = k.zscale_ten_pow_contrast_over_r;
    int64_t x = 0;
#if defined(__SSE2__)
    const __m128 min4 = _mm_set1_ps(vmin), scale4 = _mm_set1_ps(zscale);
    const __m128i zero = _mm_setzero_si128();
    for (; x + 4 <= width; x += 4) {
        int32_t bytes;
        std::memcpy(&bytes, validity + x, 4);
        const __m128i wide =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero);
        const __m128 invalid = _mm_castsi128_ps(_mm_cmpeq_epi32(wide, zero));
        const __m128 n = _mm_andnot_ps(invalid, _mm_loadu_ps(values + x));
        _mm_storeu_ps(z + x, _mm_mul_ps(_mm_sub_ps(n, min4), scale4));
    }
#endif
    for (; x < width; ++x) {
        const float n = validity[x] != 0 ? values[x] : 0.0f;
        z[x] = (n - vmin) * zscale;
    }
}

#if defined(__SSE2__)

// Slopes of the n (at most 4) cells from i; lanes outside the normal floats take the scalar form.
template <bool kPart>
void SlopeGroup(const float* a, const float* b, int64_t i, int64_t n, float run, float run2,
                float* g, float* h) {
    const __m128 d = _mm_sub_ps(Load<kPart>(b + i, n), Load<kPart>(a + i, n));
    const __m128 s = _mm_add_ps(_mm_set1_ps(run2), _mm_mul_ps(d, d));
    const __m128 inverse = ReciprocalSqrt(s);
    Store<kPart>(g + i, _mm_mul_ps(d, inverse), n);
    Store<kPart>(h + i, _mm_mul_ps(_mm_set1_ps(run), inverse), n);
    const int outside = FirstLanes(OutsideNormal(s), n);
    if (outside == 0) return;
    for (int j = 0; j < 4; ++j) {
        if ((outside >> j & 1) != 0) SlopeCell(a[i + j], b[i + j], run, run2, g[i + j], h[i + j]);
    }
}

#endif

void Slopes(const float* a, const float* b, int64_t count, float run, float* g, float* h) {
#if defined(TARN_DRAW_AVX2)
    if (Wide()) return Avx2::Slopes(a, b, count, run, g, h);
#endif
    const float run2 = run * run;
    int64_t i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4) SlopeGroup<false>(a, b, i, 4, run, run2, g, h);
    if (i < count) SlopeGroup<true>(a, b, i, count - i, run, run2, g, h);
#else
    for (; i < count; ++i) SlopeCell(a[i], b[i], run, run2, g[i], h[i]);
#endif
}

// The highlight lobe e^((s - 1) q) s Bh from the dot products s that InteriorLight left. A loop of
// its own: together with the normals its constants would not fit the registers.
void HighlightLobes(int64_t first, int64_t end, const ShadingConstants& k, float* highlight) {
#if defined(__SSE2__)
    // e^((s - 1) q) as 2^((s - 1) q log2(e)).
    const __m128 q = _mm_set1_ps(k.q_half_highlight_size * 1.44269504f);
    const __m128 peak = _mm_set1_ps(k.bh_highlight_peak), one = _mm_set1_ps(1.0f);
    const auto group = [&](auto part, int64_t x, int64_t n) {
        constexpr bool kPart = decltype(part)::value;
        const __m128 dot = Load<kPart>(highlight + x, n);
        const __m128 e = Exp2(_mm_mul_ps(_mm_sub_ps(dot, one), q));
        Store<kPart>(highlight + x, _mm_mul_ps(_mm_mul_ps(e, dot), peak), n);
    };
    int64_t x = first;
    for (; x + 4 <= end; x += 4) group(std::false_type{}, x, 4);
    if (x < end) group(std::true_type{}, x, end - x);
#else
    for (int64_t x = first; x < end; ++x) {
        const float dot = highlight[x];
        highlight[x] = std::exp((dot - 1.0f) * k.q_half_highlight_size) * dot * k.bh_highlight_peak;
    }
#endif
}

void InteriorLight(const Neighbourhood& n, int64_t first, int64_t end, const ShadingConstants& k,
                   bool highlights_on, float* light, float* highlight) {
#if defined(TARN_DRAW_AVX2)
    if (Wide()) return Avx2::InteriorLight(n, first, end, k, highlights_on, light, highlight);
#endif
#if defined(__SSE2__)
    // The normal is worked out at twice its length: (gx, gy, h) * 2 needs no halving of the two
    // axes, and normalising takes the factor out again.
    const __m128 half = _mm_set1_ps(0.5f), one = _mm_set1_ps(1.0f), sign = _mm_set1_ps(-0.0f);
    const float gain = k.gain_intensity_times_2_55;
    const __m128 dx = _mm_set1_ps(k.dx_minus_sin_az_cos_el * gain),
                 dy = _mm_set1_ps(k.dy_cos_az_cos_el * gain), dz = _mm_set1_ps(k.dz_sin_el * gain);
    const __m128 ambient = _mm_set1_ps(k.ambient_brightness_times_2_55);
    const __m128 hx = _mm_set1_ps(k.hx_minus_sin_az_cos_el), hy = _mm_set1_ps(k.hy_cos_az_cos_el),
                 hz = _mm_set1_ps(k.hz_sin_el);
    // Cells x to x + count - 1 (count at most 4); lanes outside the normal floats take the
    // scalar form.
    const auto group = [&](auto part, int64_t x, int64_t count) {
        constexpr bool kPart = decltype(part)::value;
        __m128 gx = _mm_sub_ps(_mm_xor_ps(sign, Load<kPart>(n.g_row + x - 1, count)),
                               Load<kPart>(n.g_row + x, count));
        __m128 gy = _mm_sub_ps(_mm_xor_ps(sign, Load<kPart>(n.g_up + x, count)),
                               Load<kPart>(n.g_down + x, count));
        const __m128 nx =
            _mm_add_ps(Load<kPart>(n.h_row + x - 1, count), Load<kPart>(n.h_row + x, count));
        const __m128 ny =
            _mm_add_ps(Load<kPart>(n.h_up + x, count), Load<kPart>(n.h_down + x, count));
        __m128 h = _mm_mul_ps(_mm_add_ps(ny, nx), half);
        const __m128 s =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(gx, gx), _mm_mul_ps(gy, gy)), _mm_mul_ps(h, h));
        const __m128 inverse = ReciprocalSqrt(s);
        gx = _mm_mul_ps(gx, inverse);
        gy = _mm_mul_ps(gy, inverse);
        h = _mm_mul_ps(h, inverse);
        // NaN slopes: flat ground.
        const __m128 ok = _mm_cmpord_ps(s, s);
        gx = _mm_and_ps(ok, gx);
        gy = _mm_and_ps(ok, gy);
        h = Select(ok, h, one);
        const __m128 lit =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(gy, dy), _mm_mul_ps(gx, dx)), _mm_mul_ps(h, dz));
        Store<kPart>(light + x, _mm_add_ps(lit, ambient), count);
        if (highlights_on) {
            const __m128 dot =
                _mm_add_ps(_mm_add_ps(_mm_mul_ps(gy, hy), _mm_mul_ps(gx, hx)), _mm_mul_ps(h, hz));
            Store<kPart>(highlight + x, dot, count);
        }
        const int outside = FirstLanes(OutsideNormal(s), count);
        if (outside == 0) return;
        for (int j = 0; j < 4; ++j) {
            if ((outside >> j & 1) != 0) InteriorCell(n, x + j, k, highlights_on, light, highlight);
        }
    };
    int64_t x = first;
    for (; x + 4 <= end; x += 4) group(std::false_type{}, x, 4);
    if (x < end) group(std::true_type{}, x, end - x);
#else
    for (int64_t x = first; x < end; ++x) InteriorCell(n, x, k, highlights_on, light, highlight);
#endif
    if (highlights_on) HighlightLobes(first, end, k, highlight);
}

}  // namespace Tarn::Draw::LightRows
