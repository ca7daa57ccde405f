#pragma once
// The pixel arithmetic shared by the general path and the specialised spans, so both give the same
// bytes: texel fetch and widening, point and bilinear sampling on 32.32 texel coordinates, products,
// blend factors and the target's read and write.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#include "platform/d3d/d3d.h"
#include "platform/d3d/raster.h"

namespace pf::d3d {

// floor(a * b / 255) for a, b in 0..255.
[[gnu::always_inline]] inline std::uint32_t Mul255(std::uint32_t a, std::uint32_t b) {
  const std::uint32_t x = a * b;
  return (x + 1 + (x >> 8)) >> 8;
}

[[gnu::always_inline]] inline std::uint32_t Widen5(std::uint32_t v) { return (v << 3) | (v >> 2); }
[[gnu::always_inline]] inline std::uint32_t Widen6(std::uint32_t v) { return (v << 2) | (v >> 4); }

[[gnu::always_inline]] inline std::uint32_t ReadRawAt(const std::uint8_t* at, int bytes) {
  if (bytes == 2) {
    std::uint16_t v;
    std::memcpy(&v, at, 2);
    return v;
  }
  std::uint32_t v;
  std::memcpy(&v, at, 4);
  return v;
}

template <PixelKind K>
constexpr int BytesOf() {
  return (K == PixelKind::kX888 || K == PixelKind::k8888) ? 4 : 2;
}

// A raw pixel widened to 0xAARRGGBB; formats without alpha read alpha 255.
template <PixelKind K>
[[gnu::always_inline]] inline std::uint32_t Widen(std::uint32_t raw) {
  if constexpr (K == PixelKind::k565) {
    return 0xFF000000u | Widen5(raw >> 11) << 16 | Widen6((raw >> 5) & 0x3F) << 8 | Widen5(raw & 0x1F);
  } else if constexpr (K == PixelKind::k555 || K == PixelKind::k1555) {
    const std::uint32_t a = K == PixelKind::k555 || (raw & 0x8000) ? 0xFF000000u : 0;
    return a | Widen5((raw >> 10) & 0x1F) << 16 | Widen5((raw >> 5) & 0x1F) << 8 | Widen5(raw & 0x1F);
  } else if constexpr (K == PixelKind::k4444) {
    return ((raw >> 12) & 0xF) * 0x11u << 24 | ((raw >> 8) & 0xF) * 0x11u << 16 | ((raw >> 4) & 0xF) * 0x11u << 8 |
           (raw & 0xF) * 0x11u;
  } else if constexpr (K == PixelKind::kX888) {
    return raw | 0xFF000000u;
  } else {
    return raw;
  }
}

// Any layout by its masks (bit replication), for the kinds without a name.
std::uint32_t WidenByLayout(const pixels::Layout& layout, std::uint32_t raw);
std::uint32_t NarrowByLayout(const pixels::Layout& layout, std::uint32_t argb);

// 0xAARRGGBB cut to the target's channels; X888 writes its unused byte as 0xFF.
template <PixelKind K>
[[gnu::always_inline]] inline std::uint32_t Narrow(std::uint32_t argb) {
  if constexpr (K == PixelKind::k565) {
    return (argb >> 8 & 0xF800) | (argb >> 5 & 0x07E0) | (argb >> 3 & 0x1F);
  } else if constexpr (K == PixelKind::k555) {
    return (argb >> 9 & 0x7C00) | (argb >> 6 & 0x03E0) | (argb >> 3 & 0x1F);
  } else if constexpr (K == PixelKind::k1555) {
    return (argb >> 16 & 0x8000) | (argb >> 9 & 0x7C00) | (argb >> 6 & 0x03E0) | (argb >> 3 & 0x1F);
  } else if constexpr (K == PixelKind::k4444) {
    return (argb >> 16 & 0xF000) | (argb >> 12 & 0x0F00) | (argb >> 8 & 0x00F0) | (argb >> 4 & 0x000F);
  } else if constexpr (K == PixelKind::kX888) {
    return argb | 0xFF000000u;
  } else {
    return argb;
  }
}

template <PixelKind K>
[[gnu::always_inline]] inline std::uint32_t LoadPixel(const std::uint8_t* at) {
  if constexpr (BytesOf<K>() == 2) {
    std::uint16_t v;
    std::memcpy(&v, at, 2);
    return v;
  } else {
    std::uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
  }
}

template <PixelKind K>
[[gnu::always_inline]] inline void StorePixel(std::uint8_t* at, std::uint32_t raw) {
  if constexpr (BytesOf<K>() == 2) {
    const auto v = static_cast<std::uint16_t>(raw);
    std::memcpy(at, &v, 2);
  } else {
    std::memcpy(at, &raw, 4);
  }
}

// ---------------------------------------------------------------- texture coordinates
// Texel coordinates are 32.32 fixed point in texel units, carried as unsigned so that far-off
// coordinates wrap instead of overflowing; the texel index is the signed integer part.
[[gnu::always_inline]] inline std::int64_t TexelIndex(std::uint64_t coordinate) { return static_cast<std::int64_t>(coordinate) >> 32; }

[[gnu::always_inline]] inline int Address(std::int64_t index, int size, std::uint32_t mode) {
  if (mode == D3DTADDRESS_WRAP) {
    std::int64_t m = index % size;
    return static_cast<int>(m < 0 ? m + size : m);
  }
  if (mode == D3DTADDRESS_MIRROR) {
    const std::int64_t period = 2 * static_cast<std::int64_t>(size);
    std::int64_t m = index % period;
    if (m < 0) m += period;
    return static_cast<int>(m < size ? m : period - 1 - m);
  }
  return static_cast<int>(std::clamp<std::int64_t>(index, 0, size - 1));
}

[[gnu::always_inline]] inline int ClampIndex(std::int64_t index, int size) {
  return static_cast<int>(std::clamp<std::int64_t>(index, 0, size - 1));
}

// Bilinear taps: the lower texel and the weight of the upper one in 1/256, rounded; a weight that
// rounds to 256 moves to the next texel, so a sample at a texel centre returns that texel alone.
struct Taps {
  std::int64_t index;
  std::uint32_t weight;
};
[[gnu::always_inline]] inline Taps LinearTaps(std::uint64_t coordinate) {
  const std::uint64_t t = coordinate - 0x80000000ull;
  Taps taps{TexelIndex(t), static_cast<std::uint32_t>(((t & 0xFFFFFFFFull) + 0x800000ull) >> 24)};
  if (taps.weight == 256) {
    ++taps.index;
    taps.weight = 0;
  }
  return taps;
}

// (a * (256 - w) + b * w + 128) >> 8 per channel, two channels at a time.
[[gnu::always_inline]] inline std::uint32_t Lerp8888(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
  const std::uint32_t iw = 256 - w;
  const std::uint32_t rb = (((a & 0x00FF00FFu) * iw + (b & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
  const std::uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * iw + ((b >> 8) & 0x00FF00FFu) * w + 0x00800080u)) &
                           0xFF00FF00u;
  return rb | ag;
}

// The bilinear blend of four texels (upper-left, upper-right, lower-left, lower-right): the same
// per-channel arithmetic as three Lerp8888 calls, with both rows in one SSE2 register.
[[gnu::always_inline]] inline std::uint32_t Bilinear(std::uint32_t c00, std::uint32_t c10, std::uint32_t c01, std::uint32_t c11,
                              std::uint32_t wx, std::uint32_t wy) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i left = _mm_unpacklo_epi8(
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(c00)), _mm_cvtsi32_si128(static_cast<int>(c01))), zero);
  const __m128i right = _mm_unpacklo_epi8(
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(c10)), _mm_cvtsi32_si128(static_cast<int>(c11))), zero);
  const __m128i half = _mm_set1_epi16(128);
  const __m128i rows = _mm_srli_epi16(
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(left, _mm_set1_epi16(static_cast<short>(256 - wx))),
                                  _mm_mullo_epi16(right, _mm_set1_epi16(static_cast<short>(wx)))),
                    half),
      8);
  const __m128i lower = _mm_unpackhi_epi64(rows, rows);
  const __m128i mixed = _mm_srli_epi16(
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(rows, _mm_set1_epi16(static_cast<short>(256 - wy))),
                                  _mm_mullo_epi16(lower, _mm_set1_epi16(static_cast<short>(wy)))),
                    half),
      8);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mixed, zero)));
}

