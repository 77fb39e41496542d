// The platform calls the engine's pyramid cache keeps its directory with, on either side:
// directories created with their parents, files listed with their sizes and times, a file marked
// as just used, and the user's cache directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/directory_files.h"
#include "platform/process_env.h"
#include "tests/support/scratch_dir.h"

namespace Tarn::Platform {
namespace {

namespace fs = std::filesystem;

class DirectoryFiles : public Test::ScratchDirTest {};

TEST_F(DirectoryFiles, CreatedWithParentsAndListedWithSizes) {
    const std::string nested = Path("a/b/c");
    ASSERT_TRUE(CreateDirectories(nested));
    EXPECT_TRUE(CreateDirectories(nested)) << "an existing directory is fine";
    std::ofstream(nested + "/one.tif", std::ios::binary) << "12345";
    std::ofstream(nested + "/two.tif", std::ios::binary) << "";
    fs::create_directory(nested + "/sub");

    std::vector<DirectoryFile> files = ListDirectoryFiles(nested);
    std::sort(files.begin(), files.end(),
              [](const DirectoryFile& a, const DirectoryFile& b) { return a.name < b.name; });
    ASSERT_EQ(files.size(), 2u) << "directories are not files";
    EXPECT_EQ(files[0].name, "one.tif");
    EXPECT_EQ(files[0].size, 5);
    EXPECT_EQ(files[1].size, 0);
    EXPECT_GT(files[0].modification_time_ns, 0);

    EXPECT_TRUE(ListDirectoryFiles(Path("missing")).empty());
    std::ofstream(Path("plain")) << "x";
    EXPECT_FALSE(CreateDirectories(Path("plain/below"))) << "a file is in the way";
}

TEST_F(DirectoryFiles, TouchMarksAFileAsJustUsed) {
    const std::string file = Path("used.tif");
    std::ofstream(file) << "x";
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(5));
    const int64_t before = ListDirectoryFiles(dir_.string()).at(0).modification_time_ns;
    ASSERT_TRUE(TouchFile(file));
    const int64_t after = ListDirectoryFiles(dir_.string()).at(0).modification_time_ns;
    EXPECT_GT(after - before, int64_t{4} * 3600 * 1000000000);
    EXPECT_FALSE(TouchFile(Path("missing.tif")));
}

TEST_F(DirectoryFiles, UserCacheDirectoryComesFromTheEnvironment) {
#ifdef _WIN32
    const char* variable = "LOCALAPPDATA";
#else
    const char* variable = "XDG_CACHE_HOME";
#endif
    setenv(variable, "cache-root", 1);
    EXPECT_EQ(UserCacheDirectory(), std::optional<std::string>("cache-root"));
#ifndef _WIN32
    unsetenv("XDG_CACHE_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(UserCacheDirectory(), std::optional<std::string>("/home/someone/.cache"));
#endif
}

}  // namespace
}  // namespace Tarn::Platform
