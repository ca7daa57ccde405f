// The sound mixer: 32 playing voices (16-bit stereo at 44.1 kHz, one second each, looping) mixed
// into 44.1 kHz 16-bit stereo in device-sized steps of 1024 frames, against SDL_MixAudioFormat
// adding the same voices at the same volumes into the same output (every other voice at half
// volume, none panned). Before SDL2's row is timed, a second mixed by each side is compared sample
// for sample. One iteration is one second of audio; the table gives both rates, their ratio and the
// share of one core that a second of audio costs us.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// Where voice i starts, and whether it plays at half volume (every other voice, as a game's effects
// are turned down); centred, as SDL_MixAudioFormat has no pan.
std::uint32_t StartFrame(int i) { return static_cast<std::uint32_t>(i * 1237 % kRate); }
bool HalfVolume(int i) { return i % 2 != 0; }

void SetAudioRate(benchmark::State& state) {
  state.counters["audio s/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Ours: each voice added into 32-bit sums, the sums saturated once a frame.
class OurMixer {
 public:
  OurMixer() : voices_(kVoices), sums_(kStep * 2) {
    const Voices& source = TheVoices();
    for (int i = 0; i < kVoices; ++i) {
      pf::dsound::MixVoice& v = voices_[static_cast<std::size_t>(i)];
      v.samples = reinterpret_cast<const std::uint8_t*>(source.samples[static_cast<std::size_t>(i)].data());
      v.frameCount = kRate;
      v.channels = 2;
      v.bits = 16;
      v.step = pf::dsound::StepOf(kRate, kRate);
      v.frame = StartFrame(i);
      v.leftGain = v.rightGain = HalfVolume(i) ? pf::dsound::kUnityGain / 2 : pf::dsound::kUnityGain;
      v.looping = true;
      v.playing = true;
    }
  }
  // The next `frames` (at most a step) into `out`.
  void MixStep(int frames, std::int16_t* out) {
    std::fill(sums_.begin(), sums_.begin() + 2 * frames, 0);
    for (pf::dsound::MixVoice& v : voices_) pf::dsound::AddVoice(&v, sums_.data(), frames);
    pf::dsound::SaturateSums(sums_.data(), out, frames);
  }

 private:
  std::vector<pf::dsound::MixVoice> voices_;
  std::vector<std::int32_t> sums_;
};

#ifdef ZELVO_BENCH_PEERS
// The peer: SDL_MixAudioFormat adds each voice into the 16-bit output at its volume (128 full, 64
// half), clipping after each add.
class SdlMixer {
 public:
  SdlMixer() : positions_(kVoices) {
    for (int i = 0; i < kVoices; ++i) positions_[static_cast<std::size_t>(i)] = StartFrame(i);
  }
  void MixStep(int frames, std::int16_t* out) {
    const Voices& source = TheVoices();
    std::fill(out, out + 2 * frames, 0);
    for (int i = 0; i < kVoices; ++i) {
      const std::vector<std::int16_t>& voice = source.samples[static_cast<std::size_t>(i)];
      std::uint32_t& position = positions_[static_cast<std::size_t>(i)];
      // Up to the end of the voice, then on from its start.
      int left = frames;
      auto* at = reinterpret_cast<Uint8*>(out);
      while (left > 0) {
        const int run = std::min<int>(left, kRate - static_cast<int>(position));
        SDL_MixAudioFormat(at, reinterpret_cast<const Uint8*>(voice.data() + 2 * position), AUDIO_S16SYS,
                           static_cast<Uint32>(run * 4), HalfVolume(i) ? SDL_MIX_MAXVOLUME / 2 : SDL_MIX_MAXVOLUME);
        at += run * 4;
        left -= run;
        position = (position + static_cast<std::uint32_t>(run)) % kRate;
      }
    }
  }

 private:
  std::vector<std::uint32_t> positions_;
};

// One second from each side, from the voices' start frames. A half-volume voice adds floor(s / 2)
// in ours and s / 2 rounded toward zero in SDL2, a step apart on odd negative samples, so a sample
// may differ by one step a half-volume voice; where a sum leaves the 16-bit range SDL2 clips each
// partial sum and ours only the total, which may differ further, on a few samples.
constexpr int kSampleBound = kVoices / 2;
constexpr double kClippedShare = 0.001;

template <class Mixer>
std::vector<std::int16_t> MixOneSecond() {
  Mixer mixer;
  std::vector<std::int16_t> second(static_cast<std::size_t>(kRate) * 2);
  for (int done = 0; done < kRate; done += kStep) mixer.MixStep(std::min(kStep, kRate - done), second.data() + 2 * done);
  return second;
}

struct MixDifference {
  int largest = 0;
  double offShare = 0.0;
};

MixDifference CompareMixes() {
  const std::vector<std::int16_t> ours = MixOneSecond<OurMixer>(), peer = MixOneSecond<SdlMixer>();
  int largest = 0;
  std::size_t off = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const int difference = std::abs(ours[i] - peer[i]);
    largest = std::max(largest, difference);
    off += difference > kSampleBound ? 1 : 0;
  }
  return {largest, static_cast<double>(off) / static_cast<double>(ours.size())};
}

// Both rows check the two mixes before they time either; the mixes are compared once.
bool SameMix(benchmark::State& state) {
  static const MixDifference difference = CompareMixes();
  const double share = difference.offShare;
  state.counters["max diff"] = difference.largest;
  state.counters["off %"] = 100.0 * share;
  if (share <= kClippedShare) return true;
  char why[128];
  std::snprintf(why, sizeof why, "ours and SDL2 mix different samples: %.3f%% by more than %d", 100.0 * share, kSampleBound);
  state.SkipWithError(why);
  return false;
}

#endif

void BM_Mix32Voices_Ours(benchmark::State& state) {
#ifdef ZELVO_BENCH_PEERS
  if (!SameMix(state)) return;
#endif
  OurMixer mixer;
  std::vector<std::int16_t> out(kStep * 2);
  for (auto _ : state) {
    for (int done = 0; done < kRate; done += kStep) {
      mixer.MixStep(std::min(kStep, kRate - done), out.data());
      benchmark::DoNotOptimize(out.data());
    }
  }
  SetAudioRate(state);
}
BENCHMARK(BM_Mix32Voices_Ours)->Unit(benchmark::kMicrosecond);

#ifdef ZELVO_BENCH_PEERS
void BM_Mix32Voices_SdlMixAudioFormat(benchmark::State& state) {
  if (!SameMix(state)) return;
  SdlMixer mixer;
  std::vector<std::int16_t> out(kStep * 2);
  for (auto _ : state) {
    for (int done = 0; done < kRate; done += kStep) {
      mixer.MixStep(std::min(kStep, kRate - done), out.data());
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