// Two bilinear samples of 32-bit texels on the same two texture rows: each from the texels at its
// column and the next one, with its own horizontal weight and the rows' shared vertical weight. The
// same arithmetic as Bilinear; both columns' next texels must lie inside the rows. The samples come
// back in the low 64 bits; the alpha bytes of layouts without alpha are not meaningful.
[[gnu::always_inline]] inline __m128i BilinearPair32(const std::uint8_t* top, const std::uint8_t* bottom,
                                                     std::int64_t first, std::int64_t second, std::uint32_t firstWeight,
                                                     std::uint32_t secondWeight, std::uint32_t rowWeight) {
  const __m128i zero = _mm_setzero_si128();
  const auto pairs = [&](const std::uint8_t* row) {
    const __m128i both = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first * 4)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + second * 4)));
    return _mm_shuffle_epi32(both, _MM_SHUFFLE(3, 1, 2, 0));  // both left texels, then both right ones
  };
  const __m128i weight = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<short>(firstWeight)),
                                            _mm_set1_epi16(static_cast<short>(secondWeight)));
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), weight);
  const __m128i half = _mm_set1_epi16(128);
  const auto across = [&](__m128i sorted) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sorted, zero), inverse),
                                                      _mm_mullo_epi16(_mm_unpackhi_epi8(sorted, zero), weight)),
                                        half),
                          8);
  };
  const __m128i upper = across(pairs(top)), lower = across(pairs(bottom));
  const __m128i mixed = _mm_srli_epi16(
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(upper, _mm_set1_epi16(static_cast<short>(256 - rowWeight))),
                                  _mm_mullo_epi16(lower, _mm_set1_epi16(static_cast<short>(rowWeight)))),
                    half),
      8);
  return _mm_packus_epi16(mixed, zero);
}

