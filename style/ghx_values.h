// The typed values of the render style document: booleans, numbers and colours read from and
// written to attributes and element texts. Reads follow the C conversions (a missing value or
// one without digits reads as 0 or false); writes use "%d", "%u" and "%.15g".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "colour/colour_values.h"
#include "style/xml_element.h"

namespace Tarn::Colour::Ghx {

// True exactly when the text is "TRUE" ignoring case.
bool ParseBool(std::string_view text);
int ParseInt(std::string_view text);
int64_t ParseInt64(std::string_view text);
double ParseDouble(std::string_view text);
// The whole leading number, or nothing when there is none or it is not finite.
std::optional<double> ParseStrictDouble(std::string_view text);

std::string FormatInt(int value);
std::string FormatUnsigned(uint32_t value);
std::string FormatDouble(double value);

// The unescaped attribute value; empty when the attribute is missing.
std::string AttributeText(Xml::XmlElement& element, std::string_view name);
bool AttributeBool(Xml::XmlElement& element, std::string_view name);
int AttributeInt(Xml::XmlElement& element, std::string_view name);

// The first text of the named child; empty when the child or its text is missing.
std::string ChildText(Xml::XmlElement& parent, std::string_view name);
bool ChildBool(Xml::XmlElement& parent, std::string_view name);
int ChildInt(Xml::XmlElement& parent, std::string_view name);
double ChildDouble(Xml::XmlElement& parent, std::string_view name);

// Sets the attribute, created when missing, to the text (escaped).
void SetAttribute(Xml::XmlElement& element, std::string_view name, std::string_view text);
void SetBoolAttribute(Xml::XmlElement& element, std::string_view name, bool value);
// Sets the text of the named child, created when missing.
Xml::XmlElement& SetChildText(Xml::XmlElement& parent, std::string_view name,
                              std::string_view text);

// r, g, b and a as the colour's four bytes, transparency in a (NullColour, TransparentColour).
PackedColour ReadColourAttributes(Xml::XmlElement& element);
void WriteColourAttributes(Xml::XmlElement& element, PackedColour colour);

}  // namespace Tarn::Colour::Ghx
