// The content parser, through loading text: node positions, comments, CDATA, the prolog, the
// choice of root, tag counting, and hostile input that must fail or load without a crash.
#include <gtest/gtest.h>

#include <string>

#include "style/xml_document.h"
#include "style/xml_parser.h"

using Tarn::Xml::kXmlMaxDepth;
using Tarn::Xml::kXmlSourceText;
using Tarn::Xml::XmlCharData;
using Tarn::Xml::XmlDocument;
using Tarn::Xml::XmlElement;
using Tarn::Xml::XmlPrologComment;

namespace {

constexpr const char* kDecl = "<?xml version=\"1.0\"?>";

std::string Nodes(const XmlElement::TextList& list) {
    std::string out;
    for (const XmlCharData& node : list)
        out += node.text + "@" + std::to_string(node.position) + ";";
    return out;
}
std::string Nodes(const XmlElement::CommentList& list) {
    std::string out;
    for (const XmlCharData& node : list)
        out += node.text + "@" + std::to_string(node.position) + ";";
    return out;
}

std::string Nested(unsigned depth) {
    std::string text = kDecl;
    for (unsigned i = 0; i < depth; ++i) text += "<e>";
    for (unsigned i = 0; i < depth; ++i) text += "</e>";
    return text;
}

}  // namespace

TEST(XmlParser, PlacesTextsCommentsAndCDataAmongChildren) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(
        std::string(kDecl) + "<r>\r\n\t t1 <!--c1--><a/>\n  \n<![CDATA[ <x> ]]>t2<b>in</b>t3</r>",
        kXmlSourceText));
    const XmlElement* r = doc.Root();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Name(), "r");
    ASSERT_EQ(r->Children().size(), 2u);
    EXPECT_EQ(r->Children()[0]->Name(), "a");
    EXPECT_EQ(r->Children()[1]->Text(), "in");
    EXPECT_EQ(r->Children()[1]->Parent(), r);
    // Whitespace-only text adds nothing; other text is trimmed; CDATA is kept as it stands.
    EXPECT_EQ(Nodes(r->Texts()), "t1@0;t2@1;t3@2;");
    EXPECT_EQ(Nodes(r->Comments()), "c1@0;");
    EXPECT_EQ(Nodes(r->CData()), " <x> @1;");
    EXPECT_EQ(doc.Status(), 0);
    EXPECT_TRUE(doc.Validate());
}

TEST(XmlParser, CommentEndsAtItsFirstGreaterThan) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(std::string(kDecl) + "<r><!--text--><!-- a > b --></r>", kXmlSourceText));
    EXPECT_EQ(Nodes(doc.Root()->Comments()), "text@0; @0;");
    EXPECT_EQ(Nodes(doc.Root()->Texts()), "b -->@0;");
}

TEST(XmlParser, CommentsOutsideTheRootGoToTheProlog) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(std::string(kDecl) + "\r\n<!--before-->\r\n<r/>stray<!--after-->",
                         kXmlSourceText));
    EXPECT_EQ(doc.Prolog().declaration, kDecl);
    ASSERT_EQ(doc.Prolog().comments.size(), 2u);
    EXPECT_EQ(doc.Prolog().comments[0].text, "before");
    EXPECT_EQ(doc.Prolog().comments[0].placement, XmlPrologComment::kBeforeRoot);
    EXPECT_EQ(doc.Prolog().comments[1].text, "after");
    EXPECT_EQ(doc.Prolog().comments[1].placement, XmlPrologComment::kAfterRoot);
    EXPECT_TRUE(doc.Root()->Texts().empty());
}

TEST(XmlParser, ChoosesTheRootAmongTopLevelElements) {
    const struct {
        const char* body;
        const char* root;
    } cases[] = {
        {"<a/><b>x</b><c>y</c><d/>", "c"},  // the last one with content
        {"<a/><b/>", "a"},                  // else the first empty one
        {"<!DOCTYPE r><r/>", "r"},          // a document type declaration is passed over
    };
    for (const auto& c : cases) {
        XmlDocument doc;
        ASSERT_TRUE(doc.Load(std::string(kDecl) + c.body, kXmlSourceText)) << c.body;
        EXPECT_EQ(doc.Root()->Name(), c.root) << c.body;
    }
}

