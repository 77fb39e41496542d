// Fixture rasters written with GDAL into a temporary directory, GDAL reads to compare against,
// and a raster opened through the engine for the length of a test.
#pragma once

#include <gdal.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine_library.h"

namespace Tarn::RasterApiTest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

using GeoTransform = std::array<double, 6>;
// 10 m cells, north up, top-left corner at (1000, 5000).
constexpr GeoTransform kNorthUp{1000, 10, 0, 5000, 0, -10};

struct RasterRecipe {
    int width = 8;
    int height = 6;
    int bands = 1;
    GDALDataType type = GDT_Float32;
    std::optional<GeoTransform> geotransform = kNorthUp;
    std::optional<double> nodata;
    int epsg = 0;      // 0: no EPSG code
    std::string proj;  // a PROJ string, used when epsg is 0
    std::vector<GDALColorInterp> interpretations;
    std::vector<GDALColorEntry> palette;
    std::vector<int> overviews;  // factors
    std::string overview_resampling = "NEAREST";
    std::vector<std::string> creation_options;
    std::string driver = "GTiff";
};

// Value of a cell: band from 1, x and y in GDAL's own order.
using CellValue = std::function<double(int band, int x, int y)>;

// A distinct value per cell (y * 100 + x + 1000 * (band - 1)).
double DistinctValue(int band, int x, int y);

// Writes the raster and returns its path.
std::string WriteRaster(const std::string& path, const RasterRecipe& recipe,
                        const CellValue& value);

std::u16string Wide(const std::string& utf8);
std::string Narrow(const char16_t* wide);

// GDAL's own RasterIO of a window into doubles, with one of its resampling kernels.
std::vector<double> GdalRead(const std::string& path, int band, int x, int y, int width, int height,
                             int output_width, int output_height,
                             GDALRIOResampleAlg kernel = GRIORA_NearestNeighbour);

// A raster opened through the engine, with its information handle; closed at scope end.
class EngineRaster {
public:
    explicit EngineRaster(const std::string& path);
    ~EngineRaster();
    EngineRaster(const EngineRaster&) = delete;
    EngineRaster& operator=(const EngineRaster&) = delete;

    bool ok() const { return raster_ != KVR_INVALID_HANDLE && info_ != KVR_INVALID_HANDLE; }
    KvrHandle raster() const { return raster_; }
    KvrHandle info() const { return info_; }
    const KvrFieldInfo& Field() const;
    const KvrBandInfo& Band(int band) const;

private:
    KvrHandle raster_ = KVR_INVALID_HANDLE;
    KvrHandle info_ = KVR_INVALID_HANDLE;
};

// A cell block that is given back at scope end.
struct Block {
    int status = -1;
    void* data = nullptr;
    uint8_t* validity = nullptr;
    Block() = default;
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    ~Block();
    float FloatAt(size_t i) const { return static_cast<const float*>(data)[i]; }
    uint32_t WordAt(size_t i) const { return static_cast<const uint32_t*>(data)[i]; }
};

// Underview mode 5 (automatic) unless given.
void Populate(Block& block, KvrHandle raster, int32_t format, int64_t x, int64_t y, int64_t width,
              int64_t height, int32_t output_width, int32_t output_height, int32_t band = 0,
              int32_t underview_mode = 5);

}  // namespace Tarn::RasterApiTest
