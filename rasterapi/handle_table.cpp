// The shared handle counter.
#include "rasterapi/handle_table.h"

#include <atomic>

namespace Tarn::RasterApi {

uint32_t NextHandleValue() {
    static std::atomic<uint32_t> counter{0};
    for (;;) {
        const uint32_t value = ++counter;
        if (value != 0 && value != 0xFFFFFFFFu) return value;
    }
}

}  // namespace Tarn::RasterApi
