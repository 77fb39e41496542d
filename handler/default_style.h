// Default render styles for rasters that have no usable document: chosen from the raster's
// band layout (a grid coloured from the preferences, grey images in grey, colour images as red,
// green and blue, palette images through their palette, the palette of a grid header), written
// as the raster's new document or held in memory.
#pragma once

#include "colour/colour_info.h"
#include "handler/handler_context.h"

namespace Tarn::Handler {

// The transform that a raster gets when its document has none usable.
inline constexpr char kDefaultTransformName[] = "Transform1";

// The transform the user's preferences describe: colour table file, mapping and shading. Without
// the utility library's preferences, an equal-area mapping through "pseudocolor.lut".
Colour::ColourInfo DefaultColourInfo();

// The style that fits the raster's first field:
// - a ".grd" file of the grid header's format: a "Pseudo" style with the header's palette and
//   shading (with fewer than two palette entries, the preferences' colouring);
// - one 8-bit band with a grey colour interpretation (a scanned map, an aerial photograph), also
//   with an alpha band beside it: "GreyScale";
// - a colour band (3 or 4 byte bands read as red, green, blue), or byte bands the engine names
//   red, green and blue: "RGB" on those bands, each channel with a default transform;
// - any other grid or multi-band field (a time series of Float32 bands): "Pseudo" on its first
//   band, coloured from the preferences;
// - a palette field: "Palette", without underviews.
MemoryStyle DefaultStyleFor(const HandlerContext& context);

// Writes the style and its transforms into the document at `path`; false when it cannot.
bool WriteStyleDocument(const std::u16string& path, const MemoryStyle& style);

// Colours the context's band with the preferences' transform, in memory; when that gives no
// colour table (no statistics), with a linear blue-to-red ramp over the value range.
void ApplyDefaultColouring(HandlerContext& context);

}  // namespace Tarn::Handler
