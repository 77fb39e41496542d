// Writing and parsing colour texts.
#include "colour/colour_string.h"

#include <algorithm>

#include "colour/field_tokenizer.h"
#include "colour/number_text.h"
#include "system/text_format.h"
#include "system/text_utils.h"

namespace Tarn::Colour {
namespace {

struct NamedColour {
    std::string_view name;
    PackedColour colour;
};

constexpr NamedColour kNamedColours[] = {
    {"WHITE", PackColour(255, 255, 255, 0)},     {"SILVER", PackColour(192, 192, 192, 0)},
    {"LIGHTGRAY", PackColour(192, 192, 192, 0)}, {"LIGHTGREY", PackColour(192, 192, 192, 0)},
    {"GRAY", PackColour(128, 128, 128, 0)},      {"GREY", PackColour(128, 128, 128, 0)},
    {"DARKGRAY", PackColour(64, 64, 64, 0)},     {"DARKGREY", PackColour(64, 64, 64, 0)},
    {"BLACK", PackColour(0, 0, 0, 0)},           {"RED", PackColour(255, 0, 0, 0)},
    {"HIGHRED", PackColour(255, 0, 0, 0)},       {"MAROON", PackColour(128, 0, 0, 0)},
    {"LOWRED", PackColour(128, 0, 0, 0)},        {"YELLOW", PackColour(255, 255, 0, 0)},
    {"OLIVE", PackColour(128, 128, 0, 0)},       {"GREEN", PackColour(0, 255, 0, 0)},
    {"LIME", PackColour(0, 255, 0, 0)},          {"HIGHGREEN", PackColour(0, 255, 0, 0)},
    {"LOWGREEN", PackColour(0, 128, 0, 0)},      {"CYAN", PackColour(0, 255, 255, 0)},
    {"AQUA", PackColour(0, 255, 255, 0)},        {"TEAL", PackColour(0, 128, 128, 0)},
    {"BLUE", PackColour(0, 0, 255, 0)},          {"NAVY", PackColour(0, 0, 128, 0)},
    {"MAGENTA", PackColour(255, 0, 255, 0)},     {"FUCHSIA", PackColour(255, 0, 255, 0)},
    {"PURPLE", PackColour(128, 0, 128, 0)},      {"BROWN", PackColour(128, 64, 64, 0)},
};

enum class Depth { Bits8, Fraction, Bits16 };

struct Form {
    Depth depth;
    // The fourth value of the "T" forms is the transparency itself. In every other form it is
    // an opacity, in all three depths alike: RGBAF(1,0,0,1) and RGBA16(65535,0,0,65535) are
    // opaque red just as RGBA(255,0,0,255) is, whichever depth the values were read in.
    bool fourth_is_transparency;
};

Form FormOf(std::string_view keyword, bool& may_be_fractions) {
    using System::EqualsNoCase;
    may_be_fractions = false;
    if (EqualsNoCase(keyword, "RGBT")) return {Depth::Bits8, true};
    if (EqualsNoCase(keyword, "RGBF") || EqualsNoCase(keyword, "RGBAF")) {
        return {Depth::Fraction, false};
    }
    if (EqualsNoCase(keyword, "RGBTF")) return {Depth::Fraction, true};
    if (EqualsNoCase(keyword, "RGB16") || EqualsNoCase(keyword, "RGBA16")) {
        return {Depth::Bits16, false};
    }
    if (EqualsNoCase(keyword, "RGBT16")) return {Depth::Bits16, true};
    // "RGB", "RGBA" and any other keyword starting with "RGB".
    may_be_fractions = true;
    return {Depth::Bits8, false};
}

// The fourth value of "RGBA" alone: strictly inside (0, 1), or at most 1 written with a point.
bool LooksFractional(double value, std::string_view text) {
    return (value > 0.0 && value < 1.0) ||
           (value <= 1.0 && text.find('.') != std::string_view::npos);
}

uint32_t Clamp16(int64_t value) {
    return static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 65535));
}

