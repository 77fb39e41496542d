// The fast pixel pass of "Pseudo" and "GreyScale" pictures. Once per picture: a lookup from cell
// value to a code (a table entry, the null colour, the background) and what each code draws.
// Per row of a strip of columns: the light (cells with four neighbours in draw_light_rows, the
// others by ShadeCell), the codes, then the pixels. The block's halo rows and columns are read
// for the light only. The codes and pixels have an AVX2 form each, taken where the vector path
// is AVX2; the plan and the entries are the same for both.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <vector>

#include "draw/light_rows.h"
#include "draw/pseudo.h"
#include "draw/vector_path.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(TARN_DRAW_AVX2)
#include <immintrin.h>
#endif

namespace Tarn::Draw {
namespace {

using Colour::CColourControl;
using Colour::PackedColour;

// What a cell with a given code draws: a flat colour, or the entry's fractions under the light.
struct alignas(16) Entry {
    float fraction[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // red, green, blue
    uint32_t flat = 0;                             // red, green, blue from the low byte up
    bool shaded = false;
};

enum class Lookup {
    kLinear,     // position = n * (x - minimum) / range
    kIndex,      // position = floor(x)
    kCellIndex,  // the control's ValueToIndex per cell; its colour is that entry or the null one
    kControl,    // the control's ValueToColour and ValueToIndex per cell
};

// The control's value-to-index rule with everything that does not change per cell hoisted.
// Codes 0 to n - 1 are table entries, n the null colour (clipped cells), n + 1 the background.
struct Plan {
    Lookup lookup = Lookup::kControl;
    int32_t last = 0;  // n - 1
    int32_t null_code = 0;
    int32_t background_code = 0;
    double count = 0.0;  // n
    double top = 0.0;    // n - 1
    double minimum = 0.0;
    double range = 1.0;
    double clip_low = -std::numeric_limits<double>::infinity();
    double clip_high = std::numeric_limits<double>::infinity();
    bool reverse = false;
    // The same rule in single precision where it gives the same codes (see SinglePlan).
    bool single = false;
    float single_minimum = 0.0f;
    float single_scale = 1.0f;  // n / range
    float single_tolerance = 0.0f;
    float single_top = 0.0f;
    float single_clip_low = 0.0f;  // the least float from clip_low up
    float single_clip_high = 0.0f;  // the greatest float from clip_high down
};

// The float nearest to d on the side of `towards`: compared with floats, v < d is v < the least
// float >= d, and v > d is v > the greatest float <= d.
float FloatOnSide(double d, float towards) {
    auto f = static_cast<float>(d);
    if (towards > 0 ? static_cast<double>(f) < d : static_cast<double>(f) > d)
        f = std::nextafter(f, towards);
    return f;
}

// Single precision for the codes where the vector rows can take it: positions (v - minimum) *
// (n / range) in floats are within single_tolerance of the control's double ones for every cell
// whose position is near the table (3 roundings of the position and 1 of the minimum, with a
// margin), so truncation agrees wherever a float position is further than that from a whole
// number; the rows work such groups out in doubles. Not where that tolerance would be wide
// (a minimum far larger than the range), nor for non-finite constants. The Index lookup is exact
// in floats: clamping to whole numbers and truncation lose nothing.
void SinglePlan(Plan& plan) {
    if (plan.top >= 0x1p24) return;
    plan.single_top = static_cast<float>(plan.top);
    plan.single_clip_low = FloatOnSide(plan.clip_low, std::numeric_limits<float>::infinity());
    plan.single_clip_high = FloatOnSide(plan.clip_high, -std::numeric_limits<float>::infinity());
    if (plan.lookup == Lookup::kIndex) {
        plan.single = true;
        return;
    }
    const double scale = plan.count / plan.range;
    if (!std::isfinite(plan.minimum) || !std::isnormal(scale) ||
        std::abs(plan.minimum) > std::numeric_limits<float>::max())
        return;
    constexpr double kUnit = 0x1p-24;
    const double tolerance =
        2.0 * (3.01 * kUnit * (plan.count + 1.0) + 1.01 * kUnit * std::abs(plan.minimum * scale) +
               0x1p-40 * (plan.count + 1.0));
    if (tolerance > 0x1p-6) return;
    plan.single = true;
    plan.single_minimum = static_cast<float>(plan.minimum);
    plan.single_scale = static_cast<float>(scale);
    plan.single_tolerance = static_cast<float>(tolerance);
}

// Mirrors the lookups of CColourControl. The Index mapping, and the mappings whose index is n
// times a linear position (explicit linear ranges, statistics ranges before statistics arrive,
// direct depths above "Colour", all over an identity or linear transform), are worked out here.
// Other mappings take the control's index per cell, with the colour following from it, except
// where the colour and index lookups part: step tables at their first breakpoint, values in no
// range, a value that is itself the colour, an empty table.
Plan ChoosePlan(const CColourControl& control) {
    Plan plan;
    const int n = static_cast<int>(control.Table().size());
    if (n == 0) return plan;
    const int mapping = control.MappingKind();
    const int transform = control.Transform().Kind();
    const bool linear_transform =
        transform == Colour::kTransformIdentity || transform == Colour::kTransformLinear;
    const bool position_mapping =
        mapping >= Colour::kMappingLinear && mapping <= Colour::kMappingHalfOpenRanges;
    const bool direct_like = !position_mapping && mapping != Colour::kMappingIndex &&
                             mapping != Colour::kMappingExactIndex &&
                             mapping != Colour::kMappingCeilingPosition;
    // Where both lookups take the same position (both ask TryApply, or Apply and TryApply agree).
    const bool same_position =
        (transform >= Colour::kTransformIdentity && transform <= Colour::kTransformTextKeys &&
         transform != Colour::kTransformStepTable) ||
        transform > Colour::kTransformHalfOpenRanges;
    const bool value_is_colour = direct_like && control.DirectDepth() == Colour::kDirectColour;
    if (mapping == Colour::kMappingIndex) {
        plan.lookup = Lookup::kIndex;
    } else if (linear_transform && (position_mapping || direct_like) && !value_is_colour) {
        plan.lookup = Lookup::kLinear;
        // The identity is the linear form over [0, 1]: x - 0 and x / 1 are exact.
        if (transform == Colour::kTransformLinear) {
            plan.minimum = control.Transform().Minimum();
            plan.range = control.Transform().Range();
        }
    } else if ((position_mapping && same_position) || (direct_like && !value_is_colour) ||
               mapping == Colour::kMappingExactIndex ||
               mapping == Colour::kMappingCeilingPosition) {
        plan.lookup = Lookup::kCellIndex;
    } else {
        return plan;
    }
    plan.last = n - 1;
    plan.null_code = n;
    plan.background_code = n + 1;
    plan.count = n;
    plan.top = n - 1;
    plan.reverse = control.Reverse();
    if (control.ClipToNull()) {
        plan.clip_low = control.Transform().LowerBound();
        plan.clip_high = control.Transform().UpperBound();
    }
    SinglePlan(plan);
    return plan;
}

void SetFlat(Entry& e, PackedColour c) {
    e.flat = c & 0xFFFFFFu;
    e.shaded = false;
}

void SetFractions(Entry& e, const PseudoColouring& how, size_t i) {
    e.fraction[0] = static_cast<float>(how.red_fractions[i]);
    e.fraction[1] = static_cast<float>(how.green_fractions[i]);
    e.fraction[2] = static_cast<float>(how.blue_fractions[i]);
    e.shaded = true;
}

size_t ShadedEntries(const PseudoColouring& how) {
    return std::min(
        {how.red_fractions.size(), how.green_fractions.size(), how.blue_fractions.size()});
}

void BuildEntries(const CColourControl& control, const PseudoColouring& how, const Plan& plan,
                  std::vector<Entry>& entries) {
    const auto& table = control.Table();
    const size_t shaded_entries = ShadedEntries(how);
    entries.assign(static_cast<size_t>(plan.background_code) + 1, Entry{});
    for (int32_t i = 0; i < plan.null_code; ++i) {
        Entry& e = entries[static_cast<size_t>(i)];
        const PackedColour c = table[static_cast<size_t>(i)].colour;
        if (Colour::PackedTransparency(c) == 255) {
            SetFlat(e, how.transparent);
        } else if (!how.shading_on || static_cast<size_t>(i) >= shaded_entries) {
            SetFlat(e, c);
        } else {
            SetFractions(e, how, static_cast<size_t>(i));
        }
    }
    // A clipped cell gets the null colour and no index, so no shading.
    const PackedColour null_colour = control.NullColour();
    SetFlat(entries[static_cast<size_t>(plan.null_code)],
            Colour::PackedTransparency(null_colour) == 255 ? how.transparent : null_colour);
    SetFlat(entries[static_cast<size_t>(plan.background_code)], how.background);
}

// Codes of cells [from, to) one at a time: the rows' tails, and the rule the vector steps
// follow.
template <Lookup kLookup>
void CodeCells(const float* values, const uint8_t* validity, int64_t from, int64_t to,
               const Plan& plan, int32_t* codes) {
    for (int64_t x = from; x < to; ++x) {
        const double v = values[x];
        double p = v;
        if constexpr (kLookup == Lookup::kLinear)
            p = plan.count * ((v - plan.minimum) / plan.range);
        p = p > 0.0 ? p : 0.0;
        p = p < plan.top ? p : plan.top;
        auto i = static_cast<int32_t>(p);
        i = plan.reverse ? plan.last - i : i;
        i = v < plan.clip_low || v > plan.clip_high ? plan.null_code : i;
        codes[x] = validity[x] != 0 ? i : plan.background_code;
    }
}

// The codes of one row, two cells at a time in double precision where SSE2 is there. Clamping
// and truncation as the control does them, NaN landing on entry 0; for the Index mapping,
// clamping before truncation is the same as flooring first.
template <Lookup kLookup>
void CodeRow(const float* values, const uint8_t* validity, int64_t width, const Plan& plan,
             int32_t* codes) {
    int64_t x = 0;
#if defined(__SSE2__)
    const __m128d count = _mm_set1_pd(plan.count), minimum = _mm_set1_pd(plan.minimum),
                  range = _mm_set1_pd(plan.range), top = _mm_set1_pd(plan.top),
                  clip_low = _mm_set1_pd(plan.clip_low), clip_high = _mm_set1_pd(plan.clip_high);
    const __m128i last = _mm_set1_epi32(plan.last), null_code = _mm_set1_epi32(plan.null_code),
                  background_code = _mm_set1_epi32(plan.background_code),
                  zero = _mm_setzero_si128();
    // Two cells: their clamped, truncated positions and whether they are clipped, in the low two
    // 32-bit lanes.
    const auto pair = [&](const float* v, __m128i& index, __m128i& clipped) {
        const __m128d d =
            _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v))));
        __m128d p = d;
        if constexpr (kLookup == Lookup::kLinear) {
            p = _mm_mul_pd(count, _mm_div_pd(_mm_sub_pd(d, minimum), range));
        }
        p = _mm_min_pd(_mm_max_pd(p, _mm_setzero_pd()), top);
        index = _mm_cvttpd_epi32(p);
        const __m128d outside = _mm_or_pd(_mm_cmplt_pd(d, clip_low), _mm_cmpgt_pd(d, clip_high));
        clipped = _mm_shuffle_epi32(_mm_castpd_si128(outside), _MM_SHUFFLE(3, 3, 2, 0));
    };
    for (; x + 4 <= width; x += 4) {
        __m128i i0, c0, i1, c1;
        pair(values + x, i0, c0);
        pair(values + x + 2, i1, c1);
        __m128i index = _mm_unpacklo_epi64(i0, i1);
        if (plan.reverse) index = _mm_sub_epi32(last, index);
        const __m128i clipped = _mm_unpacklo_epi64(c0, c1);
        index = _mm_or_si128(_mm_and_si128(clipped, null_code), _mm_andnot_si128(clipped, index));
        int32_t bytes;
        std::memcpy(&bytes, validity + x, 4);
        const __m128i invalid = _mm_cmpeq_epi32(
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero), zero);
        index =
            _mm_or_si128(_mm_and_si128(invalid, background_code), _mm_andnot_si128(invalid, index));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(codes + x), index);
    }
