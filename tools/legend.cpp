// Legend pictures in plain SVG text: the bar's colours come from the colour control set up as
// the plug-in sets it up, so the legend shows the colours of the picture.
#include "tools/legend.h"

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>

#include <cmath>
#include <optional>
#include <sstream>

#include "colour/colour_control.h"
#include "style/xml_escape.h"
#include "system/utf.h"
#include "tools/band_colouring.h"
#include "tools/raster_facts.h"
#include "tools/report.h"
#include "tools/style_report.h"

namespace Tarn::Tools {
namespace {

constexpr int kMargin = 10;
constexpr int kBarWidth = 24;
constexpr int kBarHeight = 256;
constexpr int kSwatchHeight = 16;
constexpr int kClassStep = 20;
constexpr int kLabelGap = 8;
constexpr int kWidth = 220;
constexpr size_t kMostClasses = 256;

struct LegendClass {
    Colour::PackedColour colour;
    std::string label;
};

std::string Hex(Colour::PackedColour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", Colour::PackedRed(colour),
                  Colour::PackedGreen(colour), Colour::PackedBlue(colour));
    return text;
}

bool Transparent(Colour::PackedColour colour) {
    return Colour::PackedTransparency(colour) == 255;
}

std::string Escape(const std::string& text) {
    return Xml::XmlEscape(text);
}

std::string Header(int height, const std::string& title) {
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << height << "\" viewBox=\"0 0 " << kWidth << " " << height << "\">\n"
        << "<title>" << Escape(title) << "</title>\n"
        << "<g font-family=\"sans-serif\" font-size=\"12\" fill=\"#000000\">\n";
    return svg.str();
}

std::string ClassesSvg(const std::vector<LegendClass>& classes, const std::string& title) {
    const int height = 2 * kMargin + int(classes.size()) * kClassStep;
    std::ostringstream svg;
    svg << Header(height, title);
    for (size_t i = 0; i < classes.size(); ++i) {
        const int y = kMargin + int(i) * kClassStep;
        const LegendClass& c = classes[i];
        svg << "<rect class=\"swatch\" x=\"" << kMargin << "\" y=\"" << y << "\" width=\""
            << kBarWidth << "\" height=\"" << kSwatchHeight << "\" stroke=\"#808080\" fill=\""
            << (Transparent(c.colour) ? "none" : Hex(c.colour)) << "\"/>\n"
            << "<text class=\"label\" x=\"" << kMargin + kBarWidth + kLabelGap << "\" y=\""
            << y + kSwatchHeight - 3 << "\">" << Escape(c.label) << "</text>\n";
    }
    svg << "</g>\n</svg>\n";
    return svg.str();
}

// A vertical bar, the high value at the top, sampled at every pixel's middle.
std::string BarSvg(const Colour::CColourControl& control, double low, double high,
                   const std::string& title) {
    const int height = 2 * kMargin + kBarHeight;
    std::ostringstream svg;
    svg << Header(height, title);
    const double span = high - low;
    const auto colour_at = [&](int row) {
        return control.ValueToColour(high - (row + 0.5) * span / kBarHeight);
    };
    for (int row = 0; row < kBarHeight;) {
        const Colour::PackedColour colour = colour_at(row);
        int end = row + 1;
        while (end < kBarHeight && colour_at(end) == colour) ++end;
        if (!Transparent(colour))
            svg << "<rect class=\"bar\" x=\"" << kMargin << "\" y=\"" << kMargin + row
                << "\" width=\"" << kBarWidth << "\" height=\"" << end - row << "\" fill=\""
                << Hex(colour) << "\"/>\n";
        row = end;
    }
    svg << "<rect x=\"" << kMargin << "\" y=\"" << kMargin << "\" width=\"" << kBarWidth
        << "\" height=\"" << kBarHeight << "\" fill=\"none\" stroke=\"#808080\"/>\n";
    for (const double tick : RoundTicks(low, high, 6)) {
        const double y = kMargin + (high - tick) / span * kBarHeight;
        svg << "<line x1=\"" << kMargin + kBarWidth << "\" y1=\"" << y << "\" x2=\""
            << kMargin + kBarWidth + 4 << "\" y2=\"" << y << "\" stroke=\"#000000\"/>\n"
            << "<text class=\"label\" data-value=\"" << FormatNumber(tick) << "\" x=\""
            << kMargin + kBarWidth + kLabelGap << "\" y=\"" << y + 4 << "\">" << FormatNumber(tick)
            << "</text>\n";
    }
    svg << "</g>\n</svg>\n";
    return svg.str();
}

// Which of the values 0 to count - 1 the band holds (all, when that cannot be told).
std::vector<bool> ValuesPresent(RasterApi::OpenRaster* facts, int gdal_band, size_t count) {
    std::vector<bool> present(count, true);
    if (facts == nullptr || count == 0) return present;
    std::vector<GUIntBig> counts(count);
    CPLPushErrorHandler(CPLQuietErrorHandler);
    const CPLErr status = GDALGetRasterHistogramEx(
        GDALGetRasterBand(facts->dataset, gdal_band), -0.5, double(count) - 0.5, int(count),
        counts.data(), FALSE, FALSE, GDALDummyProgress, nullptr);
    CPLPopErrorHandler();
    if (status != CE_None) return present;
    for (size_t i = 0; i < count; ++i) present[i] = counts[i] > 0;
    return present;
}

std::vector<LegendClass> PaletteClasses(RasterApi::OpenRaster* facts) {
    std::vector<LegendClass> classes;
    if (facts == nullptr) return classes;
    const std::vector<uint32_t>& palette = facts->field.palette;
    const std::vector<bool> present = ValuesPresent(facts, 1, palette.size());
    char** names = GDALGetRasterCategoryNames(GDALGetRasterBand(facts->dataset, 1));
    for (size_t i = 0; i < palette.size() && classes.size() < kMostClasses; ++i) {
        if (!present[i] || (i < facts->field.palette_use.size() && !facts->field.palette_use[i]))
            continue;
        std::string label = std::to_string(i);
        if (names != nullptr && i < size_t(CSLCount(names)) && names[i][0] != '\0')
            label = names[i];
        classes.push_back({palette[i], label});
    }
    return classes;
}

// Classes of a legend table, of the index mapping, or none for a continuous mapping.
std::optional<std::vector<LegendClass>> TableClasses(const BandColouring& colouring,
                                                     RasterApi::OpenRaster* facts) {
    const Colour::CColourControl& control = colouring.control;
    const auto& table = control.Table();
    std::vector<LegendClass> classes;
    switch (control.MappingKind()) {
        case Colour::kMappingTextCategories:
        case Colour::kMappingClosedRanges:
        case Colour::kMappingHalfOpenRanges:
            for (size_t i = 0; i < table.size() && i < kMostClasses; ++i)
                classes.push_back({table[i].colour, table[i].label});
            return classes;
        default:
            break;
    }
    if (MappingName(colouring) != "index") return std::nullopt;
    const int band = facts ? GdalBandOf(facts->field, int(colouring.style.channel.band)) : 1;
    const std::vector<bool> present = ValuesPresent(facts, band, table.size());
    for (size_t i = 0; i < table.size() && classes.size() < kMostClasses; ++i)
        if (present[i]) classes.push_back({control.ValueToColour(double(i)), std::to_string(i)});
    return classes;
}

}  // namespace

