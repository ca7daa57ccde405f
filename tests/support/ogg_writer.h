#pragma once
// Test-only writer of Ogg Vorbis streams through libvorbisenc.
#include <cstdint>
#include <vector>

namespace zelvo_test {

// Interleaved 16-bit samples encoded at the given quality (-0.1 to 1.0); every sample given is
// in the stream, so its total PCM length is samples.size() / channels. serial names the logical
// stream: two results with different serials concatenated make a chained file.
std::vector<std::uint8_t> WriteOggVorbis(const std::vector<std::int16_t>& samples, int channels, int rate,
                                         float quality = 0.4f, int serial = 1);

// A sine tone of frames samples per channel (each channel an octave apart), amplitude 0..32767.
std::vector<std::int16_t> SineSamples(int frames, int channels, int rate, double hz, int amplitude = 12000);

}  // namespace zelvo_test
