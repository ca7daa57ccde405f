#pragma once
// The ceiling of this machine for a draw: a plain copy (memcpy) and a saturating add (the widest
// the processor offers) of the same bytes, source into destination, measured in the same run as the
// draws and counted in Mpx/s of the draw's pixels. A draw that reads its destination cannot beat
// the add; a copy cannot beat memcpy.
#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace zelvo_bench {

[[gnu::target("avx2")]] inline void AddSaturatedAvx2(std::uint8_t* d, const std::uint8_t* s, std::size_t n) {
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_adds_epu8(a, b));
  }
  for (; i < n; ++i) d[i] = static_cast<std::uint8_t>(d[i] + s[i] > 255 ? 255 : d[i] + s[i]);
}

inline void AddSaturatedSse2(std::uint8_t* d, const std::uint8_t* s, std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_adds_epu8(a, b));
  }
  for (; i < n; ++i) d[i] = static_cast<std::uint8_t>(d[i] + s[i] > 255 ? 255 : d[i] + s[i]);
}

// Registers "<name>/copy" and "<name>/add" over `pixels` pixels of `bytesPerPixel` bytes.
inline void RegisterCeiling(const std::string& name, double pixels, int bytesPerPixel) {
  const std::size_t bytes = static_cast<std::size_t>(pixels) * static_cast<std::size_t>(bytesPerPixel);
  auto run = [bytes, pixels](benchmark::State& state, bool add) {
    std::vector<std::uint8_t> src(bytes), dst(bytes);
    std::mt19937 rng(1);
    for (std::size_t i = 0; i < bytes; ++i) src[i] = static_cast<std::uint8_t>(rng()), dst[i] = static_cast<std::uint8_t>(rng());
    const bool avx2 = __builtin_cpu_supports("avx2");
    for (auto _ : state) {
      if (!add) std::memcpy(dst.data(), src.data(), bytes);
      else if (avx2) AddSaturatedAvx2(dst.data(), src.data(), bytes);
      else AddSaturatedSse2(dst.data(), src.data(), bytes);
      benchmark::ClobberMemory();
    }
    state.counters["Mpx/s"] = benchmark::Counter(pixels * static_cast<double>(state.iterations()) / 1e6,
                                                 benchmark::Counter::kIsRate);
  };
  benchmark::RegisterBenchmark((name + "/copy").c_str(), [run](benchmark::State& s) { run(s, false); });
  benchmark::RegisterBenchmark((name + "/add").c_str(), [run](benchmark::State& s) { run(s, true); });
}

// Each listed row beside the ceiling registered under `ceiling`: its share of the copy and of the add.
inline void PrintCeilingTable(const char* title, const std::map<std::string, double>& rates, const std::string& ceiling,
                              const std::vector<const char*>& rows) {
  auto copy = rates.find(ceiling + "/copy"), add = rates.find(ceiling + "/add");
  if (copy == rates.end() || add == rates.end() || copy->second <= 0 || add->second <= 0) return;
  std::printf("\n%-44s %10s %8s %8s\n", title, "Mpx/s", "/copy", "/add");
  std::printf("%-44s %10.0f %8.2f %8.2f\n", "ceiling: memcpy", copy->second, 1.0, copy->second / add->second);
  std::printf("%-44s %10.0f %8.2f %8.2f\n", "ceiling: saturating add", add->second, add->second / copy->second, 1.0);
  for (const char* row : rows) {
    auto r = rates.find(row);
    if (r == rates.end()) continue;
    std::printf("%-44s %10.0f %8.2f %8.2f\n", row, r->second, r->second / copy->second, r->second / add->second);
  }
}

}  // namespace zelvo_bench