// Two bilinear samples of 32-bit texels, each on its own two texture rows (`top`, `bottom`) with its
// own column and weights: the same arithmetic as Bilinear. Both columns' next texels must lie inside
// the rows. The samples come back in the low 64 bits; the alpha bytes of layouts without alpha are
// not meaningful.
[[gnu::always_inline]] inline __m128i BilinearPairApart32(const std::uint8_t* const top[2],
                                                          const std::uint8_t* const bottom[2],
                                                          const std::int64_t column[2], const std::uint32_t across[2],
                                                          const std::uint32_t down[2]) {
  const __m128i zero = _mm_setzero_si128();
  const auto pairs = [&](const std::uint8_t* const row[2]) {
    const __m128i both = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row[0] + column[0] * 4)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row[1] + column[1] * 4)));
    return _mm_shuffle_epi32(both, _MM_SHUFFLE(3, 1, 2, 0));  // both left texels, then both right ones
  };
  const auto weights = [](const std::uint32_t w[2]) {
    return _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<short>(w[0])), _mm_set1_epi16(static_cast<short>(w[1])));
  };
  const __m128i full = _mm_set1_epi16(256), half = _mm_set1_epi16(128);
  const __m128i weight = weights(across), inverse = _mm_sub_epi16(full, weight);
  const auto mix = [&](__m128i first, __m128i second, __m128i w, __m128i iw) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(first, iw), _mm_mullo_epi16(second, w)), half), 8);
  };
  const auto acrossRow = [&](__m128i sorted) {
    return mix(_mm_unpacklo_epi8(sorted, zero), _mm_unpackhi_epi8(sorted, zero), weight, inverse);
  };
  const __m128i rowWeight = weights(down);
  const __m128i mixed = mix(acrossRow(pairs(top)), acrossRow(pairs(bottom)), rowWeight, _mm_sub_epi16(full, rowWeight));
  return _mm_packus_epi16(mixed, zero);
}

template <PixelKind K>
[[gnu::always_inline]] inline std::uint32_t TexelRaw(const Texture& t, int x, int y) {
  return LoadPixel<K>(t.pixels + static_cast<std::ptrdiff_t>(y) * t.pitch + x * BytesOf<K>());
}

