// Whole-row 32-bit blends: the scalar reference, and the choice of the vector versions (row_vector.h),
// which give the same bytes.
#include "media/software/row_kernels.h"

#include <cstring>
#include <type_traits>

namespace zelvo::soft {

int BlendRowSse2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key);
int BlendRowAvx2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key);
int BlendRow16Sse2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key);
int BlendRow16Avx2(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key);
RowBlend PickRowBlend32Avx2(int kind, const uint32_t* key);
RowBlend PickRowBlend16Avx2(int kind, const uint32_t* key);
int GatherRowAvx2(uint8_t* dst, const uint8_t* srcRow, const int32_t* columns, int count, int32_t lowest, int32_t highest);

namespace {

ZELVO_PIXEL_INLINE uint32_t RowPixel(int kind, const BlendRows& r, uint32_t s, uint32_t d, uint8_t* dp) {
  switch (kind) {
    case kRowLerp: Combine<PixelType::k8888, BlendMode::kAlpha, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
    case kRowHalf: return Half32(s, d);
    case kRowAdd: Combine<PixelType::k8888, BlendMode::kAdd, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
    case kRowAddWord: return Add32NoLowTerm(s, d);
    case kRowAddSaturate: return AddBytesSaturated(s, d);
    case kRowSub: Combine<PixelType::k8888, BlendMode::kSubtract, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
    case kRowSubSaturate: return SubBytesSaturated(s, d);
    case kRowCopy: return s;
    case kRowAlphaParam:
      if ((s >> 24) == 0) return d;
      if ((s >> 24) == 255) {
        Combine<PixelType::k8888, BlendMode::kAlpha, false, false, false>(r, dp, s, 0, 0);
        return Load32(dp);
      }
      Combine<PixelType::k8888, BlendMode::kAlpha, false, false, true>(r, dp, s, 0, s >> 24);
      return Load32(dp);
    case kRowAlphaParamAll:
      Combine<PixelType::k8888, BlendMode::kAlpha, false, false, true>(r, dp, s, 0, s >> 24);
      return Load32(dp);
    case kRowAlphaSource:
      if ((s >> 24) == 0) return d;
      if ((s >> 24) == 255) return s;
      Combine<PixelType::k8888, BlendMode::kNone, false, false, true>(r, dp, s, 0, s >> 24);
      return Load32(dp);
    default: Combine<PixelType::k8888, BlendMode::kMultiply, false, false, false>(r, dp, s, 0, 0); return Load32(dp);
  }
}

}  // namespace

void BlendRow32Reference(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  const BlendRows r = MakeBlendRows(param, kTintOff);
  for (int i = 0; i < count; ++i) {
    uint8_t* dp = dst + i * 4;
    const uint32_t s = Load32(src + i * 4);
    if (key && s == *key) continue;
    Store32(dp, RowPixel(kind, r, s, Load32(dp), dp));
  }
}

// Pixels before the destination reaches a 32-byte boundary (vector stores that straddle cache
// lines cost more); `step` keeps the count a multiple of a pixel group.
inline int HeadPixels(const uint8_t* dst, int bytesPerPixel, int count, int step) {
  const uintptr_t misalign = reinterpret_cast<uintptr_t>(dst) & 31;
  if (misalign == 0 || misalign % bytesPerPixel != 0) return 0;
  const int head = static_cast<int>((32 - misalign) / bytesPerPixel);
  if (head % step != 0 || head >= count) return 0;
  return head;
}

using VectorRowLoop = int (*)(int, uint8_t*, const uint8_t*, int, int, const uint32_t*);

