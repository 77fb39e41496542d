// Filling one cell block: allocate, plan, choose each band's level and kernel, read by format
// and band source, convert in place.
#include "rasterapi/cell_block.h"

#include <cstring>
#include <memory>

#include "engine/kvr_contract.h"
#include "rasterapi/cell_reader.h"
#include "rasterapi/owned_blocks.h"
#include "rasterapi/read_levels.h"
#include "rasterapi/read_plan.h"
#include "rasterapi/row_bands.h"

namespace Tarn::RasterApi {
namespace {

// How one GDAL band of a request is read: from the level its scale calls for, with the plan on
// that level and the kernel for the band's content.
struct BandRead {
    GDALRasterBandH band = nullptr;
    ReadPlan plan;
    GDALRIOResampleAlg kernel = GRIORA_NearestNeighbour;
    bool cached = false;  // from the pyramid in the cache
};

BandRead PrepareRead(OpenRaster& raster, const BlockRequest& request, const ReadPlan& plan,
                     int gdal_band) {
    BandRead read;
    const RequestScale scale{request.width, request.height, request.output_width,
                             request.output_height};
    read.kernel =
        ChooseKernel(request.underview_mode,
                     ContentOf(raster.field, GDALGetRasterBand(raster.dataset, gdal_band)), scale);
    const ReadLevel level =
        LevelsOf(raster).Choose(gdal_band, request.width, request.height, request.output_width,
                                request.output_height, read.kernel);
    read.band = level.band;
    read.cached = level.cached;
    read.plan = PlanOnLevel(plan, raster.geometry, level.width, level.height);
    return read;
}

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
Status ReadEightBit(const BandRead& read, CellGrid grid) {
    if (GDALGetRasterDataType(read.band) == GDT_Byte) {
        grid.type = GDT_Byte;
        return ReadBandCells(read.band, read.plan, grid, read.kernel);
    }
    grid.type = GDT_Float32;
    const Status status = ReadBandCells(read.band, read.plan, grid, read.kernel);
    if (status != kOk) return status;
    ConvertInside(read.plan, grid, [](float value, uint8_t&) { return EightBit(value); });
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

Status ReadRgbColours(OpenRaster& raster, const BlockRequest& request, const ReadPlan& full_plan,
                      CellGrid grid, bool& cached) {
    const std::vector<int>& numbers = raster.field.colour_bands;
    // The components are read from one level: the red band's, unless another band's overviews
    // differ in size, when all are read at full resolution and GDAL chooses.
    std::vector<BandRead> reads;
    for (int number : numbers) reads.push_back(PrepareRead(raster, request, full_plan, number));
    const BandRead& red = reads.front();
    bool one_level = true;
    for (const BandRead& component : reads)
        one_level = one_level && component.band != nullptr && red.band != nullptr &&
                    GDALGetRasterBandXSize(component.band) == GDALGetRasterBandXSize(red.band) &&
                    GDALGetRasterBandYSize(component.band) == GDALGetRasterBandYSize(red.band);
    cached = one_level && red.cached;
    std::vector<GDALRasterBandH> bands;
    for (size_t i = 0; i < numbers.size(); ++i)
        bands.push_back(one_level ? reads[i].band : GDALGetRasterBand(raster.dataset, numbers[i]));
    const ReadPlan& plan = one_level ? red.plan : full_plan;
    grid.type = GDT_Byte;
    Status status = ReadComponentBytes(bands, plan, grid, red.kernel);
    if (status != kOk) return status;
    // The red band's mask speaks for the pixel: GDAL makes it the alpha band for RGBA images.
    status = FillValidity(bands.front(), plan, grid, red.kernel != GRIORA_NearestNeighbour);
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

Status ReadPaletteColours(const OpenRaster& raster, const BandRead& read, CellGrid grid) {
    const ReadPlan& plan = read.plan;
    grid.type = GDT_Float32;
    const Status status = ReadBandCells(read.band, plan, grid, read.kernel);
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

// The pixels inside the raster, by format and band source; `cached` tells whether they came
// from the pyramid in the cache.
Status ReadInside(OpenRaster& raster, const BlockRequest& request, const ReadPlan& plan,
                  const BandModel& model, CellGrid grid, bool& cached) {
    Status status = kOk;
    const bool rgb_colours =
        request.format == KVR_BLOCK_COLOUR && model.source == BandSource::RgbColour;
    const BandRead read = plan.empty || rgb_colours
                              ? BandRead{}
                              : PrepareRead(raster, request, plan, model.gdal_band);
    cached = read.cached;
    if (plan.empty) {
        // Nothing inside the raster: the zeros above are the block.
    } else if (rgb_colours) {
        status = ReadRgbColours(raster, request, plan, grid, cached);
    } else if (read.band == nullptr) {
        status = kReadFailed;
    } else if (request.format == KVR_BLOCK_FLOAT) {
        grid.type = GDT_Float32;
        status = ReadBandCells(read.band, read.plan, grid, read.kernel);
    } else if (request.format == KVR_BLOCK_BYTE) {
        status = ReadEightBit(read, grid);
    } else if (raster.field.field_type == KVR_FIELD_PALETTE) {
        status = ReadPaletteColours(raster, read, grid);
    } else {
        status = ReadEightBit(read, grid);
        if (status == kOk) SpreadGrey(plan, grid);
    }
    return status;
}

// ReadInside for a block at a cell per pixel, in `bands` bands of rows on as many threads. Each
// band is a request of its own whose pixels are exactly those rows of the whole block, whichever
// handle reads it; none reads the pyramid, which a read that does not reduce never takes.
Status ReadInsideInRowBands(OpenRaster& raster, const BlockRequest& request, const BandModel& model,
                            const CellGrid& grid, int bands) {
    return ReadRowBands(
        raster, request.output_height, bands, [&](OpenRaster& handle, int64_t first, int64_t end) {
            BlockRequest part = request;
            part.y = request.y + first;
            part.height = end - first;
            part.output_height = static_cast<int32_t>(end - first);
            const ReadPlan plan = PlanRead(handle.geometry, part.x, part.y, part.width, part.height,
                                           part.output_width, part.output_height);
            CellGrid rows = grid;
            rows.data += first * grid.row_bytes;
            rows.validity += first * grid.validity_row;
            bool cached = false;
            return ReadInside(handle, part, plan, model, rows, cached);
        });
}

}  // namespace

Status PopulateBlock(OpenRaster& raster, const BlockRequest& request, void** data,
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

    bool cached = false;
    Status status = kOk;
    const bool cell_per_pixel =
        request.width == request.output_width && request.height == request.output_height;
    const int bands = cell_per_pixel
                          ? RowBandsFor(request.output_height, request.output_width, ReadThreads())
                          : 1;
    if (bands > 1)
        status = ReadInsideInRowBands(raster, request, model, grid, bands);
    else
        status = ReadInside(raster, request, plan, model, grid, cached);
    // A pyramid in the cache that cannot be read (damaged on disk) is dropped and the block read
    // again from the raster: the cache costs nothing but speed.
    if (status == kReadFailed && cached && LevelsOf(raster).Pyramid() != nullptr) {
        LevelsOf(raster).Pyramid()->Discard();
        status = ReadInside(raster, request, plan, model, grid, cached);
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
