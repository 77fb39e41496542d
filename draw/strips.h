// Sharing a picture's pixel pass between threads: strips of whole rows, each drawn by its own
// worker, all of them joined before the call returns, so no thread outlives the draw that
// started it and the host never meets one between its calls.
#pragma once

#include <cstdint>
#include <functional>

namespace Tarn::Draw {

// Below this many pixels (about 256 x 256) a picture is drawn on the calling thread: starting
// and joining workers costs more than the share of the pass they would take.
constexpr int64_t kThreadedPixelsMinimum = int64_t{256} * 256;

// The most threads a picture is drawn with when the preference does not say: beyond that the
// pass is held by the memory, not by the cores.
constexpr int kDefaultThreadsMost = 8;
// The most a preference may ask for.
constexpr int kThreadsMost = 64;

// Strips per thread: more than one, so that the threads share the picture out as they go.
constexpr int kStripsPerThread = 4;

struct Threading {
    int threads = 1;  // 1: the calling thread alone
    int64_t minimum_pixels = kThreadedPixelsMinimum;
};

// The thread count for a preference value: 1 or more as asked (at most kThreadsMost), 0 or
// less the default, one per core the system reports and at most kDefaultThreadsMost.
int DrawThreadsFor(int32_t preference);

// How many strips a picture of `rows` rows of `width` pixels is cut into: 1 below the minimum
// of pixels or with one thread, else kStripsPerThread per thread; never more than it has rows.
int64_t StripCount(int64_t rows, int64_t width, const Threading& threading);

// Calls draw(first, end) once for each strip [first, end) of rows [0, rows), strips of nearly
// equal height, on the calling thread and on at most threads - 1 workers started here and
// joined before the return; each thread takes the next strip from the top while any is left,
// so a worker that cannot be started leaves its strips to the others. The first exception a
// strip throws is thrown again once every worker has been joined. `draw` must only write its
// own rows.
void ForEachStrip(int64_t rows, int64_t width, const Threading& threading,
                  const std::function<void(int64_t first, int64_t end)>& draw);

}  // namespace Tarn::Draw
