#pragma once
// The span template and its lookup over the grid (filter x colour key x modulation x texture layout
// x target layout) for one blend; each blend's file instantiates its own part.
#include "platform/d3d/raster_pixel.h"
#include "platform/d3d/raster_span.h"

namespace pf::d3d {

template <PixelKind T>
inline std::uint32_t SampleClamped(const Texture& t, std::uint64_t u, std::uint64_t v, SpanFilter filter) {
  if (filter == SpanFilter::kPoint) {
    return Widen<T>(TexelRaw<T>(t, ClampIndex(TexelIndex(u), t.width), ClampIndex(TexelIndex(v), t.height)));
  }
  const Taps tu = LinearTaps(u);
  const Taps tv = LinearTaps(v);
  const int x0 = ClampIndex(tu.index, t.width), x1 = ClampIndex(tu.index + 1, t.width);
  const int y0 = ClampIndex(tv.index, t.height), y1 = ClampIndex(tv.index + 1, t.height);
  const std::uint32_t top = Lerp8888(Widen<T>(TexelRaw<T>(t, x0, y0)), Widen<T>(TexelRaw<T>(t, x1, y0)), tu.weight);
  const std::uint32_t bottom =
      Lerp8888(Widen<T>(TexelRaw<T>(t, x0, y1)), Widen<T>(TexelRaw<T>(t, x1, y1)), tu.weight);
  return Lerp8888(top, bottom, tv.weight);
}

template <SpanBlend B, SpanFilter F, bool Keyed, bool Modulated, PixelKind T, PixelKind D>
void RunSpan(const SpanRun& run) {
  const Texture& texture = *run.texture;
  std::uint8_t* out = run.destination;
  std::uint64_t u = run.u, v = run.v;
  for (int i = 0; i < run.count; ++i, u += run.du, v += run.dv, out += BytesOf<D>()) {
    if constexpr (Keyed) {
      const std::uint32_t raw =
          TexelRaw<T>(texture, ClampIndex(TexelIndex(u), texture.width), ClampIndex(TexelIndex(v), texture.height));
      if (raw >= texture.keyLow && raw <= texture.keyHigh) continue;
    }
    const std::uint32_t texel = SampleClamped<T>(texture, u, v, F);
    std::uint32_t colour = texel & 0x00FFFFFFu;
    if constexpr (Modulated) colour = Modulate(colour, run.modulate);
    if constexpr (B == SpanBlend::kCopy) {
      const std::uint32_t alpha = Mul255(run.textureAlpha ? texel >> 24 : 255, run.alphaScale);
      StorePixel<D>(out, Narrow<D>(colour | alpha << 24));
    } else {
      const std::uint32_t alpha = Mul255(run.textureAlpha ? texel >> 24 : 255, run.alphaScale);
      if (alpha == 0) continue;
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

template <SpanBlend B, SpanFilter F, bool K, bool M, PixelKind T>
SpanFunction SpanForTarget(PixelKind target) {
  switch (target) {
    case PixelKind::kX888: return &RunSpan<B, F, K, M, T, PixelKind::kX888>;
    case PixelKind::k565: return &RunSpan<B, F, K, M, T, PixelKind::k565>;
    default: return nullptr;
  }
}

template <SpanBlend B, SpanFilter F, bool K, bool M>
SpanFunction SpanForTexture(PixelKind texture, PixelKind target) {
  switch (texture) {
    case PixelKind::k565: return SpanForTarget<B, F, K, M, PixelKind::k565>(target);
    case PixelKind::k555: return SpanForTarget<B, F, K, M, PixelKind::k555>(target);
    case PixelKind::k1555: return SpanForTarget<B, F, K, M, PixelKind::k1555>(target);
    case PixelKind::k4444: return SpanForTarget<B, F, K, M, PixelKind::k4444>(target);
    case PixelKind::kX888: return SpanForTarget<B, F, K, M, PixelKind::kX888>(target);
    case PixelKind::k8888: return SpanForTarget<B, F, K, M, PixelKind::k8888>(target);
    default: return nullptr;
  }
}

template <SpanBlend B, SpanFilter F, bool K>
SpanFunction SpanForModulation(const SpanKey& key) {
  return key.modulated ? SpanForTexture<B, F, K, true>(key.texture, key.target)
                       : SpanForTexture<B, F, K, false>(key.texture, key.target);
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
