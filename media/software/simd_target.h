#pragma once
// The preamble of a file of vector loops. Such a file includes every header it shares with other
// files first, then opens its instruction set with ZELVO_SIMD_BEGIN("sse2") or
// ZELVO_SIMD_BEGIN("avx2"), so that no inline function of a shared header is compiled for that
// set; it closes with ZELVO_SIMD_END at its end. Its loops are called only after the run-time
// processor check (SoftPathLevel).
#include <immintrin.h>

#define ZELVO_SIMD_PRAGMA(text) _Pragma(#text)

#if defined(__clang__)
#define ZELVO_SIMD_BEGIN(isa) ZELVO_SIMD_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define ZELVO_SIMD_END ZELVO_SIMD_PRAGMA(clang attribute pop)
#else
// GCC's target pragma holds to the end of the file.
#define ZELVO_SIMD_BEGIN(isa) ZELVO_SIMD_PRAGMA(GCC target(isa))
#define ZELVO_SIMD_END
#endif
