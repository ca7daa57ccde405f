// A play buffer: the DirectSound branch that runs, and the software branch the software-mix
// option selects (a buffer in memory mixed by MixSoftwareBuffer).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "media/core/log.h"
#include "media/sound_input/sound.h"

namespace zelvo {
namespace {

bool SoftwareMode() { return g_sound.softwareMixOption != 0; }

std::int32_t SoftwareVolume(std::int32_t hundredthsDb) {
  if (hundredthsDb <= -10000) return 0;
  if (hundredthsDb >= 0) return 256;
  return static_cast<std::int32_t>(std::pow(10.0, hundredthsDb / 1000.0) / 0.9999999999 * 256);
}

std::int32_t SoftwarePan(std::int32_t pan) {
  if (pan <= -10000) return -256;
  if (pan >= 10000) return 256;
  if (pan == 0) return 0;
  const auto magnitude = static_cast<std::int32_t>(std::pow(10.0, -std::abs(pan) / 1000.0) / 0.9999999999 * 256);
  return pan < 0 ? -magnitude : magnitude;
}

// The gain of one side in 256ths: a pan towards the other side attenuates it to the pan's size,
// all the way at +-256.
std::int32_t SideGain(const SoundBuffer& buffer, int side) {
  const std::int32_t pan = buffer.pan;
  const bool attenuated = side == 0 ? pan > 0 : pan < 0;
  std::int32_t gain = buffer.volume;
  if (attenuated) gain = std::abs(pan) >= 256 ? 0 : gain * std::abs(pan) / 256;
  return gain;
}

std::int32_t SoftwareSample(const SoundBuffer& buffer, std::int32_t frame, int channel) {
  const int channels = buffer.format.channels;
  const int index = frame * channels + (channels == 2 ? channel : 0);
  if (buffer.format.bitsPerSample == 8) return buffer.data[index] * 65535 / 255 - 32768;
  std::int16_t value;
  std::memcpy(&value, buffer.data + index * 2, 2);
  return value;
}

// A software buffer starts stopped at the top, centred, at full volume and its own rate.
void StartSoftwareBuffer(SoundBuffer* buffer, std::int32_t length, const pf::WaveFormatEx& format) {
  buffer->playing = 0;
  buffer->position = 0;
  buffer->loop = 0;
  buffer->pan = 0;
  buffer->volume = 255;
  buffer->frequency = -1;
  buffer->length = length;
  buffer->format = format;
  buffer->valid = 1;
}

}  // namespace

int CreateSoundBuffer(SoundBuffer* buffer, const pf::DSBufferDesc* desc) {
  if (buffer->valid != 0) return -1;
  if (SoftwareMode()) {
    if (desc->format == nullptr || desc->format->blockAlign == 0) return -1;
    buffer->data = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(desc->bufferBytes));
    if (buffer->data == nullptr) return -1;
    StartSoftwareBuffer(buffer, static_cast<std::int32_t>(desc->bufferBytes / desc->format->blockAlign),
                        *desc->format);
    return 0;
  }
  if (g_sound.directSound == nullptr) return -1;
  pf::DirectSoundBuffer* made = nullptr;
  if (g_sound.directSound->CreateSoundBuffer(desc, &made, nullptr) != pf::DS_OK) return -1;
  buffer->directSoundBuffer = made;
  if (desc->format != nullptr) buffer->format = *desc->format;
  buffer->valid = 1;
  return 0;
}

int DuplicateSoundBuffer(SoundBuffer* buffer, const SoundBuffer* original) {
  if (buffer->valid != 0 || original->valid == 0) return -1;
  if (SoftwareMode()) {
    const std::size_t bytes = static_cast<std::size_t>(original->length) * original->format.blockAlign;
    buffer->data = static_cast<std::uint8_t*>(ZELVO_ALLOC_ZEROED(std::max<std::size_t>(bytes, 1)));
    if (buffer->data == nullptr) return -1;
    StartSoftwareBuffer(buffer, original->length, original->format);
    return 0;
  }
  if (g_sound.directSound == nullptr) return -1;
  pf::DirectSoundBuffer* made = nullptr;
  if (g_sound.directSound->DuplicateSoundBuffer(original->directSoundBuffer, &made) != pf::DS_OK) return -1;
  buffer->directSoundBuffer = made;
  buffer->format = original->format;
  buffer->valid = 1;
  return 0;
}

int ReleaseSoundBuffer(SoundBuffer* buffer) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer != nullptr) buffer->directSoundBuffer->Release();
  if (buffer->data != nullptr) TrackedFree(buffer->data);
  std::memset(buffer, 0, sizeof *buffer);
  return 0;
}

int PlaySoundBuffer(SoundBuffer* buffer, int loop) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    buffer->playing = 1;
    buffer->loop = loop;
    return 0;
  }
  return buffer->directSoundBuffer->Play(0, 0, loop != 0 ? std::uint32_t{pf::DSBPLAY_LOOPING} : 0u) == pf::DS_OK ? 0 : -1;
}

int StopSoundBuffer(SoundBuffer* buffer) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    buffer->playing = 0;
    return 0;
  }
  return buffer->directSoundBuffer->Stop() == pf::DS_OK ? 0 : -1;
}