#endif
    CodeCells<kLookup>(values, validity, x, width, plan, codes);
}

// Scratch rows of one picture's light.
struct Rows {
    explicit Rows(int64_t width) : storage(static_cast<size_t>(width) * 10) {
        float* next = storage.data();
        for (float** row : {&z_here, &z_below, &g_row, &h_row, &g_up, &h_up, &g_down, &h_down,
                            &light, &highlight}) {
            *row = next;
            next += width;
        }
    }
    // One row down: the slopes down from the row above are this row's slopes up.
    void Advance() {
        std::swap(z_here, z_below);
        std::swap(g_up, g_down);
        std::swap(h_up, h_down);
    }
    std::vector<float> storage;
    float* z_here = nullptr;
    float* z_below = nullptr;
    float* g_row = nullptr;  // slopes from x to x + 1
    float* h_row = nullptr;
    float* g_up = nullptr;  // slopes from the row above to this one
    float* h_up = nullptr;
    float* g_down = nullptr;  // slopes from this row to the one below
    float* h_down = nullptr;
    float* light = nullptr;
    float* highlight = nullptr;
};

// The codes of one row from the control's own index lookup; -1 is the null colour.
void CodeRowByControl(const float* values, const uint8_t* validity, int64_t width,
                      const CColourControl& control, const Plan& plan, int32_t* codes) {
    for (int64_t x = 0; x < width; ++x) {
        if (validity[x] == 0) {
            codes[x] = plan.background_code;
            continue;
        }
        const int i = control.ValueToIndex(values[x]);
        codes[x] = i >= 0 ? i : plan.null_code;
    }
}

