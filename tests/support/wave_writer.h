#pragma once
// Test-only writers of RIFF/WAVE files with every format knob: PCM 8/16 bits, mono/stereo, MS ADPCM,
// IMA ADPCM, A-law, mu-law and MPEG audio in WAVE; extra chunks before and after the format and
// data chunks, a fact chunk, lying sizes and cut format chunks. The ADPCM and G.711 encoders here
// only make test data: expected PCM comes from an outside decoder, never from these.
#include <cstdint>
#include <string>
#include <vector>

namespace zelvo_test {

using WaveBytes = std::vector<std::uint8_t>;

enum WaveFormatTag : std::uint16_t {
  kWavePcm = 0x0001,
  kWaveMsAdpcm = 0x0002,
  kWaveALaw = 0x0006,
  kWaveMuLaw = 0x0007,
  kWaveImaAdpcm = 0x0011,
  kWaveMpeg = 0x0050,
  kWaveMpegLayer3 = 0x0055,
};

struct WaveChunk {
  std::string id;                 // four characters
  WaveBytes body;                 // an odd length is followed by its pad byte
  std::int64_t sizeField = -1;    // -1: the body's length
};

struct WaveLayout {
  std::uint16_t formatTag = kWavePcm;
  std::uint16_t channels = 1;
  std::uint32_t sampleRate = 22050;
  std::uint32_t avgBytesPerSec = 0;   // 0: rate x block align
  std::uint16_t blockAlign = 0;       // 0: channels x bits / 8
  std::uint16_t bitsPerSample = 16;
  WaveBytes formatExtra;              // after the extra-size field (which holds its length)
  int formatSize = -1;                // -1: 16 for plain PCM, else 18 + extra; shorter cuts the body
  std::int64_t formatSizeField = -1;  // -1: formatSize
  bool factChunk = false;
  std::uint32_t factSamples = 0;
  std::vector<WaveChunk> beforeFormat;   // puts the format chunk second or later
  std::vector<WaveChunk> beforeData;
  std::vector<WaveChunk> afterData;
  WaveBytes data;
  std::int64_t dataSizeField = -1;    // -1: the data's length
  bool omitData = false;
};

WaveBytes WriteWave(const WaveLayout& layout);

// Samples are interleaved by channel.
WaveLayout PcmWave(const std::vector<std::int16_t>& samples, int channels, int rate);
WaveLayout Pcm8Wave(const std::vector<std::uint8_t>& samples, int channels, int rate);

// IMA ADPCM blocks of blockAlign bytes (4 x channels + a multiple of 4 x channels). When
// partialBytes is non-zero the last block is cut to that many bytes (header included).
WaveLayout ImaAdpcmWave(const std::vector<std::int16_t>& samples, int channels, int rate, int blockAlign,
                        int partialBytes = 0);
// MS ADPCM blocks of blockAlign bytes (at least 7 x channels), standard coefficient table; each
// block takes the predictor that fits its samples best.
WaveLayout MsAdpcmWave(const std::vector<std::int16_t>& samples, int channels, int rate, int blockAlign,
                       int partialBytes = 0);
int ImaSamplesPerBlock(int channels, int blockAlign);
int MsAdpcmSamplesPerBlock(int channels, int blockAlign);

std::uint8_t LinearToALaw(std::int16_t sample);
std::uint8_t LinearToMuLaw(std::int16_t sample);
// Codes are stored as given (one byte a sample).
WaveLayout G711Wave(std::uint16_t tag, const std::vector<std::uint8_t>& codes, int channels, int rate);

// MPEG audio frames in WAVE: tag 0x55 with the Layer-3 format record for Layer III frames, tag
// 0x50 with the MPEG-1 format record for Layers I and II. The format comes from the first frame.
WaveLayout MpegWave(const WaveBytes& frames);

}  // namespace zelvo_test
