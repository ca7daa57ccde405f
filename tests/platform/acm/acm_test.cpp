// The ACM stand-in: format suggestion, metrics, opening conversion streams, header preparation,
// conversion results and the fault switches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/acm/acm.h"
#include "platform/acm/acm_testing.h"
#include "support/wave_writer.h"

namespace {

using namespace pf;

// The format block (18 bytes and its extra bytes) of a WAVE layout.
std::vector<std::uint8_t> FormatBlock(const zelvo_test::WaveLayout& layout) {
  const zelvo_test::WaveBytes file = zelvo_test::WriteWave(layout);
  const std::uint32_t size = file[16] | (file[17] << 8);
  std::vector<std::uint8_t> block(file.begin() + 20, file.begin() + 20 + size);
  block.resize(std::max<std::size_t>(block.size(), 18));
  return block;
}

const WaveFormatEx* AsFormat(const std::vector<std::uint8_t>& block) {
  return reinterpret_cast<const WaveFormatEx*>(block.data());
}

WaveFormatEx Pcm16(int channels, std::uint32_t rate) {
  return {WAVE_FORMAT_PCM, static_cast<std::uint16_t>(channels), rate, rate * 2 * channels,
          static_cast<std::uint16_t>(2 * channels), 16, 0};
}

class Acm : public ::testing::Test {
 protected:
  void TearDown() override {
    pf::testing::ClearFaults();
    EXPECT_EQ(pf::testing::OpenAcmStreamCount(), 0);
  }
  const std::vector<std::int16_t> samples_ = std::vector<std::int16_t>(2000, 100);
  const std::vector<std::uint8_t> ima_ = FormatBlock(zelvo_test::ImaAdpcmWave(samples_, 2, 22050, 512));
};

TEST_F(Acm, SuggestsSixteenBitPcmOfTheSameChannelsAndRate) {
  const std::vector<std::uint8_t> formats[] = {
      ima_, FormatBlock(zelvo_test::MsAdpcmWave(samples_, 1, 11025, 256)),
      FormatBlock(zelvo_test::G711Wave(zelvo_test::kWaveALaw, {1, 2}, 2, 8000)),
      FormatBlock(zelvo_test::MpegWave(std::vector<std::uint8_t>{0xFF, 0xFB, 0x90, 0xC0, 0, 0}))};
  for (const auto& block : formats) {
    WaveFormatEx suggested{};
    suggested.formatTag = WAVE_FORMAT_PCM;
    ASSERT_EQ(acmFormatSuggest(nullptr, AsFormat(block), &suggested, sizeof suggested, ACM_FORMATSUGGESTF_WFORMATTAG),
              MMSYSERR_NOERROR);
    const WaveFormatEx expected = Pcm16(AsFormat(block)->channels, AsFormat(block)->samplesPerSec);
    EXPECT_EQ(std::memcmp(&suggested, &expected, sizeof expected), 0) << AsFormat(block)->formatTag;
  }
  WaveFormatEx suggested{};
  suggested.formatTag = WAVE_FORMAT_PCM;
  const WaveFormatEx pcm = Pcm16(2, 44100);
  EXPECT_EQ(acmFormatSuggest(nullptr, &pcm, &suggested, sizeof suggested, ACM_FORMATSUGGESTF_WFORMATTAG),
            ACMERR_NOTPOSSIBLE);
  std::vector<std::uint8_t> gsm = ima_;
  reinterpret_cast<WaveFormatEx*>(gsm.data())->formatTag = 0x0031;
  EXPECT_EQ(acmFormatSuggest(nullptr, AsFormat(gsm), &suggested, sizeof suggested, ACM_FORMATSUGGESTF_WFORMATTAG),
            ACMERR_NOTPOSSIBLE);
  suggested.formatTag = WAVE_FORMAT_IMA_ADPCM;
  EXPECT_EQ(acmFormatSuggest(nullptr, AsFormat(ima_), &suggested, sizeof suggested, ACM_FORMATSUGGESTF_WFORMATTAG),
            ACMERR_NOTPOSSIBLE);

  std::uint32_t largest = 32;
  EXPECT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest), MMSYSERR_NOERROR);
  EXPECT_EQ(largest, 50u);
}

