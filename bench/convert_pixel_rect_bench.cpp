// ConvertPixelRect on a 640 x 480 picture: the dedicated loops of the common texture uploads against
// the general per-pixel conversion (reached by mirroring, which the dedicated loops do not do).
// Prints Mpx/s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "media/display/convert_pixel_rect.h"
#include "media/pixels/pixel_format.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

enum Upload { kRgb24To565, kPalette8To565, kRgb24To8888Keyed, kRgb565To555 };

struct Formats {
  PixelFormat source, destination;
  int alphaFromKey;
};

Formats FormatsOf(Upload upload) {
  Formats f{};
  switch (upload) {
    case kRgb24To565:
      zelvo::InitPixelFormatRgb24(&f.source);
      zelvo::SetupPixelFormatFromMasks(&f.destination, 16, 0xF800, 0x07E0, 0x001F, 0);
      break;
    case kPalette8To565:
      zelvo::InitPixelFormatGreyPal8(&f.source);
      zelvo::SetupPixelFormatFromMasks(&f.destination, 16, 0xF800, 0x07E0, 0x001F, 0);
      break;
    case kRgb24To8888Keyed:
      zelvo::InitPixelFormatRgb24(&f.source);
      zelvo::SetupPixelFormatFromMasks(&f.destination, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
      f.alphaFromKey = 1;
      break;
    case kRgb565To555:
      zelvo::SetupPixelFormatFromMasks(&f.source, 16, 0xF800, 0x07E0, 0x001F, 0);
      zelvo::SetupPixelFormatFromMasks(&f.destination, 16, 0x7C00, 0x03E0, 0x001F, 0);
      break;
  }
  return f;
}

void BM_ConvertPixelRect(benchmark::State& state) {
  const Formats f = FormatsOf(static_cast<Upload>(state.range(0)));
  const int mirror = static_cast<int>(state.range(1));
  std::vector<std::uint8_t> source(static_cast<std::size_t>(kWidth) * kHeight * 4);
  std::vector<std::uint8_t> destination(source.size());
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  const zelvo::IntRect rect{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    zelvo::ConvertPixelRect(destination.data(), kWidth * 4, &f.destination, source.data(), kWidth * 4, &f.source,
                            nullptr, 0, nullptr, 0, 0, &rect, mirror, f.alphaFromKey, 0xFF00FF, 0, 0, 0, 0);
    benchmark::DoNotOptimize(destination.data());
  }
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                                               benchmark::Counter::kIsRate);
}

// Second argument: 0 the dedicated loop, 1 the general conversion.
BENCHMARK(BM_ConvertPixelRect)
    ->ArgNames({"upload", "general"})
    ->ArgsProduct({{kRgb24To565, kPalette8To565, kRgb24To8888Keyed, kRgb565To555}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
