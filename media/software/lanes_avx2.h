#pragma once
// The AVX2 lane policy of the vector loops (row_vector.h): eight 32-bit pixels, or sixteen 16-bit
// ones, per register. Include only after ZELVO_SIMD_BEGIN("avx2"); like the loops, it stays in an
// unnamed namespace so no AVX2 code is shared with other files.
#include <cstdint>

#include "media/software/simd_target.h"

namespace zelvo::soft {
namespace {

struct Avx2 {
  using V = __m256i;
  static constexpr int kPixels = 8;
  static V load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
  static void store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
  static V set32(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
  static V set16(int x) { return _mm256_set1_epi16(static_cast<short>(x)); }
  static V zero() { return _mm256_setzero_si256(); }
  static V and_(V a, V b) { return _mm256_and_si256(a, b); }
  static V andnot(V a, V b) { return _mm256_andnot_si256(a, b); }
  static V or_(V a, V b) { return _mm256_or_si256(a, b); }
  static V add32(V a, V b) { return _mm256_add_epi32(a, b); }
  static V sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
  static V add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static V mul16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V srl16(V a, int n) { return _mm256_srli_epi16(a, n); }
  static V srl32(V a, int n) { return _mm256_srli_epi32(a, n); }
  // In-lane unpack and pack are inverses of each other, so lane order needs no fixing.
  static V lo8(V a) { return _mm256_unpacklo_epi8(a, _mm256_setzero_si256()); }
  static V hi8(V a) { return _mm256_unpackhi_epi8(a, _mm256_setzero_si256()); }
  static V pack(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
  // signed 32-bit lanes already in 16-bit range to 16-bit lanes, in order (the pack works per
  // 128-bit lane, the permute puts the quarters back in sequence)
  static V pack32to16(V lo, V hi) { return _mm256_permute4x64_epi64(_mm256_packs_epi32(lo, hi), 0xD8); }
  static V sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V sll32(V a, int n) { return _mm256_slli_epi32(a, n); }
  static V cmpeq32(V a, V b) { return _mm256_cmpeq_epi32(a, b); }
  // In-lane 32-bit interleaves, matching lo8 and hi8.
  static V lo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
  static V hi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
  static V sll16(V a, int n) { return _mm256_slli_epi16(a, n); }
  static V srai32(V a, int n) { return _mm256_srai_epi32(a, n); }
  static V mulhi16u(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  static V srai16(V a, int n) { return _mm256_srai_epi16(a, n); }
  static V max16(V a, V b) { return _mm256_max_epi16(a, b); }
  static V cmpgt16(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
  static V cmpeq16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
  static V subs16u(V a, V b) { return _mm256_subs_epu16(a, b); }
  static V xor_(V a, V b) { return _mm256_xor_si256(a, b); }
  // masks are whole lanes of ones or zeros
  static V select(V mask, V a, V b) { return _mm256_blendv_epi8(b, a, mask); }
  static V addsat(V a, V b) { return _mm256_adds_epu8(a, b); }
  static V subsat(V a, V b) { return _mm256_subs_epu8(a, b); }
  // Whether no bit, or every bit, of `mask` is set in a.
  static bool noneSet(V a, V mask) { return _mm256_testz_si256(a, mask) != 0; }
  static bool allSet(V a, V mask) { return _mm256_testc_si256(a, mask) != 0; }
  // Blocks of fewer pixels than a register holds: the first n 32-bit lanes (n below 8) are read and
  // written, the others neither read nor written, so a row's last pixels need no padded copy.
  static constexpr bool kPartialBlocks = true;
  static V firstLanes(int n) { return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)); }
  static V loadFirst(const uint8_t* p, V lanes) { return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), lanes); }
  static void storeFirst(uint8_t* p, V lanes, V v) { _mm256_maskstore_epi32(reinterpret_cast<int*>(p), lanes, v); }
  // each pixel's alpha in both of its 16-bit lanes
  static V alphaPairs(V s, V) {
    return _mm256_shuffle_epi8(s, _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1,
                                                   3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1));
  }
};

}  // namespace
}  // namespace zelvo::soft

