// Ogg Vorbis sources: format and lengths, PCM against libsndfile's decoding of the same file,
// seeking, chained streams, reading through the file layer (loose and archived), damaged streams.
#include <gtest/gtest.h>

#include "sound_input/sound_fixture.h"
#include "support/ogg_writer.h"
#include "support/reference_audio.h"

namespace zelvo_test {
namespace {


struct OggCase {
  const char* name;
  int channels;
  int rate;
  int frames;
};

class OggDecode : public SoundTest, public ::testing::WithParamInterface<OggCase> {};

// libsndfile and vorbisfile turn the same floats into 16 bits with different scaling; the largest
// difference measured on these streams is 1.
TEST_P(OggDecode, MatchesLibsndfileWithLengthsOfTheStream) {
  const OggCase& c = GetParam();
  const std::vector<std::uint8_t> file = WriteOggVorbis(SineSamples(c.frames, c.channels, c.rate, 440), c.channels, c.rate);
  {
    MemorySource source(file);
    ASSERT_EQ(source.result(), 0);
    EXPECT_EQ(source.get()->kind, zelvo::kSoundSourceOggVorbis);
    EXPECT_EQ(source.get()->dataSize, c.frames * c.channels * 2);
    // One second of 44.1 kHz samples more than the stream holds, whatever its rate.
    EXPECT_EQ(zelvo::GetSoundSourceLength(source.get()), (c.frames + 44100) * c.channels * 2);
    EXPECT_EQ(source.get()->pcmSize, 4096);
  }
  const DecodedSound ours = DecodeImage(file);
  ASSERT_EQ(ours.result, 0);
  EXPECT_EQ(ours.format.formatTag, 1);
  EXPECT_EQ(ours.format.channels, c.channels);
  EXPECT_EQ(ours.format.samplesPerSec, static_cast<std::uint32_t>(c.rate));
  EXPECT_EQ(ours.format.bitsPerSample, 16);
  EXPECT_EQ(ours.format.blockAlign, 2 * c.channels);
  EXPECT_EQ(ours.format.avgBytesPerSec, static_cast<std::uint32_t>(2 * c.channels * c.rate));
  // The bytes really decoded, not the one-second-larger length.
  EXPECT_EQ(ours.samples.size(), static_cast<std::size_t>(c.frames) * c.channels);
  ReferencePcm reference;
  ASSERT_TRUE(DecodeWithLibsndfile(file, &reference));
  ASSERT_EQ(reference.samples.size(), ours.samples.size());
  EXPECT_LE(MaxDifference(ours.samples, reference.samples, ours.samples.size()), 1);
}

INSTANTIATE_TEST_SUITE_P(Streams, OggDecode,
                         ::testing::Values(OggCase{"Mono22050", 1, 22050, 20000}, OggCase{"Stereo22050", 2, 22050, 15001},
                                           OggCase{"Mono44100", 1, 44100, 30000}, OggCase{"Stereo44100", 2, 44100, 44100}),
                         [](const ::testing::TestParamInfo<OggCase>& info) { return std::string(info.param.name); });

class OggSource : public SoundTest {};

TEST_F(OggSource, SeeksToTheSampleAsked) {
  const std::vector<std::uint8_t> file = WriteOggVorbis(SineSamples(40000, 2, 44100, 330), 2, 44100);
  const DecodedSound whole = DecodeImage(file);
  ASSERT_EQ(whole.result, 0);
  MemorySource source(file);
  ASSERT_EQ(source.result(), 0);
  const auto at = [&](std::size_t sample, std::size_t bytes) {
    return std::vector<std::uint8_t>(whole.bytes.begin() + sample * 4, whole.bytes.begin() + sample * 4 + bytes);
  };
  EXPECT_EQ(source.Read(6000), at(0, 6000));
  zelvo::SeekSoundSource(source.get(), 30000);
  EXPECT_EQ(source.get()->delivered, 120000);
  EXPECT_EQ(source.Read(5000), at(30000, 5000));
  zelvo::SeekSoundSource(source.get(), 17);
  EXPECT_EQ(source.Read(100), at(17, 100));
  // Near the end: the rest, then the source is at its end. Past the end: nothing.
  zelvo::SeekSoundSource(source.get(), 39990);
  EXPECT_EQ(source.Read(1000).size(), 40u);
  EXPECT_EQ(source.get()->atEnd, 1);
  zelvo::SeekSoundSource(source.get(), 50000);
  EXPECT_EQ(source.Read(1000).size(), 0u);
}

TEST_F(OggSource, ChainedStreamsCountEveryLink) {
  std::vector<std::uint8_t> file = WriteOggVorbis(SineSamples(9000, 1, 22050, 440), 1, 22050, 0.4f, 1);
  const std::vector<std::uint8_t> second = WriteOggVorbis(SineSamples(7000, 1, 22050, 880), 1, 22050, 0.4f, 2);
  file.insert(file.end(), second.begin(), second.end());
  const DecodedSound s = DecodeImage(file);
  ASSERT_EQ(s.result, 0);
  EXPECT_EQ(s.samples.size(), 16000u);
}

TEST_F(OggSource, ReadsThroughTheFileLayerLooseAndArchived) {
  const std::vector<std::uint8_t> file = WriteOggVorbis(SineSamples(12000, 2, 22050, 500), 2, 22050);
  const DecodedSound fromMemory = DecodeImage(file);
  ASSERT_EQ(fromMemory.result, 0);
  Put("bgm/loose.ogg", file);
  Put("MUSIC.ZVA", BuildZva({{"BGM\\PACKED.OGG", file, true}, {"BGM\\STORED.OGG", file, false}}, ZvaOptions{}));
  for (const char* path : {"bgm\\loose.ogg", "music\\bgm\\packed.ogg", "music\\bgm\\stored.ogg"}) {
    const zelvo::FileHandle handle = zelvo::FileOpen(path, 0, 0, 0);
    ASSERT_NE(handle, 0) << path;
    const zelvo::StreamReaderBlock reader = {*zelvo::FileStreamOpsTable(), reinterpret_cast<void*>(handle)};
    zelvo::SoundSource source;
    ASSERT_EQ(zelvo::OpenSoundSource(&reader, &source), 0) << path;
    pf::WaveFormatEx format;
    void* pcm = nullptr;
    std::int32_t size = 0;
    ASSERT_EQ(zelvo::DecodeSoundSourceAll(&source, &format, &pcm, &size), 0);
    const auto* bytes = static_cast<const std::uint8_t*>(pcm);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + size), fromMemory.bytes) << path;
    zelvo::TrackedFree(pcm);
    EXPECT_EQ(zelvo::CloseSoundSource(&source), 0);
    EXPECT_EQ(zelvo::FileClose(handle), 0);   // the source never closes the caller's reader
  }
}

