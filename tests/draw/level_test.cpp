// The draw level of a picture from its source and output sizes.
#include <gtest/gtest.h>

#include "draw/level.h"

using Tarn::Draw::ChooseDrawLevel;

namespace {

TEST(DrawLevel, PowersOfTwoOfTheShrinkOrStretch) {
    struct Case {
        int64_t sw, sh, w, h;
        int level;
    };
    const Case cases[] = {
        {8, 4, 2, 1, 2},       // axis levels 2 and 2
        {8, 4, 4, 1, 2},       // one output row: the larger of 1 and 2
        {8, 4, 4, 2, 1},       // otherwise the smaller of 1 and 1
        {8, 4, 16, 8, -1},     // stretched twice
        {8, 4, 8, 4, 0},       // cell for cell
        {7, 7, 2, 2, 1},       // whole quotient 3: floor(log2 3)
        {3, 3, 7, 7, -1},      // whole quotient 2
        {5, 5, 17, 17, -2},    // whole quotient 3: -ceil(log2 3)
        {100, 1, 10, 10, -4},  // x shrinks (3), y stretches (-4): the smaller
        {100, 1, 10, 1, 3},    // one output row: the larger
        {1 << 20, 1 << 20, 1, 1, 20},
        {8, 4, 0, 1, 2},  // an axis without extent counts as 0, and is never divided by
        {0, 4, 2, 2, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseDrawLevel(c.sw, c.sh, c.w, c.h), c.level)
            << c.sw << " x " << c.sh << " to " << c.w << " x " << c.h;
    }
}

}  // namespace
