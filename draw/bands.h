// The pixel assembly of "Palette", "RGB" and band-composite pictures from the engine's blocks,
// and the background fill of pictures whose request was refused.
#pragma once

#include <array>
#include <cstdint>

#include "colour/colour_control.h"
#include "colour/colour_values.h"

namespace Tarn::Draw {

// Every pixel of `count` (3 bytes each) in the background colour.
void FillBackground(uint8_t* pixels, int64_t count, Colour::PackedColour background);

// Three blocks of 4-byte elements with the 8-bit value in the low byte (band composite, "RGB"
// from three direct 8-bit channels): red, green and blue are the three low bytes where all three
// validity bytes are 1, else the background.
struct ByteBands {
    std::array<const uint32_t*, 3> elements{};
    std::array<const uint8_t*, 3> validity{};

    // The bands from element `first` on: a strip of the picture.
    ByteBands From(int64_t first) const {
        ByteBands rest = *this;
        for (size_t i = 0; i < 3; ++i) {
            rest.elements[i] += first;
            rest.validity[i] += first;
        }
        return rest;
    }
};
void DrawByteBands(const ByteBands& bands, int64_t count, Colour::PackedColour background,
                   uint8_t* pixels);

// One block of packed colours ("Palette"): the colour's red, green and blue where the validity
// byte is 1, else the background.
struct ColourBlock {
    const Colour::PackedColour* colours = nullptr;
    const uint8_t* validity = nullptr;

    ColourBlock From(int64_t first) const { return {colours + first, validity + first}; }
};
void DrawPalette(const ColourBlock& block, int64_t count, Colour::PackedColour background,
                 uint8_t* pixels);

// "RGB" from one block of packed colours, whose red, green and blue bytes q[0..2] are bands 1 to
// 3: the pixel is (q[band 0 - 1], q[band 1 - 1], q[band 2 - 1]) where valid. A band number
// outside 1 to 3 names no byte of the colour and reads as 0.
void DrawPackedBands(const ColourBlock& block, int64_t count, const std::array<int32_t, 3>& bands,
                     Colour::PackedColour background, uint8_t* pixels);

// The same with each byte taken through its channel's colour control: red from channel 0's
// colour of q[band 0 - 1], green from channel 1's, blue from channel 2's.
void DrawPackedBandsThroughControls(const ColourBlock& block, int64_t count,
                                    const std::array<int32_t, 3>& bands,
                                    const std::array<const Colour::CColourControl*, 3>& controls,
                                    Colour::PackedColour background, uint8_t* pixels);

// "RGB" from three blocks of float cells: where all three are valid (nonzero), the bitwise OR of
// the three channels' colours of their own cells (each channel's table is a ramp of its own
// primary), else the background.
struct FloatBands {
    std::array<const float*, 3> values{};
    std::array<const uint8_t*, 3> validity{};

    FloatBands From(int64_t first) const {
        FloatBands rest = *this;
        for (size_t i = 0; i < 3; ++i) {
            rest.values[i] += first;
            rest.validity[i] += first;
        }
        return rest;
    }
};
void DrawFloatBands(const FloatBands& bands, int64_t count,
                    const std::array<const Colour::CColourControl*, 3>& controls,
                    Colour::PackedColour background, uint8_t* pixels);

// Which assembly an "RGB" picture takes, from its three channels' controls and the band kind.
enum class RgbAssembly {
    kByteBands,                   // three direct 8-bit channels, band kind not 100 to 149
    kPackedBands,                 // three direct 8-bit channels, band kind 100 to 149
    kPackedBandsThroughControls,  // otherwise, band kind 109
    kFloatBands,                  // otherwise
};
// A channel is direct 8-bit when its transform carries the direct marker and its direct maximum
// is 8.
RgbAssembly ChooseRgbAssembly(const std::array<const Colour::CColourControl*, 3>& controls,
                              int32_t band_kind);

}  // namespace Tarn::Draw
