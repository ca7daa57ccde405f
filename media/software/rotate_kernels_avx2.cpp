// AVX2 spans for the mapped draws of direct sources without blend picture or tint: plain and keyed
// copies and source-alpha blends (with and without a parameter) in both colour types, and the
// 32-bit parameter blend, add, subtract and multiply of sources without alpha. Eight positions per
// step, source pixels gathered, the blend done in 16-bit lanes where every intermediate fits, so
// each span gives the same bytes as its scalar cell. Spans whose positions wrap go to the scalar
// cell.
#include <cstdint>

#include "media/software/rotate_kernels.h"
#include "media/software/simd_target.h"

ZELVO_SIMD_BEGIN("avx2")

#include "media/software/lanes_avx2.h"
#include "media/software/row_vector.h"

namespace zelvo::soft {
namespace {

enum class VectorKind : uint8_t {
  kCopy,            // none mode: d = s
  kKeyed,           // none mode, colour key: d = s unless s is the key
  kAlphaKeyed,      // none mode, source alpha, transparent flag: a = 255 copies, else weighted by a
  kAlphaWeighted,   // none mode, source alpha, no transparent flag: always weighted by a
  kAlphaParamKeyed,    // alpha mode, source alpha, transparent flag: a = 255 weighs by p alone, else by a * p
  kAlphaParamWeighted, // alpha mode, source alpha, no transparent flag: always weighted by a * p
  kParam,           // alpha mode: weighted by the parameter
  kParamKeyed,      // alpha mode, colour key
  kAdd,             // add mode: saturating add of the source scaled by the parameter
  kAddKeyed,
  kSub,             // subtract mode: saturating subtract of the scaled source
  kSubKeyed,
  kMul,             // multiply mode: product of source and destination
  kMulKeyed,
};

constexpr bool IsKeyed(VectorKind kind) {
  return kind == VectorKind::kKeyed || kind == VectorKind::kParamKeyed || kind == VectorKind::kAddKeyed ||
         kind == VectorKind::kSubKeyed || kind == VectorKind::kMulKeyed;
}

// Bytes 0-2 of s times p / 255, truncated, with byte 3 zero: x * p / 255 equals
// (y + 1 + (y >> 8)) >> 8 for y = x * p, which stays below 65536.
ZELVO_VECTOR_INLINE __m256i ScaledSource(__m256i s, int param) {
  const __m256i zero = _mm256_setzero_si256(), p = _mm256_set1_epi16(static_cast<short>(param)), one = _mm256_set1_epi16(1);
  auto div255 = [&](__m256i y) { return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(y, one), _mm256_srli_epi16(y, 8)), 8); };
  const __m256i lo = div255(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), p));
  const __m256i hi = div255(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), p));
  return _mm256_andnot_si256(_mm256_set1_epi32(static_cast<int>(0xFF000000u)), _mm256_packus_epi16(lo, hi));
}

// The whole-word saturating add and subtract with guard bits in the lowest bits of green and red.
ZELVO_VECTOR_INLINE __m256i AddWord(__m256i s, __m256i d) {
  const __m256i m = _mm256_set1_epi32(0x00FEFEFF), g = _mm256_set1_epi32(0x01010100);
  const __m256i sum = _mm256_add_epi32(_mm256_and_si256(s, m), _mm256_and_si256(d, m));
  const __m256i c = _mm256_and_si256(sum, g);
  return _mm256_or_si256(_mm256_or_si256(sum, _mm256_sub_epi32(c, _mm256_srli_epi32(c, 8))),
                         _mm256_and_si256(_mm256_or_si256(d, s), _mm256_set1_epi32(0x00010100)));
}
ZELVO_VECTOR_INLINE __m256i SubWord(__m256i s, __m256i d) {
  const __m256i g = _mm256_set1_epi32(0x01010100);
  const __m256i t = _mm256_sub_epi32(_mm256_or_si256(d, g), _mm256_and_si256(s, _mm256_set1_epi32(0x00FEFEFF)));
  const __m256i b = _mm256_and_si256(t, g);
  return _mm256_and_si256(t, _mm256_sub_epi32(b, _mm256_srli_epi32(b, 8)));
}

// Bytes 0-2 become s * d >> 8; byte 3 keeps d's.
ZELVO_VECTOR_INLINE __m256i Product(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero)), 8);
  const __m256i hi = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero)), 8);
  const __m256i byte3 = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  return _mm256_or_si256(_mm256_andnot_si256(byte3, _mm256_packus_epi16(lo, hi)), _mm256_and_si256(byte3, d));
}

