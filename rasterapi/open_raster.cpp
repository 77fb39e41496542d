// Opening through GDALOpenEx, read-only and unshared, so each handle has its own dataset; a
// container of several variables field by field.
#include "rasterapi/open_raster.h"

#include <cpl_string.h>
#include <cpl_vsi.h>
#include <utf8.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
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

bool HasCells(GDALDatasetH dataset) {
    return GDALGetRasterCount(dataset) > 0 && GDALGetRasterXSize(dataset) > 0 &&
           GDALGetRasterYSize(dataset) > 0;
}

// The variable a subdataset name ends with (NETCDF:"f.nc":temperature, HDF5:"f.h5"://group/t);
// the description where that is only a number (HDF4's SDS index).
std::string VariableName(const std::string& name, const char* description) {
    std::string variable = name.substr(name.find_last_of(':') + 1);
    variable.erase(0, variable.find_first_not_of("/\""));
    while (!variable.empty() && variable.back() == '"') variable.pop_back();
    const bool number = std::all_of(variable.begin(), variable.end(),
                                    [](unsigned char c) { return std::isdigit(c) != 0; });
    return number && description != nullptr ? description : variable;
}

// Takes ownership of `dataset` (closed on failure); null when it holds no cells.
std::unique_ptr<OpenRaster> MakeRaster(GDALDatasetH dataset, const std::string& path,
                                       std::string variable) {
    auto opened = std::make_unique<OpenRaster>();
    opened->dataset = dataset;
    if (dataset == nullptr || !HasCells(dataset)) return nullptr;
    opened->path = path;
    opened->variable = std::move(variable);
    opened->geometry = DescribeGeometry(dataset);
    opened->field = DescribeField(dataset);
    return opened;
}

// The container's fields, at most `limit` of them.
Status OpenFieldsOf(const std::string& path, size_t limit,
                    std::vector<std::unique_ptr<OpenRaster>>& fields) {
    if (path.empty() || IsDirectory(path)) return kOpenFailed;
    GDALDatasetH container = OpenDataset(path);
    if (container == nullptr) return kOpenFailed;
    if (GDALGetRasterCount(container) > 0) {
        std::unique_ptr<OpenRaster> raster = MakeRaster(container, path, {});
        if (!raster) return kOpenFailed;
        fields.push_back(std::move(raster));
        return kOk;
    }
    // The names go with the container's metadata: copied before it is closed.
    const CPLStringList metadata(CSLDuplicate(GDALGetMetadata(container, "SUBDATASETS")));
    GDALClose(container);
    for (int i = 1; fields.size() < limit; ++i) {
        const std::string key = "SUBDATASET_" + std::to_string(i);
        const char* name = metadata.FetchNameValue((key + "_NAME").c_str());
        if (name == nullptr) break;
        // A variable without cells (a one-dimensional coordinate, say) is no field.
        std::unique_ptr<OpenRaster> raster =
            MakeRaster(OpenDataset(name), name,
                       VariableName(name, metadata.FetchNameValue((key + "_DESC").c_str())));
        if (raster) fields.push_back(std::move(raster));
    }
    return fields.empty() ? kOpenFailed : kOk;
}

}  // namespace

OpenRaster::~OpenRaster() {
    further.clear();
    if (dataset != nullptr) GDALClose(dataset);
}

OpenRaster* FurtherHandle(OpenRaster& raster, size_t index) {
    while (raster.further.size() <= index) {
        if (raster.further_refused) return nullptr;
        auto handle = std::make_unique<OpenRaster>();
        handle->dataset = OpenDataset(raster.path);
        const GDALDatasetH dataset = handle->dataset;
        // A file replaced since it was opened is no longer the raster the handle stands for.
        if (dataset == nullptr ||
            GDALGetRasterXSize(dataset) != GDALGetRasterXSize(raster.dataset) ||
            GDALGetRasterYSize(dataset) != GDALGetRasterYSize(raster.dataset) ||
            GDALGetRasterCount(dataset) != GDALGetRasterCount(raster.dataset)) {
            raster.further_refused = true;
            return nullptr;
        }
        handle->path = raster.path;
        handle->variable = raster.variable;
        handle->geometry = raster.geometry;
        handle->field = raster.field;
        handle->read_levels = std::make_unique<ReadLevels>(dataset, raster.path);
        raster.further.push_back(std::move(handle));
    }
    return raster.further[index].get();
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
    std::vector<std::unique_ptr<OpenRaster>> fields;
    const Status status = OpenFieldsOf(path, 1, fields);
    if (status == kOk) raster = std::move(fields.front());
    return status;
}

Status OpenRasterFields(const std::string& path, OpenFields& fields) {
    return OpenFieldsOf(path, SIZE_MAX, fields.fields);
}

}  // namespace Tarn::RasterApi
