// Spans of one colour: untextured shapes, fills and full-screen fades. The colour is the texture
// stages' result, worked out once per triangle; a blend whose factors read only the source turns
// into a constant part per channel plus the target's channel times a constant factor, each product
// floored as the general path floors it, the sum saturated. A source factor of the target's colour
// (or its complement) with such a destination factor is worked out per pixel the same way.
#include <immintrin.h>

#include "platform/d3d/raster_pixel.h"
#include "platform/d3d/raster_span.h"

namespace pf::d3d {
namespace {

// The four channels of `argb` in the sixteen-bit lanes of two pixels (blue lowest).
__m128i Lanes(std::uint32_t argb) {
  return _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(argb)), _mm_setzero_si128());
}

// target * keep / 255 floored, plus the source part, saturated: four 32-bit pixels.
[[gnu::always_inline]] inline __m128i ScaleQuad(__m128i pixels, __m128i keep, __m128i source) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_add_epi16(Floor255(_mm_mullo_epi16(_mm_unpacklo_epi8(pixels, zero), keep)), source);
  const __m128i high = _mm_add_epi16(Floor255(_mm_mullo_epi16(_mm_unpackhi_epi8(pixels, zero), keep)), source);
  return _mm_packus_epi16(low, high);
}

#define ZELVO_D3D_AVX2 __attribute__((target("avx2")))

ZELVO_D3D_AVX2 inline __m256i Floor255Wide(__m256i x) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(0x8081))), 7);
}

// The eight-pixel steps of a scaled row; returns the pixels done.
ZELVO_D3D_AVX2 int ScaleRowAvx2(std::uint8_t* out, int count, std::uint32_t keepArgb, std::uint32_t sourceArgb) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i keep = _mm256_broadcastsi128_si256(Lanes(keepArgb));
  const __m256i source = _mm256_broadcastsi128_si256(Lanes(sourceArgb));
  int done = 0;
  for (; done + 8 <= count; done += 8, out += 32) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    const __m256i low =
        _mm256_add_epi16(Floor255Wide(_mm256_mullo_epi16(_mm256_unpacklo_epi8(pixels, zero), keep)), source);
    const __m256i high =
        _mm256_add_epi16(Floor255Wide(_mm256_mullo_epi16(_mm256_unpackhi_epi8(pixels, zero), keep)), source);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_packus_epi16(low, high));
  }
  return done;
}

ZELVO_D3D_AVX2 int FillRowAvx2(std::uint8_t* out, int count, std::uint32_t raw) {
  const __m256i value = _mm256_set1_epi32(static_cast<int>(raw));
  int done = 0;
  for (; done + 8 <= count; done += 8, out += 32) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), value);
  return done;
}

// One channel of a scaled pixel, as the general path works it out.
[[gnu::always_inline]] inline std::uint32_t ScaleChannel(std::uint32_t target, std::uint32_t keep, std::uint32_t source,
                                                         int shift) {
  const std::uint32_t v = Mul255(Channel(target, shift), Channel(keep, shift)) + Channel(source, shift);
  return (v > 255 ? 255 : v) << shift;
}

template <PixelKind D>
void FillSpan(const SpanRun& run) {
  const std::uint32_t raw = Narrow<D>(run.solidSource);
  std::uint8_t* out = run.destination;
  int count = run.count;
  if constexpr (BytesOf<D>() == 4) {
    if (StraightRowsAvx2Usable()) {
      const int done = FillRowAvx2(out, count, raw);
      out += done * 4;
      count -= done;
    }
  }
  for (int i = 0; i < count; ++i, out += BytesOf<D>()) StorePixel<D>(out, raw);
}

template <PixelKind D>
void ScaleSpan(const SpanRun& run) {
  // An X888 target's unused byte comes out 0xFF: a saturated source part gives it.
  const std::uint32_t keepArgb = run.solidKeep;
  const std::uint32_t sourceArgb = D == PixelKind::kX888 ? run.solidSource | 0xFF000000u : run.solidSource;
  std::uint8_t* out = run.destination;
  int count = run.count;
  if constexpr (BytesOf<D>() == 4) {
    if (StraightRowsAvx2Usable()) {
      const int done = ScaleRowAvx2(out, count, keepArgb, sourceArgb);
      out += done * 4;
      count -= done;
    }
    const __m128i keep = Lanes(keepArgb), source = Lanes(sourceArgb);
    for (; count >= 4; count -= 4, out += 16) {
      const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), ScaleQuad(pixels, keep, source));
    }
  }
  for (int i = 0; i < count; ++i, out += BytesOf<D>()) {
    const std::uint32_t target = Widen<D>(LoadPixel<D>(out));
    const std::uint32_t blended = ScaleChannel(target, keepArgb, sourceArgb, 0) |
                                  ScaleChannel(target, keepArgb, sourceArgb, 8) |
                                  ScaleChannel(target, keepArgb, sourceArgb, 16) |
                                  ScaleChannel(target, keepArgb, sourceArgb, 24);
    StorePixel<D>(out, Narrow<D>(blended));
  }
}