// A piece of a row of at most 16 pixels (the head before the destination's alignment, the tail
// after the last whole block): the loop blends whole blocks in a copy padded with zeros,
// and only the piece's pixels go back. Every pixel's result depends on that pixel alone, so the
// bytes are those of the scalar loop, at the vector loop's speed.
// Copies n bytes (at most 64, at least 2) between distinct buffers in fixed-size moves that may
// overlap each other, so that no library call is made for a few pixels.
ZELVO_PIXEL_INLINE void CopyPieceBytes(uint8_t* to, const uint8_t* from, size_t n) {
  const auto move = [&](size_t at, auto width) {
    constexpr size_t kWidth = decltype(width)::value;
    std::memcpy(to + at, from + at, kWidth);
  };
  if (n >= 16) {
    for (size_t at = 0; at + 16 < n; at += 16) move(at, std::integral_constant<size_t, 16>{});
    move(n - 16, std::integral_constant<size_t, 16>{});
  } else if (n >= 8) {
    move(0, std::integral_constant<size_t, 8>{});
    move(n - 8, std::integral_constant<size_t, 8>{});
  } else if (n >= 4) {
    move(0, std::integral_constant<size_t, 4>{});
    move(n - 4, std::integral_constant<size_t, 4>{});
  } else if (n >= 2) {
    move(0, std::integral_constant<size_t, 2>{});
    move(n - 2, std::integral_constant<size_t, 2>{});
  } else if (n == 1) {
    to[0] = from[0];
  }
}

void BlendPiece(VectorRowLoop loop, int block, int kind, uint8_t* dst, const uint8_t* src, int count, int dstBytes,
                int srcBytes, int param, const uint32_t* key) {
  alignas(32) uint8_t d[64] = {}, s[64] = {};
  CopyPieceBytes(d, dst, static_cast<size_t>(count) * dstBytes);
  CopyPieceBytes(s, src, static_cast<size_t>(count) * srcBytes);
  loop(kind, d, s, (count + block - 1) / block * block, param, key);
  CopyPieceBytes(dst, d, static_cast<size_t>(count) * dstBytes);
}

using ScalarRowLoop = void (*)(int, uint8_t*, const uint8_t*, int, int, const uint32_t*);

// How a row is split between a vector loop and the scalar one.
struct RowParts {
  VectorRowLoop vector;
  int block;             // pixels per vector step
  ScalarRowLoop scalar;
  bool pieces;           // the vector loop may do the head and the tail
  int dstBytes, srcBytes;
  int step;              // the head stays a multiple of this many pixels
};

// The row in three parts: a head up to the destination's 32-byte alignment (vector stores that
// straddle cache lines cost more), the whole blocks, and the tail.
void BlendRowParts(const RowParts& parts, int kind, uint8_t* dst, const uint8_t* src, int count, int param,
                   const uint32_t* key) {
  auto piece = [&](int n) {
    if (parts.pieces) BlendPiece(parts.vector, parts.block, kind, dst, src, n, parts.dstBytes, parts.srcBytes, param, key);
    else parts.scalar(kind, dst, src, n, param, key);
    dst += n * parts.dstBytes;
    src += n * parts.srcBytes;
  };
  // A row no longer than a piece is one piece; the alignment head pays only on long rows.
  if (parts.pieces && count <= 16) {
    piece(count);
    return;
  }
  const int head = count >= 64 ? HeadPixels(dst, parts.dstBytes, count, parts.step) : 0;
  if (head > 0) piece(head);
  count -= head;
  const int done = parts.vector(kind, dst, src, count, param, key);
  dst += done * parts.dstBytes;
  src += done * parts.srcBytes;
  if (done < count) piece(count - done);
}

void BlendRow32(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  static constexpr RowParts kSse2{&BlendRowSse2, 4, &BlendRow32Reference, true, 4, 4, 1};
  switch (SoftPathLevel()) {
    // the AVX2 loops finish the row with a partial block, and gain nothing from an aligned head
    case kSoftPathAvx2: BlendRowAvx2(kind, dst, src, count, param, key); break;
    case kSoftPathSse2: BlendRowParts(kSse2, kind, dst, src, count, param, key); break;
    default: BlendRow32Reference(kind, dst, src, count, param, key); break;
  }
}

RowBlend PickRowBlend32(int kind, const uint32_t* key) {
  if (SoftPathLevel() == kSoftPathAvx2) return PickRowBlend32Avx2(kind, key);
  return RowBlend{nullptr, &BlendRow32, kind, key};
}

RowBlend PickRowBlend16(int kind, const uint32_t* key) {
  if (SoftPathLevel() == kSoftPathAvx2) return PickRowBlend16Avx2(kind, key);
  return RowBlend{nullptr, &BlendRow16, kind, key};
}

