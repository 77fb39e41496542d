// Save: the whole document in the fixed layout over its own file, replaced only when the new
// content is complete, keeping the file's permissions; save on destroy; documents without a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "style/xml_document.h"
#include "system/utf.h"
#include "xml_test_support.h"

using Tarn::Xml::kXmlSourceFile;
using Tarn::Xml::XmlDocument;
using Tarn::Xml::XmlFormat;
using xml_test::ReadBytes;
using xml_test::WriteBytes;

namespace {

namespace fs = std::filesystem;

class XmlSave : public xml_test::TempDirTest {
protected:
    mode_t Mode(const fs::path& path) const {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }
    size_t FileCount() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
};

}  // namespace

TEST_F(XmlSave, WritesDeclarationPrologCommentsAndTree) {
    const fs::path path = dir_ / "style.ghx";
    WriteBytes(path,
               "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"latin1\"?>\n<!--head-->\n"
               "<ghx>\n  <Colour version=\"1\">\n    <Position>45</Position>\n  </Colour>\n"
               "</ghx>\n<!--tail-->\n");
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(path.string(), kXmlSourceFile));
    doc.Root()->ApplyFormat(XmlFormat{false, 1, true});
    ASSERT_TRUE(doc.Save());
    const std::string saved =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n"
        "<!--head-->\r\n"
        "<ghx>\r\n"
        "\t<Colour version=\"1\">\r\n"
        "\t\t<Position>45</Position>\r\n"
        "\t</Colour>\r\n"
        "</ghx>\r\n"
        "<!--tail-->\r\n";
    EXPECT_EQ(ReadBytes(path), saved);

    // What Save wrote loads and saves back unchanged.
    XmlDocument again;
    ASSERT_TRUE(again.Load(path.string(), kXmlSourceFile));
    again.Root()->ApplyFormat(XmlFormat{false, 1, true});
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(ReadBytes(path), saved);
    EXPECT_EQ(FileCount(), 1u);  // no temporary file left behind
}

TEST_F(XmlSave, KeepsThePermissionsOfTheReplacedFile) {
    const fs::path path = dir_ / "style.ghx";
    WriteBytes(path, "<?xml?><r/>");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(path.string(), kXmlSourceFile));
    doc.Root()->AppendChild("c");
    ASSERT_TRUE(doc.Save());
    EXPECT_EQ(Mode(path), 0640u);
    EXPECT_NE(ReadBytes(path).find("<c/>"), std::string::npos);
}

TEST_F(XmlSave, FailedReplacementLeavesNoTemporaryFile) {
    // A directory where the file should be: the new content is written, but cannot take its
    // place.
    const fs::path path = dir_ / "style.ghx";
    fs::create_directory(path);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(path.string(), kXmlSourceFile));
    EXPECT_TRUE(doc.HasPath());
    EXPECT_FALSE(doc.Save());
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(XmlSave, ReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
    const fs::path path = dir_ / "style.ghx";
    WriteBytes(path, "<?xml?><r/>");
    ASSERT_EQ(::chmod(path.c_str(), 0440), 0);
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(path.string(), kXmlSourceFile));
    doc.Root()->AppendChild("d");
    EXPECT_FALSE(doc.Save());
    EXPECT_EQ(ReadBytes(path), "<?xml?><r/>");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(XmlSave, SaveOnDestroyWritesAWidePath) {
    const fs::path path = dir_ / "w\xC3\xA9.ghx";
    {
        XmlDocument doc;
        ASSERT_TRUE(doc.Load(Tarn::System::Utf8ToWide(path.string())));
        doc.Root()->SetElementName("ghx");
        doc.SetSaveOnDestroy(true);
    }
    EXPECT_EQ(ReadBytes(path), XmlDocument::kDefaultDeclaration + "\r\n<ghx/>\r\n");
}

TEST(XmlSaveWithoutFile, NewDocumentHasNothingToSave) {
    XmlDocument doc;
    EXPECT_FALSE(doc.Save());
    EXPECT_FALSE(doc.Validate());
}
