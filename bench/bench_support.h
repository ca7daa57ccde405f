#pragma once
// What every benchmark program shares: random pictures, the Mpx/s counter, a reporter that keeps
// each run's rate, and the ours / peer ratio table printed after the runs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "media/pixels/memimg.h"

#ifdef ZELVO_BENCH_PEERS
#include <SDL.h>
#endif

namespace zelvo_bench {

// A MEMIMG filled with seeded random bytes, so every contender draws the same input.
struct Picture {
  zelvo::MEMIMG m;
  Picture(int w, int h, int type, int alpha, std::uint32_t seed) {
    std::memset(&m, 0, sizeof m);
    zelvo::InitMemImg(&m, w, h, -1, 0, type, 0, alpha, 0);
    // Four bytes a draw of the generator: making the pictures is not what a run measures.
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
      std::uint8_t* p = m.pixels + y * m.pitch;
      for (int x = 0; x < m.pitch; x += 4) {
        const std::uint32_t word = rng();
        std::memcpy(p + x, &word, static_cast<std::size_t>(m.pitch - x < 4 ? m.pitch - x : 4));
      }
    }
  }
  ~Picture() { zelvo::FreeMemImg(&m); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
};

inline void SetMpxRate(benchmark::State& state, double pixelsPerIteration) {
  state.counters["Mpx/s"] = benchmark::Counter(pixelsPerIteration * static_cast<double>(state.iterations()) / 1e6,
                                               benchmark::Counter::kIsRate);
}

// Keeps every run's rate (Mpx/s unless told another counter); with repetitions the median stands
// for the benchmark.
class RateCollector : public benchmark::ConsoleReporter {
 public:
  explicit RateCollector(const char* counter = "Mpx/s") : counter_(counter) {}
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find(counter_);
      if (it == r.counters.end()) continue;
      if (r.run_type == Run::RT_Aggregate) {
        if (r.aggregate_name == "median") rates[r.run_name.str()] = it->second.value;
      } else if (!rates.count(r.benchmark_name())) {
        rates[r.benchmark_name()] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  std::string counter_;
};

struct RatioPair {
  const char* what;
  const char* ours;
  const char* peer;
};

inline void PrintRatioTable(const char* title, const char* peerHeader, const std::map<std::string, double>& rates,
                            const std::vector<RatioPair>& pairs) {
  std::printf("\n%-36s %12s %12s %8s\n", title, "ours Mpx/s", peerHeader, "ratio");
  for (const RatioPair& p : pairs) {
    auto a = rates.find(p.ours), b = rates.find(p.peer);
    if (a == rates.end() || b == rates.end() || b->second <= 0) continue;
    std::printf("%-36s %12.0f %12.0f %8.2f\n", p.what, a->second, b->second, a->second / b->second);
  }
}

// Runs the benchmarks selected on the command line, then prints the program's ratio table.
template <class PrintRatios>
int RunBenchmarks(int argc, char** argv, PrintRatios printRatios) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RateCollector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printRatios(reporter.rates);
  benchmark::Shutdown();
  return 0;
}

#ifdef ZELVO_BENCH_PEERS
// An SDL2 surface over a picture's bytes: ARGB when the picture's alpha counts, else XRGB.
inline SDL_Surface* SdlSurface(Picture& p, bool alpha) {
  return SDL_CreateRGBSurfaceWithFormatFrom(p.m.pixels, p.m.width, p.m.height, 32, p.m.pitch,
                                            alpha ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_RGB888);
}
#endif

// A 24-bit bottom-up BMP of `pixel(x, y)` as 0xRRGGBB.
template <typename Pixel>
void WriteBmp(const std::string& path, int width, int height, Pixel pixel) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<unsigned char> bytes(54 + static_cast<std::size_t>(stride) * height, 0);
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  for (int y = 0; y < height; ++y) {
    unsigned char* row = &bytes[54 + static_cast<std::size_t>(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = pixel(x, y);
      row[x * 3] = static_cast<unsigned char>(c);
      row[x * 3 + 1] = static_cast<unsigned char>(c >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(c >> 16);
    }
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace zelvo_bench
