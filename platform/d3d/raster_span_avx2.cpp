// AVX2 forms of the texel-for-pixel rows on 32-bit targets: eight pixels a step, the same
// arithmetic as the SSE2 and scalar forms in raster_span_grid.h. Called only when the processor
// has AVX2 (StraightRowsAvx2Usable).
#include <immintrin.h>

#include "platform/d3d/raster_span.h"

namespace pf::d3d {
namespace {

#define ZELVO_D3D_AVX2 __attribute__((target("avx2")))

ZELVO_D3D_AVX2 inline __m256i LoadTexels(const std::uint8_t* from, bool opaqueTexels) {
  const __m256i texels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
  return opaqueTexels ? _mm256_or_si256(texels, _mm256_set1_epi32(static_cast<int>(0xFF000000u))) : texels;
}

// floor(c * a / 255) for c in 0..255 in sixteen-bit lanes is the high half of c times a * 257 +
// (a > 0): that multiplier exceeds a * 65536 / 255 by less than one, and c times the excess never
// lifts c * a / 255 (whose fraction is at most 254 / 255) past the next whole number. For a = 255 the
// multiplier is 65536: its low sixteen bits are 0 and the product is c itself.
struct Multiplier {
  __m256i low;    // the multiplier's low sixteen bits
  __m256i whole;  // all ones where a is 255
};

ZELVO_D3D_AVX2 inline Multiplier MultiplierOf(__m256i alpha) {
  const __m256i low = _mm256_add_epi16(_mm256_mullo_epi16(alpha, _mm256_set1_epi16(257)),
                                       _mm256_min_epu16(alpha, _mm256_set1_epi16(1)));
  return Multiplier{low, _mm256_cmpeq_epi16(alpha, _mm256_set1_epi16(255))};
}

ZELVO_D3D_AVX2 inline Multiplier ConstantMultiplier(std::uint32_t alpha) {
  return MultiplierOf(_mm256_set1_epi16(static_cast<short>(alpha)));
}

ZELVO_D3D_AVX2 inline __m256i Scale255(__m256i c, const Multiplier& m) {
  return _mm256_add_epi16(_mm256_mulhi_epu16(c, m.low), _mm256_and_si256(c, m.whole));
}

}  // namespace

namespace {

// The eight-pixel steps of a blend, one loop for each way the alpha comes about.
template <bool Add, bool OpaqueTexels, bool Scaled>
ZELVO_D3D_AVX2 int BlendSteps(std::uint8_t* out, const std::uint8_t* from, int count, std::uint32_t alphaScale) {
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
  const __m256i lowBytes3 = _mm256_set1_epi32(0x00FFFFFF), allOnes = _mm256_set1_epi32(-1);
  // Each pixel's alpha byte into both sixteen-bit lanes of its 32 bits.
  const __m256i spreadAlpha = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, 3, -1, 3, -1,
                                               7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
  const Multiplier scale = ConstantMultiplier(alphaScale);
  const Multiplier constantTarget = ConstantMultiplier(255 - alphaScale);
  int done = 0;
  for (; done + 8 <= count; done += 8, out += 32, from += 32) {
    const __m256i texels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    if constexpr (!OpaqueTexels && !Scaled && !Add) {
      // Eight texels all opaque are the texels themselves; all clear, the target kept. Sprites are
      // mostly such runs.
      const int opaqueBytes = _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_or_si256(texels, lowBytes3), allOnes));
      if (opaqueBytes == -1) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(texels, opaque));
        continue;
      }
      if (_mm256_testz_si256(texels, opaque)) {
        const __m256i kept = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(kept, opaque));
        continue;
      }
    }
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    Multiplier source = scale, target = constantTarget;
    if constexpr (!OpaqueTexels) {
      __m256i alpha = _mm256_shuffle_epi8(texels, spreadAlpha);
      if constexpr (Scaled) alpha = Scale255(alpha, scale);
      source = MultiplierOf(alpha);
      if constexpr (!Add) target = MultiplierOf(_mm256_sub_epi16(_mm256_set1_epi16(255), alpha));
    }
    // Blue and red in the low bytes of the sixteen-bit lanes, green and alpha in the high ones.
    const __m256i sourceBlueRed = Scale255(_mm256_and_si256(texels, lowBytes), source);
    const __m256i sourceGreenAlpha = Scale255(_mm256_srli_epi16(texels, 8), source);
    __m256i blended;
    if constexpr (Add) {
      blended = _mm256_adds_epu8(pixels, _mm256_or_si256(sourceBlueRed, _mm256_slli_epi16(sourceGreenAlpha, 8)));
    } else {
      const __m256i blueRed = _mm256_add_epi16(sourceBlueRed, Scale255(_mm256_and_si256(pixels, lowBytes), target));
      const __m256i greenAlpha = _mm256_add_epi16(sourceGreenAlpha, Scale255(_mm256_srli_epi16(pixels, 8), target));
      blended = _mm256_or_si256(blueRed, _mm256_slli_epi16(greenAlpha, 8));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(blended, opaque));
  }
  return done;
}

