// What the host asks of an open raster between opening and drawing: its capabilities, its
// coordinate system text and its transparent colour.
#pragma once

#include <cstdint>

#include "handler/handler_context.h"

namespace Tarn::Handler {

// Reloads a changed style document, then the capability flag: 1 when the underview preference
// is on and underviews are on or the style is a palette or band composite. False (flag 0) when
// the style cannot be loaded.
bool QueryCapabilities(HandlerContext& context, int& flag);

// Copies the coordinate system text into `buffer` (at most size - 1 bytes, never half a
// character) and terminates it; false when the text is empty or there is no room.
bool CopyCoordinateSystem(const HandlerContext& context, char* buffer, int32_t size);

// Refreshes the transparency state; when a transparent colour applies, writes its blue, green
// and red into the three bytes and returns true.
bool TransparentColourBytes(HandlerContext& context, uint8_t* blue_green_red);

}  // namespace Tarn::Handler
