// Sound decoding: IMA and MS ADPCM WAVE decoded whole by our sound source against libsndfile on the
// same files, in samples per second; and the whole-file load of a 3-minute Ogg Vorbis file (file
// layer, source, whole decode) against libvorbisfile alone reading the same file. The fixtures are
// written by libsndfile. Both sides of an ADPCM row read the file from the same bytes in memory and
// decode into a block allocated (and not cleared) for that decode, and their samples are compared
// before the timing. A table of ours / peer follows the runs.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "media/core/log.h"
#include "media/sound_input/sound_decode.h"
#include "media/sound_input/sound_source.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The file's bytes for libsndfile's callbacks: read in place, grown only by the writer.
struct MemoryFile {
  Bytes* bytes;
  sf_count_t position = 0;
};

sf_count_t Length(void* d) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(d)->bytes->size()); }
sf_count_t Seek(sf_count_t offset, int whence, void* d) {
  auto* f = static_cast<MemoryFile*>(d);
  f->position = whence == SEEK_SET ? offset : whence == SEEK_CUR ? f->position + offset : Length(d) + offset;
  return f->position;
}
sf_count_t Read(void* buffer, sf_count_t count, void* d) {
  auto* f = static_cast<MemoryFile*>(d);
  const sf_count_t n = std::max<sf_count_t>(0, std::min(count, Length(d) - f->position));
  std::memcpy(buffer, f->bytes->data() + f->position, static_cast<std::size_t>(n));
  f->position += n;
  return n;
}
sf_count_t Write(const void* data, sf_count_t count, void* d) {
  auto* f = static_cast<MemoryFile*>(d);
  if (f->bytes->size() < static_cast<std::size_t>(f->position + count)) f->bytes->resize(f->position + count);
  std::memcpy(f->bytes->data() + f->position, data, static_cast<std::size_t>(count));
  f->position += count;
  return count;
}
sf_count_t Tell(void* d) { return static_cast<MemoryFile*>(d)->position; }
SF_VIRTUAL_IO g_io = {Length, Seek, Read, Write, Tell};

constexpr int kRate = 44100;
constexpr int kChannels = 2;

std::vector<short> Music(int seconds) {
  std::vector<short> pcm(static_cast<std::size_t>(seconds) * kRate * kChannels);
  std::uint32_t seed = 7;
  for (std::size_t i = 0; i < pcm.size() / kChannels; ++i) {
    for (int c = 0; c < kChannels; ++c) {
      seed = seed * 1103515245u + 12345u;
      const double v = 9000 * std::sin(i * (0.031 + 0.007 * c)) + 5000 * std::sin(i * 0.0021) + (seed >> 20) % 600;
      pcm[i * kChannels + c] = static_cast<short>(v);
    }
  }
  return pcm;
}

Bytes Encode(int format, int seconds) {
  Bytes bytes;
  MemoryFile file{&bytes};
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = kChannels;
  info.format = format;
  SNDFILE* out = sf_open_virtual(&g_io, SFM_WRITE, &info, &file);
  if (out == nullptr) return {};
  const std::vector<short> pcm = Music(seconds);
  // In pieces: libsndfile's Vorbis writer fails on one very large write.
  const std::size_t frames = pcm.size() / kChannels;
  for (std::size_t done = 0; done < frames; done += 4096) {
    sf_writef_short(out, pcm.data() + done * kChannels, static_cast<sf_count_t>(std::min<std::size_t>(4096, frames - done)));
  }
  sf_close(out);
  return bytes;
}

const Bytes& ImaFile() {
  static const Bytes file = Encode(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 20);
  return file;
}
const Bytes& MsFile() {
  static const Bytes file = Encode(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 20);
  return file;
}

const std::string& OggPath() {
  static const std::string path = [] {
    const std::string p = "/tmp/zelvo_bench_3min.ogg";
    const Bytes bytes = Encode(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 180);
    FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return p;
  }();
  return path;
}

void SetSampleRate(benchmark::State& state, std::int64_t samplesPerIteration) {
  state.counters["Msamples/s"] = benchmark::Counter(
      static_cast<double>(samplesPerIteration) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate);
}

