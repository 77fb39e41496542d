// The run-time choice of the vector path, made once and kept in an atomic so that workers read
// it without a lock.
#include "draw/vector_path.h"

#include <atomic>

namespace Tarn::Draw {
namespace {

VectorPath Widest() {
    return Avx2FmaAvailable() ? VectorPath::kAvx2Fma : VectorPath::kSse2;
}

std::atomic<VectorPath>& Active() {
    static std::atomic<VectorPath> active{Widest()};
    return active;
}

}  // namespace

bool Avx2FmaAvailable() {
#if defined(TARN_DRAW_AVX2)
    // libgcc's answer counts AVX2 and FMA only where XGETBV says the system saves the upper
    // halves of the registers.
    static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return available;
#else
    return false;
#endif
}

VectorPath ActiveVectorPath() {
    return Active().load(std::memory_order_relaxed);
}

VectorPath SetVectorPath(VectorPath path) {
    if (path == VectorPath::kAvx2Fma && !Avx2FmaAvailable()) path = VectorPath::kSse2;
    return Active().exchange(path);
}

}  // namespace Tarn::Draw
