// Writing a north-up 24-bit picture, row by row from the top, into a PNG, GeoTIFF or JPEG file
// that replaces the destination only once it is complete.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Tarn::Tools {

enum class PictureFormat { kPng, kGeoTiff, kJpeg };

// The format that the file name's extension asks for (.png, .tif/.tiff, .jpg/.jpeg, any case).
std::optional<PictureFormat> PictureFormatForPath(const std::string& path);
const char* PictureFormatName(PictureFormat format);

// Where the picture lies: a GDAL geotransform (top-left corner of the top-left pixel) and the
// coordinate system as WKT (empty when unknown).
struct PictureGeoreference {
    std::array<double, 6> transform{};
    std::string wkt;
};

struct PictureSpec {
    std::string path;
    int width = 0;
    int height = 0;
    // Pixels of this colour (red, green, blue) are written transparent.
    std::optional<std::array<uint8_t, 3>> transparent;
    // Carried inside formats that hold it (GeoTIFF); the others get files beside them.
    std::optional<PictureGeoreference> georeference;
    // Compress rows as they come rather than the whole picture at the end: the picture is drawn
    // in strips because it does not fit in memory.
    bool streaming = false;
};

class PictureWriter {
public:
    virtual ~PictureWriter() = default;
    // One row of width x 3 bytes (red, green, blue), rows from the top.
    virtual bool WriteRow(const uint8_t* rgb) = 0;
    // Completes the file and puts it in place; false when anything failed since opening.
    virtual bool Finish() = 0;
    // Why the last call failed, with the operating system's reason where it has one.
    const std::string& Error() const { return error_; }

protected:
    std::string error_;
};

// Null with `error` set when the file cannot be started.
std::unique_ptr<PictureWriter> OpenPictureWriter(PictureFormat format, const PictureSpec& spec,
                                                 std::string& error);

std::unique_ptr<PictureWriter> OpenPngWriter(const PictureSpec& spec, std::string& error);
std::unique_ptr<PictureWriter> OpenGeoTiffWriter(const PictureSpec& spec, std::string& error);
std::unique_ptr<PictureWriter> OpenJpegWriter(const PictureSpec& spec, std::string& error);

// The largest side a format can hold.
int64_t LargestSide(PictureFormat format);

}  // namespace Tarn::Tools
