// The music: "bgm\bgm%d%d.ogg", short Ogg Vorbis loops. Every note, bass note and drum hit ends
// inside its own beat and the loop is a whole number of bars, so the last sample leads back into
// the first without a click.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "data_set.h"
#include "support/ogg_writer.h"

namespace zelvo_datagen {
namespace {

constexpr int kRate = 22050;

struct Track {
  int number;
  int tempo;        // beats per minute
  int bars;         // of four beats
  double rootHz;
  int mood;         // 0 major pentatonic, 1 minor pentatonic
};

// 00 hangar and menus, 01 training, 02 base attack, 03 boss, 04 supply raid, 05 armoured
// interception, 06 the remaining missions, 07 the mission-clear fanfare (played once).
constexpr Track kTracks[] = {
    {0, 96, 4, 220.0, 0},  {1, 120, 4, 261.6, 0}, {2, 132, 4, 196.0, 1}, {3, 150, 4, 164.8, 1},
    {4, 140, 4, 233.1, 1}, {5, 126, 4, 174.6, 1}, {6, 116, 4, 207.7, 0}, {7, 110, 2, 261.6, 0},
};

constexpr int kScales[2][5] = {{0, 2, 4, 7, 9}, {0, 3, 5, 7, 10}};

double NoteHz(const Track& t, int degree) {
  int octave = degree / 5, step = degree % 5;
  return t.rootHz * std::pow(2.0, octave + kScales[t.mood][step] / 12.0);
}

// A note from `start` lasting `length` samples, enveloped to silence at both ends.
void AddNote(std::vector<float>& out, long start, long length, double hz, double volume, bool square) {
  for (long i = 0; i < length && start + i < static_cast<long>(out.size()); ++i) {
    double t = static_cast<double>(i) / kRate;
    double phase = std::fmod(hz * t, 1.0);
    double v = square ? (phase < 0.5 ? 0.5 : -0.5) : std::sin(2 * M_PI * phase);
    double attack = std::min(1.0, i / 200.0), release = std::min(1.0, (length - i) / 400.0);
    out[start + i] += static_cast<float>(v * volume * attack * release * std::exp(-3.0 * i / length));
  }
}

// The encoder takes 16-bit samples.
std::vector<std::int16_t> ToSamples(const std::vector<float>& wave) {
  std::vector<std::int16_t> out(wave.size());
  for (std::size_t i = 0; i < wave.size(); ++i) {
    out[i] = static_cast<std::int16_t>(std::lround(std::clamp(wave[i], -1.0f, 1.0f) * 32767.0f));
  }
  return out;
}

std::vector<float> Compose(const Track& t) {
  const long beat = kRate * 60 / t.tempo;
  const int beats = t.bars * 4;
  std::vector<float> out(static_cast<std::size_t>(beat * beats), 0.0f);
  std::uint32_t seed = 0xB6A0u + t.number * 7919u;
  int degree = 5;
  for (int b = 0; b < beats; ++b) {
    // Melody: two eighth notes a beat, a small random walk over the scale.
    for (int half = 0; half < 2; ++half) {
      seed = seed * 1103515245u + 12345u;
      int step = static_cast<int>(seed >> 16) % 5 - 2;
      degree = std::max(3, std::min(12, degree + step));
      if (t.number == 7 && b == beats - 1) degree = 10;   // the fanfare ends on the root
      AddNote(out, b * beat + half * beat / 2, beat / 2, NoteHz(t, degree), 0.22, t.mood == 1);
    }
    // Bass on every beat, root and fifth of the bar.
    AddNote(out, b * beat, beat, NoteHz(t, b % 2 == 0 ? 0 : 3) / 2, 0.3, false);
    // A noise tick on the off-beat.
    for (long i = 0; i < beat / 8; ++i) {
      seed = seed * 1103515245u + 12345u;
      out[b * beat + beat / 2 + i] += static_cast<float>((static_cast<int>(seed >> 16 & 0xFF) - 128) / 128.0 * 0.08 *
                                                         (1.0 - static_cast<double>(i) / (beat / 8)));
    }
  }
  return out;
}

}  // namespace

void AddMusic(DataSet& set) {
  for (const Track& t : kTracks) {
    char path[32];
    std::snprintf(path, sizeof path, "bgm\\bgm%d%d.ogg", t.number / 10, t.number % 10);
    set.Add(path, zelvo_test::WriteOggVorbis(ToSamples(Compose(t)), 1, kRate, 0.1f, 0x2E11 + t.number));
  }
}

}  // namespace zelvo_datagen
