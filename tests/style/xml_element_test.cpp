// XmlElement and XmlAttribute: building from a start tag, lookups, stored form, format, checks.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "style/xml_element.h"

using Tarn::Xml::SetIntAttribute;
using Tarn::Xml::SetValueAttribute;
using Tarn::Xml::XmlAttribute;
using Tarn::Xml::XmlElement;
using Tarn::Xml::XmlFormat;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs StoredAttributes(const XmlElement& element) {
    Pairs out;
    for (const auto& a : element.Attributes()) out.emplace_back(a->Name(), a->StoredValue());
    return out;
}

}  // namespace

TEST(XmlTag, NameAndAttributes) {
    const struct {
        const char* tag;
        std::string name;
        Pairs attributes;
    } cases[] = {
        {"a", "a", {}},
        {"<a>", "a", {}},
        {"<a b=\"1\" c=\"x y\"/>", "a", {{"b", "1"}, {"c", "x y"}}},
        {"<a\tb=\"1\">", "a", {{"b", "1"}}},
        // A line break does not end a name.
        {"<Colour\r\n version=\"1\">", "Colour\r\n", {{"version", "1"}}},
        {"<a b  = \"1\">", "a", {{"b", "1"}}},                 // trailing spaces leave the name
        {"<a b=\"&lt;&#233;\">", "a", {{"b", "&lt;&#233;"}}},  // values stay in stored form
        // Only double quotes delimit values: the list ends at the first pair without them.
        {"<a b='1'/>", "a", {}},
        {"<a x=\"1\" b='2'/>", "a", {{"x", "1"}}},
        {"<a b=\"1>", "a", {}},
        {"<a b c=\"1\">", "a", {{"b c", "1"}}},
        {"<a/b=\"1\">", "a", {}},
        {"<a&b/>", "a&amp;b", {}},  // the name is escaped on the way in
    };
    for (const auto& c : cases) {
        const XmlElement element(nullptr, c.tag);
        EXPECT_EQ(element.Name(), c.name) << c.tag;
        EXPECT_EQ(StoredAttributes(element), c.attributes) << c.tag;
    }
}

TEST(XmlElement, ChildAndAttributeLookupCompareUnescapedNames) {
    XmlElement root(nullptr, "root");
    EXPECT_EQ(root.Child("a&b"), nullptr);
    XmlElement* child = root.Child("a&b", true);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Name(), "a&amp;b");
    EXPECT_EQ(child->Parent(), &root);
    EXPECT_EQ(root.Child("a&b", true), child);  // found, not created again
    EXPECT_EQ(root.Child("A&B"), nullptr);      // case-sensitive
    root.AppendChild("a&b");
    EXPECT_EQ(root.Children().size(), 2u);
    EXPECT_EQ(root.Child("a&b"), child);  // the first of equal names

    XmlAttribute* value = root.Attribute("q\"", true);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->Name(), "q&quot;");
    EXPECT_EQ(value->StoredValue(), "");
    EXPECT_EQ(root.Attribute("q\""), value);
    EXPECT_EQ(root.Attribute("x"), nullptr);
}

TEST(XmlElement, TextsGoInEscapedAndComeOutUnescaped) {
    XmlElement element(nullptr, "e");
    EXPECT_EQ(element.Text(), "");
    element.AppendChild("c");
    element.SetText("a < b");  // no text yet: added, before the first child
    ASSERT_EQ(element.Texts().size(), 1u);
    EXPECT_EQ(element.Texts()[0].text, "a &lt; b");
    EXPECT_EQ(element.Texts()[0].position, 0u);
    element.SetText("x & y");  // replaces the first text
    EXPECT_EQ(element.Texts().size(), 1u);
    EXPECT_EQ(element.Text(), "x & y");
    element.AppendStoredText("&amp;");  // stored form, behind the last child
    EXPECT_EQ(element.Texts()[1].position, 1u);
    EXPECT_EQ(element.Text(), "x & y");

    element.SetElementName("n>");
    EXPECT_EQ(element.Name(), "n&gt;");
}

TEST(XmlAttribute, NumbersAndSetters) {
    XmlElement element(nullptr, "e");
    SetIntAttribute(element, "n", -42);
    SetValueAttribute(element, 0.1);
    EXPECT_EQ(element.Attribute("n")->StoredValue(), "-42");
    EXPECT_EQ(element.Attribute("value")->StoredValue(), "0.1");
    SetValueAttribute(element, 1e20);
    EXPECT_EQ(element.Attribute("value")->StoredValue(), "1e+20");
    EXPECT_EQ(element.Attributes().size(), 2u);  // set in place, not added again

    XmlAttribute* a = element.Attribute("a", true);
    const struct {
        const char* value;
        int number;
    } numbers[] = {{"12abc", 12},
                   {"-7", -7},
                   {" +3", 3},
                   {"abc", 0},
                   {"", 0},
                   {"&#50;", 2},
                   {"99999999999", INT_MAX},
                   {"-99999999999", INT_MIN}};
    for (const auto& n : numbers) {
        a->SetValue(n.value, true);
        EXPECT_EQ(a->IntValue(), n.number) << n.value;
    }
    a->SetName("b  ", false);
    EXPECT_EQ(a->Name(), "b");
    a->SetValue("<", false);
    EXPECT_EQ(a->StoredValue(), "&lt;");
    EXPECT_EQ(a->Value(), "<");
}

TEST(XmlElement, FormatReachesTheWholeSubtreeAndWidthIsCapped) {
    XmlElement root(nullptr, "r");
    XmlElement* grandchild = root.AppendChild("c")->AppendChild("g");
    root.ApplyFormat({true, 80, true});
    const XmlFormat format = grandchild->Format();
    EXPECT_TRUE(format.indent_with_spaces);
    EXPECT_EQ(format.indent_width, 50);
    EXPECT_TRUE(format.inline_text);
    EXPECT_TRUE(root.Validate());
}

TEST(XmlElement, CompactLowersTheCountedCapacities) {
    XmlElement root(nullptr, "r");
    for (int i = 0; i < 21; ++i) root.AppendChild("c");
    EXPECT_EQ(root.Children().capacity(), 40u);  // grows by 20
    root.AppendComment("x");
    root.Compact();
    EXPECT_EQ(root.Children().capacity(), 21u);
    EXPECT_EQ(root.Attributes().capacity(), 1u);  // never below 1
    EXPECT_EQ(root.Comments().capacity(), 1u);
    EXPECT_EQ(root.Texts().capacity(), 4u);  // texts and CDATA keep theirs
    EXPECT_EQ(root.Children()[0]->Attributes().capacity(), 1u);
}

TEST(XmlElement, ClearsRemoveOneKindOfNode) {
    XmlElement root(nullptr, "<r a=\"1\">");
    root.AppendChild("c");
    root.AddText("t");
    root.AppendComment("c");
    root.AppendCData("d");
    root.ClearChildren();
    root.ClearAttributes();
    EXPECT_TRUE(root.Children().empty());
    EXPECT_TRUE(root.Attributes().empty());
    EXPECT_EQ(root.Texts().size(), 1u);
    root.ClearComments();
    root.ClearTexts();
    root.ClearCData();
    EXPECT_TRUE(root.Comments().empty() && root.Texts().empty() && root.CData().empty());
}
