// Block-aligned windows on a lattice, shifted by the golden ratio from row to row so that no
// column of the raster is favoured.
#include "rasterapi/statistics_sample.h"

#include <algorithm>
#include <cmath>

namespace Tarn::RasterApi {
namespace {

constexpr int kMinimumSide = 16;  // level cells

// Level cells whose whole footprint, [i * step, (i + 1) * step) in full-resolution cells, lies
// in [from, to): reading them touches no block outside.
void LevelSpan(int64_t from, int64_t to, double step, int limit, int& first, int& end) {
    first = std::min(limit, static_cast<int>(std::ceil(from / step - 1e-9)));
    end = std::min(limit, static_cast<int>(std::floor(to / step + 1e-9)));
    if (end < first) end = first;
}

}  // namespace

std::vector<LevelWindow> SampleWindows(const SampleLayout& layout, int64_t target_cells) {
    const std::vector<LevelWindow> whole{{0, 0, layout.level_width, layout.level_height}};
    if (layout.level_width <= 0 || layout.level_height <= 0) return {};
    const double step_x = static_cast<double>(layout.full_width) / layout.level_width;
    const double step_y = static_cast<double>(layout.full_height) / layout.level_height;
    // A window: the fewest whole blocks that span the minimum side.
    const int64_t block_w = std::max(1, layout.block_width);
    const int64_t block_h = std::max(1, layout.block_height);
    const int64_t side_x =
        block_w *
        std::max<int64_t>(1, static_cast<int64_t>(std::ceil(kMinimumSide * step_x / block_w)));
    const int64_t side_y =
        block_h *
        std::max<int64_t>(1, static_cast<int64_t>(std::ceil(kMinimumSide * step_y / block_h)));
    const int64_t columns = (layout.full_width + side_x - 1) / side_x;
    const int64_t rows = (layout.full_height + side_y - 1) / side_y;
    const int64_t slots = columns * rows;
    const int64_t wanted =
        std::max<int64_t>(1, (target_cells + side_x * side_y - 1) / (side_x * side_y));
    if (wanted * 2 >= slots) return whole;

    const int64_t shift = std::max<int64_t>(1, std::llround(columns * 0.6180339887));
    std::vector<LevelWindow> windows;
    for (int64_t i = 0; i < wanted; ++i) {
        const int64_t slot = static_cast<int64_t>((i + 0.5) * static_cast<double>(slots) / wanted);
        const int64_t row = slot / columns;
        const int64_t column = (slot % columns + row * shift) % columns;
        // Blocks count in GDAL's rows; the level's rows may run the other way.
        int64_t top = row * side_y;
        int64_t bottom = std::min(layout.full_height, top + side_y);
        if (layout.rows_flipped) {
            const int64_t flipped_top = layout.full_height - bottom;
            bottom = layout.full_height - top;
            top = flipped_top;
        }
        LevelWindow window;
        LevelSpan(column * side_x, std::min(layout.full_width, (column + 1) * side_x), step_x,
                  layout.level_width, window.x0, window.x1);
        LevelSpan(top, bottom, step_y, layout.level_height, window.y0, window.y1);
        if (window.Cells() > 0) windows.push_back(window);
    }
    return windows.empty() ? whole : windows;
}

}  // namespace Tarn::RasterApi