template <bool Add>
ZELVO_D3D_AVX2 int BlendStepsFor(std::uint8_t* out, const std::uint8_t* from, int count, bool opaqueTexels,
                                 std::uint32_t alphaScale) {
  if (opaqueTexels) return BlendSteps<Add, true, false>(out, from, count, alphaScale);
  if (alphaScale != 255) return BlendSteps<Add, false, true>(out, from, count, alphaScale);
  return BlendSteps<Add, false, false>(out, from, count, alphaScale);
}

}  // namespace

ZELVO_D3D_AVX2 int StraightBlendAvx2(std::uint8_t* out, const std::uint8_t* from, int count, bool add,
                                     bool opaqueTexels, std::uint32_t alphaScale) {
  if (add && opaqueTexels && alphaScale == 255) {
    // Opaque texels added at full strength: each product with 255 is the channel itself, so the
    // sum is a saturating add of bytes.
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int done = 0;
    for (; done + 8 <= count; done += 8, out += 32, from += 32) {
      const __m256i sum = _mm256_adds_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(out)),
                                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(sum, opaque));
    }
    return done;
  }
  return add ? BlendStepsFor<true>(out, from, count, opaqueTexels, alphaScale)
             : BlendStepsFor<false>(out, from, count, opaqueTexels, alphaScale);
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
    // Steps that pass whole or fail whole (the opaque and clear parts of a sprite) leave the
    // target unread.
    const int passed = _mm256_movemask_epi8(pass);
    if (passed == 0) continue;
    if (passed == -1) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(texels, opaque));
      continue;
    }
    const __m256i kept = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_blendv_epi8(kept, _mm256_or_si256(texels, opaque), pass));
  }
  return done;
}

namespace {

// first + (second - first) * weight / 256, rounded as (first * (256 - weight) + second * weight + 128)
// >> 8 is: first * 256 is a whole multiple of 256, and the multiply-high-round-scale of the difference
// by weight * 128 is ((second - first) * weight + 128) >> 8, floored. `weight128` holds weight * 128.
ZELVO_D3D_AVX2 inline __m256i LerpLanes(__m256i first, __m256i second, __m256i weight128) {
  return _mm256_add_epi16(first, _mm256_mulhrs_epi16(_mm256_sub_epi16(second, first), weight128));
}

// Four samples' texel pairs (the left and right texel of each) from `row` on at their columns, 64 bits
// a sample. Plain loads: a gather instruction costs more than the four loads on many processors.
ZELVO_D3D_AVX2 inline __m256i GatherPairs(const std::uint8_t* row, const std::int32_t* columns) {
  const auto pair = [&](int k) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + static_cast<std::ptrdiff_t>(columns[k]) * 4));
  };
  return _mm256_set_m128i(_mm_unpacklo_epi64(pair(2), pair(3)), _mm_unpacklo_epi64(pair(0), pair(1)));
}

// Four samples' horizontal lerps, sixteen bits a channel: per 128-bit half, two samples.
ZELVO_D3D_AVX2 inline __m256i LerpAcross(__m256i pairs, __m256i across128) {
  const __m256i sorted = _mm256_shuffle_epi32(pairs, _MM_SHUFFLE(3, 1, 2, 0));  // both left texels, then both right
  const __m256i zero = _mm256_setzero_si256();
  return LerpLanes(_mm256_unpacklo_epi8(sorted, zero), _mm256_unpackhi_epi8(sorted, zero), across128);
}