// One decode by our sound source: the samples in a block of the library's allocator, which the
// caller frees.
std::int16_t* DecodeWithOurs(const Bytes& file, std::int64_t* samples) {
  pf::WaveFormatEx format;
  void* pcm = nullptr;
  std::int32_t size = 0;
  if (zelvo::DecodeSoundImage(file.data(), static_cast<std::int32_t>(file.size()), &format, &pcm, &size) != 0) {
    return nullptr;
  }
  *samples = size / 2;
  return static_cast<std::int16_t*>(pcm);
}

// One decode by libsndfile, into a block allocated for it as ours is, and as ours left unfilled
// until the samples are written.
struct PeerSamples {
  std::unique_ptr<short[]> samples;
  std::size_t count = 0;
  std::size_t size() const { return count; }
  const short* data() const { return samples.get(); }
};

PeerSamples DecodeWithLibsndfile(const Bytes& bytes, bool* opened) {
  MemoryFile file{const_cast<Bytes*>(&bytes), 0};
  SF_INFO info{};
  SNDFILE* in = sf_open_virtual(&g_io, SFM_READ, &info, &file);
  *opened = in != nullptr;
  if (in == nullptr) return {};
  PeerSamples pcm;
  pcm.samples.reset(new short[static_cast<std::size_t>(info.frames) * info.channels]);
  pcm.count = static_cast<std::size_t>(sf_readf_short(in, pcm.samples.get(), info.frames) * info.channels);
  sf_close(in);
  return pcm;
}

// Both decoders must give the same samples before either is timed; each file is compared once.
bool CompareSamples(const Bytes& file) {
  std::int64_t count = 0;
  std::int16_t* ours = DecodeWithOurs(file, &count);
  bool opened = false;
  const PeerSamples peer = DecodeWithLibsndfile(file, &opened);
  const bool same = ours != nullptr && opened && static_cast<std::size_t>(count) == peer.size() &&
                    std::memcmp(ours, peer.data(), peer.size() * sizeof(short)) == 0;
  if (ours != nullptr) zelvo::TrackedFree(ours);
  return same;
}

bool SameSamples(const Bytes& file) {
  static std::map<const Bytes*, bool> compared;
  const auto it = compared.find(&file);
  return it != compared.end() ? it->second : (compared[&file] = CompareSamples(file));
}

void DecodeOurs(benchmark::State& state, const Bytes& file) {
  if (!SameSamples(file)) {
    state.SkipWithError("ours and libsndfile decode different samples");
    return;
  }
  std::int64_t samples = 0;
  for (auto _ : state) {
    std::int16_t* pcm = DecodeWithOurs(file, &samples);
    if (pcm == nullptr) {
      state.SkipWithError("decode failed");
      return;
    }
    benchmark::DoNotOptimize(pcm);
    zelvo::TrackedFree(pcm);
  }
  SetSampleRate(state, samples);
}

void DecodeLibsndfile(benchmark::State& state, const Bytes& bytes) {
  if (!SameSamples(bytes)) {
    state.SkipWithError("ours and libsndfile decode different samples");
    return;
  }
  std::int64_t samples = 0;
  for (auto _ : state) {
    bool opened = false;
    const PeerSamples pcm = DecodeWithLibsndfile(bytes, &opened);
    if (!opened) {
      state.SkipWithError("libsndfile refused the file");
      return;
    }
    benchmark::DoNotOptimize(pcm.data());
    samples = static_cast<std::int64_t>(pcm.size());
  }
  SetSampleRate(state, samples);
}

void BM_ImaAdpcm_Ours(benchmark::State& state) { DecodeOurs(state, ImaFile()); }
void BM_ImaAdpcm_Libsndfile(benchmark::State& state) { DecodeLibsndfile(state, ImaFile()); }
void BM_MsAdpcm_Ours(benchmark::State& state) { DecodeOurs(state, MsFile()); }
void BM_MsAdpcm_Libsndfile(benchmark::State& state) { DecodeLibsndfile(state, MsFile()); }

// Ours: the file through the file layer, the source, the whole decode. The samples in a block of
// the library's allocator, which the caller frees.
std::int16_t* LoadOggWithOurs(std::int64_t* samples) {
  const std::string path = "Z:" + OggPath();
  void* image = nullptr;
  std::int32_t imageSize = 0;
  pf::WaveFormatEx format;
  void* pcm = nullptr;
  std::int32_t size = 0;
  if (zelvo::LoadWholeFile(path.c_str(), &image, &imageSize) != 0) return nullptr;
  const int decoded = zelvo::DecodeSoundImage(image, imageSize, &format, &pcm, &size);
  zelvo::TrackedFree(image);
  if (decoded != 0) return nullptr;
  *samples = size / 2;
  return static_cast<std::int16_t*>(pcm);
}

