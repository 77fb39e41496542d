// One picture as one RH_StartDraw, or as one per strip of rows, each strip a cell window of its
// own; rows go to the sink as each piece arrives, so a strip's memory is all a big picture needs.
#include "tools/draw_picture.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/memory_status.h"

namespace Tarn::Tools {
namespace {

// Strips are sized to about this many bytes of picture.
constexpr uint64_t kStripBytes = uint64_t{32} << 20;
// The engine hands out blocks of at most this many cells.
constexpr int64_t kMostBlockCells = int64_t{1} << 28;

// The first cell line that the plug-in takes to picture row `step` from the bottom: it divides
// in double and truncates, so the line is found by that same arithmetic rather than by a
// product that may round to the line below.
int32_t LineOfStep(int step, int32_t y0, double lines_per_row) {
    const auto step_of = [&](int64_t line) {
        return std::trunc((static_cast<double>(line) - y0) / lines_per_row);
    };
    int64_t line = y0 + static_cast<int64_t>(std::ceil(step * lines_per_row));
    while (step_of(line) < step) ++line;
    while (line > y0 && step_of(line - 1) >= step) --line;
    return static_cast<int32_t>(line);
}

// Draws one strip and hands its rows to the sink, top row first.
DrawOutcome DrawStrip(const PluginEntryPoints& entry, HostRasterRecord* host,
                      const PictureRequest& request, const Strip& strip,
                      const std::function<bool(const uint8_t*)>& sink,
                      const std::function<void(int)>& progress) {
    const auto [x0, y0, x1, y1] = request.window;
    (void)y0, (void)y1;
    const int width = request.width;
    // The host counts cell rows from the bottom; the picture's first delivered row is the top.
    const DrawRect cells{x0, host->height - strip.cell_y1, x1, host->height - strip.cell_y0};
    const DrawRect output{0, 0, width, strip.rows};
    const double rows_per_pixel = double(strip.cell_y1 - strip.cell_y0) / strip.rows;
    // A line number addresses one picture row only while each row spans at least one cell row;
    // when enlarging, the lines count picture rows instead.
    const double lines_per_row = rows_per_pixel >= 1.0 ? rows_per_pixel : 1.0;
    DrawOutcome outcome;
    int output_width = 0;
    if (!entry.start_draw(host, &output, &cells, lines_per_row, &output_width)) {
        outcome.error_code = host->error_code;
        return outcome;
    }
    const size_t row_bytes = size_t(width) * 3;
    bool complete = true;
    uint8_t* block = nullptr;
    if (!request.lines) {
        DrawRect rect{};
        complete = entry.get_block(host, &block, &rect) && block != nullptr;
    }
    for (int top = 0; top < strip.rows && complete; ++top) {
        const uint8_t* row = nullptr;
        if (request.lines) {
            const int32_t line = LineOfStep(strip.rows - 1 - top, cells.y0, lines_per_row);
            uint8_t* taken = nullptr;
            int16_t flag = 0;
            complete = entry.get_line(host, line, &taken, &flag) && taken != nullptr;
            row = taken;
        } else {
            // The block comes bottom row first.
            row = block + size_t(strip.rows - 1 - top) * row_bytes;
        }
        if (!complete) break;
        if (!sink(row)) {
            outcome.sink_failed = true;
            complete = false;
            break;
        }
        progress(strip.first_row + top + 1);
    }
    entry.end_draw(host);
    outcome.ok = complete;
    if (!complete && !outcome.sink_failed) outcome.error_code = host->error_code;
    return outcome;
}

}  // namespace

std::vector<Strip> PlanStrips(int cell_y0, int cell_y1, int height, int most_rows) {
    const int64_t cells = cell_y1 - cell_y0;
    most_rows = std::max(1, most_rows);
    const int64_t step = height / std::gcd(int64_t{height}, cells);
    const bool aligned = step <= most_rows;
    const int64_t rows_per_strip = aligned ? most_rows / step * step : most_rows;
    std::vector<Strip> strips;
    int64_t first = 0;
    int64_t first_cell = cell_y0;
    while (first < height) {
        int64_t end = std::min<int64_t>(height, first + rows_per_strip);
        int64_t end_cell =
            cell_y0 + (aligned ? end * cells / height : std::llround(double(end) * cells / height));
        // A strip needs a cell row of its own: when enlarging past the strip size, run on.
        while (end < height && end_cell <= first_cell) {
            end = std::min<int64_t>(height, end + rows_per_strip);
            end_cell = cell_y0 + std::llround(double(end) * cells / height);
        }
        if (end == height) end_cell = cell_y1;
        strips.push_back({int(first), int(end - first), int(first_cell), int(end_cell)});
        first = end;
        first_cell = end_cell;
    }
    return strips;
}

std::string PictureNeverFits(int64_t width, int64_t height) {
    if (width > kMostBlockCells)
        return "a picture " + std::to_string(width) + " pixels wide is more than the engine can " +
               "draw in one row";
    // Even a strip of one row needs its bytes, twice over while it is written.
    const uint64_t row = uint64_t(width) * 3;
    const uint64_t half = Platform::AvailablePhysicalMemory() / 2;
    if (2 * row > half)
        return "a picture of " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels needs " + std::to_string(row >> 20) + " MB for a single row, and only " +
               std::to_string(half >> 20) + " MB are available to the plug-in";
    return {};
}

int ChooseStripRows(const PictureRequest& request) {
    const uint64_t row = uint64_t(request.width) * 3;
    const int most_by_engine = int(std::max<int64_t>(1, kMostBlockCells / request.width));
    if (request.strip_rows > 0) return std::min(request.strip_rows, most_by_engine);
    const uint64_t picture = row * uint64_t(request.height);
    // The plug-in refuses a picture above half the available memory.
    if (picture <= kStripThresholdBytes && picture <= Platform::AvailablePhysicalMemory() / 2)
        return 0;
    return int(std::clamp<uint64_t>(kStripBytes / row, 1, uint64_t(most_by_engine)));
}

DrawOutcome DrawPicture(const PluginEntryPoints& entry, HostRasterRecord* host,
                        const PictureRequest& request,
                        const std::function<bool(const uint8_t* row)>& sink,
                        const std::function<void(int rows_done)>& progress) {
    const auto [x0, y0, x1, y1] = request.window;
    (void)x0, (void)x1;
    int strip_rows = ChooseStripRows(request);
    if (strip_rows == 0) {
        const Strip whole{0, request.height, y0, y1};
        DrawOutcome outcome = DrawStrip(entry, host, request, whole, sink, progress);
        // Memory may have gone since it was counted: strips then, as for a larger picture.
        if (outcome.ok || outcome.error_code != RH_ERROR_MEMORY) return outcome;
        PictureRequest in_strips = request;
        in_strips.strip_rows =
            int(std::max<uint64_t>(1, kStripBytes / (uint64_t(request.width) * 3)));
        strip_rows = ChooseStripRows(in_strips);
    }
    DrawOutcome outcome;
    for (const Strip& strip : PlanStrips(y0, y1, request.height, strip_rows)) {
        outcome = DrawStrip(entry, host, request, strip, sink, progress);
        if (!outcome.ok) return outcome;
    }
    return outcome;
}

}  // namespace Tarn::Tools
