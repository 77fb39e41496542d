// Choosing the picture format by the output file's extension.
#include "tools/picture_writer.h"

#include <algorithm>
#include <cctype>

namespace Tarn::Tools {

std::optional<PictureFormat> PictureFormatForPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "png") return PictureFormat::kPng;
    if (extension == "tif" || extension == "tiff") return PictureFormat::kGeoTiff;
    if (extension == "jpg" || extension == "jpeg") return PictureFormat::kJpeg;
    return {};
}

const char* PictureFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::kPng:
            return "PNG";
        case PictureFormat::kGeoTiff:
            return "GeoTIFF";
        case PictureFormat::kJpeg:
            return "JPEG";
    }
    return "";
}

int64_t LargestSide(PictureFormat format) {
    switch (format) {
        case PictureFormat::kJpeg:
            return 65500;  // libjpeg's JPEG_MAX_DIMENSION
        case PictureFormat::kPng:
        case PictureFormat::kGeoTiff:
            break;
    }
    return 0x7FFFFFFF;
}

std::unique_ptr<PictureWriter> OpenPictureWriter(PictureFormat format, const PictureSpec& spec,
                                                 std::string& error) {
    switch (format) {
        case PictureFormat::kPng:
            return OpenPngWriter(spec, error);
        case PictureFormat::kGeoTiff:
            return OpenGeoTiffWriter(spec, error);
        case PictureFormat::kJpeg:
            return OpenJpegWriter(spec, error);
    }
    return nullptr;
}

}  // namespace Tarn::Tools
