// One entry of a colour table: the colour that cells get, and what legend files carry with it.
#pragma once

#include <cstdint>
#include <string>

#include "colour/colour_values.h"

namespace Tarn::Colour {

struct ColourTableEntry {
    PackedColour colour = 0;
    // Legend files give these; every other source sets them equal to `colour`.
    PackedColour second_colour = 0;
    PackedColour third_colour = 0;
    std::string label;
    // Stored and copied for legend files; the colouring does not use them.
    int32_t first_legend_value = 0;
    int32_t second_legend_value = 0;
    float third_legend_value = 0.0f;
    int32_t fourth_legend_value = 0;
};

// An entry whose three colours are `colour`.
inline ColourTableEntry MakeColourTableEntry(PackedColour colour) {
    ColourTableEntry entry;
    entry.colour = entry.second_colour = entry.third_colour = colour;
    return entry;
}

}  // namespace Tarn::Colour
