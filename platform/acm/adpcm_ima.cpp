// IMA ADPCM as stored in WAVE: per channel a 4-byte header (first sample, step index, reserved),
// then groups of 4 bytes per channel in turn, each byte two samples, low nibble first.
#include <algorithm>

#include "platform/acm/acm_converters.h"

namespace pf::acm {
namespace {

const int kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexMoves[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

inline int DecodeNibble(int code, int& predictor, int& index) {
  const int step = kSteps[index];
  int diff = step >> 3;
  if (code & 4) diff += step;
  if (code & 2) diff += step >> 1;
  if (code & 1) diff += step >> 2;
  predictor = std::clamp((code & 8) ? predictor - diff : predictor + diff, -32768, 32767);
  index = std::clamp(index + kIndexMoves[code], 0, 88);
  return predictor;
}

int DecodeImaAdpcmBlock(const std::uint8_t* block, int bytes, int channels, int samplesPerBlock, std::int16_t* out);

class ImaConverter final : public Converter {
 public:
  ImaConverter(int channels, int blockAlign, int samplesPerBlock)
      : channels_(channels), blockAlign_(blockAlign), samplesPerBlock_(samplesPerBlock) {}

  std::uint32_t OutputBytesFor(std::uint32_t sourceBytes) const override {
    const std::uint64_t blocks = sourceBytes / blockAlign_;
    std::uint64_t frames = blocks * samplesPerBlock_ + CutBlockFrames(sourceBytes % blockAlign_);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * channels_ * 2, 0xFFFFFFFFu));
  }

  void Convert(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* dest, std::uint32_t destLength,
               std::uint32_t* used, std::uint32_t* produced) override {
    auto* out = reinterpret_cast<std::int16_t*>(dest);
    const std::uint32_t blockOutput = static_cast<std::uint32_t>(samplesPerBlock_) * channels_ * 2;
    std::uint32_t taken = 0, written = 0;
    while (sourceLength - taken >= static_cast<std::uint32_t>(blockAlign_) && destLength - written >= blockOutput) {
      written += 2u * channels_ *
                 DecodeImaAdpcmBlock(source + taken, blockAlign_, channels_, samplesPerBlock_, out + written / 2);
      taken += blockAlign_;
    }
    const std::uint32_t rest = sourceLength - taken;
    if (taken == 0 && rest < static_cast<std::uint32_t>(blockAlign_)) {
      const std::uint32_t cutOutput = CutBlockFrames(rest) * channels_ * 2;
      if (cutOutput > 0 && destLength >= cutOutput) {
        written = 2u * channels_ * DecodeImaAdpcmBlock(source, static_cast<int>(rest), channels_, samplesPerBlock_, out);
        taken = rest;
      }
    }
    *used = taken;
    *produced = written;
  }

 private:
  std::uint32_t CutBlockFrames(std::uint32_t bytes) const {
    const std::uint32_t header = 4u * channels_;
    if (bytes < header) return 0;
    return 1 + (bytes - header) / header * 8;
  }

  int channels_, blockAlign_, samplesPerBlock_;
};

int DecodeImaAdpcmBlock(const std::uint8_t* block, int bytes, int channels, int samplesPerBlock, std::int16_t* out) {
  if (bytes < 4 * channels) return 0;
  int predictor[2], index[2];
  for (int c = 0; c < channels; ++c) {
    const std::uint8_t* h = block + 4 * c;
    predictor[c] = static_cast<std::int16_t>(h[0] | (h[1] << 8));
    index[c] = std::min<int>(h[2], 88);
    out[c] = static_cast<std::int16_t>(predictor[c]);
  }
  const int groups = std::min((bytes - 4 * channels) / (4 * channels), (samplesPerBlock - 1) / 8);
  const std::uint8_t* in = block + 4 * channels;
  for (int g = 0; g < groups; ++g) {
    std::int16_t* groupOut = out + (1 + g * 8) * channels;
    for (int c = 0; c < channels; ++c) {
      for (int k = 0; k < 4; ++k) {
        const int byte = *in++;
        groupOut[(2 * k) * channels + c] = static_cast<std::int16_t>(DecodeNibble(byte & 15, predictor[c], index[c]));
        groupOut[(2 * k + 1) * channels + c] = static_cast<std::int16_t>(DecodeNibble(byte >> 4, predictor[c], index[c]));
      }
    }
  }
  return 1 + groups * 8;
}

}  // namespace

std::unique_ptr<Converter> MakeImaAdpcmConverter(const WaveFormatEx* format) {
  const int channels = format->channels;
  const int blockAlign = format->blockAlign;
  if (format->formatTag != WAVE_FORMAT_IMA_ADPCM || format->bitsPerSample != 4) return nullptr;
  if (blockAlign < 8 * channels || (blockAlign - 4 * channels) % (4 * channels) != 0) return nullptr;
  const int samplesPerBlock = (blockAlign - 4 * channels) * 8 / (4 * channels) + 1;
  if (format->extraSize >= 2) {
    const auto* extra = reinterpret_cast<const std::uint8_t*>(format + 1);
    if ((extra[0] | (extra[1] << 8)) != samplesPerBlock) return nullptr;
  }
  return std::make_unique<ImaConverter>(channels, blockAlign, samplesPerBlock);
}

}  // namespace pf::acm
