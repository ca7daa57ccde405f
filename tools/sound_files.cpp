// The 32 sound effects: short, distinct 16-bit PCM WAVE tones (sweeps, noise bursts and chirps)
// from a fixed table, with a fixed noise seed so every run writes the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "data_set.h"
#include "support/wave_writer.h"

namespace zelvo_datagen {
namespace {

constexpr int kRate = 22050;

enum class Voice { kSquare, kSine, kNoise, kBuzz };

struct Effect {
  const char* name;
  Voice voice;
  double startHz, endHz;   // pitch sweep over the sound
  double seconds;
  double decay;            // larger fades faster
};

// In the sound-effect table's order.
constexpr Effect kEffects[32] = {
    {"boost", Voice::kNoise, 2000, 400, 0.30, 3},   {"break", Voice::kNoise, 900, 300, 0.20, 6},
    {"land", Voice::kSine, 140, 60, 0.12, 10},      {"jump", Voice::kSquare, 300, 700, 0.15, 4},
    {"gun", Voice::kNoise, 3000, 1500, 0.08, 12},   {"gun2", Voice::kNoise, 1800, 600, 0.14, 8},
    {"gun3", Voice::kBuzz, 500, 200, 0.20, 6},      {"hit", Voice::kSquare, 900, 200, 0.09, 10},
    {"hit2", Voice::kSquare, 600, 120, 0.12, 8},    {"hit3", Voice::kBuzz, 400, 80, 0.18, 6},
    {"swing", Voice::kNoise, 600, 2400, 0.16, 5},   {"blade", Voice::kSine, 2400, 1600, 0.20, 6},
    {"down", Voice::kSine, 200, 50, 0.25, 5},       {"bomb", Voice::kNoise, 400, 60, 0.50, 3},
    {"bomb2", Voice::kNoise, 300, 50, 0.40, 4},     {"bomb3", Voice::kNoise, 700, 80, 0.60, 2.5},
    {"bomb4", Voice::kNoise, 200, 30, 0.80, 2},     {"shootdown", Voice::kBuzz, 800, 60, 0.60, 2.5},
    {"guard", Voice::kSine, 1200, 1250, 0.25, 4},   {"weapon", Voice::kSquare, 1500, 1500, 0.05, 20},
    {"weapon2", Voice::kSquare, 500, 900, 0.15, 6}, {"weapon3", Voice::kSquare, 300, 1200, 0.30, 3},
    {"damage", Voice::kBuzz, 300, 150, 0.25, 5},    {"item", Voice::kSine, 880, 1760, 0.18, 4},
    {"item2", Voice::kSine, 1320, 2640, 0.12, 6},   {"cursor1", Voice::kSquare, 1000, 1000, 0.04, 15},
    {"cursor2", Voice::kSquare, 700, 1400, 0.10, 8}, {"cursor3", Voice::kSquare, 200, 150, 0.15, 6},
    {"warning", Voice::kSquare, 660, 880, 0.70, 0.8}, {"warning2", Voice::kBuzz, 440, 440, 0.50, 1},
    {"airplain", Voice::kBuzz, 90, 110, 1.00, 0.5}, {"laser", Voice::kSine, 3000, 300, 0.30, 4},
};

std::vector<std::int16_t> Render(const Effect& e, std::uint32_t seed) {
  const int count = static_cast<int>(e.seconds * kRate);
  std::vector<std::int16_t> samples(count);
  double phase = 0, held = 0;
  std::uint32_t noise = seed;
  for (int i = 0; i < count; ++i) {
    double t = static_cast<double>(i) / count;
    double hz = e.startHz * std::pow(e.endHz / e.startHz, t);
    double before = phase;
    phase += hz / kRate;
    double v = 0;
    switch (e.voice) {
      case Voice::kSine: v = std::sin(2 * M_PI * phase); break;
      case Voice::kSquare: v = std::fmod(phase, 1.0) < 0.5 ? 0.6 : -0.6; break;
      case Voice::kBuzz: v = 2 * std::fmod(phase, 1.0) - 1; break;
      case Voice::kNoise:   // sample-and-hold noise: the hold rate sets its pitch
        if (static_cast<long>(phase) != static_cast<long>(before)) {
          noise = noise * 1664525u + 1013904223u;
          held = static_cast<double>(noise >> 8) / (1 << 24) * 2 - 1;
        }
        v = held;
        break;
    }
    double attack = std::min(1.0, i / (0.005 * kRate));
    double envelope = attack * std::exp(-e.decay * t) * (1 - t);   // reaches 0 at the end: no click
    samples[i] = static_cast<std::int16_t>(std::lround(v * envelope * 20000));
  }
  return samples;
}

}  // namespace

void AddSoundEffects(DataSet& set) {
  for (int n = 0; n < 32; ++n)
    set.Add(std::string("wav\\sound_") + kEffects[n].name + ".wav", zelvo_test::WriteWave(zelvo_test::PcmWave(Render(kEffects[n], 0x5EED0000u + n), 1, kRate)));
}

}  // namespace zelvo_datagen
