// Two passes over the level's windows in strips of rows: extremes, sum and relief; then the
// histogram and the squared deviations from the mean.
#include "rasterapi/statistics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "rasterapi/cell_reader.h"
#include "rasterapi/open_raster.h"
#include "rasterapi/owned_blocks.h"
#include "rasterapi/read_levels.h"
#include "rasterapi/read_plan.h"
#include "rasterapi/resampling.h"
#include "rasterapi/statistics_sample.h"

namespace Tarn::RasterApi {
namespace {

constexpr int64_t kStripCells = 1 << 20;

// Where a level's cells come from: the band read (the full resolution, or a level of the
// pyramid in the cache), the kernel that brings its cells to the level's, and the windows of
// the level read (the whole level, or a sample).
struct LevelRead {
    GDALRasterBandH band = nullptr;
    int64_t band_width = 0, band_height = 0;
    GDALRIOResampleAlg kernel = GRIORA_NearestNeighbour;
    int level_width = 0, level_height = 0;
    std::vector<LevelWindow> windows;
};

LevelRead PlanLevelRead(OpenRaster& raster, GDALRasterBandH band, int gdal_band, int level) {
    const RasterGeometry& geometry = raster.geometry;
    LevelRead read;
    read.band = band;
    read.band_width = geometry.width;
    read.band_height = geometry.height;
    read.level_width = static_cast<int>(geometry.LevelWidth(level));
    read.level_height = static_cast<int>(geometry.LevelHeight(level));
    read.windows = {{0, 0, read.level_width, read.level_height}};
    if (level == 0) return read;
    // The level is the whole raster reduced, so it is read as a picture of it would be: from
    // the pyramid when its own levels would take too many cells (built first when missing, so
    // that this open and later ones colour alike), else as before (GDAL picks its overviews).
    ReadLevels& levels = LevelsOf(raster);
    const RasterPyramid* pyramid = levels.Pyramid();
    const ReadLevel chosen =
        levels.Choose(gdal_band, geometry.width, geometry.height, read.level_width,
                      read.level_height, pyramid ? pyramid->Kernel() : GRIORA_NearestNeighbour);
    if (chosen.cached) {
        read.band = chosen.band;
        read.band_width = chosen.width;
        read.band_height = chosen.height;
        return read;
    }
    // Without a pyramid (the cache off, full, or not writable) a raster without overviews is
    // sampled rather than read whole.
    if (GDALGetOverviewCount(band) > 0 || pyramid == nullptr ||
        geometry.width * geometry.height <= pyramid->Settings().large_cells)
        return read;
    SampleLayout layout;
    layout.full_width = geometry.width;
    layout.full_height = geometry.height;
    GDALGetBlockSize(band, &layout.block_width, &layout.block_height);
    layout.level_width = read.level_width;
    layout.level_height = read.level_height;
    layout.rows_flipped = geometry.flip_rows;
    read.windows = SampleWindows(layout, pyramid->Settings().large_cells);
    // Averaged as a pyramid's level is, so that a later open reading the pyramid agrees.
    if (ContentOf(raster.field, band) == BandContent::Continuous) read.kernel = GRIORA_Average;
    return read;
}

// One strip of a window of the level, values as doubles, in buffers as wide as the level.
struct Strip {
    std::vector<double> values;
    std::vector<uint8_t> valid;
    int first_row = 0;
    int rows = 0;
    int x0 = 0, x1 = 0;         // the window's columns
    bool window_start = false;  // the window's first strip
};

// Calls `visit(strip, level width)` for consecutive strips of each window, rows north first.
template <typename Visit>
Status ForEachStrip(const LevelRead& read, const RasterGeometry& geometry, Visit&& visit) {
    const int width = read.level_width;
    int tallest = 1;
    for (const LevelWindow& window : read.windows)
        tallest = std::max(tallest, window.y1 - window.y0);
    const int strip_rows = static_cast<int>(std::clamp<int64_t>(kStripCells / width, 1, tallest));
    Strip strip;
    strip.values.resize(static_cast<size_t>(width) * strip_rows);
    strip.valid.resize(strip.values.size());
    for (const LevelWindow& window : read.windows) {
        for (int first = window.y0; first < window.y1; first += strip_rows) {
            const int last = std::min(window.y1, first + strip_rows);
            const ReadPlan plan = PlanOnLevel(
                PlanPart(geometry, width, read.level_height, window.x0, first, window.x1, last),
                geometry, read.band_width, read.band_height);
            CellGrid grid;
            grid.first_row = first;
            grid.data = reinterpret_cast<uint8_t*>(strip.values.data());
            grid.type = GDT_Float64;
            grid.element_bytes = sizeof(double);
            grid.row_bytes = static_cast<int64_t>(width) * sizeof(double);
            grid.validity = strip.valid.data();
            grid.validity_row = width;
            std::fill(strip.valid.begin(), strip.valid.end(), 0);
            const Status status = ReadBandCells(read.band, plan, grid, read.kernel);
            if (status != kOk) return status;
            strip.first_row = first;
            strip.rows = last - first;
            strip.x0 = window.x0;
            strip.x1 = window.x1;
            strip.window_start = first == window.y0;
            visit(strip, width);
        }
    }
    return kOk;
}

// Infinite values would stretch every bin to infinity; they count as invalid here.
uint8_t UsableCell(uint8_t valid, double value) {
    return valid != 0 && std::isfinite(value) ? 1 : 0;
}

int BinCountFor(GDALDataType type) {
    return GDALGetDataTypeSizeBits(type) <= 8 ? 256 : 1024;
}

void FinishBins(std::vector<KvrHistogramBin>& bins, int64_t valid_count) {
    double cumulative = 0;
    for (KvrHistogramBin& bin : bins) {
        bin.fraction = bin.count / static_cast<double>(valid_count);
        cumulative += bin.count;
        bin.cumulative_fraction = cumulative / static_cast<double>(valid_count);
    }
    if (!bins.empty()) bins.back().cumulative_fraction = 1.0;
}

// Equal bins over [low, high]; a zero-width range gets one bin of width 1 around it.
std::vector<KvrHistogramBin> MakeBins(double low, double high, int count) {
    if (!(high > low)) {
        low -= 0.5;
        high += 0.5;
        count = 1;
    }
    std::vector<KvrHistogramBin> bins(static_cast<size_t>(count));
    const double width = (high - low) / count;
    for (int i = 0; i < count; ++i) {
        bins[i].lower_edge = low + i * width;
        bins[i].upper_edge = i + 1 == count ? high : low + (i + 1) * width;
        bins[i].end_value = bins[i].upper_edge;
    }
    return bins;
}

}  // namespace

Status ComputeBandStatistics(OpenRaster& raster, int gdal_band, int level,
                             ComputedStatistics& out) {
    GDALRasterBandH band = GDALGetRasterBand(raster.dataset, gdal_band);
    if (band == nullptr) return kBadArgument;
    const LevelRead read = PlanLevelRead(raster, band, gdal_band, level);
    const RasterGeometry& geometry = raster.geometry;

    // Pass 1: extremes, count, sum, relief. The previous row is carried across the strips of a
    // window; windows of a sample do not touch, so none carries into the next.
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -minimum;
    double sum = 0, relief_sum = 0;
    int64_t valid_count = 0, relief_pairs = 0;
    std::vector<double> previous_values(static_cast<size_t>(read.level_width), 0.0);
    std::vector<uint8_t> previous_valid(static_cast<size_t>(read.level_width), 0);
    std::vector<uint8_t> usable(static_cast<size_t>(read.level_width));
    Status status = ForEachStrip(read, geometry, [&](const Strip& strip, int width) {
        const int x0 = strip.x0, x1 = strip.x1;
        if (strip.window_start)
            std::fill(previous_valid.begin() + x0, previous_valid.begin() + x1, 0);
        for (int row = 0; row < strip.rows; ++row) {
            const double* v = strip.values.data() + static_cast<size_t>(row) * width;
            const uint8_t* valid = strip.valid.data() + static_cast<size_t>(row) * width;
            uint8_t* ok = usable.data();
            for (int x = x0; x < x1; ++x) ok[x] = UsableCell(valid[x], v[x]);
            for (int x = x0; x < x1; ++x) {
                if (!ok[x]) continue;
                minimum = std::min(minimum, v[x]);
                maximum = std::max(maximum, v[x]);
                sum += v[x];
                ++valid_count;
                if (x > x0 && ok[x - 1]) {
                    relief_sum += std::fabs(v[x] - v[x - 1]);
                    ++relief_pairs;
                }
                if (previous_valid[x]) {
                    relief_sum += std::fabs(v[x] - previous_values[x]);
                    ++relief_pairs;
                }
            }
            std::memcpy(previous_values.data() + x0, v + x0, sizeof(double) * (x1 - x0));
            std::memcpy(previous_valid.data() + x0, ok + x0, static_cast<size_t>(x1 - x0));
        }
    });
    if (status != kOk) return status;
    if (valid_count == 0) return kNotAvailable;
    const double mean = sum / static_cast<double>(valid_count);

    // Pass 2: histogram and squared deviations.
    std::vector<KvrHistogramBin> bins =
        MakeBins(minimum, maximum, BinCountFor(GDALGetRasterDataType(band)));
    const double low = bins.front().lower_edge;
    const double scale = static_cast<double>(bins.size()) / (bins.back().upper_edge - low);
    const int last_bin = static_cast<int>(bins.size()) - 1;
    double squares = 0;
    status = ForEachStrip(read, geometry, [&](const Strip& strip, int width) {
        for (int row = 0; row < strip.rows; ++row) {
            const size_t start = static_cast<size_t>(row) * width;
            for (size_t i = start + strip.x0; i < start + strip.x1; ++i) {
                const double v = strip.values[i];
                if (!UsableCell(strip.valid[i], v)) continue;
                squares += (v - mean) * (v - mean);
                const int bin = std::clamp(static_cast<int>((v - low) * scale), 0, last_bin);
                bins[bin].count += 1;
            }
        }
    });
    if (status != kOk) return status;
    FinishBins(bins, valid_count);

    KvrStatistics& r = out.record;
    r = KvrStatistics{};
    r.level = level;
    r.valid_count = valid_count;
    r.minimum = minimum;
    r.maximum = maximum;
    r.mean = mean;
    r.standard_deviation = std::sqrt(squares / static_cast<double>(valid_count));
    r.cell_count = 0;
    for (const LevelWindow& window : read.windows) r.cell_count += window.Cells();
    r.invalid_count = r.cell_count - valid_count;
    r.bin_count = static_cast<uint32_t>(bins.size());
    r.relief_computed = 1;
    r.relief = relief_pairs > 0 ? relief_sum / static_cast<double>(relief_pairs) : 0.0;
    out.bins = std::move(bins);
    return kOk;
}

bool StoredBandStatistics(GDALRasterBandH band, ComputedStatistics& out) {
    double minimum = 0, maximum = 0, mean = 0, deviation = 0;
    if (GDALGetRasterStatistics(band, TRUE, FALSE, &minimum, &maximum, &mean, &deviation) !=
        CE_None)
        return false;
    double low = 0, high = 0;
    int buckets = 0;
    GUIntBig* counts = nullptr;
    if (GDALGetDefaultHistogramEx(band, &low, &high, &buckets, &counts, FALSE, nullptr, nullptr) !=
            CE_None ||
        counts == nullptr || buckets <= 0 || !(high > low)) {
        VSIFree(counts);
        return false;
    }
    std::vector<KvrHistogramBin> bins = MakeBins(low, high, buckets);
    int64_t total = 0;
    for (int i = 0; i < buckets; ++i) {
        bins[i].count = static_cast<double>(counts[i]);
        total += static_cast<int64_t>(counts[i]);
    }
    VSIFree(counts);
    if (total <= 0) return false;
    FinishBins(bins, total);

    KvrStatistics& r = out.record;
    r = KvrStatistics{};
    r.valid_count = total;
    r.minimum = minimum;
    r.maximum = maximum;
    r.mean = mean;
    r.standard_deviation = deviation;
    r.cell_count =
        static_cast<int64_t>(GDALGetRasterBandXSize(band)) * GDALGetRasterBandYSize(band);
    r.invalid_count = std::max<int64_t>(0, r.cell_count - total);
    r.bin_count = static_cast<uint32_t>(bins.size());
    r.relief_computed = 0;
    out.bins = std::move(bins);
    return true;
}

KvrStatistics* HandOutStatistics(const ComputedStatistics& statistics) {
    const size_t bin_bytes = statistics.bins.size() * sizeof(KvrHistogramBin);
    static_assert(sizeof(KvrStatistics) % alignof(KvrHistogramBin) == 0, "bins follow the record");
    auto* block =
        static_cast<uint8_t*>(StatisticsBlocks().Allocate(sizeof(KvrStatistics) + bin_bytes));
    if (block == nullptr) return nullptr;
    auto* record = reinterpret_cast<KvrStatistics*>(block);
    *record = statistics.record;
    auto* bins = reinterpret_cast<KvrHistogramBin*>(block + sizeof(KvrStatistics));
    if (bin_bytes > 0) std::memcpy(bins, statistics.bins.data(), bin_bytes);
    record->bin_count = static_cast<uint32_t>(statistics.bins.size());
    record->bins = statistics.bins.empty() ? nullptr : bins;
    return record;
}

}  // namespace Tarn::RasterApi
