// Preparing and refreshing the render style of an open raster.
#include "handler/render_style_upkeep.h"

#include <chrono>
#include <optional>
#include <string>

#include "engine/engine_calls.h"
#include "handler/band_statistics.h"
#include "handler/default_style.h"
#include "handler/engine_statistics.h"
#include "handler/plugin_log.h"
#include "handler/style_colouring.h"
#include "handler/style_path.h"
#include "platform/file_system.h"
#include "style/colour_serializer.h"
#include "style/render_style_settings.h"
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

std::string RasterName(const HandlerContext& context) {
    return System::WideToUtf8(context.raster_path);
}

std::string DocumentName(const HandlerContext& context) {
    return System::WideToUtf8(context.render_style_path);
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

// The document's render style; nothing when there is no document. A document that is partly
// unreadable gives the defaults for what could not be read.
std::optional<RenderStyleSettings> ReadDocumentStyle(const HandlerContext& context) {
    RenderStyleSettings style;
    const auto read = ColourSerializer::DeserializeRenderStyle(context.render_style_path, style);
    if (!read.success && read.error_code == Colour::kStyleFileMissing) return std::nullopt;
    return style;
}

// The style being drawn: the one in memory, else the document's.
RenderStyleSettings StyleInUse(const HandlerContext& context) {
    if (context.memory_style) return context.memory_style->style;
    return ReadDocumentStyle(context).value_or(RenderStyleSettings{});
}

// A document is made only where there is none the plug-in can read a render style from. One
// with a style but without transforms (a "Palette" style needs none) is the user's and is kept.
bool DocumentNeedsCreating(const std::u16string& path) {
    if (!ColourSerializer::NeedsInitialisation(path)) return false;
    RenderStyleSettings style;
    return !ColourSerializer::DeserializeRenderStyle(path, style).success;
}

const StyleChannel& MainChannel(const RenderStyleSettings& style) {
    return style.kind == Colour::kRenderStyleRgb ? style.red : style.channel;
}

// Whether the engine knows the band; without its records there is nothing to check against.
bool KnownBand(const HandlerContext& context, int32_t field, int32_t band, std::string& why) {
    if (context.info_handle == KVR_INVALID_HANDLE) return true;
    const KvrBandInfo* record = nullptr;
    if (Kvr::BandInfo(context.info_handle, field, band, &record) == 0 && record != nullptr)
        return true;
    const int32_t count = Kvr::InfoBandCount(context.info_handle, field);
    why = "it shows band " + std::to_string(band) + " of field " + std::to_string(field) +
          ", and the raster has " +
          (count > 0 ? std::to_string(count) + " bands there" : std::string("no such field"));
    return false;
}

void LoadMainStatistics(HandlerContext& context) {
    context.band_statistics.Release();
    context.statistics_level = ChooseStatisticsLevel(context, context.field);
    LoadBandStatistics(context, context.band_statistics, context.field, context.band,
                       context.statistics_level, kStatisticsModeBand);
    if (context.band_statistics) {
        context.value_minimum = static_cast<float>(context.band_statistics->minimum);
        context.value_maximum = static_cast<float>(context.band_statistics->maximum);
    }
}

void RefreshPseudo(HandlerContext& context) {
    context.colour_control.DetachStatistics();
    LoadMainStatistics(context);
    const ColouringOutcome outcome = LoadPseudoColourInfo(context);
    if (outcome.code != 0) {
        // The document stays as it is: on a machine with the colour table installed, or once
        // the band can be read, it colours as its author meant. (A style in memory was
        // reported when it was taken.)
        ApplyDefaultColouring(context);
        if (!context.memory_style)
            LogWarning(RasterName(context) +
                       " is coloured with the default colouring in memory: " + outcome.trouble +
                       "; the style document " + DocumentName(context) + " is left as it is");
    }
    const KvrBandInfo* band = nullptr;
    if (Kvr::BandInfo(context.info_handle, context.field, context.band, &band) == 0 && band)
        context.band_kind = band->band_kind;
}

// A grey-scale style carries no colour information of its own. Its band is drawn from black to
// white over the band's value range, unshaded; a fresh colour control has no table, and every cell
// would otherwise come out in the transparent colour.
void RefreshGreyScale(HandlerContext& context) {
    context.colour_control.Reset();
    LoadMainStatistics(context);
    if (context.band_statistics)
        context.colour_control.AttachStatistics(ToBandStatistics(*context.band_statistics.get()));
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
                      std::vector<ChannelRecord>& channels, std::string& why) {
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
            band == nullptr) {
            KnownBand(context, channel.field, channel.band, why);
            return false;
        }
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
bool ScanPaletteBands(HandlerContext& context, int32_t& kind, std::vector<ChannelRecord>& channels,
                      std::string& why) {
    int32_t rgb[3] = {-1, -1, -1};
    for (int32_t b = 0; b < kMaxScannedBands; ++b) {
        const KvrBandInfo* band = nullptr;
        if (Kvr::BandInfo(context.info_handle, context.field, b, &band) != 0 || band == nullptr)
            break;
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
    why = "it is a palette style, and field " + std::to_string(context.field) +
          " has neither a colour band nor red, green and blue bands";
    return false;
}

// Loads `style` into the context. False, with `why`, when it cannot be drawn on this raster;
// the context then keeps its previous style kind and channels.
bool ApplyStyle(HandlerContext& context, const RenderStyleSettings& style, std::string& why) {
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
            if (!KnownBand(context, context.field, context.band, why)) return false;
            RefreshPseudo(context);
            break;
        case kStyleRgb:
            if (!BuildRgbChannels(context, style, channels, why)) return false;
            break;
        case kStylePalette:
            if (!ScanPaletteBands(context, kind, channels, why)) return false;
            break;
        case kStyleGreyScale:
            if (!KnownBand(context, context.field, context.band, why)) return false;
            RefreshGreyScale(context);
            break;
        default:
            break;
    }
    // Kind and channels change together: drawing an RGB or composite style reads three channels.
    context.style_kind = kind;
    context.channels = std::move(channels);
    return true;
}

}  // namespace