// Columns [x0, x1) of the picture, drawn with the cells [base, base + span) that their light
// needs: one more on each side where the block has it (its halo included).
struct Strip {
    int64_t x0 = 0, x1 = 0, base = 0, span = 0;
};

void BorderLight(const FloatBlock& b, int64_t x, int64_t y, const Strip& s,
                 const ShadingConstants& k, bool highlights_on, Rows& r) {
    // Drawn as background; its value is junk.
    if (b.validity[y * b.RowStride() + x] == 0) return;
    const CellLight light = ShadeCell(b, x, y, k, highlights_on);
    r.light[x - s.base] = light.intensity;
    r.highlight[x - s.base] = light.highlight;
}

// Row y of a strip: the interior form where the cell has all four neighbours, ShadeCell where
// the block has no neighbour on some side.
void LightRow(const FloatBlock& b, int64_t y, const Strip& s, const ShadingConstants& k,
              bool highlights_on, Rows& r) {
    int64_t first = s.x1, end = s.x1;
    if (b.HasAbove(y) && b.HasBelow(y)) {
        first = b.HasLeft(s.x0) ? s.x0 : s.x0 + 1;
        end = std::max(first, b.HasRight(s.x1 - 1) ? s.x1 : s.x1 - 1);
        if (first < end) {
            LightRows::Slopes(r.z_here, r.z_here + 1, s.span - 1, k.kx_cell_x_times_m_over_r,
                              r.g_row, r.h_row);
            LightRows::InteriorLight({r.g_row, r.h_row, r.g_up, r.h_up, r.g_down, r.h_down},
                                     first - s.base, end - s.base, k, highlights_on, r.light,
                                     r.highlight);
        }
    }
    for (int64_t x = s.x0; x < first; ++x) BorderLight(b, x, y, s, k, highlights_on, r);
    for (int64_t x = end; x < s.x1; ++x) BorderLight(b, x, y, s, k, highlights_on, r);
}

