// The styling options' table. Colouring changes apply in the table's order, whatever the order
// on the command line (a palette before the index mapping built from it); an option given twice
// counts with its last value.
#include "tools/style_options.h"

#include "tools/argument_parsing.h"

namespace Tarn::Tools {
namespace {

using Colour::ColourInfo;
using Colour::ShadingSettings;

constexpr int kRangeAbsolute = 0;
constexpr int kRangePercentile = 2;

double Percent(const std::string& value, const char* what) {
    const double percent = ParseNumbers<double, 1>(value, ',', what)[0];
    if (percent < 0 || percent > 100) throw UsageError(std::string(what) + " must lie in 0 to 100");
    return percent;
}

double Elevation(double degrees, const char* what) {
    if (degrees < 0 || degrees > 90)
        throw UsageError(std::string(what) + ": the elevation must lie in 0 to 90 degrees");
    return degrees;
}

// Shading switched on in a transform that never had it gets usable values: light from the
// north-west at 45 degrees, half intensity, half ambient, neutral contrast.
ShadingSettings& ShadingOn(ColourInfo& info) {
    ShadingSettings& s = info.shading;
    if (!s.hillshade_on && s.position == 0 && s.inclination == 0 && s.intensity == 0 &&
        s.saturation == 0 && s.shadow == 0) {
        s.position = 315, s.inclination = 45, s.intensity = 50, s.saturation = 50, s.shadow = 50;
    }
    s.hillshade_on = true;
    return s;
}

int DocumentBand(const RasterBandsView& bands, int band) {
    if (band < 1 || band > bands.count)
        throw UsageError("band " + std::to_string(band) + " is not among the raster's " +
                         std::to_string(bands.count) + " band" + (bands.count == 1 ? "" : "s"));
    const int document = bands.document_band ? bands.document_band(band) : band - 1;
    if (document < 0) throw UsageError("band " + std::to_string(band) + " cannot be drawn alone");
    return document;
}

StyleChange ParsePalette(const std::string& value) {
    if (value.empty()) throw UsageError("--palette needs a name or a file");
    return [value](StyleEdit& e) {
        e.info->palette_name = e.bands.palette_name(value);
        e.info->user_mapping_on = false;
    };
}

StyleChange ParseMapping(const std::string& value) {
    static const std::pair<const char*, int> kSelectors[] = {
        {"linear", Colour::kSelectLinear},        {"log", Colour::kSelectLog},
        {"equal-area", Colour::kSelectEqualArea}, {"histogram", Colour::kSelectInterpolatingTable},
        {"direct", Colour::kSelectDirect},
    };
    if (value == "index") {
        // The cell value is the entry's number: the style carries the table as its own colours,
        // entry j for values from j up to j + 1 (a step table's points are upper edges).
        return [](StyleEdit& e) {
            if (e.style.kind == Colour::kRenderStyleRgb)
                throw UsageError("--mapping index colours one band, not red, green and blue");
            const std::vector<Colour::PackedColour> colours =
                e.bands.palette_colours(e.info->palette_name);
            if (colours.empty())
                throw UsageError("--mapping index needs a colour table with entries");
            Colour::UserColourMapping mapping;
            mapping.interpolate = false;
            mapping.break_type = 0;
            for (size_t j = 0; j < colours.size(); ++j)
                mapping.entries.push_back({double(j + 1), colours[j]});
            e.info->user_mapping = std::move(mapping);
            e.info->user_mapping_on = true;
        };
    }
    for (const auto& [name, selector] : kSelectors) {
        if (value != name) continue;
        const int chosen = selector;
        return [chosen](StyleEdit& e) {
            if (e.style.kind == Colour::kRenderStyleRgb && chosen == Colour::kSelectLog)
                throw UsageError("--mapping log colours one band, not red, green and blue");
            e.info->transform_selector = chosen;
            e.info->user_mapping_on = false;
        };
    }
    throw UsageError("bad mapping " + value +
                     " (expected linear, log, equal-area, histogram, index or direct)");
}

// A ramp between two colours, blended in RGB, HSL or Oklab: the ends of the colour table that
// --palette names, or blue to red. It comes after the range options in the table, since its
// ends sit at the range's limits.
StyleChange ParseRamp(const std::string& value) {
    static const std::pair<const char*, int> kKinds[] = {
        {"rgb", Colour::kRampRgb}, {"hsl", Colour::kRampHsl}, {"oklab", Colour::kRampOklab}};
    for (const auto& [name, kind] : kKinds) {
        if (value != name) continue;
        const int chosen = kind;
        return [chosen](StyleEdit& e) {
            Colour::PackedColour from = Colour::PackColour(0, 0, 255, 0);
            Colour::PackedColour to = Colour::PackColour(255, 0, 0, 0);
            if (e.palette_given) {
                const std::vector<Colour::PackedColour> colours =
                    e.bands.palette_colours(e.info->palette_name);
                if (colours.size() < 2)
                    throw UsageError("--ramp needs a colour table of two colours or more");
                from = colours.front(), to = colours.back();
            }
            // The ends at the style's range limits (--range, --stretch or the document's), else
            // at the data's minimum and maximum.
            Colour::UserColourMapping mapping;
            mapping.interpolate = true;
            mapping.interpolation = chosen;
            const ColourInfo& info = *e.info;
            double low = 0.0, high = 100.0;
            mapping.break_type = 1;  // percentages of the data's range
            if (info.range_limits_on && info.range_kind == kRangeAbsolute) {
                mapping.break_type = 0;
                low = info.range_low, high = info.range_high;
            } else if (info.range_limits_on) {
                if (info.range_kind == kRangePercentile) mapping.break_type = 2;
                low = info.range_low * 100, high = info.range_high * 100;
            }
            mapping.entries = {{low, from}, {high, to}};
            e.info->user_mapping = std::move(mapping);
            e.info->user_mapping_on = true;
        };
    }
    throw UsageError("bad ramp " + value + " (expected rgb, hsl or oklab)");
}

StyleChange ParseRange(const std::string& value) {
    const auto [low, high] = ParseNumbers<double, 2>(value, ',', "range (expected MIN,MAX)");
    if (!(low < high)) throw UsageError("--range needs MIN below MAX");
    return [low, high](StyleEdit& e) {
        e.info->range_limits_on = true;
        e.info->range_kind = kRangeAbsolute;
        e.info->range_low = low, e.info->range_high = high;
    };
}

StyleChange ParseStretch(const std::string& value) {
    const auto [low, high] = ParseNumbers<double, 2>(value, ',', "stretch (expected P1,P2)");
    if (low < 0 || high > 100 || !(low < high))
        throw UsageError("--stretch needs percentages 0 <= P1 < P2 <= 100");
    return [low, high](StyleEdit& e) {
        e.info->range_limits_on = true;
        e.info->range_kind = kRangePercentile;
        e.info->range_low = low / 100, e.info->range_high = high / 100;
    };
}

StyleChange ParseLight(const std::string& value) {
    const auto [azimuth, elevation] = ParseNumbers<double, 2>(value, ',', "light (expected AZ,EL)");
    Elevation(elevation, "--light");
    return [azimuth, elevation](StyleEdit& e) {
        ShadingSettings& s = ShadingOn(*e.info);
        s.position = azimuth, s.inclination = elevation;
        s.lights.clear();
    };
}

// "multi": four lights around the north-west at the style's elevation, of equal weight; or up to
// eight AZ,EL,WEIGHT lights separated by ";".
StyleChange ParseLights(const std::string& value) {
    if (value == "multi") {
        return [](StyleEdit& e) {
            ShadingSettings& s = ShadingOn(*e.info);
            s.lights.clear();
            for (const double azimuth : {225.0, 270.0, 315.0, 360.0})
                s.lights.push_back({azimuth, s.inclination, 1.0});
        };
    }
    std::vector<Colour::ShadingLight> lights;
    size_t at = 0;
    while (at <= value.size()) {
        const size_t end = std::min(value.find(';', at), value.size());
        const auto [azimuth, elevation, weight] = ParseNumbers<double, 3>(
            value.substr(at, end - at), ',', "lights (expected AZ,EL,WEIGHT;... or multi)");
        Elevation(elevation, "--lights");
        if (!(weight > 0)) throw UsageError("--lights: each weight must be above 0");
        lights.push_back({azimuth, elevation, weight});
        at = end + 1;
    }
    if (lights.size() > Colour::kMaxShadingLights)
        throw UsageError("--lights takes at most " + std::to_string(Colour::kMaxShadingLights) +
                         " lights");
    return [lights](StyleEdit& e) { ShadingOn(*e.info).lights = lights; };
}

StyleChange ParseHighlight(const std::string& value) {
    const auto [azimuth, elevation, size] =
        ParseNumbers<double, 3>(value, ',', "highlight (expected AZ,EL,SIZE)");
    Elevation(elevation, "--highlight");
    if (size < 0 || size > 100) throw UsageError("--highlight: the size must lie in 0 to 100");
    return [azimuth, elevation, size](StyleEdit& e) {
        ShadingSettings& s = ShadingOn(*e.info);
        s.highlights_on = true;
        s.highlight_position = azimuth, s.highlight_inclination = elevation;
        s.highlight_intensity = size;
    };
}

// --contrast, --ambient and --intensity: a percentage into one shading field.
template <double ShadingSettings::*field>
StyleChange ParseShadingPercent(const std::string& value) {
    const double percent = Percent(value, "the shading value");
    return [percent](StyleEdit& e) { ShadingOn(*e.info).*field = percent; };
}

StyleChange ParseBands(const std::string& value) {
    const auto rgb = ParseNumbers<int, 3>(value, ',', "bands (expected R,G,B)");
    return [rgb](StyleEdit& e) {
        Colour::StyleChannel* channels[3] = {&e.style.red, &e.style.green, &e.style.blue};
        static const char* kNames[3] = {"RedTransform", "GreenTransform", "BlueTransform"};
        for (int i = 0; i < 3; ++i) {
            channels[i]->band = static_cast<uint32_t>(DocumentBand(e.bands, rgb[i]));
            channels[i]->field = e.style.channel.field;
            if (channels[i]->name.empty()) channels[i]->name = kNames[i];
        }
        e.style.kind = Colour::kRenderStyleRgb;
    };
}

StyleChange ParseBand(const std::string& value) {
    const int band = ParseNumbers<int, 1>(value, ',', "band")[0];
    return [band](StyleEdit& e) {
        e.style.channel.band = static_cast<uint32_t>(DocumentBand(e.bands, band));
        if (e.style.kind != Colour::kRenderStyleGreyScale)
            e.style.kind = Colour::kRenderStylePseudo;
        if (e.style.channel.name.empty()) e.style.channel.name = "Transform1";
    };
}

StyleChange ParseField(const std::string& value) {
    const int field = ParseNumbers<int, 1>(value, ',', "field")[0];
    if (field < 1) throw UsageError("fields count from 1");
    return [field](StyleEdit& e) {
        const auto f = static_cast<uint32_t>(field - 1);
        e.style.channel.field = e.style.red.field = e.style.green.field = e.style.blue.field = f;
    };
}

StyleChange Switch(const std::string&, void (*apply)(ColourInfo&)) {
    return [apply](StyleEdit& e) { apply(*e.info); };
}

constexpr unsigned kBoth = kScopeSingleBand | kScopeChannels;

}  // namespace

const std::vector<StyleOption>& StyleOptions() {
    static const std::vector<StyleOption> options = {
        {"--field", "N", "the raster's field (from 1) that the style draws", StyleTarget::kLayout,
         kBoth, ParseField},
        {"--band", "N", "colour band N (from 1) through a colour table", StyleTarget::kLayout,
         kBoth, ParseBand},
        {"--bands", "R,G,B", "show bands R, G and B (from 1) as red, green and blue",
         StyleTarget::kLayout, kBoth, ParseBands},
        {"--palette", "NAME|PATH",
         "colour table: a shipped one by name (Terrain, Elevation.clr, ...) or a LUT, TBL, CLR, "
         "LEG or VCP file",
         StyleTarget::kColouring, kScopeSingleBand, ParsePalette},
        {"--mapping", "KIND",
         "values onto colours: linear, log, equal-area, histogram, index (the value is the "
         "entry's number) or direct",
         StyleTarget::kColouring, kBoth, ParseMapping},
        {"--range", "MIN,MAX", "spread the colours over MIN to MAX (within the data's range)",
         StyleTarget::kColouring, kBoth, ParseRange},
        {"--stretch", "P1,P2", "spread the colours between the P1 and P2 percentiles, e.g. 2,98",
         StyleTarget::kColouring, kBoth, ParseStretch},
        {"--ramp", "KIND",
         "blend from the first to the last colour of --palette (or blue to red) in rgb, hsl or "
         "oklab (perceptually even)",
         StyleTarget::kColouring, kScopeSingleBand, ParseRamp},
        {"--reverse", nullptr, "run the colour table the other way round", StyleTarget::kColouring,
         kScopeSingleBand,
         [](const std::string& v) { return Switch(v, [](ColourInfo& i) { i.reverse = true; }); }},
        {"--shade", nullptr, "hill-shade the colours", StyleTarget::kColouring, kScopeSingleBand,
         [](const std::string& v) { return Switch(v, [](ColourInfo& i) { ShadingOn(i); }); }},
        {"--no-shade", nullptr, "flat colours, no hill-shading", StyleTarget::kColouring,
         kScopeSingleBand,
         [](const std::string& v) {
             return Switch(v, [](ColourInfo& i) { i.shading.hillshade_on = false; });
         }},
        {"--light", "AZ,EL",
         "light from compass bearing AZ (315: north-west) at EL degrees above the horizon",
         StyleTarget::kColouring, kScopeSingleBand, ParseLight},
        {"--lights", "AZ,EL,W;...|multi",
         "several lights (at most 8), each a bearing, an elevation and a weight; multi: 225, 270, "
         "315 and 360 at the light's elevation, weighted alike",
         StyleTarget::kColouring, kScopeSingleBand, ParseLights},
        {"--contrast", "N", "relief contrast, 0 to 100 (50 is neutral)", StyleTarget::kColouring,
         kScopeSingleBand, ParseShadingPercent<&ShadingSettings::shadow>},
        {"--ambient", "N", "ambient brightness, 0 to 100 per cent", StyleTarget::kColouring,
         kScopeSingleBand, ParseShadingPercent<&ShadingSettings::saturation>},
        {"--intensity", "N", "light intensity, 0 to 100 per cent", StyleTarget::kColouring,
         kScopeSingleBand, ParseShadingPercent<&ShadingSettings::intensity>},
        {"--highlight", "AZ,EL,SIZE", "a highlight from bearing AZ at EL degrees, SIZE 0 to 100",
         StyleTarget::kColouring, kScopeSingleBand, ParseHighlight},
    };
    return options;
}

const StyleOption* FindStyleOption(const std::string& name) {
    for (const StyleOption& option : StyleOptions())
        if (name == option.name) return &option;
    return nullptr;
}

std::string StyleOptionsHelp() {
    constexpr size_t kHelpColumn = 26;
    constexpr size_t kLineWidth = 96;
    std::string help;
    for (const StyleOption& option : StyleOptions()) {
        std::string line = std::string("  ") + option.name;
        if (option.argument != nullptr) line += std::string(" ") + option.argument;
        line.resize(std::max<size_t>(line.size() + 2, kHelpColumn), ' ');
        // The help's words, wrapped under the help column.
        const std::string text = option.help;
        size_t at = 0;
        bool first_word = true;
        while (at < text.size()) {
            size_t end = text.find(' ', at);
            if (end == std::string::npos) end = text.size();
            const std::string word = text.substr(at, end - at);
            if (!first_word && line.size() + 1 + word.size() > kLineWidth) {
                help += line + "\n";
                line = std::string(kHelpColumn, ' ') + word;
            } else {
                line += (first_word ? "" : " ") + word;
            }
            first_word = false;
            at = end + 1;
        }
        help += line + "\n";
    }
    return help;
}

}  // namespace Tarn::Tools
