// The text form of colours: "RGBT(r,g,b,t)" on output; functional forms, named colours and bare
// packed integers on input.
#pragma once

#include <string>
#include <string_view>

#include "colour/colour_values.h"

namespace Tarn::Colour {

// "RGBT(%u,%u,%u,%u)" with red, green, blue and transparency 0-255.
std::string FormatColourString(PackedColour colour);

// Never fails: malformed text yields a defined colour (opaque black for anything unreadable).
WideColour ParseColourString(std::string_view text);

}  // namespace Tarn::Colour
