// Music handles over a real synthesizer: a MIDI song played through the MCI sequencer (DirectSound
// mode) and through a DirectMusic segment, heard in the mix while it plays and not after it stops,
// followed to its end, and the fallbacks when the synthesizer or DirectMusic is missing.
#include "sound_input/sound_play_fixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace zelvo_test {
namespace {

// A format-0 song at 120 beats a minute: one middle C on the piano lasting `ticks` (480 a beat).
std::vector<std::uint8_t> MidiSong(int ticks = 480) {
  std::vector<std::uint8_t> track = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,   // tempo 500000 us
                                     0x00, 0xC0, 0x00,                           // piano
                                     0x00, 0x90, 0x3C, 0x64};                    // note on
  std::vector<std::uint8_t> delta;
  for (int value = ticks; ; value >>= 7) {
    delta.insert(delta.begin(), static_cast<std::uint8_t>((value & 0x7F) | (delta.empty() ? 0 : 0x80)));
    if (value < 0x80) break;
  }
  track.insert(track.end(), delta.begin(), delta.end());
  track.insert(track.end(), {0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
  std::vector<std::uint8_t> song = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  const auto length = static_cast<std::uint32_t>(track.size());
  for (int shift = 24; shift >= 0; shift -= 8) song.push_back(static_cast<std::uint8_t>(length >> shift));
  song.insert(song.end(), track.begin(), track.end());
  return song;
}

int Peak(const std::vector<std::int16_t>& samples) {
  int peak = 0;
  for (std::int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
  return peak;
}

class Music : public SoundPlayTest {
 protected:
  void TearDown() override {
    SoundPlayTest::TearDown();
    pf::testing::SetSoundFontPath(nullptr);
    zelvo::g_sound.directMusicOption = 0;
    EXPECT_EQ(pf::testing::OpenMciDevices(), 0);
    EXPECT_EQ(pf::testing::LiveDirectMusicObjects(), 0);
    EXPECT_EQ(pf::testing::LiveMidiSynthesizers(), 0);
  }

  // Starts the library again in DirectMusic mode (or with whatever the test switched).
  void RestartSound(int directMusic) {
    ShutDownLibrary();
    zelvo::g_sound.directMusicOption = directMusic;
    ASSERT_EQ(StartUpLibrary(), 0);
    pf::testing::TakeMixedSound();
  }

  static int Call(int (*operation)(int), int handle) {
    zelvo::LibraryLockGuard lock;
    return operation(handle);
  }
  static int Load(const std::vector<std::uint8_t>& song) {
    zelvo::LibraryLockGuard lock;
    return zelvo::LoadMusicFromMemory(song.data(), static_cast<std::int32_t>(song.size()));
  }
  static int Play(int handle, int loop) {
    zelvo::LibraryLockGuard lock;
    return zelvo::PlayMusic(handle, loop);
  }
  // Renders until the music stops playing, at most `limit` frames; the frames rendered.
  static int RenderUntilSilent(int handle, int limit) {
    int rendered = 0;
    while (rendered < limit && Call(zelvo::IsMusicPlaying, handle) == 1) {
      Render(1024);
      rendered += 1024;
    }
    return rendered;
  }
};

bool FileExists(const char* windowsPath) {
  struct stat info {};
  return stat(pf::MapPathToHost(windowsPath).c_str(), &info) == 0;
}

TEST_F(Music, SequencerPlaysTheSongFromATemporaryFileUntilItEndsOrStops) {
  WriteFileBytes(folder_ + "/song.mid", MidiSong());
  int music = -1;
  {
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(zelvo::LoadMusicFromFile("nothing.mid"), -1);
    const std::vector<std::uint8_t> wave = WriteWave(PcmWave(Pattern(100, 1, 1), 1, 44100));
    EXPECT_EQ(zelvo::LoadMusicFromMemory(wave.data(), static_cast<std::int32_t>(wave.size())), -1);
    music = zelvo::LoadMusicFromFile("song.mid");
  }
  ASSERT_GE(music, 0);
  EXPECT_EQ(music & 0x78000000, 0x58000000);
  EXPECT_EQ(Call(zelvo::IsMusicPlaying, music), 0);

  ASSERT_EQ(Play(music, 0), 0);
  EXPECT_EQ(Call(zelvo::IsMusicPlaying, music), 1);
  EXPECT_EQ(pf::testing::OpenMciDevices(), 1);
  const std::string tempFile = zelvo::g_sound.tempMusicFile;
  EXPECT_TRUE(FileExists(tempFile.c_str()));
  EXPECT_GT(Peak(Render(11025)), 500);

  ASSERT_EQ(Call(zelvo::StopMusic, music), 0);
  EXPECT_EQ(Call(zelvo::IsMusicPlaying, music), 0);
  EXPECT_EQ(pf::testing::OpenMciDevices(), 0);
  EXPECT_FALSE(FileExists(tempFile.c_str()));
  EXPECT_EQ(Peak(Render(4410)), 0);

  // Played out: the sequencer's end notice closes it, half a second in.
  ASSERT_EQ(Play(music, 0), 0);
  const int heard = RenderUntilSilent(music, 44100 * 3);
  EXPECT_GE(heard, 22050);
  EXPECT_LT(heard, 44100 * 3);
  EXPECT_EQ(pf::testing::OpenMciDevices(), 0);
  EXPECT_EQ(Peak(Render(4410)), 0);

  // Looping: the notice starts the song again.
  ASSERT_EQ(Play(music, 1), 0);
  EXPECT_EQ(RenderUntilSilent(music, 44100 * 2), 44100 * 2 / 1024 * 1024 + 1024);
  EXPECT_GT(Peak(Render(4410)), 500);
  ASSERT_EQ(Call(zelvo::DeleteMusic, music), 0);
  EXPECT_EQ(Call(zelvo::IsMusicPlaying, music), -1);
  EXPECT_EQ(pf::testing::OpenMciDevices(), 0);
  EXPECT_EQ(pf::testing::LiveMidiSynthesizers(), 0);
  EXPECT_EQ(Peak(Render(4410)), 0);
}

TEST_F(Music, SegmentPlaysThroughTheDirectMusicPerformanceAndPollingFollowsIt) {
  RestartSound(1);
  EXPECT_TRUE(InOrder(ReadLog(), {"DirectSound8 の初期化を行います", "出力ポート  Device0:General MIDI Synthesizer (FluidSynth) ",
                                  "DirectSound の初期化は正常に終了しました"}));
  ASSERT_NE(zelvo::g_sound.performance, nullptr);
  EXPECT_EQ(zelvo::g_sound.directMusicOption, 1);
  EXPECT_EQ(zelvo::g_sound.primaryBuffer, nullptr);
  const int objects = pf::testing::LiveDirectMusicObjects();

  const int music = Load(MidiSong());
  ASSERT_GE(music, 0);
  EXPECT_EQ(pf::testing::LiveDirectMusicObjects(), objects + 1);
  ASSERT_EQ(Play(music, 0), 0);
  EXPECT_GT(Peak(Render(11025)), 500);
  EXPECT_EQ(zelvo::g_sound.music.slots[music & 0xFFF]->started, 1);
  const int heard = RenderUntilSilent(music, 44100 * 3);
  EXPECT_GE(heard, 22050 - 11025);
  EXPECT_LT(heard, 44100 * 3);

  ASSERT_EQ(Play(music, 1), 0);
  EXPECT_EQ(RenderUntilSilent(music, 44100 * 2), 44100 * 2 / 1024 * 1024 + 1024);
  ASSERT_EQ(Call(zelvo::StopMusic, music), 0);
  EXPECT_EQ(Call(zelvo::IsMusicPlaying, music), 0);
  EXPECT_EQ(Peak(Render(4410)), 0);

  ASSERT_EQ(Call(zelvo::DeleteMusic, music), 0);
  EXPECT_EQ(pf::testing::LiveDirectMusicObjects(), objects);
  // A music handle left at shut-down goes with the performance.
  ASSERT_GE(Load(MidiSong()), 0);
}

TEST_F(Music, WithoutASynthesizerDirectMusicFallsBackAndTheSequencerCannotOpen) {
  pf::testing::SetSoundFontPath((folder_ + "/missing.sf2").c_str());
  RestartSound(1);
  EXPECT_TRUE(InOrder(ReadLog(), {"DirectMusicLoader8 オブジェクトの作成に失敗しました", "前バージョンでの初期化処理に移ります",
                                  "DirectSound の初期化を行います", "DirectSound の初期化は正常に終了しました"}));
  EXPECT_EQ(zelvo::g_sound.directMusicOption, 0);
  EXPECT_EQ(zelvo::g_sound.performance, nullptr);
  ASSERT_NE(zelvo::g_sound.directSound, nullptr);
  const int music = Load(MidiSong());
  ASSERT_GE(music, 0);
  EXPECT_EQ(Play(music, 0), -1);
  EXPECT_EQ(Call(zelvo::IsMusicPlaying, music), 0);
  EXPECT_EQ(zelvo::g_sound.tempMusicFileExists, 0);
  EXPECT_NE(ReadLog().find("MIDI シーケンサを開けませんでした"), std::string::npos);
}

// Each later DirectMusic step that fails leaves sound off, with nothing it had made left alive.
TEST_F(Music, AFailedDirectMusicStartReleasesWhatItMade) {
  const struct {
    const char* fault;
    const char* message;
  } cases[] = {
      {"DirectMusicPerformanceCreate", "DirectMusicPerformance オブジェクトの作成に失敗しました"},
      {"DirectMusicCreate", "DirectMusic オブジェクトの取得に失敗しました"},
      {"DirectMusicQueryInterface", "DirectMusic8 オブジェクトの取得に失敗しました"},
      {"DirectMusicInitAudio", "DirectMusicPerformanceオブジェクトの初期化に失敗しました"},
  };
  for (const auto& row : cases) {
    pf::testing::FailNextCalls(row.fault, 1);
    RestartSound(1);
    EXPECT_EQ(zelvo::g_sound.directSound, nullptr) << row.fault;
    EXPECT_NE(ReadLog().find(row.message), std::string::npos) << row.fault;
    EXPECT_EQ(pf::testing::LiveDirectMusicObjects(), 0) << row.fault;
    EXPECT_EQ(pf::testing::LiveMidiSynthesizers(), 0) << row.fault;
    EXPECT_EQ(Load(MidiSong()), -1);
  }
}

}  // namespace
}  // namespace zelvo_test
