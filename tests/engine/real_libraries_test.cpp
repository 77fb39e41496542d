// Format identification with the real engine (and, once built, the real utility library) from
// the build's bin directory, asked about a GeoTIFF written with GDAL. Each case is skipped while
// a library it needs is not built.
#include <dlfcn.h>
#include <gdal.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "fake_libraries.h"
#include "handler/rh_api.h"

namespace {

namespace fs = std::filesystem;

void WriteGeoTiff(const fs::path& path) {
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    ASSERT_NE(driver, nullptr);
    GDALDatasetH dataset = GDALCreate(driver, path.c_str(), 4, 3, 1, GDT_Byte, nullptr);
    ASSERT_NE(dataset, nullptr);
    double transform[6] = {1000, 10, 0, 5000, 0, -10};
    GDALSetGeoTransform(dataset, transform);
    unsigned char cells[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(dataset, 1), GF_Write, 0, 0, 4, 3, cells, 4, 3,
                           GDT_Byte, 0, 0),
              CE_None);
    GDALClose(dataset);
}

bool ListsExtension(const HandlerIdentity& record, const char* extension) {
    for (int i = 0; i < record.extension_count && i < RH_MAX_EXTENSIONS; ++i)
        if (std::strncmp(record.extensions[i], extension, RH_EXTENSION_SLOT) == 0) return true;
    return false;
}

using IdentifyFn = int (*)(HandlerIdentity*);
using IsFormatFn = int (*)(const char*);

// The three files the engine is asked about.
struct Files {
    fs::path geotiff, text_as_tif, no_extension;
};

Files WriteFiles(const fs::path& directory) {
    Files files{directory / "grid.tif", directory / "notes.tif", directory / "grid"};
    WriteGeoTiff(files.geotiff);
    fs::copy_file(files.geotiff, files.no_extension);
    std::ofstream(files.text_as_tif) << "a text file renamed .tif\n";
    return files;
}

TEST(RealEngine, IsFormatAnswersForGeoTiffTextAndNamesWithoutExtension) {
    const fs::path engine = fs::path(RH_BIN_DIR) / "KVRasterAPI.so";
    if (!fs::exists(engine)) GTEST_SKIP() << engine << " is not built";
    // The real engine beside a utility library whose table serves "tif".
    setenv("FAKE_PREFS_FORMATS", "tif", 1);
    const fs::path dir = FakeLibraries::MakeProgramDirectory({"utility"});
    FakeLibraries::IsolateRegistry(dir);
    fs::copy_file(engine, dir / "KVRasterAPI.so");
    fs::copy_file(fs::path(RH_BIN_DIR) / "KVRasterHandlerGDAL.rha",
                  dir / "KVRasterHandlerGDAL.rha");
    const Files files = WriteFiles(dir);

    void* library = dlopen((dir / "KVRasterHandlerGDAL.rha").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto is_format = reinterpret_cast<IsFormatFn>(dlsym(library, "RH_IsFormat"));
    EXPECT_EQ(is_format(files.geotiff.c_str()), 1);
    EXPECT_EQ(is_format(files.text_as_tif.c_str()), 0);
    EXPECT_EQ(is_format(files.no_extension.c_str()), 0);
    dlclose(library);
    fs::remove_all(dir);
}

TEST(RealLibraries, IsFormatAnswersForGeoTiffTextAndNamesWithoutExtension) {
    const fs::path bin(RH_BIN_DIR);
    if (!fs::exists(bin / "KVRasterAPI.so") || !fs::exists(bin / "KVRasterUtility.so"))
        GTEST_SKIP() << "KVRasterAPI.so or KVRasterUtility.so is not built in " << bin;
    const fs::path scratch = FakeLibraries::MakeTempDirectory("real");
    FakeLibraries::IsolateRegistry(scratch);
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);  // no preferences file of the user's
    const Files files = WriteFiles(scratch);

    // Which plug-in serves ".tif" is the utility library's format table's choice; at least one
    // of the two must.
    int serving = 0;
    for (const char* plugin : {"KVRasterHandlerGDAL.rha", "KVRasterHandler.rha"}) {
        SCOPED_TRACE(plugin);
        void* library = dlopen((bin / plugin).c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        const auto identify =
            reinterpret_cast<int (*)(HandlerIdentity*)>(dlsym(library, "RH_Identify"));
        const auto is_format =
            reinterpret_cast<int (*)(const char*)>(dlsym(library, "RH_IsFormat"));
        HandlerIdentity record;
        ASSERT_EQ(identify(&record), 1);
        if (ListsExtension(record, "tif")) {
            ++serving;
            EXPECT_EQ(is_format(files.geotiff.c_str()), 1);
        }
        EXPECT_EQ(is_format(files.text_as_tif.c_str()), 0);
        EXPECT_EQ(is_format(files.no_extension.c_str()), 0);
        dlclose(library);
    }
    EXPECT_GE(serving, 1);
    fs::remove_all(scratch);
}

}  // namespace
