// Escaping between plain text and the stored form that names, attribute values and texts keep in
// an XML document: the five entity references and numeric character references.
#pragma once

#include <string>
#include <string_view>

namespace Tarn::Xml {

// "&" (unless a "#" follows, so a numeric reference passes), "<", ">", the double quote and "'"
// become entity references; every other byte is copied.
std::string XmlEscape(std::string_view text);

// The five entity references and numeric references ("&#233;", "&#xE9;") become their
// characters; a reference to 0 gives nothing; anything else after "&" is copied unchanged.
std::string XmlUnescape(std::string_view text);

}  // namespace Tarn::Xml
