// Advice to the kernel about large buffers. Header-only, so the engine uses it without linking
// the platform layer.
#pragma once

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <cstddef>
#include <cstdint>

namespace Tarn::Platform {

// Pictures and cell blocks of tens of megabytes are written once from end to end, and faulting
// them in 4 KiB at a time costs more than filling them. Where the kernel leaves transparent huge
// pages to the program's choice, ask for them on the 2 MiB-aligned inside of the buffer; call
// this before the buffer is first written.
inline void AdviseHugePages(void* data, size_t bytes) {
#ifdef _WIN32
    // Large pages on Windows need a privilege that users do not have; nothing to ask for.
    (void)data;
    (void)bytes;
#else
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    if (data == nullptr || bytes < 2 * kHugePage) return;
    const uintptr_t start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (start + bytes) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace Tarn::Platform