// Heights of row y of the strip into `z`.
void RowHeights(const FloatBlock& b, int64_t y, const Strip& s, const ShadingConstants& k,
                float* z) {
    const int64_t at = y * b.RowStride() + s.base;
    LightRows::Heights(b.values + at, b.validity + at, s.span, k, z);
}

// Heights of row y of the strip into z_below, and the slopes from the row above down to it.
void NextRow(const FloatBlock& b, int64_t y, const Strip& s, const ShadingConstants& k, Rows& r) {
    RowHeights(b, y, s, k, r.z_below);
    LightRows::Slopes(r.z_here, r.z_below, s.span, k.ky_cell_y_times_m_over_r, r.g_down, r.h_down);
}

// The three bytes of a shaded colour, red in the low byte (the top byte is junk): fraction *
// light + highlight per channel, clamped as ShadedChannelByte does (NaN to 254).
uint32_t ShadedRgb(const float* fraction, float light, float highlight) {
#if defined(__SSE2__)
    __m128 c =
        _mm_add_ps(_mm_mul_ps(_mm_load_ps(fraction), _mm_set1_ps(light)), _mm_set1_ps(highlight));
    // Truncated, anything from 254 up is 254; min takes its second operand for NaN.
    c = _mm_min_ps(c, _mm_set1_ps(254.0f));
    const __m128 low = _mm_cmple_ps(c, _mm_setzero_ps());
    c = _mm_or_ps(_mm_and_ps(low, _mm_set1_ps(1.0f)), _mm_andnot_ps(low, c));
    __m128i bytes = _mm_cvttps_epi32(c);
    bytes = _mm_packs_epi32(bytes, bytes);
    bytes = _mm_packus_epi16(bytes, bytes);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
#else
    return ShadedChannelByte(fraction[0] * light + highlight) |
           ShadedChannelByte(fraction[1] * light + highlight) << 8 |
           ShadedChannelByte(fraction[2] * light + highlight) << 16;
#endif
}

