#pragma once
// What every benchmark program shares: random pictures, the Mpx/s counter, a reporter that keeps
// each run's rate, and the ours / peer ratio table printed after the runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "media/pixels/memimg.h"
#include "media/software/blend_state.h"

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

// Draws once on the scalar reference path and once on the path being timed, both from the same
// destination; false, with the run skipped, when the two differ anywhere. The destination is left
// as the timed path drew it.
template <class Draw>
bool MatchesScalarReference(benchmark::State& state, Picture& dst, Draw draw) {
  const std::size_t bytes = static_cast<std::size_t>(dst.m.pitch) * dst.m.height;
  const std::vector<std::uint8_t> before(dst.m.pixels, dst.m.pixels + bytes);
  zelvo::ForceSoftReferencePath(1);
  draw();
  const std::vector<std::uint8_t> reference(dst.m.pixels, dst.m.pixels + bytes);
  std::memcpy(dst.m.pixels, before.data(), bytes);
  zelvo::ForceSoftReferencePath(0);
  draw();
  if (std::memcmp(reference.data(), dst.m.pixels, bytes) == 0) return true;
  state.SkipWithError("the timed path draws other pixels than the scalar reference");
  return false;
}

// How far two 32-bit pictures of the same size are apart in their colour channels (the fourth
// byte, which not every peer keeps, left out): the largest difference of one channel, and the share
// of channel values further apart than `bound`.
struct ChannelDifference {
  int largest = 0;
  double offShare = 0.0;
};

inline ChannelDifference CompareChannels(const std::uint8_t* a, int aPitch, const std::uint8_t* b, int bPitch,
                                         int width, int height, int bound) {
  ChannelDifference d;
  std::size_t off = 0;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = a + static_cast<std::ptrdiff_t>(y) * aPitch;
    const std::uint8_t* q = b + static_cast<std::ptrdiff_t>(y) * bPitch;
    for (int x = 0; x < width * 4; ++x) {
      if (x % 4 == 3) continue;
      const int difference = std::abs(p[x] - q[x]);
      d.largest = std::max(d.largest, difference);
      off += difference > bound ? 1 : 0;
    }
  }
  d.offShare = static_cast<double>(off) / (3.0 * width * height);
  return d;
}

// The same for a peer that may sample a neighbouring texel (its texture coordinates step coarser
// than ours): a pixel of `b` agrees when one of the nine pixels of `a` around it is within `bound`
// in all three channels. `largest` is the largest such nearest difference; the share counts pixels.
// Compare draws onto a destination of one colour, so that a neighbour's blend means the same.
inline ChannelDifference CompareChannelsNearby(const std::uint8_t* a, int aPitch, const std::uint8_t* b, int bPitch,
                                               int width, int height, int bound) {
  ChannelDifference d;
  std::size_t off = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* q = b + static_cast<std::ptrdiff_t>(y) * bPitch + x * 4;
      int nearest = 255;
      for (int ny = std::max(0, y - 1); ny <= std::min(height - 1, y + 1); ++ny) {
        for (int nx = std::max(0, x - 1); nx <= std::min(width - 1, x + 1); ++nx) {
          const std::uint8_t* p = a + static_cast<std::ptrdiff_t>(ny) * aPitch + nx * 4;
          const int difference = std::max({std::abs(p[0] - q[0]), std::abs(p[1] - q[1]), std::abs(p[2] - q[2])});
          nearest = std::min(nearest, difference);
        }
      }
      d.largest = std::max(d.largest, nearest);
      off += nearest > bound ? 1 : 0;
    }
  }
  d.offShare = static_cast<double>(off) / (static_cast<double>(width) * height);
  return d;
}

// False, with the run skipped, when more than `offShare` of the channel values differ by more than
// `bound`. The "max diff" and "off %" counters show how far apart the two were.
inline bool ChannelsAgree(benchmark::State& state, const ChannelDifference& d, int bound, double offShare) {
  state.counters["max diff"] = d.largest;
  state.counters["off %"] = 100.0 * d.offShare;
  if (d.offShare <= offShare) return true;
  char why[128];
  std::snprintf(why, sizeof why, "ours and the peer differ: %.3f%% of the values by more than %d (%.3f%% allowed)",
                100.0 * d.offShare, bound, 100.0 * offShare);
  state.SkipWithError(why);
  return false;
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
