// Sharing a picture out in strips of rows: every row drawn once, by no more threads than asked
// and in no more strips than there are rows, the threads at work together, small pictures on
// the calling thread, a strip's failure thrown again only after every other strip has ended;
// and the thread count a preference gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "draw/strips.h"

using namespace Tarn::Draw;

namespace {

struct Shared {
    std::mutex lock;
    std::vector<int> drawn;  // per row, how often
    std::set<std::thread::id> threads;
    int strips = 0;
};

void Share(int64_t rows, int64_t width, const Threading& threading, Shared& s) {
    s.drawn.assign(static_cast<size_t>(rows), 0);
    ForEachStrip(rows, width, threading, [&](int64_t first, int64_t end) {
        const std::lock_guard<std::mutex> hold(s.lock);
        ASSERT_LT(first, end);
        for (int64_t y = first; y < end; ++y) ++s.drawn[static_cast<size_t>(y)];
        s.threads.insert(std::this_thread::get_id());
        ++s.strips;
    });
}

TEST(Strips, EveryRowOnceInStripsPerThreadOnNoMoreThreadsThanAsked) {
    struct Case {
        int64_t rows, width;
        int threads;
        int strips;
    };
    const Case cases[] = {
        {300, 300, 1, 1},  {300, 300, 2, 8}, {300, 300, 3, 12},
        {300, 300, 8, 32}, {5, 20000, 8, 5},  // more threads than rows
        {1, 70000, 8, 1},                     //
        {7, 9362, 3, 1},                      // 65534 pixels: below the minimum
        {7, 9363, 3, 7},                      // 65541: above it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << " x " << c.width << ", " << c.threads);
        Shared s;
        Share(c.rows, c.width, {c.threads}, s);
        EXPECT_EQ(s.strips, c.strips);
        EXPECT_LE(s.threads.size(), static_cast<size_t>(std::min(c.threads, c.strips)));
        EXPECT_TRUE(std::all_of(s.drawn.begin(), s.drawn.end(), [](int n) { return n == 1; }));
        if (c.strips == 1) {
            EXPECT_EQ(*s.threads.begin(), std::this_thread::get_id());
        }
    }
}

TEST(Strips, TheThreadsDrawAtTheSameTime) {
    // Each strip waits (a while at most) until the other thread is drawing one too.
    std::mutex lock;
    std::condition_variable changed;
    int inside = 0, most = 0;
    std::set<std::thread::id> threads;
    ForEachStrip(4, 100000, {2}, [&](int64_t, int64_t) {
        std::unique_lock<std::mutex> hold(lock);
        threads.insert(std::this_thread::get_id());
        most = std::max(most, ++inside);
        changed.notify_all();
        changed.wait_for(hold, std::chrono::seconds(5), [&] { return most >= 2; });
        --inside;
    });
    EXPECT_EQ(most, 2);
    EXPECT_EQ(threads.size(), 2u);
}

TEST(Strips, SmallPicturesStayOnTheCallingThread) {
    Shared s;
    Share(255, 256, {8}, s);
    EXPECT_EQ(s.strips, 1);
    EXPECT_EQ(s.threads, std::set<std::thread::id>{std::this_thread::get_id()});
    Share(0, 500, {8}, s);  // nothing to draw: not called at all
    EXPECT_EQ(s.strips, 1);
}

TEST(Strips, AFailingStripIsThrownAgainAfterEveryStripHasEnded) {
    std::atomic<int> ended{0};
    EXPECT_THROW(ForEachStrip(8, 10, {4, 0},
                              [&](int64_t first, int64_t) {
                                  if (first == 4) throw std::runtime_error("strip");
                                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                  ++ended;
                              }),
                 std::runtime_error);
    EXPECT_EQ(ended.load(), 7) << "every other strip of one row each";
}

TEST(Strips, ThreadsFromThePreference) {
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const int automatic = std::clamp(cores, 1, kDefaultThreadsMost);
    EXPECT_EQ(DrawThreadsFor(0), automatic);
    EXPECT_EQ(DrawThreadsFor(-3), automatic);
    EXPECT_EQ(DrawThreadsFor(1), 1);
    EXPECT_EQ(DrawThreadsFor(12), 12);
    EXPECT_EQ(DrawThreadsFor(100000), kThreadsMost);
}

}  // namespace
