// Keeping the handler context in step with its render style document: creating a default
// document when there is none usable, loading it with the band statistics into the colour
// settings, and loading it again whenever the file on disk has changed since.
#pragma once

#include "handler/handler_context.h"

namespace Tarn::Handler {

// Creates a default document when the style path holds none usable (in the temporary directory
// when the raster's directory cannot take it), then loads it unless it was loaded before.
bool PrepareRenderStyle(HandlerContext& context);

// Loads the document unless `forced` is false and its modification time is not later than the
// last load's. False when the style cannot be drawn on this raster (a "Palette" style without
// colour or red, green and blue bands, an "RGB" style on a band the engine does not know); the
// context then keeps its previous style kind and channels.
bool RefreshRenderStyle(HandlerContext& context, bool forced);

// Brings the style up to date and sets whether a transparent colour applies, and which.
void RefreshTransparency(HandlerContext& context);

}  // namespace Tarn::Handler
