// The colouring of a single-band style as the plug-in sets it up when it opens a raster: the
// document's transform, its colour table file, and a mapping from the band statistics the
// plug-in would ask for. The legend and the style report read it; a test holds its colours to
// the plug-in's pictures.
#pragma once

#include <string>

#include "colour/colour_control.h"
#include "colour/colour_info.h"
#include "rasterapi/open_raster.h"
#include "style/render_style_settings.h"

namespace Tarn::Tools {

class PaletteFinder;

struct BandColouring {
    Colour::RenderStyleSettings style;
    Colour::ColourInfo info;  // the transform that colours the band (first channel for RGB)
    Colour::CColourControl control;
    bool has_statistics = false;
    RasterApi::ComputedStatistics statistics;
    int statistics_level = 0;
    bool table_loaded = false;  // the colour table file read; otherwise the fallback ramp
};

// False with `error` set when the document cannot be read. For RGB and Palette styles only the
// style and the first channel's transform are filled.
bool ColourBandAsPlugin(const std::string& document, RasterApi::OpenRaster* facts,
                        const PaletteFinder& palettes, BandColouring& colouring,
                        std::string& error);

}  // namespace Tarn::Tools
