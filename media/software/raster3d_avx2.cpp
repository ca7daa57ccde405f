// AVX2 bodies of the triangle rasterizer's span loop for the cells the game's textured draws use:
// direct textures without vertex colour, blend picture or tint, in the none and alpha modes, on
// 32-bit targets, and with texel alpha on 16-bit ones. Eight pixels at a time: depth test and write, perspective division (in double precision,
// exact for these operands), texel coordinates and bounds, a masked gather of the texels, and the
// weighted write on split byte lanes (row_vector.h). The bytes equal the scalar loop's; the scalar loop draws the
// pixels after the last whole block. Built for AVX2, reached only after the run-time check.
#include <cstdint>

#include "media/software/raster3d_kernels.h"
#include "media/software/row_kernels.h"
#include "media/software/simd_target.h"

ZELVO_SIMD_BEGIN("avx2")

#include "media/software/lanes_avx2.h"
#include "media/software/row_vector.h"

namespace zelvo::soft {
namespace {

constexpr int kLanes = 8;

// The none mode, or the alpha mode at parameter 1..254; Alpha: the texture's alpha flag. 16-bit
// textures with alpha have 4-byte texels (565 and the alpha byte); the destination's pixels are
// blended in the low halves of 32-bit lanes.
template <PixelType Type, BlendMode Mode, bool Alpha, bool Transparent>
void Blocks(const Raster3DCall& c, SpanCursor& s) {
  constexpr bool k565 = Type == PixelType::k565;
  static_assert(!k565 || Alpha);
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i value[kInterpZ + 1], step[kInterpZ + 1];
  for (int i = 0; i <= kInterpZ; ++i) {
    const __m256i stepX = _mm256_set1_epi32(c.stepX[i]);
    value[i] = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(s.cur[i])), _mm256_mullo_epi32(stepX, lane));
    step[i] = _mm256_slli_epi32(stepX, 3);
  }
  const __m256i W = _mm256_set1_epi32(c.texWidth), H = _mm256_set1_epi32(c.texHeight);
  const __m256i lastColumn = _mm256_set1_epi32(c.texWidth - 1), lastRow = _mm256_set1_epi32(c.texHeight - 1);
  const __m256i pitch = _mm256_set1_epi32(c.texPitch), key = _mm256_set1_epi32(static_cast<int>(c.key));
  const __m256i p = _mm256_set1_epi16(static_cast<short>(c.rows.param)), zero = _mm256_setzero_si256();
  const __m256i all = _mm256_set1_epi32(-1);
  const __m256d numerator = _mm256_set1_pd(536870912.0);
  const int* texels = reinterpret_cast<const int*>(c.texels);
  int blocks = 0;
  for (; s.count >= kLanes; s.count -= kLanes, ++blocks) {
    __m256i draw = all;
    if (s.z) {
      const __m128i stored16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.z));
      const __m256i stored = _mm256_cvtepu16_epi32(stored16);
      const __m256i z16 = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(value[kInterpZ], 8), zero),
                                           _mm256_set1_epi32(0xFFFF));
      draw = _mm256_andnot_si256(_mm256_cmpgt_epi32(z16, stored), all);
      if (c.depthWrite) {
        const __m256i kept = _mm256_blendv_epi8(stored, z16, draw);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(kept, kept), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(s.z), _mm256_castsi256_si128(packed));
      }
    }
    const __m256i rhw = value[kInterpRhw];
    draw = _mm256_andnot_si256(_mm256_cmpeq_epi32(rhw, zero), draw);
    // A lane of rhw 0 divides to infinity and converts to 0x80000000; it is not drawn.
    const __m128i recipLow = _mm256_cvttpd_epi32(_mm256_div_pd(numerator, _mm256_cvtepi32_pd(_mm256_castsi256_si128(rhw))));
    const __m128i recipHigh = _mm256_cvttpd_epi32(_mm256_div_pd(numerator, _mm256_cvtepi32_pd(_mm256_extracti128_si256(rhw, 1))));
    const __m256i recip = _mm256_set_m128i(recipHigh, recipLow);
    const __m256i tu = _mm256_srli_epi32(
        _mm256_mullo_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(value[kInterpU], 10), W), recip), 19);
    const __m256i tv = _mm256_srli_epi32(
        _mm256_mullo_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(value[kInterpV], 10), H), recip), 19);
    const __m256i outside = _mm256_or_si256(_mm256_or_si256(tu, tv),
                                            _mm256_or_si256(_mm256_sub_epi32(lastColumn, tu), _mm256_sub_epi32(lastRow, tv)));
    draw = _mm256_andnot_si256(_mm256_srai_epi32(outside, 31), draw);
    if (!_mm256_testz_si256(draw, draw)) {
      const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(tv, pitch), _mm256_slli_epi32(tu, 2));
      const __m256i texel = _mm256_mask_i32gather_epi32(zero, texels, offset, draw, 1);
      const __m256i d = k565 ? _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s.d)))
                             : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s.d));
      __m256i result;
      const __m256i texelGA = _mm256_srli_epi16(texel, 8);
      if constexpr (k565) {
        const __m256i a = _mm256_and_si256(_mm256_srli_epi32(texel, 16), _mm256_set1_epi32(0xFF));
        if constexpr (Transparent) draw = _mm256_andnot_si256(_mm256_cmpeq_epi32(a, zero), draw);
        const __m256i colour = _mm256_and_si256(texel, _mm256_set1_epi32(0xFFFF));
        result = Alpha565<Avx2, Mode == BlendMode::kAlpha, Transparent>(colour, a, d, c.rows.param);
      } else if constexpr (!Alpha) {
        if constexpr (Transparent) draw = _mm256_andnot_si256(_mm256_cmpeq_epi32(texel, key), draw);
        if constexpr (Mode == BlendMode::kNone) result = texel;
        else result = SourceAlphaLanes<Avx2>(texel, d, texelGA, p);
      } else {
        __m256i a = Avx2::alphaPairs(texel, texelGA);
        const __m256i opaque = _mm256_cmpeq_epi16(a, _mm256_set1_epi16(255));
        if constexpr (Transparent) draw = _mm256_andnot_si256(_mm256_cmpeq_epi32(_mm256_srli_epi32(texel, 24), zero), draw);
        if constexpr (Mode == BlendMode::kNone) {
          result = SourceAlphaLanes<Avx2>(texel, d, texelGA, a);
          if constexpr (Transparent) result = _mm256_blendv_epi8(result, texel, opaque);
        } else {
          // p alone for an opaque texel with the transparent flag: a weight of 256 x p over 16 bits
          if constexpr (Transparent) a = _mm256_sub_epi16(a, opaque);
          result = ParamAlphaLanes<Avx2>(texel, d, texelGA, _mm256_mullo_epi16(a, p));
        }
      }
      const __m256i out = _mm256_blendv_epi8(d, result, draw);
      if constexpr (k565) {
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(out, out), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(s.d), _mm256_castsi256_si128(packed));
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(s.d), out);
      }
    }
    for (int i = 0; i <= kInterpZ; ++i) value[i] = _mm256_add_epi32(value[i], step[i]);
    s.d += kLanes * (k565 ? 2 : 4);
    if (s.z) s.z += kLanes * 2;
  }
  const uint32_t done = static_cast<uint32_t>(blocks) * kLanes;
  for (int i = 0; i <= kInterpZ; ++i) s.cur[i] += static_cast<uint32_t>(c.stepX[i]) * done;
}

}  // namespace

