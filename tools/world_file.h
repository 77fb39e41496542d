// World files (.pgw, .jgw): the six affine coefficients that place a picture's pixels in world
// coordinates, from the registration points the plug-in hangs on the host record; and small
// text files written beside a picture.
#pragma once

#include <array>
#include <string>

#include "handler/rh_api.h"

namespace Tarn::Tools {

// A picture of `width` x `height` pixels showing the cell window [x0, x1) x [y0, y1), rows
// counted from the top as the registration points count them.
struct PictureWindow {
    double x0, y0, x1, y1;
    int width, height;
};

struct WorldFile {
    double a, d, b, e, c, f;  // in the order the file lists them
};

WorldFile WorldFileFor(const RegistrationPoints& points, const PictureWindow& window);

// "name.png" -> "name.pgw", "name.jpg" -> "name.jgw".
std::string WorldFilePath(const std::string& picture_path);
// The picture's path with its extension replaced by `extension` (".prj").
std::string SidecarPath(const std::string& picture_path, const char* extension);

// The GDAL geotransform of the same placement (it names the top-left pixel's corner).
std::array<double, 6> GeoTransformOf(const WorldFile& world);

// Both false with the operating system's reason in `error`.
bool WriteWorldFile(const std::string& path, const WorldFile& world, std::string& error);
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace Tarn::Tools
