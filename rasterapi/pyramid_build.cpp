// The VRT, GDAL's overview builder and the check of a finished pyramid.
#include "rasterapi/pyramid_build.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <cmath>
#include <cstring>

namespace Tarn::RasterApi {
namespace {

constexpr int64_t kSmallestLevel = 256;

int64_t Halved(int64_t size, int factor) {
    return (size + factor - 1) / factor;
}

// GDAL's configuration for this thread only, as the host's other threads may read with GDAL
// meanwhile; the earlier value comes back at scope end.
class ThreadConfig {
public:
    ThreadConfig(const char* key, const char* value) : key_(key) {
        if (const char* earlier = CPLGetThreadLocalConfigOption(key, nullptr)) {
            earlier_ = earlier;
            had_ = true;
        }
        CPLSetThreadLocalConfigOption(key, value);
    }
    ~ThreadConfig() { CPLSetThreadLocalConfigOption(key_, had_ ? earlier_.c_str() : nullptr); }
    ThreadConfig(const ThreadConfig&) = delete;
    ThreadConfig& operator=(const ThreadConfig&) = delete;

private:
    const char* key_;
    std::string earlier_;
    bool had_ = false;
};

// ZSTD at its fastest level when this GDAL has it: the levels shrink by a third or more of
// their size for a fraction of the time deflate takes; uncompressed otherwise.
const char* OverviewCompression() {
    GDALDriverH tiff = GDALGetDriverByName("GTiff");
    const char* options =
        tiff ? GDALGetMetadataItem(tiff, GDAL_DMD_CREATIONOPTIONLIST, nullptr) : nullptr;
    return options != nullptr && std::strstr(options, "ZSTD") != nullptr ? "ZSTD" : "NONE";
}

bool SameNoData(GDALRasterBandH a, GDALRasterBandH b) {
    int a_has = 0, b_has = 0;
    const double a_value = GDALGetRasterNoDataValue(a, &a_has);
    const double b_value = GDALGetRasterNoDataValue(b, &b_has);
    if (!a_has || !b_has) return a_has == b_has;
    return a_value == b_value || (std::isnan(a_value) && std::isnan(b_value));
}

}  // namespace

std::vector<int> PyramidFactors(int64_t width, int64_t height) {
    std::vector<int> factors;
    for (int factor = 2; factor <= (1 << 30); factor *= 2) {
        factors.push_back(factor);
        if (Halved(width, factor) <= kSmallestLevel && Halved(height, factor) <= kSmallestLevel)
            break;
    }
    return factors;
}

int64_t PyramidBytes(GDALDatasetH dataset) {
    const int64_t width = GDALGetRasterXSize(dataset);
    const int64_t height = GDALGetRasterYSize(dataset);
    int64_t cell_bytes = 0;
    for (int b = 1; b <= GDALGetRasterCount(dataset); ++b)
        cell_bytes +=
            GDALGetDataTypeSizeBytes(GDALGetRasterDataType(GDALGetRasterBand(dataset, b)));
    int64_t bytes = 0;
    for (int factor : PyramidFactors(width, height))
        bytes += Halved(width, factor) * Halved(height, factor) * cell_bytes;
    return bytes;
}

std::optional<std::string> BuildPyramidFile(const std::string& source_path, const std::string& base,
                                            const char* resampling) {
    const std::string vrt_path = base + ".vrt";
    GDALDatasetH source = GDALOpenEx(source_path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                                     nullptr, nullptr, nullptr);
    if (source == nullptr) return std::nullopt;
    const std::vector<int> factors =
        PyramidFactors(GDALGetRasterXSize(source), GDALGetRasterYSize(source));
    GDALDriverH vrt_driver = GDALGetDriverByName("VRT");
    GDALDatasetH vrt = vrt_driver ? GDALCreateCopy(vrt_driver, vrt_path.c_str(), source, FALSE,
                                                   nullptr, nullptr, nullptr)
                                  : nullptr;
    // The VRT's sources hold the source's bands: it goes first, written out as it closes.
    if (vrt != nullptr) GDALClose(vrt);
    GDALClose(source);
    if (vrt == nullptr) return std::nullopt;

    // Opened read-only, the VRT gets external overviews: GDAL writes them beside it.
    vrt =
        GDALOpenEx(vrt_path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (vrt == nullptr) return std::nullopt;
    CPLErr error;
    {
        ThreadConfig compress("COMPRESS_OVERVIEW", OverviewCompression());
        ThreadConfig level("ZSTD_LEVEL_OVERVIEW", "1");
        ThreadConfig big("BIGTIFF_OVERVIEW", "IF_SAFER");
        std::vector<int> levels = factors;
        error = GDALBuildOverviews(vrt, resampling, static_cast<int>(levels.size()), levels.data(),
                                   0, nullptr, nullptr, nullptr);
    }
    GDALClose(vrt);
    if (error != CE_None) return std::nullopt;
    return vrt_path + ".ovr";
}

bool PyramidMatches(GDALDatasetH pyramid, GDALDatasetH dataset) {
    const int64_t width = GDALGetRasterXSize(dataset);
    const int64_t height = GDALGetRasterYSize(dataset);
    const int bands = GDALGetRasterCount(dataset);
    if (GDALGetRasterXSize(pyramid) != Halved(width, 2) ||
        GDALGetRasterYSize(pyramid) != Halved(height, 2) || GDALGetRasterCount(pyramid) != bands)
        return false;
    const size_t further = PyramidFactors(width, height).size() - 1;
    for (int b = 1; b <= bands; ++b) {
        GDALRasterBandH level = GDALGetRasterBand(pyramid, b);
        GDALRasterBandH band = GDALGetRasterBand(dataset, b);
        if (GDALGetRasterDataType(level) != GDALGetRasterDataType(band) ||
            !SameNoData(level, band) || GDALGetOverviewCount(level) != static_cast<int>(further))
            return false;
    }
    return true;
}

}  // namespace Tarn::RasterApi