template <VectorKind Kind>
ZELVO_VECTOR_INLINE __m256i Blended(const MapCall& c, __m256i s, __m256i dv) {
  if constexpr (Kind == VectorKind::kCopy || Kind == VectorKind::kKeyed) {
    return s;
  } else if constexpr (Kind == VectorKind::kAlphaKeyed || Kind == VectorKind::kAlphaWeighted) {
    const __m256i sGA = _mm256_srli_epi16(s, 8), a = Avx2::alphaPairs(s, sGA);
    const __m256i out = SourceAlphaLanes<Avx2>(s, dv, sGA, a);
    if constexpr (Kind == VectorKind::kAlphaWeighted) return out;
    return _mm256_blendv_epi8(out, s, _mm256_cmpeq_epi16(a, _mm256_set1_epi16(255)));
  } else if constexpr (Kind == VectorKind::kAlphaParamKeyed || Kind == VectorKind::kAlphaParamWeighted) {
    const __m256i sGA = _mm256_srli_epi16(s, 8);
    __m256i a = Avx2::alphaPairs(s, sGA);
    // with the transparent flag an opaque pixel weighs by p alone, which is a weight of 256 * p
    if constexpr (Kind == VectorKind::kAlphaParamKeyed) a = _mm256_sub_epi16(a, _mm256_cmpeq_epi16(a, _mm256_set1_epi16(255)));
    const __m256i w = _mm256_mullo_epi16(a, _mm256_set1_epi16(static_cast<short>(c.op.rows.param)));
    return ParamAlphaLanes<Avx2>(s, dv, sGA, w);
  } else if constexpr (Kind == VectorKind::kParam || Kind == VectorKind::kParamKeyed) {
    const __m256i p = _mm256_set1_epi16(static_cast<short>(c.op.rows.param));
    return SourceAlphaLanes<Avx2>(s, dv, _mm256_srli_epi16(s, 8), p);
  } else if constexpr (Kind == VectorKind::kAdd || Kind == VectorKind::kAddKeyed) {
    return AddWord(ScaledSource(s, c.op.rows.param), dv);
  } else if constexpr (Kind == VectorKind::kSub || Kind == VectorKind::kSubKeyed) {
    return SubWord(ScaledSource(s, c.op.rows.param), dv);
  } else {
    return Product(s, dv);
  }
}

template <VectorKind Kind>
ZELVO_VECTOR_INLINE __m256i Pixels(const MapCall& c, __m256i s, __m256i dv) {
  const __m256i out = Blended<Kind>(c, s, dv);
  if constexpr (!IsKeyed(Kind)) return out;
  return _mm256_blendv_epi8(out, dv, _mm256_cmpeq_epi32(s, _mm256_set1_epi32(static_cast<int>(c.op.key))));
}

// Eight texture positions walked together: lane k holds the position of pixel k of the group.
struct LaneWalk {
  __m256i pu, pv, stepU, stepV;
};

// Moves u and v to the first pixel of the run and starts the walk there.
LaneWalk StartLaneWalk(const MapCall& c, int first, uint32_t& u, uint32_t& v) {
  u += static_cast<uint32_t>(first) * c.du;
  v += static_cast<uint32_t>(first) * c.dv;
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  LaneWalk w;
  w.pu = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)),
                          _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(c.du))));
  w.pv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)),
                          _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(c.dv))));
  w.stepU = _mm256_set1_epi32(static_cast<int>(c.du * 8));
  w.stepV = _mm256_set1_epi32(static_cast<int>(c.dv * 8));
  return w;
}

ZELVO_VECTOR_INLINE void AdvanceLaneWalk(LaneWalk& w) {
  w.pu = _mm256_add_epi32(w.pu, w.stepU);
  w.pv = _mm256_add_epi32(w.pv, w.stepV);
}

