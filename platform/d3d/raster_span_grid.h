#pragma once
// The span template and its lookup over the grid (filter x colour key x modulation x texture layout
// x target layout) for one blend; each blend's file instantiates its own part.
#include "platform/d3d/raster_pixel.h"
#include "platform/d3d/raster_span.h"

namespace pf::d3d {

// The texture rows a sample reads: one for point sampling, two with the vertical weight for bilinear.
struct Rows {
  const std::uint8_t* top;
  const std::uint8_t* bottom;
  std::uint32_t weight;
};

template <SpanFilter F>
[[gnu::always_inline]] inline Rows RowsAt(const Texture& t, std::uint64_t v) {
  if constexpr (F == SpanFilter::kPoint) {
    const std::uint8_t* row = t.pixels + static_cast<std::ptrdiff_t>(ClampIndex(TexelIndex(v), t.height)) * t.pitch;
    return Rows{row, row, 0};
  } else {
    const Taps tv = LinearTaps(v);
    return Rows{t.pixels + static_cast<std::ptrdiff_t>(ClampIndex(tv.index, t.height)) * t.pitch,
                t.pixels + static_cast<std::ptrdiff_t>(ClampIndex(tv.index + 1, t.height)) * t.pitch, tv.weight};
  }
}

template <PixelKind T, SpanFilter F>
[[gnu::always_inline]] inline std::uint32_t SampleRows(const Texture& t, const Rows& rows, std::uint64_t u) {
  constexpr int kBytes = BytesOf<T>();
  if constexpr (F == SpanFilter::kPoint) {
    return Widen<T>(LoadPixel<T>(rows.top + ClampIndex(TexelIndex(u), t.width) * kBytes));
  } else {
    const Taps tu = LinearTaps(u);
    const int x0 = ClampIndex(tu.index, t.width) * kBytes, x1 = ClampIndex(tu.index + 1, t.width) * kBytes;
    return Bilinear(Widen<T>(LoadPixel<T>(rows.top + x0)), Widen<T>(LoadPixel<T>(rows.top + x1)),
                    Widen<T>(LoadPixel<T>(rows.bottom + x0)), Widen<T>(LoadPixel<T>(rows.bottom + x1)), tu.weight,
                    rows.weight);
  }
}

// Whether the texels a bilinear sample reads at `column` and the next one, on rows `top` and
// `bottom`, all have alpha 0: the sample's alpha is then 0 too.
[[gnu::always_inline]] inline __m128i AlphaOfTaps(const std::uint8_t* top, const std::uint8_t* bottom,
                                                  std::int64_t column) {
  return _mm_or_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + column * 4)),
                      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + column * 4)));
}

// A step of four blended pixels whose samples are all clear: the target stays, its unused byte
// written as 0xFF as a blend writes it.
[[gnu::always_inline]] inline void KeepQuadX888(std::uint8_t* at) {
  const __m128i kept = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_or_si128(kept, _mm_set1_epi32(static_cast<int>(0xFF000000u))));
}

// Four blended samples (alpha in the top bytes): all of alpha 255 under an alpha blend are written as
// they are, as the blend gives them; the rest blended.
template <SpanBlend B>
[[gnu::always_inline]] inline void BlendSamplesX888(std::uint8_t* at, __m128i samples) {
  if constexpr (B == SpanBlend::kAlpha) {
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(samples, opaque), opaque)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at), samples);
      return;
    }
  }
  BlendQuadX888<B == SpanBlend::kAdd>(at, samples);
}

