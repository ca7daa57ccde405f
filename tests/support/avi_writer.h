#pragma once
// Short AVI movies for tests and benchmarks, written through FFmpeg's muxer: frame n is filled
// with MovieFrameColor(n), optionally under a fine pattern that gives the encoder real work, and
// optionally with a tone as its sound track.
#include <cstdint>
#include <string>

namespace zelvo_test {

enum class AviCodec { kMjpeg, kRawBgr24 };

struct AviLayout {
  int width = 64;
  int height = 48;
  int framesPerSecond = 10;
  int frameCount = 10;
  AviCodec codec = AviCodec::kMjpeg;
  bool patterned = false;   // colour plus a pattern in every second block of 8 x 8 pixels
  int soundRate = 0;        // a mono 16-bit PCM sound track at this rate; 0: none
};

// Sample i of the sound track: a 441 Hz tone at half of full scale, so 100 samples make one period
// at 44100 Hz.
std::int16_t MovieSoundSample(int i, int rate);

// 0xRRGGBB of frame n; distinct for the first 32 frames, with channels far enough apart that JPEG's
// loss cannot make one frame look like another.
std::uint32_t MovieFrameColor(int frame);

// true when the file was written.
bool WriteAvi(const std::string& path, const AviLayout& layout);

}  // namespace zelvo_test