int GetSoundBufferStatus(SoundBuffer* buffer, std::uint32_t* status) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    *status = buffer->playing != 0 ? 1 : 0;
    return 0;
  }
  return buffer->directSoundBuffer->GetStatus(status) == pf::DS_OK ? 0 : -1;
}

int GetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t* play, std::uint32_t* write) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    const auto bytes = static_cast<std::uint32_t>(buffer->position * buffer->format.blockAlign);
    if (play != nullptr) *play = bytes;
    if (write != nullptr) *write = bytes;
    return 0;
  }
  return buffer->directSoundBuffer->GetCurrentPosition(play, write) == pf::DS_OK ? 0 : -1;
}

int SetSoundBufferPosition(SoundBuffer* buffer, std::uint32_t bytes) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    buffer->position = static_cast<std::int32_t>(bytes / buffer->format.blockAlign);
    return 0;
  }
  return buffer->directSoundBuffer->SetCurrentPosition(bytes) == pf::DS_OK ? 0 : -1;
}

int LockSoundBuffer(SoundBuffer* buffer, std::uint32_t offset, std::uint32_t size, void** part1,
                    std::uint32_t* bytes1, void** part2, std::uint32_t* bytes2) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    const std::uint32_t align = buffer->format.blockAlign;
    const std::uint32_t total = static_cast<std::uint32_t>(buffer->length) * align;
    // A lock larger than the buffer, or starting past it, would run off the memory.
    if (size > total || offset >= total) return -1;
    *part1 = buffer->data + offset;
    *part2 = nullptr;
    *bytes2 = 0;
    if (offset / align + size / align > static_cast<std::uint32_t>(buffer->length)) {
      *bytes1 = total - offset;
      *part2 = buffer->data;
      *bytes2 = size - *bytes1;
    } else {
      *bytes1 = size;
    }
    return 0;
  }
  return buffer->directSoundBuffer->Lock(offset, size, part1, bytes1, part2, bytes2, 0) == pf::DS_OK ? 0 : -1;
}

int UnlockSoundBuffer(SoundBuffer* buffer, void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) return 0;
  return buffer->directSoundBuffer->Unlock(part1, bytes1, part2, bytes2) == pf::DS_OK ? 0 : -1;
}

int SetSoundBufferVolume(SoundBuffer* buffer, std::int32_t hundredthsDb) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    buffer->volume = SoftwareVolume(hundredthsDb);
    return 0;
  }
  return buffer->directSoundBuffer->SetVolume(hundredthsDb) == pf::DS_OK ? 0 : -1;
}

int GetSoundBufferVolume(SoundBuffer* buffer, std::int32_t* hundredthsDb) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    if (buffer->volume <= 0) {
      *hundredthsDb = -10000;
    } else if (buffer->volume >= 256) {
      *hundredthsDb = 0;
    } else {
      *hundredthsDb = static_cast<std::int32_t>(std::log10(buffer->volume / 256.0) * 1000);
    }
    return 0;
  }
  return buffer->directSoundBuffer->GetVolume(hundredthsDb) == pf::DS_OK ? 0 : -1;
}

int SetSoundBufferPan(SoundBuffer* buffer, std::int32_t pan) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    buffer->pan = SoftwarePan(pan);
    return 0;
  }
  return buffer->directSoundBuffer->SetPan(pan) == pf::DS_OK ? 0 : -1;
}

int SetSoundBufferFrequency(SoundBuffer* buffer, std::uint32_t frequency) {
  if (buffer->valid == 0) return -1;
  if (buffer->directSoundBuffer == nullptr) {
    buffer->frequency = frequency == 0 ? -1 : static_cast<std::int32_t>(frequency);
    return 0;
  }
  return buffer->directSoundBuffer->SetFrequency(frequency) == pf::DS_OK ? 0 : -1;
}

int MixSoftwareBuffer(SoundBuffer* buffer, int frames, std::int16_t* out) {
  if (!SoftwareMode() || buffer->valid == 0 || buffer->data == nullptr || out == nullptr) return -1;
  const pf::WaveFormatEx& format = buffer->format;
  const bool half = format.samplesPerSec == 22050;
  if ((format.samplesPerSec != 44100 && !half) || (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
      (format.channels != 1 && format.channels != 2) || buffer->length <= 0) {
    return -1;
  }
  if (buffer->playing == 0) return 0;
  const std::int32_t gains[2] = {SideGain(*buffer, 0), SideGain(*buffer, 1)};
  const std::int32_t length = buffer->length;
  for (int i = 0; i < frames; ++i) {
    std::int32_t frame = buffer->position + (half ? i / 2 : i);
    if (frame >= length) {
      if (buffer->loop == 0) break;
      frame %= length;
    }
    for (int side = 0; side < 2; ++side) {
      std::int32_t value = SoftwareSample(*buffer, frame, side);
      if (half && (i % 2) == 1) {
        const std::int32_t next = frame + 1 < length ? frame + 1 : (buffer->loop != 0 ? 0 : frame);
        value = (value + SoftwareSample(*buffer, next, side)) / 2;
      }
      const std::int32_t sum = out[2 * i + side] + value * gains[side] / 256;
      out[2 * i + side] = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
    }
  }
  buffer->position += half ? frames / 2 : frames;
  if (buffer->position >= length) {
    if (buffer->loop != 0) {
      buffer->position %= length;
    } else {
      buffer->position = length;
      buffer->playing = 0;
    }
  }
  return 0;
}

}  // namespace zelvo
