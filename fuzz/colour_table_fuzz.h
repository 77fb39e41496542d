// The colour table harnesses: the input is a table file of one format, loaded through the
// reader the extension chooses, then looked up at a spread of values so that the mapping the
// file set is exercised as the draw would.
#pragma once

#include <cmath>
#include <limits>

#include "colour/colour_control.h"
#include "colour/colour_table_file.h"
#include "fuzz_support.h"

namespace Tarn::Fuzz {

inline int FuzzColourTable(std::string_view suffix, const uint8_t* data, size_t size) {
    const std::u16string path = InputFile(suffix, data, size);
    Colour::CColourControl control;
    Colour::LoadColourTableFile(control, path);
    constexpr double kProbes[] = {-1e300, -65536.5, -1.0, -0.5, 0.0, 0.25, 0.5, 1.0, 2.0,
                                  7.5,    100.0,    255.0, 256.0, 1000.0, 65535.0, 1e300,
                                  std::numeric_limits<double>::quiet_NaN(),
                                  std::numeric_limits<double>::infinity()};
    unsigned sink = 0;
    for (double x : kProbes) sink += control.ValueToColour(x) + control.ValueToIndex(x);
    return sink == 0xDEADBEEF ? 1 : 0;  // keeps the lookups from being optimised away
}

}  // namespace Tarn::Fuzz
