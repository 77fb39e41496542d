// The render style document's file failures: a missing file or directory, a file that cannot be
// written or read, and content the library cannot save back. Each is reported with its code and
// leaves what is on disk, and the caller's record, as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "render_style_test_support.h"
#include "style/colour_serializer.h"

using Tarn::Colour::ColourInfo;
using Tarn::Colour::ColourSerializer;
using Tarn::Colour::RenderStyleSettings;
using Tarn::Colour::SerializerResult;
using Tarn::System::SourceLocation;
using xml_test::ReadBytes;

namespace {

namespace fs = std::filesystem;
using style_test::Unprivileged;

class RenderStyleFiles : public style_test::StyleDocumentTest {
protected:
    static SerializerResult WriteStyle(const std::u16string& path) {
        RenderStyleSettings style;
        style.channel.name = "T";
        return ColourSerializer::SerializeRenderStyle(path, style);
    }
    static SerializerResult WriteInfo(const std::u16string& path) {
        return ColourSerializer::SerializeColourInfo(path, "T", ColourInfo{}, false, true);
    }
};

// A failed save is raised at a fixed place in each write operation and reported as 20000.
void ExpectFailedSave(const SerializerResult& result, const char16_t* function, int64_t line) {
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.error_code, 20000);
    EXPECT_EQ(result.location, (SourceLocation{u"ColourSerializer", function, line}));
}

TEST_F(RenderStyleFiles, MissingFileLeavesTheRecordsUntouched) {
    ColourInfo info;
    info.palette_name = u"mine.lut";
    info.range_limits_on = true;
    info.reverse = true;
    RenderStyleSettings settings;
    settings.underviews = 7;

    const auto info_result = ColourSerializer::DeserializeColourInfo(wide_, "T", info);
    EXPECT_FALSE(info_result.success);
    EXPECT_EQ(info_result.error_code, 20119);
    EXPECT_EQ(info.palette_name, u"mine.lut");
    EXPECT_TRUE(info.range_limits_on);
    EXPECT_TRUE(info.reverse);
    EXPECT_EQ(ColourSerializer::DeserializeRenderStyle(wide_, settings).error_code, 20119);
    EXPECT_EQ(settings.underviews, 7);
    EXPECT_TRUE(ColourSerializer::NeedsInitialisation(wide_));
    EXPECT_FALSE(fs::exists(path_));  // reading creates nothing
}

TEST_F(RenderStyleFiles, MissingDirectoryFailsTheSaveAndCreatesNothing) {
    const std::u16string path = style_test::Wide(dir_ / "gone" / "dem_tif.ghx");
    ExpectFailedSave(WriteStyle(path), u"SerializeRenderStyle", 785);
    ExpectFailedSave(WriteInfo(path), u"SerializeColourInfo", 1029);
    // The default style runs first and its failure ends the operation.
    ExpectFailedSave(ColourSerializer::SerializeColourInfo(path, "T", ColourInfo{}, true, false),
                     u"SerializeRenderStyle", 785);
    EXPECT_FALSE(fs::exists(dir_ / "gone"));
}

TEST_F(RenderStyleFiles, BackslashesInThePathAreSeparators) {
    std::u16string path = wide_;
    path[path.rfind(u'/')] = u'\\';
    ASSERT_TRUE(WriteStyle(path).success);
    EXPECT_TRUE(fs::exists(path_));
    RenderStyleSettings read;
    EXPECT_TRUE(ColourSerializer::DeserializeRenderStyle(path, read).success);
    EXPECT_EQ(read.channel.name, "T");
}

TEST_F(RenderStyleFiles, ContentTheLibraryCannotSaveBackIsLeftAlone) {
    const struct {
        const char* what;
        const char* content;
        int code;
    } cases[] = {
        // Loaded without a path, so there is nowhere to save.
        {"no declaration", "<ghx><RasterHandler/></ghx>", 20000},
        {"no element", "<?xml version=\"1.0\"?>", 20000},
        // No root: the Colour element cannot be located.
        {"no end tag", "<?xml version=\"1.0\"?><ghx><RasterHandler>", 20551},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        xml_test::WriteBytes(path_, c.content);
        EXPECT_EQ(WriteStyle(wide_).error_code, c.code);
        EXPECT_EQ(WriteInfo(wide_).error_code, c.code);
        EXPECT_EQ(ReadBytes(path_), c.content);
    }
    const SerializerResult result = WriteInfo(wide_);
    EXPECT_EQ(result.location.line, -1);  // 20551 is not a failed save
}

TEST_F(RenderStyleFiles, PathThatIsADirectoryIsNotReplaced) {
    fs::create_directory(path_);
    EXPECT_EQ(WriteStyle(wide_).error_code, 20000);
    EXPECT_TRUE(fs::is_directory(path_));
    RenderStyleSettings settings;
    EXPECT_EQ(ColourSerializer::DeserializeRenderStyle(wide_, settings).error_code, 20552);
}

TEST_F(RenderStyleFiles, FileThatCannotBeWrittenOrReadKeepsItsContent) {
    RenderStyleSettings style;
    style.channel.name = "Original";
    ASSERT_TRUE(ColourSerializer::SerializeRenderStyle(wide_, style).success);
    const std::string original = ReadBytes(path_);
    // The directory stays writable and the file belongs to whoever runs the check: only the
    // file's own permissions stand in the way.
    fs::permissions(dir_, fs::perms::all);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path_.c_str(), 65534, 65534), 0);
    }

    for (const mode_t mode : {0444, 0200}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(path_.c_str(), mode), 0);
        const std::u16string path = wide_;
        const Unprivileged outcome = style_test::RunUnprivileged([&path] {
            const SerializerResult style_result = WriteStyle(path);
            const SerializerResult info_result = WriteInfo(path);
            return !style_result.success && style_result.error_code == 20000 &&
                   !info_result.success && info_result.error_code == 20000;
        });
        if (outcome == Unprivileged::kUnavailable) GTEST_SKIP() << "cannot drop root's rights";
        EXPECT_EQ(outcome, Unprivileged::kPassed);
        EXPECT_EQ(ReadBytes(path_), original);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
    }
}

}  // namespace
