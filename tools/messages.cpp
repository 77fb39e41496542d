// File checks and the plug-in's error codes in words.
#include "tools/messages.h"

#include <cpl_error.h>
#include <gdal.h>

#include <vector>

#include "handler/rh_api.h"
#include "platform/file_system.h"
#include "rasterapi/gdal_session.h"
#include "rasterapi/open_raster.h"

namespace Tarn::Tools {

std::string FileTrouble(const std::string& path) {
    const std::optional<Platform::PathStatus> status = Platform::StatPath(path);
    if (!status) return "no such file: " + path;
    if (status->is_directory) return path + " is a directory, not a raster file";
    if (!status->is_regular) return path + " is not a regular file";
    if (!status->readable) return path + " cannot be read (no permission)";
    if (status->size == 0) return path + " is empty";
    return {};
}

std::string NotTakenReason(const std::string& path) {
    GDALAllRegister();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    const GDALDriverH driver = GDALIdentifyDriver(path.c_str(), nullptr);
    CPLPopErrorHandler();
    if (driver == nullptr) return path + " is not a raster (no GDAL driver reads it)";
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const std::string extension =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string()
                                                                                : path.substr(dot);
    return "the plug-in does not take " + path + " (a " + GDALGetDriverShortName(driver) +
           " raster, but " +
           (extension.empty() ? std::string("files without an extension are")
                              : "\"" + extension + "\" files are") +
           " not among its formats; see [Formats] in its preferences)";
}

namespace {

// The first block of the band that GDAL fails to read, in its words; empty when all read.
std::string BandTrouble(GDALRasterBandH band) {
    const RasterApi::QuietGdalErrors gdal;
    int block_x = 0, block_y = 0;
    GDALGetBlockSize(band, &block_x, &block_y);
    if (block_x <= 0 || block_y <= 0) return {};
    const int columns = (GDALGetRasterBandXSize(band) + block_x - 1) / block_x;
    const int rows = (GDALGetRasterBandYSize(band) + block_y - 1) / block_y;
    std::vector<unsigned char> buffer(static_cast<size_t>(block_x) * block_y *
                                      GDALGetDataTypeSizeBytes(GDALGetRasterDataType(band)));
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            if (GDALReadBlock(band, column, row, buffer.data()) != CE_None) {
                const std::string message = gdal.Failures();
                return message.empty() ? "GDAL cannot read its cells" : message;
            }
        }
    return {};
}

}  // namespace

std::string UnreadableCellsReason(const std::string& path) {
    GDALAllRegister();
    const RasterApi::QuietGdalErrors opening;
    std::string reason;
    RasterApi::OpenFields raster;
    if (RasterApi::OpenRasterFields(path, raster) == RasterApi::kOk) {
        for (const auto& field : raster.fields) {
            for (int b = 1; b <= GDALGetRasterCount(field->dataset) && reason.empty(); ++b)
                reason = BandTrouble(GDALGetRasterBand(field->dataset, b));
            if (!reason.empty()) break;
        }
    }
    return reason;
}

std::string PluginErrorWords(int32_t code, int64_t width, int64_t height) {
    std::string words = "error code " + std::to_string(code);
    switch (code) {
        case RH_ERROR_ENGINE:
            return words + ": the engine or the style failed";
        case RH_ERROR_MEMORY:
            return words + ": not enough memory for a picture of " + std::to_string(width) + " x " +
                   std::to_string(height);
        default:
            return words;
    }
}

}  // namespace Tarn::Tools
