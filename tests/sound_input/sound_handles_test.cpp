// Sound handles through the public entries and the library operations: loading, the copies taken
// in turn, the volume law, stopping, release and bad input, on a mixed output read back sample for
// sample.
#include "sound_input/sound_play_fixture.h"

#include <cstring>

namespace zelvo_test {
namespace {

using SoundHandles = SoundPlayTest;

TEST_F(SoundHandles, AOneShotPlaysItsSamplesAndEnds) {
  const std::vector<std::int16_t> samples = Pattern(3000, 2, 1);
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", samples, 2).c_str(), 3, -1);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(handle & 0x78000000, 0x10000000);
  EXPECT_EQ(IsSoundPlaying(handle), 0);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  EXPECT_EQ(IsSoundPlaying(handle), 1);
  const std::vector<std::int16_t> mixed = Render(3500);
  ASSERT_EQ(mixed.size(), 7000u);
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), mixed.begin()));
  EXPECT_TRUE(std::all_of(mixed.begin() + 6000, mixed.end(), [](std::int16_t v) { return v == 0; }));
  EXPECT_EQ(IsSoundPlaying(handle), 0);
  EXPECT_EQ(ReleaseSound(handle, 0), 0);
}

TEST_F(SoundHandles, StartsTakeTheCopiesInTurn) {
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", Pattern(4410, 1, 2), 1).c_str(), 3, -1);
  ASSERT_NE(handle, -1);
  // From the top each time: buffers 1, 2, 0, 1; the fourth start restarts the first one's buffer.
  const int expected[] = {1, 2, 0, 1};
  for (int used : expected) {
    ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
    EXPECT_EQ(Record(handle)->lastUsedBuffer, used);
    Render(100);
  }
  std::uint32_t play = 0;
  zelvo::GetSoundBufferPosition(&Record(handle)->buffers[1], &play, nullptr);
  EXPECT_EQ(play, 100u * 2);
  // Without from-top, a next buffer that still plays is left alone; the index moves on all the same.
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 0), 0);
  EXPECT_EQ(Record(handle)->lastUsedBuffer, 2);
  zelvo::GetSoundBufferPosition(&Record(handle)->buffers[2], &play, nullptr);
  EXPECT_EQ(play, 300u * 2);
  // Halting stops every copy and keeps their places.
  ASSERT_EQ(HaltSound(handle), 0);
  EXPECT_EQ(IsSoundPlaying(handle), 0);
}

TEST_F(SoundHandles, ResumeStartsTheNextCopyWhereThePreviousOneStands) {
  const std::vector<std::int16_t> samples = Pattern(2000, 1, 3);
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", samples, 1).c_str(), 2, -1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  Render(500);
  ASSERT_EQ(HaltSound(handle), 0);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 0), 0);
  const std::vector<std::int16_t> mixed = Render(10);
  EXPECT_EQ(mixed[0], samples[500]);
  EXPECT_EQ(mixed[2 * 9], samples[509]);
}

TEST_F(SoundHandles, CopyCountsAtTheEdges) {
  const std::string path = WriteWaveFile("a.wav", Pattern(100, 1, 4), 1);
  const int none = LoadSoundFile(path.c_str(), 0, -1);
  ASSERT_NE(none, -1);
  EXPECT_EQ(StartSound(none, ZELVO_PLAY_RETURN, 1), -1);
  EXPECT_EQ(SetSoundLevel(100, none), 0);
  EXPECT_EQ(HaltSound(none), 0);
  EXPECT_EQ(Record(none)->lastUsedBuffer, 0);
  const int many = LoadSoundFile(path.c_str(), 12, -1);
  ASSERT_NE(many, -1);
  EXPECT_EQ(Record(many)->bufferCount, 10);
  const std::vector<std::uint8_t> image = WriteWave(PcmWave(Pattern(100, 1, 4), 1, 44100));
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::CreateSoundFromMemory(image.data(), static_cast<std::int32_t>(image.size()), 11, -1), -1);
  EXPECT_EQ(zelvo::g_sound.sounds.count, 2);
}

TEST_F(SoundHandles, VolumeLawAndItsEffectOnTheMix) {
  const struct { int volume; std::int32_t hundredthsDb; } table[] = {
      {300, 0}, {255, 0}, {127, -302}, {1, -2406}, {0, -10000}, {-5, -10000},
  };
  for (const auto& row : table) EXPECT_EQ(zelvo::SoundVolumeToHundredthsDb(row.volume), row.hundredthsDb) << row.volume;
  const std::vector<std::int16_t> samples = Pattern(1000, 1, 5);
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", samples, 1).c_str(), 3, -1);
  ASSERT_EQ(SetSoundLevel(127, handle), 0);
  for (int i = 0; i < 3; ++i) {
    std::int32_t volume = 0;
    ASSERT_EQ(zelvo::GetSoundBufferVolume(&Record(handle)->buffers[i], &volume), 0);
    EXPECT_EQ(volume, -302);
  }
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  const std::vector<std::int16_t> mixed = Render(1000);
  const std::int32_t gain = GainOf(-302);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(mixed[2 * i], (samples[i] * gain) >> 16) << i;
}

