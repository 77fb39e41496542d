// Making a picture: the memory check, the pixel buffer, the engine's cell blocks for the style
// kind (each given back once the picture is made), and the pixel pass that fits them.
#include "handler/start_draw.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <limits>
#include <new>
#include <numeric>
#include <string>

#include "draw/bands.h"
#include "draw/level.h"
#include "draw/pseudo.h"
#include "draw/shading.h"
#include "draw/strips.h"
#include "engine/engine_calls.h"
#include "handler/engine_errors.h"
#include "handler/picture.h"
#include "handler/plugin_log.h"
#include "platform/memory_advice.h"
#include "platform/memory_status.h"
#include "system/utf.h"

namespace Tarn::Handler {
namespace {
namespace Kvr = Engine::Kvr;
using namespace Draw;

// The cells a picture reads, in the engine's rows, and the size they are resampled to.
struct BlockWindow {
    KvrHandle raster = KVR_INVALID_HANDLE;
    int64_t x = 0;
    int64_t y = 0;
    int64_t width = 0;
    int64_t height = 0;
    int32_t output_width = 0;
    int32_t output_height = 0;
    int32_t underview_mode = kUnderviewModeNone;
    // Where a refused request leaves the engine's status (-1 for status 0 without buffers).
    int* refusal = nullptr;

    int64_t Pixels() const { return int64_t{output_width} * output_height; }
};

// The threads the context's preference gives the pixel pass.
Threading PassThreading(const HandlerContext& context) {
    Threading threading;
    threading.threads = DrawThreadsFor(context.draw_threads_preference);
    return threading;
}

// draw(first, count) for strips of the picture's pixels, whole rows each, on the context's
// threads: `first` is the strip's first pixel, the same index in the engine's blocks.
void ForEachPixelStrip(const HandlerContext& context, const BlockWindow& window,
                       const std::function<void(int64_t first, int64_t count)>& draw) {
    const int64_t width = window.output_width;
    ForEachStrip(window.output_height, width, PassThreading(context),
                 [&](int64_t first, int64_t end) { draw(first * width, (end - first) * width); });
}

// The band one request reads.
struct BandSource {
    int32_t field = 0;
    int32_t band = 0;
    int64_t low = 0;
    int64_t high = 0;
};

BandSource MainBand(const HandlerContext& context) {
    return {context.field, context.band, context.value_low, context.value_high};
}

BandSource ChannelBand(const ChannelRecord& channel) {
    return {channel.field, channel.band, channel.value_low, channel.value_high};
}

// One cell block and its validity bytes as the engine handed them out, given back when the
// block goes out of scope.
class CellBlock {
public:
    CellBlock() = default;
    ~CellBlock() { Release(); }
    CellBlock(const CellBlock&) = delete;
    CellBlock& operator=(const CellBlock&) = delete;

    // True when the engine delivered both buffers: a status of 0 without them is a refusal too.
    bool Read(const BlockWindow& window, int32_t format, const BandSource& source) {
        Release();
        const int status = Kvr::PopulateCellBlock(
            window.raster, &data_, &validity_, format, window.x, window.y, window.width,
            window.height, window.output_width, window.output_height, source.field, source.band,
            window.underview_mode, source.low, source.high);
        const bool delivered = status == 0 && data_ != nullptr && validity_ != nullptr;
        if (!delivered && window.refusal != nullptr) *window.refusal = status != 0 ? status : -1;
        return delivered;
    }

    template <typename T>
    const T* As() const {
        return static_cast<const T*>(data_);
    }
    const uint8_t* Validity() const { return validity_; }

private:
    void Release() noexcept {
        if (data_ != nullptr) Kvr::ReleaseData(&data_);
        if (validity_ != nullptr) {
            void* validity = validity_;
            Kvr::ReleaseData(&validity);
        }
        data_ = nullptr;
        validity_ = nullptr;
    }

