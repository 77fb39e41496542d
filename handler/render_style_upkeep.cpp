// Preparing and refreshing the render style of an open raster.
#include "handler/render_style_upkeep.h"

#include <chrono>
#include <string>

#include "engine/engine_calls.h"
#include "handler/band_statistics.h"
#include "handler/default_style.h"
#include "handler/engine_statistics.h"
#include "handler/grid_header.h"
#include "handler/style_colouring.h"
#include "handler/style_path.h"
#include "platform/file_system.h"
#include "style/colour_serializer.h"
#include "style/render_style_settings.h"
#include "system/text_utils.h"
#include "system/utf.h"

namespace Tarn::Handler {

using Colour::ColourSerializer;
using Colour::RenderStyleSettings;
using Colour::StyleChannel;

namespace {
namespace Kvr = Engine::Kvr;

// Bands are scanned until the engine knows no more; a bound keeps a confused engine finite.
constexpr int32_t kMaxScannedBands = 65536;

const Colour::PackedColour kTransparentWhite = 0xFFFFFFFFu;
const Colour::PackedColour kTransparentBlack = 0xFF000000u;

bool IsGridHeaderRaster(const HandlerContext& context) {
    const std::u16string& path = context.raster_path;
    const size_t dot = path.find_last_of(u'.');
    const size_t slash = path.find_last_of(u'/');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return false;
    return System::EqualsNoCase(std::u16string_view(path).substr(dot), u".grd") &&
           std::string(context.format_name) == kGridHeaderFormat;
}

void CreateDefaultStyle(HandlerContext& context) {
    if (IsGridHeaderRaster(context)) {
        Colour::ColourInfo info;
        if (ReadGridHeader(context.raster_path, info) < 2)
            ApplyDefaultColouring(context);
        else
            WriteGridHeaderStyle(context, info);
        return;
    }
    switch (context.field_type) {
        case KVR_FIELD_MULTIBAND:
            WriteRgbDefaultStyle(context);
            break;
        case KVR_FIELD_GRID:
            ApplyDefaultColouring(context);
            break;
        case KVR_FIELD_PALETTE_IMAGE:
        case KVR_FIELD_PALETTE:
            WritePaletteDefaultStyle(context);
            break;
        default:
            break;
    }
}

// Modification time of the document at full precision, when it can be read.
std::optional<int64_t> DocumentTime(const HandlerContext& context) {
    const auto status = Platform::StatPath(System::WideToUtf8(context.render_style_path));
    if (!status || !status->is_regular || !status->readable) return std::nullopt;
    return status->modification_time_ns;
}

bool ChangedSinceLoad(const HandlerContext& context) {
    const auto time = DocumentTime(context);
    return !time || *time > context.style_load_time;
}

RenderStyleSettings ReadStyle(const HandlerContext& context) {
    RenderStyleSettings style;
    // A missing or partly unreadable document leaves the defaults (or what was read).
    ColourSerializer::DeserializeRenderStyle(context.render_style_path, style);
    return style;
}

const StyleChannel& MainChannel(const RenderStyleSettings& style) {
    return style.kind == Colour::kRenderStyleRgb ? style.red : style.channel;
}

void RefreshPseudo(HandlerContext& context) {
    context.band_statistics.Release();
    context.colour_control.DetachStatistics();
    context.statistics_level = ChooseStatisticsLevel(context, context.field);
    LoadBandStatistics(context, context.band_statistics, context.field, context.band,
                       context.statistics_level, kStatisticsModeBand);
    if (context.band_statistics) {
        context.value_minimum = static_cast<float>(context.band_statistics->minimum);
        context.value_maximum = static_cast<float>(context.band_statistics->maximum);
    }
    if (LoadPseudoColourInfo(context) != 0) ApplyDefaultColouring(context);
    const KvrBandInfo* band = nullptr;
    if (Kvr::BandInfo(context.info_handle, context.field, context.band, &band) == 0 && band)
        context.band_kind = band->band_kind;
}

// A grey-scale style carries no colour information of its own. Its band is drawn from black to
// white over the band's value range, unshaded; a fresh colour control has no table, and every cell
// would otherwise come out in the transparent colour.
void RefreshGreyScale(HandlerContext& context) {
    context.band_statistics.Release();
    context.colour_control.Reset();
    context.statistics_level = ChooseStatisticsLevel(context, context.field);
    LoadBandStatistics(context, context.band_statistics, context.field, context.band,
                       context.statistics_level, kStatisticsModeBand);
    if (context.band_statistics) {
        context.value_minimum = static_cast<float>(context.band_statistics->minimum);
        context.value_maximum = static_cast<float>(context.band_statistics->maximum);
        context.colour_control.AttachStatistics(ToBandStatistics(*context.band_statistics.get()));
    }
    Colour::CColourControl& control = context.colour_control;
    control.BuildRamp(Colour::PackedToWide(Colour::PackColour(0, 0, 0, 0)),
                      Colour::PackedToWide(Colour::PackColour(255, 255, 255, 0)), 256,
                      Colour::kRampRgb);
    control.SetLinearMapping(context.value_minimum, context.value_maximum, false,
                             Colour::kRangePercentage, 0.05, 0.95);
    FillColourFractions(context);
    context.shading_on = false;
    context.highlights_on = false;
}

// Three channels coloured through ramps from near black to pure red, green and blue.
bool BuildRgbChannels(HandlerContext& context, const RenderStyleSettings& style,
                      std::vector<ChannelRecord>& channels) {
    const StyleChannel* sources[3] = {&style.red, &style.green, &style.blue};
    const Colour::PackedColour tops[3] = {Colour::PackColour(255, 0, 0, 0),
                                          Colour::PackColour(0, 255, 0, 0),
                                          Colour::PackColour(0, 0, 255, 0)};
    const Colour::WideColour bottom = Colour::PackedToWide(Colour::PackColour(1, 1, 1, 0));
    channels.assign(3, ChannelRecord{});
    for (size_t i = 0; i < 3; ++i) {
        ChannelRecord& channel = channels[i];
        channel.field = static_cast<int32_t>(sources[i]->field);
        channel.band = static_cast<int32_t>(sources[i]->band);
        channel.value_low = sources[i]->start_event;
        channel.value_high = sources[i]->end_event;
        channel.name = sources[i]->name;
        channel.colour_control.BuildRamp(bottom, Colour::PackedToWide(tops[i]), 256,
                                         Colour::kRampRgb);
    }
    const int32_t level = ChooseStatisticsLevel(context, context.field);
    for (ChannelRecord& channel : channels) {
        const KvrBandInfo* band = nullptr;
        if (Kvr::BandInfo(context.info_handle, channel.field, channel.band, &band) != 0 ||
            band == nullptr)
            return false;
        channel.value_code = band->value_code;
        LoadBandStatistics(context, channel.statistics, channel.field, channel.band, level,
                           kStatisticsModeChannel);
        if (channel.statistics) {
            channel.minimum = channel.statistics->minimum;
            channel.maximum = channel.statistics->maximum;
        }
        if (LoadChannelColourInfo(context, channel) != 0)
            channel.colour_control.SetDirectMapping(Colour::kDirectColour);
    }
    context.background_colour = style.rgb_null_colour;
    return true;
}

// A palette style shows the field's colour band, or its red, green and blue bands together.
bool ScanPaletteBands(HandlerContext& context, int32_t& kind,
                      std::vector<ChannelRecord>& channels) {
    int32_t rgb[3] = {-1, -1, -1};
    for (int32_t b = 0; b < kMaxScannedBands; ++b) {
        const KvrBandInfo* band = nullptr;
        if (Kvr::BandInfo(context.info_handle, context.field, b, &band) != 0 || band == nullptr)
            return false;
        const int32_t band_kind = band->band_kind;
        if (band_kind >= KVR_BAND_COLOUR_FIRST && band_kind <= KVR_BAND_COLOUR_LAST) {
            context.band = b;
            return true;
        }
        if (band_kind >= KVR_BAND_RED && band_kind <= KVR_BAND_BLUE &&
            rgb[band_kind - KVR_BAND_RED] < 0)
            rgb[band_kind - KVR_BAND_RED] = b;
        if (rgb[0] >= 0 && rgb[1] >= 0 && rgb[2] >= 0) {
            kind = kStyleBandComposite;
            channels.assign(3, ChannelRecord{});
            for (size_t i = 0; i < 3; ++i) {
                channels[i].field = context.field;
                channels[i].band = rgb[i];
                channels[i].value_low = context.value_low;
                channels[i].value_high = context.value_high;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

bool PrepareRenderStyle(HandlerContext& context) {
    if (ColourSerializer::NeedsInitialisation(context.render_style_path)) {
        if (!StylePlaceWritable(context.render_style_path)) PlaceStyleInTemp(context);
        if (ColourSerializer::NeedsInitialisation(context.render_style_path))
            CreateDefaultStyle(context);
    }
    return context.style_loaded || RefreshRenderStyle(context, false);
}

bool RefreshRenderStyle(HandlerContext& context, bool forced) {
    if (!forced && !ChangedSinceLoad(context)) return true;

    const RenderStyleSettings style = ReadStyle(context);
    if (context.underview_preference) {
        context.underviews_on = style.underviews != 0;
        context.underview_mode = UnderviewModeOf(style.underviews);
    }
    const StyleChannel& main = MainChannel(style);
    context.field = static_cast<int32_t>(main.field);
    context.band = static_cast<int32_t>(main.band);
    context.value_low = main.start_event;
    context.value_high = main.end_event;
    context.style_name = main.name;

    context.background_colour = kTransparentWhite;
    context.transparent_colour = kTransparentWhite;
    context.transparent_colour_applies = 1;
    context.band_count = Kvr::InfoBandCount(context.info_handle, context.field);

    int32_t kind = style.kind;
    std::vector<ChannelRecord> channels;
    switch (kind) {
        case kStylePseudo:
            RefreshPseudo(context);
            break;
        case kStyleRgb:
            if (!BuildRgbChannels(context, style, channels)) return false;
            break;
        case kStylePalette:
            if (!ScanPaletteBands(context, kind, channels)) return false;
            break;
        case kStyleGreyScale:
            RefreshGreyScale(context);
            break;
        default:
            break;
    }
    // Kind and channels change together: drawing an RGB or composite style reads three channels.
    context.style_kind = kind;
    context.channels = std::move(channels);

    // The document's own time, not the clock's: file times are coarser than the clock, so an
    // edit just after this load could otherwise carry an earlier time than "now".
    const auto time = DocumentTime(context);
    context.style_load_time = time ? *time
                                   : std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::system_clock::now().time_since_epoch())
                                         .count();
    context.style_loaded = true;
    return true;
}

void RefreshTransparency(HandlerContext& context) {
    // A changed document is loaded whole: taking only its kind could leave an RGB kind without
    // the channels that drawing it reads.
    if (ChangedSinceLoad(context)) RefreshRenderStyle(context, false);

    const RenderStyleSettings style = ReadStyle(context);
    const KvrFieldInfo* field = nullptr;
    Kvr::FieldInfo(context.info_handle, static_cast<int32_t>(MainChannel(style).field), &field);
    if (field != nullptr && field->field_type == KVR_FIELD_PALETTE) {
        context.transparent_colour_applies = 0;
        return;
    }
    context.transparent_colour_applies = 1;
    switch (context.style_kind) {
        case kStylePseudo:
        case kStylePalette:
        case kStyleBandComposite:
            context.transparent_colour = kTransparentWhite;
            break;
        case kStyleRgb:
            context.transparent_colour = kTransparentBlack;
            break;
        default:
            break;  // GreyScale keeps its colour
    }
}

}  // namespace Tarn::Handler
