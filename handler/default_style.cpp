// Choosing, writing and applying default render styles.
#include "handler/default_style.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>

#include "engine/engine_calls.h"
#include "engine/preferences.h"
#include "handler/grid_header.h"
#include "handler/style_colouring.h"
#include "style/colour_serializer.h"
#include "style/render_style_settings.h"
#include "system/text_utils.h"

namespace Tarn::Handler {

using Colour::ColourInfo;
using Colour::ColourSerializer;
using Colour::RenderStyleSettings;

namespace {
namespace Kvr = Engine::Kvr;

// The underview value a new style carries: the preferences' mode, 0 without preferences.
int32_t PreferredUnderviews() {
    HandlerPrefs prefs;
    return Engine::ReadHandlerPrefs(prefs) ? prefs.underview_mode : 0;
}

std::u16string PrefsText(const prefs_wchar* text, size_t capacity) {
    return std::u16string(text, std::find(text, text + capacity, prefs_wchar{0}));
}

int SelectorForColouringMode(int32_t mode) {
    switch (mode) {
        case 0:
            return Colour::kSelectLinear;
        case 1:
            return Colour::kSelectLog;
        case 3:
            return Colour::kSelectInterpolatingTable;
        default:
            return Colour::kSelectEqualArea;
    }
}

bool IsGridHeaderRaster(const HandlerContext& context) {
    const std::u16string& path = context.raster_path;
    const size_t dot = path.find_last_of(u'.');
    const size_t slash = path.find_last_of(u'/');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return false;
    return System::EqualsNoCase(std::u16string_view(path).substr(dot), u".grd") &&
           std::string(context.format_name) == kGridHeaderFormat;
}

const KvrBandInfo* BandOf(const HandlerContext& context, int32_t band) {
    const KvrBandInfo* record = nullptr;
    return Kvr::BandInfo(context.info_handle, 0, band, &record) == 0 ? record : nullptr;
}

bool IsGreyByteBand(const KvrBandInfo* band) {
    if (band == nullptr || band->value_code != KVR_VALUE_UINT8) return false;
    const std::string_view interpretation(
        band->colour_interpretation,
        strnlen(band->colour_interpretation, sizeof band->colour_interpretation));
    return interpretation == "Gray";
}

MemoryStyle PseudoStyle(const ColourInfo& info) {
    MemoryStyle made;
    made.style.kind = Colour::kRenderStylePseudo;
    made.style.underviews = PreferredUnderviews();
    made.style.channel.name = kDefaultTransformName;
    made.transforms.emplace_back(kDefaultTransformName, info);
    return made;
}

MemoryStyle GreyStyle() {
    MemoryStyle made;
    made.style.kind = Colour::kRenderStyleGreyScale;
    made.style.underviews = PreferredUnderviews();
    return made;
}

MemoryStyle PaletteStyle() {
    MemoryStyle made;
    made.style.kind = Colour::kRenderStylePalette;
    made.style.underviews = 0;
    return made;
}

// The bands shown as red, green and blue: those of a colour band's components, or byte bands
// the engine names red, green and blue. Nothing when the field has no such bands.
std::optional<std::array<uint32_t, 3>> ColourChannelBands(const HandlerContext& context,
                                                          int32_t band_count) {
    const KvrBandInfo* first = BandOf(context, 0);
    if (first == nullptr) return std::nullopt;
    const int kind = first->band_kind;
    if (kind == KVR_BAND_COLOUR_RGB || kind == KVR_BAND_COLOUR_RGBA)
        return std::array<uint32_t, 3>{1, 2, 3};
    if (kind == KVR_BAND_COLOUR_BGR || kind == KVR_BAND_COLOUR_BGRA)
        return std::array<uint32_t, 3>{3, 2, 1};
    std::array<int32_t, 3> found = {-1, -1, -1};
    for (int32_t b = 0; b < band_count; ++b) {
        const KvrBandInfo* band = BandOf(context, b);
        if (band == nullptr) break;
        const int k = band->band_kind;
        if (k >= KVR_BAND_RED && k <= KVR_BAND_BLUE && band->value_code == KVR_VALUE_UINT8 &&
            found[k - KVR_BAND_RED] < 0)
            found[k - KVR_BAND_RED] = b;
    }
    if (std::find(found.begin(), found.end(), -1) != found.end()) return std::nullopt;
    return std::array<uint32_t, 3>{static_cast<uint32_t>(found[0]), static_cast<uint32_t>(found[1]),
                                   static_cast<uint32_t>(found[2])};
}

MemoryStyle RgbStyle(std::array<uint32_t, 3> bands, int32_t band_count) {
    MemoryStyle made;
    made.style.kind = Colour::kRenderStyleRgb;
    made.style.underviews = PreferredUnderviews();
    const auto last_band = static_cast<uint32_t>(std::max(band_count - 1, 0));
    Colour::StyleChannel* channels[3] = {&made.style.red, &made.style.green, &made.style.blue};
    for (size_t i = 0; i < 3; ++i) {
        channels[i]->band = std::min(bands[i], last_band);
        made.transforms.emplace_back(channels[i]->name, ColourInfo{});
    }
    return made;
}

}  // namespace

ColourInfo DefaultColourInfo() {
    ColourInfo info;
    HandlerPrefs prefs;
    if (!Engine::ReadHandlerPrefs(prefs)) {
        info.transform_selector = Colour::kSelectEqualArea;
        info.palette_name = u"pseudocolor.lut";
        return info;
    }
    info.palette_name = PrefsText(prefs.colour_table_file, std::size(prefs.colour_table_file));
    info.transform_selector = SelectorForColouringMode(prefs.default_colouring_mode);
    Colour::ShadingSettings& shading = info.shading;
    shading.hillshade_on = prefs.shading_on != 0;
    shading.position = prefs.light_azimuth;
    shading.inclination = prefs.light_elevation;
    shading.intensity = prefs.light_intensity;
    shading.saturation = prefs.ambient_brightness;
    shading.shadow = prefs.relief_contrast;
    shading.highlights_on = prefs.highlights_on != 0;
    shading.highlight_position = prefs.highlight_azimuth;
    shading.highlight_inclination = prefs.highlight_elevation;
    shading.highlight_intensity = prefs.highlight_size;
    return info;
}

MemoryStyle DefaultStyleFor(const HandlerContext& context) {
    if (IsGridHeaderRaster(context)) {
        ColourInfo info;
        return PseudoStyle(ReadGridHeader(context.raster_path, info) < 2 ? DefaultColourInfo()
                                                                         : info);
    }
    const KvrFieldInfo* field = nullptr;
    // Without the engine's records nothing says what the bands are: the first one is a grid.
    if (Kvr::FieldInfo(context.info_handle, 0, &field) != 0 || field == nullptr)
        return PseudoStyle(DefaultColourInfo());
    const int32_t band_count = Kvr::InfoBandCount(context.info_handle, 0);
    switch (field->field_type) {
        case KVR_FIELD_PALETTE_IMAGE:
        case KVR_FIELD_PALETTE:
            return PaletteStyle();
        case KVR_FIELD_MULTIBAND:
            if (const auto bands = ColourChannelBands(context, band_count))
                return RgbStyle(*bands, band_count);
            break;
        default:
            break;
    }
    // A grey band is drawn in grey, alone or with the alpha band that masks it.
    const KvrBandInfo* second = band_count == 2 ? BandOf(context, 1) : nullptr;
    const bool alone = band_count == 1 || (second && second->band_kind == KVR_BAND_ALPHA);
    if (alone && IsGreyByteBand(BandOf(context, 0))) return GreyStyle();
    return PseudoStyle(DefaultColourInfo());
}

bool WriteStyleDocument(const std::u16string& path, const MemoryStyle& style) {
    if (!ColourSerializer::SerializeRenderStyle(path, style.style).success) return false;
    for (const auto& [name, info] : style.transforms)
        if (!ColourSerializer::SerializeColourInfo(path, name, info, false, true).success)
            return false;
    return true;
}

void ApplyDefaultColouring(HandlerContext& context) {
    const ColouringOutcome outcome = ApplyPseudoColourInfo(context, DefaultColourInfo());
    // Without statistics nothing above built a colour table: the band would draw blank.
    if (outcome.code == kColouringUnavailable || context.colour_control.Table().empty())
        ApplyFallbackColouring(context);
}

}  // namespace Tarn::Handler
