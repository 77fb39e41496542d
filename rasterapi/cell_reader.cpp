// GDAL reads into caller-laid-out grids; validity from GDAL's mask flags.
#include "rasterapi/cell_reader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace Tarn::RasterApi {
namespace {

GDALRasterIOExtraArg ExtraArgFor(const ReadPlan& plan,
                                 GDALRIOResampleAlg kernel = GRIORA_NearestNeighbour) {
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = kernel;
    if (plan.floating) {
        extra.bFloatingPointWindowValidity = TRUE;
        extra.dfXOff = plan.fx;
        extra.dfYOff = plan.fy;
        extra.dfXSize = plan.fw;
        extra.dfYSize = plan.fh;
    }
    return extra;
}

bool IsFloatingType(GDALDataType type) {
    return GDALDataTypeIsFloating(type) != 0;
}

// Whether values of `band_type` stay distinct and exact in the buffer type, so that a no-data
// value can be compared there; otherwise GDAL's own mask band (which compares in the band's
// type) decides.
bool NoDataComparable(GDALDataType band_type, GDALDataType buffer_type) {
    if (GDALDataTypeIsComplex(band_type)) return false;
    switch (buffer_type) {
        case GDT_Byte:
            return band_type == GDT_Byte;
        case GDT_Float32:
            return band_type == GDT_Byte || band_type == GDT_UInt16 || band_type == GDT_Int16 ||
                   band_type == GDT_Float32;
        case GDT_Float64:
            return band_type != GDT_UInt64 && band_type != GDT_Int64;
        default:
            return false;
    }
}

// Whether a cell of type T can equal `value` (NaN equals nothing; the NaN test covers it).
template <typename T>
bool Representable(double value) {
    if constexpr (std::is_same_v<T, uint8_t>) {
        return value >= 0 && value <= 255 && value == std::floor(value);
    } else if constexpr (std::is_same_v<T, float>) {
        if (std::isinf(value)) return true;
        return std::isfinite(value) && std::fabs(value) <= FLT_MAX &&
               static_cast<double>(static_cast<float>(value)) == value;
    } else {
        return !std::isnan(value);
    }
}

// What decides the validity of a cell, beside its being inside the raster.
struct ValidityRule {
    bool from_mask = false;  // the validity bytes already hold GDAL's mask (nonzero = valid)
    bool nan = false;        // NaN is invalid
    bool compare = false;    // the no-data value is invalid
    double nodata = 0;
};

// One row in one pass; the tests are compile-time so that the common cases vectorise.
template <typename T, bool kFromMask, bool kNaN, bool kCompare, size_t kStride>
void MarkRow(const uint8_t* elements, size_t stride, uint8_t* valid, int count, T target) {
    if constexpr (kStride == 0) {
        if (stride == sizeof(T)) {
            MarkRow<T, kFromMask, kNaN, kCompare, sizeof(T)>(elements, stride, valid, count,
                                                             target);
            return;
        }
    }
    const size_t step = kStride != 0 ? kStride : stride;
    for (int i = 0; i < count; ++i) {
        T v;
        std::memcpy(&v, elements + static_cast<size_t>(i) * step, sizeof v);
        bool ok = true;
        if constexpr (kFromMask) ok = valid[i] != 0;
        if constexpr (kNaN) ok = ok && v == v;
        if constexpr (kCompare) ok = ok && v != target;
        valid[i] = ok ? 1 : 0;
    }
}

template <typename T, bool kFromMask, bool kNaN, bool kCompare>
void MarkRows(const ReadPlan& plan, const CellGrid& grid, T target) {
    for (int row = plan.out_y0; row < plan.out_y1; ++row)
        MarkRow<T, kFromMask, kNaN, kCompare, 0>(
            grid.Element(plan.out_x0, row), static_cast<size_t>(grid.element_bytes),
            grid.Valid(plan.out_x0, row), plan.Columns(), target);
}

template <typename T>
void MarkTyped(const ReadPlan& plan, const CellGrid& grid, ValidityRule rule) {
    if constexpr (std::is_same_v<T, uint8_t>) rule.nan = false;
    if (rule.compare && !Representable<T>(rule.nodata)) rule.compare = false;  // no cell holds it
    const T target = rule.compare ? static_cast<T>(rule.nodata) : T{};
    const int key = (rule.from_mask ? 4 : 0) | (rule.nan ? 2 : 0) | (rule.compare ? 1 : 0);
    switch (key) {
        case 0:
            MarkRows<T, false, false, false>(plan, grid, target);
            break;
        case 1:
            MarkRows<T, false, false, true>(plan, grid, target);
            break;
        case 2:
            MarkRows<T, false, true, false>(plan, grid, target);
            break;
        case 3:
            MarkRows<T, false, true, true>(plan, grid, target);
            break;
        case 4:
            MarkRows<T, true, false, false>(plan, grid, target);
            break;
        case 5:
            MarkRows<T, true, false, true>(plan, grid, target);
            break;
        case 6:
            MarkRows<T, true, true, false>(plan, grid, target);
            break;
        default:
            MarkRows<T, true, true, true>(plan, grid, target);
            break;
    }
}

void Mark(const ReadPlan& plan, const CellGrid& grid, const ValidityRule& rule) {
    switch (grid.type) {
        case GDT_Byte:
            MarkTyped<uint8_t>(plan, grid, rule);
            break;
        case GDT_Float32:
            MarkTyped<float>(plan, grid, rule);
            break;
        default:
            MarkTyped<double>(plan, grid, rule);
            break;
    }
}

// A resampled value that a valid pixel cannot show: NaN, or the band's no-data value.
template <typename T>
bool Unusable(T value, bool has_nodata, T nodata) {
    return value != value || (has_nodata && value == nodata);
}

// Valid pixels whose resampled value is unusable take the cell under their centre (a nearest
// read of their row), or become invalid when that cell is unusable too. GDAL's kernels do not
// mask NaN cells of a band that has no no-data value, and they leave the no-data value where
// they found no input to use; neither may show in a pixel whose own cell has a value.
template <typename T>
Status RepairRows(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid,
                  GDALDataType type) {
    int has_nodata = 0;
    const double nodata_value = GDALGetRasterNoDataValue(band, &has_nodata);
    const bool compare = has_nodata && Representable<T>(nodata_value);
    const T nodata = compare ? static_cast<T>(nodata_value) : T{};
    const int columns = plan.Columns();
    std::vector<T> nearest;
    for (int row = plan.out_y0; row < plan.out_y1; ++row) {
        const uint8_t* elements = grid.Element(plan.out_x0, row);
        uint8_t* valid = grid.Valid(plan.out_x0, row);
        bool any = false;
        for (int i = 0; i < columns && !any; ++i) {
            T v;
            std::memcpy(&v, elements + static_cast<size_t>(i) * grid.element_bytes, sizeof v);
            any = valid[i] != 0 && Unusable(v, compare, nodata);
        }
        if (!any) continue;
        nearest.resize(static_cast<size_t>(columns));
        const ReadPlan one = PlanOneRow(plan, row, GDALGetRasterBandYSize(band));
        GDALRasterIOExtraArg extra = ExtraArgFor(one);
        if (GDALRasterIOEx(band, GF_Read, one.x_off, one.y_off, one.x_size, one.y_size,
                           nearest.data(), columns, 1, type, sizeof(T), 0, &extra) != CE_None)
            return kReadFailed;
        uint8_t* element = grid.Element(plan.out_x0, row);
        for (int i = 0; i < columns; ++i, element += grid.element_bytes) {
            T v;
            std::memcpy(&v, element, sizeof v);
            if (valid[i] == 0 || !Unusable(v, compare, nodata)) continue;
            if (Unusable(nearest[static_cast<size_t>(i)], compare, nodata))
                valid[i] = 0;
            else
                std::memcpy(element, &nearest[static_cast<size_t>(i)], sizeof v);
        }
    }
    return kOk;
}

Status RepairUnusable(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid) {
    switch (grid.type) {
        case GDT_Float32:
            return RepairRows<float>(band, plan, grid, GDT_Float32);
        case GDT_Float64:
            return RepairRows<double>(band, plan, grid, GDT_Float64);
        default:
            return kOk;  // bytes hold no NaN, and only masked cells hold the no-data value
    }
}

// Source cell of each output pixel along one axis, by the rule of GDAL's nearest reads: the
// pixel's centre nudged by 1e-10 and clamped to the band. GDAL steps along a row by repeated
// addition and computes each row afresh; the two can differ in the last bit, so both are kept.
std::vector<int> NearestCells(double offset, double size, int pixels, int band_size,
                              bool stepped) {
    constexpr double kNudge = 1e-10;
    const double step = size / pixels;
    const double last = static_cast<double>(band_size - 1);
    std::vector<int> cells(static_cast<size_t>(pixels));
    double centre = 0.5 * step + offset + kNudge;
    for (int i = 0; i < pixels; ++i) {
        if (!stepped) centre = (i + 0.5) * step + offset + kNudge;
        cells[static_cast<size_t>(i)] = static_cast<int>(std::min(std::max(0.0, centre), last));
        if (stepped) centre += step;
    }
    return cells;
}

enum class Spread { kDone, kNotMagnified, kFailed };

// Validity of a magnified read: GDAL's mask read cell for cell over the window, then spread to
// the pixels by GDAL's nearest rule. The bytes are those of GDAL's own nearest read of the mask
// at the pixels' size, which looks its block up pixel by pixel and costs as much as the kernel.
Spread SpreadMask(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid) {
    const int columns = plan.Columns(), rows = plan.Rows();
    const std::vector<int> xs =
        NearestCells(plan.floating ? plan.fx : plan.x_off, plan.floating ? plan.fw : plan.x_size,
                     columns, GDALGetRasterBandXSize(band), true);
    const std::vector<int> ys =
        NearestCells(plan.floating ? plan.fy : plan.y_off, plan.floating ? plan.fh : plan.y_size,
                     rows, GDALGetRasterBandYSize(band), false);
    const int x0 = xs.front(), y0 = ys.front();
    const int cells_x = xs.back() - x0 + 1, cells_y = ys.back() - y0 + 1;
    if (cells_x > columns || cells_y > rows) return Spread::kNotMagnified;
    std::vector<uint8_t> cells(static_cast<size_t>(cells_x) * static_cast<size_t>(cells_y));
    if (GDALRasterIO(GDALGetMaskBand(band), GF_Read, x0, y0, cells_x, cells_y, cells.data(),
                     cells_x, cells_y, GDT_Byte, 0, 0) != CE_None)
        return Spread::kFailed;
    for (int row = 0; row < rows; ++row) {
        uint8_t* valid = grid.Valid(plan.out_x0, plan.out_y0 + row);
        if (row > 0 && ys[static_cast<size_t>(row)] == ys[static_cast<size_t>(row) - 1]) {
            std::memcpy(valid, grid.Valid(plan.out_x0, plan.out_y0 + row - 1),
                        static_cast<size_t>(columns));
            continue;
        }
        const uint8_t* source =
            cells.data() + static_cast<size_t>(ys[static_cast<size_t>(row)] - y0) * cells_x;
        for (int i = 0; i < columns; ++i) valid[i] = source[xs[static_cast<size_t>(i)] - x0];
    }
    return Spread::kDone;
}

}  // namespace