template <VectorKind Kind>
void SpanAvx2(const MapCall& c, uint8_t* d, int count, uint32_t u, uint32_t v) {
  const SpanRun run = FindSpanRun(c, count, u, v);
  if (run.checked) {
    c.scalar(c, d, count, u, v);
    return;
  }
  LaneWalk walk = StartLaneWalk(c, run.first, u, v);
  d += run.first * 4;
  const int n = run.end - run.first;
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i pitch = _mm256_set1_epi32(c.srcPitch);
  const int* src = reinterpret_cast<const int*>(c.src);
  auto offsets = [&walk, &pitch] {
    return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(walk.pv, kFixedShift), pitch),
                            _mm256_slli_epi32(_mm256_srli_epi32(walk.pu, kFixedShift), 2));
  };
  int i = 0;
  for (; i + 8 <= n; i += 8, d += 32) {
    const __m256i s = _mm256_i32gather_epi32(src, offsets(), 1);
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), Pixels<Kind>(c, s, dv));
    AdvanceLaneWalk(walk);
  }
  if (i < n) {
    // The last pixels: lanes past the run neither read the source nor touch the destination.
    const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(n - i), lanes);
    const __m256i s = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), src, offsets(), mask, 1);
    int* dp = reinterpret_cast<int*>(d);
    _mm256_maskstore_epi32(dp, mask, Pixels<Kind>(c, s, _mm256_maskload_epi32(dp, mask)));
  }
}

// 16-bit pictures: eight pixels in the low halves of 32-bit lanes, or sixteen in 16-bit lanes; the
// 16-bit lane forms of the row loops apply to both, since the high halves stay zero.
template <VectorKind Kind>
constexpr bool IsParamAlpha() {
  return Kind == VectorKind::kAlphaParamKeyed || Kind == VectorKind::kAlphaParamWeighted;
}
template <VectorKind Kind>
constexpr bool IsAlphaSource() {
  return Kind == VectorKind::kAlphaKeyed || Kind == VectorKind::kAlphaWeighted || IsParamAlpha<Kind>();
}

template <VectorKind Kind>
ZELVO_VECTOR_INLINE __m256i Pixels565(const MapCall& c, __m256i raw, __m256i dv) {
  const __m256i colour = _mm256_and_si256(raw, _mm256_set1_epi32(0xFFFF));
  if constexpr (Kind == VectorKind::kCopy) {
    return colour;
  } else if constexpr (Kind == VectorKind::kKeyed) {
    return _mm256_blendv_epi8(colour, dv, _mm256_cmpeq_epi32(colour, _mm256_set1_epi32(static_cast<int>(c.op.key))));
  } else {
    const __m256i a = _mm256_and_si256(_mm256_srli_epi32(raw, 16), _mm256_set1_epi32(0xFF));
    constexpr bool kTransparent = Kind == VectorKind::kAlphaKeyed || Kind == VectorKind::kAlphaParamKeyed;
    return Alpha565<Avx2, IsParamAlpha<Kind>(), kTransparent>(colour, a, dv, c.op.rows.param);
  }
}