    void* data_ = nullptr;
    uint8_t* validity_ = nullptr;
};

bool FitsPicture(int64_t extent) {
    return extent > 0 && extent <= std::numeric_limits<int32_t>::max();
}

// The request for a shaded picture's cells with its halo: one more output pixel on each side
// where the raster has the cells under it, so the picture's border is lit from its true
// neighbours. The engine's cell window is whole cells, so the halo is the least number of
// output pixels that spans whole cells at the picture's scale (cells / pixels = source /
// output): 1 pixel at one cell per pixel and at whole reductions, k pixels over one cell at k
// times magnified, more at other ratios. The pass reads only the ring next to the picture.
struct HaloRequest {
    BlockWindow request;
    int64_t left = 0;  // output pixels of the block before the picture's first column
    int64_t top = 0;   // and before its first row
    BlockHalo halo;

    static HaloRequest None(const BlockWindow& window) {
        HaloRequest r;
        r.request = window;
        return r;
    }
    bool Any() const { return halo.left || halo.top || halo.right || halo.bottom; }

    // The picture's cells in the block the request brought.
    FloatBlock Picture(const CellBlock& block, const BlockWindow& picture) const {
        const int64_t stride = request.output_width;
        const int64_t first = top * stride + left;
        return {block.As<float>() + first,
                block.Validity() + first,
                picture.output_width,
                picture.output_height,
                stride,
                halo};
    }
};

// Halo pixels on any picture; above it, at most 1/64 of the picture's side on each side, so the
// block grows by at most about 6 % (a halo of few pixels needs no limit).
constexpr int64_t kHaloPixelsAnySize = 32;

// One axis of the halo: the pixels and cells added on each side that has one. A side has a
// halo where all its cells lie in the raster, [low, high) on this axis; where the window
// touches the raster's own edge, or the scale needs too wide a halo, that side has none.
struct HaloAxis {
    int64_t pixels = 0;
    int64_t cells = 0;
    bool before = false;
    bool after = false;
};

HaloAxis PlanHaloAxis(int64_t from, int64_t source, int64_t output, int64_t low, int64_t high) {
    HaloAxis axis;
    if (source <= 0) return axis;  // no cells: the engine refuses the window anyway
    const int64_t common = std::gcd(source, output);
    axis.pixels = output / common;
    axis.cells = source / common;
    if (axis.pixels > std::max(kHaloPixelsAnySize, output / 64)) return axis;
    axis.before = from - axis.cells >= low;
    axis.after = from + source + axis.cells <= high;
    const int64_t with_halo = output + axis.pixels * (int64_t{axis.before} + axis.after);
    if (!FitsPicture(with_halo)) axis.before = axis.after = false;
    return axis;
}

HaloRequest PlanHaloRequest(const HandlerContext& context, const BlockWindow& window) {
    const int64_t x0 = context.cell_origin_x + context.cell_offset_x;
    const int64_t y0 = context.cell_origin_y + context.cell_offset_y;
    const HaloAxis x =
        PlanHaloAxis(window.x, window.width, window.output_width, x0, x0 + context.width);
    const HaloAxis y =
        PlanHaloAxis(window.y, window.height, window.output_height, y0, y0 + context.height);
    HaloRequest r;
    r.request = window;
    r.halo = {x.before, y.before, x.after, y.after};
    r.left = x.before ? x.pixels : 0;
    r.top = y.before ? y.pixels : 0;
    r.request.x -= x.before ? x.cells : 0;
    r.request.y -= y.before ? y.cells : 0;
    r.request.width += x.cells * (int64_t{x.before} + x.after);
    r.request.height += y.cells * (int64_t{y.before} + y.after);
    r.request.output_width += static_cast<int32_t>(x.pixels * (int64_t{x.before} + x.after));
    r.request.output_height += static_cast<int32_t>(y.pixels * (int64_t{y.before} + y.after));
    return r;
}

// "Pseudo" and "GreyScale": one band of floats through the colour control, shaded or not; the
// shaded with their halo. False when the engine refuses the block; where only the block with
// the halo is refused (too large for the engine), the picture is drawn from the window alone.
bool DrawSingleBand(HandlerContext& context, const BlockWindow& window, uint8_t* pixels) {
    HaloRequest plan =
        context.shading_on ? PlanHaloRequest(context, window) : HaloRequest::None(window);
    CellBlock block;
    bool read = block.Read(plan.request, KVR_BLOCK_FLOAT, MainBand(context));
    if (!read && plan.Any()) {
        plan = HaloRequest::None(window);
        read = block.Read(plan.request, KVR_BLOCK_FLOAT, MainBand(context));
    }
    if (!read) return false;
    const PseudoColouring how = SingleBandColouring(context, window.width, window.height,
                                                    window.output_width, window.output_height);
    DrawPseudoInStrips(plan.Picture(block, window), how, pixels, PassThreading(context));
    return true;
}

// The three channels' blocks in one format; false at the first refusal.
bool ReadChannelBlocks(const HandlerContext& context, const BlockWindow& window, int32_t format,
                       std::array<CellBlock, 3>& blocks) {
    for (size_t i = 0; i < 3; ++i) {
        if (!blocks[i].Read(window, format, ChannelBand(context.channels[i]))) return false;
    }
    return true;
}

ByteBands ByteBandsOf(const std::array<CellBlock, 3>& blocks) {
    ByteBands bands;
    for (size_t i = 0; i < 3; ++i) {
        bands.elements[i] = blocks[i].As<uint32_t>();
        bands.validity[i] = blocks[i].Validity();
    }
    return bands;
}

FloatBands FloatBandsOf(const std::array<CellBlock, 3>& blocks) {
    FloatBands bands;
    for (size_t i = 0; i < 3; ++i) {
        bands.values[i] = blocks[i].As<float>();
        bands.validity[i] = blocks[i].Validity();
    }
    return bands;
}

// Band composite: three 8-bit bands. False when the engine refuses one of them, or the style
// left no three channels to read.
bool DrawBandComposite(const HandlerContext& context, const BlockWindow& window, uint8_t* pixels) {
    if (context.channels.size() < 3) return false;
    std::array<CellBlock, 3> blocks;
    if (!ReadChannelBlocks(context, window, KVR_BLOCK_BYTE, blocks)) return false;
    const ByteBands bands = ByteBandsOf(blocks);
    ForEachPixelStrip(context, window, [&](int64_t first, int64_t count) {
        DrawByteBands(bands.From(first), count, context.background_colour, pixels + 3 * first);
    });
    return true;
}

// "Palette": the colours of the field's colour band; false when the engine refuses them.
bool DrawPaletteBand(const HandlerContext& context, const BlockWindow& window, uint8_t* pixels) {
    CellBlock block;
    if (!block.Read(window, KVR_BLOCK_COLOUR, MainBand(context))) return false;
    const ColourBlock colours{block.As<Colour::PackedColour>(), block.Validity()};
    ForEachPixelStrip(context, window, [&](int64_t first, int64_t count) {
        DrawPalette(colours.From(first), count, context.background_colour, pixels + 3 * first);
    });
    return true;
}

// "RGB" from one block of packed colours: the first channel's field, all bands at once.
bool ReadPackedBands(const HandlerContext& context, const BlockWindow& window, CellBlock& block) {
    const ChannelRecord& first = context.channels[0];
    return block.Read(window, KVR_BLOCK_COLOUR,
                      {first.field, 0, first.value_low, first.value_high});
}

// "RGB": the assembly its channels call for; false when the engine refuses a block.
bool DrawRgb(const HandlerContext& context, const BlockWindow& window, uint8_t* pixels) {
    const int64_t count = window.Pixels();
    const Colour::PackedColour background = context.background_colour;
    if (context.channels.size() < 3) {
        FillBackground(pixels, count, background);
        return true;
    }
    const std::array<const Colour::CColourControl*, 3> controls = {
        &context.channels[0].colour_control, &context.channels[1].colour_control,
        &context.channels[2].colour_control};
    const std::array<int32_t, 3> band_numbers = {context.channels[0].band, context.channels[1].band,
                                                 context.channels[2].band};
    const RgbAssembly assembly = ChooseRgbAssembly(controls, context.band_kind);
    switch (assembly) {
        case RgbAssembly::kByteBands: {
            std::array<CellBlock, 3> blocks;
            if (!ReadChannelBlocks(context, window, KVR_BLOCK_BYTE, blocks)) return false;
            const ByteBands bands = ByteBandsOf(blocks);
            ForEachPixelStrip(context, window, [&](int64_t first, int64_t n) {
                DrawByteBands(bands.From(first), n, background, pixels + 3 * first);
            });
            return true;
        }
        case RgbAssembly::kPackedBands:
        case RgbAssembly::kPackedBandsThroughControls: {
            CellBlock block;
            if (!ReadPackedBands(context, window, block)) return false;
            const ColourBlock colours{block.As<Colour::PackedColour>(), block.Validity()};
            ForEachPixelStrip(context, window, [&](int64_t first, int64_t n) {
                if (assembly == RgbAssembly::kPackedBands)
                    DrawPackedBands(colours.From(first), n, band_numbers, background,
                                    pixels + 3 * first);
                else
                    DrawPackedBandsThroughControls(colours.From(first), n, band_numbers, controls,
                                                   background, pixels + 3 * first);
            });
            return true;
        }
        case RgbAssembly::kFloatBands: {
            std::array<CellBlock, 3> blocks;
            if (!ReadChannelBlocks(context, window, KVR_BLOCK_FLOAT, blocks)) return false;
            const FloatBands bands = FloatBandsOf(blocks);
            ForEachPixelStrip(context, window, [&](int64_t first, int64_t n) {
                DrawFloatBands(bands.From(first), n, controls, background, pixels + 3 * first);
            });
            return true;
        }
    }
    return true;
}

// Fills the picture by the style kind; false when the engine refused the cells. A picture of
// the background instead would pass a raster that cannot be read for one without data.
bool DrawByStyle(HandlerContext& context, const BlockWindow& window, uint8_t* pixels) {
    // The engine reads the cells on as many threads as the pass draws them with.
    Kvr::SetReadThreads(PassThreading(context).threads);
    switch (context.style_kind) {
        case kStylePseudo:
        case kStyleGreyScale:
            return DrawSingleBand(context, window, pixels);
        case kStyleRgb:
            return DrawRgb(context, window, pixels);
        case kStylePalette:
            return DrawPaletteBand(context, window, pixels);
        case kStyleBandComposite:
            return DrawBandComposite(context, window, pixels);
        default:
            // A kind no style document makes: a defined picture rather than stale memory.
            FillBackground(pixels, window.Pixels(), context.background_colour);
            return true;
    }
}

// Why the picture failed, for the plug-in's message log: the engine's own reason where it
// gives one (GDAL's message), else its status.
void ReportRefusedCells(const HandlerContext& context, const DrawRect& cells, int status) {
    std::string reason = EngineErrorText(context.raster_handle);
    if (reason.empty())
        reason = status > 0 ? "status " + std::to_string(status) : "no cells were delivered";
    LogError(System::WideToUtf8(context.raster_path) + ": cells x " + std::to_string(cells.x0) +
             ".." + std::to_string(cells.x1) + ", y " + std::to_string(cells.y0) + ".." +
             std::to_string(cells.y1) +
             " cannot be drawn, the engine did not read them: " + reason);
}

}  // namespace

using Draw::PseudoColouring;

void ChooseDrawLevel(HandlerContext& context, int64_t source_width, int64_t source_height,
                     int64_t output_width, int64_t output_height) {
    context.draw_level =
        Draw::ChooseDrawLevel(source_width, source_height, output_width, output_height);
    double x = 0.0, y = 0.0;
    if (Kvr::GetCellSize(context.raster_handle, context.field, context.draw_level, &x, &y) == 0) {
        context.cell_size_x = static_cast<float>(x);
        context.cell_size_y = static_cast<float>(y);
    }
}

PseudoColouring SingleBandColouring(HandlerContext& context, int64_t source_width,
                                    int64_t source_height, int64_t output_width,
                                    int64_t output_height) {
    int level = context.statistics_level;
    if (level == 0) {
        ChooseDrawLevel(context, source_width, source_height, output_width, output_height);
        level = context.draw_level;
    }
    Draw::ShadingInputs in;
    in.level = level;
    in.relief_statistic = context.relief_statistic;
    in.cell_size_x = context.cell_size_x;
    in.cell_size_y = context.cell_size_y;
    in.value_minimum = context.value_minimum;
    in.value_maximum = context.value_maximum;
    in.relief_contrast = context.relief_contrast;
    in.ambient_brightness = context.ambient_brightness;
    in.light_intensity = context.light_intensity;
    // The shading counts bearings clockwise from the direction in which rows run upward; the
    // engine delivers rows from the north edge down. Turned over (180 - bearing), an azimuth
    // keeps its compass meaning: 315 lights the slopes that face north-west.
    in.light_azimuth = 180.0 - context.light_azimuth;
    in.light_elevation = context.light_elevation;
    for (const Colour::ShadingLight& light : context.lights)
        in.lights.push_back({180.0 - light.azimuth, light.elevation, light.weight});
    in.highlight_azimuth = 180.0 - context.highlight_azimuth;
    in.highlight_elevation = context.highlight_elevation;
    in.highlight_size = context.highlight_size;

    PseudoColouring how;
    how.control = &context.colour_control;
    how.red_fractions = context.red_fractions;
    how.green_fractions = context.green_fractions;
    how.blue_fractions = context.blue_fractions;
    how.background = context.background_colour;
    how.transparent = context.transparent_colour;
    how.shading_on = context.shading_on;
    how.highlights_on = context.highlights_on;
    how.shading = Draw::MakeShadingConstants(in);
    return how;
}

int StartDraw(HostRasterRecord& host, HandlerContext& context, const DrawRect& output,
              const DrawRect& cells, double lines_per_row) {
    context.cell_rect = cells;
    context.output_rect = output;
    context.lines_per_row = lines_per_row;
    // The host ends each picture before the next; one it did not end would be lost here.
    EndPicture(context);

    const int64_t width = int64_t{output.x1} - output.x0;
    const int64_t height = int64_t{output.y1} - output.y0;
    // The engine resamples to 32-bit sizes; an empty or inverted rectangle has no picture.
    if (!FitsPicture(width) || !FitsPicture(height)) return 0;

    BlockWindow window;
    window.raster = context.raster_handle;
    window.x = cells.x0 + context.cell_origin_x + context.cell_offset_x;
    window.y = (context.y_up ? context.height + context.cell_origin_y - cells.y1
                             : cells.y0 + context.cell_origin_y) +
               context.cell_offset_y;
    window.width = int64_t{cells.x1} - cells.x0;
    window.height = int64_t{cells.y1} - cells.y0;
    window.output_width = static_cast<int32_t>(width);
    window.output_height = static_cast<int32_t>(height);
    window.underview_mode = context.underview_mode;
    int refusal = 0;
    window.refusal = &refusal;

    // Below 2^31 on each side, the product cannot overflow.
    const uint64_t size = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3u;
    if (Platform::AvailablePhysicalMemory() / 2 < size) {
        host.error_code = RH_ERROR_MEMORY;
        return 0;
    }
    context.pixels = static_cast<uint8_t*>(std::malloc(size));
    if (context.pixels == nullptr) {
        host.error_code = RH_ERROR_MEMORY;
        return 0;
    }
    Platform::AdviseHugePages(context.pixels, size);

    try {
        if (!DrawByStyle(context, window, context.pixels)) {
            // No picture to show: the buffer goes now, not at an RH_EndDraw that may not come.
            EndPicture(context);
            ReportRefusedCells(context, cells, refusal);
            host.error_code = RH_ERROR_ENGINE;
            return 0;
        }
    } catch (const std::bad_alloc&) {
        EndPicture(context);
        host.error_code = RH_ERROR_MEMORY;
        return 0;
    } catch (...) {
        EndPicture(context);
        throw;
    }
    context.picture_ready = true;
    host.error_code = RH_ERROR_NONE;
    return 1;
}

}  // namespace Tarn::Handler
