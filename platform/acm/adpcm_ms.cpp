// Microsoft ADPCM: per block the predictor of each channel, its step, and its two first samples
// (the second one first), then nibbles high first, channels alternating. The coefficient pairs
// come from the format.
#include <algorithm>
#include <vector>

#include "platform/acm/acm_converters.h"

namespace pf::acm {
namespace {

const int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
// A step beyond this saturates every non-zero code already; the bound keeps crafted streams from
// overflowing.
constexpr int kMaxStep = 1 << 24;

inline int Le16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

class MsAdpcmConverter final : public Converter {
 public:
  MsAdpcmConverter(int channels, int blockAlign, int samplesPerBlock, std::vector<std::int16_t> coefficients)
      : channels_(channels), blockAlign_(blockAlign), samplesPerBlock_(samplesPerBlock),
        coefficients_(std::move(coefficients)) {}

  std::uint32_t OutputBytesFor(std::uint32_t sourceBytes) const override {
    const std::uint64_t blocks = sourceBytes / blockAlign_;
    const std::uint64_t frames = blocks * samplesPerBlock_ + CutBlockFrames(sourceBytes % blockAlign_);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * channels_ * 2, 0xFFFFFFFFu));
  }

  void Convert(const std::uint8_t* source, std::uint32_t sourceLength, std::uint8_t* dest, std::uint32_t destLength,
               std::uint32_t* used, std::uint32_t* produced) override {
    auto* out = reinterpret_cast<std::int16_t*>(dest);
    const std::uint32_t blockOutput = static_cast<std::uint32_t>(samplesPerBlock_) * channels_ * 2;
    std::uint32_t taken = 0, written = 0;
    while (sourceLength - taken >= static_cast<std::uint32_t>(blockAlign_) && destLength - written >= blockOutput) {
      written += 2u * channels_ * Decode(source + taken, blockAlign_, out + written / 2);
      taken += blockAlign_;
    }
    const std::uint32_t rest = sourceLength - taken;
    if (taken == 0 && rest < static_cast<std::uint32_t>(blockAlign_)) {
      const std::uint32_t cutOutput = CutBlockFrames(rest) * channels_ * 2;
      if (cutOutput > 0 && destLength >= cutOutput) {
        written = 2u * channels_ * Decode(source, static_cast<int>(rest), out);
        taken = rest;
      }
    }
    *used = taken;
    *produced = written;
  }

 private:
  int Decode(const std::uint8_t* block, int bytes, std::int16_t* out) const {
    return DecodeMsAdpcmBlock(block, bytes, channels_, samplesPerBlock_,
                              reinterpret_cast<const std::int16_t(*)[2]>(coefficients_.data()),
                              static_cast<int>(coefficients_.size() / 2), out);
  }

  std::uint32_t CutBlockFrames(std::uint32_t bytes) const {
    const std::uint32_t header = 7u * channels_;
    if (bytes < header) return 0;
    return 2 + (bytes - header) * 2 / channels_;
  }

  int channels_, blockAlign_, samplesPerBlock_;
  std::vector<std::int16_t> coefficients_;
};

}  // namespace

int DecodeMsAdpcmBlock(const std::uint8_t* block, int bytes, int channels, int samplesPerBlock,
                       const std::int16_t (*coefficients)[2], int coefficientCount, std::int16_t* out) {
  if (bytes < 7 * channels) return 0;
  int coef1[2], coef2[2], step[2], newest[2], older[2];
  for (int c = 0; c < channels; ++c) {
    const int predictor = std::min<int>(block[c], coefficientCount - 1);
    coef1[c] = coefficients[predictor][0];
    coef2[c] = coefficients[predictor][1];
    step[c] = Le16(block + channels + 2 * c);
    newest[c] = Le16(block + 3 * channels + 2 * c);
    older[c] = Le16(block + 5 * channels + 2 * c);
    out[c] = static_cast<std::int16_t>(older[c]);
    out[channels + c] = static_cast<std::int16_t>(newest[c]);
  }
  const int frames = std::min(samplesPerBlock, 2 + (bytes - 7 * channels) * 2 / channels);
  const std::uint8_t* in = block + 7 * channels;
  const int codes = (frames - 2) * channels;
  std::int16_t* o = out + 2 * channels;
  int c = 0;
  for (int i = 0; i < codes; ++i) {
    const int code = (i & 1) ? (in[i >> 1] & 15) : (in[i >> 1] >> 4);
    const long long predicted = (static_cast<long long>(newest[c]) * coef1[c] + static_cast<long long>(older[c]) * coef2[c]) >> 8;
    const long long value = predicted + static_cast<long long>(code >= 8 ? code - 16 : code) * step[c];
    const int sample = static_cast<int>(std::clamp<long long>(value, -32768, 32767));
    *o++ = static_cast<std::int16_t>(sample);
    older[c] = newest[c];
    newest[c] = sample;
    step[c] = std::clamp((kAdaptation[code] * step[c]) >> 8, 16, kMaxStep);
    if (++c == channels) c = 0;
  }
  return frames;
}

std::unique_ptr<Converter> MakeMsAdpcmConverter(const WaveFormatEx* format) {
  const int channels = format->channels;
  const int blockAlign = format->blockAlign;
  if (format->formatTag != WAVE_FORMAT_ADPCM || format->bitsPerSample != 4 || format->extraSize < 4) return nullptr;
  if (blockAlign < 7 * channels || ((blockAlign - 7 * channels) * 2) % channels != 0) return nullptr;
  const auto* extra = reinterpret_cast<const std::uint8_t*>(format + 1);
  const int samplesPerBlock = extra[0] | (extra[1] << 8);
  const int coefficientCount = extra[2] | (extra[3] << 8);
  if (samplesPerBlock != (blockAlign - 7 * channels) * 2 / channels + 2) return nullptr;
  if (coefficientCount < 1 || format->extraSize < 4 + 4 * coefficientCount) return nullptr;
  std::vector<std::int16_t> coefficients(2 * coefficientCount);
  for (int i = 0; i < 2 * coefficientCount; ++i) coefficients[i] = static_cast<std::int16_t>(Le16(extra + 4 + 2 * i));
  return std::make_unique<MsAdpcmConverter>(channels, blockAlign, samplesPerBlock, std::move(coefficients));
}

}  // namespace pf::acm
