// Applying a render style transform's colour information to a colour control.
#include "colour/colour_control.h"
#include "colour/user_colour_mapping.h"

namespace Tarn::Colour {

ColourResult CColourControl::ApplyColourInfo(const ColourInfo& info) {
    SetRangeLimits(info.range_limits_on, info.range_kind, info.range_low, info.range_high);
    // The document's null colour stays with the handler as its background; the control's null
    // colour is the transparent colour.
    null_colour_set_ = info.transparent_colour_on;
    null_colour_ = info.transparent_colour;
    reverse_ = info.reverse;
    clip_to_null_ = info.clip_to_null;
    table_name_ = info.palette_name;
    direct_maximum_ = info.direct_maximum;
    shading_ = info.shading;
    user_mapping_on_ = info.user_mapping_on;
    user_mapping_ = info.user_mapping;

    switch (info.transform_selector) {
        case kSelectLinear:
            transform_.SetKind(kTransformLinear);
            break;
        case kSelectLog:
            transform_.SetKind(kTransformLog);
            break;
        case kSelectEqualArea:
            transform_.SetKind(kTransformEqualAreaTable);
            break;
        case kSelectDirect:
            transform_.SetKind(kTransformDirectMarker);
            break;
        case kSelectInterpolatingTable:
            transform_.SetKind(kTransformInterpolatingTable);
            break;
        default:
            break;
    }

    if (user_mapping_on_) return ApplyUserColourMapping(*this, user_mapping_);
    return {};
}

}  // namespace Tarn::Colour
