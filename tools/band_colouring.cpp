// The plug-in's single-band colouring steps, in the same order and with the same colour
// library calls (handler/style_colouring.cpp does them on the open raster's context).
#include "tools/band_colouring.h"

#include "colour/colour_table_file.h"
#include "handler/engine_statistics.h"
#include "style/colour_serializer.h"
#include "system/utf.h"
#include "tools/raster_facts.h"
#include "tools/style_document.h"

namespace Tarn::Tools {
namespace {

using Colour::CColourControl;

constexpr Colour::WideColour kRampBlue = Colour::PackWide(0, 0, 65535, 0);
constexpr Colour::WideColour kRampRed = Colour::PackWide(65535, 0, 0, 0);

// The mapping the transform's kind asks for, over the statistics' data range.
void SetMappingFromStatistics(CColourControl& control, int transform_kind,
                              const KvrStatistics& statistics) {
    const double minimum = statistics.minimum, maximum = statistics.maximum;
    const bool on = control.RangeLimitsOn();
    const int kind = control.RangeKind();
    const double low = control.RangeLow(), high = control.RangeHigh();
    const std::vector<double> cumulative = Handler::CumulativeTable(statistics);
    switch (transform_kind) {
        case Colour::kTransformLinear:
            control.SetLinearMappingFromHistogram(minimum, maximum, cumulative, on, kind, low,
                                                  high);
            break;
        case Colour::kTransformLog:
            control.SetLogMappingFromHistogram(
                minimum, maximum, cumulative, control.Transform().LogBase(),
                control.Transform().LogThreshold(), on, kind, low, high);
            break;
        case Colour::kTransformEqualAreaTable:
            control.SetEqualAreaMappingFromHistogram(minimum, maximum, cumulative, on, kind, low,
                                                     high);
            break;
        case Colour::kTransformInterpolatingTable: {
            const std::vector<Colour::MapPair> pairs = Handler::HistogramPairs(statistics);
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

// Legend files, tables with data values and control point files map values themselves.
bool TableSetMapping(const CColourControl& control) {
    const int kind = control.MappingKind();
    return control.MappingFromTableFile() || kind == Colour::kMappingExactIndex ||
           kind == Colour::kMappingCeilingPosition;
}

}  // namespace

bool ColourBandAsPlugin(const std::string& document, RasterApi::OpenRaster* facts,
                        const PaletteFinder& palettes, BandColouring& colouring,
                        std::string& error) {
    const std::u16string path = System::Utf8ToWide(document);
    if (document.empty() ||
        !Colour::ColourSerializer::DeserializeRenderStyle(path, colouring.style).success) {
        error = "cannot read the style document " + document;
        return false;
    }
    const Colour::RenderStyleSettings& style = colouring.style;
    const bool rgb = style.kind == Colour::kRenderStyleRgb;
    const Colour::StyleChannel& channel = rgb ? style.red : style.channel;
    Colour::ColourSerializer::DeserializeColourInfo(path, channel.name, colouring.info);

    KvrStatistics record{};
    if (facts != nullptr && ColouringStatistics(*facts, static_cast<int>(channel.band),
                                                colouring.statistics, colouring.statistics_level)) {
        colouring.has_statistics = true;
        record = colouring.statistics.record;
        record.bins = colouring.statistics.bins.data();
        record.bin_count = static_cast<uint32_t>(colouring.statistics.bins.size());
    }
    CColourControl& control = colouring.control;
    if (style.kind == Colour::kRenderStyleGreyScale) {
        control.BuildRamp(Colour::PackedToWide(Colour::PackColour(0, 0, 0, 0)),
                          Colour::PackedToWide(Colour::PackColour(255, 255, 255, 0)), 256,
                          Colour::kRampRgb);
        control.SetLinearMapping(record.minimum, record.maximum, false, Colour::kRangePercentage,
                                 0.05, 0.95);
        return true;
    }
    if (style.kind != Colour::kRenderStylePseudo || !colouring.has_statistics) return true;

    control.AttachStatistics(Handler::ToBandStatistics(record));
    if (!control.ApplyColourInfo(colouring.info).success) return true;
    if (control.UserMappingOn()) {
        colouring.table_loaded = true;
        return true;
    }
    // Taken before the table file is read: a legend file resets the transform.
    const int transform_kind = control.Transform().Kind();
    control.SetMappingKind(Colour::kMappingNone);
    colouring.table_loaded =
        Colour::LoadColourTableFile(
            control, System::Utf8ToWide(palettes.PathOf(colouring.info.palette_name)))
            .success;
    if (!colouring.table_loaded) {
        control.BuildRamp(kRampBlue, kRampRed, 256, Colour::kRampHsl);
        control.SetEqualAreaMappingFromHistogram(
            record.minimum, record.maximum, Handler::CumulativeTable(record),
            control.RangeLimitsOn(), control.RangeKind(), control.RangeLow(), control.RangeHigh());
    } else if (!TableSetMapping(control)) {
        SetMappingFromStatistics(control, transform_kind, record);
    }
    return true;
}

}  // namespace Tarn::Tools
