// GDAL reads into caller-laid-out grids; validity from GDAL's mask flags.
#include "rasterapi/cell_reader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace Tarn::RasterApi {
namespace {

GDALRasterIOExtraArg ExtraArgFor(const ReadPlan& plan) {
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_NearestNeighbour;
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

template <typename T, typename Test>
void MarkInside(const ReadPlan& plan, const CellGrid& grid, Test&& is_valid) {
    for (int row = plan.out_y0; row < plan.out_y1; ++row) {
        const uint8_t* element = grid.Element(plan.out_x0, row);
        uint8_t* valid = grid.Valid(plan.out_x0, row);
        for (int column = 0; column < plan.Columns(); ++column, element += grid.element_bytes) {
            T value;
            std::memcpy(&value, element, sizeof value);
            valid[column] = is_valid(value, valid[column]) ? 1 : 0;
        }
    }
}

// Applies `is_valid(value, previous validity)` to every inside element in the grid's type.
template <typename Test>
void MarkInsideTyped(const ReadPlan& plan, const CellGrid& grid, Test&& is_valid) {
    switch (grid.type) {
        case GDT_Byte:
            MarkInside<uint8_t>(plan, grid, is_valid);
            break;
        case GDT_Float32:
            MarkInside<float>(plan, grid, is_valid);
            break;
        default:
            MarkInside<double>(plan, grid, is_valid);
            break;
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

void SetInside(const ReadPlan& plan, const CellGrid& grid, uint8_t value) {
    for (int row = plan.out_y0; row < plan.out_y1; ++row)
        std::memset(grid.Valid(plan.out_x0, row), value, static_cast<size_t>(plan.Columns()));
}

void CompareNoData(const ReadPlan& plan, const CellGrid& grid, double nodata) {
    auto compare = [&](auto zero) {
        using T = decltype(zero);
        if (!Representable<T>(nodata)) {
            SetInside(plan, grid, 1);  // no cell can hold it
            return;
        }
        const T target = static_cast<T>(nodata);
        MarkInside<T>(plan, grid, [target](T value, uint8_t) { return value != target; });
    };
    switch (grid.type) {
        case GDT_Byte:
            compare(uint8_t{});
            break;
        case GDT_Float32:
            compare(float{});
            break;
        default:
            compare(double{});
            break;
    }
}

}  // namespace

Status FillValidity(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid) {
    if (plan.empty) return kOk;
    const int flags = GDALGetMaskFlags(band);
    const GDALDataType band_type = GDALGetRasterDataType(band);
    int has_nodata = 0;
    const double nodata = GDALGetRasterNoDataValue(band, &has_nodata);
    if (flags == GMF_ALL_VALID) {
        SetInside(plan, grid, 1);
    } else if (flags == GMF_NODATA && has_nodata && NoDataComparable(band_type, grid.type)) {
        CompareNoData(plan, grid, nodata);
    } else {
        GDALRasterIOExtraArg extra = ExtraArgFor(plan);
        const CPLErr error =
            GDALRasterIOEx(GDALGetMaskBand(band), GF_Read, plan.x_off, plan.y_off, plan.x_size,
                           plan.y_size, grid.Valid(plan.out_x0, plan.out_y0), plan.Columns(),
                           plan.Rows(), GDT_Byte, 1, grid.validity_row, &extra);
        if (error != CE_None) return kReadFailed;
        for (int row = plan.out_y0; row < plan.out_y1; ++row) {
            uint8_t* valid = grid.Valid(plan.out_x0, row);
            for (int column = 0; column < plan.Columns(); ++column)
                valid[column] = valid[column] != 0 ? 1 : 0;
        }
    }
    if (IsFloatingType(band_type) && grid.type != GDT_Byte) {
        MarkInsideTyped(plan, grid, [](auto value, uint8_t valid) {
            return valid != 0 && !std::isnan(static_cast<double>(value));
        });
    }
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

Status ReadBandCells(GDALRasterBandH band, const ReadPlan& plan, const CellGrid& grid) {
    if (plan.empty) return kOk;
    GDALRasterIOExtraArg extra = ExtraArgFor(plan);
    const CPLErr error =
        GDALRasterIOEx(band, GF_Read, plan.x_off, plan.y_off, plan.x_size, plan.y_size,
                       grid.Element(plan.out_x0, plan.out_y0), plan.Columns(), plan.Rows(),
                       grid.type, grid.element_bytes, grid.row_bytes, &extra);
    if (error != CE_None) return kReadFailed;
    const Status status = FillValidity(band, plan, grid);
    if (status != kOk) return status;
    FlipRows(plan, grid);
    return kOk;
}

Status ReadComponentBytes(GDALDatasetH dataset, std::vector<int> bands, const ReadPlan& plan,
                          const CellGrid& grid) {
    if (plan.empty) return kOk;
    GDALRasterIOExtraArg extra = ExtraArgFor(plan);
    const CPLErr error =
        GDALDatasetRasterIOEx(dataset, GF_Read, plan.x_off, plan.y_off, plan.x_size, plan.y_size,
                              grid.Element(plan.out_x0, plan.out_y0), plan.Columns(), plan.Rows(),
                              GDT_Byte, static_cast<int>(bands.size()), bands.data(),
                              grid.element_bytes, grid.row_bytes, 1, &extra);
    return error == CE_None ? kOk : kReadFailed;
}

}  // namespace Tarn::RasterApi
