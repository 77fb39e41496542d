// Loading from files, wide paths and text: the default document for missing files, status 1
// without a declaration or element, UTF-16LE content, the decoder, and progress reporting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "style/xml_document.h"
#include "style/xml_writer.h"
#include "system/utf.h"
#include "xml_test_support.h"

using Tarn::System::Utf8ToWide;
using Tarn::Xml::kXmlSourceFile;
using Tarn::Xml::kXmlSourceText;
using Tarn::Xml::kXmlSourceWideFile;
using Tarn::Xml::XmlDocument;
using xml_test::ReadBytes;
using xml_test::WriteBytes;

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string& kDefault = XmlDocument::kDefaultDeclaration;

class XmlLoad : public xml_test::TempDirTest {};

}  // namespace

TEST_F(XmlLoad, MissingFileGivesTheDefaultDocumentThatSaveCreates) {
    const std::string path = (dir_ / "new.ghx").string();
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(path, kXmlSourceFile));
    EXPECT_EQ(doc.Status(), 0);
    EXPECT_EQ(doc.Path(), path);
    EXPECT_EQ(doc.Prolog().declaration, kDefault);
    ASSERT_NE(doc.Root(), nullptr);
    EXPECT_EQ(doc.Root()->Name(), "root");
    EXPECT_TRUE(doc.Root()->Children().empty());
    ASSERT_TRUE(doc.Save());
    EXPECT_EQ(ReadBytes(path), kDefault + "\r\n<root/>\r\n");
}

TEST_F(XmlLoad, WidePathsAreOpenedAsUtf8) {
    const std::string name = "r\xC3\xA9sum\xC3\xA9.ghx";
    WriteBytes(dir_ / name, "<?xml?><r a=\"1\"/>");
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(Utf8ToWide((dir_ / name).string())));
    EXPECT_TRUE(doc.IsWidePath());
    EXPECT_EQ(doc.WidePath(), Utf8ToWide((dir_ / name).string()));
    EXPECT_EQ(doc.Root()->Attribute("a")->Value(), "1");

    // The narrow entry point with kind 7 reads the same way.
    XmlDocument narrow;
    ASSERT_TRUE(narrow.Load((dir_ / name).string(), kXmlSourceWideFile));
    EXPECT_TRUE(narrow.IsWidePath());
    EXPECT_EQ(narrow.Root()->Name(), "r");
}

TEST_F(XmlLoad, ContentWithoutDeclarationOrElementGetsDefaultsAndNoPath) {
    const struct {
        const char* name;
        std::string content;
        std::string declaration;
        std::string root;
    } cases[] = {
        {"empty", "", kBom + kDefault, "root"},
        {"no-declaration", "<r><c/></r>", kBom + kDefault, "r"},
        {"no-element", "<?xml version=\"1.0\"?>\r\n just text", "<?xml version=\"1.0\"?>", "root"},
    };
    for (const auto& c : cases) {
        const std::string path = (dir_ / c.name).string();
        WriteBytes(path, c.content);
        XmlDocument doc;
        ASSERT_TRUE(doc.Load(path, kXmlSourceFile)) << c.name;
        EXPECT_EQ(doc.Status(), 1) << c.name;
        EXPECT_FALSE(doc.HasPath()) << c.name;
        EXPECT_EQ(doc.Prolog().declaration, c.declaration) << c.name;
        EXPECT_EQ(doc.Root()->Name(), c.root) << c.name;
        EXPECT_FALSE(doc.Save()) << c.name;
        EXPECT_EQ(ReadBytes(path), c.content) << c.name;  // the file is left alone
    }
}

