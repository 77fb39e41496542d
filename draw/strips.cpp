// Strips of rows on short-lived workers: std::thread per strip, joined in the same call.
#include "draw/strips.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace Tarn::Draw {

int DrawThreadsFor(int32_t preference) {
    if (preference > 0) return std::min(preference, kThreadsMost);
    // 0 when the system cannot tell.
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, static_cast<unsigned>(kDefaultThreadsMost)));
}

int64_t StripCount(int64_t rows, int64_t width, const Threading& threading) {
    if (rows <= 0 || width <= 0 || threading.threads <= 1) return 1;
    // A division, not a product: rows * width may stand for more pixels than there are.
    if (rows < threading.minimum_pixels / width + (threading.minimum_pixels % width != 0 ? 1 : 0))
        return 1;
    return std::min<int64_t>(int64_t{threading.threads} * kStripsPerThread, rows);
}

void ForEachStrip(int64_t rows, int64_t width, const Threading& threading,
                  const std::function<void(int64_t first, int64_t end)>& draw) {
    const int64_t strips = StripCount(rows, width, threading);
    if (strips <= 1) {
        if (rows > 0) draw(0, rows);
        return;
    }
    const int64_t threads = std::min<int64_t>(threading.threads, strips);
    const auto bound = [&](int64_t i) { return rows * i / strips; };
    // Each thread takes the next strip not yet taken until none is left: a thread that the
    // system holds up (a shared machine) leaves its share to the others.
    std::atomic<int64_t> next{0};
    std::exception_ptr failure;
    std::mutex failure_lock;
    const auto run = [&] {
        for (int64_t i = next++; i < strips; i = next++) {
            try {
                draw(bound(i), bound(i + 1));
            } catch (...) {
                const std::lock_guard<std::mutex> hold(failure_lock);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> workers;
    try {
        workers.reserve(static_cast<size_t>(threads - 1));
        for (int64_t i = 1; i < threads; ++i) workers.emplace_back(run);
    } catch (...) {
        // The system would not start another thread (std::system_error) or had no memory for
        // it: the strips are shared by those that did start, this one included.
    }
    run();
    for (std::thread& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace Tarn::Draw
