// Writing the colour control as a "ColourControl Begin" ... "ColourControl End" text block.
#include <string>

#include "colour/colour_control.h"
#include "colour/colour_string.h"
#include "colour/number_text.h"
#include "system/text_file.h"
#include "system/utf.h"

namespace Tarn::Colour {
namespace {

std::string Number(double value) {
    return FormatNumber(value, 10);
}

const char* BoolText(bool value) {
    return value ? "TRUE" : "FALSE";
}

const char* RangeKindText(int kind) {
    switch (kind) {
        case kRangeAbsolute:
            return "Absolute";
        case kRangePercentage:
            return "Percentage";
        default:
            return "Percentile";
    }
}

// Limits on, range kind, low and high, as the Linear, Log and EqualArea lines end.
std::string RangeTail(const CColourControl& c) {
    return std::string(BoolText(c.RangeLimitsOn())) + "," + RangeKindText(c.RangeKind()) + "," +
           Number(c.RangeLow()) + "," + Number(c.RangeHigh());
}

const char* RampKeyword(int table_kind) {
    switch (table_kind) {
        case kTableHslRamp:
            return "HSL";
        case kTableOklabRamp:
            return "OKLAB";
        default:
            return "RGB";
    }
}

std::string TableLine(const CColourControl& c) {
    const auto& table = c.Table();
    const std::string file = System::WideToUtf8(c.TableFile());
    switch (c.TableKind()) {
        case kTableRgbRamp:
        case kTableHslRamp:
        case kTableOklabRamp:
            if (table.empty()) return {};
            return std::string("\t\tColourTable = ") + RampKeyword(c.TableKind()) + "," +
                   FormatColourString(table.front().colour) + "," +
                   FormatColourString(table.back().colour) + "," + std::to_string(table.size()) +
                   "\n";
        case kTableLut:
            return "\t\tColourTable = LUT,\"" + file + "\"\n";
        case kTableLeg:
            return "\t\tColourTable = LEG,\"" + file + "\"\n";
        case kTableTab:
            return "\t\tColourTable = TAB,\"" + file + "\"\n";
        default:
            return {};
    }
}

// Narrowing by fractions is not idempotent: a range already narrowed would shrink again when
// read back. Such mappings write the range they were given; the others the transform's own.
bool WritesGivenRange(const CColourControl& c) {
    return c.RangeLimitsOn() &&
           (c.RangeKind() == kRangePercentage || c.RangeKind() == kRangePercentile);
}

std::string MappingLine(const CColourControl& c) {
    const ValueTransform& t = c.Transform();
    switch (c.MappingKind()) {
        case kMappingIndex:
            return "\t\tMapping = Index\n";
        case kMappingDirect: {
            static constexpr const char* kDepths[] = {"Colour", "Colour8", "Colour16", "Colour24",
                                                      "Colour32"};
            const int depth = c.DirectDepth();
            return std::string("\t\tMapping = Direct,") +
                   kDepths[depth >= 0 && depth <= 4 ? depth : kDirectColour8] + "\n";
        }
        case kMappingLinear:
            if (c.RangeFromStatistics()) return "\t\tMapping = Linear," + RangeTail(c) + "\n";
            if (WritesGivenRange(c)) {
                return "\t\tMapping = Linear," + Number(c.GivenMinimum()) + "," +
                       Number(c.GivenMaximum()) + "," + RangeTail(c) + "\n";
            }
            return "\t\tMapping = Linear," + Number(t.Minimum()) + "," + Number(t.Maximum()) + "," +
                   RangeTail(c) + "\n";
        case kMappingLog: {
            const std::string scale = Number(t.LogBase()) + "," + Number(t.LogThreshold()) + ",";
            if (c.RangeFromStatistics()) return "\t\tMapping = Log," + scale + RangeTail(c) + "\n";
            // The transform holds its bounds on the log scale.
            const bool given = WritesGivenRange(c);
            const double minimum = given ? c.GivenMinimum() : t.SymLogInverse(t.Minimum());
            const double maximum = given ? c.GivenMaximum() : t.SymLogInverse(t.Maximum());
            return "\t\tMapping = Log," + Number(minimum) + "," + Number(maximum) + "," + scale +
                   RangeTail(c) + "\n";
        }
        case kMappingEqualArea:
            return "\t\tMapping = EqualArea," + RangeTail(c) + "\n";
        case kMappingUser:
            return "\t\tMapping = User\n";
        default:
            return {};
    }
}

std::string MapTable(const CColourControl& c) {
    const bool table_mapping =
        c.MappingKind() == kMappingEqualArea || c.MappingKind() == kMappingUser;
    if (!table_mapping || c.RangeFromStatistics()) return {};
    const ValueTransform& t = c.Transform();
    const auto& values = t.Breakpoints();
    const auto& positions = t.TableValues();
    // An equal-area mapping over a histogram keeps no pairs; an empty table would read back as
    // a mapping onto nothing instead of one that waits for the statistics again.
    if (c.MappingKind() == kMappingEqualArea && values.empty()) return {};
    std::string out = "\t\tMapTable Begin\n";
    for (size_t i = 0; i < values.size() && i < positions.size(); ++i) {
        out += "\t\t\t" + Number(values[i]) + "," + Number(positions[i]) + "\n";
    }
    return out + "\t\tMapTable End\n";
}

}  // namespace

void CColourControl::WriteBlock(File::CTextFile& file) const {
    std::string out = "\tColourControl Begin\n";
    out += TableLine(*this);
    if (null_colour_set_) out += "\t\tNullColour = " + FormatColourString(null_colour_) + "\n";
    out += std::string("\t\tReverseColour = ") + BoolText(reverse_) + "\n";
    if (!mapping_from_table_file_ && mapping_kind_ >= kMappingIndex &&
        mapping_kind_ <= kMappingUser) {
        out += MappingLine(*this);
        out += MapTable(*this);
    }
    out += "\tColourControl End\n";
    file.WriteString(out);
}

}  // namespace Tarn::Colour