void Put(uint8_t* out, uint32_t rgb) {
    std::memcpy(out, &rgb, 3);
}

// Pixels are written as 4 bytes, the fourth overwritten by the next pixel; the segment's last
// pixel as 3, since the pixel after it may have been drawn already.
void ColourRowByCode(const int32_t* codes, const Entry* entries, const float* light,
                     const float* highlight, bool highlights_on, int64_t width, uint8_t* out) {
    const auto colour = [&](int64_t x) {
        const Entry& e = entries[codes[x]];
        return e.shaded ? ShadedRgb(e.fraction, light[x], highlights_on ? highlight[x] : 0.0f)
                        : e.flat;
    };
    for (int64_t x = 0; x + 1 < width; ++x) {
        const uint32_t rgb = colour(x);
        std::memcpy(out + 3 * x, &rgb, 4);
    }
    Put(out + 3 * (width - 1), colour(width - 1));
}

// The reference's cell logic, for mappings whose colour does not follow from the index.
void ColourRowByControl(const float* values, const uint8_t* validity, int64_t width,
                        const PseudoColouring& how, const float* light, const float* highlight,
                        uint8_t* out) {
    const CColourControl& control = *how.control;
    const size_t shaded_entries = ShadedEntries(how);
    for (int64_t x = 0; x < width; ++x, out += 3) {
        if (validity[x] == 0) {
            Put(out, how.background);
            continue;
        }
        const PackedColour c = control.ValueToColour(values[x]);
        if (Colour::PackedTransparency(c) == 255) {
            Put(out, how.transparent);
            continue;
        }
        const int i = how.shading_on ? control.ValueToIndex(values[x]) : -1;
        if (i < 0 || static_cast<size_t>(i) >= shaded_entries) {
            Put(out, c);
            continue;
        }
        Entry e;
        SetFractions(e, how, static_cast<size_t>(i));
        Put(out, ShadedRgb(e.fraction, light[x], how.highlights_on ? highlight[x] : 0.0f));
    }
}

#if defined(TARN_DRAW_AVX2)

// CodeRow four cells at a time in 256-bit doubles; the same clamping, truncation and NaN rule.
template <Lookup kLookup>
TARN_DRAW_AVX2_TARGET void CodeRowAvx2(const float* values, const uint8_t* validity, int64_t width,
                                       const Plan& plan, int32_t* codes) {
    const __m256d count = _mm256_set1_pd(plan.count), minimum = _mm256_set1_pd(plan.minimum),
                  range = _mm256_set1_pd(plan.range), top = _mm256_set1_pd(plan.top),
                  clip_low = _mm256_set1_pd(plan.clip_low),
                  clip_high = _mm256_set1_pd(plan.clip_high);
    const __m128i last = _mm_set1_epi32(plan.last), null_code = _mm_set1_epi32(plan.null_code),
                  background_code = _mm_set1_epi32(plan.background_code);
    // The low 32 bits of each 64-bit comparison lane, in the low half.
    const __m256i low_halves = _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0);
    int64_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m256d d = _mm256_cvtps_pd(_mm_loadu_ps(values + x));
        __m256d p = d;
        if constexpr (kLookup == Lookup::kLinear) {
            p = _mm256_mul_pd(count, _mm256_div_pd(_mm256_sub_pd(d, minimum), range));
        }
        // max takes its second operand for NaN: entry 0.
        p = _mm256_min_pd(_mm256_max_pd(p, _mm256_setzero_pd()), top);
        __m128i index = _mm256_cvttpd_epi32(p);
        if (plan.reverse) index = _mm_sub_epi32(last, index);
        const __m256d outside = _mm256_or_pd(_mm256_cmp_pd(d, clip_low, _CMP_LT_OQ),
                                             _mm256_cmp_pd(d, clip_high, _CMP_GT_OQ));
        const __m128i clipped = _mm256_castsi256_si128(
            _mm256_permutevar8x32_epi32(_mm256_castpd_si256(outside), low_halves));
        index = _mm_blendv_epi8(index, null_code, clipped);
        int32_t bytes;
        std::memcpy(&bytes, validity + x, 4);
        const __m128i invalid =
            _mm_cmpeq_epi32(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)), _mm_setzero_si128());
        index = _mm_blendv_epi8(index, background_code, invalid);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(codes + x), index);
    }
    CodeCells<kLookup>(values, validity, x, width, plan, codes);
}