TEST(XmlParser, EndTagsAreCountedNotCompared) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(std::string(kDecl) + "<a><b></c><d x=\"/\"><e/></d></a>", kXmlSourceText));
    const XmlElement* a = doc.Root();
    ASSERT_EQ(a->Children().size(), 2u);
    EXPECT_EQ(a->Children()[0]->Name(), "b");
    EXPECT_EQ(a->Children()[1]->Name(), "d");  // a "/" in quotes does not make it empty
    EXPECT_EQ(a->Children()[1]->Children().size(), 1u);
}

TEST(XmlParser, HostileDocumentsFailOrLoadWithoutACrash) {
    const struct {
        std::string text;
        bool loads;
    } cases[] = {
        {"<a><b></a>", false},          // a start tag without a matching end tag
        {"<a><![CDATA[xx</a>", false},  // truncated CDATA hides the end tag
        {"<a><b", false},
        {"<!--only a comment-->", false},  // no element at all
        {"</a>", false},
        {"<a/><b", true},  // unterminated markup behind the root is ignored
        {"<a><![CDATA[x]]></a><![CDATA[", true},
        {"<a>&#12345678901;</a>", true},
        {"<>x</>", false},  // elements without a name, which could not be saved
        {"<</>", false},
        {"<<?x?>t</x>", false},  // nor names that would be written as other markup
        {"<<!x>t</x>", false},
        {"<a&apos;/>", false},  // nor names that grow by an escape on every save
        {"<a'b>t</a'b>", false},
        {"<a>< b/></a>", false},
        {"<<a/>", true},
        {"<a><!----><!--->--><?p?></a>", true},
        {Nested(100000), false},
    };
    for (const auto& c : cases) {
        XmlDocument doc;
        const std::string text = kDecl + c.text;
        EXPECT_EQ(doc.Load(text, kXmlSourceText), c.loads) << c.text.substr(0, 40);
        EXPECT_EQ(doc.Root() != nullptr, c.loads) << c.text.substr(0, 40);
        EXPECT_EQ(doc.Prolog().declaration, kDecl);  // the prolog survives a failure
    }
}

// One pass over the text: a large body at the deepest level loads whole (scanning each level's
// content again for its end tag made this take seconds).
TEST(XmlParser, DeepNestingAroundALargeBody) {
    std::string text = kDecl;
    for (unsigned i = 0; i + 1 < kXmlMaxDepth; ++i) text += "<e>";
    text += "<b>" + std::string(1 << 20, 'x') + "</b>";
    for (unsigned i = 0; i + 1 < kXmlMaxDepth; ++i) text += "</e>";
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(text, kXmlSourceText));
    const XmlElement* e = doc.Root();
    for (unsigned i = 0; i + 1 < kXmlMaxDepth; ++i) {
        ASSERT_EQ(e->Children().size(), 1u);
        e = e->Children()[0].get();
    }
    EXPECT_EQ(e->Name(), "b");
    ASSERT_EQ(e->Texts().size(), 1u);
    EXPECT_EQ(e->Texts()[0].text.size(), 1u << 20);
}

TEST(XmlParser, NestingIsBoundedFarAboveRealDocuments) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(Nested(kXmlMaxDepth), kXmlSourceText));
    unsigned depth = 0;
    for (const XmlElement* e = doc.Root(); e;
         e = e->Children().empty() ? nullptr : e->Children()[0].get())
        ++depth;
    EXPECT_EQ(depth, kXmlMaxDepth);
    EXPECT_FALSE(doc.Load(Nested(kXmlMaxDepth + 1), kXmlSourceText));
    // Nesting that only the scan for the end tag would see: the tags are never balanced.
    std::string open_only = kDecl;
    for (int i = 0; i < 200000; ++i) open_only += "<e>";
    EXPECT_FALSE(doc.Load(open_only, kXmlSourceText));
}
