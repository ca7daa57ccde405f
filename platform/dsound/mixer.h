#pragma once
// The software mixer behind every DirectSound buffer. A voice is one buffer as the mixer reads it,
// straight from the buffer's sample memory at mix time (a stream may write ahead while it plays).
// Each voice adds floor(sample x gain / 65536) per side into 32-bit sums (8-bit samples as
// (v - 128) x 256, mono on both sides), and the sums saturate to 16 bits once per frame. A voice at
// another rate than the output steps through its frames in 32.32 fixed point with linear
// interpolation; at the output's rate it copies frame for frame.
#include <cstdint>

namespace pf::dsound {

struct MixVoice {
  const std::uint8_t* samples;
  std::uint32_t frameCount;        // whole frames in the buffer
  int channels;                    // 1 or 2
  int bits;                        // 8 or 16
  std::uint64_t step;              // source frames per output frame, 32.32
  std::uint32_t frame;             // the next frame to read
  std::uint32_t fraction;          // between it and the one after, 0.32
  std::int32_t leftGain;           // 65536 is unity
  std::int32_t rightGain;
  bool looping;
  bool playing;                    // a one-shot voice clears it at its end (and rewinds to 0)
};

constexpr std::int32_t kUnityGain = 65536;

// The gain of a volume (hundredths of a decibel, -10000..0): 10^(v / 2000) in 16.16, 0 at -10000.
std::int32_t GainOfVolume(std::int32_t hundredthsDb);
// Left and right gains of a volume and a pan (-10000..10000; a positive pan attenuates the left by
// that many hundredths of a decibel, a negative one the right).
void GainsOf(std::int32_t volume, std::int32_t pan, std::int32_t* left, std::int32_t* right);
// The 32.32 step of a voice at `rate` frames per second into an output at `outputRate`.
std::uint64_t StepOf(std::uint32_t rate, std::uint32_t outputRate);

// Adds `frames` output frames of the voice into sums (2 per frame) and moves it on.
void AddVoice(MixVoice* voice, std::int32_t* sums, int frames);
// The sums as 16-bit stereo frames, saturated.
void SaturateSums(const std::int32_t* sums, std::int16_t* out, int frames);

}  // namespace pf::dsound
