#pragma once
// What the processor offers the device's loops. Functions marked SOFTD3D_AVX2 are compiled for
// AVX2 whatever the build's target and are called only where ProcessorHasAvx2(); their SSE2
// forms serve the other processors.
#define SOFTD3D_AVX2 __attribute__((target("avx2")))
#define SOFTD3D_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace softd3d {

// Safe among the static initializers, which may run before the C library has looked at the
// processor itself.
inline bool ProcessorHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace softd3d
