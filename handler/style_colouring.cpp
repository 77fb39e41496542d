// Applying a transform's colour information, its colour table file and a mapping from the band
// statistics to a colour control.
#include "handler/style_colouring.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "colour/colour_table_file.h"
#include "engine/settings.h"
#include "handler/engine_errors.h"
#include "handler/engine_statistics.h"
#include "style/colour_serializer.h"
#include "system/file_path.h"
#include "system/text_utils.h"
#include "system/utf.h"

namespace Tarn::Handler {

using Colour::CColourControl;
using Colour::ColourInfo;

namespace {

constexpr Colour::WideColour kRampBlue = Colour::PackWide(0, 0, 65535, 0);
constexpr Colour::WideColour kRampRed = Colour::PackWide(65535, 0, 0, 0);

int FailureCode(int code) {
    return code != 0 ? code : Colour::kErrorUnexpected;
}

// The mapping the transform's kind asks for, over the band statistics' data range.
void SetPseudoMapping(CColourControl& control, int transform_kind,
                      const KvrStatistics& statistics) {
    const double minimum = statistics.minimum;
    const double maximum = statistics.maximum;
    const bool on = control.RangeLimitsOn();
    const int kind = control.RangeKind();
    const double low = control.RangeLow();
    const double high = control.RangeHigh();
    switch (transform_kind) {
        case Colour::kTransformLinear:
            // Percentile limits snap to the cumulative table; the others need no histogram.
            control.SetLinearMappingFromHistogram(minimum, maximum, CumulativeTable(statistics), on,
                                                  kind, low, high);
            break;
        case Colour::kTransformLog: {
            const Colour::ValueTransform& transform = control.Transform();
            control.SetLogMappingFromHistogram(minimum, maximum, CumulativeTable(statistics),
                                               transform.LogBase(), transform.LogThreshold(), on,
                                               kind, low, high);
            break;
        }
        case Colour::kTransformEqualAreaTable:
            control.SetEqualAreaMappingFromHistogram(minimum, maximum, CumulativeTable(statistics),
                                                     on, kind, low, high);
            break;
        case Colour::kTransformInterpolatingTable: {
            const std::vector<Colour::MapPair> pairs = HistogramPairs(statistics);
            if (pairs.empty())
                control.SetLinearMapping(minimum, maximum, false, Colour::kRangePercentage, 0.05,
                                         0.95);
            else
                control.SetEqualAreaMapping(pairs, on, kind, low, high);
            break;
        }
        case Colour::kTransformDirectMarker:
            control.SetLinearMapping(0.0, 255.0, false, Colour::kRangePercentage, 0.05, 0.95);
            break;
        default:
            break;
    }
}

// A legend file, a table with data values and a control point file map values to their
// entries themselves; a mapping over the statistics would lose that.
bool TableFileSetMapping(const CColourControl& control) {
    const int kind = control.MappingKind();
    return control.MappingFromTableFile() || kind == Colour::kMappingExactIndex ||
           kind == Colour::kMappingCeilingPosition;
}

// The shading settings the transform carries become the context's.
void TakeShading(HandlerContext& context) {
    const Colour::ShadingSettings& shading = context.colour_control.Shading();
    context.shading_on = shading.hillshade_on;
    if (!context.shading_on) return;
    context.light_azimuth = shading.position;
    context.light_elevation = shading.inclination;
    context.lights = shading.lights;
    context.relief_contrast = shading.shadow;
    context.ambient_brightness = shading.saturation;
    context.light_intensity = shading.intensity;
    context.highlights_on = shading.highlights_on;
    if (!context.highlights_on) return;
    context.highlight_azimuth = shading.highlight_position;
    context.highlight_elevation = shading.highlight_inclination;
    context.highlight_size = shading.highlight_intensity;
}

// The colour table named by `palette_name` (any directory part is dropped) from the colour
// palette directory: code 0, or why it could not be loaded.
ColouringOutcome LoadPaletteFile(CColourControl& control, const std::u16string& palette_name) {
    std::u16string directory;
    if (!Engine::GetColourPaletteDirectory(directory))
        return {kColouringUnavailable, "no colour palette directory is set"};
    const std::u16string name = File::FilePath(palette_name).NameAndExtension();
    const Colour::ColourResult loaded =
        Colour::LoadColourTableFile(control, directory + u"/" + name);
    if (loaded.success) return {};
    const int code = FailureCode(loaded.error_code);
    return {code,
            "the colour table \"" + System::WideToUtf8(name) + "\" cannot be loaded from " +
                System::WideToUtf8(directory) +
                (code == Colour::kStyleFileMissing ? " (it is not there)"
                                                   : " (error " + std::to_string(code) + ")")};
}

ColouringOutcome NoStatistics(const HandlerContext& context) {
    const std::string engine = EngineErrorText(context.raster_handle);
    return {kColouringUnavailable,
            "band " + std::to_string(context.band) + " has no statistics (" +
                (engine.empty() ? "no valid cell, or its cells cannot be read" : engine) + ")"};
}

}  // namespace

void FillColourFractions(HandlerContext& context) {
    const std::vector<Colour::ColourTableEntry>& table = context.colour_control.Table();
    context.red_fractions.resize(table.size());
    context.green_fractions.resize(table.size());
    context.blue_fractions.resize(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        context.red_fractions[i] = Colour::PackedRed(table[i].colour) / 255.0;
        context.green_fractions[i] = Colour::PackedGreen(table[i].colour) / 255.0;
        context.blue_fractions[i] = Colour::PackedBlue(table[i].colour) / 255.0;
    }
}

void ApplyFallbackColouring(HandlerContext& context) {
    CColourControl& control = context.colour_control;
    // The ramp first: it resets a mapping that came from a table file.
    control.BuildRamp(kRampBlue, kRampRed, 256, Colour::kRampHsl);
    control.SetLinearMapping(context.value_minimum, context.value_maximum, false,
                             Colour::kRangePercentage, 0.05, 0.95);
    FillColourFractions(context);
}

Colour::SerializerResult ReadStyleTransform(const HandlerContext& context, std::string_view name,
                                            ColourInfo& info) {
    if (!context.memory_style)
        return Colour::ColourSerializer::DeserializeColourInfo(context.render_style_path, name,
                                                               info);
    const auto& transforms = context.memory_style->transforms;
    if (transforms.empty()) return Colour::SerializerResult::Failure(Colour::kStyleElementMissing);
    const auto named = std::find_if(transforms.begin(), transforms.end(), [&](const auto& t) {
        return System::EqualsNoCase(std::string_view(t.first), name);
    });
    info = (named != transforms.end() ? *named : transforms.front()).second;
    return {};
}

ColouringOutcome LoadPseudoColourInfo(HandlerContext& context) {
    if (!context.band_statistics) return NoStatistics(context);
    ColourInfo info;
    const auto read = ReadStyleTransform(context, context.style_name, info);
    if (!read.success) {
        const int code = FailureCode(read.error_code);
        return {code, "its transform \"" + context.style_name + "\" cannot be read (error " +
                          std::to_string(code) + ")"};
    }
    return ApplyPseudoColourInfo(context, info);
}

ColouringOutcome ApplyPseudoColourInfo(HandlerContext& context, const ColourInfo& info) {
    if (!context.band_statistics) return NoStatistics(context);
    const KvrStatistics& statistics = *context.band_statistics.get();
    CColourControl& control = context.colour_control;
    // The user colour mapping inside ApplyColourInfo works from them.
    control.AttachStatistics(ToBandStatistics(statistics));
    const Colour::ColourResult applied = control.ApplyColourInfo(info);
    if (!applied.success) {
        const int code = FailureCode(applied.error_code);
        return {code,
                "its colour information cannot be applied (error " + std::to_string(code) + ")"};
    }
    if (info.null_colour_on) context.background_colour = info.null_colour;

    ColouringOutcome result;
    if (!control.UserMappingOn()) {
        // Taken before the table file is read: a legend file resets the transform.
        const int transform_kind = control.Transform().Kind();
        control.SetMappingKind(Colour::kMappingNone);  // so a mapping the file sets shows
        result = LoadPaletteFile(control, info.palette_name);
        if (result.code != 0) {
            control.BuildRamp(kRampBlue, kRampRed, 256, Colour::kRampHsl);
            control.SetEqualAreaMappingFromHistogram(statistics.minimum, statistics.maximum,
                                                     CumulativeTable(statistics),
                                                     control.RangeLimitsOn(), control.RangeKind(),
                                                     control.RangeLow(), control.RangeHigh());
        } else if (!TableFileSetMapping(control)) {
            SetPseudoMapping(control, transform_kind, statistics);
        }
    }
    FillColourFractions(context);
    TakeShading(context);
    return result;
}

int LoadChannelColourInfo(HandlerContext& context, ChannelRecord& channel) {
    ColourInfo info;
    const auto read = ReadStyleTransform(context, channel.name, info);
    if (!read.success) return FailureCode(read.error_code);
    info.transparent_colour = 0xFF000000u;
    CColourControl& control = channel.colour_control;
    if (channel.statistics) control.AttachStatistics(ToBandStatistics(*channel.statistics.get()));
    const Colour::ColourResult applied = control.ApplyColourInfo(info);
    if (!applied.success) return FailureCode(applied.error_code);

    const bool on = control.RangeLimitsOn();
    const int kind = control.RangeKind();
    const double low = control.RangeLow();
    const double high = control.RangeHigh();
    // Linear over [minimum, maximum]: with the control's limits when they are Absolute or
    // Percentage, snapped to the histogram when Percentile, and without limits otherwise.
    const auto set_linear = [&](double minimum, double maximum, bool percentile_from_histogram) {
        if (kind == Colour::kRangeAbsolute || kind == Colour::kRangePercentage)
            control.SetLinearMapping(minimum, maximum, on, kind, low, high);
        else if (kind == Colour::kRangePercentile && percentile_from_histogram)
            control.SetLinearMappingFromHistogram(minimum, maximum,
                                                  channel.statistics
                                                      ? CumulativeTable(*channel.statistics.get())
                                                      : std::vector<double>{},
                                                  on, kind, low, high);
        else
            control.SetLinearMapping(minimum, maximum, false, Colour::kRangePercentage, 0.05, 0.95);
    };

    switch (control.Transform().Kind()) {
        case Colour::kTransformLinear:
            set_linear(channel.minimum, channel.maximum, true);
            break;
        case Colour::kTransformEqualAreaTable:
            control.SetEqualAreaMappingFromHistogram(
                channel.minimum, channel.maximum,
                channel.statistics ? CumulativeTable(*channel.statistics.get())
                                   : std::vector<double>{},
                on, kind, low, high);
            break;
        case Colour::kTransformInterpolatingTable: {
            const std::vector<Colour::MapPair> pairs =
                channel.statistics ? HistogramPairs(*channel.statistics.get())
                                   : std::vector<Colour::MapPair>{};
            if (pairs.empty())
                control.SetLinearMapping(channel.minimum, channel.maximum, false,
                                         Colour::kRangePercentage, 0.05, 0.95);
            else
                control.SetEqualAreaMapping(pairs, on, kind, low, high);
            break;
        }
        case Colour::kTransformDirectMarker: {
            const int depth = control.DirectMaximum();
            const int code = channel.value_code;
            const bool byte_values = code == KVR_VALUE_UINT8 || (code >= 100 && code <= 104);
            if (depth <= 8 && byte_values) break;  // drawn from the bytes themselves
            // 2^depth - 1 in double: a depth from the document may be far beyond 64 bits.
            const double top = std::ldexp(1.0, std::clamp(depth, 0, 64)) - 1.0;
            set_linear(0.0, top, false);
            break;
        }
        default:
            break;  // log and table kinds keep what ApplyColourInfo left
    }
    return 0;
}

}  // namespace Tarn::Handler