// Sources without alpha have two bytes per pixel: each lane reads the dword ending at its pixel
// (or, in column 0, starting there), so that no read passes the row's end; one-column sources stay
// scalar. Sources with alpha have four bytes per pixel. Left-over pixels go to the scalar cell.
template <VectorKind Kind>
void Span565Avx2(const MapCall& c, uint8_t* d, int count, uint32_t u, uint32_t v) {
  constexpr bool kAlpha = IsAlphaSource<Kind>();
  const SpanRun run = FindSpanRun(c, count, u, v);
  if (run.checked || (!kAlpha && c.uLimit < (2u << kFixedShift))) {
    c.scalar(c, d, count, u, v);
    return;
  }
  LaneWalk walk = StartLaneWalk(c, run.first, u, v);
  d += run.first * 2;
  const int n = run.end - run.first;
  const __m256i pitch = _mm256_set1_epi32(c.srcPitch);
  const int* src = reinterpret_cast<const int*>(c.src);
  int i = 0;
  if constexpr (kAlpha) {
    // Sixteen pixels a step: two gathers packed into 16-bit lanes.
    constexpr bool kTransparent = Kind == VectorKind::kAlphaKeyed || Kind == VectorKind::kAlphaParamKeyed;
    auto gather = [&walk, &pitch, src] {
      const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(walk.pv, kFixedShift), pitch),
                                              _mm256_slli_epi32(_mm256_srli_epi32(walk.pu, kFixedShift), 2));
      const __m256i raw = _mm256_i32gather_epi32(src, offset, 1);
      AdvanceLaneWalk(walk);
      return raw;
    };
    for (; i + 16 <= n; i += 16, d += 32) {
      const __m256i w0 = gather(), w1 = gather();
      // the colours sign-extended, so that the signed pack keeps their bits
      const __m256i s = Avx2::pack32to16(_mm256_srai_epi32(_mm256_slli_epi32(w0, 16), 16),
                                         _mm256_srai_epi32(_mm256_slli_epi32(w1, 16), 16));
      const __m256i a = Avx2::pack32to16(_mm256_and_si256(_mm256_srli_epi32(w0, 16), _mm256_set1_epi32(0xFF)),
                                         _mm256_and_si256(_mm256_srli_epi32(w1, 16), _mm256_set1_epi32(0xFF)));
      __m256i* dp = reinterpret_cast<__m256i*>(d);
      _mm256_storeu_si256(dp, Alpha565<Avx2, IsParamAlpha<Kind>(), kTransparent>(s, a, _mm256_loadu_si256(dp), c.op.rows.param));
    }
  }
  for (; i + 8 <= n; i += 8, d += 16) {
    const __m256i column = _mm256_srli_epi32(walk.pu, kFixedShift);
    const __m256i rowStart = _mm256_mullo_epi32(_mm256_srli_epi32(walk.pv, kFixedShift), pitch);
    __m256i raw;
    if constexpr (kAlpha) {
      raw = _mm256_i32gather_epi32(src, _mm256_add_epi32(rowStart, _mm256_slli_epi32(column, 2)), 1);
    } else {
      const __m256i back = _mm256_and_si256(_mm256_cmpgt_epi32(column, _mm256_setzero_si256()), _mm256_set1_epi32(2));
      const __m256i offset = _mm256_sub_epi32(_mm256_add_epi32(rowStart, _mm256_slli_epi32(column, 1)), back);
      raw = _mm256_srlv_epi32(_mm256_i32gather_epi32(src, offset, 1), _mm256_slli_epi32(back, 3));
    }
    const __m256i dv = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d)));
    const __m256i out = Pixels565<Kind>(c, raw, dv);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(out, out), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(packed));
    AdvanceLaneWalk(walk);
  }
  if (i < n) c.scalar(c, d, n - i, u + static_cast<uint32_t>(i) * c.du, v + static_cast<uint32_t>(i) * c.dv);
}

}  // namespace

MapSpan VectorMapSpanAvx2(int type, const LoopCell& cell) {
  const bool alpha = cell.alpha, keyed = cell.transparent;
  if (type == kMemImg565) {
    if (cell.mode == BlendMode::kAlpha && alpha) {
      return keyed ? &Span565Avx2<VectorKind::kAlphaParamKeyed> : &Span565Avx2<VectorKind::kAlphaParamWeighted>;
    }
    if (cell.mode != BlendMode::kNone) return nullptr;
    if (!alpha) return keyed ? &Span565Avx2<VectorKind::kKeyed> : &Span565Avx2<VectorKind::kCopy>;
    return keyed ? &Span565Avx2<VectorKind::kAlphaKeyed> : &Span565Avx2<VectorKind::kAlphaWeighted>;
  }
  if (cell.mode == BlendMode::kNone) {
    if (!alpha) return keyed ? &SpanAvx2<VectorKind::kKeyed> : &SpanAvx2<VectorKind::kCopy>;
    return keyed ? &SpanAvx2<VectorKind::kAlphaKeyed> : &SpanAvx2<VectorKind::kAlphaWeighted>;
  }
  if (alpha) {
    if (cell.mode != BlendMode::kAlpha) return nullptr;
    return keyed ? &SpanAvx2<VectorKind::kAlphaParamKeyed> : &SpanAvx2<VectorKind::kAlphaParamWeighted>;
  }
  switch (cell.mode) {
    case BlendMode::kAlpha: return keyed ? &SpanAvx2<VectorKind::kParamKeyed> : &SpanAvx2<VectorKind::kParam>;
    case BlendMode::kAdd: return keyed ? &SpanAvx2<VectorKind::kAddKeyed> : &SpanAvx2<VectorKind::kAdd>;
    case BlendMode::kSubtract: return keyed ? &SpanAvx2<VectorKind::kSubKeyed> : &SpanAvx2<VectorKind::kSub>;
    default: return keyed ? &SpanAvx2<VectorKind::kMulKeyed> : &SpanAvx2<VectorKind::kMul>;
  }
}

}  // namespace zelvo::soft

ZELVO_SIMD_END
