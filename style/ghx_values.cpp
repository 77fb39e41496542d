// Conversions of the render style document's attribute and text values.
#include "style/ghx_values.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "system/text_format.h"
#include "system/text_utils.h"

namespace Tarn::Colour::Ghx {
namespace {

// A component outside 0-255 is clamped rather than wrapped: "300" is nearer full than 44.
uint32_t ComponentByte(int value) {
    return static_cast<uint32_t>(std::clamp(value, 0, 255));
}

}  // namespace

bool ParseBool(std::string_view text) {
    return System::EqualsNoCase(text, "TRUE");
}

int ParseInt(std::string_view text) {
    // strtol saturates where atoi would overflow.
    const long value = std::strtol(std::string(text).c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

int64_t ParseInt64(std::string_view text) {
    return std::strtoll(std::string(text).c_str(), nullptr, 10);
}

double ParseDouble(std::string_view text) {
    return std::strtod(std::string(text).c_str(), nullptr);
}

std::optional<double> ParseStrictDouble(std::string_view text) {
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FormatInt(int value) {
    return System::FormatString("%d", value);
}

std::string FormatUnsigned(uint32_t value) {
    return System::FormatString("%u", value);
}

std::string FormatDouble(double value) {
    return System::FormatString("%.15g", value);
}

std::string AttributeText(Xml::XmlElement& element, std::string_view name) {
    const Xml::XmlAttribute* attribute = element.Attribute(name);
    return attribute != nullptr ? attribute->Value() : std::string();
}

bool AttributeBool(Xml::XmlElement& element, std::string_view name) {
    return ParseBool(AttributeText(element, name));
}

int AttributeInt(Xml::XmlElement& element, std::string_view name) {
    const Xml::XmlAttribute* attribute = element.Attribute(name);
    return attribute != nullptr ? attribute->IntValue() : 0;
}

std::string ChildText(Xml::XmlElement& parent, std::string_view name) {
    const Xml::XmlElement* child = parent.Child(name);
    return child != nullptr ? child->Text() : std::string();
}

bool ChildBool(Xml::XmlElement& parent, std::string_view name) {
    return ParseBool(ChildText(parent, name));
}

int ChildInt(Xml::XmlElement& parent, std::string_view name) {
    return ParseInt(ChildText(parent, name));
}

double ChildDouble(Xml::XmlElement& parent, std::string_view name) {
    return ParseDouble(ChildText(parent, name));
}

void SetAttribute(Xml::XmlElement& element, std::string_view name, std::string_view text) {
    element.Attribute(name, true)->SetValue(text, false);
}

void SetBoolAttribute(Xml::XmlElement& element, std::string_view name, bool value) {
    SetAttribute(element, name, value ? "true" : "false");
}

Xml::XmlElement& SetChildText(Xml::XmlElement& parent, std::string_view name,
                              std::string_view text) {
    Xml::XmlElement& child = *parent.Child(name, true);
    child.SetText(text);
    return child;
}

PackedColour ReadColourAttributes(Xml::XmlElement& element) {
    return PackColour(
        ComponentByte(AttributeInt(element, "r")), ComponentByte(AttributeInt(element, "g")),
        ComponentByte(AttributeInt(element, "b")), ComponentByte(AttributeInt(element, "a")));
}

void WriteColourAttributes(Xml::XmlElement& element, PackedColour colour) {
    Xml::SetIntAttribute(element, "r", PackedRed(colour));
    Xml::SetIntAttribute(element, "g", PackedGreen(colour));
    Xml::SetIntAttribute(element, "b", PackedBlue(colour));
    Xml::SetIntAttribute(element, "a", PackedTransparency(colour));
}

}  // namespace Tarn::Colour::Ghx
