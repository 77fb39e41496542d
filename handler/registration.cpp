// Building the registration points of an opened raster.
#include "handler/registration.h"

#include <cstdlib>

namespace Tarn::Handler {

bool IsGeoreferenced(const KvrFieldInfo& field) {
    const auto cell_width = static_cast<double>(field.cell_x1 - field.cell_x0);
    const auto cell_height = static_cast<double>(field.cell_y1 - field.cell_y0);
    return !(field.world_min_x == 0.0 && field.world_min_y == 0.0 &&
             field.world_max_x == cell_width && field.world_max_y == cell_height);
}

RegistrationPoints* NewRegistrationPoints(double width, double height, const KvrFieldInfo& field) {
    auto* points = static_cast<RegistrationPoints*>(std::calloc(1, sizeof(RegistrationPoints)));
    if (points == nullptr) return nullptr;
    points->magic = RH_REGISTRATION_MAGIC;
    points->size = sizeof(RegistrationPoints);
    points->count = 4;
    // Cell rows count down from the top edge, so cell y 0 lies at the world's maximum y.
    const double corners[4][4] = {
        {0.0, 0.0, field.world_min_x, field.world_max_y},
        {width, 0.0, field.world_max_x, field.world_max_y},
        {width, height, field.world_max_x, field.world_min_y},
        {0.0, height, field.world_min_x, field.world_min_y},
    };
    for (int i = 0; i < 4; ++i) {
        points->points[i] = {corners[i][0], corners[i][1], 1.0, corners[i][2], corners[i][3], 1.0};
    }
    return points;
}

}  // namespace Tarn::Handler
