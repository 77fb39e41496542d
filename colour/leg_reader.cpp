// LEG files: a legend table whose body lines each give one colour table entry with its value
// range (or category), label, three colours and four legend values; the ranges become the
// mapping.
#include <string>
#include <vector>

#include "colour/colour_table_file.h"
#include "colour/colour_table_readers.h"
#include "colour/number_text.h"
#include "system/file_path.h"
#include "system/text_file.h"

namespace Tarn::Colour {
namespace {

enum class LegState { Outside, Header, Body };
enum class LegDataType { Continuous, Discrete, Text };

// Colours are stored as COLORREF integers: red in the low byte, no transparency.
PackedColour LegColour(std::string_view text) {
    return static_cast<PackedColour>(static_cast<uint64_t>(LeadingInteger64(text))) & 0xFFFFFFu;
}

struct LegRows {
    std::vector<double> lows, highs;
    std::vector<std::string> categories;
};

// The entry on a body line, or false for a malformed line. Fields after the first colour are
// at `colours` + 1 (second colour), + 2 (first legend value), + 3 (third colour), and so on.
bool ParseBodyLine(const File::CTextFile& file, LegDataType type, ColourTableEntry& entry,
                   LegRows& rows) {
    const bool text = type == LegDataType::Text;
    const size_t count = DataFieldCount(file);
    if (count < (text ? 5u : 6u)) return false;
    const size_t label = text ? 1 : 2;
    const size_t colour = label + 1;
    if (!text && !(IsNumberField(file, 0) && IsNumberField(file, 1))) return false;
    if (!IsNumberField(file, colour)) return false;

    entry = MakeColourTableEntry(LegColour(file.FieldText(colour)));
    entry.second_colour = LegColour(file.FieldText(colour + 1));
    entry.first_legend_value = LeadingInteger(file.FieldText(colour + 2));
    if (colour + 3 < count) entry.third_colour = LegColour(file.FieldText(colour + 3));
    entry.second_legend_value = LeadingInteger(file.FieldText(colour + 4));
    entry.third_legend_value = static_cast<float>(LeadingNumber(file.FieldText(colour + 5)));
    entry.fourth_legend_value = LeadingInteger(file.FieldText(colour + 6));
    entry.label = std::string(file.FieldText(label));

    if (text) {
        const std::string category(file.FieldText(0));
        if (entry.label.empty()) entry.label = category;
        rows.categories.push_back(category);
        rows.lows.push_back(0.0);
        rows.highs.push_back(0.0);
    } else {
        const double low = LeadingNumber(file.FieldText(0));
        const double high = LeadingNumber(file.FieldText(1));
        if (entry.label.empty()) {
            entry.label = FormatNumber(low, 10) + " to " + FormatNumber(high, 10);
        }
        rows.lows.push_back(low);
        rows.highs.push_back(high);
        rows.categories.emplace_back();
    }
    return true;
}

void SetLegMapping(CColourControl& control, LegDataType type, const LegRows& rows) {
    const size_t n = rows.lows.size();
    if (n == 0) return;
    const double last = n - 1 < 1 ? 1.0 : static_cast<double>(n - 1);
    std::vector<double> positions(n);
    for (size_t i = 0; i < n; ++i) positions[i] = static_cast<double>(i) / last;
    ValueTransform& transform = control.Transform();
    int kind = kMappingHalfOpenRanges;
    if (type == LegDataType::Discrete) {
        transform.SetClosedRanges(rows.lows, rows.highs, positions);
        kind = kMappingClosedRanges;
    } else if (type == LegDataType::Continuous) {
        transform.SetHalfOpenRanges(rows.lows, rows.highs, positions);
    } else {
        transform.SetTextKeys(rows.categories, positions);
        kind = kMappingTextCategories;
    }
    control.SetRangeLimits(false, control.RangeKind(), 0.05, 0.95);
    control.SetReverse(false);
    control.SetTableMapping(kind, true);
}

void ReadLegLines(CColourControl& control, File::CTextFile& file) {
    LegState state = LegState::Outside;
    LegDataType type = LegDataType::Continuous;
    LegRows rows;
    std::vector<ColourTableEntry>& table = control.Table();
    ColourTableEntry entry;
    while (file.ReadTokens()) {
        if (file.WordFieldEquals(0, "LegendTable")) {
            if (file.WordFieldEquals(1, "Begin")) state = LegState::Header;
            if (file.WordFieldEquals(1, "End")) state = LegState::Outside;
            continue;
        }
        if (state == LegState::Header) {
            if (file.WordFieldEquals(0, "DATATYPE")) {
                type = file.FieldEquals(1, "TEXT")              ? LegDataType::Text
                       : file.FieldEquals(1, "NUMERICDISCRETE") ? LegDataType::Discrete
                                                                : LegDataType::Continuous;
            } else if ((file.WordFieldEquals(0, "NULLColour") ||
                        file.WordFieldEquals(0, "NULLColor")) &&
                       IsNumberField(file, 1)) {
                control.SetNullColour(LegColour(file.FieldText(1)), true);
            } else if (file.WordFieldEquals(0, "LEG") && file.FieldEquals(1, "{")) {
                state = LegState::Body;
            }
        } else if (state == LegState::Body) {
            if (file.WordFieldEquals(0, "LEG") && file.FieldEquals(1, "}")) {
                state = LegState::Header;
            } else if (table.size() < static_cast<size_t>(kMaxColourTableEntries) &&
                       ParseBodyLine(file, type, entry, rows)) {
                table.push_back(std::move(entry));
            }
        }
    }
    SetLegMapping(control, type, rows);
}

}  // namespace

ColourResult ReadLegFile(CColourControl& control, std::u16string_view path) {
    try {
        const auto found = FindTableFile(path);
        if (!found) return ColourFailure(kErrorFileMissing);
        File::CTextFile file(*found);
        if (!file.IsOpen()) return ColourFailure(kErrorFileMissing);

        control.Reset();
        ReadLegLines(control, file);
        control.SetTableName(File::FilePath(path).Name());
        control.SetTableFile(std::u16string(path));
        control.SetTableKind(kTableLeg);
        control.SetLegendFlags({0, 1, 1, 1, 1});
        return {};
    } catch (...) {
        return ColourFailure(kErrorUnexpected);
    }
}

}  // namespace Tarn::Colour