// CodeRowAvx2 eight cells at a time in single precision (see SinglePlan): where a position
// comes within the tolerance of a whole number, the group goes through CodeRowAvx2.
template <Lookup kLookup>
TARN_DRAW_AVX2_TARGET void SingleCodeRowAvx2(const float* values, const uint8_t* validity,
                                             int64_t width, const Plan& plan, int32_t* codes) {
    const __m256 minimum = _mm256_set1_ps(plan.single_minimum),
                 scale = _mm256_set1_ps(plan.single_scale),
                 tolerance = _mm256_set1_ps(plan.single_tolerance),
                 top = _mm256_set1_ps(plan.single_top),
                 clip_low = _mm256_set1_ps(plan.single_clip_low),
                 clip_high = _mm256_set1_ps(plan.single_clip_high),
                 sign = _mm256_set1_ps(-0.0f);
    const __m256i last = _mm256_set1_epi32(plan.last),
                  null_code = _mm256_set1_epi32(plan.null_code),
                  background_code = _mm256_set1_epi32(plan.background_code);
    int64_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256 v = _mm256_loadu_ps(values + x);
        __m256 p = v;
        if constexpr (kLookup == Lookup::kLinear) {
            p = _mm256_mul_ps(_mm256_sub_ps(v, minimum), scale);
            const __m256 whole =
                _mm256_round_ps(p, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
            const __m256 distance = _mm256_andnot_ps(sign, _mm256_sub_ps(p, whole));
            // NaN and infinite positions compare false: the clamps decide them alike.
            if (_mm256_movemask_ps(_mm256_cmp_ps(distance, tolerance, _CMP_LE_OQ)) != 0) {
                CodeRowAvx2<kLookup>(values + x, validity + x, 8, plan, codes + x);
                continue;
            }
        }
        // max takes its second operand for NaN: entry 0.
        p = _mm256_min_ps(_mm256_max_ps(p, _mm256_setzero_ps()), top);
        __m256i index = _mm256_cvttps_epi32(p);
        if (plan.reverse) index = _mm256_sub_epi32(last, index);
        const __m256 outside = _mm256_or_ps(_mm256_cmp_ps(v, clip_low, _CMP_LT_OQ),
                                            _mm256_cmp_ps(v, clip_high, _CMP_GT_OQ));
        index = _mm256_blendv_epi8(index, null_code, _mm256_castps_si256(outside));
        const __m256i invalid = _mm256_cmpeq_epi32(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(validity + x))),
            _mm256_setzero_si256());
        index = _mm256_blendv_epi8(index, background_code, invalid);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(codes + x), index);
    }
    CodeRowAvx2<kLookup>(values + x, validity + x, width - x, plan, codes + x);
}

// The entries as the AVX2 colour row reads them: each as one 16-byte record of its red, green
// and blue fractions and its flat colour, whose top bit marks a shaded entry (loaded by code
// and turned into columns in registers: gathers measured slower), and the flat colours alone.
struct EntryColumns {
    std::vector<float> records;
    std::vector<int32_t> flat;

    explicit EntryColumns(const std::vector<Entry>& entries) {
        records.reserve(4 * entries.size());
        for (const Entry& e : entries) {
            const uint32_t marked = e.flat | (e.shaded ? 0x80000000u : 0u);
            float bits;
            std::memcpy(&bits, &marked, 4);
            records.insert(records.end(), {e.fraction[0], e.fraction[1], e.fraction[2], bits});
            flat.push_back(static_cast<int32_t>(e.flat));
        }
    }
};

// The records of codes[0] and codes[4] in the low and high half.
TARN_DRAW_AVX2_TARGET inline __attribute__((always_inline)) __m256 RecordPair(
    const float* records, const int32_t* codes) {
    return _mm256_insertf128_ps(
        _mm256_castps128_ps256(_mm_loadu_ps(records + 4 * static_cast<int64_t>(codes[0]))),
        _mm_loadu_ps(records + 4 * static_cast<int64_t>(codes[4])), 1);
}

// Eight records by code, as columns: red, green, blue, and the marked flat colours. Each register
// takes records j and j + 4, one in each half, so that the transposition stays within halves.
TARN_DRAW_AVX2_TARGET inline __attribute__((always_inline)) void LoadRecords(
    const float* records, const int32_t* codes, __m256& red, __m256& green, __m256& blue,
    __m256& flat) {
    const __m256 a = RecordPair(records, codes), b = RecordPair(records, codes + 1),
                 c = RecordPair(records, codes + 2), d = RecordPair(records, codes + 3);
    const __m256 ab_low = _mm256_unpacklo_ps(a, b), ab_high = _mm256_unpackhi_ps(a, b);
    const __m256 cd_low = _mm256_unpacklo_ps(c, d), cd_high = _mm256_unpackhi_ps(c, d);
    red = _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(ab_low), _mm256_castps_pd(cd_low)));
    green =
        _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(ab_low), _mm256_castps_pd(cd_low)));
    blue =
        _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(ab_high), _mm256_castps_pd(cd_high)));
    flat =
        _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(ab_high), _mm256_castps_pd(cd_high)));
}

