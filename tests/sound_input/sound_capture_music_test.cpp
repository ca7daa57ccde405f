// The capture writer's WAVE file, the music table over which shut-down and the pump run, and the
// software buffers the software-mix option selects.
#include "sound_input/sound_play_fixture.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace zelvo_test {
namespace {

using SoundCapture = SoundPlayTest;

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(SoundCapture, FinishWritesTheHeaderOverTheReservedBytes) {
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::FinishSoundCapture(), -1);
  ASSERT_EQ(zelvo::StartSoundCapture("capture.wav"), 0);
  EXPECT_EQ(zelvo::StartSoundCapture("other.wav"), -1);
  const std::vector<std::int16_t> frames = Pattern(300, 2, 1);
  ASSERT_EQ(zelvo::AppendSoundCapture(frames.data(), 100), 0);
  ASSERT_EQ(zelvo::AppendSoundCapture(frames.data() + 200, 200), 0);
  ASSERT_EQ(zelvo::FinishSoundCapture(), 0);
  EXPECT_EQ(zelvo::FinishSoundCapture(), -1);
  const std::vector<std::uint8_t> file = ReadBytes(folder_ + "/capture.wav");
  ASSERT_EQ(file.size(), 46u + 300 * 4);
  const std::uint8_t header[46] = {'R', 'I', 'F', 'F', 0xD6, 0x04, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                   18, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,
                                   4, 0, 16, 0, 0, 0, 'd', 'a', 't', 'a', 0xB0, 0x04, 0, 0};
  EXPECT_EQ(std::memcmp(file.data(), header, 46), 0);
  EXPECT_EQ(std::memcmp(file.data() + 46, frames.data(), 300 * 4), 0);
}

TEST_F(SoundCapture, AFileThatCannotBeOpenedIsReported) {
  {
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(zelvo::StartSoundCapture("no\\such\\folder\\capture.wav"), -1);
    EXPECT_EQ(zelvo::g_sound.capturing, 0);
    // A capture left running is finished by the sound's end.
    ASSERT_EQ(zelvo::StartSoundCapture("capture.wav"), 0);
  }
  ShutDownLibrary();
  EXPECT_EQ(ReadBytes(folder_ + "/capture.wav").size(), 46u);
  EXPECT_NE(ReadLog().find("サウンドキャプチャ保存用のファイルが開けませんでした。"), std::string::npos);
}

TEST_F(SoundCapture, MusicTableAndTheCurrentSoundFile) {
  const int sound = LoadSoundFile(WriteWaveFile("a.wav", Pattern(100, 1, 2), 1).c_str(), 1, -1);
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::PollMusicState(), 0);
  EXPECT_EQ(zelvo::IsMusicPlaying(0x58000000), -1);
  EXPECT_EQ(zelvo::StopMusic(0x58000000), -1);
  EXPECT_EQ(zelvo::DeleteMusic(0x58000000), -1);
  // A music handle as a creating operation would leave it: deleted with its data.
  zelvo::MusicHandleRecord* record = nullptr;
  const int music = zelvo::g_sound.music.Occupy(zelvo::g_sound.music.FreeSlot(), &record);
  EXPECT_EQ(music & 0x78000000, 0x58000000);
  record->data = ZELVO_ALLOC(64);
  record->size = 64;
  record->playing = 1;
  zelvo::g_sound.mciPlaying = 1;
  EXPECT_EQ(zelvo::IsMusicPlaying(music), 1);
  EXPECT_EQ(zelvo::DeleteMusic(music), 0);
  EXPECT_EQ(zelvo::g_sound.mciPlaying, 0);
  EXPECT_EQ(zelvo::g_sound.music.count, 0);
  // The marked sound file is stopped and released at shut-down's first step.
  zelvo::g_sound.currentSoundFile = sound;
  zelvo::g_sound.currentSoundFileKind = 1;
  EXPECT_EQ(zelvo::StopCurrentSoundFile(), 0);
  EXPECT_EQ(zelvo::FindSound(sound), nullptr);
  EXPECT_EQ(zelvo::g_sound.currentSoundFile, 0);
}

TEST_F(SoundCapture, SoftwareBuffersFollowTheirOwnVolumeAndMix) {
  zelvo::LibraryLockGuard lock;
  zelvo::g_sound.softwareMixOption = 1;
  const pf::WaveFormatEx format{pf::WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
  const pf::DSBufferDesc desc{sizeof desc, 0, 8, 0, &format};
  zelvo::SoundBuffer buffer{};
  ASSERT_EQ(zelvo::CreateSoundBuffer(&buffer, &desc), 0);
  EXPECT_EQ(zelvo::CreateSoundBuffer(&buffer, &desc), -1);
  EXPECT_EQ(buffer.volume, 255);
  EXPECT_EQ(buffer.length, 4);
  const struct { std::int32_t set; std::int32_t volume; } volumes[] = {{-10000, 0}, {0, 256}, {-1000, 25}, {-301, 128}};
  for (const auto& row : volumes) {
    ASSERT_EQ(zelvo::SetSoundBufferVolume(&buffer, row.set), 0);
    EXPECT_EQ(buffer.volume, row.volume) << row.set;
  }
  std::int32_t read = 0;
  ASSERT_EQ(zelvo::GetSoundBufferVolume(&buffer, &read), 0);
  EXPECT_EQ(read, -301);
  ASSERT_EQ(zelvo::SetSoundBufferPan(&buffer, -1000), 0);
  EXPECT_EQ(buffer.pan, -25);
  ASSERT_EQ(zelvo::SetSoundBufferPan(&buffer, 0), 0);
  ASSERT_EQ(zelvo::SetSoundBufferVolume(&buffer, 0), 0);
  void* p1 = nullptr;
  void* p2 = nullptr;
  std::uint32_t n1 = 0, n2 = 0;
  EXPECT_EQ(zelvo::LockSoundBuffer(&buffer, 0, 10, &p1, &n1, &p2, &n2), -1);
  ASSERT_EQ(zelvo::LockSoundBuffer(&buffer, 4, 8, &p1, &n1, &p2, &n2), 0);
  EXPECT_EQ(n1, 4u);
  EXPECT_EQ(n2, 4u);
  const std::int16_t samples[4] = {1000, 2000, 3000, 4000};
  std::memcpy(buffer.data, samples, 8);
  ASSERT_EQ(zelvo::PlaySoundBuffer(&buffer, 0), 0);
  // 22050 Hz: each source frame twice, the second time halfway to the next.
  std::int16_t out[2 * 10] = {};
  ASSERT_EQ(zelvo::MixSoftwareBuffer(&buffer, 10, out), 0);
  const std::int16_t expected[10] = {1000, 1500, 2000, 2500, 3000, 3500, 4000, 4000, 0, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[2 * i], expected[i]) << i;
  std::uint32_t status = 1;
  ASSERT_EQ(zelvo::GetSoundBufferStatus(&buffer, &status), 0);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(buffer.position, 4);
  EXPECT_EQ(zelvo::ReleaseSoundBuffer(&buffer), 0);
  EXPECT_EQ(zelvo::ReleaseSoundBuffer(&buffer), -1);
  zelvo::g_sound.softwareMixOption = 0;
}

}  // namespace
}  // namespace zelvo_test
