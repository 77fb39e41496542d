// Filling one cell block: allocate, plan, read by format and band source, convert in place.
#include "rasterapi/cell_block.h"

#include <cstring>

#include "engine/kvr_contract.h"
#include "rasterapi/cell_reader.h"
#include "rasterapi/owned_blocks.h"
#include "rasterapi/read_plan.h"

namespace Tarn::RasterApi {
namespace {

uint32_t EightBit(float value) {
    if (!(value > 0.0f)) return 0;  // NaN too
    if (value >= 255.0f) return 255;
    return static_cast<uint32_t>(value + 0.5f);
}

template <typename Convert>
void ConvertInside(const ReadPlan& plan, const CellGrid& grid, Convert&& convert) {
    for (int row = plan.out_y0; row < plan.out_y1; ++row) {
        uint8_t* element = grid.Element(plan.out_x0, row);
        uint8_t* valid = grid.Valid(plan.out_x0, row);
        for (int column = 0; column < plan.Columns(); ++column, element += 4) {
            float value;
            std::memcpy(&value, element, sizeof value);
            const uint32_t converted = convert(value, valid[column]);
            std::memcpy(element, &converted, sizeof converted);
        }
    }
}

// 8-bit values into the low byte of each element. Byte bands go straight in; others are read
// as floats in place and converted, so no buffer beyond the output is needed.
Status ReadEightBit(GDALRasterBandH band, const ReadPlan& plan, CellGrid grid) {
    if (GDALGetRasterDataType(band) == GDT_Byte) {
        grid.type = GDT_Byte;
        return ReadBandCells(band, plan, grid);
    }
    grid.type = GDT_Float32;
    const Status status = ReadBandCells(band, plan, grid);
    if (status != kOk) return status;
    ConvertInside(plan, grid, [](float value, uint8_t&) { return EightBit(value); });
    return kOk;
}

// Elements and validity bytes of the pixels that fall outside the raster become 0.
void ZeroOutside(const ReadPlan& plan, const CellGrid& grid, int width, int height) {
    for (int row = 0; row < height; ++row) {
        const bool row_inside = !plan.empty && row >= plan.out_y0 && row < plan.out_y1;
        const int left = row_inside ? plan.out_x0 : width;
        const int right = row_inside ? plan.out_x1 : width;
        std::memset(grid.Element(0, row), 0, static_cast<size_t>(left) * grid.element_bytes);
        std::memset(grid.Valid(0, row), 0, static_cast<size_t>(left));
        std::memset(grid.Element(right, row), 0,
                    static_cast<size_t>(width - right) * grid.element_bytes);
        std::memset(grid.Valid(right, row), 0, static_cast<size_t>(width - right));
    }
}

// An 8-bit value in the low byte becomes the opaque grey of that level.
void SpreadGrey(const ReadPlan& plan, const CellGrid& grid) {
    for (int row = plan.out_y0; row < plan.out_y1; ++row) {
        uint8_t* element = grid.Element(plan.out_x0, row);
        for (int column = 0; column < plan.Columns(); ++column, element += 4)
            element[1] = element[2] = element[0];
    }
}

Status ReadRgbColours(const OpenRaster& raster, const ReadPlan& plan, CellGrid grid) {
    const std::vector<int>& bands = raster.field.colour_bands;
    grid.type = GDT_Byte;
    Status status = ReadComponentBytes(raster.dataset, bands, plan, grid);
    if (status != kOk) return status;
    // The red band's mask speaks for the pixel: GDAL makes it the alpha band for RGBA images.
    status = FillValidity(GDALGetRasterBand(raster.dataset, bands.front()), plan, grid);
    if (status != kOk) return status;
    if (bands.size() == 4) {
        for (int row = plan.out_y0; row < plan.out_y1; ++row) {
            uint8_t* element = grid.Element(plan.out_x0, row);
            for (int column = 0; column < plan.Columns(); ++column, element += 4)
                element[3] = static_cast<uint8_t>(255 - element[3]);
        }
    }
    FlipRows(plan, grid);
    return kOk;
}

Status ReadPaletteColours(const OpenRaster& raster, GDALRasterBandH band, const ReadPlan& plan,
                          CellGrid grid) {
    grid.type = GDT_Float32;
    const Status status = ReadBandCells(band, plan, grid);
    if (status != kOk) return status;
    const std::vector<uint32_t>& palette = raster.field.palette;
    const std::vector<uint8_t>& use = raster.field.palette_use;
    ConvertInside(plan, grid, [&](float value, uint8_t& valid) -> uint32_t {
        const bool in_table = value >= 0.0f && value < static_cast<float>(palette.size());
        const size_t index = in_table ? static_cast<size_t>(value) : 0;
        if (!valid || !in_table || !use[index]) {
            valid = 0;
            return 0;
        }
        return palette[index];
    });
    return kOk;
}

}  // namespace

Status PopulateBlock(const OpenRaster& raster, const BlockRequest& request, void** data,
                     uint8_t** validity) {
    if (request.format != KVR_BLOCK_BYTE && request.format != KVR_BLOCK_FLOAT &&
        request.format != KVR_BLOCK_COLOUR)
        return kBadArgument;
    if (request.width <= 0 || request.height <= 0 || request.output_width <= 0 ||
        request.output_height <= 0)
        return kBadArgument;
    const int64_t elements = static_cast<int64_t>(request.output_width) * request.output_height;
    if (elements > kMaxBlockElements) return kBadArgument;
    if (request.band < 0 || request.band >= static_cast<int>(raster.field.bands.size()))
        return kBadArgument;
    const BandModel& model = raster.field.bands[static_cast<size_t>(request.band)];

    // Float blocks are written whole (GDAL inside, zeros outside), so they skip the zero fill
    // that the other formats need for the bytes GDAL leaves alone.
    const bool whole_write = request.format == KVR_BLOCK_FLOAT;
    OwnedBlocks& blocks = DataBlocks();
    auto* values =
        static_cast<uint8_t*>(blocks.Allocate(static_cast<size_t>(elements) * 4, !whole_write));
    auto* valid = static_cast<uint8_t*>(
        values ? blocks.Allocate(static_cast<size_t>(elements), false) : nullptr);
    if (valid == nullptr) {
        blocks.Discard(values);
        return kOutOfMemory;
    }

    const ReadPlan plan = PlanRead(raster.geometry, request.x, request.y, request.width,
                                   request.height, request.output_width, request.output_height);
    CellGrid grid;
    grid.data = values;
    grid.element_bytes = 4;
    grid.row_bytes = static_cast<int64_t>(request.output_width) * 4;
    grid.validity = valid;
    grid.validity_row = request.output_width;
    ZeroOutside(plan, grid, request.output_width, request.output_height);
    GDALRasterBandH band = GDALGetRasterBand(raster.dataset, model.gdal_band);

    Status status = kOk;
    if (request.format == KVR_BLOCK_FLOAT) {
        grid.type = GDT_Float32;
        status = ReadBandCells(band, plan, grid);
    } else if (request.format == KVR_BLOCK_BYTE) {
        status = ReadEightBit(band, plan, grid);
    } else if (model.source == BandSource::RgbColour) {
        status = ReadRgbColours(raster, plan, grid);
    } else if (raster.field.field_type == KVR_FIELD_PALETTE) {
        status = ReadPaletteColours(raster, band, plan, grid);
    } else {
        status = ReadEightBit(band, plan, grid);
        if (status == kOk) SpreadGrey(plan, grid);
    }
    if (status != kOk) {
        blocks.Discard(values);
        blocks.Discard(valid);
        return status;
    }
    *data = values;
    *validity = valid;
    return kOk;
}

}  // namespace Tarn::RasterApi
