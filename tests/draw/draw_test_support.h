// Small builders shared by the drawing tests: blocks of cells, colour controls with their
// fraction vectors, and pixel access.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "colour/colour_control.h"
#include "draw/pseudo.h"
#include "draw/vector_path.h"

namespace DrawTest {

using namespace Tarn::Colour;
using namespace Tarn::Draw;

struct Cells {
    int64_t width = 0;
    int64_t height = 0;
    std::vector<float> values;
    std::vector<uint8_t> validity;

    Cells(int64_t w, int64_t h, float value)
        : width(w), height(h), values(w * h, value), validity(w * h, 1) {}
    float& Value(int64_t x, int64_t y) { return values[y * width + x]; }
    // An invalid cell carries junk, as the engine leaves it.
    void Invalidate(int64_t x, int64_t y) {
        validity[y * width + x] = 0;
        values[y * width + x] = -9.5e30f;
    }
    FloatBlock Block() const { return {values.data(), validity.data(), width, height}; }
};

// A colour control with its table's fractions, as the handler context keeps them.
struct Coloured {
    CColourControl control;
    std::vector<double> red, green, blue;

    void SetTable(const std::vector<PackedColour>& colours) {
        control.Table().clear();
        for (PackedColour c : colours) control.Table().push_back(MakeColourTableEntry(c));
        TakeFractions();
    }
    void TakeFractions() {
        red.clear();
        green.clear();
        blue.clear();
        for (const ColourTableEntry& e : control.Table()) {
            red.push_back(PackedRed(e.colour) / 255.0);
            green.push_back(PackedGreen(e.colour) / 255.0);
            blue.push_back(PackedBlue(e.colour) / 255.0);
        }
    }
    PseudoColouring Colouring(bool shading_on, bool highlights_on,
                              const ShadingConstants& shading) const {
        PseudoColouring how;
        how.control = &control;
        how.red_fractions = red;
        how.green_fractions = green;
        how.blue_fractions = blue;
        how.background = PackColour(0, 0, 255, 0);
        how.transparent = PackColour(200, 100, 50, 0);
        how.shading_on = shading_on;
        how.highlights_on = highlights_on;
        how.shading = shading;
        return how;
    }
};

using Rgb = std::array<int, 3>;

inline Rgb PixelAt(const std::vector<uint8_t>& pixels, int64_t width, int64_t x, int64_t y) {
    const size_t p = static_cast<size_t>(3 * (y * width + x));
    return {pixels[p], pixels[p + 1], pixels[p + 2]};
}

inline Rgb RgbOf(PackedColour c) {
    return {PackedRed(c), PackedGreen(c), PackedBlue(c)};
}

// The vector paths this processor can run: SSE2, and AVX2 where it has it.
inline std::vector<VectorPath> AvailablePaths() {
    std::vector<VectorPath> paths = {VectorPath::kSse2};
    if (Avx2FmaAvailable()) paths.push_back(VectorPath::kAvx2Fma);
    return paths;
}

inline const char* PathName(VectorPath path) {
    return path == VectorPath::kSse2 ? "SSE2" : "AVX2";
}

// The pass held to one path while it lives, the path before it put back after.
class HeldPath {
public:
    explicit HeldPath(VectorPath path) : previous_(SetVectorPath(path)) {}
    ~HeldPath() { SetVectorPath(previous_); }
    HeldPath(const HeldPath&) = delete;
    HeldPath& operator=(const HeldPath&) = delete;

private:
    VectorPath previous_;
};

}  // namespace DrawTest
