// Capabilities, coordinate system and transparent colour of an open raster.
#include "handler/raster_queries.h"

#include <cstring>

#include "colour/colour_values.h"
#include "handler/render_style_upkeep.h"
#include "handler/text_copy.h"

namespace Tarn::Handler {

bool QueryCapabilities(HandlerContext& context, int& flag) {
    flag = 0;
    if (!RefreshRenderStyle(context, false)) return false;
    const bool underview_style = context.underviews_on || context.style_kind == kStylePalette ||
                                 context.style_kind == kStyleBandComposite;
    flag = context.underview_preference && underview_style ? 1 : 0;
    return true;
}

bool CopyCoordinateSystem(const HandlerContext& context, char* buffer, int32_t size) {
    const std::string_view text(
        context.coordinate_system,
        strnlen(context.coordinate_system, sizeof context.coordinate_system));
    if (text.empty() || size < 1) return false;
    CopyUtf8Terminated(buffer, static_cast<size_t>(size), text);
    return true;
}

bool TransparentColourBytes(HandlerContext& context, uint8_t* blue_green_red) {
    RefreshTransparency(context);
    if (context.transparent_colour_applies == 0) return false;
    const Colour::PackedColour colour = context.transparent_colour;
    blue_green_red[0] = static_cast<uint8_t>(Colour::PackedBlue(colour));
    blue_green_red[1] = static_cast<uint8_t>(Colour::PackedGreen(colour));
    blue_green_red[2] = static_cast<uint8_t>(Colour::PackedRed(colour));
    return true;
}

}  // namespace Tarn::Handler