TEST_F(SoundHandles, BadHandlesAreRefusedAndChangeNothing) {
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", Pattern(100, 1, 6), 1).c_str(), 1, -1);
  ASSERT_NE(handle, -1);
  const int stale = handle;
  ASSERT_EQ(ReleaseSound(handle, 0), 0);
  const int other = LoadSoundFile("a.wav", 1, -1);   // may reuse the slot with a new check number
  ASSERT_NE(other, -1);
  const int bad[] = {-1, stale, other ^ 0x08000000, (other & ~0xFFFF) | 4095, 0x10000000 | 5000,
                     static_cast<int>(static_cast<unsigned>(other) | 0x80000000u)};
  for (int h : bad) {
    EXPECT_EQ(StartSound(h, 1, 1), -1) << h;
    EXPECT_EQ(HaltSound(h), -1) << h;
    EXPECT_EQ(IsSoundPlaying(h), -1) << h;
    EXPECT_EQ(SetSoundLevel(100, h), -1) << h;
    EXPECT_EQ(ReleaseSound(h, 0), -1) << h;
  }
  EXPECT_EQ(IsSoundPlaying(other), 0);
}

TEST_F(SoundHandles, FilesThatCannotBeLoadedLeaveTheTableAsItWas) {
  WriteFileBytes(folder_ + "/junk.wav", BytesOf("RIFF this is not a sound file at all"));
  WaveLayout sixChannels = PcmWave(Pattern(100, 6, 7), 6, 44100);
  WriteFileBytes(folder_ + "/six.wav", WriteWave(sixChannels));
  const zelvo::TrackedTotals before = zelvo::TrackedAllocatorTotals();
  EXPECT_EQ(LoadSoundFile("missing.wav", 3, -1), -1);
  EXPECT_EQ(LoadSoundFile("junk.wav", 3, -1), -1);
  // A format the device refuses fails the load instead of ending the program.
  EXPECT_EQ(LoadSoundFile("six.wav", 3, -1), -1);
  EXPECT_EQ(zelvo::g_sound.sounds.count, 0);
  EXPECT_EQ(zelvo::g_sound.sounds.highWater, 0);
  EXPECT_EQ(zelvo::TrackedAllocatorTotals().liveBytes, before.liveBytes);
  const std::string log = ReadLog();
  EXPECT_NE(log.find("右記の音声ファイルのロードに失敗しました_1：missing.wav"), std::string::npos);
  EXPECT_NE(log.find("右記の音声ファイルのロードに失敗しました_2：junk.wav"), std::string::npos);
  EXPECT_NE(log.find("DirectSoundBuffer の作成に失敗しました"), std::string::npos);
}

TEST_F(SoundHandles, ReleasingAPlayingSoundStopsItAndFreesItOnce) {
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", Pattern(44100, 2, 8), 2).c_str(), 3, -1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_LOOP, 1), 0);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  Render(100);
  EXPECT_EQ(ReleaseSound(handle, 0), 0);
  EXPECT_EQ(ReleaseSound(handle, 0), -1);
  EXPECT_EQ(pf::testing::SoundSampleBytes(), 400);   // the silent buffer only
  const std::vector<std::int16_t> mixed = Render(100);
  EXPECT_TRUE(std::all_of(mixed.begin(), mixed.end(), [](std::int16_t v) { return v == 0; }));
}

TEST_F(SoundHandles, CopiesShareOneSetOfSamples) {
  const std::int64_t silent = pf::testing::SoundSampleBytes();
  const zelvo::TrackedTotals before = zelvo::TrackedAllocatorTotals();
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", Pattern(44100, 2, 9), 2).c_str(), 10, -1);
  ASSERT_NE(handle, -1);
  const std::int64_t pcm = 44100 * 4;
  // Ten buffers, one copy of their samples; the handle keeps its decoded PCM beside them.
  EXPECT_EQ(pf::testing::SoundSampleBytes() - silent, pcm);
  const zelvo::TrackedTotals after = zelvo::TrackedAllocatorTotals();
  EXPECT_EQ(after.liveCount - before.liveCount, 2);   // the record and its PCM
  EXPECT_GE(static_cast<std::int64_t>(after.liveBytes - before.liveBytes), pcm);
  EXPECT_LT(static_cast<std::int64_t>(after.liveBytes - before.liveBytes), pcm + 4096);
  ASSERT_EQ(ReleaseSound(handle, 0), 0);
  EXPECT_EQ(zelvo::TrackedAllocatorTotals().liveBytes, before.liveBytes);
}

