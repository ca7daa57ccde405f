// Compressed WAVE through the ACM: MS ADPCM, IMA ADPCM, A-law and mu-law decode to exactly the PCM
// libsndfile decodes from the same file, for odd block sizes, blocks larger than one conversion
// chunk, mono and stereo, and a cut last block.
#include <gtest/gtest.h>

#include "sound_input/sound_fixture.h"
#include "support/reference_audio.h"
#include "support/test_paths.h"
#include "support/zva_writer.h"
#include "support/wave_writer.h"

namespace zelvo_test {
namespace {

struct AdpcmCase {
  const char* name;
  std::uint16_t tag;
  int channels;
  int blockAlign;
  int frames;
  int partialBytes;   // the last block cut to this many bytes; 0 keeps it whole
};

class AdpcmDecode : public ::testing::TestWithParam<AdpcmCase> {};

TEST_P(AdpcmDecode, MatchesLibsndfile) {
  const AdpcmCase& c = GetParam();
  const auto signal = TestSignal(c.frames, c.channels);
  const WaveLayout layout = c.tag == kWaveImaAdpcm
                                ? ImaAdpcmWave(signal, c.channels, 22050, c.blockAlign, c.partialBytes)
                                : MsAdpcmWave(signal, c.channels, 22050, c.blockAlign, c.partialBytes);
  const WaveBytes file = WriteWave(layout);
  // libsndfile drops a cut MS ADPCM block and fills a cut IMA block from absent data; sox decodes
  // what a cut block holds, as we do.
  ReferencePcm reference;
  if (c.partialBytes > 0) {
    const std::string folder = MakeScratchFolderForCurrentTest();
    WriteFileBytes(folder + "/cut.wav", file);
    reference.samples = DecodeWithSox(folder + "/cut.wav");
    RemoveFolderTree(folder);
    ASSERT_FALSE(reference.samples.empty());
  } else {
    ASSERT_TRUE(DecodeWithLibsndfile(file, &reference));
  }

  const DecodedSound ours = DecodeImage(file);
  ASSERT_EQ(ours.result, 0);
  EXPECT_EQ(ours.format.formatTag, 1);
  EXPECT_EQ(ours.format.channels, c.channels);
  EXPECT_EQ(ours.format.samplesPerSec, 22050u);
  EXPECT_EQ(ours.format.bitsPerSample, 16);
  EXPECT_EQ(ours.format.blockAlign, 2 * c.channels);
  // Every whole block, and of a cut block the sample groups it holds; libsndfile stops at the fact
  // chunk's count, so the samples both hold are compared.
  const bool ima = c.tag == kWaveImaAdpcm;
  const int perBlock = ima ? ImaSamplesPerBlock(c.channels, c.blockAlign) : MsAdpcmSamplesPerBlock(c.channels, c.blockAlign);
  const int blocks = (c.frames + perBlock - 1) / perBlock;
  int frames = blocks * perBlock;
  if (c.partialBytes > 0) {
    const int header = (ima ? 4 : 7) * c.channels;
    frames -= perBlock;
    frames += ima ? 1 + (c.partialBytes - header) / header * 8 : 2 + (c.partialBytes - header) * 2 / c.channels;
  }
  EXPECT_EQ(ours.samples.size(), static_cast<std::size_t>(frames) * c.channels);
  const std::size_t common = std::min(ours.samples.size(), reference.samples.size());
  EXPECT_GE(common, std::min<std::size_t>(ours.samples.size(), static_cast<std::size_t>(c.frames) * c.channels));
  EXPECT_EQ(MaxDifference(ours.samples, reference.samples, common), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, AdpcmDecode,
    ::testing::Values(AdpcmCase{"ImaMono256", kWaveImaAdpcm, 1, 256, 3000, 0},
                      AdpcmCase{"ImaStereo512", kWaveImaAdpcm, 2, 512, 3000, 0},
                      AdpcmCase{"ImaMonoTiny", kWaveImaAdpcm, 1, 36, 999, 0},
                      AdpcmCase{"ImaStereoOdd", kWaveImaAdpcm, 2, 1048, 5001, 0},
                      AdpcmCase{"ImaMonoLargerThanChunk", kWaveImaAdpcm, 1, 4100, 20000, 0},
                      AdpcmCase{"ImaMonoCutLast", kWaveImaAdpcm, 1, 256, 1500, 100},
                      AdpcmCase{"ImaStereoCutLast", kWaveImaAdpcm, 2, 512, 1500, 48},
                      AdpcmCase{"MsMono256", kWaveMsAdpcm, 1, 256, 3000, 0},
                      AdpcmCase{"MsStereo512", kWaveMsAdpcm, 2, 512, 3000, 0},
                      AdpcmCase{"MsMonoOdd", kWaveMsAdpcm, 1, 1031, 5000, 0},
                      AdpcmCase{"MsMonoTiny", kWaveMsAdpcm, 1, 20, 777, 0},
                      AdpcmCase{"MsStereoTiny", kWaveMsAdpcm, 2, 30, 500, 0},
                      AdpcmCase{"MsMonoLargerThanChunk", kWaveMsAdpcm, 1, 4103, 20000, 0},
                      AdpcmCase{"MsMonoCutLast", kWaveMsAdpcm, 1, 256, 1500, 77},
                      AdpcmCase{"MsStereoCutLast", kWaveMsAdpcm, 2, 512, 1500, 101}),
    [](const ::testing::TestParamInfo<AdpcmCase>& info) { return std::string(info.param.name); });

class CompressedWave : public SoundTest {};

// The length is the converter's size of the whole data; seeks backwards restart from the first
// block through the spare stream.
TEST_F(CompressedWave, LengthAndSeeksFollowTheConversion) {
  const auto signal = TestSignal(12000, 2);
  const WaveBytes file = WriteWave(MsAdpcmWave(signal, 2, 22050, 512));
  const DecodedSound whole = DecodeImage(file);
  ASSERT_EQ(whole.result, 0);
  MemorySource source(file);
  ASSERT_EQ(source.result(), 0);
  EXPECT_EQ(source.get()->kind, zelvo::kSoundSourceAcm);
  EXPECT_EQ(source.get()->totalSamples, -1);
  EXPECT_EQ(zelvo::GetSoundSourceLength(source.get()), static_cast<std::int32_t>(whole.bytes.size()));
  const auto at = [&](std::size_t sample, std::size_t bytes) {
    return std::vector<std::uint8_t>(whole.bytes.begin() + sample * 4, whole.bytes.begin() + sample * 4 + bytes);
  };
  EXPECT_EQ(source.Read(3000), at(0, 3000));
  zelvo::SeekSoundSource(source.get(), 9000);
  EXPECT_EQ(source.Read(800), at(9000, 800));
  zelvo::SeekSoundSource(source.get(), 10);
  EXPECT_EQ(source.Read(800), at(10, 800));
}

TEST_F(CompressedWave, ConverterFaultsRefuseOrEndTheSound) {
  const WaveBytes file = WriteWave(ImaAdpcmWave(std::vector<std::int16_t>(3000, 0), 1, 22050, 256));
  pf::testing::FailNextCalls("acmStreamOpen", 1);
  EXPECT_EQ(DecodeImage(file).result, -1);
  EXPECT_NE(Log().find("音声ファイルのＰＣＭへの変換に失敗しました"), std::string::npos);
  pf::testing::FailNextCalls("acmStreamConvert", 1);   // the first conversion gives nothing: the end
  EXPECT_EQ(DecodeImage(file).result, -1);
  pf::testing::FailNextCalls("acmStreamConvert", 0);
  EXPECT_EQ(DecodeImage(file).result, 0);
}

// A crafted block whose step only grows: every sample saturates, and the step's growth is bounded
// (it once overflowed).
TEST(MsAdpcmDecode, GrowingStepSaturates) {
  WaveLayout layout = MsAdpcmWave(TestSignal(2000, 1), 1, 8000, 64);
  for (std::size_t block = 0; block < layout.data.size(); block += 64) {
    layout.data[block] = 0;                            // predictor 0
    layout.data[block + 1] = 0xFF;                     // initial delta 0x7FFF, the largest
    layout.data[block + 2] = 0x7F;
    std::fill(layout.data.begin() + block + 7, layout.data.begin() + block + 64, 0x77);
  }
  const DecodedSound ours = DecodeImage(WriteWave(layout));
  ASSERT_EQ(ours.result, 0);
  const int perBlock = MsAdpcmSamplesPerBlock(1, 64);
  for (std::size_t i = 0; i < ours.samples.size(); ++i) {
    if (i % perBlock >= 2) {
      ASSERT_EQ(ours.samples[i], 32767) << i;
    }
  }
}

TEST(G711Decode, EveryCodeMatchesLibsndfile) {
  std::vector<std::uint8_t> codes;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 256; ++i) codes.push_back(static_cast<std::uint8_t>(i * 37 + round));
  }
  for (std::uint16_t tag : {kWaveALaw, kWaveMuLaw}) {
    for (int channels : {1, 2}) {
      const WaveBytes file = WriteWave(G711Wave(tag, codes, channels, 8000));
      ReferencePcm reference;
      ASSERT_TRUE(DecodeWithLibsndfile(file, &reference));
      const DecodedSound ours = DecodeImage(file);
      ASSERT_EQ(ours.result, 0);
      EXPECT_EQ(ours.format.channels, channels);
      EXPECT_EQ(ours.samples, reference.samples) << "tag " << tag << " channels " << channels;
    }
  }
}

}  // namespace
}  // namespace zelvo_test
