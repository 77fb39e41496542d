// The pixel pass of "Pseudo" and "GreyScale" pictures: one block of float cells coloured through
// the band's colour control, optionally hill-shaded, written as red, green, blue bytes.
#pragma once

#include <cstdint>
#include <span>

#include "colour/colour_control.h"
#include "colour/colour_values.h"
#include "draw/float_block.h"
#include "draw/shading.h"
#include "draw/strips.h"

namespace Tarn::Draw {

// How the cells become colours.
struct PseudoColouring {
    const Colour::CColourControl* control = nullptr;  // required
    // The colour table's entries as fractions (component / 255), index by index; shading scales
    // these. An index beyond the shortest of the three is drawn unshaded.
    std::span<const double> red_fractions;
    std::span<const double> green_fractions;
    std::span<const double> blue_fractions;
    Colour::PackedColour background = 0xFFFFFFFFu;   // invalid cells
    Colour::PackedColour transparent = 0xFFFFFFFFu;  // cells whose colour is fully transparent
    bool shading_on = false;
    bool highlights_on = false;
    ShadingConstants shading;
};

// Writes width x height pixels of 3 bytes into `pixels`, rows without gaps. Per valid cell: its
// colour, or the transparent colour where that colour's transparency is 255; with shading on,
// the table entry's fractions scaled by the light, except for cells the control gives no table
// index, which keep their colour unshaded. The light of a cell on the picture's border takes
// its neighbour from the block's halo where the halo has that side, exactly as a cell inside
// the picture does; so the pixels of a block cut out of a larger one, with its halo, are those
// of the larger one, byte for byte (each cell's light is worked out from its neighbours alone,
// whatever its place in the picture).
//
// The fast pass plans the lookup once per picture: the Index and linear mappings from hoisted
// constants, other mappings through the control's index per cell (both of its lookups where the
// colour does not follow from the index). The light of interior cells comes from vector loops,
// and where the vector path is AVX2 (vector_path.h) the codes and colours too; the two paths
// differ by rounding in the last place of the light. Scratch rows are allocated once per
// picture; where that fails, the reference draws instead.
void DrawPseudo(const FloatBlock& block, const PseudoColouring& colouring, uint8_t* pixels);

// DrawPseudo in strips of rows on the threads `threading` allows: the same pixels, byte for
// byte, however many (each strip reads the rows next to it as its halo).
void DrawPseudoInStrips(const FloatBlock& block, const PseudoColouring& colouring, uint8_t* pixels,
                        const Threading& threading);

// The same picture cell by cell, with the control's lookups and ShadeCell: the arithmetic the
// fast pass is held to (within 1 per channel).
void DrawPseudoReference(const FloatBlock& block, const PseudoColouring& colouring,
                         uint8_t* pixels);

}  // namespace Tarn::Draw
