// The fast pixel pass of "Pseudo" and "GreyScale" pictures. Once per picture: a lookup from cell
// value to a code (a table entry, the null colour, the background) and what each code draws.
// Per row: the codes, the light, then the pixels. The light of interior cells shares each
// slope between the two cells it joins (one square root and two divisions per slope instead of
// per cell and neighbour) and reproduces ShadeCell's arithmetic exactly; border cells use
// ShadeCell itself.
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <vector>

#include "handler/draw_pseudo.h"

namespace Tarn::Handler {
namespace {

using Colour::CColourControl;
using Colour::PackedColour;

// What a cell with a given code draws: a flat colour, or the entry's fractions under the light.
struct Entry {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    uint8_t flat[3] = {0, 0, 0};
    bool shaded = false;
};

enum class Lookup {
    kLinear,   // position = n * (x - minimum) / range
    kIndex,    // position = floor(x)
    kControl,  // anything else: the control's own lookups per cell
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
};

// Mirrors the lookups of CColourControl: the mappings whose index is n times a linear position
// (explicit linear ranges, statistics ranges before statistics arrive, direct depths above
// "Colour", all over an identity or linear transform) and the Index mapping. Where the colour
// and the index lookups could part (value ranges, step tables, a value that is a colour), the
// control is asked per cell.
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
                             mapping != Colour::kMappingCeilingPosition &&
                             control.DirectDepth() != Colour::kDirectColour;
    if (mapping == Colour::kMappingIndex) {
        plan.lookup = Lookup::kIndex;
    } else if (linear_transform && (position_mapping || direct_like)) {
        plan.lookup = Lookup::kLinear;
        // The identity is the linear form over [0, 1]: x - 0 and x / 1 are exact.
        if (transform == Colour::kTransformLinear) {
            plan.minimum = control.Transform().Minimum();
            plan.range = control.Transform().Range();
        }
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
    return plan;
}

void SetFlat(Entry& e, PackedColour c) {
    e.flat[0] = static_cast<uint8_t>(Colour::PackedRed(c));
    e.flat[1] = static_cast<uint8_t>(Colour::PackedGreen(c));
    e.flat[2] = static_cast<uint8_t>(Colour::PackedBlue(c));
    e.shaded = false;
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
            e.red = how.red_fractions[static_cast<size_t>(i)];
            e.green = how.green_fractions[static_cast<size_t>(i)];
            e.blue = how.blue_fractions[static_cast<size_t>(i)];
            e.shaded = true;
        }
    }
    // A clipped cell gets the null colour and no index, so no shading.
    const PackedColour null_colour = control.NullColour();
    SetFlat(entries[static_cast<size_t>(plan.null_code)],
            Colour::PackedTransparency(null_colour) == 255 ? how.transparent : null_colour);
    SetFlat(entries[static_cast<size_t>(plan.background_code)], how.background);
}

// The codes of one row. Clamping and truncation as the control does them: NaN lands on entry 0.
template <Lookup kLookup>
void CodeRow(const float* __restrict values, const uint8_t* __restrict validity, int64_t width,
             const Plan& plan, int32_t* __restrict codes) {
    for (int64_t x = 0; x < width; ++x) {
        const double v = values[x];
        double p;
        if constexpr (kLookup == Lookup::kLinear) {
            p = plan.count * ((v - plan.minimum) / plan.range);
        } else {
            p = std::floor(v);
        }
        p = p > 0.0 ? p : 0.0;
        p = p < plan.top ? p : plan.top;
        auto i = static_cast<int32_t>(p);
        i = plan.reverse ? plan.last - i : i;
        i = v < plan.clip_low || v > plan.clip_high ? plan.null_code : i;
        codes[x] = validity[x] != 0 ? i : plan.background_code;
    }
}

// Heights in shading units; an invalid cell counts as the value 0.
void HeightRow(const float* __restrict values, const uint8_t* __restrict validity, int64_t width,
               const ShadingConstants& k, float* __restrict z) {
    const float vmin = k.value_minimum;
    const float zscale = k.zscale_ten_pow_contrast_over_r;
    for (int64_t x = 0; x < width; ++x) {
        const float n = validity[x] != 0 ? values[x] : 0.0f;
        z[x] = (n - vmin) * zscale;
    }
}