template <SpanBlend B, SpanFilter F, bool Keyed, bool Modulated, PixelKind T, PixelKind D>
void RunSpan(const SpanRun& run) {
  // Everything the loop reads is copied out first: stores through the byte pointer could alias it.
  const Texture texture = *run.texture;
  const std::uint64_t du = run.du, dv = run.dv;
  const std::uint32_t modulate = run.modulate, alphaScale = run.alphaScale;
  const bool textureAlpha = run.textureAlpha, plainAlpha = textureAlpha && alphaScale == 255;
  const std::uint32_t alphaFloor = run.alphaFloor;
  const std::uint32_t keyLow = texture.keyLow, keyHigh = texture.keyHigh;
  std::uint8_t* out = run.destination;
  std::uint8_t* const end = out + static_cast<std::ptrdiff_t>(run.count) * BytesOf<D>();
  std::uint64_t u = run.u, v = run.v;
  // Rows are found once when the span runs along the texture's rows.
  const bool rowsFixed = dv == 0;
  Rows rows = RowsAt<F>(texture, v);
  // Texel for pixel along a row: the texels are read straight, without clamping. Bilinear samples
  // whose weights are both zero are their first texel alone, so such rows read straight too.
  std::int64_t firstTexel = TexelIndex(u);
  bool weightless = true;
  if constexpr (F == SpanFilter::kLinear) {
    const Taps tu = LinearTaps(u);
    firstTexel = tu.index;
    weightless = tu.weight == 0 && rows.weight == 0;
  }
  const bool straight = weightless && du == (std::uint64_t{1} << 32) && rowsFixed && firstTexel >= 0 &&
                        firstTexel + run.count <= texture.width;
  // 32-bit texels whose alpha is used as it stands load four at a time.
  constexpr bool kWideTexels = (T == PixelKind::k8888 || T == PixelKind::kX888) && !Modulated && !Keyed;
  if constexpr (B == SpanBlend::kCopy && !Modulated) {
    if (straight && alphaFloor == 0) {
      const std::uint8_t* from = rows.top + firstTexel * BytesOf<T>();
      if constexpr (kWideTexels && D == PixelKind::kX888) {
        if (StraightRowsAvx2Usable()) {
          const int done = StraightCopyAvx2(out, from, run.count, 0, T == PixelKind::kX888);
          out += done * 4;
          from += done * 4;
        }
        const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        for (; end - out >= 16; out += 16, from += 16) {
          const __m128i texels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(texels, opaque));
        }
      }
      for (; out != end; from += BytesOf<T>(), out += BytesOf<D>()) {
        const std::uint32_t raw = LoadPixel<T>(from);
        if constexpr (Keyed) {
          if (raw >= keyLow && raw <= keyHigh) continue;
        }
        StorePixel<D>(out, Narrow<D>(Widen<T>(raw)));
      }
      return;
    }
  }
  if constexpr (B == SpanBlend::kCopy && !Keyed && D == PixelKind::kX888 &&
                (T == PixelKind::k1555 || T == PixelKind::k4444)) {
    // Glyphs and other 16-bit pictures copied with or without the alpha test, in their own colours
    // or tinted: four texels widened at a time, the test on each texel's alpha times the scale.
    if (straight && alphaFloor <= 256) {
      const std::uint8_t* from = rows.top + firstTexel * 2;
      const __m128i zero = _mm_setzero_si128(), five = _mm_set1_epi32(0x1F), four = _mm_set1_epi32(0xF);
      const __m128i below = _mm_set1_epi32(static_cast<int>(alphaFloor) - 1);
      const __m128i scale = _mm_set1_epi32(static_cast<int>(alphaScale));
      const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
      for (; end - out >= 16; out += 16, from += 8) {
        const __m128i raw = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from)), zero);
        __m128i colour, alpha;
        if constexpr (T == PixelKind::k1555) {
          const auto widen5 = [&](__m128i v) { return _mm_or_si128(_mm_slli_epi32(v, 3), _mm_srli_epi32(v, 2)); };
          colour = _mm_or_si128(
              _mm_or_si128(widen5(_mm_and_si128(raw, five)),
                           _mm_slli_epi32(widen5(_mm_and_si128(_mm_srli_epi32(raw, 5), five)), 8)),
              _mm_slli_epi32(widen5(_mm_and_si128(_mm_srli_epi32(raw, 10), five)), 16));
          alpha = _mm_and_si128(_mm_srai_epi32(_mm_slli_epi32(raw, 16), 31), _mm_set1_epi32(0xFF));
        } else {
          const auto widen4 = [&](__m128i v) { return _mm_or_si128(_mm_slli_epi32(v, 4), v); };
          colour = _mm_or_si128(
              _mm_or_si128(widen4(_mm_and_si128(raw, four)),
                           _mm_slli_epi32(widen4(_mm_and_si128(_mm_srli_epi32(raw, 4), four)), 8)),
              _mm_slli_epi32(widen4(_mm_and_si128(_mm_srli_epi32(raw, 8), four)), 16));
          alpha = widen4(_mm_srli_epi32(raw, 12));
        }
        if constexpr (Modulated) {
          // Each channel times the tint's, floored (the tint's alpha byte is 0).
          const __m128i tint = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(modulate)), zero);
          colour = _mm_packus_epi16(Floor255(_mm_mullo_epi16(_mm_unpacklo_epi8(colour, zero), tint)),
                                    Floor255(_mm_mullo_epi16(_mm_unpackhi_epi8(colour, zero), tint)));
        }
        if (!textureAlpha) alpha = _mm_set1_epi32(255);
        // The alpha times the scale, floored: the product fits the low sixteen bits of its lane.
        if (alphaScale != 255) alpha = Floor255(_mm_mullo_epi16(alpha, scale));
        const __m128i written = _mm_or_si128(colour, opaque);
        if (alphaFloor == 0) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out), written);
          continue;
        }
        const __m128i pass = _mm_cmpgt_epi32(alpha, below);
        const __m128i kept = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_or_si128(_mm_and_si128(pass, written), _mm_andnot_si128(pass, kept)));
      }
    }
  }
  if constexpr (B == SpanBlend::kCopy && kWideTexels && D == PixelKind::kX888) {
    // The alpha test on a copy: the pixels whose texel alpha reaches the floor are written, four at a time.
    if (straight && alphaFloor != 0 && alphaFloor <= 256 && plainAlpha) {
      const std::uint8_t* from = rows.top + firstTexel * BytesOf<T>();
      const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
      const __m128i below = _mm_set1_epi32(static_cast<int>(alphaFloor) - 1);
      if (StraightRowsAvx2Usable()) {
        const int done = StraightCopyAvx2(out, from, run.count, alphaFloor, T == PixelKind::kX888);
        out += done * 4;
        from += done * 4;
        u += static_cast<std::uint64_t>(done) * du;
      }
      for (; end - out >= 16; out += 16, from += 16, u += 4 * du) {
        const __m128i texels = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)),
                                            T == PixelKind::kX888 ? opaque : _mm_setzero_si128());
        const __m128i pass = _mm_cmpgt_epi32(_mm_srli_epi32(texels, 24), below);
        const __m128i kept = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_or_si128(_mm_and_si128(pass, _mm_or_si128(texels, opaque)), _mm_andnot_si128(pass, kept)));
      }
    }
  }
  if constexpr (B != SpanBlend::kCopy && D == PixelKind::kX888 && !Keyed) {
    if (alphaFloor == 0) {
      // Blends on 32-bit targets go several pixels at a time; the source alpha rides in the top byte.
      const auto source = [&](std::uint64_t at) {
        const std::uint32_t texel = SampleRows<T, F>(texture, rows, at);
        std::uint32_t colour = texel & 0x00FFFFFFu;
        if constexpr (Modulated) colour = Modulate(colour, modulate);
        const std::uint32_t alpha = plainAlpha ? texel >> 24 : Mul255(textureAlpha ? texel >> 24 : 255, alphaScale);
        return colour | alpha << 24;
      };
      if (straight) {
        const auto straightSource = [&](const std::uint8_t* from) {
          const std::uint32_t texel = Widen<T>(LoadPixel<T>(from));
          std::uint32_t colour = texel & 0x00FFFFFFu;
          if constexpr (Modulated) colour = Modulate(colour, modulate);
          const std::uint32_t alpha = plainAlpha ? texel >> 24 : Mul255(textureAlpha ? texel >> 24 : 255, alphaScale);
          return colour | alpha << 24;
        };
        const std::uint8_t* from = rows.top + firstTexel * BytesOf<T>();
        if (kWideTexels) {
          // Texels whose alpha is not used count as opaque, as texels without alpha do.
          const bool opaqueTexels = T == PixelKind::kX888 || !textureAlpha;
          if (StraightRowsAvx2Usable()) {
            const int done = StraightBlendAvx2(out, from, run.count, B == SpanBlend::kAdd, opaqueTexels, alphaScale);
            out += done * 4;
            from += done * 4;
            u += static_cast<std::uint64_t>(done) * du;
          }
          const __m128i scale = _mm_set1_epi32(static_cast<int>(alphaScale));
          for (; end - out >= 16; out += 16, from += 16, u += 4 * du) {
            __m128i texels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            if (opaqueTexels) texels = _mm_or_si128(texels, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
            if (!plainAlpha) {
              // Each alpha times the scale, floored: the product fits the low sixteen bits of its lane.
              const __m128i alpha = Floor255(_mm_mullo_epi16(_mm_srli_epi32(texels, 24), scale));
              texels = _mm_or_si128(_mm_and_si128(texels, _mm_set1_epi32(0x00FFFFFF)), _mm_slli_epi32(alpha, 24));
            }
            BlendQuadX888<B == SpanBlend::kAdd>(out, texels);
          }
        } else {
          for (; end - out >= 16; out += 16, from += 4 * BytesOf<T>(), u += 4 * du) {
            const __m128i sources = _mm_setr_epi32(
                static_cast<int>(straightSource(from)), static_cast<int>(straightSource(from + BytesOf<T>())),
                static_cast<int>(straightSource(from + 2 * BytesOf<T>())),
                static_cast<int>(straightSource(from + 3 * BytesOf<T>())));
            BlendQuadX888<B == SpanBlend::kAdd>(out, sources);
          }
        }
        for (; end - out >= 8; out += 8, from += 2 * BytesOf<T>(), u += 2 * du) {
          BlendPairX888<B == SpanBlend::kAdd>(out, straightSource(from), straightSource(from + BytesOf<T>()));
        }
      }
      if constexpr (F == SpanFilter::kLinear && kWideTexels) {
        // Scaled rows along the texture's rows: four samples at a time wherever each one's two
        // columns lie inside the texture; the rest one by one.
        if (rowsFixed) {
          const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
          const __m128i scale = _mm_set1_epi32(static_cast<int>(alphaScale));
          const std::int64_t lastLeft = texture.width - 2;
          const bool wide = StraightRowsAvx2Usable();
          const bool opaqueTexels = T == PixelKind::kX888 || !textureAlpha;
          for (; end - out >= 16; out += 16, u += 4 * du) {
            if (wide && end - out >= 32) {
              // Runs of samples eight at a time, then blended as texel-for-pixel rows are; the loop's
              // step adds the last four pixels.
              std::uint32_t samples[64];
              const int want = static_cast<int>(std::min<std::ptrdiff_t>(64, (end - out) / 4));
              const int made = ScaledBilinearAvx2(samples, rows.top, rows.bottom, rows.weight, u, du, want, texture.width,
                                                  !opaqueTexels);
              if (made > 0) {
                StraightBlendAvx2(out, reinterpret_cast<const std::uint8_t*>(samples), made, B == SpanBlend::kAdd,
                                  opaqueTexels, alphaScale);
                out += static_cast<std::ptrdiff_t>(made - 4) * 4;
                u += static_cast<std::uint64_t>(made - 4) * du;
                continue;
              }
            }
            Taps taps[4];
            bool inside = true;
            for (int k = 0; k < 4; ++k) {
              taps[k] = LinearTaps(u + static_cast<std::uint64_t>(k) * du);
              inside = inside && taps[k].index >= 0 && taps[k].index <= lastLeft;
            }
            if (!inside) {
              BlendQuadX888<B == SpanBlend::kAdd>(
                  out, _mm_setr_epi32(static_cast<int>(source(u)), static_cast<int>(source(u + du)),
                                      static_cast<int>(source(u + 2 * du)), static_cast<int>(source(u + 3 * du))));
              continue;
            }
            if (T == PixelKind::k8888 && textureAlpha) {
              // Clear parts of a sprite: every texel read of alpha 0.
              const __m128i alphas = _mm_or_si128(
                  _mm_or_si128(AlphaOfTaps(rows.top, rows.bottom, taps[0].index),
                               AlphaOfTaps(rows.top, rows.bottom, taps[1].index)),
                  _mm_or_si128(AlphaOfTaps(rows.top, rows.bottom, taps[2].index),
                               AlphaOfTaps(rows.top, rows.bottom, taps[3].index)));
              if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(alphas, opaque), _mm_setzero_si128())) == 0xFFFF) {
                KeepQuadX888(out);
                continue;
              }
            }
            __m128i texels = _mm_unpacklo_epi64(
                BilinearPair32(rows.top, rows.bottom, taps[0].index, taps[1].index, taps[0].weight, taps[1].weight,
                               rows.weight),
                BilinearPair32(rows.top, rows.bottom, taps[2].index, taps[3].index, taps[2].weight, taps[3].weight,
                               rows.weight));
            if (T == PixelKind::kX888 || !textureAlpha) texels = _mm_or_si128(texels, opaque);
            if (!plainAlpha) {
              const __m128i alpha = Floor255(_mm_mullo_epi16(_mm_srli_epi32(texels, 24), scale));
              texels = _mm_or_si128(_mm_and_si128(texels, _mm_set1_epi32(0x00FFFFFF)), _mm_slli_epi32(alpha, 24));
            }
            BlendSamplesX888<B>(out, texels);
          }
        } else {
          // Rotated or sheared rows: four samples at a time wherever each one's two columns and two
          // rows lie inside the texture; the rest one by one.
          const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
          const __m128i scale = _mm_set1_epi32(static_cast<int>(alphaScale));
          const std::int64_t lastLeft = texture.width - 2, lastTop = texture.height - 2;
          const auto sourceAt = [&](std::uint64_t atU, std::uint64_t atV) {
            rows = RowsAt<F>(texture, atV);
            return source(atU);
          };
          const bool opaqueTexels = T == PixelKind::kX888 || !textureAlpha;
          const bool wide = StraightRowsAvx2Usable() && texture.pitch % 4 == 0 &&
                            texture.pitch / 4 * static_cast<std::int64_t>(texture.height) < (std::int64_t{1} << 31);
          for (; end - out >= 16; out += 16, u += 4 * du, v += 4 * dv) {
            if (wide && end - out >= 32) {
              // Runs of samples eight at a time, then blended as texel-for-pixel rows are; the loop's
              // step adds the last four pixels.
              std::uint32_t samples[64];
              const int want = static_cast<int>(std::min<std::ptrdiff_t>(64, (end - out) / 4));
              const int made = RotatedBilinearAvx2(samples, texture.pixels, static_cast<int>(texture.pitch / 4),
                                                   texture.width, texture.height, u, v, du, dv, want, !opaqueTexels);
              if (made > 0) {
                StraightBlendAvx2(out, reinterpret_cast<const std::uint8_t*>(samples), made, B == SpanBlend::kAdd,
                                  opaqueTexels, alphaScale);
                out += static_cast<std::ptrdiff_t>(made - 4) * 4;
                u += static_cast<std::uint64_t>(made - 4) * du;
                v += static_cast<std::uint64_t>(made - 4) * dv;
                continue;
              }
            }
            Taps across[4], down[4];
            bool inside = true;
            for (int k = 0; k < 4; ++k) {
              across[k] = LinearTaps(u + static_cast<std::uint64_t>(k) * du);
              down[k] = LinearTaps(v + static_cast<std::uint64_t>(k) * dv);
              inside = inside && across[k].index >= 0 && across[k].index <= lastLeft && down[k].index >= 0 &&
                       down[k].index <= lastTop;
            }
            if (!inside) {
              BlendQuadX888<B == SpanBlend::kAdd>(
                  out, _mm_setr_epi32(static_cast<int>(sourceAt(u, v)), static_cast<int>(sourceAt(u + du, v + dv)),
                                      static_cast<int>(sourceAt(u + 2 * du, v + 2 * dv)),
                                      static_cast<int>(sourceAt(u + 3 * du, v + 3 * dv))));
              continue;
            }
            if (T == PixelKind::k8888 && textureAlpha) {
              __m128i alphas = _mm_setzero_si128();
              for (int k = 0; k < 4; ++k) {
                const std::uint8_t* top = texture.pixels + down[k].index * texture.pitch;
                alphas = _mm_or_si128(alphas, AlphaOfTaps(top, top + texture.pitch, across[k].index));
              }
              if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(alphas, opaque), _mm_setzero_si128())) == 0xFFFF) {
                KeepQuadX888(out);
                continue;
              }
            }
            const auto pair = [&](int k) {
              const std::uint8_t* const top[2] = {texture.pixels + down[k].index * texture.pitch,
                                                  texture.pixels + down[k + 1].index * texture.pitch};
              const std::uint8_t* const bottom[2] = {top[0] + texture.pitch, top[1] + texture.pitch};
              const std::int64_t column[2] = {across[k].index, across[k + 1].index};
              const std::uint32_t acrossWeight[2] = {across[k].weight, across[k + 1].weight};
              const std::uint32_t downWeight[2] = {down[k].weight, down[k + 1].weight};
              return BilinearPairApart32(top, bottom, column, acrossWeight, downWeight);
            };
            __m128i texels = _mm_unpacklo_epi64(pair(0), pair(2));
            if (T == PixelKind::kX888 || !textureAlpha) texels = _mm_or_si128(texels, opaque);
            if (!plainAlpha) {
              const __m128i alpha = Floor255(_mm_mullo_epi16(_mm_srli_epi32(texels, 24), scale));
              texels = _mm_or_si128(_mm_and_si128(texels, _mm_set1_epi32(0x00FFFFFF)), _mm_slli_epi32(alpha, 24));
            }
            BlendSamplesX888<B>(out, texels);
          }
        }
      }
      for (; end - out >= 8; out += 8) {
        if (!rowsFixed) rows = RowsAt<F>(texture, v);
        const std::uint32_t first = source(u);
        u += du;
        v += dv;
        if (!rowsFixed) rows = RowsAt<F>(texture, v);
        const std::uint32_t second = source(u);
        u += du;
        v += dv;
        BlendPairX888<B == SpanBlend::kAdd>(out, first, second);
      }
    }
  }
  // A straight row's texels are read where they lie: the nearest texel and the sample are the same.
  const std::uint8_t* from = straight ? rows.top + (firstTexel + (out - run.destination) / BytesOf<D>()) * BytesOf<T>()
                                      : nullptr;
  for (; out != end; u += du, v += dv, out += BytesOf<D>(), from += straight ? BytesOf<T>() : 0) {
    if (!rowsFixed) rows = RowsAt<F>(texture, v);
    if constexpr (Keyed) {
      const std::uint32_t raw = straight ? LoadPixel<T>(from)
                                         : TexelRaw<T>(texture, ClampIndex(TexelIndex(u), texture.width),
                                                       ClampIndex(TexelIndex(v), texture.height));
      if (raw >= keyLow && raw <= keyHigh) continue;
    }
    const std::uint32_t texel = straight ? Widen<T>(LoadPixel<T>(from)) : SampleRows<T, F>(texture, rows, u);
    std::uint32_t colour = texel & 0x00FFFFFFu;
    if constexpr (Modulated) colour = Modulate(colour, modulate);
    if constexpr (B == SpanBlend::kCopy) {
      const std::uint32_t alpha = Mul255(textureAlpha ? texel >> 24 : 255, alphaScale);
      if (alpha < alphaFloor) continue;
      StorePixel<D>(out, Narrow<D>(colour | alpha << 24));
    } else {
      const std::uint32_t alpha = plainAlpha ? texel >> 24 : Mul255(textureAlpha ? texel >> 24 : 255, alphaScale);
      if (alpha < alphaFloor) continue;
      if (alpha == 0) {
        // The target's colour stays; a 32-bit target's unused byte is written as every blend writes it.
        if constexpr (D == PixelKind::kX888) StorePixel<D>(out, LoadPixel<D>(out) | 0xFF000000u);
        continue;
      }
      if (B == SpanBlend::kAlpha && alpha == 255) {
        StorePixel<D>(out, Narrow<D>(colour | 0xFF000000u));
        continue;
      }
      const std::uint32_t destination = Widen<D>(LoadPixel<D>(out));
      const std::uint32_t blended = B == SpanBlend::kAlpha ? BlendAlphaRgb(colour, destination, alpha)
                                                           : BlendAddRgb(colour, destination, alpha);
      StorePixel<D>(out, Narrow<D>(blended | 0xFF000000u));
    }
  }
}

