// Default render style documents for rasters that have none: colouring from the preferences,
// an "RGB" style for multi-band images, a "Palette" style, and the palette of a grid header.
#pragma once

#include "colour/colour_info.h"
#include "handler/handler_context.h"

namespace Tarn::Handler {

// The transform that a raster gets when its document has none usable.
inline constexpr char kDefaultTransformName[] = "Transform1";

// The transform the user's preferences describe: colour table file, mapping and shading. Without
// the utility library's preferences, an equal-area mapping through "pseudocolor.lut".
Colour::ColourInfo DefaultColourInfo();

// Writes a "Pseudo" style and the preferences' transform into the document and colours the band
// with it. When the document cannot be written, or nothing else gives a colour table, the band
// gets a linear blue-to-red ramp over its value range.
void ApplyDefaultColouring(HandlerContext& context);

// A "Pseudo" style whose transform carries a grid header's palette and shading.
void WriteGridHeaderStyle(HandlerContext& context, const Colour::ColourInfo& info);

// An "RGB" style on the field's colour or component bands, with a default transform per channel.
void WriteRgbDefaultStyle(HandlerContext& context);

// A "Palette" style without underviews.
void WritePaletteDefaultStyle(HandlerContext& context);

}  // namespace Tarn::Handler
