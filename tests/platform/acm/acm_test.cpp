// The ACM stand-in: format suggestion, metrics, opening conversion streams, header preparation,
// conversion results and the fault switches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

}  // namespace
