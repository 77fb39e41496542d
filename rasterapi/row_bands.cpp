// The read threads' setting and the run of a block's bands of rows.
#include "rasterapi/row_bands.h"

#include <cpl_error.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "rasterapi/gdal_session.h"

namespace Tarn::RasterApi {
namespace {

std::atomic<int> g_read_threads{1};

// What one band's thread reports: its status and GDAL's failures on that thread.
struct BandOutcome {
    Status status = kOk;
    std::string failures;
};

// One band on the calling thread or a thread of its own; nothing escapes it.
void ReadBand(const RowBandRead& read, OpenRaster& handle, int64_t first, int64_t end,
              BandOutcome& outcome) noexcept {
    try {
        QuietGdalErrors quiet;
        outcome.status = read(handle, first, end);
        if (outcome.status != kOk) outcome.failures = quiet.Failures();
    } catch (const std::bad_alloc&) {
        outcome.status = kOutOfMemory;
    } catch (...) {
        outcome.status = kInternal;
    }
}

}  // namespace

void SetReadThreads(int threads) {
    g_read_threads = std::clamp(threads, 1, kReadThreadsMost);
}

int ReadThreads() {
    return g_read_threads;
}

int RowBandsFor(int64_t rows, int64_t columns, int threads) {
    if (rows <= 0 || columns <= 0 || threads <= 1) return 1;
    const int64_t by_rows = rows / kBandRowsLeast;
    const int64_t by_pixels = rows * columns / kBandPixelsLeast;
    return static_cast<int>(std::clamp<int64_t>(std::min(by_rows, by_pixels), 1, threads));
}

Status ReadRowBands(OpenRaster& raster, int64_t rows, int bands, const RowBandRead& read) {
    bands = static_cast<int>(std::clamp<int64_t>(bands, 1, std::max<int64_t>(rows, 1)));
    const auto first_row = [&](int band) { return rows * band / bands; };
    // Everything that may throw comes before the first thread starts.
    std::vector<OpenRaster*> handles(static_cast<size_t>(bands), nullptr);
    for (int band = 1; band < bands; ++band)
        handles[static_cast<size_t>(band)] = FurtherHandle(raster, static_cast<size_t>(band - 1));
    std::vector<BandOutcome> outcomes(static_cast<size_t>(bands));
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(bands));
    std::vector<int> on_caller;
    on_caller.reserve(static_cast<size_t>(bands));
    on_caller.push_back(0);
    for (int band = 1; band < bands; ++band) {
        OpenRaster* handle = handles[static_cast<size_t>(band)];
        try {
            if (handle != nullptr) {
                threads.emplace_back(ReadBand, std::cref(read), std::ref(*handle), first_row(band),
                                     first_row(band + 1),
                                     std::ref(outcomes[static_cast<size_t>(band)]));
                continue;
            }
        } catch (const std::system_error&) {
            // No thread to be had: the band waits for the calling thread.
        }
        on_caller.push_back(band);
    }
    for (int band : on_caller)
        ReadBand(read, raster, first_row(band), first_row(band + 1),
                 outcomes[static_cast<size_t>(band)]);
    for (std::thread& thread : threads) thread.join();
    for (const BandOutcome& outcome : outcomes) {
        if (outcome.status == kOk) continue;
        if (!outcome.failures.empty())
            CPLError(CE_Failure, CPLE_AppDefined, "%s", outcome.failures.c_str());
        return outcome.status;
    }
    return kOk;
}

}  // namespace Tarn::RasterApi
