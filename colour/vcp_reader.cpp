// VCP files: a tag line, a count, and control points of value, red, green and blue separated by
// single spaces; they become a user colour mapping that interpolates in RGB.
#include <string>
#include <string_view>
#include <vector>

#include "colour/colour_table_file.h"
#include "colour/colour_table_readers.h"
#include "colour/number_text.h"
#include "colour/user_colour_mapping.h"
#include "system/text_file.h"

namespace Tarn::Colour {
namespace {

constexpr std::string_view kDataValueTag = "QTRF_SKCP_AA_BnArMy";
constexpr std::string_view kPercentileTag = "QTRF_SKCP_AB_BNARMY";

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Field `index` of a line split at every single space.
std::string_view SpaceField(std::string_view line, size_t index) {
    for (; index > 0; --index) {
        const size_t space = line.find(' ');
        if (space == std::string_view::npos) return {};
        line.remove_prefix(space + 1);
    }
    return line.substr(0, line.find(' '));
}

bool HasSpaceField(std::string_view line, size_t index) {
    size_t spaces = 0;
    for (const char c : line) spaces += c == ' ';
    return index <= spaces;
}

// The low 8 bits of a component read as a decimal number.
std::optional<uint32_t> Component(std::string_view text) {
    const auto value = ParseWholeNumber(text);
    if (!value) return std::nullopt;
    // Beyond 2^53 every double is even and all low bits are 0; clamp so the cast is defined.
    const double clamped = *value < -9.0e18 ? -9.0e18 : (*value > 9.0e18 ? 9.0e18 : *value);
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(clamped)) & 0xFFu);
}

bool ParsePoint(std::string_view line, UserColourPoint& point) {
    if (!HasSpaceField(line, 3)) return false;
    const auto value = ParseWholeNumber(SpaceField(line, 0));
    const auto red = Component(SpaceField(line, 1));
    const auto green = Component(SpaceField(line, 2));
    const auto blue = Component(SpaceField(line, 3));
    if (!value || !red || !green || !blue) return false;
    point.value = *value;
    point.colour = PackColour(*red, *green, *blue, 0);
    return true;
}

// Reads the whole file before anything is applied, so a malformed one changes nothing.
bool ParseVcp(File::CTextFile& file, UserColourMapping& mapping) {
    std::string line;
    if (!file.ReadLine(line)) return false;
    if (line == kDataValueTag) {
        mapping.break_type = 0;
    } else if (line == kPercentileTag) {
        mapping.break_type = 2;
    } else {
        return false;
    }
    if (!file.ReadLine(line)) return false;
    const size_t first = line.find_first_not_of(" \t");
    const size_t last = line.find_last_not_of(" \t");
    const auto count =
        first == std::string::npos
            ? std::nullopt
            : ParseWholeInteger(std::string_view(line).substr(first, last - first + 1));
    if (!count) return false;

    // The count only limits the points: a count far above the lines present reserves nothing.
    UserColourPoint point;
    while (static_cast<int64_t>(mapping.entries.size()) < *count && file.ReadLine(line)) {
        if (IsBlank(line)) continue;
        if (!ParsePoint(line, point)) return false;
        mapping.entries.push_back(point);
    }
    return true;
}

}  // namespace

ColourResult ReadVcpFile(CColourControl& control, std::u16string_view path) {
    try {
        const auto found = FindTableFile(path);
        if (!found) return ColourFailure(kErrorFileMissing);
        File::CTextFile file(*found);
        if (!file.IsOpen()) return ColourFailure(kErrorFileMissing);

        UserColourMapping mapping;
        mapping.interpolate = true;
        mapping.interpolation = kRampRgb;
        if (!ParseVcp(file, mapping)) return ColourFailure(kErrorBadVcpFile);
        return ApplyUserColourMapping(control, mapping);
    } catch (...) {
        return ColourFailure(kErrorUnexpected);
    }
}

}  // namespace Tarn::Colour