TEST_F(Acm, OpensOnlyToTheSuggestedPcm) {
  AcmStream stream = nullptr;
  WaveFormatEx eightBit = Pcm16(2, 22050);
  eightBit.bitsPerSample = 8;
  eightBit.blockAlign = 2;
  WaveFormatEx otherRate = Pcm16(2, 44100);
  for (const WaveFormatEx& target : {eightBit, otherRate}) {
    EXPECT_EQ(acmStreamOpen(&stream, nullptr, AsFormat(ima_), &target, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME),
              ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(stream, nullptr);
  }
  const WaveFormatEx pcm = Pcm16(2, 22050);
  ASSERT_EQ(acmStreamOpen(&stream, nullptr, AsFormat(ima_), &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME),
            MMSYSERR_NOERROR);
  // 512-byte stereo blocks of 505 samples; the size counts whole blocks and a cut block's groups.
  std::uint32_t size = 0;
  EXPECT_EQ(acmStreamSize(stream, 1024, &size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
  EXPECT_EQ(size, 2u * 505 * 4);
  EXPECT_EQ(acmStreamSize(stream, 512 + 24, &size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
  EXPECT_EQ(size, (505u + 1 + 2 * 8) * 4);   // a cut block: its first sample and two 8-byte groups
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_INVALHANDLE);
}

TEST_F(Acm, ConvertsWholeBlocksThatFitThroughPreparedHeaders) {
  const WaveFormatEx pcm = Pcm16(2, 22050);
  AcmStream stream = nullptr;
  ASSERT_EQ(acmStreamOpen(&stream, nullptr, AsFormat(ima_), &pcm, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
  const zelvo_test::WaveLayout layout = zelvo_test::ImaAdpcmWave(std::vector<std::int16_t>(4000, 300), 2, 22050, 512);
  std::vector<std::uint8_t> out(3 * 505 * 4 - 1);   // room for two blocks, not three
  AcmStreamHeader header{};
  header.structSize = sizeof header;
  header.source = layout.data.data();
  header.sourceLength = 3 * 512 + 100;
  header.dest = out.data();
  header.destLength = static_cast<std::uint32_t>(out.size());
  EXPECT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN), ACMERR_UNPREPARED);
  ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
  EXPECT_EQ(header.sourceLengthUsed, 2u * 512);
  EXPECT_EQ(header.destLengthUsed, 2u * 505 * 4);

  pf::testing::FailNextCalls("acmStreamConvert", 1);
  EXPECT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_ERROR);
  EXPECT_EQ(header.sourceLengthUsed, 0u);
  EXPECT_EQ(header.destLengthUsed, 0u);
  header.sourceLength = 100;   // shorter than one block: the last, cut block
  EXPECT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
  EXPECT_EQ(header.sourceLengthUsed, 100u);
  EXPECT_EQ(header.destLengthUsed, (1u + (100 - 8) / 8 * 8) * 4);   // 8 header bytes, then 8-byte groups
  header.sourceLength = 4 * 512;   // longer than prepared
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), ACMERR_UNPREPARED);
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_INVALHANDLE);
}

