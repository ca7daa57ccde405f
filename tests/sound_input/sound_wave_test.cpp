// WAVE PCM sources, the RIFF chunk walk and its refusals, seeking, the RIFF/WAVE image builder and
// the whole-file loaders.
#include <gtest/gtest.h>

#include "sound_input/sound_fixture.h"
#include "support/wave_writer.h"

namespace zelvo_test {
namespace {

using zelvo::SoundSource;


std::vector<std::uint8_t> Bytes16(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> out;
  for (std::int16_t s : samples) {
    out.push_back(static_cast<std::uint8_t>(s));
    out.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
  }
  return out;
}

class WaveSource : public SoundTest {};

TEST_F(WaveSource, PcmDecodesToItsDataBytes) {
  const auto stereo = TestSignal(1001, 2);
  DecodedSound s16 = DecodeImage(WriteWave(PcmWave(stereo, 2, 44100)));
  ASSERT_EQ(s16.result, 0);
  EXPECT_EQ(s16.bytes, Bytes16(stereo));
  EXPECT_EQ(s16.format.channels, 2);
  EXPECT_EQ(s16.format.samplesPerSec, 44100u);
  EXPECT_EQ(s16.format.bitsPerSample, 16);
  EXPECT_EQ(s16.format.blockAlign, 4);
  EXPECT_EQ(s16.format.extraSize, 0);

  std::vector<std::uint8_t> eight;
  for (int i = 0; i < 777; ++i) eight.push_back(static_cast<std::uint8_t>(i * 7));
  DecodedSound s8 = DecodeImage(WriteWave(Pcm8Wave(eight, 1, 11025)));
  ASSERT_EQ(s8.result, 0);
  EXPECT_EQ(s8.bytes, eight);
  EXPECT_EQ(s8.format.bitsPerSample, 8);
  EXPECT_EQ(s8.format.blockAlign, 1);
}

TEST_F(WaveSource, SixteenByteFormatTakesBitsFromBlockAlign) {
  WaveLayout layout = PcmWave(TestSignal(100, 2), 2, 22050);
  layout.bitsPerSample = 12;   // what the header says; block align 4 over 2 channels means 16
  layout.blockAlign = 4;
  DecodedSound s = DecodeImage(WriteWave(layout));
  ASSERT_EQ(s.result, 0);
  EXPECT_EQ(s.format.bitsPerSample, 16);
}

TEST_F(WaveSource, ChunksBeforeDataAreSkippedWithTheirPadByte) {
  const auto mono = TestSignal(300, 1);
  WaveLayout layout = PcmWave(mono, 1, 8000);
  layout.beforeData = {{"LIST", {1, 2, 3, 4, 5}, -1}, {"junk", {9}, -1}, {"fact", {0, 0, 0, 0}, -1}};
  layout.afterData = {{"smpl", {7, 7, 7}, -1}};
  DecodedSound s = DecodeImage(WriteWave(layout));
  ASSERT_EQ(s.result, 0);
  EXPECT_EQ(s.bytes, Bytes16(mono));
}

TEST_F(WaveSource, DataSizePastTheEndGivesTheBytesPresent) {
  const auto mono = TestSignal(250, 1);
  WaveLayout layout = PcmWave(mono, 1, 8000);
  layout.dataSizeField = 0x7FFFFFF0;
  DecodedSound s = DecodeImage(WriteWave(layout));
  ASSERT_EQ(s.result, 0);
  EXPECT_EQ(s.bytes, Bytes16(mono));
}

// Byte offset of a field of the format record in a file the writer made (no chunk before it).
constexpr std::size_t kFormatField = 20;

TEST_F(WaveSource, MalformedFilesAreRefusedAndLogged) {
  const auto mono = TestSignal(64, 1);
  const WaveBytes good = WriteWave(PcmWave(mono, 1, 8000));
  struct Case {
    const char* name;
    WaveBytes file;
  };
  std::vector<Case> cases;
  cases.push_back({"only RIFF", WaveBytes(good.begin(), good.begin() + 4)});
  cases.push_back({"cut in the format chunk", WaveBytes(good.begin(), good.begin() + 30)});
  cases.push_back({"cut in a chunk header", WaveBytes(good.begin(), good.begin() + 40)});
  {
    WaveLayout l = PcmWave(mono, 1, 8000);
    l.beforeFormat = {{"LIST", {1, 2}, -1}};
    cases.push_back({"format not first", WriteWave(l)});
  }
  {
    WaveLayout l = PcmWave(mono, 1, 8000);
    l.formatSize = 14;
    cases.push_back({"format chunk too short", WriteWave(l)});
  }
  {
    WaveLayout l = PcmWave(mono, 1, 8000);
    l.formatSizeField = 0x7FFFFFF0;
    cases.push_back({"format chunk longer than the file", WriteWave(l)});
  }
  {
    WaveBytes f = good;
    f[kFormatField + 2] = 0;   // channels
    cases.push_back({"zero channels", f});
  }
  {
    WaveBytes f = good;
    f[kFormatField + 12] = 0;   // block align
    f[kFormatField + 13] = 0;
    cases.push_back({"zero block align", f});
  }
  {
    WaveBytes f = good;
    std::fill(f.begin() + kFormatField + 4, f.begin() + kFormatField + 8, 0);   // rate
    cases.push_back({"zero rate", f});
  }
  {
    WaveLayout l = PcmWave(mono, 1, 8000);
    l.omitData = true;
    l.afterData = {{"LIST", {1, 2, 3}, -1}};
    cases.push_back({"no data chunk", WriteWave(l)});
  }
  {
    WaveLayout l = PcmWave(mono, 1, 8000);
    l.beforeData = {{"LIST", {1, 2, 3, 4}, 0xFFFFFFF8}};
    cases.push_back({"chunk size running backwards", WriteWave(l)});
  }
  {
    WaveLayout l = PcmWave({}, 1, 8000);
    cases.push_back({"empty data", WriteWave(l)});
  }
  {
    WaveLayout l = ImaAdpcmWave(mono, 1, 8000, 36);
    l.blockAlign = 30;   // not 4 bytes of header and whole 4-byte groups
    cases.push_back({"IMA ADPCM block align", WriteWave(l)});
  }
  {
    WaveLayout l = MsAdpcmWave(mono, 1, 8000, 64);
    l.formatExtra.resize(12);   // the coefficient table cut short
    cases.push_back({"MS ADPCM coefficients missing", WriteWave(l)});
  }
  {
    WaveLayout l = G711Wave(0x0031, {1, 2, 3, 4}, 1, 8000);
    cases.push_back({"format no converter takes", WriteWave(l)});
  }
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeImage(c.file).result, -1) << c.name;
    EXPECT_NE(Log().find(kConversionFailed), std::string::npos) << c.name;
  }
}