void BlendRow16Reference(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  if (kind == kRow16PairAdd || kind == kRow16PairSub) {
    // pairs as one word each, a lone last pixel alone (these kinds take no key)
    const bool add = kind == kRow16PairAdd;
    int i = 0;
    for (; i + 2 <= count; i += 2) {
      const uint32_t s2 = Load32(src + i * 2), d2 = Load32(dst + i * 2);
      Store32(dst + i * 2, add ? AddPair16(s2, d2) : SubPair16(s2, d2));
    }
    if (i < count) {
      const uint32_t s = Load16(src + i * 2), d = Load16(dst + i * 2);
      Store16(dst + i * 2, add ? Add16NoLowTerm(s, d) : Sub16(s, d));
    }
    return;
  }
  const BlendRows r = MakeBlendRows(param, kTintOff);
  if (Row16HasAlpha(kind)) {
    for (int i = 0; i < count; ++i) {
      uint8_t* dp = dst + i * 2;
      const uint32_t s = Load16(src + i * 4), a = src[i * 4 + 2];
      if (kind == kRow16AlphaParamAll) {
        Combine<PixelType::k565, BlendMode::kAlpha, false, false, true>(r, dp, s, 0, a);
        continue;
      }
      if (a == 0) continue;
      if (kind == kRow16AlphaSource) {
        if (a == 255) Store16(dp, s);
        else Combine<PixelType::k565, BlendMode::kNone, false, false, true>(r, dp, s, 0, a);
      } else {
        if (a == 255) Combine<PixelType::k565, BlendMode::kAlpha, false, false, false>(r, dp, s, 0, 0);
        else Combine<PixelType::k565, BlendMode::kAlpha, false, false, true>(r, dp, s, 0, a);
      }
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    uint8_t* dp = dst + i * 2;
    const uint32_t s = Load16(src + i * 2), d = Load16(dp);
    if (key && s == *key) continue;
    switch (kind) {
      case kRow16Copy: Store16(dp, s); break;
      case kRow16Lerp6: Store16(dp, Lerp6(r.lerp6, s, d)); break;
      case kRow16Half: Store16(dp, Half16(s, d)); break;
      case kRow16SignedLerp: Combine<PixelType::k565, BlendMode::kAlpha, false, false, false>(r, dp, s, 0, 0); break;
      case kRow16Add: Combine<PixelType::k565, BlendMode::kAdd, false, false, false>(r, dp, s, 0, 0); break;
      case kRow16Sub: Combine<PixelType::k565, BlendMode::kSubtract, false, false, false>(r, dp, s, 0, 0); break;
      default: Combine<PixelType::k565, BlendMode::kMultiply, false, false, false>(r, dp, s, 0, 0); break;
    }
  }
}

void BlendRow16(int kind, uint8_t* dst, const uint8_t* src, int count, int param, const uint32_t* key) {
  const int srcBytes = Row16HasAlpha(kind) ? 4 : 2;
  // pairs run from the row's first pixel and a lone last pixel has its own form: pieces stay scalar
  const bool pairs = kind == kRow16PairAdd || kind == kRow16PairSub;
  const int step = pairs ? 2 : 1;
  switch (SoftPathLevel()) {
    // the AVX2 loops finish the row themselves
    case kSoftPathAvx2: BlendRow16Avx2(kind, dst, src, count, param, key); break;
    case kSoftPathSse2:
      BlendRowParts({&BlendRow16Sse2, 8, &BlendRow16Reference, !pairs, 2, srcBytes, step}, kind, dst, src, count, param, key);
      break;
    default: BlendRow16Reference(kind, dst, src, count, param, key); break;
  }
}

void GatherRow32(uint8_t* dst, const uint8_t* srcRow, const int32_t* columns, int count, int32_t lowest, int32_t highest) {
  const int done = SoftPathLevel() == kSoftPathAvx2 ? GatherRowAvx2(dst, srcRow, columns, count, lowest, highest) : 0;
  for (int i = done; i < count; ++i) std::memcpy(dst + i * 4, srcRow + static_cast<ptrdiff_t>(columns[i]) * 4, 4);
}

}  // namespace zelvo::soft
