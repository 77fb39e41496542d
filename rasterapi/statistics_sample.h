// Which cells of a level the statistics of a large raster without overviews read: windows of
// whole blocks of the raster (so no block is decoded for a sliver of its cells), spread evenly
// over the raster with each row of windows shifted, together about `target_cells` cells of the
// full resolution. Each window holds at least 16 x 16 of the level's cells where the level has
// them, so the relief statistic has neighbours to compare.
#pragma once

#include <cstdint>
#include <vector>

namespace Tarn::RasterApi {

// Level cells [x0, x1) x [y0, y1), rows as the level's (from the north edge).
struct LevelWindow {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    int64_t Cells() const { return static_cast<int64_t>(x1 - x0) * (y1 - y0); }
};

struct SampleLayout {
    int64_t full_width = 0, full_height = 0;  // cells of the full resolution
    int block_width = 1, block_height = 1;    // the raster's blocks
    int level_width = 0, level_height = 0;
    bool rows_flipped = false;  // the level's rows run opposite to the blocks' (GDAL's) rows
};

// The whole level as one window when a sample would read more than half of it.
std::vector<LevelWindow> SampleWindows(const SampleLayout& layout, int64_t target_cells);

}  // namespace Tarn::RasterApi