bool PrepareRenderStyle(HandlerContext& context) {
    if (DocumentNeedsCreating(context.render_style_path)) {
        if (!StylePlaceWritable(context.render_style_path)) PlaceStyleInTemp(context);
        if (DocumentNeedsCreating(context.render_style_path) &&
            !WriteStyleDocument(context.render_style_path, DefaultStyleFor(context)))
            LogWarning("the style document " + DocumentName(context) + " cannot be written; " +
                       RasterName(context) + " is drawn with its default style from memory");
    }
    return context.style_loaded || RefreshRenderStyle(context, false);
}

bool RefreshRenderStyle(HandlerContext& context, bool forced) {
    if (!forced && !ChangedSinceLoad(context)) return true;

    const std::optional<RenderStyleSettings> stored = ReadDocumentStyle(context);
    bool drawn = false;
    std::string why;
    if (stored) {
        context.memory_style.reset();
        drawn = ApplyStyle(context, *stored, why);
        // A stale document (the raster replaced by one with other bands) must not lock the
        // host out of the raster, nor be overwritten: until it changes, a style that fits is
        // drawn from memory.
        if (!drawn)
            LogWarning("the style document " + DocumentName(context) + " does not fit " +
                       RasterName(context) + " (" + why +
                       "); it is drawn with the default style for its bands, from memory, and "
                       "the document is left as it is");
    }
    if (!drawn) {
        context.memory_style = DefaultStyleFor(context);
        if (!ApplyStyle(context, context.memory_style->style, why)) {
            context.memory_style.reset();
            LogError(RasterName(context) + " cannot be drawn: " + why);
            return false;
        }
    }

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

    const RenderStyleSettings style = StyleInUse(context);
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