// One channel of eight shaded pixels as ShadedRgb works it out: fraction * light + highlight,
// 254 from 254 up and for NaN (min takes its second operand), 1 from 0 down, truncated.
TARN_DRAW_AVX2_TARGET __m256i ShadedChannels(__m256 fraction, __m256 light, __m256 highlight) {
    __m256 c = _mm256_add_ps(_mm256_mul_ps(fraction, light), highlight);
    c = _mm256_min_ps(c, _mm256_set1_ps(254.0f));
    c = _mm256_blendv_ps(c, _mm256_set1_ps(1.0f),
                         _mm256_cmp_ps(c, _mm256_setzero_ps(), _CMP_LE_OQ));
    return _mm256_cvttps_epi32(c);
}

// ColourRowByCode eight pixels at a time: each group's 24 bytes are written as two stores of 16,
// whose last bytes the next group overwrites; the last pixels of the segment, where such a
// store would reach past it, as ColourRowByCode writes them.
TARN_DRAW_AVX2_TARGET void ColourRowByCodeAvx2(const int32_t* codes, const EntryColumns& columns,
                                               const Entry* entries, const float* light,
                                               const float* highlight, bool highlights_on,
                                               int64_t width, uint8_t* out) {
    // Red, green, blue of four pixels packed into 12 bytes in each half.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0,
                                          1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int64_t x = 0;
    // The second store of a group reaches 28 bytes in: pixels up to x + 9 must be the segment's.
    for (; x + 10 <= width; x += 8) {
        __m256i rgb;
        if (light == nullptr) {
            const __m256i code = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(codes + x));
            rgb = _mm256_i32gather_epi32(columns.flat.data(), code, 4);
        } else {
            __m256 red, green, blue, flat;
            LoadRecords(columns.records.data(), codes + x, red, green, blue, flat);
            rgb = _mm256_castps_si256(flat);
            // All ones in the lanes of shaded entries.
            const __m256i shaded = _mm256_srai_epi32(rgb, 31);
            if (!_mm256_testz_si256(shaded, shaded)) {
                const __m256 l = _mm256_loadu_ps(light + x);
                const __m256 h =
                    highlights_on ? _mm256_loadu_ps(highlight + x) : _mm256_setzero_ps();
                const __m256i r = ShadedChannels(red, l, h);
                const __m256i g = ShadedChannels(green, l, h);
                const __m256i b = ShadedChannels(blue, l, h);
                const __m256i lit = _mm256_or_si256(
                    r, _mm256_or_si256(_mm256_slli_epi32(g, 8), _mm256_slli_epi32(b, 16)));
            rgb = _mm256_blendv_epi8(rgb, lit, shaded);
            }
        }
        const __m256i bytes = _mm256_shuffle_epi8(rgb, pack);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm256_castsi256_si128(bytes));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x + 12),
                         _mm256_extracti128_si256(bytes, 1));
    }
    // The SSE2 code that follows would run with the upper halves dirty, several times slower on
    // some processors, and GCC leaves out the clearing before this tail call.
    _mm256_zeroupper();
    if (x < width)
        ColourRowByCode(codes + x, entries, light != nullptr ? light + x : nullptr,
                        highlight != nullptr ? highlight + x : nullptr, highlights_on, width - x,
                        out + 3 * x);
}

#endif

// Columns per strip: the scratch rows stay at about 160 KB however wide the picture. Narrower
// strips, whose rows would fit the first-level cache, measured a few per cent slower.
constexpr int64_t kStripColumns = 4096;

