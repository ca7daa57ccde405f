#pragma once
// The vector bodies of the whole-row blends, written once over a lane policy L (load, store and the
// few integer operations they use). Included only by the per-instruction-set files, after their
// target pragma, and kept in an unnamed namespace so no vector code leaks into other files.
#include <cstdint>

#define ZELVO_VECTOR_INLINE [[gnu::always_inline]] inline

namespace zelvo::soft {
namespace {

enum VectorRowKind : int {
  kVecLerp, kVecHalf, kVecAdd, kVecAddWord, kVecAddSaturate, kVecSub, kVecSubSaturate, kVecMultiply, kVecAlphaSource,
};

// Products are computed in 16-bit lanes, where every intermediate fits (at most 255 * 256), and
// P[p][x] = x * p / 255 is exactly (y + 1 + (y >> 8)) >> 8 for y = x * p.

// x * p / 255 (truncated) for 16-bit lanes holding x * p.
template <class L, class V>
ZELVO_VECTOR_INLINE V Div255(V y) {
  return L::srl16(L::add16(L::add16(y, L::set16(1)), L::srl16(y, 8)), 8);
}

template <class L>
ZELVO_VECTOR_INLINE typename L::V VectorPixels(int kind, typename L::V s, typename L::V d, int param) {
  using V = typename L::V;
  const V alphaByte = L::set32(0xFF000000u);
  switch (kind) {
    case kVecLerp: {
      // ((s - d) * p + (d << 8)) >> 8 = (s * p + d * (256 - p)) >> 8, byte 3 kept
      const V p = L::set16(param), q = L::set16(256 - param);
      V lo = L::srl16(L::add16(L::mul16(L::lo8(s), p), L::mul16(L::lo8(d), q)), 8);
      V hi = L::srl16(L::add16(L::mul16(L::hi8(s), p), L::mul16(L::hi8(d), q)), 8);
      return L::or_(L::andnot(alphaByte, L::pack(lo, hi)), L::and_(alphaByte, d));
    }
    case kVecHalf: {
      const V m = L::set32(0x7F7F7F);
      return L::add32(L::and_(L::srl32(s, 1), m), L::and_(L::srl32(d, 1), m));
    }
    case kVecAdd:
    case kVecSub: {
      const V p = L::set16(param);
      V sp = L::andnot(alphaByte, L::pack(Div255<L>(L::mul16(L::lo8(s), p)), Div255<L>(L::mul16(L::hi8(s), p))));
      if (kind == kVecAdd) {
        V sum = L::add32(L::and_(sp, L::set32(0x00FEFEFF)), L::and_(d, L::set32(0x00FEFEFF)));
        V c = L::and_(sum, L::set32(0x01010100));
        return L::or_(L::or_(sum, L::sub32(c, L::srl32(c, 8))), L::and_(L::or_(d, sp), L::set32(0x00010100)));
      }
      V t = L::sub32(L::or_(d, L::set32(0x01010100)), L::and_(sp, L::set32(0x00FEFEFF)));
      V b = L::and_(t, L::set32(0x01010100));
      return L::and_(t, L::sub32(b, L::srl32(b, 8)));
    }
    case kVecAddWord: {
      V sum = L::add32(L::and_(s, L::set32(0x00FEFEFF)), L::and_(d, L::set32(0x00FEFEFF)));
      V c = L::and_(sum, L::set32(0x01010100));
      return L::or_(sum, L::sub32(c, L::srl32(c, 8)));
    }
    case kVecAddSaturate: return L::addsat(s, d);
    case kVecSubSaturate: return L::subsat(d, s);
    case kVecAlphaSource: {
      // (s * a + d * (256 - a)) >> 8 with each pixel's own alpha, byte 3 kept; alpha 0 keeps the
      // destination, 255 takes the source word
      const V a32 = L::srl32(s, 24);
      const V a16 = L::or_(a32, L::sll32(a32, 16));
      const V aLo = L::lo32(a16, a16), aHi = L::hi32(a16, a16);
      const V n256 = L::set16(256);
      V lo = L::srl16(L::add16(L::mul16(L::lo8(s), aLo), L::mul16(L::lo8(d), L::sub16(n256, aLo))), 8);
      V hi = L::srl16(L::add16(L::mul16(L::hi8(s), aHi), L::mul16(L::hi8(d), L::sub16(n256, aHi))), 8);
      const V lerp = L::or_(L::andnot(alphaByte, L::pack(lo, hi)), L::and_(alphaByte, d));
      const V opaque = L::cmpeq32(a32, L::set32(255)), clear = L::cmpeq32(a32, L::zero());
      const V keep = L::or_(L::and_(clear, d), L::andnot(clear, lerp));
      return L::or_(L::and_(opaque, s), L::andnot(opaque, keep));
    }
    default: {
      V lo = L::srl16(L::mul16(L::lo8(s), L::lo8(d)), 8);
      V hi = L::srl16(L::mul16(L::hi8(s), L::hi8(d)), 8);
      return L::or_(L::andnot(alphaByte, L::pack(lo, hi)), L::and_(alphaByte, d));
    }
  }
}

template <class L>
ZELVO_VECTOR_INLINE int VectorRow(int kind, uint8_t* dst, const uint8_t* src, int count, int param) {
  int i = 0;
  for (; i + L::kPixels <= count; i += L::kPixels) {
    L::store(dst + i * 4, VectorPixels<L>(kind, L::load(src + i * 4), L::load(dst + i * 4), param));
  }
  return i;
}

}  // namespace
}  // namespace zelvo::soft
