// The rhtool test fixture: a scratch directory with the plug-in's settings pointed into it,
// rhtool run in-process with the built plug-in, and recipes for test rasters and pictures.
#pragma once

#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>
#include <png.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/rhtool.h"

namespace Tarn::Tools::Test {

namespace fs = std::filesystem;

inline const fs::path kHandler = fs::path(RH_BIN_DIR) / "KVRasterHandlerGDAL.rha";

// A fresh directory below the test's temporary directory, with the plug-in's settings pointed
// into it (no registry or preferences of the user's).
class Rhtool : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/rhtool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        setenv("CORVANE_USER_REG", (dir_ / "user.reg").c_str(), 1);
        setenv("CORVANE_SYSTEM_REG", (dir_ / "system.reg").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Runs rhtool with the built plug-in; the exit code, with what it printed kept.
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--handler", kHandler.string()});
        std::ostringstream out, err;
        const int code = RunRhtool(args, out, err);
        out_ = out.str();
        err_ = err.str();
        return code;
    }

    // Preferences for the plug-in: colours without shading, so that a cell's colour is its own.
    void WithoutShading() {
        std::ofstream(dir_ / "raster.ini") << "[Shading]\nEnabled = no\n";
        std::ofstream(dir_ / "user.reg")
            << "Windows Registry Editor Version 5.00\r\n\r\n"
            << "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\r\n"
            << "\"PreferencesFile\"=\"" << (dir_ / "raster.ini").string() << "\"\r\n";
    }

    fs::path dir_;
    std::string out_, err_;
};

inline GDALDatasetH CreateTiff(const fs::path& path, int width, int height, int bands,
                               GDALDataType type, bool georeferenced = true) {
    GDALAllRegister();
    GDALDatasetH dataset =
        GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, bands, type, nullptr);
    EXPECT_NE(dataset, nullptr) << path;
    if (dataset != nullptr && georeferenced) {
        double transform[6] = {1000, 10, 0, 5000, 0, -10};  // 10 m cells from (1000, 5000)
        GDALSetGeoTransform(dataset, transform);
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, 32633);
        GDALSetSpatialRef(dataset, srs);
        OSRDestroySpatialReference(srs);
    }
    return dataset;
}

inline void FillBand(GDALDatasetH dataset, int band, int width, int height,
                     const std::function<double(int, int)>& value) {
    std::vector<double> cells(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) cells[static_cast<size_t>(y) * width + x] = value(x, y);
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(dataset, band), GF_Write, 0, 0, width, height,
                           cells.data(), width, height, GDT_Float64, 0, 0),
              CE_None);
}

// One Float32 band: high ground (100) in the north half of the rows, low (0) in the south.
inline void WriteHighNorth(const fs::path& path, int width, int height, bool georeferenced = true) {
    GDALDatasetH dataset = CreateTiff(path, width, height, 1, GDT_Float32, georeferenced);
    if (dataset == nullptr) return;
    FillBand(dataset, 1, width, height, [height](int, int y) { return y < height / 2 ? 100 : 0; });
    GDALClose(dataset);
}

// A picture read back from a PNG file, rows from the top.
struct Png {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    int channels = 3;  // 4 when read with alpha

    std::array<int, 3> At(int x, int y) const {
        const size_t p = size_t(channels) * (static_cast<size_t>(y) * width + x);
        return {rgb[p], rgb[p + 1], rgb[p + 2]};
    }
    int Alpha(int x, int y) const {
        return channels == 4 ? rgb[4 * (static_cast<size_t>(y) * width + x) + 3] : 255;
    }
    bool Reddish(int x, int y) const { return At(x, y)[0] > At(x, y)[2] + 50; }
    bool Bluish(int x, int y) const { return At(x, y)[2] > At(x, y)[0] + 50; }
};

inline Png ReadPng(const fs::path& path, bool alpha = false) {
    Png picture;
    picture.channels = alpha ? 4 : 3;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path << ": " << image.message;
        return picture;
    }
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path << ": " << image.message;
        return picture;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

inline std::vector<double> ReadWorldFile(const fs::path& path) {
    std::ifstream in(path);
    std::vector<double> values;
    for (double v; in >> v;) values.push_back(v);
    return values;
}

// A four-band image whose style asks for its red, green and blue bands as a composite, cut
// short after opening could read its header: the engine refuses the cells.
inline void WriteUnreadableComposite(const fs::path& path) {
    GDALDatasetH dataset = CreateTiff(path, 128, 128, 4, GDT_Byte);
    if (dataset == nullptr) return;
    const GDALColorInterp colours[4] = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_Undefined};
    for (int b = 1; b <= 4; ++b) {
        GDALSetRasterColorInterpretation(GDALGetRasterBand(dataset, b), colours[b - 1]);
        FillBand(dataset, b, 128, 128, [](int x, int y) { return x ^ y; });
    }
    GDALClose(dataset);
    fs::resize_file(path, fs::file_size(path) / 2);
}

// A render style document of `kind` ("Palette", "RGB") whose channels name `band`.
inline void WriteStyle(const fs::path& document, const std::string& kind, int band) {
    const std::string b = std::to_string(band);
    const std::string channels =
        kind == "RGB"
            ? "<RGB><Red field=\"0\" band=\"" + b + "\" name=\"T\"/><Green field=\"0\" band=\"" +
                  b + "\" name=\"T\"/><Blue field=\"0\" band=\"" + b + "\" name=\"T\"/></RGB>"
            : "<" + kind + " field=\"0\" band=\"" + b + "\" name=\"T\"/>";
    std::ofstream(document) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            << "<ghx><RasterHandler><Colour version=\"1\">"
                            << "<RenderStyle value=\"" << kind << "\">" << channels
                            << "</RenderStyle><TransformsList><Transform name=\"T\"/>"
                            << "</TransformsList></Colour></RasterHandler></ghx>\n";
}

}  // namespace Tarn::Tools::Test