TEST_F(Acm, OpenFaultAnswersOutOfMemory) {
  const WaveFormatEx pcm = Pcm16(2, 22050);
  AcmStream stream = nullptr;
  pf::testing::FailNextCalls("acmStreamOpen", 1);
  EXPECT_EQ(acmStreamOpen(&stream, nullptr, AsFormat(ima_), &pcm, nullptr, 0, 0, 0), MMSYSERR_NOMEM);
  EXPECT_EQ(stream, nullptr);
  ASSERT_EQ(acmStreamOpen(&stream, nullptr, AsFormat(ima_), &pcm, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
}

// MS ADPCM as the format defines it, one sample at a time, for comparing the converter with.
std::vector<std::int16_t> ReferenceMsAdpcm(const std::uint8_t* data, int bytes, int channels, int blockAlign,
                                           const std::vector<std::int16_t>& coefficients) {
  static const int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
  const int perBlock = (blockAlign - 7 * channels) * 2 / channels + 2;
  auto le16 = [](const std::uint8_t* p) { return static_cast<int>(static_cast<std::int16_t>(p[0] | (p[1] << 8))); };
  std::vector<std::int16_t> out;
  for (int start = 0; start + 7 * channels <= bytes; start += blockAlign) {
    const std::uint8_t* block = data + start;
    const int length = std::min(blockAlign, bytes - start);
    const int frames = std::min(perBlock, 2 + (length - 7 * channels) * 2 / channels);
    int c1[2], c2[2], step[2], newest[2], older[2];
    for (int c = 0; c < channels; ++c) {
      const int predictor = std::min<int>(block[c], static_cast<int>(coefficients.size() / 2) - 1);
      c1[c] = coefficients[2 * predictor];
      c2[c] = coefficients[2 * predictor + 1];
      step[c] = le16(block + channels + 2 * c);
      newest[c] = le16(block + 3 * channels + 2 * c);
      older[c] = le16(block + 5 * channels + 2 * c);
    }
    for (int c = 0; c < channels; ++c) out.push_back(static_cast<std::int16_t>(older[c]));
    for (int c = 0; c < channels; ++c) out.push_back(static_cast<std::int16_t>(newest[c]));
    for (int n = 0; n < (frames - 2) * channels; ++n) {
      const int c = n % channels;
      const int code = (block[7 * channels + n / 2] >> (n % 2 == 0 ? 4 : 0)) & 15;
      const std::int64_t sum = ((std::int64_t{newest[c]} * c1[c] + std::int64_t{older[c]} * c2[c]) >> 8) +
                               std::int64_t{(code >= 8 ? code - 16 : code)} * step[c];
      const int sample = static_cast<int>(std::clamp<std::int64_t>(sum, -32768, 32767));
      older[c] = newest[c];
      newest[c] = sample;
      step[c] = std::min(std::max((kAdaptation[code] * step[c]) >> 8, 16), 1 << 20);
      out.push_back(static_cast<std::int16_t>(sample));
    }
  }
  return out;
}

// Random block bytes (predictors, steps and first samples included) through the converter, on the
// vector path and on the scalar path, against the reference: mono and stereo, block lengths odd and
// even, runs of blocks that do and do not fill the four-block groups, and a cut last block.
TEST(MsAdpcmConverter, DecodesRandomBlocksAsTheReference) {
  struct Case {
    int channels, blockAlign, blocks, cutBytes;
  };
  const Case cases[] = {{2, 2048, 9, 0},  {2, 2048, 4, 1001}, {2, 30, 11, 17}, {2, 514, 7, 14},
                        {1, 1031, 6, 500}, {1, 20, 13, 9},    {1, 256, 3, 0},  {2, 1024, 1, 0}};
  std::mt19937 rng(11);
  for (const Case& c : cases) {
    for (const int coefficientSet : {0, 1, 2}) {
      SCOPED_TRACE(::testing::Message() << c.channels << " channels, block " << c.blockAlign << ", " << c.blocks
                                        << " blocks, cut " << c.cutBytes << ", coefficients " << coefficientSet);
      const int perBlock = (c.blockAlign - 7 * c.channels) * 2 / c.channels + 2;
      std::vector<std::uint8_t> format(18 + 4 + 4 * 7);
      auto put16 = [&](int at, int v) {
        format[at] = static_cast<std::uint8_t>(v);
        format[at + 1] = static_cast<std::uint8_t>(v >> 8);
      };
      put16(0, WAVE_FORMAT_ADPCM);
      put16(2, c.channels);
      put16(4, 22050);
      put16(12, c.blockAlign);
      put16(14, 4);
      put16(16, 4 + 4 * 7);
      put16(18, perBlock);
      put16(20, 7);
      // The standard pairs; extremes that drive the sums to saturation; and a (-32768, -32768) pair,
      // whose sums leave 32 bits.
      const std::vector<std::int16_t> sets[3] = {
          {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232},
          {32767, 32767, -32768, 32767, 32767, -32768, -32768, -32767, 256, 0, 512, -256, 0, 0},
          {-32768, -32768, 32767, 32767, 256, 0, 512, -256, 0, 0, 192, 64, 240, 0}};
      const std::vector<std::int16_t>& coefficients = sets[coefficientSet];
      for (int i = 0; i < 14; ++i) put16(22 + 2 * i, coefficients[i]);
      std::vector<std::uint8_t> data(static_cast<std::size_t>(c.blocks * c.blockAlign + c.cutBytes));
      for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(rng());
      for (int start = 0; start < static_cast<int>(data.size()); start += c.blockAlign) {
        // Predictors mostly in range, one past it (taken as the last pair).
        for (int ch = 0; ch < c.channels && start + ch < static_cast<int>(data.size()); ++ch) {
          data[start + ch] = static_cast<std::uint8_t>(rng() % 8);
        }
      }
      const std::vector<std::int16_t> expected =
          ReferenceMsAdpcm(data.data(), static_cast<int>(data.size()), c.channels, c.blockAlign, coefficients);
      for (const bool vector : {true, false}) {
        pf::testing::UseVectorMsAdpcm(vector);
        const WaveFormatEx pcm = Pcm16(c.channels, 22050);
        AcmStream stream = nullptr;
        ASSERT_EQ(acmStreamOpen(&stream, nullptr, reinterpret_cast<const WaveFormatEx*>(format.data()), &pcm, nullptr,
                                0, 0, 0),
                  MMSYSERR_NOERROR);
        std::vector<std::int16_t> got;
        std::uint32_t taken = 0;
        while (taken < data.size()) {
          std::vector<std::int16_t> out(static_cast<std::size_t>((c.blocks + 1) * perBlock * c.channels));
          AcmStreamHeader header{};
          header.structSize = sizeof header;
          header.source = data.data() + taken;
          header.sourceLength = static_cast<std::uint32_t>(data.size()) - taken;
          header.dest = reinterpret_cast<std::uint8_t*>(out.data());
          header.destLength = static_cast<std::uint32_t>(out.size() * 2);
          ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
          ASSERT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
          acmStreamUnprepareHeader(stream, &header, 0);
          if (header.sourceLengthUsed == 0) break;
          taken += header.sourceLengthUsed;
          got.insert(got.end(), out.begin(), out.begin() + header.destLengthUsed / 2);
        }
        EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(got, expected) << (vector ? "vector path" : "scalar path");
      }
      pf::testing::UseVectorMsAdpcm(true);
    }
  }
}

}  // namespace
