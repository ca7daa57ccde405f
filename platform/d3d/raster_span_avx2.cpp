// AVX2 forms of the texel-for-pixel rows on 32-bit targets: eight pixels a step, the same
// arithmetic as the SSE2 and scalar forms in raster_span_grid.h. Called only when the processor
// has AVX2 (StraightRowsAvx2Usable).
#include <immintrin.h>

#include "platform/d3d/raster_span.h"

namespace pf::d3d {
namespace {

#define ZELVO_D3D_AVX2 __attribute__((target("avx2")))

// floor(x / 255) in each unsigned 16-bit lane: (x * 0x8081) >> 23, exact for every 16-bit x.
ZELVO_D3D_AVX2 inline __m256i Floor255x16(__m256i x) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(0x8081))), 7);
}

// src * sa + dst * (255 - sa), or dst + src * sa, for sixteen-bit channels with the alpha in lane 3.
ZELVO_D3D_AVX2 inline __m256i BlendWide(__m256i s, __m256i d, bool add) {
  const __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
  const __m256i sourcePart = Floor255x16(_mm256_mullo_epi16(s, alpha));
  const __m256i destinationPart =
      add ? d : Floor255x16(_mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), alpha)));
  return _mm256_add_epi16(sourcePart, destinationPart);
}

ZELVO_D3D_AVX2 inline __m256i LoadTexels(const std::uint8_t* from, bool opaqueTexels) {
  const __m256i texels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
  return opaqueTexels ? _mm256_or_si256(texels, _mm256_set1_epi32(static_cast<int>(0xFF000000u))) : texels;
}

}  // namespace

ZELVO_D3D_AVX2 int StraightBlendAvx2(std::uint8_t* out, const std::uint8_t* from, int count, bool add,
                                     bool opaqueTexels, std::uint32_t alphaScale) {
  const __m256i zero = _mm256_setzero_si256(), opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i scale = _mm256_set1_epi32(static_cast<int>(alphaScale));
  const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
  int done = 0;
  for (; done + 8 <= count; done += 8, out += 32, from += 32) {
    __m256i texels = LoadTexels(from, opaqueTexels);
    if (alphaScale != 255) {
      // Each alpha times the scale, floored: the product fits the low sixteen bits of its lane.
      const __m256i alpha = Floor255x16(_mm256_mullo_epi16(_mm256_srli_epi32(texels, 24), scale));
      texels = _mm256_or_si256(_mm256_and_si256(texels, colourMask), _mm256_slli_epi32(alpha, 24));
    }
    const __m256i destinations = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    const __m256i low = BlendWide(_mm256_unpacklo_epi8(texels, zero), _mm256_unpacklo_epi8(destinations, zero), add);
    const __m256i high = BlendWide(_mm256_unpackhi_epi8(texels, zero), _mm256_unpackhi_epi8(destinations, zero), add);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(_mm256_packus_epi16(low, high), opaque));
  }
  return done;
}

ZELVO_D3D_AVX2 int StraightCopyAvx2(std::uint8_t* out, const std::uint8_t* from, int count, std::uint32_t alphaFloor,
                                    bool opaqueTexels) {
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i below = _mm256_set1_epi32(static_cast<int>(alphaFloor) - 1);
  int done = 0;
  for (; done + 8 <= count; done += 8, out += 32, from += 32) {
    const __m256i texels = LoadTexels(from, opaqueTexels);
    if (alphaFloor == 0) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(texels, opaque));
      continue;
    }
    const __m256i pass = _mm256_cmpgt_epi32(_mm256_srli_epi32(texels, 24), below);
    const __m256i kept = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_blendv_epi8(kept, _mm256_or_si256(texels, opaque), pass));
  }
  return done;
}

}  // namespace pf::d3d
