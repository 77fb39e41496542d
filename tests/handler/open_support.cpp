// The opening tests' plug-in loader, settings, fixtures and document readers.
#include "open_support.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "style/colour_serializer.h"
#include "system/utf.h"

namespace open_test {

Scratch::Scratch(const char* stem) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + stem + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << pattern;
    path_ = pattern;
}

Scratch::~Scratch() {
    std::error_code ignored;
    // Read-only directories of a test must be writable again to be emptied.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

namespace {

void WriteRegistry(const fs::path& scratch,
                   const std::vector<std::pair<std::string, std::string>>& raster_values) {
    std::ofstream reg(scratch / "user.reg");
    reg << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\r\n";
    for (const auto& [name, value] : raster_values)
        reg << "\"" << name << "\"=\"" << value << "\"\r\n";
}

GDALDatasetH Create(const fs::path& path, int width, int height, int bands, GDALDataType type) {
    GDALAllRegister();
    GDALDatasetH dataset =
        GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, bands, type, nullptr);
    EXPECT_NE(dataset, nullptr) << path;
    return dataset;
}

void Georeference(GDALDatasetH dataset, int epsg) {
    double transform[6] = {1000, 10, 0, 5000, 0, -10};
    GDALSetGeoTransform(dataset, transform);
    if (epsg == 0) return;
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, epsg);
    GDALSetSpatialRef(dataset, srs);
    OSRDestroySpatialReference(srs);
}

void WriteBand(GDALDatasetH dataset, int band, int width, int height,
               const std::function<double(int, int)>& value) {
    std::vector<double> cells(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) cells[static_cast<size_t>(y) * width + x] = value(x, y);
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(dataset, band), GF_Write, 0, 0, width, height,
                           cells.data(), width, height, GDT_Float64, 0, 0),
              CE_None);
}

}  // namespace

fs::path ProgramWithStandInEngine(const fs::path& scratch, const char* fake) {
    const fs::path program = scratch / "program";
    fs::create_directory(program);
    for (const char* file : {"KVRasterHandlerGDAL.rha", "KVRasterUtility.so"})
        fs::copy_file(fs::path(RH_BIN_DIR) / file, program / file);
    fs::copy_file(fs::path(RH_TEST_BIN_DIR) / "fakes" / fake / "KVRasterAPI.so",
                  program / "KVRasterAPI.so");
    IsolateSettings(scratch,
                    {{"ColorPalettes", (fs::path(RH_BIN_DIR) / "ColorPalettes").string()}});
    return program;
}

void IsolateSettings(const fs::path& scratch,
                     const std::vector<std::pair<std::string, std::string>>& raster_values) {
    setenv("CORVANE_USER_REG", (scratch / "user.reg").c_str(), 1);
    setenv("CORVANE_SYSTEM_REG", (scratch / "system.reg").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);  // no preferences of the user's
    WriteRegistry(scratch, raster_values);
}

void UsePreferences(const fs::path& scratch, const std::string& ini,
                    std::vector<std::pair<std::string, std::string>> raster_values) {
    std::ofstream(scratch / "raster.ini") << ini;
    raster_values.emplace_back("PreferencesFile", (scratch / "raster.ini").string());
    IsolateSettings(scratch, raster_values);
}

void WriteDem(const fs::path& path, const RasterOptions& options) {
    GDALDatasetH dataset = Create(path, options.width, options.height, 1, GDT_Float32);
    if (dataset == nullptr) return;
    if (options.georeferenced) Georeference(dataset, options.epsg);
    WriteBand(dataset, 1, options.width, options.height, [](int x, int y) { return x + 10 * y; });
    GDALClose(dataset);
}

void WriteRamp(const fs::path& path, int width, int height) {
    GDALDatasetH dataset = Create(path, width, height, 1, GDT_Int16);
    if (dataset == nullptr) return;
    Georeference(dataset, 32633);
    WriteBand(dataset, 1, width, height, [](int x, int) { return x; });
    GDALClose(dataset);
}

