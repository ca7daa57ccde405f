// SSE2 versions of the whole-row blends.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "media/software/row_kernels.h"
#include "media/software/simd_target.h"

ZELVO_SIMD_BEGIN("sse2")

namespace zelvo::soft {
namespace {

struct Sse2 {
  using V = __m128i;
  static constexpr int kPixels = 4;
  static V load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
  static void store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
  static V set32(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
  static V set16(int x) { return _mm_set1_epi16(static_cast<short>(x)); }
  static V zero() { return _mm_setzero_si128(); }
  static V and_(V a, V b) { return _mm_and_si128(a, b); }
  static V andnot(V a, V b) { return _mm_andnot_si128(a, b); }
  static V or_(V a, V b) { return _mm_or_si128(a, b); }
  static V add32(V a, V b) { return _mm_add_epi32(a, b); }
  static V sub32(V a, V b) { return _mm_sub_epi32(a, b); }
  static V add16(V a, V b) { return _mm_add_epi16(a, b); }
  static V mul16(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V srl16(V a, int n) { return _mm_srli_epi16(a, n); }
  static V srl32(V a, int n) { return _mm_srli_epi32(a, n); }
  static V lo8(V a) { return _mm_unpacklo_epi8(a, _mm_setzero_si128()); }
  static V hi8(V a) { return _mm_unpackhi_epi8(a, _mm_setzero_si128()); }
  static V pack(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
  // signed 32-bit lanes already in 16-bit range to 16-bit lanes, in order
  static V pack32to16(V lo, V hi) { return _mm_packs_epi32(lo, hi); }
  static V sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static V sll32(V a, int n) { return _mm_slli_epi32(a, n); }
  static V cmpeq32(V a, V b) { return _mm_cmpeq_epi32(a, b); }
  // In-lane 32-bit interleaves, matching lo8 and hi8.
  static V lo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }
  static V hi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }
  static V sll16(V a, int n) { return _mm_slli_epi16(a, n); }
  static V srai32(V a, int n) { return _mm_srai_epi32(a, n); }
  static V mulhi16u(V a, V b) { return _mm_mulhi_epu16(a, b); }
  static V srai16(V a, int n) { return _mm_srai_epi16(a, n); }
  static V max16(V a, V b) { return _mm_max_epi16(a, b); }
  static V cmpgt16(V a, V b) { return _mm_cmpgt_epi16(a, b); }
  static V cmpeq16(V a, V b) { return _mm_cmpeq_epi16(a, b); }
  static V subs16u(V a, V b) { return _mm_subs_epu16(a, b); }
  static V xor_(V a, V b) { return _mm_xor_si128(a, b); }
  static V select(V mask, V a, V b) { return or_(and_(mask, a), andnot(mask, b)); }
  static V addsat(V a, V b) { return _mm_adds_epu8(a, b); }
  static V subsat(V a, V b) { return _mm_subs_epu8(a, b); }
  static bool noneSet(V a, V mask) { return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(a, mask), _mm_setzero_si128())) == 0xFFFF; }
  static bool allSet(V a, V mask) { return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(a, mask), mask)) == 0xFFFF; }
  // no partial loads and stores: the callers pad a row's last pixels
  static constexpr bool kPartialBlocks = false;
  // each pixel's alpha in both of its 16-bit lanes, from the green-alpha lanes
  static V alphaPairs(V, V ga) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(ga, 0xF5), 0xF5); }
};

}  // namespace
}  // namespace zelvo::soft

#include "media/software/row_vector.h"

namespace zelvo::soft {

int BlendRowSse2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  return VectorRow<Sse2>(kind, dst, src, count, param, key);
}

int BlendRow16Sse2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  return VectorRow16<Sse2>(kind, dst, src, count, param, key);
}

}  // namespace zelvo::soft

ZELVO_SIMD_END