std::vector<double> RoundTicks(double low, double high, int count) {
    std::vector<double> ticks;
    if (!(high > low) || count < 1) return ticks;
    // The step of 1, 2 or 5 times a power of ten nearest (by ratio) to an even split. Ticks are
    // whole multiples of the factor divided by the power when that is below one, so that 0.3
    // comes out as 0.3 and not as 3 x 0.1.
    const double rough = (high - low) / count;
    const int exponent = static_cast<int>(std::floor(std::log10(rough)));
    const double power = std::pow(10.0, std::abs(exponent));
    const auto scaled = [&](double units) { return exponent < 0 ? units / power : units * power; };
    double factor = 1.0;
    for (const double candidate : {2.0, 5.0, 10.0})
        if (std::fabs(std::log(scaled(candidate) / rough)) <
            std::fabs(std::log(scaled(factor) / rough)))
            factor = candidate;
    const double step = scaled(factor);
    for (double k = std::ceil(low / step - 1e-9); scaled(k * factor) <= high + step * 1e-9; ++k) {
        const double tick = scaled(k * factor);
        ticks.push_back(std::fabs(tick) < step * 1e-9 ? 0.0 : tick);
    }
    return ticks;
}

bool LegendSvg(const std::string& document, RasterApi::OpenRaster* facts,
               const PaletteFinder& palettes, std::string& svg, std::string& error) {
    BandColouring colouring;
    if (!ColourBandAsPlugin(document, facts, palettes, colouring, error)) return false;
    const Colour::RenderStyleSettings& style = colouring.style;
    if (style.kind == Colour::kRenderStyleRgb) {
        error = "a picture of red, green and blue bands has no colour bar";
        return false;
    }
    if (style.kind == Colour::kRenderStylePalette) {
        const std::vector<LegendClass> classes = PaletteClasses(facts);
        if (classes.empty()) {
            error = "the raster's colour table has no entries to show";
            return false;
        }
        svg = ClassesSvg(classes, "the raster's own colours");
        return true;
    }
    if (!colouring.has_statistics) {
        error = "the band has no valid cells to colour";
        return false;
    }
    const std::string title =
        style.kind == Colour::kRenderStyleGreyScale
            ? "grey scale"
            : System::WideToUtf8(colouring.info.palette_name) + ", " + MappingName(colouring);
    if (const auto classes = TableClasses(colouring, facts)) {
        svg = ClassesSvg(*classes, title);
        return true;
    }
    const Colour::ValueTransform& transform = colouring.control.Transform();
    double low = transform.LowerBound(), high = transform.UpperBound();
    if (transform.Kind() < Colour::kTransformLinear ||
        transform.Kind() > Colour::kTransformInterpolatingTable || !(high > low)) {
        low = colouring.statistics.record.minimum;
        high = colouring.statistics.record.maximum;
    }
    if (!(high > low)) high = low + 1;
    svg = BarSvg(colouring.control, low, high, title);
    return true;
}

}  // namespace Tarn::Tools
