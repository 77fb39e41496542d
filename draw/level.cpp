// The draw level rule on whole quotients, so no rounding of log2 can move a level.
#include "draw/level.h"

#include <algorithm>
#include <bit>

namespace Tarn::Draw {
namespace {

int AxisLevel(int64_t source, int64_t output) {
    // An empty rectangle has no scale; dividing by it would trap.
    if (source <= 0 || output <= 0) return 0;
    if (source >= output) {
        const auto quotient = static_cast<uint64_t>(source / output);
        return static_cast<int>(std::bit_width(quotient)) - 1;  // floor(log2)
    }
    const auto quotient = static_cast<uint64_t>(output / source);
    return -static_cast<int>(std::bit_width(quotient - 1));  // -ceil(log2)
}

}  // namespace

int ChooseDrawLevel(int64_t source_width, int64_t source_height, int64_t output_width,
                    int64_t output_height) {
    if (source_width == output_width && source_height == output_height) return 0;
    const int x = AxisLevel(source_width, output_width);
    const int y = AxisLevel(source_height, output_height);
    return output_height == 1 ? std::max(x, y) : std::min(x, y);
}

}  // namespace Tarn::Draw
