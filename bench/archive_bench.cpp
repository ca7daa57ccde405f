// Archive block decompression (ours) against zlib's inflate on the same bytes, in MB/s of output.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "media/core/archive.h"

namespace {

constexpr std::uint8_t kEscape = 0xFF;

// Text-like data: short literal runs between matches of varied length and distance. The block is
// built token by token (no escape byte occurs in the data).
struct Sample {
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> block;
};

void PutMatch(std::vector<std::uint8_t>& tokens, std::size_t length, std::size_t distance) {
  std::size_t extra = length - 4;
  unsigned kind = distance - 1 < 0x100 ? 0 : 1;
  unsigned m = static_cast<unsigned>((extra & 31) << 3 | (extra > 31 ? 4 : 0) | kind);
  tokens.push_back(kEscape);
  tokens.push_back(static_cast<std::uint8_t>(m));   // m < 0xFF: stored as is
  if (extra > 31) tokens.push_back(static_cast<std::uint8_t>(extra >> 5));
  tokens.push_back(static_cast<std::uint8_t>(distance - 1));
  if (kind == 1) tokens.push_back(static_cast<std::uint8_t>((distance - 1) >> 8));
}

Sample MakeSample(std::size_t size) {
  Sample s;
  std::vector<std::uint8_t> tokens;
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
  while (s.data.size() < size) {
    for (unsigned n = 3 + next() % 12; n > 0; --n) {
      std::uint8_t b = static_cast<std::uint8_t>('a' + next() % 26);
      s.data.push_back(b);
      tokens.push_back(b);
    }
    std::size_t distance = 1 + next() % (s.data.size() < 4000 ? s.data.size() : 4000);
    std::size_t length = 4 + next() % 60;
    PutMatch(tokens, length, distance);
    for (std::size_t i = 0; i < length; ++i) s.data.push_back(s.data[s.data.size() - distance]);
  }
  std::uint32_t outSize = static_cast<std::uint32_t>(s.data.size());
  std::uint32_t total = static_cast<std::uint32_t>(tokens.size() + 9);
  for (int i = 0; i < 4; ++i) {
    s.block.push_back(static_cast<std::uint8_t>(outSize >> (8 * i)));
  }
  for (int i = 0; i < 4; ++i) {
    s.block.push_back(static_cast<std::uint8_t>(total >> (8 * i)));
  }
  s.block.push_back(kEscape);
  s.block.insert(s.block.end(), tokens.begin(), tokens.end());
  return s;
}

const Sample& SharedSample() {
  static const Sample sample = MakeSample(1 << 20);
  return sample;
}

void BM_ArchiveDecompress(benchmark::State& state) {
  const Sample& s = SharedSample();
  std::vector<std::uint8_t> out(s.data.size());
  zelvo::DecompressArchiveBlock(s.block.data(), s.block.size(), out.data(), out.size());
  if (out != s.data) state.SkipWithError("wrong output");
  for (auto _ : state) {
    benchmark::DoNotOptimize(zelvo::DecompressArchiveBlock(s.block.data(), s.block.size(), out.data(), out.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.data.size()));
  state.counters["ratio"] = static_cast<double>(s.block.size()) / static_cast<double>(s.data.size());
}
BENCHMARK(BM_ArchiveDecompress);

void BM_ZlibInflatePeer(benchmark::State& state) {
  const Sample& s = SharedSample();
  uLongf packedSize = compressBound(static_cast<uLong>(s.data.size()));
  std::vector<std::uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, s.data.data(), static_cast<uLong>(s.data.size()), 6);
  std::vector<std::uint8_t> out(s.data.size());
  for (auto _ : state) {
    uLongf outSize = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &outSize, packed.data(), packedSize) != Z_OK) state.SkipWithError("inflate failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.data.size()));
  state.counters["ratio"] = static_cast<double>(packedSize) / static_cast<double>(s.data.size());
}
BENCHMARK(BM_ZlibInflatePeer);

}  // namespace

BENCHMARK_MAIN();
