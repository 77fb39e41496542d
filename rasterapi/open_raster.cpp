// Opening through GDALOpenEx, read-only and unshared, so each handle has its own dataset.
#include "rasterapi/open_raster.h"

#include <cpl_string.h>
#include <cpl_vsi.h>
#include <utf8.h>

#include <iterator>

namespace Tarn::RasterApi {
namespace {

constexpr unsigned kOpenFlags = GDAL_OF_RASTER | GDAL_OF_READONLY;

GDALDatasetH OpenDataset(const std::string& path) {
    return GDALOpenEx(path.c_str(), kOpenFlags, nullptr, nullptr, nullptr);
}

bool IsDirectory(const std::string& path) {
    VSIStatBufL status;
    return VSIStatExL(path.c_str(), &status, VSI_STAT_NATURE_FLAG) == 0 &&
           VSI_ISDIR(status.st_mode);
}

}  // namespace

OpenRaster::~OpenRaster() {
    if (dataset != nullptr) GDALClose(dataset);
}

bool PathToUtf8(const char16_t* path, std::string& utf8) {
    utf8.clear();
    if (path == nullptr) return false;
    const char16_t* end = path;
    while (*end != u'\0') ++end;
    try {
        utf8::utf16to8(path, end, std::back_inserter(utf8));
    } catch (const utf8::exception&) {
        return false;
    }
    return true;
}

Status OpenRasterFile(const std::string& path, std::unique_ptr<OpenRaster>& raster) {
    if (path.empty() || IsDirectory(path)) return kOpenFailed;
    auto opened = std::make_unique<OpenRaster>();
    opened->path = path;
    opened->dataset = OpenDataset(path);
    if (opened->dataset == nullptr) return kOpenFailed;
    if (GDALGetRasterCount(opened->dataset) == 0) {
        const char* first =
            CSLFetchNameValue(GDALGetMetadata(opened->dataset, "SUBDATASETS"), "SUBDATASET_1_NAME");
        if (first == nullptr) return kOpenFailed;
        const std::string inner_path = first;  // the metadata goes with the container
        GDALClose(opened->dataset);
        opened->dataset = OpenDataset(inner_path);
        if (opened->dataset == nullptr) return kOpenFailed;
        opened->path = inner_path;
    }
    if (GDALGetRasterCount(opened->dataset) <= 0 || GDALGetRasterXSize(opened->dataset) <= 0 ||
        GDALGetRasterYSize(opened->dataset) <= 0)
        return kOpenFailed;
    opened->geometry = DescribeGeometry(opened->dataset);
    opened->field = DescribeField(opened->dataset);
    raster = std::move(opened);
    return kOk;
}

}  // namespace Tarn::RasterApi
