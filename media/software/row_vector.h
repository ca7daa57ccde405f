#pragma once
// The vector bodies of the whole-row blends, written once over a lane policy L (load, store and the
// few integer operations they use). Included only by the per-instruction-set files, after their
// target pragma, and kept in an unnamed namespace so no vector code leaks into other files.
#include <array>
#include <cstdint>
#include <utility>

#include "media/software/row_kernels.h"

#define ZELVO_VECTOR_INLINE [[gnu::always_inline]] inline

namespace zelvo::soft {
namespace {

// Products are computed in 16-bit lanes, where every intermediate fits (at most 255 * 256), and
// P[p][x] = x * p / 255 is exactly (y + 1 + (y >> 8)) >> 8 for y = x * p.

// x * p / 255 (truncated) for 16-bit lanes holding x * p.
template <class L, class V>
ZELVO_VECTOR_INLINE V Div255(V y) {
  return L::srl16(L::add16(L::add16(y, L::set16(1)), L::srl16(y, 8)), 8);
}

// Per-pixel alpha works on the pixels split into 16-bit lanes of blue and red (mask 0x00FF00FF)
// and of green and alpha (shifted down by 8), which needs no unpacking or packing. The weight of
// the alpha lane is 0, so byte 3 keeps the destination's.

// (d << 8) + (s - d) * w equals s * w + d * (256 - w), within 0..65280 for w in 0..256, so the
// wrapped 16-bit products give it exactly; its high byte is d + floor((s - d) * w / 256).
template <class L>
ZELVO_VECTOR_INLINE typename L::V SourceAlphaLanes(typename L::V s, typename L::V d, typename L::V sGA,
                                                   typename L::V w) {
  using V = typename L::V;
  const V low = L::set32(0x00FF00FF), high = L::set32(0xFF00FF00u);
  const V wG = L::and_(w, L::set32(0xFFFF));
  const V br = L::srl16(L::add16(L::sll16(d, 8), L::mul16(L::sub16(L::and_(s, low), L::and_(d, low)), w)), 8);
  const V ga = L::and_(L::add16(L::and_(d, high), L::mul16(L::sub16(sGA, L::srl16(d, 8)), wG)), high);
  return L::or_(br, ga);
}

// d + floor((s - d) * w / 65536) for w below 65536: the unsigned high product of the wrapped
// difference is w too large where the difference is negative.
template <class L, class V>
ZELVO_VECTOR_INLINE V ParamStep(V s, V d, V w) {
  const V diff = L::sub16(s, d);
  return L::add16(d, L::sub16(L::mulhi16u(diff, w), L::and_(L::srai16(diff, 15), w)));
}

template <class L>
ZELVO_VECTOR_INLINE typename L::V ParamAlphaLanes(typename L::V s, typename L::V d, typename L::V sGA,
                                                  typename L::V w) {
  using V = typename L::V;
  const V low = L::set32(0x00FF00FF);
  const V br = ParamStep<L>(L::and_(s, low), L::and_(d, low), w);
  const V ga = ParamStep<L>(sGA, L::srl16(d, 8), L::and_(w, L::set32(0xFFFF)));
  return L::or_(br, L::sll16(ga, 8));
}

template <class L>
ZELVO_VECTOR_INLINE typename L::V VectorPixels(int kind, typename L::V s, typename L::V d, int param) {
  using V = typename L::V;
  const V alphaByte = L::set32(0xFF000000u);
  switch (kind) {
    case kRowLerp:
      // ((s - d) * p + (d << 8)) >> 8, byte 3 kept
      return SourceAlphaLanes<L>(s, d, L::srl16(s, 8), L::set16(param));
    case kRowHalf: {
      const V m = L::set32(0x7F7F7F);
      return L::add32(L::and_(L::srl32(s, 1), m), L::and_(L::srl32(d, 1), m));
    }
    case kRowAdd:
    case kRowSub: {
      const V p = L::set16(param);
      V sp = L::andnot(alphaByte, L::pack(Div255<L>(L::mul16(L::lo8(s), p)), Div255<L>(L::mul16(L::hi8(s), p))));
      if (kind == kRowAdd) {
        V sum = L::add32(L::and_(sp, L::set32(0x00FEFEFF)), L::and_(d, L::set32(0x00FEFEFF)));
        V c = L::and_(sum, L::set32(0x01010100));
        return L::or_(L::or_(sum, L::sub32(c, L::srl32(c, 8))), L::and_(L::or_(d, sp), L::set32(0x00010100)));
      }
      V t = L::sub32(L::or_(d, L::set32(0x01010100)), L::and_(sp, L::set32(0x00FEFEFF)));
      V b = L::and_(t, L::set32(0x01010100));
      return L::and_(t, L::sub32(b, L::srl32(b, 8)));
    }
    case kRowAddWord: {
      V sum = L::add32(L::and_(s, L::set32(0x00FEFEFF)), L::and_(d, L::set32(0x00FEFEFF)));
      V c = L::and_(sum, L::set32(0x01010100));
      return L::or_(sum, L::sub32(c, L::srl32(c, 8)));
    }
    case kRowCopy: return s;
    case kRowAddSaturate: return L::addsat(s, d);
    case kRowSubSaturate: return L::subsat(d, s);
    case kRowAlphaSource: {
      // d + floor((s - d) * a / 256) with each pixel's own alpha, byte 3 kept; alpha 255 takes the
      // source word (alpha 0 gives d by itself)
      const V sGA = L::srl16(s, 8);
      const V a = L::alphaPairs(s, sGA);
      const V out = SourceAlphaLanes<L>(s, d, sGA, a);
      return L::select(L::cmpeq16(a, L::set16(255)), s, out);
    }
    case kRowAlphaParam:
    case kRowAlphaParamAll: {
      // d + floor((s - d) * w / 65536) with w = a * p; with the transparent flag alpha 255 weighs
      // by the parameter alone, which is w = 256 * p (alpha 0 gives d by itself)
      const V sGA = L::srl16(s, 8);
      V a = L::alphaPairs(s, sGA);
      if (kind == kRowAlphaParam) a = L::sub16(a, L::cmpeq16(a, L::set16(255)));
      return ParamAlphaLanes<L>(s, d, sGA, L::mul16(a, L::set16(param)));
    }
    default: {
      V lo = L::srl16(L::mul16(L::lo8(s), L::lo8(d)), 8);
      V hi = L::srl16(L::mul16(L::hi8(s), L::hi8(d)), 8);
      return L::or_(L::andnot(alphaByte, L::pack(lo, hi)), L::and_(alphaByte, d));
    }
  }
}

// 16-bit (565) pixels, one per 16-bit lane. Channel values: red v >> 11, green (v >> 5) & 63,
// blue v & 31; every product (at most 63 * 255) fits the lane.
template <class L>
struct Fields565 {
  using V = typename L::V;
  V r, g, b;
  ZELVO_VECTOR_INLINE explicit Fields565(V v)
      : r(L::srl16(v, 11)), g(L::and_(L::srl16(v, 5), L::set16(63))), b(L::and_(v, L::set16(31))) {}
};

template <class L, class V>
ZELVO_VECTOR_INLINE V Pack565(V r, V g, V b) {
  return L::or_(L::or_(L::sll16(r, 11), L::sll16(g, 5)), b);
}

// d + S[p][s - d]: the product of |s - d| and p divided by 255 toward zero, with the sign put back.
template <class L, class V>
ZELVO_VECTOR_INLINE V SignedStep(V s, V d, V p) {
  const V diff = L::sub16(s, d);
  const V negative = L::cmpgt16(L::zero(), diff);
  const V magnitude = L::max16(diff, L::sub16(L::zero(), diff));
  const V q = Div255<L>(L::mul16(magnitude, p));
  return L::add16(d, L::sub16(L::xor_(q, negative), negative));
}

// (a * s + (63 - a) * d) / 63 with (x + 1 + (x >> 6)) >> 6, exact for x up to 63 * 63.
template <class L, class V>
ZELVO_VECTOR_INLINE V Lerp63(V s, V d, V a, V na) {
  const V x = L::add16(L::mul16(s, a), L::mul16(d, na));
  return L::srl16(L::add16(L::add16(x, L::set16(1)), L::srl16(x, 6)), 6);
}

template <class L>
ZELVO_VECTOR_INLINE typename L::V VectorPixels16(int kind, typename L::V s, typename L::V d, int param) {
  using V = typename L::V;
  switch (kind) {
    case kRow16Copy: return s;
    case kRow16PairAdd: {
      // each 32-bit lane holds a pixel pair; the carry out of bit 31 is bit 31 of the halves' sum
      const V mask = L::set32(0xF7DEF7DF), guard = L::set32(0x08210820);
      const V sm = L::and_(s, mask), dm = L::and_(d, mask);
      const V sum = L::add32(sm, dm);
      const V halves = L::add32(L::add32(L::srl32(sm, 1), L::srl32(dm, 1)), L::and_(L::and_(sm, dm), L::set32(1)));
      const V carry = L::sll32(L::srl32(halves, 31), 27);
      const V c = L::and_(sum, guard);
      return L::or_(sum, L::sub32(c, L::or_(L::srl32(c, 5), carry)));
    }
    case kRow16PairSub: {
      // the borrow out of bit 31 is the sign of (a >> 1) - (b >> 1) - (b & ~a & 1)
      const V guard = L::set32(0x08210820);
      const V a = L::or_(d, guard), b = L::and_(s, L::set32(0xF7DEF7DF));
      const V t = L::sub32(a, b);
      const V borrow = L::sub32(L::sub32(L::srl32(a, 1), L::srl32(b, 1)), L::and_(L::andnot(a, b), L::set32(1)));
      const V noBorrow = L::andnot(L::srai32(borrow, 31), L::set32(0xF8000000u));
      const V bb = L::and_(t, guard);
      return L::and_(t, L::or_(L::sub32(bb, L::srl32(bb, 5)), noBorrow));
    }
    case kRow16Half: {
      const V m = L::set16(0x7BEF);
      return L::add16(L::and_(L::srl16(s, 1), m), L::and_(L::srl16(d, 1), m));
    }
    case kRow16Add:
    case kRow16Sub: {
      const Fields565<L> fs(s);
      const V p = L::set16(param);
      const V sp = Pack565<L>(Div255<L>(L::mul16(fs.r, p)), Div255<L>(L::mul16(fs.g, p)), Div255<L>(L::mul16(fs.b, p)));
      const V low = L::set16(0x0820), keep = L::set16(0xF7DF), red = L::set16(static_cast<int16_t>(0xF800));
      const V sm = L::and_(sp, keep);
      if (kind == kRow16Add) {
        const V dm = L::and_(d, keep);
        const V sum = L::add16(sm, dm);
        // the carry out of bit 15 is bit 15 of the halves' sum
        const V halves = L::add16(L::add16(L::srl16(sm, 1), L::srl16(dm, 1)), L::and_(L::and_(sm, dm), L::set16(1)));
        const V carry = L::and_(L::srai16(halves, 15), red);
        const V c = L::and_(sum, low);
        return L::or_(L::or_(sum, L::sub16(c, L::srl16(c, 5))), L::or_(carry, L::and_(L::or_(d, sp), low)));
      }
      const V dl = L::or_(d, low);
      const V t = L::sub16(dl, sm);
      const V noBorrow = L::and_(L::cmpeq16(L::subs16u(sm, dl), L::zero()), red);
      const V b = L::and_(t, low);
      return L::and_(t, L::or_(noBorrow, L::sub16(b, L::srl16(b, 5))));
    }
    case kRow16Multiply: {
      const Fields565<L> fs(s), fd(d);
      return Pack565<L>(L::srl16(L::mul16(fs.r, fd.r), 5), L::srl16(L::mul16(fs.g, fd.g), 6), L::srl16(L::mul16(fs.b, fd.b), 5));
    }
    case kRow16SignedLerp: {
      const Fields565<L> fs(s), fd(d);
      const V p = L::set16(param);
      return Pack565<L>(SignedStep<L>(fs.r, fd.r, p), SignedStep<L>(fs.g, fd.g, p), SignedStep<L>(fs.b, fd.b, p));
    }
    default: {
      const Fields565<L> fs(s), fd(d);
      const V a = L::set16(param >> 2), na = L::set16(63 - (param >> 2));
      return Pack565<L>(Lerp63<L>(fs.r, fd.r, a, na), Lerp63<L>(fs.g, fd.g, a, na), Lerp63<L>(fs.b, fd.b, a, na));
    }
  }
}

// Source pixels equal to the key (when keyed) keep the destination pixel.
template <class L, int Kind, bool Keyed>
ZELVO_VECTOR_INLINE typename L::V Blend16(typename L::V s, typename L::V d, int param, typename L::V keyed) {
  typename L::V out = VectorPixels16<L>(Kind, s, d, param);
  if constexpr (Keyed) out = L::select(L::cmpeq16(s, keyed), d, out);
  return out;
}

// One loop per kind and key use, so the loop body holds neither test. Where the lanes offer
// partial blocks, the 16-bit loops finish the row too (the result is then `count`): the pixel pairs
// left as 32-bit lanes, and a lone last pixel through the reference, which also gives the pair
// kinds' own form of a row's lone last pixel.
template <class L, int Kind, bool Keyed>
int VectorRow16Of(uint8_t* dst, const uint8_t* src, int count, int param, uint32_t key) {
  using V = typename L::V;
  int i = 0;
  const V keyed = L::set16(static_cast<int16_t>(key));
  for (; i + 2 * L::kPixels <= count; i += 2 * L::kPixels) {
    L::store(dst + i * 2, Blend16<L, Kind, Keyed>(L::load(src + i * 2), L::load(dst + i * 2), param, keyed));
  }
  if constexpr (L::kPartialBlocks) {
    const int pairs = (count - i) / 2;
    if (pairs > 0) {
      const V lanes = L::firstLanes(pairs);
      const V s = L::loadFirst(src + i * 2, lanes), d = L::loadFirst(dst + i * 2, lanes);
      L::storeFirst(dst + i * 2, lanes, Blend16<L, Kind, Keyed>(s, d, param, keyed));
      i += 2 * pairs;
    }
    if (i < count) {
      BlendRow16Reference(Kind, dst + i * 2, src + i * 2, 1, param, Keyed ? &key : nullptr);
      i = count;
    }
  }
  return i;
}

// The kinds whose alpha 0 leaves the destination pixel as it is, so a block of such pixels is
// passed over without a load or a store.
constexpr bool ClearBlocksSkip(int kind) {
  return kind == kRowAlphaSource || kind == kRowAlphaParam || kind == kRowAlphaParamAll;
}

template <class L, int Kind, bool Keyed>
ZELVO_VECTOR_INLINE typename L::V Blend32(typename L::V s, typename L::V d, int param, typename L::V keyed) {
  typename L::V out = VectorPixels<L>(Kind, s, d, param);
  if constexpr (Keyed) out = L::select(L::cmpeq32(s, keyed), d, out);
  return out;
}

// Whole blocks; where the lanes offer partial blocks, the row's last pixels too (the result is then
// `count`), else the caller finishes the row.
template <class L, int Kind, bool Keyed>
int VectorRow32Of(uint8_t* dst, const uint8_t* src, int count, int param, uint32_t key) {
  using V = typename L::V;
  int i = 0;
  const V keyed = L::set32(key);
  const V alphaBytes = L::set32(0xFF000000u);
  for (; i + L::kPixels <= count; i += L::kPixels) {
    const V s = L::load(src + i * 4);
    if constexpr (ClearBlocksSkip(Kind)) {
      if (L::noneSet(s, alphaBytes)) continue;
    }
    if constexpr (Kind == kRowAlphaSource && !Keyed) {
      // alpha 255 everywhere: the source words as they stand
      if (L::allSet(s, alphaBytes)) {
        L::store(dst + i * 4, s);
        continue;
      }
    }
    L::store(dst + i * 4, Blend32<L, Kind, Keyed>(s, L::load(dst + i * 4), param, keyed));
  }
  if constexpr (L::kPartialBlocks) {
    if (i < count) {
      const V lanes = L::firstLanes(count - i);
      const V s = L::loadFirst(src + i * 4, lanes), d = L::loadFirst(dst + i * 4, lanes);
      L::storeFirst(dst + i * 4, lanes, Blend32<L, Kind, Keyed>(s, d, param, keyed));
      i = count;
    }
  }
  return i;
}

template <class L, class V>
ZELVO_VECTOR_INLINE V AlphaStep(V s, V d, V a) {
  return L::add16(d, L::srai16(L::mul16(L::sub16(s, d), a), 8));
}

// 565 colours s with alpha a (0..255) over d, one pixel per 16-bit lane. None mode (!Param): per
// channel d + ((s - d) * a >> 8), which alpha 0 leaves alone. Alpha mode: per channel
// d + floor((s - d) * a * p / 65536). With the transparent flag alpha 255 takes the source, or in
// the alpha mode weighs by the parameter alone, d + S[p][s - d].
template <class L, bool Param, bool Transparent>
ZELVO_VECTOR_INLINE typename L::V Alpha565(typename L::V s, typename L::V a, typename L::V d, int param) {
  using V = typename L::V;
  const Fields565<L> fs(s), fd(d);
  if constexpr (!Param) {
    const V out = Pack565<L>(AlphaStep<L>(fs.r, fd.r, a), AlphaStep<L>(fs.g, fd.g, a), AlphaStep<L>(fs.b, fd.b, a));
    if constexpr (!Transparent) return out;
    return L::select(L::cmpeq16(a, L::set16(255)), s, out);
  } else {
    const V p = L::set16(param), w = L::mul16(a, p);
    const V out = Pack565<L>(ParamStep<L>(fs.r, fd.r, w), ParamStep<L>(fs.g, fd.g, w), ParamStep<L>(fs.b, fd.b, w));
    if constexpr (!Transparent) return out;
    const V byParam = Pack565<L>(SignedStep<L>(fs.r, fd.r, p), SignedStep<L>(fs.g, fd.g, p), SignedStep<L>(fs.b, fd.b, p));
    return L::select(L::cmpeq16(a, L::set16(255)), byParam, out);
  }
}

// 16-bit alpha sources: 4-byte pixels (565 in bytes 0-1, alpha in byte 2) over 2-byte pixels;
// w0 and w1 hold the source pixels of the two halves of d.
template <class L, int Kind>
ZELVO_VECTOR_INLINE typename L::V AlphaBlend16(typename L::V w0, typename L::V w1, typename L::V d, int param) {
  using V = typename L::V;
  const V s = L::pack32to16(L::srai32(L::sll32(w0, 16), 16), L::srai32(L::sll32(w1, 16), 16));
  const V a = L::pack32to16(L::and_(L::srl32(w0, 16), L::set32(0xFF)), L::and_(L::srl32(w1, 16), L::set32(0xFF)));
  return Alpha565<L, Kind != kRow16AlphaSource, Kind != kRow16AlphaParamAll>(s, a, d, param);
}

// Every 16-bit alpha kind leaves the destination alone at alpha 0, so a block of such pixels is
// passed over; partial blocks as in VectorRow16Of.
template <class L, int Kind>
int VectorRow16AlphaOf(uint8_t* dst, const uint8_t* src, int count, int param, uint32_t) {
  using V = typename L::V;
  const V alphaBytes = L::set32(0x00FF0000);
  int i = 0;
  for (; i + 2 * L::kPixels <= count; i += 2 * L::kPixels) {
    const V w0 = L::load(src + i * 4), w1 = L::load(src + i * 4 + L::kPixels * 4);
    if (L::noneSet(L::or_(w0, w1), alphaBytes)) continue;
    L::store(dst + i * 2, AlphaBlend16<L, Kind>(w0, w1, L::load(dst + i * 2), param));
  }
  if constexpr (L::kPartialBlocks) {
    const int left = count - i, pairs = left / 2;
    if (pairs > 0) {
      const V dstLanes = L::firstLanes(pairs);
      const V w0 = L::loadFirst(src + i * 4, L::firstLanes(left < L::kPixels ? left : L::kPixels));
      const V w1 = left > L::kPixels ? L::loadFirst(src + i * 4 + L::kPixels * 4, L::firstLanes(left - L::kPixels)) : L::zero();
      L::storeFirst(dst + i * 2, dstLanes, AlphaBlend16<L, Kind>(w0, w1, L::loadFirst(dst + i * 2, dstLanes), param));
      i += 2 * pairs;
    }
    if (i < count) {
      BlendRow16Reference(Kind, dst + i * 2, src + i * 4, 1, param, nullptr);
      i = count;
    }
  }
  return i;
}

using VectorRowFn = int (*)(uint8_t*, const uint8_t*, int, int, uint32_t);

template <class L, bool Wide, int... K>
constexpr std::array<VectorRowFn, 2 * sizeof...(K)> VectorRowTable(std::integer_sequence<int, K...>) {
  if constexpr (Wide) {
    return {&VectorRow32Of<L, K, false>..., &VectorRow32Of<L, K, true>...};
  } else {
    return {&VectorRow16Of<L, K, false>..., &VectorRow16Of<L, K, true>...};
  }
}

// The alpha-source kinds take no key.
template <class L>
VectorRowFn VectorRow16Loop(int kind, bool keyed) {
  constexpr int kKinds = kRow16PairSub + 1;
  switch (kind) {
    case kRow16AlphaSource: return &VectorRow16AlphaOf<L, kRow16AlphaSource>;
    case kRow16AlphaParam: return &VectorRow16AlphaOf<L, kRow16AlphaParam>;
    case kRow16AlphaParamAll: return &VectorRow16AlphaOf<L, kRow16AlphaParamAll>;
    default: break;
  }
  static constexpr auto table = VectorRowTable<L, false>(std::make_integer_sequence<int, kKinds>{});
  return table[(keyed ? kKinds : 0) + kind];
}

template <class L>
int VectorRow16(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  return VectorRow16Loop<L>(kind, key != nullptr)(dst, src, count, param, key ? *key : 0);
}

template <class L>
VectorRowFn VectorRowLoop(int kind, bool keyed) {
  constexpr int kKinds = kRowAlphaParamAll + 1;
  static constexpr auto table = VectorRowTable<L, true>(std::make_integer_sequence<int, kKinds>{});
  return table[(keyed ? kKinds : 0) + kind];
}

template <class L>
int VectorRow(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  return VectorRowLoop<L>(kind, key != nullptr)(dst, src, count, param, key ? *key : 0);
}

}  // namespace
}  // namespace zelvo::soft
