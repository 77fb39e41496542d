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

// The integer window that holds [from, from + size), within [0, limit).
void IntegerSpan(double from, double size, double limit, int& offset, int& span) {
    const double low = std::clamp(std::floor(from), 0.0, limit - 1.0);
    const double high = std::clamp(std::ceil(from + size), low + 1.0, limit);
    offset = static_cast<int>(low);
    span = static_cast<int>(high - low);
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
    IntegerSpan(plan.fx, plan.fw, raster_width, plan.x_off, plan.x_size);
    IntegerSpan(plan.fy, plan.fh, raster_height, plan.y_off, plan.y_size);
    return plan;
}

ReadPlan PlanPart(const RasterGeometry& geometry, int output_width, int output_height, int x0,
                  int y0, int x1, int y1) {
    ReadPlan plan = PlanRead(geometry, 0, 0, geometry.width, geometry.height, output_width,
                             output_height, y0, y1);
    if (plan.empty || (x0 == 0 && x1 == output_width)) return plan;
    if (!plan.floating) {
        plan.floating = true;
        plan.fy = plan.y_off;
        plan.fh = plan.y_size;
    }
    const double step_x = static_cast<double>(geometry.width) / output_width;
    plan.out_x0 = x0;
    plan.out_x1 = x1;
    plan.fx = x0 * step_x;
    plan.fw = (x1 - x0) * step_x;
    IntegerSpan(plan.fx, plan.fw, static_cast<double>(geometry.width), plan.x_off, plan.x_size);
    return plan;
}

ReadPlan PlanOnLevel(const ReadPlan& plan, const RasterGeometry& geometry, int64_t level_width,
                     int64_t level_height) {
    if (plan.empty || (level_width == geometry.width && level_height == geometry.height))
        return plan;
    ReadPlan on_level = plan;
    const double scale_x = static_cast<double>(level_width) / static_cast<double>(geometry.width);
    const double scale_y = static_cast<double>(level_height) / static_cast<double>(geometry.height);
    on_level.floating = true;
    on_level.fx = (plan.floating ? plan.fx : plan.x_off) * scale_x;
    on_level.fy = (plan.floating ? plan.fy : plan.y_off) * scale_y;
    on_level.fw = (plan.floating ? plan.fw : plan.x_size) * scale_x;
    on_level.fh = (plan.floating ? plan.fh : plan.y_size) * scale_y;
    IntegerSpan(on_level.fx, on_level.fw, static_cast<double>(level_width), on_level.x_off,
                on_level.x_size);
    IntegerSpan(on_level.fy, on_level.fh, static_cast<double>(level_height), on_level.y_off,
                on_level.y_size);
    return on_level;
}

ReadPlan PlanOneRow(const ReadPlan& plan, int row, int64_t level_height) {
    ReadPlan one = plan;
    const double from = plan.floating ? plan.fy : plan.y_off;
    const double step = (plan.floating ? plan.fh : plan.y_size) / plan.Rows();
    one.out_y0 = row;
    one.out_y1 = row + 1;
    one.floating = true;
    one.fx = plan.floating ? plan.fx : plan.x_off;
    one.fw = plan.floating ? plan.fw : plan.x_size;
    one.fy = from + (row - plan.out_y0) * step;
    one.fh = step;
    IntegerSpan(one.fy, one.fh, static_cast<double>(level_height), one.y_off, one.y_size);
    return one;
}

}  // namespace Tarn::RasterApi