class SoundWithClock : public SoundPlayTest {
 protected:
  void SetUp() override {
    SoundPlayTest::SetUp();
    pf::testing::SetManualSoundClock(false);
  }
};

TEST_F(SoundWithClock, AWaitingStartReturnsOnceTheSoundHasEnded) {
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", Pattern(4410, 1, 10), 1).c_str(), 1, -1);
  const int before = GetTickMilliseconds(0);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_WAIT, 1), 0);
  EXPECT_EQ(IsSoundPlaying(handle), 0);
  EXPECT_GE(GetTickMilliseconds(0) - before, 100);
}

TEST_F(SoundWithClock, AWaitingStartReturnsWhenTheWindowCloses) {
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", Pattern(44100, 1, 11), 1).c_str(), 1, -1);
  pf::testing::InjectClose();
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_WAIT, 1), 0);
  EXPECT_EQ(IsSoundPlaying(handle), 1);
}

TEST_F(SoundWithClock, SoundsGoOnByTheClockWhenTheDeviceIsLost) {
  const int handle = LoadSoundFile(WriteWaveFile("a.wav", Pattern(4410, 1, 13), 1).c_str(), 1, -1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  pf::testing::LoseSoundDevice();
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_WAIT, 1), 0);
  EXPECT_EQ(IsSoundPlaying(handle), 0);
}

class NoSoundDevice : public SoundPlayTest {
 protected:
  void SetUp() override {
    output_ = "none";
    SoundPlayTest::SetUp();
  }
};

TEST_F(NoSoundDevice, StartUpSucceedsAndEverySoundEntryAnswersMinusOne) {
  const std::string path = WriteWaveFile("a.wav", Pattern(100, 1, 12), 1);
  EXPECT_EQ(LoadSoundFile(path.c_str(), 3, -1), -1);
  EXPECT_EQ(StartSound(0x10000000, 1, 1), -1);
  EXPECT_EQ(HaltSound(0x10000000), -1);
  EXPECT_EQ(IsSoundPlaying(0x10000000), -1);
  EXPECT_EQ(SetSoundLevel(100, 0x10000000), -1);
  EXPECT_EQ(ReleaseSound(0x10000000, 0), -1);
  const std::string log = ReadLog();
  EXPECT_TRUE(InOrder(log, {"DirectSound の初期化を行います", "成功", "初期化に失敗しました"}));
  EXPECT_EQ(log.find("DirectSound の初期化は正常に終了しました"), std::string::npos);
}

TEST_F(SoundHandles, DeviceStartAndEndLogTheirSteps) {
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::StartDirectSound(), -1);   // already on
  ASSERT_EQ(zelvo::EndDirectSound(), 0);
  EXPECT_EQ(zelvo::EndDirectSound(), -1);
  // A device whose fastest secondary rate is 22050 mixes at 22050 Hz; one of 48000 at 44100.
  for (const std::uint32_t maxRate : {22050u, 48000u}) {
    pf::DSCaps caps{sizeof caps, pf::DSCAPS_PRIMARYSTEREO | pf::DSCAPS_PRIMARY16BIT, 100, maxRate, 1, 0, 0};
    pf::testing::SetSoundCaps(&caps);
    ASSERT_EQ(zelvo::StartDirectSound(), 0);
    pf::WaveFormatEx format{};
    ASSERT_EQ(zelvo::g_sound.primaryBuffer->GetFormat(&format, sizeof format, nullptr), pf::DS_OK);
    EXPECT_EQ(format.samplesPerSec, maxRate == 22050 ? 22050u : 44100u);
    ASSERT_EQ(zelvo::EndDirectSound(), 0);
  }
  pf::testing::SetSoundCaps(nullptr);
  // A silent buffer that cannot be locked is dropped; the device still starts.
  pf::testing::FailNextCalls("DirectSoundLock", 1);
  ASSERT_EQ(zelvo::StartDirectSound(), 0);
  EXPECT_EQ(zelvo::g_sound.silentBuffer.valid, 0);
  const std::string log = ReadLog();
  EXPECT_TRUE(InOrder(log, {"DirectSound の初期化を行います", "DirectSound インターフェースの取得を行います",
                            "DirectSound デバイスを列挙します", "モジュール名:", "最大サンプリングレート:",
                            "DirectSound の初期化は正常に終了しました", "DirectSound の終了処理は正常に終了しました",
                            "無音バッファのロックに失敗しました"}));
}

}  // namespace
}  // namespace zelvo_test