// The slope from a[i] to b[i] over one run: g = d / r and h = run / r with r = |(run, d)|. The
// cell on the far side sees -g, exactly.
void SlopeRow(const float* __restrict a, const float* __restrict b, int64_t count, float run,
              float* __restrict g, float* __restrict h) {
    const float run2 = run * run;
    for (int64_t i = 0; i < count; ++i) {
        const float d = b[i] - a[i];
        const float r = std::sqrt(run2 + d * d);
        g[i] = d / r;
        h[i] = run / r;
    }
}

// Scratch rows of one picture's light.
struct Rows {
    explicit Rows(int64_t width) : storage(static_cast<size_t>(width) * 11) {
        float* next = storage.data();
        for (float** row : {&z_here, &z_below, &g_row, &h_row, &g_up, &h_up, &g_down, &h_down,
                            &light, &highlight, &exponent}) {
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
    float* exponent = nullptr;
};

// The light on the interior cells 1 to width - 2 of a row that has rows above and below.
template <bool kHighlights>
void InteriorLight(Rows& r, int64_t width, const ShadingConstants& k) {
    const float* __restrict g_row = r.g_row;
    const float* __restrict h_row = r.h_row;
    const float* __restrict g_up = r.g_up;
    const float* __restrict h_up = r.h_up;
    const float* __restrict g_down = r.g_down;
    const float* __restrict h_down = r.h_down;
    float* __restrict light = r.light;
    float* __restrict exponent = r.exponent;
    float* __restrict highlight = r.highlight;
    const float dx = k.dx_minus_sin_az_cos_el, dy = k.dy_cos_az_cos_el, dz = k.dz_sin_el;
    const float hx = k.hx_minus_sin_az_cos_el, hy = k.hy_cos_az_cos_el, hz = k.hz_sin_el;
    const float gain = k.gain_intensity_times_2_55, ambient = k.ambient_brightness_times_2_55;
    const float q = k.q_half_highlight_size;
    for (int64_t x = 1; x < width - 1; ++x) {
        float gx = (-g_row[x - 1] - g_row[x]) * 0.5f;
        const float nx = (h_row[x - 1] + h_row[x]) * 0.5f;
        float gy = (-g_up[x] - g_down[x]) * 0.5f;
        const float ny = (h_up[x] + h_down[x]) * 0.5f;
        float h = (ny + nx) * 0.5f;
        const float length = std::sqrt(gx * gx + gy * gy + h * h);
        const bool ok = length > 0.0f;
        const float inverse = 1.0f / length;
        gx = ok ? gx * inverse : 0.0f;
        gy = ok ? gy * inverse : 0.0f;
        h = ok ? h * inverse : 1.0f;
        light[x] = (gy * dy + gx * dx + h * dz) * gain + ambient;
        if constexpr (kHighlights) {
            // The exponential is taken in a loop of its own, which keeps this one vectorised.
            highlight[x] = gy * hy + gx * hx + h * hz;
            exponent[x] = (highlight[x] - 1.0f) * q;
        }
    }
    if constexpr (kHighlights) {
        const float peak = k.bh_highlight_peak;
        for (int64_t x = 1; x < width - 1; ++x) {
            highlight[x] = std::exp(exponent[x]) * highlight[x] * peak;
        }
    }
}

void BorderLight(const FloatBlock& b, int64_t x, int64_t y, const ShadingConstants& k,
                 bool highlights_on, Rows& r) {
    if (b.validity[y * b.width + x] == 0) return;  // drawn as background; its value is junk
    const CellLight light =
        ShadeCell(b.values, b.validity, b.width, b.height, x, y, k, highlights_on);
    r.light[x] = light.intensity;
    r.highlight[x] = light.highlight;
}

void LightRow(const FloatBlock& b, int64_t y, const ShadingConstants& k, bool highlights_on,
              Rows& r) {
    const int64_t w = b.width;
    if (y > 0 && y < b.height - 1 && w > 2) {
        SlopeRow(r.z_here, r.z_here + 1, w - 1, k.kx_cell_x_times_m_over_r, r.g_row, r.h_row);
        if (highlights_on) {
            InteriorLight<true>(r, w, k);
        } else {
            InteriorLight<false>(r, w, k);
        }
        BorderLight(b, 0, y, k, highlights_on, r);
        BorderLight(b, w - 1, y, k, highlights_on, r);
        return;
    }
    for (int64_t x = 0; x < w; ++x) BorderLight(b, x, y, k, highlights_on, r);
}

void PutShaded(const Entry& e, float light, float highlight, bool highlights_on, uint8_t* out) {
    auto red = static_cast<float>(e.red * light);
    auto green = static_cast<float>(e.green * light);
    auto blue = static_cast<float>(e.blue * light);
    if (highlights_on) {
        red += highlight;
        green += highlight;
        blue += highlight;
    }
    out[0] = ShadedChannelByte(red);
    out[1] = ShadedChannelByte(green);
    out[2] = ShadedChannelByte(blue);
}

void ColourRowByCode(const int32_t* __restrict codes, const Entry* __restrict entries,
                     const float* light, const float* highlight, bool highlights_on, int64_t width,
                     uint8_t* __restrict out) {
    for (int64_t x = 0; x < width; ++x, out += 3) {
        const Entry& e = entries[codes[x]];
        if (!e.shaded) {
            out[0] = e.flat[0];
            out[1] = e.flat[1];
            out[2] = e.flat[2];
            continue;
        }
        PutShaded(e, light[x], highlight[x], highlights_on, out);
    }
}

void PutColour(uint8_t* out, PackedColour c) {
    out[0] = static_cast<uint8_t>(Colour::PackedRed(c));
    out[1] = static_cast<uint8_t>(Colour::PackedGreen(c));
    out[2] = static_cast<uint8_t>(Colour::PackedBlue(c));
}

// The reference's cell logic for mappings without a plan, with the light of the row.
void ColourRowByControl(const float* values, const uint8_t* validity, int64_t width,
                        const PseudoColouring& how, const float* light, const float* highlight,
                        uint8_t* out) {
    const CColourControl& control = *how.control;
    const size_t shaded_entries = ShadedEntries(how);
    for (int64_t x = 0; x < width; ++x, out += 3) {
        if (validity[x] == 0) {
            PutColour(out, how.background);
            continue;
        }
        const PackedColour c = control.ValueToColour(values[x]);
        if (Colour::PackedTransparency(c) == 255) {
            PutColour(out, how.transparent);
            continue;
        }
        const int i = how.shading_on ? control.ValueToIndex(values[x]) : -1;
        if (i < 0 || static_cast<size_t>(i) >= shaded_entries) {
            PutColour(out, c);
            continue;
        }
        Entry e;
        e.red = how.red_fractions[static_cast<size_t>(i)];
        e.green = how.green_fractions[static_cast<size_t>(i)];
        e.blue = how.blue_fractions[static_cast<size_t>(i)];
        PutShaded(e, light[x], highlight[x], how.highlights_on, out);
    }
}

void DrawFast(const FloatBlock& b, const PseudoColouring& how, uint8_t* pixels) {
    const Plan plan = ChoosePlan(*how.control);
    std::vector<Entry> entries;
    if (plan.lookup != Lookup::kControl) BuildEntries(*how.control, how, plan, entries);
    const int64_t w = b.width;
    const bool shading = how.shading_on;
    Rows rows(shading ? w : 0);
    std::vector<int32_t> codes(plan.lookup != Lookup::kControl ? static_cast<size_t>(w) : 0);

    const ShadingConstants& k = how.shading;
    if (shading) {
        HeightRow(b.values, b.validity, w, k, rows.z_here);
        if (b.height > 1) {
            HeightRow(b.values + w, b.validity + w, w, k, rows.z_below);
            SlopeRow(rows.z_here, rows.z_below, w, k.ky_cell_y_times_m_over_r, rows.g_down,
                     rows.h_down);
        }
    }
    for (int64_t y = 0; y < b.height; ++y) {
        const float* values = b.values + y * w;
        const uint8_t* validity = b.validity + y * w;
        uint8_t* out = pixels + 3 * y * w;
        if (shading) {
            if (y > 0) {
                rows.Advance();
                if (y + 1 < b.height) {
                    HeightRow(values + w, validity + w, w, k, rows.z_below);
                    SlopeRow(rows.z_here, rows.z_below, w, k.ky_cell_y_times_m_over_r, rows.g_down,
                             rows.h_down);
                }
            }
            LightRow(b, y, k, how.highlights_on, rows);
        }
        switch (plan.lookup) {
            case Lookup::kLinear:
                CodeRow<Lookup::kLinear>(values, validity, w, plan, codes.data());
                break;
            case Lookup::kIndex:
                CodeRow<Lookup::kIndex>(values, validity, w, plan, codes.data());
                break;
            case Lookup::kControl:
                ColourRowByControl(values, validity, w, how, rows.light, rows.highlight, out);
                continue;
        }
        ColourRowByCode(codes.data(), entries.data(), rows.light, rows.highlight, how.highlights_on,
                        w, out);
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

}  // namespace Tarn::Handler