Status FillValidity(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid,
                    bool values_resampled) {
    if (plan.empty) return kOk;
    const int flags = GDALGetMaskFlags(band);
    const GDALDataType band_type = GDALGetRasterDataType(band);
    int has_nodata = 0;
    ValidityRule rule;
    rule.nodata = GDALGetRasterNoDataValue(band, &has_nodata);
    // Resampled values say nothing of the cell under a pixel's centre: only the mask, read by
    // nearest cell, does (NaN is settled by RepairUnusable).
    rule.nan = IsFloatingType(band_type) && !values_resampled;
    if (flags == GMF_ALL_VALID) {
        // Only NaN, when the type has it.
    } else if (flags == GMF_NODATA && has_nodata && !values_resampled &&
               NoDataComparable(band_type, grid.type)) {
        rule.compare = true;
    } else if (const Spread spread = values_resampled ? SpreadMask(band, plan, grid)
                                                       : Spread::kNotMagnified;
               spread != Spread::kNotMagnified) {
        if (spread == Spread::kFailed) return kReadFailed;
        rule.from_mask = true;
    } else {
        GDALRasterIOExtraArg extra = ExtraArgFor(plan);
        const CPLErr error =
            GDALRasterIOEx(GDALGetMaskBand(band), GF_Read, plan.x_off, plan.y_off, plan.x_size,
                           plan.y_size, grid.Valid(plan.out_x0, plan.out_y0), plan.Columns(),
                           plan.Rows(), GDT_Byte, 1, grid.validity_row, &extra);
        if (error != CE_None) return kReadFailed;
        rule.from_mask = true;
    }
    Mark(plan, grid, rule);
    return kOk;
}

