// The mixer's kernels: one per (channels, bits, resampled), chosen per voice.
#include "platform/dsound/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pf::dsound {
namespace {

constexpr std::uint64_t kUnitStep = std::uint64_t{1} << 32;

template <int Bits>
inline std::int32_t SampleAt(const std::uint8_t* samples, std::uint32_t index) {
  if constexpr (Bits == 8) {
    return (static_cast<std::int32_t>(samples[index]) - 128) * 256;
  } else {
    std::int16_t value;
    std::memcpy(&value, samples + index * 2, 2);
    return value;
  }
}

inline std::int32_t Scale(std::int32_t sample, std::int32_t gain) {
  return static_cast<std::int32_t>((static_cast<std::int64_t>(sample) * gain) >> 16);
}

// Frame for frame: runs of whole frames up to the end of the buffer.
template <int Channels, int Bits>
void AddRun(const std::uint8_t* samples, std::uint32_t first, int count, std::int32_t leftGain,
            std::int32_t rightGain, std::int32_t* sums) {
  if constexpr (Channels == 2 && Bits == 16) {
    const auto* source = reinterpret_cast<const std::int16_t*>(samples) + std::size_t{first} * 2;
    for (int i = 0; i < count; ++i) {
      sums[2 * i] += (source[2 * i] * leftGain) >> 16;
      sums[2 * i + 1] += (source[2 * i + 1] * rightGain) >> 16;
    }
  } else if constexpr (Channels == 1 && Bits == 16) {
    const auto* source = reinterpret_cast<const std::int16_t*>(samples) + first;
    for (int i = 0; i < count; ++i) {
      const std::int32_t value = source[i];
      sums[2 * i] += (value * leftGain) >> 16;
      sums[2 * i + 1] += (value * rightGain) >> 16;
    }
  } else {
    for (int i = 0; i < count; ++i) {
      const std::uint32_t frame = first + static_cast<std::uint32_t>(i);
      const std::int32_t left = SampleAt<Bits>(samples, frame * Channels);
      const std::int32_t right = Channels == 2 ? SampleAt<Bits>(samples, frame * Channels + 1) : left;
      sums[2 * i] += Scale(left, leftGain);
      sums[2 * i + 1] += Scale(right, rightGain);
    }
  }
}

template <int Channels, int Bits>
void AddUnitStep(MixVoice* voice, std::int32_t* sums, int frames) {
  while (frames > 0 && voice->playing) {
    const std::uint32_t left = voice->frameCount - voice->frame;
    const int count = static_cast<int>(std::min<std::uint32_t>(left, static_cast<std::uint32_t>(frames)));
    AddRun<Channels, Bits>(voice->samples, voice->frame, count, voice->leftGain, voice->rightGain, sums);
    sums += 2 * count;
    frames -= count;
    voice->frame += static_cast<std::uint32_t>(count);
    if (voice->frame >= voice->frameCount) {
      voice->frame = 0;
      if (!voice->looping) voice->playing = false;
    }
  }
}

// Another rate: linear interpolation between a frame and the next (the first again when looping,
// itself at the end of a one-shot voice).
template <int Channels, int Bits>
void AddResampled(MixVoice* voice, std::int32_t* sums, int frames) {
  const std::uint8_t* samples = voice->samples;
  const std::uint32_t count = voice->frameCount;
  std::uint64_t position = (std::uint64_t{voice->frame} << 32) | voice->fraction;
  const std::uint64_t end = std::uint64_t{count} << 32;
  for (int i = 0; i < frames; ++i) {
    const auto frame = static_cast<std::uint32_t>(position >> 32);
    const std::uint32_t next = frame + 1 < count ? frame + 1 : (voice->looping ? 0 : frame);
    const auto weight = static_cast<std::int32_t>((position >> 16) & 0xFFFF);
    for (int side = 0; side < 2; ++side) {
      const int channel = Channels == 2 ? side : 0;
      const std::int32_t a = SampleAt<Bits>(samples, frame * Channels + channel);
      const std::int32_t b = SampleAt<Bits>(samples, next * Channels + channel);
      // A full swing times a weight near one passes 32 bits.
      const std::int32_t value = a + static_cast<std::int32_t>(static_cast<std::int64_t>(b - a) * weight >> 16);
      sums[2 * i + side] += Scale(value, side == 0 ? voice->leftGain : voice->rightGain);
    }
    position += voice->step;
    if (position >= end) {
      if (!voice->looping) {
        voice->playing = false;
        position = 0;
        break;
      }
      position %= end;
    }
  }
  voice->frame = static_cast<std::uint32_t>(position >> 32);
  voice->fraction = static_cast<std::uint32_t>(position);
}

using VoiceKernel = void (*)(MixVoice*, std::int32_t*, int);

template <int Channels, int Bits>
constexpr VoiceKernel kKernels[2] = {AddUnitStep<Channels, Bits>, AddResampled<Channels, Bits>};

VoiceKernel KernelOf(const MixVoice& voice) {
  const int resampled = voice.step != kUnitStep || voice.fraction != 0 ? 1 : 0;
  if (voice.channels == 2) return voice.bits == 16 ? kKernels<2, 16>[resampled] : kKernels<2, 8>[resampled];
  return voice.bits == 16 ? kKernels<1, 16>[resampled] : kKernels<1, 8>[resampled];
}

}  // namespace

std::int32_t GainOfVolume(std::int32_t hundredthsDb) {
  if (hundredthsDb <= -10000) return 0;
  if (hundredthsDb >= 0) return kUnityGain;
  return static_cast<std::int32_t>(std::lround(kUnityGain * std::pow(10.0, hundredthsDb / 2000.0)));
}

void GainsOf(std::int32_t volume, std::int32_t pan, std::int32_t* left, std::int32_t* right) {
  const std::int32_t gain = GainOfVolume(volume);
  // The attenuated side's gain is the product of both, as volume and pan add in decibels.
  const std::int32_t panGain = GainOfVolume(-std::abs(pan));
  const auto combined = static_cast<std::int32_t>((static_cast<std::int64_t>(gain) * panGain) >> 16);
  *left = pan > 0 ? combined : gain;
  *right = pan < 0 ? combined : gain;
}

std::uint64_t StepOf(std::uint32_t rate, std::uint32_t outputRate) {
  return outputRate == 0 ? kUnitStep : (std::uint64_t{rate} << 32) / outputRate;
}

void AddVoice(MixVoice* voice, std::int32_t* sums, int frames) {
  if (!voice->playing || voice->frameCount == 0 || frames <= 0) return;
  KernelOf(*voice)(voice, sums, frames);
}

void SaturateSums(const std::int32_t* sums, std::int16_t* out, int frames) {
  for (int i = 0; i < 2 * frames; ++i) {
    out[i] = static_cast<std::int16_t>(std::clamp(sums[i], -32768, 32767));
  }
}

}  // namespace pf::dsound
