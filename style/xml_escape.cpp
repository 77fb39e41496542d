// XmlEscape and XmlUnescape.
#include "style/xml_escape.h"

#include <cstdint>

namespace Tarn::Xml {
namespace {

// Numeric references read at most this many digits.
constexpr int kMaxReferenceDigits = 10;

int DigitValue(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One UTF-16 code unit in UTF-8. A lone surrogate has no UTF-8 form and becomes U+FFFD.
void AppendCodeUnit(std::string& out, uint16_t unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

// Reads a numeric reference whose digits start at text[at]; returns the index behind it.
size_t ReadNumericReference(std::string_view text, size_t at, int base, std::string& out) {
    uint64_t value = 0;
    int digits = 0;
    for (int d; at < text.size() && (d = DigitValue(text[at], base)) >= 0; ++at) {
        // Digits beyond the limit are consumed without effect, so they do not leak into the text.
        if (digits++ < kMaxReferenceDigits) value = value * static_cast<uint64_t>(base) + d;
    }
    const auto unit = static_cast<uint16_t>(value & 0xFFFF);
    if (unit != 0) AppendCodeUnit(out, unit);
    if (at < text.size() && text[at] == ';') ++at;
    return at;
}

struct NamedEntity {
    std::string_view reference;
    char character;
};
constexpr NamedEntity kNamedEntities[] = {
    {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}};

}  // namespace

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        switch (const char c = text[i]) {
            case '&':
                out += (i + 1 < text.size() && text[i + 1] == '#') ? "&" : "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string XmlUnescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, amp - i));
        const std::string_view rest = text.substr(amp);
        if (rest.size() >= 3 && rest[1] == '#' && (rest[2] == 'x' || rest[2] == 'X')) {
            i = ReadNumericReference(text, amp + 3, 16, out);
            continue;
        }
        if (rest.size() >= 2 && rest[1] == '#') {
            i = ReadNumericReference(text, amp + 2, 10, out);
            continue;
        }
        i = amp + 1;
        char replacement = '&';
        for (const NamedEntity& entity : kNamedEntities) {
            if (rest.starts_with(entity.reference)) {
                replacement = entity.character;
                i = amp + entity.reference.size();
                break;
            }
        }
        out += replacement;
    }
    return out;
}

}  // namespace Tarn::Xml
