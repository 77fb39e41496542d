// LUT files: a header of keyword and value fields ending with a "LUT" field, then one colour
// stop per line, filled out by interpolation into a table, optionally with a data value or a
// category per stop from which the mapping is built.
#include <string>
#include <vector>

#include "colour/colour_blend.h"
#include "colour/colour_table_file.h"
#include "colour/colour_table_readers.h"
#include "colour/number_text.h"
#include "system/text_file.h"

namespace Tarn::Colour {
namespace {

enum class DataRange { None, PostColour, PreColour };

struct LutHeader {
    int interpolation = kRampRgb;
    double scale = 65535.0;
    DataRange range = DataRange::None;
    bool text = false;  // category texts rather than numbers
};

void ApplyHeaderKeyword(const File::CTextFile& file, size_t keyword, size_t value, bool has_value,
                        LutHeader& header) {
    if (file.WordFieldEquals(keyword, "INTERPOLATION")) {
        if (has_value && file.FieldEquals(value, "RGB")) {
            header.interpolation = kRampRgb;
        } else if (has_value && file.FieldEquals(value, "OKLAB")) {
            header.interpolation = kRampOklab;
        } else {
            header.interpolation = kRampHsl;
        }
    } else if (file.WordFieldEquals(keyword, "SCALE")) {
        header.scale = has_value && file.FieldEquals(value, "WORD") ? 65535.0 : 255.0;
    } else if (file.WordFieldEquals(keyword, "DATARANGE") && has_value) {
        if (file.FieldEquals(value, "POSTCOLOUR") || file.FieldEquals(value, "POSTCOLOR")) {
            header.range = DataRange::PostColour;
        } else if (file.FieldEquals(value, "PRECOLOUR") || file.FieldEquals(value, "PRECOLOR")) {
            header.range = DataRange::PreColour;
        }
    } else if (file.WordFieldEquals(keyword, "DATATYPE") && has_value) {
        if (file.FieldEquals(value, "TEXT")) {
            header.text = true;
        } else if (file.FieldEquals(value, "NUMERICCONTINUOUS") ||
                   file.FieldEquals(value, "NUMERICDISCRETE")) {
            header.text = false;
        }
    }
}

bool IsHeaderKeyword(const File::CTextFile& file, size_t index) {
    for (const char* keyword :
         {"NAME", "DESCRIPTION", "INTERPOLATION", "SCALE", "DATARANGE", "DATATYPE"}) {
        if (file.WordFieldEquals(index, keyword)) return true;
    }
    return false;
}

// Reads header lines up to and including the one with the "LUT" field; false when the file
// ends first. A keyword's value is the field after it on its line.
bool ReadHeader(File::CTextFile& file, LutHeader& header) {
    while (file.ReadTokens()) {
        const size_t count = DataFieldCount(file);
        for (size_t i = 0; i < count; ++i) {
            if (file.WordFieldEquals(i, "LUT")) return true;
            if (IsHeaderKeyword(file, i)) {
                ApplyHeaderKeyword(file, i, i + 1, i + 1 < count, header);
                ++i;
            }
        }
    }
    return false;
}

struct Stop {
    int64_t index = 0;
    WideColour colour = 0;
    bool has_data = false;
    double value = 0.0;
    std::string category;
};

// The stop on the current line, or false for a line of another shape.
bool ParseStop(const File::CTextFile& file, const LutHeader& header, Stop& stop) {
    const size_t count = DataFieldCount(file);
    size_t first = 0;  // the index field
    std::optional<size_t> data;
    switch (header.range) {
        case DataRange::None:
            if (count != 4) return false;
            break;
        case DataRange::PostColour:
            if (count != 4 && count != 5) return false;
            if (count == 5) data = 4;
            break;
        case DataRange::PreColour:
            if (count != 5) return false;
            first = 1;
            data = 0;
            break;
    }
    for (size_t i = first; i < first + 4; ++i) {
        if (!IsNumberField(file, i)) return false;
    }
    if (data && !header.text && !IsNumberField(file, *data)) return false;

    stop.index = LeadingInteger64(file.FieldText(first));
    const auto component = [&](size_t i) {
        return static_cast<double>(LeadingInteger64(file.FieldText(first + i))) / header.scale;
    };
    stop.colour = FractionsToWide(component(1), component(2), component(3), 0.0);
    stop.has_data = data.has_value();
    if (data) {
        if (header.text) {
            stop.category = std::string(file.FieldText(*data));
        } else {
            stop.value = LeadingNumber(file.FieldText(*data));
        }
    }
    return true;
}

// Each stop's label is copied to every entry up to the next stop, so a long one costs its length
// up to the table's bound times over. A legend shows no more than this; the category itself,
// which cells are matched against, is kept whole.
constexpr size_t kMaxLabelBytes = 255;

std::string LegendLabel(std::string_view category) {
    if (category.size() <= kMaxLabelBytes) return std::string(category);
    size_t end = kMaxLabelBytes;
    // Never cut inside a UTF-8 sequence: back up to the start of the one the cut falls in.
    while (end > 0 && (static_cast<unsigned char>(category[end]) & 0xC0) == 0x80) --end;
    return std::string(category.substr(0, end));
}

// Adds the entries up to the stop's index; the index of the first one added, or -1.
int64_t AddStop(std::vector<ColourTableEntry>& table, const Stop& stop, int interpolation) {
    const auto n = static_cast<int64_t>(table.size());
    const PackedColour colour = WideToPacked(stop.colour);
    if (n == 0) {
        table.assign(static_cast<size_t>(stop.index + 1), MakeColourTableEntry(colour));
        return 0;
    }
    if (stop.index < n) return -1;
    if (stop.index == n) {
        table.push_back(MakeColourTableEntry(colour));
        return n;
    }
    // Entries n .. index run from the last entry's colour to the stop's, the stop's exactly.
    const ColourBlend blend(PackedToWideWithTransparency(table.back().colour), stop.colour,
                            interpolation);
    const int64_t steps = stop.index - n + 1;
    for (int64_t j = 1; j < steps; ++j) {
        table.push_back(MakeColourTableEntry(blend.At(static_cast<double>(j) / steps)));
    }
    table.push_back(MakeColourTableEntry(colour));
    return n;
}

}  // namespace

void ReadLutLines(CColourControl& control, File::CTextFile& file) {
    LutHeader header;
    if (!ReadHeader(file, header)) return;

    std::vector<ColourTableEntry>& table = control.Table();
    std::vector<double> positions, values;
    std::vector<std::string> categories;
    Stop stop;
    while (file.ReadTokens()) {
        if (!ParseStop(file, header, stop)) continue;
        // A stop past the bound (a damaged index, say) would have the table claim all memory.
        if (stop.index < 0 || stop.index >= kMaxColourTableEntries) continue;
        const int64_t first_added = AddStop(table, stop, header.interpolation);
        if (header.range == DataRange::None || !stop.has_data) continue;
        positions.push_back(static_cast<double>(stop.index));
        std::string label;
        if (header.text) {
            categories.push_back(stop.category);
            label = LegendLabel(stop.category);
        } else {
            values.push_back(stop.value);
            label = FormatNumber(stop.value, 10);
        }
        if (first_added >= 0) table[static_cast<size_t>(first_added)].label = std::move(label);
    }
    if (positions.empty()) return;

    const double last = positions.back() < 1.0 ? 1.0 : positions.back();
    for (double& position : positions) position /= last;
    if (header.text) {
        control.Transform().SetTextKeys(categories, positions);
        control.SetTableMapping(kMappingTextCategories, true);
    } else {
        control.Transform().CreateNonLinearTable(values, positions, true);
        control.SetTableMapping(kMappingUser, true);
    }
}

}  // namespace Tarn::Colour
