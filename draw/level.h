// The overview level a picture is drawn from: how far the source rectangle is shrunk or
// stretched to the output rectangle, in powers of two.
#pragma once

#include <cstdint>

namespace Tarn::Draw {

// 0 when the source is drawn cell for cell. Per axis, floor(log2(source / output)) when
// shrinking and -ceil(log2(output / source)) when stretching, both on whole quotients; the
// larger of the two for a single output row, the smaller otherwise. An axis without extent
// (zero or negative on either side) counts as level 0.
int ChooseDrawLevel(int64_t source_width, int64_t source_height, int64_t output_width,
                    int64_t output_height);

}  // namespace Tarn::Draw
