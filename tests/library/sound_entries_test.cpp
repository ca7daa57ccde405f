// The sound entries as a program uses them: WAVE, ADPCM, MPEG and Ogg Vorbis files loaded loose and
// from an archive and played; and, under a real SDL2 audio device, heard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/mpeg_writer.h"
#include "support/ogg_writer.h"
#include "support/poll_until.h"
#include "support/wave_writer.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

struct SoundFile {
  const char* name;
  std::vector<std::uint8_t> bytes;
  bool silent;   // the MPEG fixture's frames decode to silence
};

std::vector<SoundFile> EveryFormat() {
  const std::vector<std::int16_t> tone = SineSamples(11025, 2, 44100, 440.0);
  std::vector<std::int16_t> mono(tone.size() / 2);
  for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = tone[2 * i];
  return {
      {"PCM.WAV", WriteWave(PcmWave(tone, 2, 44100)), false},
      {"MSADPCM.WAV", WriteWave(MsAdpcmWave(mono, 1, 22050, 512)), false},
      {"IMAADPCM.WAV", WriteWave(ImaAdpcmWave(tone, 2, 44100, 1024)), false},
      {"LAYER3.MP3", SilentMpegFrames(MpegFrameShape{}, 20), true},
      {"MUSIC.OGG", WriteOggVorbis(tone, 2, 44100), false},
  };
}

class SoundEntries : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    pf::testing::SetSoundOutput("headless");
    pf::testing::SetManualSoundClock(true);
    pf::testing::RecordMixedSound(true);
  }
  void TearDown() override {
    pf::testing::RecordMixedSound(false);
    pf::testing::SetManualSoundClock(false);
    pf::testing::SetSoundOutput(nullptr);
    LibraryTest::TearDown();
  }
};

std::vector<std::int16_t> PlayAndRender(const std::string& path) {
  const int handle = LoadSoundFile(path.c_str(), 3, -1);
  EXPECT_NE(handle, -1) << path;
  if (handle == -1) return {};
  EXPECT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  pf::testing::TakeMixedSound();
  pf::testing::RenderSound(4000);
  std::vector<std::int16_t> mixed = pf::testing::TakeMixedSound();
  EXPECT_EQ(HaltSound(handle), 0);
  EXPECT_EQ(ReleaseSound(handle, 0), 0);
  return mixed;
}

TEST_F(SoundEntries, EveryFormatPlaysLooseAndFromAnArchive) {
  const std::vector<SoundFile> files = EveryFormat();
  std::vector<ZvaItem> packed;
  std::filesystem::create_directory(folder_ + "/loose");
  for (const SoundFile& file : files) {
    WriteFileBytes(folder_ + "/loose/" + file.name, file.bytes);
    packed.push_back(ZvaItem{std::string("SE\\") + file.name, file.bytes, true});
  }
  WriteFileBytes(folder_ + "/PACK.ZVA", BuildZva(packed, ZvaOptions{}));
  ASSERT_EQ(StartUpLibrary(), 0);
  for (const SoundFile& file : files) {
    const std::vector<std::int16_t> loose = PlayAndRender(std::string("loose\\") + file.name);
    const std::vector<std::int16_t> fromArchive = PlayAndRender(std::string("pack\\se\\") + file.name);
    ASSERT_EQ(loose.size(), 8000u) << file.name;
    EXPECT_EQ(loose, fromArchive) << file.name;
    const bool heard = std::any_of(loose.begin(), loose.end(), [](std::int16_t v) { return v != 0; });
    EXPECT_EQ(heard, !file.silent) << file.name;
  }
  EXPECT_EQ(ShutDownLibrary(), 0);
}

// Run by its own CTest entry with ZELVO_AUDIO=sdl and SDL's disk audio driver.
TEST(SoundUnderSdl, TheAudioDeviceHearsThePlayedSound) {
  const char* output = std::getenv("ZELVO_AUDIO");
  const char* disk = std::getenv("SDL_DISKAUDIOFILE");
  if (output == nullptr || std::string(output) != "sdl" || disk == nullptr) GTEST_SKIP() << "needs ZELVO_AUDIO=sdl";
  std::remove(disk);
  const std::string folder = MakeScratchFolder("SoundUnderSdl");
  WriteFileBytes(folder + "/TONE.OGG", WriteOggVorbis(SineSamples(44100, 2, 44100, 440.0), 2, 44100));
  SwitchWindowMode(1);
  SetWindowTitleText("zelvo-sdl-sound");
  ASSERT_EQ(StartUpLibrary(), 0);
  const int handle = LoadSoundFile((folder + "/TONE.OGG").c_str(), 1, -1);
  ASSERT_NE(handle, -1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_LOOP, 1), 0);
  const auto heard = [disk] {
    std::ifstream in(disk, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() > 44100 && std::any_of(bytes.begin(), bytes.end(), [](char b) { return b != 0; });
  };
  EXPECT_TRUE(zelvo::testing_support::PollUntil(heard, 30.0));
  EXPECT_EQ(IsSoundPlaying(handle), 1);
  EXPECT_EQ(ShutDownLibrary(), 0);
  std::remove(disk);
  RemoveFolderTree(folder);
}

}  // namespace
}  // namespace zelvo_test