WideColour ParseFunctional(std::string_view text) {
    const size_t open = text.find('(');
    const size_t close = text.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return 0;
    }
    std::string keyword(text.substr(0, open));
    System::TrimRight(keyword);

    FieldTokenizer fields;
    fields.Split(text.substr(open + 1, close - open - 1));
    if (fields.Count() < 3) return 0;
    const bool has_fourth = fields.Count() > 3;

    bool may_be_fractions = false;
    Form form = FormOf(keyword, may_be_fractions);
    if (may_be_fractions) {
        const double r = LeadingNumber(fields.Text(0));
        const double g = LeadingNumber(fields.Text(1));
        const double b = LeadingNumber(fields.Text(2));
        const auto inside = [](double v) { return v > 0.0 && v < 1.0; };
        if (inside(r) || inside(g) || inside(b) ||
            (r <= 1.0 && g <= 1.0 && b <= 1.0 && fields.Text(0).find('.') != std::string::npos)) {
            form.depth = Depth::Fraction;
        }
        if (has_fourth && System::EqualsNoCase(keyword, "RGBA") &&
            LooksFractional(LeadingNumber(fields.Text(3)), fields.Text(3))) {
            form.depth = Depth::Fraction;
        }
    }

    // A missing fourth value is opaque in every form.
    switch (form.depth) {
        case Depth::Bits8: {
            const auto byte = [&](size_t i) {
                return static_cast<uint32_t>(LeadingInteger(fields.Text(i))) & 0xFFu;
            };
            uint32_t t = has_fourth ? byte(3) : 0;
            if (has_fourth && !form.fourth_is_transparency) t = 255 - t;
            return PackedToWideWithTransparency(PackColour(byte(0), byte(1), byte(2), t));
        }
        case Depth::Fraction: {
            // Quantised to 8 bits first, as the colour tables hold them.
            double t = has_fourth ? LeadingNumber(fields.Text(3)) : 0.0;
            if (has_fourth && !form.fourth_is_transparency) t = 1.0 - t;
            return PackedToWideWithTransparency(
                FractionsToPacked(LeadingNumber(fields.Text(0)), LeadingNumber(fields.Text(1)),
                                  LeadingNumber(fields.Text(2)), t));
        }
        case Depth::Bits16: {
            // Out-of-range 16-bit values clamp: 70000 stays the brightest value rather than
            // wrapping to a dark one.
            const auto word = [&](size_t i) { return Clamp16(LeadingInteger64(fields.Text(i))); };
            uint32_t t = has_fourth ? word(3) : 0;
            if (has_fourth && !form.fourth_is_transparency) t = 65535 - t;
            return PackWide(word(0), word(1), word(2), t);
        }
    }
    return 0;
}

}  // namespace

std::string FormatColourString(PackedColour colour) {
    return System::FormatString("RGBT(%u,%u,%u,%u)", static_cast<unsigned>(PackedRed(colour)),
                                static_cast<unsigned>(PackedGreen(colour)),
                                static_cast<unsigned>(PackedBlue(colour)),
                                static_cast<unsigned>(PackedTransparency(colour)));
}

WideColour ParseColourString(std::string_view text) {
    // Only leading white space goes: "RED " is not a name (and reads as the number 0).
    const size_t start = text.find_first_not_of(" \t\n\v\f\r");
    text.remove_prefix(start == std::string_view::npos ? text.size() : start);

    if (text.size() < 3 || !System::EqualsNoCase(text.substr(0, 3), "RGB")) {
        for (const NamedColour& named : kNamedColours) {
            if (System::EqualsNoCase(text, named.name)) return PackedToWide(named.colour);
        }
        const auto packed = static_cast<PackedColour>(LeadingInteger(text));
        return PackedToWideWithTransparency(packed);
    }
    return ParseFunctional(text);
}

}  // namespace Tarn::Colour