void WritePaletteImage(const fs::path& path) {
    GDALDatasetH dataset = Create(path, 8, 6, 1, GDT_Byte);
    if (dataset == nullptr) return;
    Georeference(dataset, 32633);
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    const GDALColorEntry entries[4] = {
        {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
    for (int i = 0; i < 4; ++i) GDALSetColorEntry(table, i, &entries[i]);
    GDALSetRasterColorTable(GDALGetRasterBand(dataset, 1), table);
    GDALDestroyColorTable(table);
    WriteBand(dataset, 1, 8, 6, [](int x, int y) { return (x + y) % 4; });
    GDALClose(dataset);
}

void WriteImage(const fs::path& path, int bands) {
    GDALDatasetH dataset = Create(path, 8, 6, bands, GDT_Byte);
    if (dataset == nullptr) return;
    Georeference(dataset, 32633);
    const GDALColorInterp interpretations[3] = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand};
    for (int b = 1; b <= bands; ++b) {
        if (bands >= 3 && b <= 3)
            GDALSetRasterColorInterpretation(GDALGetRasterBand(dataset, b), interpretations[b - 1]);
        WriteBand(dataset, b, 8, 6, [b](int x, int y) { return 20 * b + x + y; });
    }
    GDALClose(dataset);
}

void WriteGreyImage(const fs::path& path) {
    GDALDatasetH dataset = Create(path, 8, 6, 1, GDT_Byte);
    if (dataset == nullptr) return;
    Georeference(dataset, 32633);
    GDALSetRasterColorInterpretation(GDALGetRasterBand(dataset, 1), GCI_GrayIndex);
    WriteBand(dataset, 1, 8, 6, [](int x, int y) { return 30 * x + y; });
    GDALClose(dataset);
}

void WriteSeries(const fs::path& path, int bands) {
    GDALDatasetH dataset = Create(path, 8, 6, bands, GDT_Float32);
    if (dataset == nullptr) return;
    Georeference(dataset, 32633);
    for (int b = 1; b <= bands; ++b)
        WriteBand(dataset, b, 8, 6, [b](int x, int y) { return 100 * b + x + 10 * y; });
    GDALClose(dataset);
}

void WriteTwoVariableNetcdf(const fs::path& path) {
    GDALAllRegister();
    GDALDatasetH dataset =
        GDALCreateMultiDimensional(GDALGetDriverByName("netCDF"), path.c_str(), nullptr, nullptr);
    ASSERT_NE(dataset, nullptr) << path;
    GDALGroupH root = GDALDatasetGetRootGroup(dataset);
    GDALDimensionH dimensions[2] = {
        GDALGroupCreateDimension(root, "y", nullptr, nullptr, 6, nullptr),
        GDALGroupCreateDimension(root, "x", nullptr, nullptr, 8, nullptr)};
    GDALExtendedDataTypeH type = GDALExtendedDataTypeCreate(GDT_Float32);
    const std::pair<const char*, float> variables[2] = {{"temperature", 0.0f},
                                                        {"rainfall", 100.0f}};
    for (const auto& [name, offset] : variables) {
        GDALMDArrayH array = GDALGroupCreateMDArray(root, name, 2, dimensions, type, nullptr);
        EXPECT_NE(array, nullptr) << name;
        if (array == nullptr) continue;
        std::vector<float> cells(48);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) cells[static_cast<size_t>(y) * 8 + x] = offset + x + 10 * y;
        const GUInt64 start[2] = {0, 0};
        const size_t count[2] = {6, 8};
        EXPECT_TRUE(GDALMDArrayWrite(array, start, count, nullptr, nullptr, type, cells.data(),
                                     cells.data(), cells.size() * sizeof(float)));
        GDALMDArrayRelease(array);
    }
    GDALExtendedDataTypeRelease(type);
    for (GDALDimensionH dimension : dimensions) GDALDimensionRelease(dimension);
    GDALGroupRelease(root);
    GDALClose(dataset);
}

