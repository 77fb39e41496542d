// World files (.pgw): the six affine coefficients that place a picture's pixels in world
// coordinates, from the registration points the plug-in hangs on the host record.
#pragma once

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

// "name.png" -> "name.pgw".
std::string WorldFilePath(const std::string& picture_path);

bool WriteWorldFile(const std::string& path, const WorldFile& world);

}  // namespace Tarn::Tools
