// Taking a picture from the plug-in, in one piece or in strips of rows, and handing its rows
// from the top to a sink as they come.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/plugin_host.h"

namespace Tarn::Tools {

// A cell window (columns x0 to x1, rows y0 to y1 counted from the top, half open) drawn to a
// picture of width x height pixels.
struct PictureRequest {
    std::array<int, 4> window{};
    int width = 0;
    int height = 0;
    bool lines = false;  // take each piece line by line (RH_GetLine) rather than as a block
    int strip_rows = 0;  // draw in strips of this many rows; 0 lets the size decide
};

// Rows [first_row, first_row + rows) of the picture, drawn from cell rows [cell_y0, cell_y1)
// counted from the top.
struct Strip {
    int first_row = 0;
    int rows = 0;
    int cell_y0 = 0;
    int cell_y1 = 0;
};

// Splits the picture rows of a window of cell rows [cell_y0, cell_y1) into strips of at most
// `most_rows` rows. Strip edges fall where a picture row starts at a whole cell row, so each
// strip is drawn with the whole picture's scale; when no such edge lies within `most_rows`, the
// edges are the nearest whole cell rows instead and strips may be a fraction of a cell off.
std::vector<Strip> PlanStrips(int cell_y0, int cell_y1, int height, int most_rows);

// Pictures above this many bytes are drawn in strips.
inline constexpr uint64_t kStripThresholdBytes = uint64_t{256} << 20;

struct DrawOutcome {
    bool ok = false;
    int32_t error_code = 0;  // the plug-in's, when it refused
    bool sink_failed = false;
};

// Why a picture of this size cannot be drawn at all (empty when it can), before any work.
std::string PictureNeverFits(int64_t width, int64_t height);

// The number of rows per strip, or 0 to draw in one piece.
int ChooseStripRows(const PictureRequest& request);

// Draws the request through the open raster and hands each row (width x 3 bytes, from the top)
// to `sink`, which returns false to stop. `progress` hears the number of rows done so far.
DrawOutcome DrawPicture(const PluginEntryPoints& entry, HostRasterRecord* host,
                        const PictureRequest& request,
                        const std::function<bool(const uint8_t* row)>& sink,
                        const std::function<void(int rows_done)>& progress);

}  // namespace Tarn::Tools