TEST_F(XmlLoad, Utf16LittleEndianWithByteOrderMark) {
    const std::u16string text =
        u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><r a=\"\u00E9\u20AC\">x</r>";
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    WriteBytes(dir_ / "u16.xml", bytes);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load((dir_ / "u16.xml").string(), kXmlSourceFile));
    EXPECT_EQ(doc.Prolog().declaration, kBom + "<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
    EXPECT_EQ(doc.Root()->Attribute("a")->Value(), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(doc.Root()->Text(), "x");
    EXPECT_TRUE(doc.HasPath());
}

TEST_F(XmlLoad, TextAndUnknownKindsHaveNoPath) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<?xml?><r/>", kXmlSourceText));
    EXPECT_FALSE(doc.HasPath());
    EXPECT_FALSE(doc.Save());
    ASSERT_TRUE(doc.Load("", kXmlSourceText));
    EXPECT_EQ(doc.Root()->Name(), "root");
    EXPECT_EQ(doc.Prolog().declaration, kDefault);
    ASSERT_TRUE(doc.Load((dir_ / "x").string(), 3));  // 3 is no kind: the default document
    EXPECT_EQ(doc.Root()->Name(), "root");
    EXPECT_FALSE(doc.HasPath());
}

TEST_F(XmlLoad, FailedParseDropsThePathSoSaveCannotDestroyTheFile) {
    const std::string path = (dir_ / "broken.ghx").string();
    const std::string content = "<?xml?><a><b></a>";
    WriteBytes(path, content);
    XmlDocument doc;
    EXPECT_FALSE(doc.Load(path, kXmlSourceFile));
    EXPECT_EQ(doc.Root(), nullptr);
    EXPECT_FALSE(doc.Save());
    EXPECT_EQ(ReadBytes(path), content);
}

TEST_F(XmlLoad, DecoderIsAppliedAndDropsThePath) {
    const std::string plain = "<?xml?><r><c>x</c></r>";
    std::string coded(plain.size(), '\0');
    xml_test::XorCodec codec;
    codec.Transform(plain.data(), plain.size(), coded.data(), coded.size());
    WriteBytes(dir_ / "coded", coded);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load((dir_ / "coded").string(), kXmlSourceFile, &codec));
    EXPECT_EQ(doc.Root()->Child("c")->Text(), "x");
    EXPECT_FALSE(doc.HasPath());
}

namespace {

struct ProgressLog {
    int answer = 1;
    std::vector<unsigned> items;
    std::vector<float> fractions;
    unsigned total = 0;
};

int Record(void* user, float fraction, unsigned items, unsigned total) {
    auto* log = static_cast<ProgressLog*>(user);
    log->items.push_back(items);
    log->fractions.push_back(fraction);
    log->total = total;
    return log->answer;
}

// 40 elements in 40 lines of 20 bytes: over 800 bytes, an estimate of 7 items.
std::string ManyTags() {
    std::string text = "<?xml version=\"1.0\"?>\r\n<r>\r\n";
    for (int i = 0; i < 40; ++i) text += "\t<item n=\"" + std::to_string(100 + i) + "\"/>\r\n";
    return text + "</r>\r\n";
}

}  // namespace

TEST_F(XmlLoad, ProgressReportsEveryTenthItemAndCancels) {
    const std::string path = (dir_ / "many.xml").string();
    WriteBytes(path, ManyTags());
    const unsigned expected_total = static_cast<unsigned>(ManyTags().size() / 110);

    ProgressLog log;
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(path, kXmlSourceFile, nullptr, Record, &log));
    ASSERT_FALSE(log.items.empty());
    EXPECT_EQ(log.total, expected_total);
    for (size_t i = 0; i < log.items.size(); ++i) {
        EXPECT_EQ(log.items[i], 10 * (i + 1));
        EXPECT_LE(log.fractions[i], 1.0f);  // the estimate is exceeded: capped
    }

    ProgressLog cancel;
    cancel.answer = 0;
    EXPECT_FALSE(doc.Load(path, kXmlSourceFile, nullptr, Record, &cancel));
    EXPECT_EQ(cancel.items.size(), 1u);
    EXPECT_EQ(doc.Root(), nullptr);

    // Under 110 bytes there is no estimate, so no report.
    const std::string small = (dir_ / "small.xml").string();
    WriteBytes(small, "<?xml?><r><a/><a/><a/><a/><a/><a/><a/><a/><a/><a/><a/></r>");
    ProgressLog quiet;
    quiet.answer = 0;
    EXPECT_TRUE(doc.Load(small, kXmlSourceFile, nullptr, Record, &quiet));
    EXPECT_TRUE(quiet.items.empty());
}
