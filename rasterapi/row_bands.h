// Cell blocks read in bands of rows on several threads: how many threads the engine may use, how
// many bands a block is worth splitting into, and the run of one read per band, each band on a
// dataset handle of its own (GDAL datasets serve one thread at a time; its block cache is shared).
// The threads exist only while the read runs.
#pragma once

#include <cstdint>
#include <functional>

#include "rasterapi/open_raster.h"
#include "rasterapi/status.h"

namespace Tarn::RasterApi {

// At most this many threads read one block, whatever is asked.
constexpr int kReadThreadsMost = 64;

// The threads a block may be read with, process-wide: 1 (the default) reads on the calling
// thread; values below 1 count as 1.
void SetReadThreads(int threads);
int ReadThreads();

// Bands a block of `rows` x `columns` pixels is read in with `threads`: fewer where a band would
// have less than kBandRowsLeast rows or kBandPixelsLeast pixels, below which a thread costs more
// than it saves; 1 for a block too small to split.
constexpr int64_t kBandRowsLeast = 64;
constexpr int64_t kBandPixelsLeast = int64_t{1} << 17;
int RowBandsFor(int64_t rows, int64_t columns, int threads);

// read(handle, first, end) for `bands` consecutive bands of rows [0, rows): the first on the
// calling thread with `raster` itself, each other on a thread of its own with a further handle of
// `raster` (where one does not open, or a thread does not start, that band is read on the calling
// thread too). The first failure is the result, and GDAL's messages from a band's thread are
// raised again on the calling thread so the caller hears why. Every band is read to its end
// before this returns.
using RowBandRead = std::function<Status(OpenRaster& handle, int64_t first, int64_t end)>;
Status ReadRowBands(OpenRaster& raster, int64_t rows, int bands, const RowBandRead& read);

}  // namespace Tarn::RasterApi
