// The light rows of the fast pass give a cell the same bits wherever it falls in the row, so that
// windows, tiles and strips of a picture get its pixels exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "draw/light_rows.h"
#include "draw_test_support.h"

namespace {

using namespace Tarn::Draw;

bool SameBits(const float* a, const float* b, int64_t count) {
    return std::memcmp(a, b, sizeof(float) * static_cast<size_t>(count)) == 0;
}

// Heights with steep steps, level runs, and cells that no vector lane can take (infinite).
std::vector<float> Heights(int64_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> height(-3.0f, 3.0f);
    std::vector<float> z(static_cast<size_t>(count));
    for (float& v : z) v = height(random);
    z[7] = z[8] = z[9];
    z[13] = std::numeric_limits<float>::infinity();
    z[22] = std::numeric_limits<float>::quiet_NaN();
    return z;
}

TEST(LightRows, ACellsSlopesAndLightDoNotDependOnItsPlaceInTheRow) {
    constexpr int64_t kCells = 40;
    const std::vector<float> above = Heights(kCells, 1), here = Heights(kCells, 2),
                             below = Heights(kCells, 3);
    ShadingConstants k;
    k.dx_minus_sin_az_cos_el = -0.5f;
    k.dy_cos_az_cos_el = 0.5f;
    k.dz_sin_el = 0.7071068f;
    k.gain_intensity_times_2_55 = 178.5f;
    k.ambient_brightness_times_2_55 = 51.0f;
    k.hx_minus_sin_az_cos_el = -0.3f;
    k.hy_cos_az_cos_el = 0.4f;
    k.hz_sin_el = 0.8660254f;
    k.bh_highlight_peak = 224.0f;
    k.q_half_highlight_size = 25.0f;
    const float run = 0.7f;

    for (const VectorPath path : DrawTest::AvailablePaths()) {
        SCOPED_TRACE(DrawTest::PathName(path));
        const DrawTest::HeldPath held(path);
        // The whole row once.
        std::vector<float> g_row(kCells), h_row(kCells), g_up(kCells), h_up(kCells), g_down(kCells),
            h_down(kCells), light(kCells), highlight(kCells);
        LightRows::Slopes(here.data(), here.data() + 1, kCells - 1, run, g_row.data(),
                          h_row.data());
        LightRows::Slopes(above.data(), here.data(), kCells, run, g_up.data(), h_up.data());
        LightRows::Slopes(here.data(), below.data(), kCells, run, g_down.data(), h_down.data());
        const LightRows::Neighbourhood n{g_row.data(), h_row.data(),  g_up.data(),
                                         h_up.data(),  g_down.data(), h_down.data()};
        LightRows::InteriorLight(n, 1, kCells - 1, k, true, light.data(), highlight.data());

        // Every run of up to 17 cells (two groups of the widest vectors and one more) from every
        // place again, each cell in another lane.
        for (int64_t first = 1; first < kCells - 1; ++first) {
            for (int64_t count = 1; count <= 17 && first + count < kCells; ++count) {
                SCOPED_TRACE(testing::Message()
                             << "cells " << first << " to " << first + count - 1);
                std::vector<float> g(17), h(17);
                LightRows::Slopes(above.data() + first, here.data() + first, count, run, g.data(),
                                  h.data());
                EXPECT_TRUE(SameBits(g.data(), g_up.data() + first, count));
                EXPECT_TRUE(SameBits(h.data(), h_up.data() + first, count));

                std::vector<float> part_light(kCells, -1.0f), part_highlight(kCells, -1.0f);
                LightRows::InteriorLight(n, first, first + count, k, true, part_light.data(),
                                         part_highlight.data());
                EXPECT_TRUE(SameBits(part_light.data() + first, light.data() + first, count));
                EXPECT_TRUE(
                    SameBits(part_highlight.data() + first, highlight.data() + first, count));
                // Nothing around the run is written.
                EXPECT_EQ(part_light[first - 1], -1.0f);
                EXPECT_EQ(part_light[first + count], -1.0f);
            }
        }
    }
}

TEST(LightRows, TheSse2PathCanBeChosenOnAProcessorWithAvx2) {
    if (!Avx2FmaAvailable()) GTEST_SKIP() << "no AVX2 and FMA here: SSE2 is the only path";
    EXPECT_EQ(ActiveVectorPath(), VectorPath::kAvx2Fma) << "the widest path by default";
    // The fused products round otherwise: somewhere in a row the bits differ.
    const std::vector<float> a = Heights(400, 5), b = Heights(400, 6);
    std::vector<float> wide_g(400), wide_h(400), narrow_g(400), narrow_h(400);
    LightRows::Slopes(a.data(), b.data(), 400, 0.7f, wide_g.data(), wide_h.data());
    {
        const DrawTest::HeldPath held(VectorPath::kSse2);
        EXPECT_EQ(ActiveVectorPath(), VectorPath::kSse2);
        LightRows::Slopes(a.data(), b.data(), 400, 0.7f, narrow_g.data(), narrow_h.data());
    }
    EXPECT_EQ(ActiveVectorPath(), VectorPath::kAvx2Fma);
    EXPECT_FALSE(SameBits(wide_g.data(), narrow_g.data(), 400) &&
                 SameBits(wide_h.data(), narrow_h.data(), 400));
}

}  // namespace
