// Row lookup, flipping and release of the picture buffer.
#include "handler/picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Tarn::Handler {
namespace {

int64_t RowBytes(const DrawRect& output) {
    return int64_t{output.x1 - output.x0} * 3;
}

}  // namespace

uint8_t* PictureRow(const HandlerContext& context, int32_t line) {
    if (!context.picture_ready || context.pixels == nullptr) return nullptr;
    const DrawRect& out = context.output_rect;
    // The picture's rows run in the order the engine delivered them; the host counts lines
    // the other way, so line y0 is the picture's last row.
    const double step = (static_cast<double>(line) - context.cell_rect.y0) / context.lines_per_row;
    if (!std::isfinite(step)) return nullptr;
    const double k = std::trunc(step);
    const double row = static_cast<double>(out.y1) - k - out.y0 - 1;
    const int64_t height = int64_t{out.y1} - out.y0;
    // A line outside the picture would point outside the buffer: refuse it.
    if (!(row >= 0) || row >= static_cast<double>(height)) return nullptr;
    return context.pixels + static_cast<int64_t>(row) * RowBytes(out);
}

void FlipPicture(HandlerContext& context) {
    if (context.pixels == nullptr) return;
    const int64_t row_bytes = RowBytes(context.output_rect);
    const int64_t height = int64_t{context.output_rect.y1} - context.output_rect.y0;
    for (int64_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(context.pixels + top * row_bytes, context.pixels + (top + 1) * row_bytes,
                         context.pixels + bottom * row_bytes);
    }
}

void EndPicture(HandlerContext& context) {
    std::free(context.pixels);
    context.pixels = nullptr;
    context.picture_ready = false;
}

}  // namespace Tarn::Handler
