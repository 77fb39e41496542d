// The two per-cell lookups of the colour control: value to colour, value to table index.
// They run once per drawn cell, so they allocate nothing and call nothing virtual.
#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "colour/colour_control.h"

namespace Tarn::Colour {
namespace {

// Truncation toward zero, clamped into [0, n - 1]; NaN lands on 0. Values beyond the table's
// ends are common (a band's outliers, Index over a small table), and the compiler turns the
// plain form into branches that mispredict on them: the SSE2 max and min halve such lookups.
// Both take their second operand for NaN.
int ClampToTable(double position, int n) {
    const double top = n - 1;
#if defined(__SSE2__)
    const __m128d p =
        _mm_min_sd(_mm_max_sd(_mm_set_sd(position), _mm_setzero_pd()), _mm_set_sd(top));
    return _mm_cvttsd_si32(p);
#else
    double p = position > 0.0 ? position : 0.0;
    p = p < top ? p : top;
    return static_cast<int>(p);
#endif
}

// The integer part of an exact-index position, or -1 when it names no entry of n.
int ExactIndex(double position, int n) {
    if (!(position > -1.0) || position >= n) return -1;
    return static_cast<int>(position);
}

// Direct "Colour" mapping: floor(x) is the colour itself, its low 32 bits as a packed colour.
PackedColour ValueAsColour(double x, bool reverse) {
    const double v = std::floor(x);
    int64_t bits = 0;
    if (v >= 9.2e18) {
        bits = INT64_MAX;
    } else if (v <= -9.2e18) {
        bits = INT64_MIN;
    } else if (v == v) {
        bits = static_cast<int64_t>(v);
    }
    const auto c = static_cast<PackedColour>(static_cast<uint64_t>(bits));
    if (!reverse) return c;
    // Reversed, the value is read in the other byte order of red and blue.
    return (c & 0xFF00FF00u) | (c & 0xFFu) << 16 | (c >> 16 & 0xFFu);
}

}  // namespace

// Where x lands before clamping into the table. kPosition and kExact fill `position`.
CColourControl::Landing CColourControl::Locate(double x, bool for_index, double& position) const {
    const int n = static_cast<int>(table_.size());
    // Transform kinds above 8 (the direct marker) have no Apply form: position 0.
    const bool has_form = transform_.Kind() <= kTransformHalfOpenRanges;
    double a = 0.0;
    switch (mapping_kind_) {
        case kMappingLinear:
        case kMappingLog:
        case kMappingEqualArea:
        case kMappingUser:
        case kMappingTextCategories:
        case kMappingClosedRanges:
        case kMappingHalfOpenRanges:
            if (has_form) {
                // The index lookup has no "no entry" here: outside every range is -n, entry 0.
                if (for_index) {
                    a = transform_.Apply(x);
                } else if (!transform_.TryApply(x, a)) {
                    return Landing::kNoEntry;
                }
            }
            position = n * a;
            return Landing::kPosition;
        case kMappingCeilingPosition:
            if (has_form && !transform_.TryApply(x, a)) return Landing::kNoEntry;
            position = std::ceil(a);
            return Landing::kPosition;
        case kMappingExactIndex:
            if (has_form && !transform_.TryApply(x, a)) return Landing::kNoEntry;
            position = a;
            return Landing::kExact;
        case kMappingIndex:
            position = std::floor(x);
            return Landing::kPosition;
        default:  // Direct, and any other kind (none set, the direct marker)
            if (direct_depth_ == kDirectColour) return Landing::kValueIsColour;
            if (has_form) transform_.TryApply(x, a);
            position = n * a;
            return Landing::kPosition;
    }
}

PackedColour CColourControl::ValueToColour(double x) const {
    if (clip_to_null_ && (x < transform_.LowerBound() || x > transform_.UpperBound())) {
        return null_colour_;
    }
    double position = 0.0;
    const Landing landing = Locate(x, false, position);
    if (landing == Landing::kValueIsColour) return ValueAsColour(x, reverse_);
    if (landing == Landing::kNoEntry) return null_colour_;
    // An empty table has no entry to give: the null colour.
    const int n = static_cast<int>(table_.size());
    if (n == 0) return null_colour_;
    int index = landing == Landing::kExact ? ExactIndex(position, n) : ClampToTable(position, n);
    if (index < 0) return null_colour_;
    if (reverse_) index = n - index - 1;
    return table_[index].colour;
}

int CColourControl::ValueToIndex(double x) const {
    if (clip_to_null_ && (x < transform_.LowerBound() || x > transform_.UpperBound())) {
        return -1;
    }
    // -1 for an empty table even where the mapping needs no table: callers index their own
    // copies of the table with the result.
    const int n = static_cast<int>(table_.size());
    if (n == 0) return -1;
    double position = 0.0;
    const Landing landing = Locate(x, true, position);
    if (landing == Landing::kValueIsColour) return 0;
    if (landing == Landing::kNoEntry) return -1;
    int index = landing == Landing::kExact ? ExactIndex(position, n) : ClampToTable(position, n);
    if (index < 0) return -1;
    if (reverse_) index = n - index - 1;
    return index;
}

}  // namespace Tarn::Colour