// Eight samples' taps along one axis from `at` (the coordinate of the first, less half a texel plus
// half a weight step) by a step whose multiples 0..3 are `firstSteps` and whose fourfold is
// `stepFour`: the eight indices, and the eight weights times 128 in both sixteen-bit halves.
struct EightTaps {
  __m256i indices, weights;
};
ZELVO_D3D_AVX2 inline EightTaps TapsOfEight(std::uint64_t at, __m256i firstSteps, __m256i stepFour) {
  const __m256i evenHalves = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const __m256i low4 = _mm256_add_epi64(_mm256_set1_epi64x(static_cast<long long>(at)), firstSteps);
  const __m256i high4 = _mm256_add_epi64(low4, stepFour);
  const auto gather32 = [&evenHalves](__m256i first, __m256i second) ZELVO_D3D_AVX2 {
    return _mm256_permute2x128_si256(_mm256_permutevar8x32_epi32(first, evenHalves),
                                     _mm256_permutevar8x32_epi32(second, evenHalves), 0x20);
  };
  const __m256i indices = gather32(_mm256_srli_epi64(low4, 32), _mm256_srli_epi64(high4, 32));
  const __m256i weights = gather32(_mm256_srli_epi64(_mm256_slli_epi64(low4, 32), 56),
                                   _mm256_srli_epi64(_mm256_slli_epi64(high4, 32), 56));
  return EightTaps{indices, _mm256_mullo_epi32(weights, _mm256_set1_epi32(128 * 0x10001))};
}

// The multiples 0..3 of a 64-bit step, each the low halves' product plus the cross term.
ZELVO_D3D_AVX2 inline __m256i FirstSteps(std::uint64_t step) {
  const __m256i steps = _mm256_setr_epi64x(0, 1, 2, 3);
  const __m256i each = _mm256_set1_epi64x(static_cast<long long>(step));
  return _mm256_add_epi64(_mm256_mul_epu32(steps, each),
                          _mm256_slli_epi64(_mm256_mul_epu32(steps, _mm256_srli_epi64(each, 32)), 32));
}

}  // namespace

ZELVO_D3D_AVX2 int RotatedBilinearAvx2(std::uint32_t* samples, const std::uint8_t* pixels, int pitchTexels, int width,
                                       int height, std::uint64_t u, std::uint64_t v, std::uint64_t du,
                                       std::uint64_t dv, int count, bool clearTexels) {
  const std::uint64_t startU = u - 0x80000000ull + 0x800000ull, startV = v - 0x80000000ull + 0x800000ull;
  const std::int64_t lastLeft = static_cast<std::int64_t>(width) - 2, lastTop = static_cast<std::int64_t>(height) - 2;
  const __m256i alphaBytes = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i firstFour = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3), lastFour = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
  const __m256i firstStepsU = FirstSteps(du), firstStepsV = FirstSteps(dv);
  const __m256i stepFourU = _mm256_set1_epi64x(static_cast<long long>(4 * du));
  const __m256i stepFourV = _mm256_set1_epi64x(static_cast<long long>(4 * dv));
  const __m256i pitch = _mm256_set1_epi32(pitchTexels);
  const auto inside = [](std::uint64_t first, std::uint64_t last, std::int64_t bound) {
    const auto a = static_cast<std::int64_t>(first) >> 32, b = static_cast<std::int64_t>(last) >> 32;
    return a >= 0 && a <= bound && b >= 0 && b <= bound;
  };
  int done = 0;
  for (; done + 8 <= count; done += 8, samples += 8) {
    const std::uint64_t atU = startU + static_cast<std::uint64_t>(done) * du;
    const std::uint64_t atV = startV + static_cast<std::uint64_t>(done) * dv;
    // Each coordinate moves one way along the step: with both ends inside, every sample is.
    if (!inside(atU, atU + 7 * du, lastLeft) || !inside(atV, atV + 7 * dv, lastTop)) break;
    const EightTaps across = TapsOfEight(atU, firstStepsU, stepFourU);
    const EightTaps down = TapsOfEight(atV, firstStepsV, stepFourV);
    alignas(32) std::int32_t offsets[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(offsets),
                       _mm256_add_epi32(_mm256_mullo_epi32(down.indices, pitch), across.indices));
    const std::uint8_t* const below = pixels + static_cast<std::ptrdiff_t>(pitchTexels) * 4;
    const __m256i topLow = GatherPairs(pixels, offsets), topHigh = GatherPairs(pixels, offsets + 4);
    const __m256i bottomLow = GatherPairs(below, offsets), bottomHigh = GatherPairs(below, offsets + 4);
    if (clearTexels && _mm256_testz_si256(_mm256_or_si256(_mm256_or_si256(topLow, topHigh), _mm256_or_si256(bottomLow, bottomHigh)),
                                          alphaBytes)) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(samples), _mm256_setzero_si256());
      continue;
    }
    const __m256i across0 = _mm256_permutevar8x32_epi32(across.weights, firstFour);
    const __m256i across1 = _mm256_permutevar8x32_epi32(across.weights, lastFour);
    const __m256i down0 = _mm256_permutevar8x32_epi32(down.weights, firstFour);
    const __m256i down1 = _mm256_permutevar8x32_epi32(down.weights, lastFour);
    const __m256i low = LerpLanes(LerpAcross(topLow, across0), LerpAcross(bottomLow, across0), down0);
    const __m256i high = LerpLanes(LerpAcross(topHigh, across1), LerpAcross(bottomHigh, across1), down1);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(samples), packed);
  }
  return done;
}

