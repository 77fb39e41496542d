// XmlEscape and XmlUnescape: entity references, numeric references and what passes unchanged.
#include <gtest/gtest.h>

#include "style/xml_escape.h"

using Tarn::Xml::XmlEscape;
using Tarn::Xml::XmlUnescape;

TEST(XmlEscape, ReplacesTheFiveCharactersButKeepsNumericReferences) {
    EXPECT_EQ(XmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(XmlEscape("caf&#233;"), "caf&#233;");
    EXPECT_EQ(XmlEscape("&"), "&amp;");  // at the very end there is no "#" to look at
    EXPECT_EQ(XmlEscape(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(XmlUnescape, ReadsReferences) {
    const struct {
        const char* stored;
        std::string plain;
    } cases[] = {
        {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
        {"&#x41;&#X61;&#65;", "AaA"},
        {"caf&#233;", "caf\xC3\xA9"},
        {"&#x20AC;", "\xE2\x82\xAC"},
        {"&#;x", "x"},  // no digits: nothing
        {"&#x;x", "x"},
        {"a&#0;b", "ab"},              // a reference to 0 appends nothing
        {"&#x10041;", "A"},            // cut to its low 16 bits
        {"&#xD800;", "\xEF\xBF\xBD"},  // a lone surrogate has no UTF-8 form
        {"&#65 x", "A x"},             // without ";" the next character stays
        // Eleven digits: the first ten make the value (1234567890 & 0xFFFF = 0x2D2), the
        // eleventh is swallowed with the reference.
        {"&#12345678901;!", "\xCB\x92!"},
        {"&nbsp;&AMP;&amp", "&nbsp;&AMP;&amp"},
        {"a & b", "a & b"},
        {"&#", ""},
        {"&", "&"},
    };
    for (const auto& c : cases) EXPECT_EQ(XmlUnescape(c.stored), c.plain) << c.stored;
}

TEST(XmlUnescape, UndoesEscape) {
    const std::string text = "<a href=\"x?y=1&z='2'\">caf\xC3\xA9</a>";
    EXPECT_EQ(XmlUnescape(XmlEscape(text)), text);
}