// Each channel of the target, or its complement, times the source's channel, plus the target times
// the keep factor, each product floored, the sum saturated (an inverting fill: white times the
// complement, nothing kept).
template <bool Inverse>
[[gnu::always_inline]] inline __m128i ByTargetLanes(__m128i target, __m128i source, __m128i keep) {
  const __m128i factor = Inverse ? _mm_sub_epi16(_mm_set1_epi16(255), target) : target;
  return _mm_add_epi16(Floor255(_mm_mullo_epi16(source, factor)), Floor255(_mm_mullo_epi16(target, keep)));
}

template <bool Inverse>
ZELVO_D3D_AVX2 inline __m256i ByTargetLanesWide(__m256i target, __m256i source, __m256i keep) {
  const __m256i factor = Inverse ? _mm256_sub_epi16(_mm256_set1_epi16(255), target) : target;
  return _mm256_add_epi16(Floor255Wide(_mm256_mullo_epi16(source, factor)), Floor255Wide(_mm256_mullo_epi16(target, keep)));
}

template <bool Inverse>
ZELVO_D3D_AVX2 int ByTargetRowAvx2(std::uint8_t* out, int count, std::uint32_t sourceArgb, std::uint32_t keepArgb,
                                   std::uint32_t forced) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i source = _mm256_broadcastsi128_si256(Lanes(sourceArgb));
  const __m256i keep = _mm256_broadcastsi128_si256(Lanes(keepArgb));
  const __m256i set = _mm256_set1_epi32(static_cast<int>(forced));
  int done = 0;
  for (; done + 8 <= count; done += 8, out += 32) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    const __m256i packed = _mm256_packus_epi16(ByTargetLanesWide<Inverse>(_mm256_unpacklo_epi8(pixels, zero), source, keep),
                                               ByTargetLanesWide<Inverse>(_mm256_unpackhi_epi8(pixels, zero), source, keep));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(packed, set));
  }
  return done;
}

template <PixelKind D, bool Inverse>
void ByTargetSpan(const SpanRun& run) {
  const std::uint32_t sourceArgb = run.solidSource, keepArgb = run.solidKeep;
  std::uint8_t* out = run.destination;
  int count = run.count;
  if constexpr (BytesOf<D>() == 4) {
    // An X888 target's unused byte is written as 0xFF.
    const std::uint32_t forced = D == PixelKind::kX888 ? 0xFF000000u : 0;
    if (StraightRowsAvx2Usable()) {
      const int done = ByTargetRowAvx2<Inverse>(out, count, sourceArgb, keepArgb, forced);
      out += done * 4;
      count -= done;
    }
    const __m128i zero = _mm_setzero_si128(), source = Lanes(sourceArgb), keep = Lanes(keepArgb);
    const __m128i set = _mm_set1_epi32(static_cast<int>(forced));
    for (; count >= 4; count -= 4, out += 16) {
      const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
      const __m128i packed = _mm_packus_epi16(ByTargetLanes<Inverse>(_mm_unpacklo_epi8(pixels, zero), source, keep),
                                              ByTargetLanes<Inverse>(_mm_unpackhi_epi8(pixels, zero), source, keep));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(packed, set));
    }
  }
  for (int i = 0; i < count; ++i, out += BytesOf<D>()) {
    const std::uint32_t target = Widen<D>(LoadPixel<D>(out));
    std::uint32_t blended = 0;
    for (int shift = 0; shift <= 24; shift += 8) {
      const std::uint32_t t = Channel(target, shift);
      const std::uint32_t v = Mul255(Channel(sourceArgb, shift), Inverse ? 255 - t : t) +
                              Mul255(t, Channel(keepArgb, shift));
      blended |= (v > 255 ? 255 : v) << shift;
    }
    StorePixel<D>(out, Narrow<D>(blended));
  }
}

void SkipSpan(const SpanRun&) {}

template <PixelKind D>
SpanFunction SolidSpanFor(SolidBlend blend) {
  switch (blend) {
    case SolidBlend::kFill: return &FillSpan<D>;
    case SolidBlend::kScale: return &ScaleSpan<D>;
    case SolidBlend::kByTarget: return &ByTargetSpan<D, false>;
    case SolidBlend::kByInverseTarget: return &ByTargetSpan<D, true>;
    default: return &SkipSpan;
  }
}

}  // namespace

SpanFunction FindSolidSpan(SolidBlend blend, PixelKind target) {
  if (blend == SolidBlend::kNothing) return &SkipSpan;
  switch (target) {
    case PixelKind::kX888: return SolidSpanFor<PixelKind::kX888>(blend);
    case PixelKind::k8888: return SolidSpanFor<PixelKind::k8888>(blend);
    case PixelKind::k565: return SolidSpanFor<PixelKind::k565>(blend);
    default: return nullptr;
  }
}

}  // namespace pf::d3d