ZELVO_D3D_AVX2 int ScaledBilinearAvx2(std::uint32_t* samples, const std::uint8_t* top, const std::uint8_t* bottom,
                                      std::uint32_t rowWeight, std::uint64_t u, std::uint64_t du, int count,
                                      int width, bool clearTexels) {
  // The taps as LinearTaps finds them: with half a weight step added before the split, a weight
  // that rounds to 256 has already carried into the index.
  const std::uint64_t start = u - 0x80000000ull + 0x800000ull;
  const std::int64_t lastLeft = static_cast<std::int64_t>(width) - 2;
  const __m256i down128 = _mm256_set1_epi16(static_cast<short>(rowWeight << 7));
  const __m256i alphaBytes = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  // Each sample's weight (times 128) in both sixteen-bit halves of its 32 bits, spread over the
  // four channels of two samples per 128-bit half.
  const __m256i firstFour = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3), lastFour = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
  const __m256i evenHalves = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const __m256i steps = _mm256_setr_epi64x(0, 1, 2, 3);
  const __m256i stepFour = _mm256_set1_epi64x(static_cast<long long>(4 * du));
  const __m256i dus = _mm256_set1_epi64x(static_cast<long long>(du));
  // 64-bit products of the step number and du: the low halves' product plus the cross term.
  const __m256i firstSteps = _mm256_add_epi64(_mm256_mul_epu32(steps, dus),
                                              _mm256_slli_epi64(_mm256_mul_epu32(steps, _mm256_srli_epi64(dus, 32)), 32));
  int done = 0;
  for (; done + 8 <= count; done += 8, samples += 8) {
    const std::uint64_t at = start + static_cast<std::uint64_t>(done) * du;
    const auto firstIndex = static_cast<std::int64_t>(at) >> 32;
    const auto lastIndex = static_cast<std::int64_t>(at + 7 * du) >> 32;
    // Steps between the two ends: every sample's two columns inside the row.
    if (firstIndex < 0 || firstIndex > lastLeft || lastIndex < 0 || lastIndex > lastLeft) break;
    const __m256i low4 = _mm256_add_epi64(_mm256_set1_epi64x(static_cast<long long>(at)), firstSteps);
    const __m256i high4 = _mm256_add_epi64(low4, stepFour);
    // Columns: the high 32 bits; weights: bits 24..31, times 128 in both sixteen-bit halves.
    alignas(32) std::int32_t columns[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(columns),
                    _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_srli_epi64(low4, 32), evenHalves)));
    _mm_store_si128(reinterpret_cast<__m128i*>(columns + 4),
                    _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_srli_epi64(high4, 32), evenHalves)));
    const __m256i topLow = GatherPairs(top, columns), topHigh = GatherPairs(top, columns + 4);
    const __m256i bottomLow = GatherPairs(bottom, columns), bottomHigh = GatherPairs(bottom, columns + 4);
    if (clearTexels && _mm256_testz_si256(_mm256_or_si256(_mm256_or_si256(topLow, topHigh), _mm256_or_si256(bottomLow, bottomHigh)),
                                          alphaBytes)) {
      // Every texel read of alpha 0: so is every sample, whose colour then counts for nothing.
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(samples), _mm256_setzero_si256());
      continue;
    }
    const __m256i weightsLow = _mm256_srli_epi64(_mm256_slli_epi64(low4, 32), 56);
    const __m256i weightsHigh = _mm256_srli_epi64(_mm256_slli_epi64(high4, 32), 56);
    const __m256i weights = _mm256_mullo_epi32(
        _mm256_permute2x128_si256(_mm256_permutevar8x32_epi32(weightsLow, evenHalves),
                                  _mm256_permutevar8x32_epi32(weightsHigh, evenHalves), 0x20),
        _mm256_set1_epi32(128 * 0x10001));
    const __m256i across0 = _mm256_permutevar8x32_epi32(weights, firstFour);
    const __m256i across1 = _mm256_permutevar8x32_epi32(weights, lastFour);
    const __m256i low = LerpLanes(LerpAcross(topLow, across0), LerpAcross(bottomLow, across0), down128);
    const __m256i high = LerpLanes(LerpAcross(topHigh, across1), LerpAcross(bottomHigh, across1), down128);
    // Packed per 128-bit half: samples 0 1 4 5, then 2 3 6 7.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(samples), packed);
  }
  return done;
}

}  // namespace pf::d3d
