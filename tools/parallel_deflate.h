// One zlib stream compressed in parts on several threads with libdeflate, for PNG pictures,
// whose pixel data must be a single stream. libdeflate only writes whole streams, each ending in
// a final block; every part but the last has that block's "final" bit cleared (found by zlib's
// inflate stopping at each block boundary) and an empty stored block appended, which brings the
// next part to a byte boundary. Parts know nothing of each other, so no match reaches back
// across them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tarn::Tools {

// The zlib stream (header, deflate data, Adler-32) of `data` at libdeflate level `level`, made
// of `parts` parts compressed at the same time. Empty when out of memory.
std::vector<uint8_t> ParallelZlibCompress(const uint8_t* data, size_t size, int level, int parts);

// The number of parts worth using for `size` bytes on this machine.
int ParallelDeflateParts(size_t size);

}  // namespace Tarn::Tools