TEST_F(WaveSource, ReadsInPiecesAndSeeksBySampleFrame) {
  const auto stereo = TestSignal(30000, 2);
  const std::vector<std::uint8_t> all = Bytes16(stereo);
  MemorySource source(WriteWave(PcmWave(stereo, 2, 8000)));
  ASSERT_EQ(source.result(), 0);
  // One second of data in the buffer, from rate and block align.
  EXPECT_EQ(source.get()->pcmSize, 8000 * 4);
  EXPECT_EQ(zelvo::GetSoundSourceLength(source.get()), 120000);

  auto first = source.Read(50001);
  EXPECT_EQ(first, std::vector<std::uint8_t>(all.begin(), all.begin() + 50001));
  // Within 15 bytes of the position: nothing moves.
  EXPECT_EQ(zelvo::SeekSoundSource(source.get(), 12503), 0);
  EXPECT_EQ(source.get()->delivered, 50001);
  EXPECT_EQ(zelvo::SeekSoundSource(source.get(), 100), 0);
  EXPECT_EQ(source.Read(8), std::vector<std::uint8_t>(all.begin() + 400, all.begin() + 408));
  EXPECT_EQ(zelvo::SeekSoundSource(source.get(), 29990), 0);
  EXPECT_EQ(source.Read(1000), std::vector<std::uint8_t>(all.end() - 40, all.end()));
  EXPECT_EQ(source.get()->atEnd, 1);
  EXPECT_EQ(source.Read(10).size(), 0u);
  EXPECT_EQ(zelvo::SeekSoundSource(source.get(), 0), 0);
  EXPECT_EQ(source.get()->atEnd, 0);
  EXPECT_EQ(source.Read(4), std::vector<std::uint8_t>(all.begin(), all.begin() + 4));
}

