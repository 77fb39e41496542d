// The three registries of handed-out memory.
#include "rasterapi/owned_blocks.h"

#include <cstdlib>

#include "platform/memory_advice.h"

namespace Tarn::RasterApi {

void* OwnedBlocks::Allocate(size_t bytes, bool zeroed) {
    if (bytes == 0) bytes = 1;
    void* block = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    if (block == nullptr) return nullptr;
    // Blocks are filled once from end to end; see AdviseHugePages.
    Platform::AdviseHugePages(block, bytes);
    try {
        std::lock_guard lock(mutex_);
        live_.insert(block);
    } catch (...) {
        std::free(block);
        return nullptr;
    }
    return block;
}

bool OwnedBlocks::Release(void* block) {
    if (block == nullptr) return false;
    {
        std::lock_guard lock(mutex_);
        if (live_.erase(block) == 0) return false;
    }
    std::free(block);
    return true;
}

OwnedBlocks& StatisticsBlocks() {
    static OwnedBlocks blocks;
    return blocks;
}

OwnedBlocks& DataBlocks() {
    static OwnedBlocks blocks;
    return blocks;
}

OwnedBlocks& StringBlocks() {
    static OwnedBlocks blocks;
    return blocks;
}

}  // namespace Tarn::RasterApi
