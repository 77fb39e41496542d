// Reading the colour control's "ColourControl Begin" ... "ColourControl End" text block: the
// colour table, null colour, reverse switch, mapping and map table lines.
#include <string>
#include <vector>

#include "colour/colour_control.h"
#include "colour/colour_table_file.h"
#include "colour/colour_table_readers.h"
#include "colour/number_text.h"
#include "system/text_file.h"
#include "system/text_format.h"
#include "system/utf.h"

namespace Tarn::Colour {
namespace {

using File::CTextFile;

double NumberAt(const CTextFile& file, size_t index) {
    return LeadingNumber(file.FieldText(index));
}

int RangeKindAt(const CTextFile& file, size_t index) {
    if (file.WordFieldEquals(index, "Absolute")) return kRangeAbsolute;
    if (file.WordFieldEquals(index, "Percentage")) return kRangePercentage;
    if (file.WordFieldEquals(index, "Percentile")) return kRangePercentile;
    return file.ParseBoolField(index) == 1 ? kRangeAbsolute : kRangePercentile;
}

struct RangeTail {
    bool limits_on = false;
    int kind = kRangePercentile;
    double low = 0.05;
    double high = 0.95;
};

// Limits on, range kind, low and high from field `first` on; missing fields keep what stands.
RangeTail ReadRangeTail(const CColourControl& control, const CTextFile& file, size_t first) {
    RangeTail r{false, kRangePercentile, control.RangeLow(), control.RangeHigh()};
    const size_t count = DataFieldCount(file);
    if (first < count) r.limits_on = file.ParseBoolField(first) == 1;
    if (first + 1 < count) r.kind = RangeKindAt(file, first + 1);
    if (first + 2 < count) r.low = NumberAt(file, first + 2);
    if (first + 3 < count) r.high = NumberAt(file, first + 3);
    return r;
}

void ReadTableFileLine(CColourControl& control, const CTextFile& file, bool leg,
                       std::string& message) {
    // Only a quoted name is a file name.
    if (!file.QuotedFieldEquals(2, "")) return;
    const std::string name(file.FieldText(2));
    const std::u16string path = System::Utf8ToWide(name);
    control.SetTableFile(path);
    const ColourResult result = leg ? ReadLegFile(control, path) : ReadLutFile(control, path);
    if (!result.success) {
        message = System::FormatString(leg ? "Failed to initialise colour table from LEG file %s"
                                           : "Failed to initialise colour table from LUT file %s",
                                       name);
    }
}

void ReadRampLine(CColourControl& control, const CTextFile& file, int kind) {
    const size_t count = DataFieldCount(file);
    WideColour from = PackWide(0, 0, 65535, 0);
    WideColour to = PackWide(65535, 0, 0, 0);
    int64_t entries = 256;
    size_t i = 2;
    if (i < count) {
        if (!file.FieldText(i).empty()) from = file.ParseColourField(i);
        ++i;
    }
    if (i < count) {
        if (!file.FieldText(i).empty()) to = file.ParseColourField(i);
        ++i;
    }
    if (i < count && !file.FieldText(i).empty()) entries = LeadingInteger64(file.FieldText(i));
    control.BuildRamp(from, to, entries, kind);
}

void ReadColourTableLine(CColourControl& control, const CTextFile& file, std::string& message) {
    if (file.WordFieldEquals(1, "LUT")) {
        ReadTableFileLine(control, file, false, message);
    } else if (file.WordFieldEquals(1, "LEG")) {
        ReadTableFileLine(control, file, true, message);
    } else if (file.WordFieldEquals(1, "TAB")) {
        if (file.QuotedFieldEquals(2, "")) {
            control.SetTableFile(System::Utf8ToWide(file.FieldText(2)));
        }
    } else if (file.WordFieldEquals(1, "RGB")) {
        ReadRampLine(control, file, kRampRgb);
    } else if (file.WordFieldEquals(1, "HSL")) {
        ReadRampLine(control, file, kRampHsl);
    } else if (file.WordFieldEquals(1, "OKLAB")) {
        ReadRampLine(control, file, kRampOklab);
    }
}

int DirectDepthAt(const CTextFile& file, size_t index) {
    if (file.WordFieldEquals(index, "Colour16")) return kDirectColour16;
    if (file.WordFieldEquals(index, "Colour24")) return kDirectColour24;
    if (file.WordFieldEquals(index, "Colour32")) return kDirectColour32;
    if (file.WordFieldEquals(index, "Colour")) return kDirectColour;
    return kDirectColour8;
}

void ReadLinearLine(CColourControl& control, const CTextFile& file) {
    const size_t count = DataFieldCount(file);
    if (count <= 2 || file.ParseBoolField(2) >= 0) {
        const RangeTail r = ReadRangeTail(control, file, 2);
        control.SetLinearMappingFromStatistics(r.limits_on, r.kind, r.low, r.high);
    } else if (count >= 4) {
        const RangeTail r = ReadRangeTail(control, file, 4);
        control.SetLinearMapping(NumberAt(file, 2), NumberAt(file, 3), r.limits_on, r.kind, r.low,
                                 r.high);
    }
}

void ReadLogLine(CColourControl& control, const CTextFile& file) {
    const size_t count = DataFieldCount(file);
    if (count <= 2 || file.ParseBoolField(4) >= 0) {
        const double base = count > 2 ? NumberAt(file, 2) : 10.0;
        const double threshold = count > 3 ? NumberAt(file, 3) : 1.0;
        const RangeTail r = ReadRangeTail(control, file, 4);
        control.SetLogMappingFromStatistics(base, threshold, r.limits_on, r.kind, r.low, r.high);
    } else if (count >= 4) {
        const double base = count > 4 ? NumberAt(file, 4) : 10.0;
        const double threshold = count > 5 ? NumberAt(file, 5) : 1.0;
        const RangeTail r = ReadRangeTail(control, file, 6);
        control.SetLogMapping(NumberAt(file, 2), NumberAt(file, 3), base, threshold, r.limits_on,
                              r.kind, r.low, r.high);
    }
}

void ReadMappingLine(CColourControl& control, const CTextFile& file,
                     const std::vector<MapPair>& pairs) {
    control.SetRangeLimits(false, control.RangeKind(), control.RangeLow(), control.RangeHigh());
    if (file.WordFieldEquals(1, "Index")) {
        control.SetIndexMapping();
    } else if (file.WordFieldEquals(1, "Direct")) {
        control.SetDirectMapping(DirectDepthAt(file, 2));
    } else if (file.WordFieldEquals(1, "User")) {
        control.SetUserMapping(pairs, true);
    } else if (file.WordFieldEquals(1, "Linear") || file.WordFieldEquals(1, "Log") ||
               file.WordFieldEquals(1, "EqualArea")) {
        control.SetRangeLimits(false, kRangePercentile, control.RangeLow(), control.RangeHigh());
        if (file.WordFieldEquals(1, "Linear")) {
            ReadLinearLine(control, file);
        } else if (file.WordFieldEquals(1, "Log")) {
            ReadLogLine(control, file);
        } else {
            const RangeTail r = ReadRangeTail(control, file, 2);
            if (!pairs.empty()) {
                control.SetEqualAreaMapping(pairs, r.limits_on, r.kind, r.low, r.high);
            } else {
                control.SetEqualAreaMappingFromStatistics(r.limits_on, r.kind, r.low, r.high);
            }
        }
    }
}

// A map table row: pairs of numbers, any number of them on a line.
void ReadMapRow(const CTextFile& file, std::vector<MapPair>& pairs) {
    const size_t count = DataFieldCount(file);
    for (size_t i = 0; i + 1 < count; i += 2) {
        if (IsNumberField(file, i) && IsNumberField(file, i + 1)) {
            pairs.push_back({NumberAt(file, i), NumberAt(file, i + 1)});
        }
    }
}

void EndMapTable(CColourControl& control, const std::vector<MapPair>& pairs) {
    if (control.MappingKind() == kMappingEqualArea) {
        control.SetEqualAreaMapping(pairs, control.RangeLimitsOn(), control.RangeKind(),
                                    control.RangeLow(), control.RangeHigh());
    } else if (control.MappingKind() == kMappingUser) {
        control.SetUserMapping(pairs, true);
    }
}

}  // namespace

bool CColourControl::ReadBlock(File::CTextFile& file, std::string& message) {
    Reset();
    message.clear();
    try {
        enum class State { Outside, Block, MapTable };
        State state = State::Outside;
        std::vector<MapPair> pairs;
        while (file.ReadTokens()) {
            if (!file.WordFieldEquals(0, "")) continue;  // blank, comment, or no keyword
            if (state == State::Outside) {
                if (file.WordFieldEquals(0, "ColourControl") && file.WordFieldEquals(1, "Begin")) {
                    state = State::Block;
                }
                continue;
            }
            if (file.WordFieldEquals(0, "ColourControl")) return file.WordFieldEquals(1, "End");
            if (state == State::MapTable) {
                if (file.WordFieldEquals(0, "MapTable") && file.WordFieldEquals(1, "End")) {
                    state = State::Block;
                    EndMapTable(*this, pairs);
                } else {
                    ReadMapRow(file, pairs);
                }
            } else if (file.WordFieldEquals(0, "ColourTable")) {
                ReadColourTableLine(*this, file, message);
            } else if (file.WordFieldEquals(0, "NullColour")) {
                size_t i = 1;
                if (i < DataFieldCount(file)) {
                    SetNullColour(WideToPacked(file.ParseColourField(i)), true);
                }
            } else if (file.WordFieldEquals(0, "ReverseColour")) {
                const int reverse = file.ParseBoolField(1);
                if (reverse >= 0) SetReverse(reverse == 1);
            } else if (file.WordFieldEquals(0, "Mapping")) {
                ReadMappingLine(*this, file, pairs);
            } else if (file.WordFieldEquals(0, "MapTable") && file.WordFieldEquals(1, "Begin")) {
                pairs.clear();
                state = State::MapTable;
            }
        }
    } catch (...) {
        // Out of memory half-way: the block did not end properly.
    }
    return false;
}

}  // namespace Tarn::Colour