// The peer: libvorbisfile alone, reading the file into one block.
std::vector<char> LoadOggWithLibvorbisfile(bool* opened) {
  OggVorbis_File vf;
  *opened = ov_fopen(OggPath().c_str(), &vf) == 0;
  if (!*opened) return {};
  const std::int64_t bytes = ov_pcm_total(&vf, -1) * ov_info(&vf, -1)->channels * 2;
  std::vector<char> pcm(static_cast<std::size_t>(bytes));
  std::int64_t got = 0;
  int link = 0;
  long n;
  while (got < bytes && (n = ov_read(&vf, pcm.data() + got, static_cast<int>(std::min<std::int64_t>(4096, bytes - got)),
                                     0, 2, 1, &link)) > 0) {
    got += n;
  }
  ov_clear(&vf);
  pcm.resize(static_cast<std::size_t>(got));
  return pcm;
}

bool CompareOggSamples() {
  std::int64_t count = 0;
  std::int16_t* ours = LoadOggWithOurs(&count);
  bool opened = false;
  const std::vector<char> peer = LoadOggWithLibvorbisfile(&opened);
  const bool same = ours != nullptr && opened && static_cast<std::size_t>(count) * 2 == peer.size() &&
                    std::memcmp(ours, peer.data(), peer.size()) == 0;
  if (ours != nullptr) zelvo::TrackedFree(ours);
  return same;
}

bool SameOggSamples() {
  static const bool same = CompareOggSamples();
  return same;
}

void BM_Ogg3MinuteLoad_Ours(benchmark::State& state) {
  if (!SameOggSamples()) {
    state.SkipWithError("ours and libvorbisfile decode different samples");
    return;
  }
  std::int64_t samples = 0;
  for (auto _ : state) {
    std::int16_t* pcm = LoadOggWithOurs(&samples);
    if (pcm == nullptr) {
      state.SkipWithError("load failed");
      return;
    }
    benchmark::DoNotOptimize(pcm);
    zelvo::TrackedFree(pcm);
  }
  SetSampleRate(state, samples);
}

void BM_Ogg3MinuteLoad_Libvorbisfile(benchmark::State& state) {
  if (!SameOggSamples()) {
    state.SkipWithError("ours and libvorbisfile decode different samples");
    return;
  }
  std::int64_t samples = 0;
  for (auto _ : state) {
    bool opened = false;
    const std::vector<char> pcm = LoadOggWithLibvorbisfile(&opened);
    if (!opened) {
      state.SkipWithError("libvorbisfile refused the file");
      return;
    }
    benchmark::DoNotOptimize(pcm.data());
    samples = static_cast<std::int64_t>(pcm.size() / 2);
  }
  SetSampleRate(state, samples);
}

BENCHMARK(BM_ImaAdpcm_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImaAdpcm_Libsndfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsAdpcm_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsAdpcm_Libsndfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ogg3MinuteLoad_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ogg3MinuteLoad_Libvorbisfile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  zelvo_bench::RateCollector table("Msamples/s");
  benchmark::RunSpecifiedBenchmarks(&table);
  std::printf("\n%-22s %14s %14s %8s\n", "decode", "ours Ms/s", "peer Ms/s", "ratio");
  const char* pairs[][3] = {{"IMA ADPCM", "BM_ImaAdpcm_Ours", "BM_ImaAdpcm_Libsndfile"},
                            {"MS ADPCM", "BM_MsAdpcm_Ours", "BM_MsAdpcm_Libsndfile"},
                            {"Ogg 3 min whole load", "BM_Ogg3MinuteLoad_Ours", "BM_Ogg3MinuteLoad_Libvorbisfile"}};
  for (const auto& p : pairs) {
    if (!table.rates.count(p[1]) || !table.rates.count(p[2])) continue;
    const double ours = table.rates[p[1]], peer = table.rates[p[2]];
    std::printf("%-22s %14.1f %14.1f %7.2fx\n", p[0], ours, peer, ours / peer);
  }
  benchmark::Shutdown();
  return 0;
}
