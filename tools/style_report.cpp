// Reading the document and the plug-in's view of its colouring into a report.
#include "tools/style_report.h"

#include "system/utf.h"
#include "tools/band_colouring.h"
#include "tools/raster_facts.h"
#include "tools/style_document.h"

namespace Tarn::Tools {
namespace {

const char* KindName(uint8_t kind) {
    switch (kind) {
        case Colour::kRenderStyleRgb:
            return "RGB";
        case Colour::kRenderStylePalette:
            return "Palette";
        case Colour::kRenderStyleGreyScale:
            return "GreyScale";
        default:
            return "Pseudo";
    }
}

const char* KindWords(uint8_t kind) {
    switch (kind) {
        case Colour::kRenderStyleRgb:
            return "three bands as red, green and blue";
        case Colour::kRenderStylePalette:
            return "the raster's own colour table";
        case Colour::kRenderStyleGreyScale:
            return "one band from black to white";
        default:
            return "one band through a colour table";
    }
}

int UserBand(RasterApi::OpenRaster* facts, uint32_t document_band) {
    return facts ? GdalBandOf(facts->field, static_cast<int>(document_band))
                 : static_cast<int>(document_band) + 1;
}

void DescribeRange(Report& report, const BandColouring& colouring) {
    const Colour::ColourInfo& info = colouring.info;
    Report& range = report.Group("Range");
    if (!info.range_limits_on) {
        range.Text("Limits", "the band's whole range");
    } else if (info.range_kind == 0) {
        range.Text("Limits", "values " + FormatNumber(info.range_low) + " to " +
                                 FormatNumber(info.range_high));
    } else {
        range.Text("Limits",
                   std::string(info.range_kind == 2 ? "percentiles " : "per cent of the range ") +
                       FormatNumber(info.range_low * 100) + " to " +
                       FormatNumber(info.range_high * 100));
    }
    const Colour::ValueTransform& transform = colouring.control.Transform();
    if (colouring.has_statistics && transform.Kind() >= Colour::kTransformLinear &&
        transform.Kind() <= Colour::kTransformInterpolatingTable) {
        range.Number("From", transform.LowerBound());
        range.Number("To", transform.UpperBound());
    }
    if (colouring.has_statistics) {
        range.Number("Data minimum", colouring.statistics.record.minimum);
        range.Number("Data maximum", colouring.statistics.record.maximum);
    }
}

void DescribeShading(Report& report, const Colour::ShadingSettings& s) {
    Report& shading = report.Group("Shading");
    shading.Flag("On", s.hillshade_on);
    if (!s.hillshade_on) return;
    if (s.lights.empty()) {
        shading.Number("Light azimuth", s.position);
        shading.Number("Light elevation", s.inclination);
    }
    for (size_t i = 0; i < s.lights.size(); ++i) {
        const Colour::ShadingLight& light = s.lights[i];
        shading.Numbers("Light " + std::to_string(i + 1) + " (azimuth, elevation, weight)",
                        {light.azimuth, light.elevation, light.weight});
    }
    shading.Number("Intensity", s.intensity);
    shading.Number("Ambient", s.saturation);
    shading.Number("Contrast", s.shadow);
    Report& highlight = shading.Group("Highlight");
    highlight.Flag("On", s.highlights_on);
    if (!s.highlights_on) return;
    highlight.Number("Azimuth", s.highlight_position);
    highlight.Number("Elevation", s.highlight_inclination);
    highlight.Number("Size", s.highlight_intensity);
}

}  // namespace

std::string MappingName(const BandColouring& colouring) {
    const Colour::ColourInfo& info = colouring.info;
    if (info.user_mapping_on) {
        const auto& entries = info.user_mapping.entries;
        bool index = !info.user_mapping.interpolate && info.user_mapping.break_type == 0;
        for (size_t j = 0; j < entries.size() && index; ++j)
            index = entries[j].value == double(j + 1);
        return index ? "index" : "own colours";
    }
    switch (info.transform_selector) {
        case Colour::kSelectLog:
            return "log";
        case Colour::kSelectEqualArea:
            return "equal-area";
        case Colour::kSelectDirect:
            return "direct";
        case Colour::kSelectInterpolatingTable:
            return "histogram";
        default:
            return "linear";
    }
}

void DescribeStyle(Report& report, const std::string& document, RasterApi::OpenRaster* facts,
                   const PaletteFinder& palettes) {
    BandColouring colouring;
    std::string error;
    if (!ColourBandAsPlugin(document, facts, palettes, colouring, error)) {
        report.Text("Style", error);
        return;
    }
    const Colour::RenderStyleSettings& style = colouring.style;
    report.Text("Kind", KindName(style.kind));
    report.Text("Drawn as", KindWords(style.kind));
    if (style.kind == Colour::kRenderStyleRgb) {
        Report& bands = report.Group("Bands");
        bands.Integer("Red", UserBand(facts, style.red.band));
        bands.Integer("Green", UserBand(facts, style.green.band));
        bands.Integer("Blue", UserBand(facts, style.blue.band));
        report.Text("Mapping", MappingName(colouring));
        DescribeRange(report, colouring);
        return;
    }
    report.Integer("Field", style.channel.field + 1);
    report.Integer("Band", UserBand(facts, style.channel.band));
    if (style.kind != Colour::kRenderStylePseudo) return;
    const std::string palette = System::WideToUtf8(colouring.info.palette_name);
    if (colouring.info.user_mapping_on && MappingName(colouring) == "own colours")
        report.Text("Palette", "the style's own " +
                                   std::to_string(colouring.info.user_mapping.entries.size()) +
                                   " colours");
    else
        report.Text("Palette", palette + (colouring.table_loaded || !colouring.has_statistics
                                              ? ""
                                              : " (not found: a blue-to-red ramp instead)"));
    report.Integer("Colours", static_cast<int64_t>(colouring.control.Table().size()));
    // Legend tables and files with their own values map cells themselves.
    report.Text("Mapping", colouring.control.MappingFromTableFile() ? "the colour table's own"
                                                                    : MappingName(colouring));
    DescribeRange(report, colouring);
    report.Flag("Reverse", colouring.info.reverse);
    DescribeShading(report, colouring.info.shading);
}

}  // namespace Tarn::Tools