void DrawFast(const FloatBlock& b, const PseudoColouring& how, uint8_t* pixels) {
    const Plan plan = ChoosePlan(*how.control);
    std::vector<Entry> entries;
    if (plan.lookup != Lookup::kControl) BuildEntries(*how.control, how, plan, entries);
    const int64_t w = b.width;
    const int64_t stride = b.RowStride();
    const int64_t columns = std::min(w, kStripColumns);
    const bool shading = how.shading_on;
    Rows rows(shading ? columns + 2 : 0);
    std::vector<int32_t> codes(plan.lookup != Lookup::kControl ? static_cast<size_t>(columns) : 0);
    const ShadingConstants& k = how.shading;
    // The rows the light reads: the picture's, and the halo's above and below it.
    const int64_t first_row = b.halo.top ? -1 : 0;
    const int64_t end_row = b.height + (b.halo.bottom ? 1 : 0);
#if defined(TARN_DRAW_AVX2)
    const bool wide = ActiveVectorPath() == VectorPath::kAvx2Fma && plan.lookup != Lookup::kControl;
    const EntryColumns entry_columns(wide ? entries : std::vector<Entry>{});
#endif

    for (int64_t x0 = 0; x0 < w; x0 += columns) {
        Strip s;
        s.x0 = x0;
        s.x1 = std::min(x0 + columns, w);
        s.base = b.HasLeft(s.x0) ? s.x0 - 1 : s.x0;
        s.span = (b.HasRight(s.x1 - 1) ? s.x1 + 1 : s.x1) - s.base;
        if (shading) {
            RowHeights(b, first_row, s, k, rows.z_here);
            if (first_row + 1 < end_row) NextRow(b, first_row + 1, s, k, rows);
        }
        for (int64_t y = first_row; y < b.height; ++y) {
            if (shading && y > first_row) {
                rows.Advance();
                if (y + 1 < end_row) NextRow(b, y + 1, s, k, rows);
            }
            if (y < 0) continue;  // the halo's row: read for its slopes only
            const float* values = b.values + y * stride + x0;
            const uint8_t* validity = b.validity + y * stride + x0;
            uint8_t* out = pixels + 3 * (y * w + x0);
            const float* light = nullptr;
            const float* highlight = nullptr;
            if (shading) {
                light = rows.light + (x0 - s.base);
                highlight = rows.highlight + (x0 - s.base);
                LightRow(b, y, s, k, how.highlights_on, rows);
            }
            const int64_t n = s.x1 - x0;
#if defined(TARN_DRAW_AVX2)
            if (wide) {
                if (plan.lookup == Lookup::kLinear && plan.single)
                    SingleCodeRowAvx2<Lookup::kLinear>(values, validity, n, plan, codes.data());
                else if (plan.lookup == Lookup::kLinear)
                    CodeRowAvx2<Lookup::kLinear>(values, validity, n, plan, codes.data());
                else if (plan.lookup == Lookup::kIndex && plan.single)
                    SingleCodeRowAvx2<Lookup::kIndex>(values, validity, n, plan, codes.data());
                else if (plan.lookup == Lookup::kIndex)
                    CodeRowAvx2<Lookup::kIndex>(values, validity, n, plan, codes.data());
                else
                    CodeRowByControl(values, validity, n, *how.control, plan, codes.data());
                ColourRowByCodeAvx2(codes.data(), entry_columns, entries.data(), light, highlight,
                                    how.highlights_on, n, out);
                continue;
            }
#endif
            switch (plan.lookup) {
                case Lookup::kLinear:
                    CodeRow<Lookup::kLinear>(values, validity, n, plan, codes.data());
                    break;
                case Lookup::kIndex:
                    CodeRow<Lookup::kIndex>(values, validity, n, plan, codes.data());
                    break;
                case Lookup::kCellIndex:
                    CodeRowByControl(values, validity, n, *how.control, plan, codes.data());
                    break;
                case Lookup::kControl:
                    ColourRowByControl(values, validity, n, how, light, highlight, out);
                    continue;
            }
            ColourRowByCode(codes.data(), entries.data(), light, highlight, how.highlights_on, n,
                            out);
        }
    }
}

}  // namespace

void DrawPseudo(const FloatBlock& block, const PseudoColouring& colouring, uint8_t* pixels) {
    if (block.width <= 0 || block.height <= 0) return;
    try {
        DrawFast(block, colouring, pixels);
    } catch (const std::exception&) {
        // No room for the scratch rows: the reference needs none.
        DrawPseudoReference(block, colouring, pixels);
    }
}

void DrawPseudoInStrips(const FloatBlock& block, const PseudoColouring& colouring, uint8_t* pixels,
                        const Threading& threading) {
    if (block.width <= 0 || block.height <= 0) return;
    ForEachStrip(block.height, block.width, threading, [&](int64_t first, int64_t end) {
        DrawPseudo(block.Rows(first, end), colouring, pixels + 3 * first * block.width);
    });
}

}  // namespace Tarn::Draw
