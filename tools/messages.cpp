// File checks and the plug-in's error codes in words.
#include "tools/messages.h"

#include <cpl_error.h>
#include <gdal.h>

#include "handler/rh_api.h"
#include "platform/file_system.h"

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
