// Bare MPEG audio files: ID3 tags, the frame scan and its lengths, decoding of every layer through
// libmpg123 against sox's decoder (libmad), MPEG audio in WAVE, seeking, and refused files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "sound_input/sound_fixture.h"
#include "support/mpeg_writer.h"
#include "support/reference_audio.h"
#include "support/wave_writer.h"

namespace zelvo_test {
namespace {


std::vector<std::uint8_t> ReadHostBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct SilentCase {
  const char* name;
  MpegFrameShape shape;
  int frames;
};

class SilentFrames : public SoundTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentFrames, LengthComesFromTheScanAndEveryFrameDecodes) {
  const SilentCase& c = GetParam();
  const MpegBytes file = SilentMpegFrames(c.shape, c.frames);
  const int channels = c.shape.mono ? 1 : 2;
  const std::int32_t length = c.frames * MpegFrameSamples(c.shape) * channels * 2;
  {
    MemorySource source(file);
    ASSERT_EQ(source.result(), 0);
    EXPECT_EQ(source.get()->kind, zelvo::kSoundSourceAcm);
    EXPECT_EQ(source.get()->totalSamples, c.frames * MpegFrameSamples(c.shape));
    EXPECT_EQ(zelvo::GetSoundSourceLength(source.get()), length);
    // The built Layer-3 format: rate, channels, byte rate, first frame's length and padding.
    const auto* built = reinterpret_cast<const pf::WaveFormatEx*>(source.get()->acmSourceFormat);
    EXPECT_EQ(built->formatTag, pf::WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(built->channels, channels);
    EXPECT_EQ(built->samplesPerSec, static_cast<std::uint32_t>(c.shape.sampleRate));
    EXPECT_EQ(built->avgBytesPerSec, static_cast<std::uint32_t>(c.shape.bitrateKbps * 1000 / 8));
    EXPECT_EQ(built->blockAlign, 1);
    EXPECT_EQ(built->extraSize, 12);
    const std::uint8_t* extra = source.get()->acmSourceFormat + 18;
    EXPECT_EQ(extra[2], c.shape.padding ? 1 : 0);
    EXPECT_EQ(extra[6] | (extra[7] << 8), MpegFrameBytes(c.shape));
    EXPECT_EQ(extra[10] | (extra[11] << 8), 700);
  }
  const DecodedSound decoded = DecodeImage(file);
  ASSERT_EQ(decoded.result, 0);
  EXPECT_EQ(decoded.format.channels, channels);
  EXPECT_EQ(decoded.format.samplesPerSec, static_cast<std::uint32_t>(c.shape.sampleRate));
  EXPECT_EQ(decoded.format.bitsPerSample, 16);
  EXPECT_EQ(static_cast<std::int32_t>(decoded.bytes.size()), length);
  EXPECT_EQ(std::count(decoded.samples.begin(), decoded.samples.end(), 0), static_cast<long>(decoded.samples.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Layers, SilentFrames,
    ::testing::Values(SilentCase{"Mpeg1Layer1Mono", {1, 1, 32, 48000, false, true}, 5},
                      SilentCase{"Mpeg1Layer1StereoPadded", {1, 1, 448, 44100, true, false}, 3},
                      SilentCase{"Mpeg1Layer2Stereo", {1, 2, 128, 44100, false, false}, 4},
                      SilentCase{"Mpeg1Layer2MonoPadded", {1, 2, 32, 32000, true, true}, 3},
                      SilentCase{"Mpeg1Layer3Stereo", {1, 3, 128, 44100, false, false}, 5},
                      SilentCase{"Mpeg1Layer3StereoPadded", {1, 3, 320, 48000, true, false}, 2},
                      SilentCase{"Mpeg2Layer3Mono", {2, 3, 8, 16000, false, true}, 6},
                      SilentCase{"Mpeg2Layer2Stereo", {2, 2, 64, 22050, false, false}, 3},
                      SilentCase{"Mpeg2Layer1Mono", {2, 1, 32, 24000, false, true}, 4}),
    [](const ::testing::TestParamInfo<SilentCase>& info) { return std::string(info.param.name); });

class MpegFile : public SoundTest {};

TEST_F(MpegFile, TagsAndJunkAroundTheFramesAreSkipped) {
  const MpegFrameShape shape;   // MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo
  const MpegBytes frames = SilentMpegFrames(shape, 3);
  // Each tag body carries a false frame header, which refuses the file if the scan ever sees it.
  const MpegBytes falseHeader = {0xFF, 0xFF, 0xFF, 0xFF};
  struct Case {
    const char* name;
    MpegBytes before;
    bool id3v1;
    std::int32_t dataPosition;
  };
  MpegBytes v3 = Id3v2Tag(3, 100, false);
  std::copy(falseHeader.begin(), falseHeader.end(), v3.begin() + 50);
  MpegBytes v4 = Id3v2Tag(4, 100, true);
  std::copy(falseHeader.begin(), falseHeader.end(), v4.begin() + 114);   // inside the footer
  const MpegBytes junk = {0x00, 0x12, 0xFF, 0x00, 0x7F};
  const Case cases[] = {{"ID3v2.3", v3, false, 110}, {"ID3v2.4 with footer", v4, false, 120},
                        {"ID3v1", {}, true, 0}, {"junk", junk, false, 5}};
  for (const Case& c : cases) {
    MpegBytes file = c.before;
    file.insert(file.end(), frames.begin(), frames.end());
    if (c.id3v1) {
      MpegBytes tag = Id3v1Tag();
      std::copy(falseHeader.begin(), falseHeader.end(), tag.begin() + 40);
      file.insert(file.end(), tag.begin(), tag.end());
    }
    MemorySource source(file);
    ASSERT_EQ(source.result(), 0) << c.name;
    EXPECT_EQ(source.get()->dataPosition, c.dataPosition) << c.name;
    EXPECT_EQ(source.get()->dataSize, static_cast<std::int32_t>(frames.size())) << c.name;
    EXPECT_EQ(source.get()->totalSamples, 3 * 1152) << c.name;
  }
}

TEST_F(MpegFile, RefusedFilesAreLogged) {
  const MpegFrameShape shape;
  MpegBytes badSecond = SilentMpegFrames(shape, 3);
  badSecond[MpegFrameBytes(shape) + 2] |= 0xF0;   // bitrate index 15
  MpegBytes freeFormat = SilentMpegFrames(shape, 2);
  freeFormat[2] &= 0x0F;   // bitrate index 0
  MpegBytes layerZero = SilentMpegFrames(shape, 2);
  layerZero[1] &= ~0x06;
  MpegBytes oneCutFrame = SilentMpegFrames(shape, 1);
  oneCutFrame.resize(oneCutFrame.size() / 2);
  const MpegBytes noFrame(3000, 0x5A);
  const MpegBytes onlyTag = Id3v2Tag(3, 400, false);
  for (const MpegBytes& file : {badSecond, freeFormat, layerZero, oneCutFrame, noFrame, onlyTag}) {
    EXPECT_EQ(DecodeImage(file).result, -1);
    EXPECT_NE(Log().find(kConversionFailed), std::string::npos);
  }
}

TEST_F(MpegFile, CutLastFrameCountsInTheLengthButDecodesNothing) {
  MpegFrameShape shape;
  shape.mono = true;
  MpegBytes file = SilentMpegFrames(shape, 3);
  file.resize(file.size() - 100);
  MemorySource source(file);
  ASSERT_EQ(source.result(), 0);
  EXPECT_EQ(zelvo::GetSoundSourceLength(source.get()), 3 * 1152 * 2);
  EXPECT_EQ(source.Read(3 * 1152 * 2).size(), 2u * 1152 * 2);
  EXPECT_EQ(source.get()->atEnd, 1);
}

// Files made by sox's MPEG encoders, decoded by sox (libmad) and by us (libmpg123). Two correct
// decoders differ by rounding; the largest difference measured on these files is 1.
struct EncodedCase {
  const char* name;
  const char* soxOutput;   // rate, channels and compression before the output file name
  const char* fileName;
  int channels;
  int rate;
};

class EncodedMpeg : public SoundTest, public ::testing::WithParamInterface<EncodedCase> {};

TEST_P(EncodedMpeg, MatchesSoxWithinRounding) {
  const EncodedCase& c = GetParam();
  const std::string path = folder_ + "/" + c.fileName;
  ASSERT_TRUE(RunSox(std::string("-n ") + c.soxOutput + " \"" + path + "\" synth 0.6 sine 440 sine 1250 vol 0.6"));
  const std::vector<std::int16_t> reference = DecodeWithSox(path);
  ASSERT_FALSE(reference.empty());
  const DecodedSound ours = DecodeImage(ReadHostBytes(path));
  ASSERT_EQ(ours.result, 0);
  EXPECT_EQ(ours.format.channels, c.channels);
  EXPECT_EQ(ours.format.samplesPerSec, static_cast<std::uint32_t>(c.rate));
  // sox ends at the length the encoder noted (or leaves out the last frame); we decode every frame
  // the scan found. The samples both hold are compared.
  const std::size_t common = std::min(ours.samples.size(), reference.size());
  EXPECT_GE(common + 2 * 1152 * c.channels, ours.samples.size());
  EXPECT_GE(common, static_cast<std::size_t>(c.rate * 0.5 * c.channels));
  EXPECT_LE(MaxDifference(ours.samples, reference, common), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Layers, EncodedMpeg,
    ::testing::Values(EncodedCase{"Mpeg1Layer3Stereo", "-r 44100 -c 2 -C 128", "a.mp3", 2, 44100},
                      EncodedCase{"Mpeg2Layer3Mono", "-r 22050 -c 1 -C 32", "b.mp3", 1, 22050},
                      EncodedCase{"Mpeg1Layer2Stereo", "-r 48000 -c 2 -C 192", "c.mp2", 2, 48000},
                      EncodedCase{"Mpeg2Layer2Mono", "-r 24000 -c 1 -C 64", "d.mp2", 1, 24000}),
    [](const ::testing::TestParamInfo<EncodedCase>& info) { return std::string(info.param.name); });

TEST_F(MpegFile, SeeksForwardAndBackThroughTheSpareStream) {
  const std::string path = folder_ + "/seek.mp3";
  ASSERT_TRUE(RunSox("-n -r 44100 -c 2 -C 96 \"" + path + "\" synth 1.5 sine 300 sine 700"));
  const std::vector<std::uint8_t> file = ReadHostBytes(path);
  const DecodedSound whole = DecodeImage(file);
  ASSERT_EQ(whole.result, 0);
  MemorySource source(file);
  ASSERT_EQ(source.result(), 0);
  const auto at = [&](std::size_t sample, std::size_t bytes) {
    return std::vector<std::uint8_t>(whole.bytes.begin() + sample * 4, whole.bytes.begin() + sample * 4 + bytes);
  };
  EXPECT_EQ(source.Read(10000), at(0, 10000));
  zelvo::SeekSoundSource(source.get(), 2600);   // inside the buffered PCM
  EXPECT_EQ(source.Read(400), at(2600, 400));
  zelvo::SeekSoundSource(source.get(), 60000);  // past it: converts forward
  EXPECT_EQ(source.Read(4000), at(60000, 4000));
  zelvo::SeekSoundSource(source.get(), 333);    // backwards: restarts from the first frame
  EXPECT_EQ(source.Read(4000), at(333, 4000));
  EXPECT_NE(source.get()->spareStream, nullptr);
}

TEST_F(MpegFile, MpegFramesInWaveDecodeAsTheBareFile) {
  const std::string path = folder_ + "/wave.mp3";
  ASSERT_TRUE(RunSox("-n -r 32000 -c 1 -C 64 \"" + path + "\" synth 0.4 sine 500"));
  std::vector<std::uint8_t> bare = ReadHostBytes(path);
  const DecodedSound fromBare = DecodeImage(bare);
  ASSERT_EQ(fromBare.result, 0);
  MemorySource scanned(bare);
  ASSERT_EQ(scanned.result(), 0);
  const std::size_t first = static_cast<std::size_t>(scanned.get()->dataPosition);
  const MpegBytes frames(bare.begin() + first, bare.begin() + first + scanned.get()->dataSize);
  const DecodedSound fromWave = DecodeImage(WriteWave(MpegWave(frames)));
  ASSERT_EQ(fromWave.result, 0);
  EXPECT_EQ(fromWave.bytes, fromBare.bytes);

  const MpegFrameShape layer2 = {1, 2, 64, 32000, false, true};
  const DecodedSound silentLayer2 = DecodeImage(WriteWave(MpegWave(SilentMpegFrames(layer2, 4))));
  ASSERT_EQ(silentLayer2.result, 0);
  EXPECT_EQ(silentLayer2.samples.size(), 4u * 1152);
}

}  // namespace
}  // namespace zelvo_test
