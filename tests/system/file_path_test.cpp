// FilePath: splitting ordinary, Windows-style, directory and archive paths.
#include <gtest/gtest.h>

#include "system/file_path.h"

using Tarn::File::FilePath;

TEST(FilePath, SplitsIntoItsParts) {
    struct Case {
        std::u16string text;
        std::u16string drive, directory, name, extension, full;
    };
    const Case cases[] = {
        {u"/data/dem.tif", u"", u"/data/", u"dem", u".tif", u"/data/dem.tif"},
        {u"C:\\maps\\dem.tif", u"C:", u"/maps/", u"dem", u".tif", u"C:/maps/dem.tif"},
        {u"dem", u"", u"", u"dem", u"", u"dem"},
        {u"/a.b/c", u"", u"/a.b/", u"c", u"", u"/a.b/c"},
        {u"/a/archive.tar.gz", u"", u"/a/", u"archive.tar", u".gz", u"/a/archive.tar.gz"},
        {u"/a/.hidden", u"", u"/a/", u"", u".hidden", u"/a/.hidden"},
        {u"", u"", u"", u"", u"", u""},
    };
    for (const Case& c : cases) {
        const FilePath path(c.text);
        EXPECT_FALSE(path.InArchive());
        EXPECT_EQ(path.Drive(), c.drive);
        EXPECT_EQ(path.Directory(), c.directory);
        EXPECT_EQ(path.Name(), c.name);
        EXPECT_EQ(path.Extension(), c.extension);
        EXPECT_EQ(path.FullPath(), c.full);
        EXPECT_EQ(path.CombinedPath(), c.full);
        EXPECT_EQ(path.Folder(), c.drive + c.directory);
    }
}

TEST(FilePath, DirectoryGetsATrailingSlash) {
    const FilePath dir(u"/tmp/x", true);
    EXPECT_TRUE(dir.IsDirectory());
    EXPECT_EQ(dir.Directory(), u"/tmp/x/");
    EXPECT_EQ(dir.Name(), u"");
    EXPECT_EQ(dir.FolderNoSlash(), u"/tmp/x");
}

TEST(FilePath, ArchivePaths) {
    const FilePath path(u"C:/d/a.zip/sub/e.txt");
    ASSERT_TRUE(path.InArchive());
    EXPECT_EQ(path.FullPath(), u"C:/d/a.zip");
    EXPECT_EQ(path.Drive(), u"C:");
    EXPECT_EQ(path.Name(), u"a");
    EXPECT_EQ(path.Extension(), u".zip");
    EXPECT_EQ(path.InnerPath(), u"sub/e.txt");
    EXPECT_EQ(path.InnerDirectory(), u"sub/");
    EXPECT_EQ(path.InnerName(), u"e");
    EXPECT_EQ(path.InnerExtension(), u".txt");
    EXPECT_EQ(path.InnerNameAndExtension(), u"e.txt");
    EXPECT_EQ(path.CombinedPath(), u"C:/d/a.zip/sub/e.txt");

    const FilePath upper(u"C:/d/a.ZIP/e.txt");
    ASSERT_TRUE(upper.InArchive());
    EXPECT_EQ(upper.FullPath(), u"C:/d/a.ZIP");
    EXPECT_EQ(upper.InnerPath(), u"e.txt");

    const FilePath backslashes(u"/x/b.zip\\*.*");
    ASSERT_TRUE(backslashes.InArchive());
    EXPECT_EQ(backslashes.InnerName(), u"*");
    EXPECT_EQ(backslashes.InnerExtension(), u".*");
}

TEST(FilePath, ZipThatDoesNotEndAFolderIsNoArchive) {
    EXPECT_FALSE(FilePath(u"/data/a.zipped/e.txt").InArchive());
    EXPECT_FALSE(FilePath(u"/data/a.zip").InArchive());  // the archive itself
}

TEST(FilePath, SetFileNameKeepsTheFolder) {
    FilePath path(u"/data/dem.tif");
    path.SetFileName(u"dem_tif.ghx");
    EXPECT_EQ(path.Name(), u"dem_tif");
    EXPECT_EQ(path.Extension(), u".ghx");
    EXPECT_EQ(path.FullPath(), u"/data/dem_tif.ghx");
    EXPECT_EQ(path.Folder(), u"/data/");
}