void FlipRows(const ReadPlan& plan, const CellGrid& grid) {
    if (plan.empty || !plan.flip_rows) return;
    const size_t data_span = static_cast<size_t>(plan.Columns()) * grid.element_bytes;
    const size_t valid_span = static_cast<size_t>(plan.Columns());
    for (int top = plan.out_y0, bottom = plan.out_y1 - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(grid.Element(plan.out_x0, top), grid.Element(plan.out_x0, top) + data_span,
                         grid.Element(plan.out_x0, bottom));
        std::swap_ranges(grid.Valid(plan.out_x0, top), grid.Valid(plan.out_x0, top) + valid_span,
                         grid.Valid(plan.out_x0, bottom));
    }
}

Status ReadBandCells(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid,
                     GDALRIOResampleAlg kernel) {
    if (plan.empty) return kOk;
    GDALRasterIOExtraArg extra = ExtraArgFor(plan, kernel);
    const CPLErr error =
        GDALRasterIOEx(band, GF_Read, plan.x_off, plan.y_off, plan.x_size, plan.y_size,
                       grid.Element(plan.out_x0, plan.out_y0), plan.Columns(), plan.Rows(),
                       grid.type, grid.element_bytes, grid.row_bytes, &extra);
    if (error != CE_None) return kReadFailed;
    const bool resampled = kernel != GRIORA_NearestNeighbour;
    Status status = FillValidity(band, plan, grid, resampled);
    if (status == kOk && resampled) status = RepairUnusable(band, plan, grid);
    if (status != kOk) return status;
    FlipRows(plan, grid);
    return kOk;
}

Status ReadComponentBytes(const std::vector<GDALRasterBandH>& bands, const ReadPlan& plan,
                          const CellGrid& grid, GDALRIOResampleAlg kernel) {
    if (plan.empty) return kOk;
    for (size_t i = 0; i < bands.size(); ++i) {
        GDALRasterIOExtraArg extra = ExtraArgFor(plan, kernel);
        const CPLErr error =
            GDALRasterIOEx(bands[i], GF_Read, plan.x_off, plan.y_off, plan.x_size, plan.y_size,
                           grid.Element(plan.out_x0, plan.out_y0) + i, plan.Columns(), plan.Rows(),
                           GDT_Byte, grid.element_bytes, grid.row_bytes, &extra);
        if (error != CE_None) return kReadFailed;
    }
    return kOk;
}

}  // namespace Tarn::RasterApi
