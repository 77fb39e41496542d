// Which vector instructions the fast pixel pass runs on, chosen at run time: AVX2 with FMA where
// the processor and the system have them, SSE2 (every x86-64 processor) otherwise. One build
// serves both; the AVX2 functions carry GCC's target attribute.
//
// Not on Windows: MinGW-w64's GCC does not realign the stack for the 32-byte spills of AVX
// registers (GCC bug 54412), so AVX2 code there can fault on an unaligned store. The Windows
// build keeps the SSE2 path alone.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define TARN_DRAW_AVX2 1
// For functions whose bodies use AVX2 and FMA intrinsics. Lambdas do not inherit it: the AVX2
// bodies call attributed functions instead.
#define TARN_DRAW_AVX2_TARGET __attribute__((target("avx2,fma")))
#endif

namespace Tarn::Draw {

enum class VectorPath {
    kSse2,
    kAvx2Fma,
};

// Whether this processor (and its system, which must save the wide registers) can run the
// AVX2 path; always false where the build leaves it out.
bool Avx2FmaAvailable();

// The path the pass takes now: the widest available unless a caller held it to another.
VectorPath ActiveVectorPath();

// Holds the pass to `path` from now on, for tests and benchmarks that compare the paths; a path
// the processor lacks gives SSE2. Returns the path that was active. Not to be called while a
// picture is being drawn.
VectorPath SetVectorPath(VectorPath path);

}  // namespace Tarn::Draw
