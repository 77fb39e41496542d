// Memory the engine hands to its caller (statistics, cell blocks, texts). Each kind has its own
// registry, so a release function given a pointer it never handed out, or one already released,
// refuses it with a status instead of corrupting the heap.
#pragma once

#include <cstddef>
#include <mutex>
#include <unordered_set>

namespace Tarn::RasterApi {

class OwnedBlocks {
public:
    // Memory of `bytes` bytes, zero-filled unless the caller writes every byte itself, recorded
    // as handed out; null when out of memory.
    void* Allocate(size_t bytes, bool zeroed = true);
    // Frees a block this registry handed out; false (and nothing freed) for any other pointer.
    bool Release(void* block);
    // Forgets and frees a block that never reached the caller.
    void Discard(void* block) { Release(block); }

private:
    std::mutex mutex_;
    std::unordered_set<void*> live_;
};

OwnedBlocks& StatisticsBlocks();
OwnedBlocks& DataBlocks();
OwnedBlocks& StringBlocks();

}  // namespace Tarn::RasterApi
