// Affine coefficients from the corner control points, and the world file text.
#include "tools/world_file.h"

#include <cstdio>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "tools/picture_writer.h"

namespace Tarn::Tools {

WorldFile WorldFileFor(const RegistrationPoints& points, const PictureWindow& window) {
    // Corners 0, 1 and 3 span the raster: cell (0, 0), (W, 0) and (0, H).
    const ControlPoint& origin = points.points[0];
    const ControlPoint& across = points.points[1];
    const ControlPoint& down = points.points[3];
    const double per_cell_x = 1.0 / (across.cell_x - origin.cell_x);
    const double per_cell_y = 1.0 / (down.cell_y - origin.cell_y);
    const auto world = [&](double cx, double cy, double& wx, double& wy) {
        const double u = (cx - origin.cell_x) * per_cell_x;
        const double v = (cy - origin.cell_y) * per_cell_y;
        wx = origin.world_x + u * (across.world_x - origin.world_x) +
             v * (down.world_x - origin.world_x);
        wy = origin.world_y + u * (across.world_y - origin.world_y) +
             v * (down.world_y - origin.world_y);
    };
    const double cells_per_pixel_x = (window.x1 - window.x0) / window.width;
    const double cells_per_pixel_y = (window.y1 - window.y0) / window.height;
    WorldFile file{};
    // World file positions name the centre of the top-left pixel.
    world(window.x0 + 0.5 * cells_per_pixel_x, window.y0 + 0.5 * cells_per_pixel_y, file.c, file.f);
    double x = 0, y = 0;
    world(window.x0 + 1.5 * cells_per_pixel_x, window.y0 + 0.5 * cells_per_pixel_y, x, y);
    file.a = x - file.c;
    file.d = y - file.f;
    world(window.x0 + 0.5 * cells_per_pixel_x, window.y0 + 1.5 * cells_per_pixel_y, x, y);
    file.b = x - file.c;
    file.e = y - file.f;
    return file;
}

std::string SidecarPath(const std::string& picture_path, const char* extension) {
    const size_t slash = picture_path.rfind('/');
    const size_t dot = picture_path.rfind('.');
    const bool has_extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? picture_path.substr(0, dot) : picture_path) + extension;
}

std::string WorldFilePath(const std::string& picture_path) {
    const std::optional<PictureFormat> format = PictureFormatForPath(picture_path);
    return SidecarPath(picture_path, format == PictureFormat::kJpeg ? ".jgw" : ".pgw");
}

std::array<double, 6> GeoTransformOf(const WorldFile& world) {
    return {world.c - 0.5 * world.a - 0.5 * world.b, world.a, world.b,
            world.f - 0.5 * world.d - 0.5 * world.e, world.d, world.e};
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
    Platform::AtomicFileWriter writer(path);
    if (writer.File() == nullptr ||
        std::fwrite(text.data(), 1, text.size(), writer.File()) != text.size() ||
        !writer.Commit()) {
        error = "cannot write " + path + ": " + Platform::LastErrorText();
        return false;
    }
    return true;
}

bool WriteWorldFile(const std::string& path, const WorldFile& world, std::string& error) {
    char text[256];
    std::snprintf(text, sizeof text, "%.12f\n%.12f\n%.12f\n%.12f\n%.12f\n%.12f\n", world.a, world.d,
                  world.b, world.e, world.c, world.f);
    return WriteTextFile(path, text, error);
}

}  // namespace Tarn::Tools
