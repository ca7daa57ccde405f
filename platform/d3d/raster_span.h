#pragma once
// Specialised spans for the state sets sprites use: one texture stage that selects the texture or
// modulates it by a constant colour, clamped addressing, no depth and no alpha test, written as a
// copy, an alpha blend or an additive blend, with point or bilinear sampling and with or without the
// colour key; an alpha test that passes alphas from a floor up drops the other pixels. One template over that grid; the general path handles everything else.
#include <cstdint>

#include "platform/d3d/raster.h"

namespace pf::d3d {

enum class SpanBlend : std::uint8_t { kCopy, kAlpha, kAdd };
enum class SpanFilter : std::uint8_t { kPoint, kLinear };

struct SpanRun {
  std::uint8_t* destination;      // the span's first pixel
  int count;
  std::uint64_t u, v, du, dv;     // 32.32 texel coordinates at the first pixel, and per pixel
  const Texture* texture;
  std::uint32_t modulate;         // 0x00RRGGBB multiplied into the texel colour
  std::uint32_t alphaScale;       // multiplied into the source alpha
  bool textureAlpha;              // the source alpha starts from the texel (else 255)
  std::uint32_t alphaFloor;       // the alpha test: pixels whose alpha is below it are dropped (0: no test)
  // Spans of one colour (no texture): the colour written, or the source's part of each channel
  // (0xAARRGGBB) added to each target channel times its factor in `solidKeep` (floored, in 1/255).
  std::uint32_t solidSource;
  std::uint32_t solidKeep;
};

using SpanFunction = void (*)(const SpanRun& run);

struct SpanKey {
  SpanBlend blend;
  SpanFilter filter;
  bool keyed;
  bool modulated;
  PixelKind texture;
  PixelKind target;
};

// Whether the processor has AVX2. Asked for every row: inline, so that it costs a load, not a call.
inline bool StraightRowsAvx2Usable() {
  static const bool usable = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return usable;
}

// Texel-for-pixel rows of 32-bit texels onto a 32-bit target, eight pixels a step with AVX2; each
// returns how many pixels it did (whole steps). `opaqueTexels`: the texels have no alpha (255).
// The blend takes the texel alpha times `alphaScale` (floored, in 1/255); the copy drops pixels whose alpha is below
// `alphaFloor` (0: no test, at most 256).
int StraightBlendAvx2(std::uint8_t* out, const std::uint8_t* from, int count, bool add, bool opaqueTexels,
                      std::uint32_t alphaScale);
int StraightCopyAvx2(std::uint8_t* out, const std::uint8_t* from, int count, std::uint32_t alphaFloor,
                     bool opaqueTexels);

// Bilinear samples of 32-bit texels along one pair of texture rows (the vertical weight shared), from
// texel coordinate `u` on by `du`, eight a step with AVX2, the same arithmetic as the SSE2 form; stops
// at the first step with a sample whose two columns are not both inside the `width` texels, and
// returns how many samples it wrote. Their alpha bytes are not meaningful for layouts without alpha.
// With `clearTexels` (the texel alpha is used), a step whose texels are all of alpha 0 is written as
// zero samples, their colour unworked.
int ScaledBilinearAvx2(std::uint32_t* samples, const std::uint8_t* top, const std::uint8_t* bottom,
                       std::uint32_t rowWeight, std::uint64_t u, std::uint64_t du, int count, int width,
                       bool clearTexels);

// The same along any direction: texel coordinates (`u`, `v`) on by (`du`, `dv`) in a texture of 32-bit
// texels whose rows are `pitchTexels` texels apart (the gather's offsets must fit 32 bits).
int RotatedBilinearAvx2(std::uint32_t* samples, const std::uint8_t* pixels, int pitchTexels, int width, int height,
                        std::uint64_t u, std::uint64_t v, std::uint64_t du, std::uint64_t dv, int count,
                        bool clearTexels);

// Spans of one colour: nothing drawn (the alpha test fails the colour), the colour written, the
// target scaled and the source part added, or the source times the target's colour (or its
// complement) added to the target scaled.
enum class SolidBlend : std::uint8_t { kNothing, kFill, kScale, kByTarget, kByInverseTarget };
// Null for targets without such spans.
SpanFunction FindSolidSpan(SolidBlend blend, PixelKind target);

// Null when the grid has no span for the key.
SpanFunction FindSpan(const SpanKey& key);

// Each blend's part of the grid, instantiated in its own file.
SpanFunction FindCopySpan(const SpanKey& key);
SpanFunction FindAlphaSpan(const SpanKey& key);
SpanFunction FindAddSpan(const SpanKey& key);

}  // namespace pf::d3d
