// The sound mixer: 32 playing voices (16-bit stereo at 44.1 kHz, one second each, looping) mixed
// into 44.1 kHz 16-bit stereo in device-sized steps of 1024 frames, against SDL_MixAudioFormat
// adding the same voices into the same output. One iteration is one second of audio; the table
// gives both rates, their ratio and the share of one core that a second of audio costs us.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "bench_support.h"
#include "platform/dsound/mixer.h"

#ifdef ZELVO_BENCH_PEERS
#include <SDL.h>
#endif

namespace {

constexpr int kVoices = 32;
constexpr int kRate = 44100;
constexpr int kStep = 1024;

struct Voices {
  std::vector<std::vector<std::int16_t>> samples;
  Voices() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> value(-3000, 3000);
    samples.resize(kVoices);
    for (auto& voice : samples) {
      voice.resize(kRate * 2);
      for (auto& s : voice) s = static_cast<std::int16_t>(value(rng));
    }
  }
};

const Voices& TheVoices() {
  static const Voices voices;
  return voices;
}

void SetAudioRate(benchmark::State& state) {
  state.counters["audio s/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Mix32Voices_Ours(benchmark::State& state) {
  const Voices& source = TheVoices();
  std::vector<pf::dsound::MixVoice> voices(kVoices);
  for (int i = 0; i < kVoices; ++i) {
    pf::dsound::MixVoice& v = voices[static_cast<std::size_t>(i)];
    v.samples = reinterpret_cast<const std::uint8_t*>(source.samples[static_cast<std::size_t>(i)].data());
    v.frameCount = kRate;
    v.channels = 2;
    v.bits = 16;
    v.step = pf::dsound::StepOf(kRate, kRate);
    v.frame = static_cast<std::uint32_t>(i * 1237 % kRate);
    // Half at full volume, half turned down and panned, as a game's effects are.
    pf::dsound::GainsOf(i % 2 == 0 ? 0 : -600, i % 2 == 0 ? 0 : 800, &v.leftGain, &v.rightGain);
    v.looping = true;
    v.playing = true;
  }
  std::vector<std::int32_t> sums(kStep * 2);
  std::vector<std::int16_t> out(kStep * 2);
  for (auto _ : state) {
    for (int done = 0; done < kRate; done += kStep) {
      const int frames = std::min(kStep, kRate - done);
      std::fill(sums.begin(), sums.begin() + 2 * frames, 0);
      for (pf::dsound::MixVoice& v : voices) pf::dsound::AddVoice(&v, sums.data(), frames);
      pf::dsound::SaturateSums(sums.data(), out.data(), frames);
      benchmark::DoNotOptimize(out.data());
    }
  }
  SetAudioRate(state);
}
BENCHMARK(BM_Mix32Voices_Ours)->Unit(benchmark::kMicrosecond);

#ifdef ZELVO_BENCH_PEERS
void BM_Mix32Voices_SdlMixAudioFormat(benchmark::State& state) {
  const Voices& source = TheVoices();
  std::vector<std::uint32_t> positions(kVoices);
  for (int i = 0; i < kVoices; ++i) positions[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i * 1237 % kRate);
  std::vector<std::int16_t> out(kStep * 2);
  for (auto _ : state) {
    for (int done = 0; done < kRate; done += kStep) {
      const int frames = std::min(kStep, kRate - done);
      std::fill(out.begin(), out.begin() + 2 * frames, 0);
      for (int i = 0; i < kVoices; ++i) {
        const std::vector<std::int16_t>& voice = source.samples[static_cast<std::size_t>(i)];
        std::uint32_t& position = positions[static_cast<std::size_t>(i)];
        // Up to the end of the voice, then on from its start.
        int left = frames;
        auto* at = reinterpret_cast<Uint8*>(out.data());
        while (left > 0) {
          const int run = std::min<int>(left, kRate - static_cast<int>(position));
          SDL_MixAudioFormat(at, reinterpret_cast<const Uint8*>(voice.data() + 2 * position), AUDIO_S16SYS,
                             static_cast<Uint32>(run * 4), i % 2 == 0 ? SDL_MIX_MAXVOLUME : 64);
          at += run * 4;
          left -= run;
          position = (position + static_cast<std::uint32_t>(run)) % kRate;
        }
      }
      benchmark::DoNotOptimize(out.data());
    }
  }
  SetAudioRate(state);
}
BENCHMARK(BM_Mix32Voices_SdlMixAudioFormat)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  zelvo_bench::RateCollector table("audio s/s");
  benchmark::RunSpecifiedBenchmarks(&table);
  const auto ours = table.rates.find("BM_Mix32Voices_Ours");
  const auto peer = table.rates.find("BM_Mix32Voices_SdlMixAudioFormat");
  std::printf("\n%-26s %14s %14s %8s %22s\n", "mix 32 voices, 44.1 kHz", "ours audio s/s", "SDL audio s/s", "ratio",
              "ours: core per audio s");
  if (ours != table.rates.end() && ours->second > 0) {
    const double peerRate = peer != table.rates.end() ? peer->second : 0;
    std::printf("%-26s %14.0f %14.0f %7.2fx %21.3f%%\n", "16-bit stereo", ours->second, peerRate,
                peerRate > 0 ? ours->second / peerRate : 0.0, 100.0 / ours->second);
  }
  benchmark::Shutdown();
  return 0;
}
