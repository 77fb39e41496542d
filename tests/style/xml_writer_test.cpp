// The writer's layout: empty elements, inline text, the order of texts, comments and CDATA
// among children, indentation, byte-exact round trips, and the UTF-16, registry and encoder
// targets.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/registry_files.h"
#include "style/xml_document.h"
#include "style/xml_writer.h"
#include "system/utf.h"
#include "xml_test_support.h"

using Tarn::Platform::ReadRegistryString;
using Tarn::Platform::RegistryEditor;
using Tarn::Platform::RegistryHive;
using Tarn::Xml::EstimateSize;
using Tarn::Xml::kXmlSourceText;
using Tarn::Xml::WriteElement;
using Tarn::Xml::WritePrologPart;
using Tarn::Xml::XmlDocument;
using Tarn::Xml::XmlElement;
using Tarn::Xml::XmlFormat;
using Tarn::Xml::XmlTarget;

namespace {

std::string Write(const XmlElement& element, unsigned depth = 0) {
    std::string out;
    WriteElement(XmlTarget::Memory(out), element, depth);
    return out;
}

std::string WriteDocument(const XmlDocument& doc) {
    std::string out;
    const XmlTarget target = XmlTarget::Memory(out);
    WritePrologPart(target, doc.Prolog(), 0);
    WriteElement(target, *doc.Root(), 0);
    WritePrologPart(target, doc.Prolog(), 1);
    return out;
}

std::unique_ptr<XmlDocument> Parsed(const std::string& body) {
    auto doc = std::make_unique<XmlDocument>();
    EXPECT_TRUE(doc->Load("<?xml?>" + body, kXmlSourceText));
    return doc;
}

constexpr XmlFormat kStyleFormat{false, 1, true};  // what the render style document uses

}  // namespace

TEST(XmlWriter, StyleDocumentLayout) {
    XmlElement ghx(nullptr, "ghx");
    XmlElement* colour = ghx.AppendChild("Colour");
    colour->Attribute("version", true)->SetValue("1", false);
    colour->AppendChild("Position")->SetText("45");
    colour->AppendChild("NullColour")->Attribute("visible", true)->SetValue("false", false);
    ghx.ApplyFormat(kStyleFormat);
    EXPECT_EQ(Write(ghx),
              "<ghx>\r\n"
              "\t<Colour version=\"1\">\r\n"
              "\t\t<Position>45</Position>\r\n"
              "\t\t<NullColour visible=\"false\"/>\r\n"
              "\t</Colour>\r\n"
              "</ghx>\r\n");
}

TEST(XmlWriter, TextsCommentsAndCDataKeepTheirPlaceAmongChildren) {
    // Nodes before the first child, between children, at one position in all three kinds, and
    // behind the last child, where comments come before CDATA before texts.
    auto doc = Parsed("<r>t0<a/><![CDATA[d1]]>t1<!--c1--><b/><!--c2--><![CDATA[d2]]>t2</r>");
    EXPECT_EQ(Write(*doc->Root()),
              "<r>\r\n"
              "\tt0\r\n"
              "\t<a/>\r\n"
              "\t<!--c1-->\r\n"
              "\tt1\r\n"
              "\t<![CDATA[d1]]>\r\n"
              "\t<b/>\r\n"
              "\t<!--c2-->\r\n"
              "\t<![CDATA[d2]]>\r\n"
              "\tt2\r\n"
              "</r>\r\n");
}

TEST(XmlWriter, InlineTextAndIndentation) {
    auto doc = Parsed("<r><c><g>v</g></c><m>t<x/></m></r>");
    doc->Root()->ApplyFormat({true, 4, true});
    // Spaces, four per level. With inline text a text never gets its own line, also beside a
    // child; only an element holding texts alone puts its end tag on the start tag's line.
    EXPECT_EQ(Write(*doc->Root()),
              "<r>\r\n"
              "    <c>\r\n"
              "        <g>v</g>\r\n"
              "    </c>\r\n"
              "    <m>\r\n"
              "t        <x/>\r\n"
              "    </m>\r\n"
              "</r>\r\n");
    doc->Root()->ApplyFormat({false, 2, false});
    EXPECT_EQ(Write(*doc->Root()->Child("c"), 1),
              "\t\t<c>\r\n"
              "\t\t\t\t<g>\r\n"
              "\t\t\t\t\t\tv\r\n"
              "\t\t\t\t</g>\r\n"
              "\t\t</c>\r\n");
}

// Lines deeper than 16 levels keep the 16th level's indentation, so that a deeply nested
// document saved is a small factor larger than its text, and saves again the same.
TEST(XmlWriter, IndentationStopsGrowingAtSixteenLevels) {
    std::string body;
    for (int i = 0; i < 999; ++i) body += "<e>";
    body += "text";
    for (int i = 0; i < 999; ++i) body += "</e>";
    auto doc = Parsed(body);
    const std::string written = WriteDocument(*doc);
    EXPECT_NE(written.find("\r\n" + std::string(15, '\t') + "<e>\r\n"), std::string::npos);
    EXPECT_NE(written.find("\r\n" + std::string(16, '\t') + "<e>\r\n"), std::string::npos);
    EXPECT_EQ(written.find(std::string(17, '\t')), std::string::npos);
    EXPECT_LT(written.size(), 8 * body.size());  // 16 tabs and a line end for each "<e>"
    EXPECT_EQ(WriteDocument(*Parsed(written.substr(written.find("?>") + 2))), written);
}

