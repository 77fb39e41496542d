// Writing default render style documents.
#include "handler/default_style.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "engine/engine_calls.h"
#include "engine/preferences.h"
#include "handler/style_colouring.h"
#include "style/colour_serializer.h"
#include "style/render_style_settings.h"

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

// A "Pseudo" style on the context's field and band, coloured by `transform_name`.
bool WritePseudoStyle(const HandlerContext& context, std::string_view transform_name) {
    RenderStyleSettings style;
    style.kind = Colour::kRenderStylePseudo;
    style.underviews = PreferredUnderviews();
    style.channel.field = static_cast<uint32_t>(context.field);
    style.channel.band = static_cast<uint32_t>(context.band);
    style.channel.name = transform_name;
    return ColourSerializer::SerializeRenderStyle(context.render_style_path, style).success;
}

bool WriteTransform(const HandlerContext& context, std::string_view name, const ColourInfo& info) {
    return ColourSerializer::SerializeColourInfo(context.render_style_path, name, info, false, true)
        .success;
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

void ApplyDefaultColouring(HandlerContext& context) {
    const ColourInfo info = DefaultColourInfo();
    if (!WritePseudoStyle(context, kDefaultTransformName) ||
        !WriteTransform(context, kDefaultTransformName, info)) {
        ApplyFallbackColouring(context);
        return;
    }
    context.style_name = kDefaultTransformName;
    const int result = ApplyPseudoColourInfo(context, info);
    // Without statistics nothing above built a colour table: the band would draw blank.
    if (result == kColouringUnavailable || context.colour_control.Table().empty())
        ApplyFallbackColouring(context);
}

void WriteGridHeaderStyle(HandlerContext& context, const ColourInfo& info) {
    if (WritePseudoStyle(context, kDefaultTransformName))
        WriteTransform(context, kDefaultTransformName, info);
}

void WriteRgbDefaultStyle(HandlerContext& context) {
    const KvrBandInfo* band = nullptr;
    const int kind = Kvr::BandInfo(context.info_handle, 0, 0, &band) == 0 && band != nullptr
                         ? band->band_kind
                         : 0;
    RenderStyleSettings style;
    style.kind = Colour::kRenderStyleRgb;
    style.underviews = PreferredUnderviews();
    if (kind == KVR_BAND_COLOUR_RGB || kind == KVR_BAND_COLOUR_RGBA) {
        style.red.band = 1, style.green.band = 2, style.blue.band = 3;
    } else if (kind == KVR_BAND_COLOUR_BGR || kind == KVR_BAND_COLOUR_BGRA) {
        style.red.band = 3, style.green.band = 2, style.blue.band = 1;
    }
    const auto last_band = static_cast<uint32_t>(std::max(context.band_count - 1, 0));
    for (Colour::StyleChannel* channel : {&style.red, &style.green, &style.blue})
        channel->band = std::min(channel->band, last_band);
    if (!ColourSerializer::SerializeRenderStyle(context.render_style_path, style).success) return;
    for (const Colour::StyleChannel* channel : {&style.red, &style.green, &style.blue})
        WriteTransform(context, channel->name, ColourInfo{});
}

void WritePaletteDefaultStyle(HandlerContext& context) {
    RenderStyleSettings style;
    style.kind = Colour::kRenderStylePalette;
    style.underviews = 0;
    ColourSerializer::SerializeRenderStyle(context.render_style_path, style);
}

}  // namespace Tarn::Handler