// ---------------------------------------------------------------- products and blending
[[gnu::always_inline]] inline std::uint32_t Channel(std::uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

[[gnu::always_inline]] inline std::uint32_t Modulate(std::uint32_t a, std::uint32_t b) {
  return Mul255(a >> 24, b >> 24) << 24 | Mul255(Channel(a, 16), Channel(b, 16)) << 16 |
         Mul255(Channel(a, 8), Channel(b, 8)) << 8 | Mul255(a & 0xFF, b & 0xFF);
}

[[gnu::always_inline]] inline __m128i Widen16(std::uint32_t argb) {
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(argb)), _mm_setzero_si128());
}

// floor(x / 255) in each unsigned 16-bit lane: (x * 0x8081) >> 23, exact for every 16-bit x.
[[gnu::always_inline]] inline __m128i Floor255(__m128i x) {
  return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(0x8081))), 7);
}

[[gnu::always_inline]] inline std::uint32_t Narrow16(__m128i lanes) {
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, _mm_setzero_si128())));
}

// src * sa + dst * (255 - sa), each product floored: the usual alpha blend (the sum never passes 255).
// The alpha byte of the result is not meaningful.
[[gnu::always_inline]] inline std::uint32_t BlendAlphaRgb(std::uint32_t src, std::uint32_t dst, std::uint32_t sa) {
  const __m128i s = _mm_mullo_epi16(Widen16(src), _mm_set1_epi16(static_cast<short>(sa)));
  const __m128i d = _mm_mullo_epi16(Widen16(dst), _mm_set1_epi16(static_cast<short>(255 - sa)));
  return Narrow16(_mm_add_epi16(Floor255(s), Floor255(d))) & 0x00FFFFFFu;
}

// dst + src * sa, saturating per channel.
[[gnu::always_inline]] inline std::uint32_t BlendAddRgb(std::uint32_t src, std::uint32_t dst, std::uint32_t sa) {
  const __m128i s = _mm_mullo_epi16(Widen16(src), _mm_set1_epi16(static_cast<short>(sa)));
  return Narrow16(_mm_add_epi16(Floor255(s), Widen16(dst))) & 0x00FFFFFFu;
}

// Four neighbouring 32-bit pixels blended at once: the same arithmetic as the pair below, with the
// sources' alphas in their top bytes.
template <bool Add>
[[gnu::always_inline]] inline void BlendQuadX888(std::uint8_t* at, __m128i sources) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i destinations = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const auto half = [&](__m128i s, __m128i d) {
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m128i sourcePart = Floor255(_mm_mullo_epi16(s, alpha));
    const __m128i destinationPart =
        Add ? d : Floor255(_mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), alpha)));
    return _mm_add_epi16(sourcePart, destinationPart);
  };
  const __m128i low = half(_mm_unpacklo_epi8(sources, zero), _mm_unpacklo_epi8(destinations, zero));
  const __m128i high = half(_mm_unpackhi_epi8(sources, zero), _mm_unpackhi_epi8(destinations, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at),
                   _mm_or_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(static_cast<int>(0xFF000000u))));
}

// Two neighbouring 32-bit pixels blended at once: src * sa + dst * (255 - sa), or dst + src * sa
// when adding; each source carries its own alpha in its top byte. Same arithmetic as the single
// pixel forms; the results' top bytes are 0xFF.
template <bool Add>
[[gnu::always_inline]] inline void BlendPairX888(std::uint8_t* at, std::uint32_t src0, std::uint32_t src1) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i s = _mm_unpacklo_epi8(
      _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(src0)), _mm_cvtsi32_si128(static_cast<int>(src1))), zero);
  const __m128i d = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), zero);
  const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
  const __m128i sourcePart = Floor255(_mm_mullo_epi16(s, alpha));
  const __m128i destinationPart =
      Add ? d : Floor255(_mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), alpha)));
  const __m128i packed = _mm_or_si128(_mm_packus_epi16(_mm_add_epi16(sourcePart, destinationPart), zero),
                                      _mm_set1_epi32(static_cast<int>(0xFF000000u)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(at), packed);
}

}  // namespace pf::d3d
