#pragma once
// Outside decoders and encoders for sound fixtures: libsndfile in process, and the sox program
// (with its MP3/MP2 format support) for MPEG audio. Expected PCM in the sound tests comes from
// these, never from the library's own decoders.
#include <cstdint>
#include <string>
#include <vector>

namespace zelvo_test {

struct ReferencePcm {
  std::vector<std::int16_t> samples;   // interleaved
  int channels = 0;
  int rate = 0;
};

// A WAVE or Ogg file image decoded by libsndfile; false when it refuses the file.
bool DecodeWithLibsndfile(const std::vector<std::uint8_t>& file, ReferencePcm* out);

// Runs sox with the arguments (a shell command line after "sox"); true when it exits with 0.
bool RunSox(const std::string& arguments);
// A file decoded by sox to 16-bit PCM (no dither); empty when sox fails.
std::vector<std::int16_t> DecodeWithSox(const std::string& path);

}  // namespace zelvo_test
