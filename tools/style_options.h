// rhtool's styling options (--palette, --light, --bands, ...): one table entry each, naming the
// option, its argument, its help line, and how it changes the render style document. Adding a
// styling option is adding an entry to the table in style_options.cpp.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "colour/colour_info.h"
#include "style/render_style_settings.h"

namespace Tarn::Tools {

// What a change works on. Layout changes (which bands make the picture) run first, in the
// order given; colouring changes then run on each transform that colours the layout.
enum class StyleTarget { kLayout, kColouring };

// Which layouts a colouring option means something for.
enum StyleScope : unsigned {
    kScopeSingleBand = 1,  // one band through a colour table (Pseudo)
    kScopeChannels = 2,    // red, green and blue bands (RGB)
};

// What a change sees of the raster: its bands as GDAL numbers them (from 1) and how the
// plug-in's engine numbers them in a style document.
struct RasterBandsView {
    int count = 0;  // GDAL bands
    // The style document's band for GDAL band `band` (1-based); -1 when there is none.
    std::function<int(int band)> document_band;
    // The colour table file named by --palette: a shipped name or a path, already checked.
    std::function<std::u16string(const std::string& palette)> palette_name;
    // The colour table's entries, for the index mapping.
    std::function<std::vector<Colour::PackedColour>(const std::u16string& palette)> palette_colours;
};

struct StyleEdit {
    Colour::RenderStyleSettings& style;
    Colour::ColourInfo* info;  // the transform being changed (colouring changes only)
    const RasterBandsView& bands;
    bool palette_given = false;  // --palette is among the command's options
};

using StyleChange = std::function<void(StyleEdit&)>;

struct StyleOption {
    const char* name;      // "--light"
    const char* argument;  // "AZ,EL", or null for a switch
    const char* help;      // one line for "rhtool draw --help"
    StyleTarget target;
    unsigned scope;  // StyleScope bits, for colouring changes
    // Checks the value (throwing UsageError) and returns the change it asks for.
    StyleChange (*parse)(const std::string& value);
};

const std::vector<StyleOption>& StyleOptions();

// The option named `name`, or null.
const StyleOption* FindStyleOption(const std::string& name);

struct RequestedStyleChange {
    const StyleOption* option;
    StyleChange change;
};

// The "Styling options" part of a command's help, from the table.
std::string StyleOptionsHelp();

}  // namespace Tarn::Tools