template <SpanBlend B, SpanFilter F, bool Keyed, bool Modulated, PixelKind T>
SpanFunction SpanForTarget(PixelKind target) {
  switch (target) {
    case PixelKind::kX888: return &RunSpan<B, F, Keyed, Modulated, T, PixelKind::kX888>;
    case PixelKind::k565: return &RunSpan<B, F, Keyed, Modulated, T, PixelKind::k565>;
    default: return nullptr;
  }
}

template <SpanBlend B, SpanFilter F, bool Keyed, bool Modulated>
SpanFunction SpanForTexture(PixelKind texture, PixelKind target) {
  switch (texture) {
    case PixelKind::k565: return SpanForTarget<B, F, Keyed, Modulated, PixelKind::k565>(target);
    case PixelKind::k555: return SpanForTarget<B, F, Keyed, Modulated, PixelKind::k555>(target);
    case PixelKind::k1555: return SpanForTarget<B, F, Keyed, Modulated, PixelKind::k1555>(target);
    case PixelKind::k4444: return SpanForTarget<B, F, Keyed, Modulated, PixelKind::k4444>(target);
    case PixelKind::kX888: return SpanForTarget<B, F, Keyed, Modulated, PixelKind::kX888>(target);
    case PixelKind::k8888: return SpanForTarget<B, F, Keyed, Modulated, PixelKind::k8888>(target);
    default: return nullptr;
  }
}

template <SpanBlend B, SpanFilter F, bool Keyed>
SpanFunction SpanForModulation(const SpanKey& key) {
  return key.modulated ? SpanForTexture<B, F, Keyed, true>(key.texture, key.target)
                       : SpanForTexture<B, F, Keyed, false>(key.texture, key.target);
}

template <SpanBlend B, SpanFilter F>
SpanFunction SpanForKey(const SpanKey& key) {
  return key.keyed ? SpanForModulation<B, F, true>(key) : SpanForModulation<B, F, false>(key);
}

template <SpanBlend B>
SpanFunction SpanForBlend(const SpanKey& key) {
  return key.filter == SpanFilter::kLinear ? SpanForKey<B, SpanFilter::kLinear>(key)
                                           : SpanForKey<B, SpanFilter::kPoint>(key);
}

}  // namespace pf::d3d
