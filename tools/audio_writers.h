#pragma once
// Writers of the two sound formats the game reads: RIFF WAVE with 16-bit PCM, and Ogg Vorbis
// through libvorbisenc.
#include <cstdint>
#include <vector>

namespace zelvo_datagen {

// Interleaved samples.
std::vector<std::uint8_t> WriteWave(const std::vector<std::int16_t>& samples, int channels, int rate);
// Interleaved samples in -1..1; a fixed serial number keeps the bytes the same on every run.
std::vector<std::uint8_t> WriteOggVorbis(const std::vector<float>& samples, int channels, int rate, float quality,
                                         int serial);

}  // namespace zelvo_datagen
