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
constexpr int kMaxStep = 1 << 20;

inline int Le16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

struct ChannelState {
  int coef1, coef2;
  int step;           // at most kMaxStep, so step x 768 and code x step stay far inside int
  int newest, older;
};

struct BlockLayout {
  int channels;
  int samplesPerBlock;
  const std::int16_t (*coefficients)[2];
  int coefficientCount;
};

// The step's share is added before the shift (its low 8 bits are zero, so the sum is the same) and
// saturation is a branch real audio rarely takes: both keep the wait from one sample to the next
// short.
inline std::int16_t NextSample(ChannelState& s, int code) {
  const std::int64_t sum = std::int64_t{s.newest} * s.coef1 + std::int64_t{s.older} * s.coef2 +
                           (std::int64_t{((code ^ 8) - 8) * s.step} << 8);
  int sample = static_cast<int>(sum >> 8);
  if (static_cast<unsigned>(sample + 32768) > 65535u) sample = sample < 0 ? -32768 : 32767;
  s.older = s.newest;
  s.newest = sample;
  int step = std::max((kAdaptation[code] * s.step) >> 8, 16);
  if (step > kMaxStep) step = kMaxStep;
  s.step = step;
  return static_cast<std::int16_t>(sample);
}


// Each byte holds two codes, high nibble first: one channel's two samples, or one sample of each
// channel. The states are copied into locals so they stay in registers.
template <int kChannels>
void DecodeCodes(const ChannelState* states, const std::uint8_t* in, int codes, std::int16_t* o) {
  ChannelState first = states[0];
  ChannelState second = states[kChannels - 1];
  for (int i = 0; i < codes / 2; ++i) {
    const int byte = in[i];
    *o++ = NextSample(first, byte >> 4);
    *o++ = NextSample(kChannels == 1 ? first : second, byte & 15);
  }
  if (codes & 1) *o = NextSample(first, in[codes / 2] >> 4);
}

// Two whole blocks side by side: each sample waits on the one before it in its channel, so
// interleaving two independent blocks keeps twice as many chains in flight.
template <int kChannels>
void DecodeCodesOfTwoBlocks(const ChannelState* statesA, const std::uint8_t* inA, std::int16_t* oA,
                            const ChannelState* statesB, const std::uint8_t* inB, std::int16_t* oB, int codes) {
  ChannelState a1 = statesA[0], a2 = statesA[kChannels - 1];
  ChannelState b1 = statesB[0], b2 = statesB[kChannels - 1];
  for (int i = 0; i < codes / 2; ++i) {
    const int byteA = inA[i], byteB = inB[i];
    *oA++ = NextSample(a1, byteA >> 4);
    *oB++ = NextSample(b1, byteB >> 4);
    *oA++ = NextSample(kChannels == 1 ? a1 : a2, byteA & 15);
    *oB++ = NextSample(kChannels == 1 ? b1 : b2, byteB & 15);
  }
  if (codes & 1) {
    *oA = NextSample(a1, inA[codes / 2] >> 4);
    *oB = NextSample(b1, inB[codes / 2] >> 4);
  }
}

// The block header: each channel's predictor, step and first two samples (written out, the older
// first). Returns the frames the block holds.
int StartBlock(const std::uint8_t* block, int bytes, const BlockLayout& layout, ChannelState* states,
               std::int16_t* out) {
  const int channels = layout.channels;
  for (int c = 0; c < channels; ++c) {
    const int predictor = std::min<int>(block[c], layout.coefficientCount - 1);
    states[c].coef1 = layout.coefficients[predictor][0];
    states[c].coef2 = layout.coefficients[predictor][1];
    states[c].step = Le16(block + channels + 2 * c);   // as stored: the adaptation brings it to 16 or more
    states[c].newest = Le16(block + 3 * channels + 2 * c);
    states[c].older = Le16(block + 5 * channels + 2 * c);
    out[c] = static_cast<std::int16_t>(states[c].older);
    out[channels + c] = static_cast<std::int16_t>(states[c].newest);
  }
  return std::min(layout.samplesPerBlock, 2 + (bytes - 7 * channels) * 2 / channels);
}

// One block, whole or cut (at least its header); returns the frames written.
int DecodeBlock(const std::uint8_t* block, int bytes, const BlockLayout& layout, std::int16_t* out) {
  ChannelState states[2];
  const int frames = StartBlock(block, bytes, layout, states, out);
  const int channels = layout.channels;
  const int codes = (frames - 2) * channels;
  if (channels == 1) {
    DecodeCodes<1>(states, block + 7, codes, out + 2);
  } else {
    DecodeCodes<2>(states, block + 14, codes, out + 4);
  }
  return frames;
}

// Two whole blocks, the second's output right after the first's.
void DecodeTwoBlocks(const std::uint8_t* blocks, int blockAlign, const BlockLayout& layout, std::int16_t* out) {
  ChannelState statesA[2], statesB[2];
  const int channels = layout.channels;
  std::int16_t* outB = out + layout.samplesPerBlock * channels;
  StartBlock(blocks, blockAlign, layout, statesA, out);
  StartBlock(blocks + blockAlign, blockAlign, layout, statesB, outB);
  const int codes = (layout.samplesPerBlock - 2) * channels;
  const int header = 7 * channels;
  if (channels == 1) {
    DecodeCodesOfTwoBlocks<1>(statesA, blocks + header, out + 2, statesB, blocks + blockAlign + header, outB + 2, codes);
  } else {
    DecodeCodesOfTwoBlocks<2>(statesA, blocks + header, out + 4, statesB, blocks + blockAlign + header, outB + 4, codes);
  }
}

class MsAdpcmConverter final : public Converter {
 public:
  MsAdpcmConverter(int channels, int blockAlign, int samplesPerBlock, std::vector<std::int16_t> coefficients)
      : channels_(channels), blockAlign_(blockAlign), samplesPerBlock_(samplesPerBlock),
        coefficients_(std::move(coefficients)) {
    layout_ = {channels_, samplesPerBlock_, reinterpret_cast<const std::int16_t(*)[2]>(coefficients_.data()),
               static_cast<int>(coefficients_.size() / 2)};
  }

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
    const std::uint32_t block = static_cast<std::uint32_t>(blockAlign_);
    while (sourceLength - taken >= 2 * block && destLength - written >= 2 * blockOutput) {
      DecodeTwoBlocks(source + taken, blockAlign_, layout_, out + written / 2);
      written += 2 * blockOutput;
      taken += 2 * block;
    }
    while (sourceLength - taken >= block && destLength - written >= blockOutput) {
      written += 2u * channels_ * DecodeBlock(source + taken, blockAlign_, layout_, out + written / 2);
      taken += block;
    }
    const std::uint32_t rest = sourceLength - taken;
    if (taken == 0 && rest < static_cast<std::uint32_t>(blockAlign_)) {
      const std::uint32_t cutOutput = CutBlockFrames(rest) * channels_ * 2;
      if (cutOutput > 0 && destLength >= cutOutput) {
        written = 2u * channels_ * DecodeBlock(source, static_cast<int>(rest), layout_, out);
        taken = rest;
      }
    }
    *used = taken;
    *produced = written;
  }

 private:
  std::uint32_t CutBlockFrames(std::uint32_t bytes) const {
    const std::uint32_t header = 7u * channels_;
    if (bytes < header) return 0;
    return 2 + (bytes - header) * 2 / channels_;
  }

  int channels_, blockAlign_, samplesPerBlock_;
  std::vector<std::int16_t> coefficients_;
  BlockLayout layout_;
};

}  // namespace

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
