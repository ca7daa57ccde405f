// Microsoft ADPCM: per block the predictor of each channel, its step, and its two first samples
// (the second one first), then nibbles high first, channels alternating. The coefficient pairs
// come from the format.
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/acm/acm_converters.h"
#include "platform/acm/acm_testing.h"

namespace pf::acm {
namespace {

bool g_vectorDecode = true;

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

// Four whole stereo blocks side by side in the lanes of one vector: lane 2b is block b's left
// channel, lane 2b + 1 its right. Each step takes one byte of every block and gives every lane one
// sample, by the same arithmetic as NextSample: the prediction's two products in one multiply-add
// of (newest, older) against (coef1, coef2), which fits 32 bits unless both coefficients and both
// samples are -32768 (the caller keeps such coefficients on the scalar path); the step's share is
// added after the shift, which gives the same sum because its low 8 bits are zero.
[[gnu::target("avx2")]] void DecodeFourStereoBlocks(const std::uint8_t* blocks, int blockAlign,
                                                    const BlockLayout& layout, std::int16_t* out) {
  constexpr int kBlocks = 4;
  const int frameValues = 2 * layout.samplesPerBlock;
  alignas(32) std::int32_t pairs[8], coefficients[8], steps[8];
  const std::uint8_t* codes[kBlocks];
  std::int16_t* written[kBlocks];
  for (int b = 0; b < kBlocks; ++b) {
    ChannelState states[2];
    const std::uint8_t* block = blocks + static_cast<std::ptrdiff_t>(b) * blockAlign;
    StartBlock(block, blockAlign, layout, states, out + b * frameValues);
    for (int c = 0; c < 2; ++c) {
      const ChannelState& s = states[c];
      pairs[2 * b + c] = static_cast<std::int32_t>((s.newest & 0xFFFF) | (static_cast<std::uint32_t>(s.older) << 16));
      coefficients[2 * b + c] = static_cast<std::int32_t>((s.coef1 & 0xFFFF) | (static_cast<std::uint32_t>(s.coef2) << 16));
      steps[2 * b + c] = s.step;
    }
    codes[b] = block + 14;
    written[b] = out + b * frameValues + 4;
  }
  __m256i samplePairs = _mm256_load_si256(reinterpret_cast<const __m256i*>(pairs));
  const __m256i coefficientPairs = _mm256_load_si256(reinterpret_cast<const __m256i*>(coefficients));
  __m256i step = _mm256_load_si256(reinterpret_cast<const __m256i*>(steps));
  // Block b's byte sits in bits 8b..8b+7 of the broadcast word: the left lane takes its high
  // nibble, the right lane its low one.
  const __m256i nibbleShifts = _mm256_setr_epi32(4, 0, 12, 8, 20, 16, 28, 24);
  const __m256i nibble = _mm256_set1_epi32(15);
  const __m256i adaptationLow = _mm256_setr_epi32(230, 230, 230, 230, 307, 409, 512, 614);
  const __m256i adaptationHigh = _mm256_setr_epi32(768, 614, 512, 409, 307, 230, 230, 230);
  const __m256i stepFloor = _mm256_set1_epi32(16), stepCeiling = _mm256_set1_epi32(kMaxStep);
  const __m256i sampleFloor = _mm256_set1_epi32(-32768), sampleCeiling = _mm256_set1_epi32(32767);
  const int frames = layout.samplesPerBlock - 2;
  for (int i = 0; i < frames; ++i) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(codes[0][i]) | static_cast<std::uint32_t>(codes[1][i]) << 8 |
                                static_cast<std::uint32_t>(codes[2][i]) << 16 | static_cast<std::uint32_t>(codes[3][i]) << 24;
    const __m256i code =
        _mm256_and_si256(_mm256_srlv_epi32(_mm256_set1_epi32(static_cast<int>(bytes)), nibbleShifts), nibble);
    const __m256i codeHigh = _mm256_slli_epi32(code, 28);   // bit 3 on top: the sign, and the table half
    const __m256i delta = _mm256_mullo_epi32(_mm256_srai_epi32(codeHigh, 28), step);
    __m256i sample = _mm256_add_epi32(_mm256_srai_epi32(_mm256_madd_epi16(samplePairs, coefficientPairs), 8), delta);
    sample = _mm256_min_epi32(_mm256_max_epi32(sample, sampleFloor), sampleCeiling);
    samplePairs = _mm256_blend_epi16(_mm256_slli_epi32(samplePairs, 16), sample, 0x55);
    const __m256 adaptation = _mm256_blendv_ps(_mm256_castsi256_ps(_mm256_permutevar8x32_epi32(adaptationLow, code)),
                                               _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(adaptationHigh, code)),
                                               _mm256_castsi256_ps(codeHigh));
    step = _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_castps_si256(adaptation), step), 8);
    step = _mm256_min_epi32(_mm256_max_epi32(step, stepFloor), stepCeiling);
    // Each block's left and right sample are one 32-bit frame of the packed words.
    const __m256i packed = _mm256_packs_epi32(sample, sample);
    const __m128i low = _mm256_castsi256_si128(packed), high = _mm256_extracti128_si256(packed, 1);
    const std::int32_t frame[kBlocks] = {_mm_cvtsi128_si32(low), _mm_extract_epi32(low, 1), _mm_cvtsi128_si32(high),
                                         _mm_extract_epi32(high, 1)};
    for (int b = 0; b < kBlocks; ++b) std::memcpy(written[b] + 2 * i, &frame[b], 4);
  }
}

bool VectorDecodeUsable() {
  static const bool usable = __builtin_cpu_supports("avx2") != 0;
  return usable;
}

// The multiply-add of the vector path overflows only for a (-32768, -32768) coefficient pair.
bool CoefficientsFitVectorPath(const std::vector<std::int16_t>& coefficients) {
  for (std::size_t i = 0; i + 1 < coefficients.size(); i += 2) {
    if (coefficients[i] == -32768 && coefficients[i + 1] == -32768) return false;
  }
  return true;
}

class MsAdpcmConverter final : public Converter {
 public:
  MsAdpcmConverter(int channels, int blockAlign, int samplesPerBlock, std::vector<std::int16_t> coefficients)
      : channels_(channels), blockAlign_(blockAlign), samplesPerBlock_(samplesPerBlock),
        coefficients_(std::move(coefficients)) {
    layout_ = {channels_, samplesPerBlock_, reinterpret_cast<const std::int16_t(*)[2]>(coefficients_.data()),
               static_cast<int>(coefficients_.size() / 2)};
    fourBlocksAtOnce_ = channels_ == 2 && g_vectorDecode && VectorDecodeUsable() && CoefficientsFitVectorPath(coefficients_);
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
    while (fourBlocksAtOnce_ && sourceLength - taken >= 4 * block && destLength - written >= 4 * blockOutput) {
      DecodeFourStereoBlocks(source + taken, blockAlign_, layout_, out + written / 2);
      written += 4 * blockOutput;
      taken += 4 * block;
    }
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
  bool fourBlocksAtOnce_ = false;
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

namespace pf::testing {

void UseVectorMsAdpcm(bool on) { acm::g_vectorDecode = on; }

}  // namespace pf::testing