TEST_F(OggSource, DamagedStreamsNeverCrashOrOverrun) {
  const std::vector<std::uint8_t> good = WriteOggVorbis(SineSamples(30000, 1, 22050, 440), 1, 22050);
  // A damaged first page (its checksum no longer fits) or a cut header: refused and logged.
  std::vector<std::uint8_t> badFirstPage = good;
  badFirstPage[30] ^= 0xFF;
  const std::vector<std::uint8_t> cutHeaders(good.begin(), good.begin() + 60);
  for (const auto& file : {badFirstPage, cutHeaders}) {
    EXPECT_EQ(DecodeImage(file).result, -1);
    EXPECT_NE(Log().find(kConversionFailed), std::string::npos);
  }
  // Damage inside the audio pages of a long noisy stream (the headers take the first few
  // kilobytes): what can be decoded comes out, never more than the stream holds.
  const std::vector<std::uint8_t> noisy = WriteOggVorbis(TestSignal(88200, 1), 1, 22050);
  ASSERT_GT(noisy.size(), 20000u);
  std::vector<std::uint8_t> badAudioPage = noisy;
  for (std::size_t i = noisy.size() / 2; i < noisy.size() / 2 + 200; ++i) badAudioPage[i] ^= 0x5A;
  const std::vector<std::uint8_t> cutAudio(noisy.begin(), noisy.begin() + noisy.size() * 2 / 3);
  for (const auto& file : {badAudioPage, cutAudio}) {
    const DecodedSound s = DecodeImage(file);
    ASSERT_EQ(s.result, 0);
    EXPECT_GT(s.samples.size(), 20000u);
    EXPECT_LE(s.samples.size(), 88200u);
  }
}

}  // namespace
}  // namespace zelvo_test