TEST_F(WaveSource, ClosedSourceRefusesReadsAndSecondClose) {
  MemorySource source(WriteWave(PcmWave(TestSignal(10, 1), 1, 8000)));
  ASSERT_EQ(source.result(), 0);
  SoundSource copy = *source.get();
  ASSERT_EQ(zelvo::CloseSoundSource(&copy), 0);
  std::uint8_t buffer[4];
  EXPECT_EQ(zelvo::ReadSoundSource(&copy, buffer, 4), -1);
  EXPECT_EQ(zelvo::CloseSoundSource(&copy), -1);
  source.get()->opened = 0;   // its blocks went with the copy
}

TEST_F(WaveSource, RiffWaveImageHoldsFormatAndData) {
  const pf::WaveFormatEx format = {1, 2, 22050, 88200, 4, 16, 0};
  const std::vector<std::uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8};
  void* image = nullptr;
  std::int32_t size = 0;
  ASSERT_EQ(zelvo::BuildRiffWaveImage(&image, &size, &format, 18, data.data(), 8), 0);
  ASSERT_EQ(size, 8 + 18 + 28);
  const auto* bytes = static_cast<const std::uint8_t*>(image);
  const std::vector<std::uint8_t> got(bytes, bytes + size);
  const std::vector<std::uint8_t> head = {'R', 'I', 'F', 'F', 46, 0, 0, 0, 'W', 'A', 'V', 'E',
                                          'f', 'm', 't', ' ', 18, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.begin() + 20), head);
  EXPECT_EQ(std::memcmp(bytes + 20, &format, 18), 0);
  const std::vector<std::uint8_t> dataHead = {'d', 'a', 't', 'a', 8, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(got.begin() + 38, got.begin() + 46), dataHead);
  EXPECT_EQ(std::vector<std::uint8_t>(got.begin() + 46, got.end()), data);
  DecodedSound back = DecodeImage(got);
  ASSERT_EQ(back.result, 0);
  EXPECT_EQ(back.bytes, data);
  zelvo::TrackedFree(image);
}

TEST_F(WaveSource, WholeFileLoadsFromFoldersAndArchives) {
  const WaveBytes wave = WriteWave(PcmWave(TestSignal(500, 1), 1, 8000));
  Put("wav/loose.wav", wave);
  Put("DATA.ZVA", BuildZva({{"WAV\\PACKED.WAV", wave, true}}, ZvaOptions{}));
  for (const char* path : {"wav\\loose.wav", "data\\wav\\packed.wav"}) {
    void* data = nullptr;
    std::int32_t size = 0;
    ASSERT_EQ(zelvo::LoadWholeFile(path, &data, &size), 0) << path;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + size), wave) << path;
    zelvo::TrackedFree(data);
  }
  void* data = nullptr;
  std::int32_t size = 0;
  EXPECT_EQ(zelvo::LoadWholeFile("wav\\missing.wav", &data, &size), -1);
  EXPECT_NE(Log().find("右記のファイルのオープンに失敗しました：wav\\missing.wav"), std::string::npos);

  zelvo::MemoryStream* stream = zelvo::CreateMemoryStream(wave.data(), static_cast<std::int32_t>(wave.size()));
  zelvo::StreamReaderBlock reader = {*zelvo::MemoryStreamOpsTable(), stream};
  zelvo::MemoryStreamSeek(stream, 17, 0);
  ASSERT_EQ(zelvo::LoadWholeReader(&reader, &data, &size), 0);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + size), wave);
  zelvo::TrackedFree(data);
  zelvo::CloseMemoryStream(stream);
}

}  // namespace
}  // namespace zelvo_test