SpanBlocks Raster3DAvx2Blocks(int type, const LoopCell& cell, bool modulate) {
  if (cell.palette || cell.blendGraph || cell.tint || modulate) return nullptr;
  if (cell.mode != BlendMode::kNone && cell.mode != BlendMode::kAlpha) return nullptr;
  constexpr PixelType k8888 = PixelType::k8888, k565 = PixelType::k565;
  constexpr BlendMode kNone = BlendMode::kNone, kAlpha = BlendMode::kAlpha;
  if (type == kMemImg565) {
    if (!cell.alpha) return nullptr;
    static constexpr SpanBlocks k565Table[2][2] = {
        {&Blocks<k565, kNone, true, false>, &Blocks<k565, kNone, true, true>},
        {&Blocks<k565, kAlpha, true, false>, &Blocks<k565, kAlpha, true, true>},
    };
    return k565Table[static_cast<int>(cell.mode)][cell.transparent];
  }
  if (type != kMemImg8888) return nullptr;
  static constexpr SpanBlocks kTable[2][2][2] = {
      {{&Blocks<k8888, kNone, false, false>, &Blocks<k8888, kNone, false, true>},
       {&Blocks<k8888, kNone, true, false>, &Blocks<k8888, kNone, true, true>}},
      {{&Blocks<k8888, kAlpha, false, false>, &Blocks<k8888, kAlpha, false, true>},
       {&Blocks<k8888, kAlpha, true, false>, &Blocks<k8888, kAlpha, true, true>}},
  };
  return kTable[static_cast<int>(cell.mode)][cell.alpha][cell.transparent];
}

}  // namespace zelvo::soft

ZELVO_SIMD_END
