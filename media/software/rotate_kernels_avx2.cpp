// AVX2 spans for the mapped draws of 32-bit direct sources without blend picture or tint: plain and
// keyed copies, source-alpha blends and parameter blends. Eight positions per step, source pixels
// gathered, the blend done in 16-bit lanes where every intermediate fits, so each span gives the
// same bytes as its scalar cell. Spans whose positions wrap go to the scalar cell. Everything after the target pragma is local to this file and is called
// only after the run-time processor check.
#include <immintrin.h>

#include <cstdint>

#include "media/software/rotate_kernels.h"

#pragma GCC target("avx2")

namespace zelvo::soft {
namespace {

enum VectorKind : int {
  kVecCopy,            // mode 0: d = s
  kVecKeyed,           // mode 0, colour key: d = s unless s is the key
  kVecAlphaKeyed,      // mode 0, source alpha, transparent flag: a = 255 copies, else weighted by a
  kVecAlphaWeighted,   // mode 0, source alpha, no transparent flag: always weighted by a
  kVecParam,           // mode 1: weighted by the parameter
  kVecParamKeyed,      // mode 1, colour key
};

// Bytes 0-2 become (s * w + d * (256 - w)) >> 8, which equals ((s - d) * w + (d << 8)) >> 8 and
// stays below 65536; byte 3 keeps d's. wLo and wHi hold each pixel's weight in its four 16-bit
// lanes, laid out as the unpacked low and high halves.
__m256i Weighted(__m256i s, __m256i d, __m256i wLo, __m256i wHi) {
  const __m256i zero = _mm256_setzero_si256(), k256 = _mm256_set1_epi16(256);
  const __m256i lo = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), wLo),
                       _mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), _mm256_sub_epi16(k256, wLo))),
      8);
  const __m256i hi = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), wHi),
                       _mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), _mm256_sub_epi16(k256, wHi))),
      8);
  const __m256i byte3 = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  return _mm256_or_si256(_mm256_andnot_si256(byte3, _mm256_packus_epi16(lo, hi)), _mm256_and_si256(byte3, d));
}

// Each pixel's byte 3 spread over its four 16-bit lanes, for the low and the high unpacked half.
__m256i AlphaLanes(__m256i s, bool high) {
  const __m256i lowMask = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1,
                                           3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  const __m256i highMask = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1,
                                            11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  return _mm256_shuffle_epi8(s, high ? highMask : lowMask);
}

template <int Kind>
__m256i Pixels(const MapCall& c, __m256i s, __m256i dv) {
  if constexpr (Kind == kVecCopy) {
    return s;
  } else if constexpr (Kind == kVecKeyed) {
    return _mm256_blendv_epi8(s, dv, _mm256_cmpeq_epi32(s, _mm256_set1_epi32(static_cast<int>(c.op.key))));
  } else if constexpr (Kind == kVecAlphaKeyed || Kind == kVecAlphaWeighted) {
    const __m256i out = Weighted(s, dv, AlphaLanes(s, false), AlphaLanes(s, true));
    if constexpr (Kind == kVecAlphaWeighted) return out;
    const __m256i opaque = _mm256_cmpeq_epi32(_mm256_srli_epi32(s, 24), _mm256_set1_epi32(255));
    return _mm256_blendv_epi8(out, s, opaque);
  } else {
    const __m256i p = _mm256_set1_epi16(static_cast<short>(c.op.rows.param));
    const __m256i out = Weighted(s, dv, p, p);
    if constexpr (Kind == kVecParam) return out;
    return _mm256_blendv_epi8(out, dv, _mm256_cmpeq_epi32(s, _mm256_set1_epi32(static_cast<int>(c.op.key))));
  }
}

template <int Kind>
void SpanAvx2(const MapCall& c, uint8_t* d, int count, uint32_t u, uint32_t v) {
  const SpanRun run = FindSpanRun(c, count, u, v);
  if (run.checked) {
    c.scalar(c, d, count, u, v);
    return;
  }
  u += static_cast<uint32_t>(run.first) * c.du;
  v += static_cast<uint32_t>(run.first) * c.dv;
  d += run.first * 4;
  const int n = run.end - run.first;
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i pu = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)),
                                _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(c.du))));
  __m256i pv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)),
                                _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(c.dv))));
  const __m256i stepU = _mm256_set1_epi32(static_cast<int>(c.du * 8)), stepV = _mm256_set1_epi32(static_cast<int>(c.dv * 8));
  const __m256i pitch = _mm256_set1_epi32(c.srcPitch);
  const int* src = reinterpret_cast<const int*>(c.src);
  auto offsets = [&pu, &pv, &pitch] {
    return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(pv, kFixedShift), pitch),
                            _mm256_slli_epi32(_mm256_srli_epi32(pu, kFixedShift), 2));
  };
  int i = 0;
  for (; i + 8 <= n; i += 8, d += 32) {
    const __m256i s = _mm256_i32gather_epi32(src, offsets(), 1);
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), Pixels<Kind>(c, s, dv));
    pu = _mm256_add_epi32(pu, stepU);
    pv = _mm256_add_epi32(pv, stepV);
  }
  if (i < n) {
    // The last pixels: lanes past the run neither read the source nor touch the destination.
    const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(n - i), lanes);
    const __m256i s = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), src, offsets(), mask, 1);
    int* dp = reinterpret_cast<int*>(d);
    _mm256_maskstore_epi32(dp, mask, Pixels<Kind>(c, s, _mm256_maskload_epi32(dp, mask)));
  }
}

}  // namespace

MapSpan VectorMapSpanAvx2(int mode, bool alpha, bool trans) {
  if (mode == kBlendNone) {
    if (!alpha) return trans ? &SpanAvx2<kVecKeyed> : &SpanAvx2<kVecCopy>;
    return trans ? &SpanAvx2<kVecAlphaKeyed> : &SpanAvx2<kVecAlphaWeighted>;
  }
  if (mode == kBlendAlpha && !alpha) return trans ? &SpanAvx2<kVecParamKeyed> : &SpanAvx2<kVecParam>;
  return nullptr;
}

}  // namespace zelvo::soft
