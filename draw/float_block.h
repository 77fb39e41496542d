// A block of float cells as the single-band pass reads it: the picture's cells inside a larger
// buffer, and on each side whether the raster's next row or column is there to be read.
#pragma once

#include <cstdint>

namespace Tarn::Draw {

// Which sides of a picture have one more row or column of the raster just outside it (the
// halo). Where a side has none, the picture's border there is the raster's own edge, and its
// cells take one-sided differences.
struct BlockHalo {
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
};

// Width x height cells, rows in delivered order, and one validity byte per cell (nonzero =
// valid; the values of invalid cells are never used). `values` and `validity` point at the
// picture's first cell; rows are `stride` elements apart in both buffers (0: `width`, rows
// without gaps). Where the halo has a side, the row or column next to the picture on that side
// is readable through the same pointers and stride (index -1, `width` or `height`), and so are
// the corner cells between two such sides.
struct FloatBlock {
    const float* values = nullptr;
    const uint8_t* validity = nullptr;
    int64_t width = 0;
    int64_t height = 0;
    int64_t stride = 0;
    BlockHalo halo = {};

    int64_t RowStride() const { return stride != 0 ? stride : width; }

    // Whether cell (x, y) of the picture has each neighbour to read.
    bool HasLeft(int64_t x) const { return x > 0 || halo.left; }
    bool HasRight(int64_t x) const { return x < width - 1 || halo.right; }
    bool HasAbove(int64_t y) const { return y > 0 || halo.top; }
    bool HasBelow(int64_t y) const { return y < height - 1 || halo.bottom; }

    // Rows [first, end) as a block of their own, the rows next to them (of this block or of its
    // halo) as their halo: drawn into the same rows of the picture, they give the same pixels
    // as the whole block. Strips of one block may be drawn at the same time; the pass only reads
    // the block.
    FloatBlock Rows(int64_t first, int64_t end) const {
        FloatBlock rows = *this;
        rows.values = values + first * RowStride();
        rows.validity = validity + first * RowStride();
        rows.height = end - first;
        rows.stride = RowStride();
        rows.halo.top = first > 0 || halo.top;
        rows.halo.bottom = end < height || halo.bottom;
        return rows;
    }
};

}  // namespace Tarn::Draw
