// CLR files: lines of a number and red, green and blue. Under a first line "ColorMap" the
// numbers are percentages of a 256-entry table and the colours stops interpolated in HSL;
// otherwise each line is one entry.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "colour/colour_blend.h"
#include "colour/colour_table_file.h"
#include "colour/colour_table_readers.h"
#include "colour/number_text.h"
#include "system/text_file.h"

namespace Tarn::Colour {
namespace {

struct ClrStop {
    int64_t percent;
    PackedColour colour;
};

bool IsClrLine(const File::CTextFile& file) {
    if (DataFieldCount(file) < 4) return false;
    for (size_t i = 0; i < 4; ++i) {
        if (file.GetFieldKind(i) != 1 || !IsNumberField(file, i)) return false;
    }
    return true;
}

int Byte(std::string_view text) {
    return static_cast<int>(std::clamp<int64_t>(LeadingInteger64(text), 0, 255));
}

// The first table entry of a stop: its percentage of the entries 0-255, rounded down.
double StartEntry(int64_t percent) {
    return std::floor(static_cast<double>(percent) * 255.0 / 100.0);
}

void BuildColourMap(std::vector<ClrStop> stops, std::vector<ColourTableEntry>& table) {
    if (stops.empty()) return;
    if (stops.front().percent != 0) stops.insert(stops.begin(), {0, stops.front().colour});
    if (stops.back().percent != 100) stops.push_back({100, stops.back().colour});
    // One entry stays free for the last stop's colour.
    constexpr auto kRoom = static_cast<size_t>(kMaxColourTableEntries - 1);
    for (size_t s = 0; s + 1 < stops.size() && table.size() < kRoom; ++s) {
        const double start = StartEntry(stops[s].percent);
        const double end = StartEntry(stops[s + 1].percent);
        if (!(start < end)) continue;
        const ColourBlend blend(PackedToWide(stops[s].colour), PackedToWide(stops[s + 1].colour),
                                kRampHsl);
        const double count = end - start;
        for (double k = 0; k < count && table.size() < kRoom; ++k) {
            table.push_back(MakeColourTableEntry(blend.At(k / count)));
        }
    }
    table.push_back(MakeColourTableEntry(stops.back().colour));
}

}  // namespace

void ReadClrLines(CColourControl& control, File::CTextFile& file) {
    std::vector<ColourTableEntry>& table = control.Table();
    std::vector<ClrStop> stops;
    bool colour_map = false;
    bool first = true;
    while (file.ReadTokens()) {
        // Blank and comment lines before it do not keep "ColorMap" from being the first line.
        if (first && DataFieldCount(file) > 0) {
            first = false;
            if (file.WordFieldEquals(0, "ColorMap")) {
                colour_map = true;
                continue;
            }
        }
        if (!IsClrLine(file)) continue;
        const PackedColour colour = PackColour(Byte(file.FieldText(1)), Byte(file.FieldText(2)),
                                               Byte(file.FieldText(3)), 0);
        if (colour_map) {
            stops.push_back({LeadingInteger64(file.FieldText(0)), colour});
        } else if (table.size() < static_cast<size_t>(kMaxColourTableEntries)) {
            table.push_back(MakeColourTableEntry(colour));
        }
    }
    if (colour_map) BuildColourMap(std::move(stops), table);
}

}  // namespace Tarn::Colour