std::string FileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteGridFile(const fs::path& path, const std::vector<GridPaletteEntry>& entries, bool shading,
                   unsigned char intensity_byte, unsigned char ambient_byte, float azimuth,
                   float elevation) {
    std::vector<unsigned char> header(1024 + 48, 0);
    header[144] = intensity_byte;
    header[145] = ambient_byte;
    header[513] = shading ? 0x60 : 0x20;
    header[516] = static_cast<unsigned char>(entries.size() & 0xFF);
    header[517] = static_cast<unsigned char>(entries.size() >> 8);
    for (size_t i = 0; i < entries.size() && i < 64; ++i) {
        unsigned char* at = header.data() + 518 + 7 * i;
        std::memcpy(at, &entries[i].value, 4);
        at[4] = entries[i].red, at[5] = entries[i].green, at[6] = entries[i].blue;
    }
    std::memcpy(header.data() + 966, &azimuth, 4);
    std::memcpy(header.data() + 970, &elevation, 4);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(header.data()), static_cast<long>(header.size()));
}

Tarn::Colour::RenderStyleSettings ReadStyle(const fs::path& document) {
    Tarn::Colour::RenderStyleSettings style;
    const auto result = Tarn::Colour::ColourSerializer::DeserializeRenderStyle(
        Tarn::System::Utf8ToWide(document.string()), style);
    EXPECT_TRUE(result.success) << document << " code " << result.error_code;
    return style;
}

Tarn::Colour::ColourInfo ReadTransform(const fs::path& document, const std::string& name) {
    Tarn::Colour::ColourInfo info;
    const auto result = Tarn::Colour::ColourSerializer::DeserializeColourInfo(
        Tarn::System::Utf8ToWide(document.string()), name, info);
    EXPECT_TRUE(result.success) << document << " code " << result.error_code;
    return info;
}

Plugin::Plugin(const fs::path& directory, const char* file) {
    library_ = dlopen((directory / file).c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library_, nullptr) << dlerror();
    if (library_ == nullptr) return;
    const auto bind = [this](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(Symbol(name));
        EXPECT_NE(entry, nullptr) << name;
    };
    bind(Identify, "RH_Identify");
    bind(IsFormat, "RH_IsFormat");
    bind(IsFormatW, "RH_IsFormatW");
    bind(OpenUtf8, "RH_Open");
    bind(OpenW, "RH_OpenW");
    bind(GetCapabilities, "RH_GetCapabilities");
    bind(GetCoordinateSystem, "RH_GetCorvaneCoordinateSystem");
    bind(StartDraw, "RH_StartDraw");
    bind(GetLine, "RH_GetLine");
    bind(GetBlock, "RH_GetBlock");
    bind(EndDraw, "RH_EndDraw");
    bind(Close, "RH_Close");
    bind(GetTransparentColour, "RH_GetTransparentColorFromImage");
}

// Left loaded, as the host leaves it for its session: caches the library keeps for the life of
// the process (the user's time locale of the message log) would look leaked once it is unmapped.
// Unloaded, as the host does, so that the binding it made (the engine of its own directory)
// goes with it: a later case that loads the plug-in from another directory, with another engine
// beside it, would otherwise be handed this one again, which has the same name.
Plugin::~Plugin() {
    if (library_ != nullptr) dlclose(library_);
}

void* Plugin::Symbol(const char* name) const {
    return library_ != nullptr ? dlsym(library_, name) : nullptr;
}

int Plugin::Open(HostRasterRecord& host, const fs::path& path) const {
    HandlerIdentity identity;
    EXPECT_EQ(Identify(&identity), 1);
    EXPECT_EQ(IsFormat(path.c_str()), 1) << path;
    return OpenUtf8(&host, path.c_str(), 0);
}

void ShiftModificationTime(const fs::path& path, int64_t nanoseconds) {
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0) << path;
    int64_t total = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec + nanoseconds;
    const timespec times[2] = {st.st_atim, {total / 1000000000LL, total % 1000000000LL}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

}  // namespace open_test