TEST(XmlWriter, AddedTextsGoBeforeTheFirstChild) {
    auto doc = Parsed("<r><a/>late</r>");
    doc->Root()->AddText("early");  // position 0, though it is the second text
    EXPECT_EQ(Write(*doc->Root()), "<r>\r\n\tearly\r\n\t<a/>\r\n\tlate\r\n</r>\r\n");
}

TEST(XmlWriter, WrittenDocumentsReadBackByteForByte) {
    const std::string source =
        "<ghx a=\"x &amp; y\" b=\"&#233;&lt;\">"
        "<!--note--><Colour version=\"1\"><Position>4&amp;5</Position><E/>"
        "<![CDATA[ <raw> & ]]>mixed<T name=\"n\"><Deep>1</Deep></T></Colour><Tail/></ghx>";
    for (const XmlFormat& format :
         {kStyleFormat, XmlFormat{false, 1, false}, XmlFormat{true, 3, false}}) {
        auto first = Parsed(source);
        first->Root()->ApplyFormat(format);
        const std::string written = WriteDocument(*first);

        XmlDocument second;
        ASSERT_TRUE(second.Load(written, kXmlSourceText));
        second.Root()->ApplyFormat(format);
        EXPECT_EQ(WriteDocument(second), written);
    }
}

TEST(XmlWriter, Utf16FileTargetWritesLittleEndianWithoutByteOrderMark) {
    auto doc = Parsed("<r a=\"\xC3\xA9\">\xE2\x82\xAC</r>");
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    WriteElement(XmlTarget::Utf16File(file), *doc->Root(), 0);
    std::rewind(file);
    std::string bytes;
    for (int c; (c = std::fgetc(file)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(file);

    std::string expected;
    for (char16_t unit : Tarn::System::Utf8ToWide(Write(*doc->Root()))) {
        expected += static_cast<char>(unit & 0xFF);
        expected += static_cast<char>(unit >> 8);
    }
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.substr(0, 2), std::string("<\0", 2));
}

TEST(XmlWriter, EncoderWrapsTheWholeDocument) {
    auto doc = Parsed("<r><c>x</c></r>");
    std::string coded;
    xml_test::XorCodec codec;
    ASSERT_TRUE(doc->WriteEncoded(XmlTarget::Memory(coded), codec));
    std::string plain(coded.size(), '\0');
    codec.Transform(coded.data(), coded.size(), plain.data(), plain.size());
    EXPECT_EQ(plain, WriteDocument(*doc));
}

TEST(XmlWriter, SizeEstimateCountsListCapacities) {
    XmlElement element(nullptr, "<abc k=\"vv\">");
    element.AddText("hello");
    // 152 + name 3 + attribute (1 + 2 + 24) + text (5 + 24) + 4 per unit of the capacities
    // 20 + 20 + 10 + 4 + 10.
    EXPECT_EQ(EstimateSize(element), 152u + 3 + 27 + 29 + 4 * 64);
    element.Compact();  // children 1, attributes 1, comments 1
    EXPECT_EQ(EstimateSize(element), 152u + 3 + 27 + 29 + 4 * 17);
}

namespace {

class XmlRegistry : public xml_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        setenv("CORVANE_USER_REG", (dir_ / "user.reg").c_str(), 1);
        setenv("CORVANE_SYSTEM_REG", (dir_ / "system.reg").c_str(), 1);
    }
};

}  // namespace

TEST_F(XmlRegistry, ElementsBecomeKeysAndNodesValues) {
    auto doc = Parsed(
        "<ghx><Colour version=\"1\">t<!--c0--><!--c1--><![CDATA[cd]]></Colour>"
        "<Transform/><Transform name=\"a&amp;b\"/></ghx>");
    {
        RegistryEditor editor;
        WriteElement(XmlTarget::Registry(editor, "Software\\Test"), *doc->Root(), 0);
        ASSERT_TRUE(editor.Commit());
    }
    const auto value = [](const std::string& key, const std::string& name) {
        return ReadRegistryString(RegistryHive::CurrentUser, "Software\\Test\\" + key, name)
            .value_or("<missing>");
    };
    EXPECT_EQ(value("E0ghx\\E0Colour", "Vversion"), "1");
    EXPECT_EQ(value("E0ghx\\E0Colour", "C0"), "c0");
    EXPECT_EQ(value("E0ghx\\E0Colour", "C1"), "c1");
    EXPECT_EQ(value("E0ghx\\E0Colour", "D0"), "t");
    EXPECT_EQ(value("E0ghx\\E0Colour", "D1"), "cd");             // CDATA counts on after the texts
    EXPECT_EQ(value("E0ghx\\E2Transform", "Vname"), "a&amp;b");  // stored form
    EXPECT_EQ(xml_test::ReadBytes(dir_ / "user.reg").find("xml"), std::string::npos);
}
