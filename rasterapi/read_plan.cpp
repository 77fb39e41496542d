// Clipping a request to the raster and turning it into a GDAL window.
#include "rasterapi/read_plan.h"

#include <algorithm>
#include <cmath>

namespace Tarn::RasterApi {
namespace {

double Centre(double origin, double step, int index) {
    return origin + (index + 0.5) * step;
}

// Output indexes in [lowest, count) whose centre lies in [0, limit): [first, end).
void InsideRange(double origin, double step, int lowest, int count, double limit, int& first,
                 int& end) {
    auto clamp_index = [&](double v) {
        if (!(v > lowest)) return lowest;
        if (v >= count) return count;
        return static_cast<int>(v);
    };
    first = clamp_index(std::ceil(-origin / step - 0.5));
    // The estimate may be one off after rounding; settle it on the actual centres.
    while (first > lowest && Centre(origin, step, first - 1) >= 0.0) --first;
    while (first < count && Centre(origin, step, first) < 0.0) ++first;
    end = std::max(first, clamp_index(std::ceil((limit - origin) / step - 0.5)));
    while (end > first && Centre(origin, step, end - 1) >= limit) --end;
    while (end < count && Centre(origin, step, end) < limit) ++end;
}

}  // namespace

ReadPlan PlanRead(const RasterGeometry& geometry, int64_t x, int64_t y, int64_t width,
                  int64_t height, int output_width, int output_height, int row_begin, int row_end) {
    ReadPlan plan;
    if (row_end < 0) row_end = output_height;
    const double step_x = static_cast<double>(width) / output_width;
    const double step_y = static_cast<double>(height) / output_height;
    const double raster_width = static_cast<double>(geometry.width);
    const double raster_height = static_cast<double>(geometry.height);
    InsideRange(static_cast<double>(x), step_x, 0, output_width, raster_width, plan.out_x0,
                plan.out_x1);
    InsideRange(static_cast<double>(y), step_y, row_begin, row_end, raster_height, plan.out_y0,
                plan.out_y1);
    plan.flip_rows = geometry.flip_rows;
    if (plan.out_x1 <= plan.out_x0 || plan.out_y1 <= plan.out_y0) return plan;
    plan.empty = false;

    const bool whole = plan.out_x0 == 0 && plan.out_x1 == output_width && plan.out_y0 == 0 &&
                       plan.out_y1 == output_height && x >= 0 && y >= 0 &&
                       x + width <= geometry.width && y + height <= geometry.height;
    if (whole) {
        // The common case: GDAL gets exactly the caller's window.
        plan.x_off = static_cast<int>(x);
        plan.x_size = static_cast<int>(width);
        plan.y_size = static_cast<int>(height);
        plan.y_off = static_cast<int>(geometry.flip_rows ? geometry.height - y - height : y);
        return plan;
    }
    plan.floating = true;
    plan.fx = static_cast<double>(x) + plan.out_x0 * step_x;
    plan.fw = plan.Columns() * step_x;
    const double engine_fy = static_cast<double>(y) + plan.out_y0 * step_y;
    plan.fh = plan.Rows() * step_y;
    plan.fy = geometry.flip_rows ? raster_height - (engine_fy + plan.fh) : engine_fy;

    auto integer_span = [](double from, double size, double limit, int& offset, int& span) {
        const double low = std::clamp(std::floor(from), 0.0, limit - 1.0);
        const double high = std::clamp(std::ceil(from + size), low + 1.0, limit);
        offset = static_cast<int>(low);
        span = static_cast<int>(high - low);
    };
    integer_span(plan.fx, plan.fw, raster_width, plan.x_off, plan.x_size);
    integer_span(plan.fy, plan.fh, raster_height, plan.y_off, plan.y_size);
    return plan;
}

}  // namespace Tarn::RasterApi
