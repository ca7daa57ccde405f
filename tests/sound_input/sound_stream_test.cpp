// Streamed sounds: parts decoded into the ring as the pump refills it, repeats, loops, the end,
// linked handles, refusals, and a scene of effects over a looping stream heard sample for sample.
#include "sound_input/sound_play_fixture.h"

#include <algorithm>

namespace zelvo_test {
namespace {

using Samples = std::vector<std::int16_t>;

class SoundStreams : public SoundPlayTest {
 protected:
  // A streamed handle of memory parts (16-bit at 44.1 kHz), each with its repeat count.
  static int MakeStream(const std::vector<Samples>& parts, const std::vector<int>& repeats, int channels,
                        int linkedHandle = -1) {
    zelvo::LibraryLockGuard lock;
    const int handle = zelvo::AddSoundData(-1);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::vector<std::uint8_t> image = WriteWave(PcmWave(parts[i], channels, 44100));
      if (zelvo::AddStreamSoundMemory(image.data(), static_cast<std::int32_t>(image.size()), repeats[i], handle, 2,
                                      linkedHandle) != 0) {
        zelvo::ReleaseSoundHandle(handle, 0);
        return -1;
      }
    }
    return handle;
  }

  static Samples Concatenate(const std::vector<Samples>& parts) {
    Samples out;
    for (const Samples& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
  }
};

TEST_F(SoundStreams, ALoopingStreamOverTwentySecondsIsItsPartsRepeated) {
  const std::vector<Samples> parts = {Pattern(13230, 2, 1), Pattern(22050, 2, 2), Pattern(8820, 2, 3)};
  const int handle = MakeStream(parts, {0, 0, 0}, 2);
  ASSERT_NE(handle, -1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_LOOP, 1), 0);
  const Samples mixed = Render(20 * 44100);
  const Samples cycle = Concatenate(parts);
  ASSERT_EQ(mixed.size(), 20u * 44100 * 2);
  for (std::size_t i = 0; i < mixed.size(); ++i) {
    ASSERT_EQ(mixed[i], cycle[i % cycle.size()]) << "frame " << i / 2;
  }
  EXPECT_EQ(IsSoundPlaying(handle), 1);
  EXPECT_EQ(ReleaseSound(handle, 0), 0);
}

TEST_F(SoundStreams, ASceneOfEffectsOverALoopingStreamIsTheSumOfItsVoices) {
  const std::vector<Samples> parts = {Pattern(3000, 2, 4), Pattern(5000, 2, 5), Pattern(2000, 2, 6)};
  const int stream = MakeStream(parts, {0, 0, 0}, 2);
  const Samples a = Pattern(11025, 2, 7);
  const Samples b = Pattern(22050, 1, 8);
  const Samples c = Pattern(6000, 2, 9);
  const int effectA = LoadSoundFile(WriteWaveFile("a.wav", a, 2).c_str(), 3, -1);
  const int effectB = LoadSoundFile(WriteWaveFile("b.wav", b, 1).c_str(), 3, -1);
  const int effectC = LoadSoundFile(WriteWaveFile("c.wav", c, 2).c_str(), 3, -1);
  ASSERT_EQ(SetSoundLevel(127, effectB), 0);
  {
    zelvo::LibraryLockGuard lock;
    zelvo::SoundHandleRecord* record = zelvo::FindSound(effectB);
    for (int i = 0; i < record->bufferCount; ++i) ASSERT_EQ(zelvo::SetSoundBufferPan(&record->buffers[i], 500), 0);
  }
  ASSERT_EQ(StartSound(stream, ZELVO_PLAY_LOOP, 1), 0);
  ASSERT_EQ(StartSound(effectA, ZELVO_PLAY_RETURN, 1), 0);
  Samples mixed = Render(5000);
  ASSERT_EQ(StartSound(effectB, ZELVO_PLAY_RETURN, 1), 0);
  Samples more = Render(3000);
  mixed.insert(mixed.end(), more.begin(), more.end());
  ASSERT_EQ(StartSound(effectC, ZELVO_PLAY_RETURN, 1), 0);
  more = Render(30000);
  mixed.insert(mixed.end(), more.begin(), more.end());

  const Samples cycle = Concatenate(parts);
  const std::int32_t right = GainOf(-302);
  const std::int32_t left = static_cast<std::int32_t>((std::int64_t{right} * GainOf(-500)) >> 16);
  ASSERT_EQ(mixed.size(), 38000u * 2);
  for (int i = 0; i < 38000; ++i) {
    for (int side = 0; side < 2; ++side) {
      std::int32_t sum = cycle[(2 * static_cast<std::size_t>(i) + side) % cycle.size()];
      if (i < 11025) sum += a[2 * i + side];
      if (i >= 5000 && i - 5000 < 22050) sum += (b[i - 5000] * (side == 0 ? left : right)) >> 16;
      if (i >= 8000 && i - 8000 < 6000) sum += c[2 * (i - 8000) + side];
      const auto expected = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
      ASSERT_EQ(mixed[2 * i + side], expected) << "frame " << i << " side " << side;
    }
  }
}

TEST_F(SoundStreams, AStreamThatDoesNotLoopRepeatsItsPartsThenEndsInSilence) {
  // Seven seconds: the end lies past the ring's wrap.
  const std::vector<Samples> parts = {Pattern(88200, 1, 10), Pattern(132300, 1, 11)};
  const int handle = MakeStream(parts, {1, 0}, 1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  const Samples mixed = Render(8 * 44100);
  Samples expected = parts[0];
  expected.insert(expected.end(), parts[0].begin(), parts[0].end());
  expected.insert(expected.end(), parts[1].begin(), parts[1].end());
  ASSERT_EQ(expected.size(), 7u * 44100);
  for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(mixed[2 * i], expected[i]) << i;
  for (std::size_t i = expected.size(); i < 8u * 44100; ++i) ASSERT_EQ(mixed[2 * i], 0) << i;
  EXPECT_EQ(IsSoundPlaying(handle), 0);
  // Started again, it plays from the top.
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 0), 0);
  const Samples again = Render(100);
  EXPECT_EQ(again[0], expected[0]);
  EXPECT_EQ(again[2 * 99], expected[99]);
}

TEST_F(SoundStreams, APartRepeatedEndlesslyNeverReachesTheNext) {
  // Only the repeat count's low byte counts: 255 is -1, endless.
  const std::vector<Samples> parts = {Pattern(4410, 1, 22), Pattern(4410, 1, 23)};
  const int handle = MakeStream(parts, {255, 0}, 1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  const Samples mixed = Render(3 * 44100);
  for (std::size_t i = 0; i < 3u * 44100; ++i) ASSERT_EQ(mixed[2 * i], parts[0][i % 4410]) << i;
  EXPECT_EQ(IsSoundPlaying(handle), 1);
}

TEST_F(SoundStreams, AShortStreamEndsWithinItsFirstFill) {
  const std::vector<Samples> parts = {Pattern(2000, 2, 12)};
  const int handle = MakeStream(parts, {0}, 2);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  const Samples mixed = Render(6000, 512);
  EXPECT_TRUE(std::equal(parts[0].begin(), parts[0].end(), mixed.begin()));
  EXPECT_TRUE(std::all_of(mixed.begin() + 4000, mixed.end(), [](std::int16_t v) { return v == 0; }));
  EXPECT_EQ(IsSoundPlaying(handle), 0);
}

TEST_F(SoundStreams, PartsAreRefusedWhenTheyCannotJoin) {
  const int handle = MakeStream({Pattern(1000, 2, 13), Pattern(1000, 2, 14), Pattern(1000, 2, 15)}, {0, 0, 0}, 2);
  ASSERT_NE(handle, -1);
  const std::vector<std::uint8_t> stereo = WriteWave(PcmWave(Pattern(1000, 2, 16), 2, 44100));
  const std::vector<std::uint8_t> mono = WriteWave(PcmWave(Pattern(1000, 1, 17), 1, 44100));
  zelvo::LibraryLockGuard lock;
  const auto add = [&](const std::vector<std::uint8_t>& image, int h) {
    return zelvo::AddStreamSoundMemory(image.data(), static_cast<std::int32_t>(image.size()), 0, h, 2, -1);
  };
  EXPECT_EQ(add(stereo, handle), -1);
  const int twoParts = zelvo::AddSoundData(-1);
  ASSERT_EQ(add(stereo, twoParts), 0);
  EXPECT_EQ(add(mono, twoParts), -1);
  EXPECT_EQ(zelvo::FindSound(twoParts)->partCount, 1);
  ASSERT_EQ(zelvo::StartSoundHandle(twoParts, 3, 1), 0);
  EXPECT_EQ(add(stereo, twoParts), -1);
  EXPECT_EQ(add(stereo, 0x10000000 | 4000), -1);
  const std::string log = ReadLog();
  EXPECT_TRUE(InOrder(log, {"ストリーム風サウンドの制御データ領域がいっぱいです", "フォーマットの違う音声データは同時に使うことは出来ません",
                            "既に再生中のストリームサウンドデータにデータを追加しようとしました"}));
}

TEST_F(SoundStreams, AStalledPumpSkipsTheRefillInsteadOfOverwriting) {
  const int handle = MakeStream({Pattern(441000, 1, 18)}, {0}, 1);
  ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
  Render(44100);
  zelvo::LibraryLockGuard lock;   // holds the message thread off: nothing refills
  zelvo::SoundHandleRecord* record = zelvo::FindSound(handle);
  const std::int32_t writeCursor = record->writeCursor;
  pf::testing::RenderSound(5 * 44100);
  EXPECT_EQ(zelvo::RefillStreamSound(handle), 0);
  EXPECT_EQ(record->writeCursor, writeCursor);
}

TEST_F(SoundStreams, LinkedHandlesShareOneRingAndAreReleasedOnce) {
  const Samples first = Pattern(44100, 2, 19);
  const Samples second = Pattern(44100, 2, 20);
  const int owner = MakeStream({first}, {0}, 2);
  const int linked = MakeStream({second}, {0}, 2, owner);
  ASSERT_NE(linked, -1);
  EXPECT_EQ(Record(owner)->userCount, 1);
  EXPECT_EQ(Record(linked)->linkedHandle, owner);
  EXPECT_EQ(Record(linked)->buffers[0].valid, 0);
  const std::int64_t bytes = pf::testing::SoundSampleBytes();
  ASSERT_EQ(StartSound(linked, ZELVO_PLAY_LOOP, 1), 0);
  Samples mixed = Render(1000);
  EXPECT_EQ(mixed[0], second[0]);
  // The owner takes its ring back: the linked handle stops.
  ASSERT_EQ(StartSound(owner, ZELVO_PLAY_LOOP, 1), 0);
  EXPECT_EQ(IsSoundPlaying(linked), 0);
  mixed = Render(1000);
  EXPECT_EQ(mixed[0], first[0]);
  EXPECT_EQ(pf::testing::SoundSampleBytes(), bytes);
  // Released while a linked handle uses its ring, the owner only waits for it.
  EXPECT_EQ(ReleaseSound(owner, 0), 0);
  EXPECT_EQ(IsSoundPlaying(owner), 0);
  EXPECT_EQ(Record(owner)->deletePending, 1);
  EXPECT_EQ(ReleaseSound(linked, 0), 0);
  EXPECT_EQ(IsSoundPlaying(owner), -1);
  EXPECT_EQ(ReleaseSound(owner, 0), -1);
  EXPECT_EQ(zelvo::g_sound.sounds.count, 0);
}

// With the load-as-stream option, files become streams of its part kind: kept as a file image, or
// read from the open file as it plays; a part can also be decoded whole first.
TEST_F(SoundStreams, LoadAsStreamMakesEveryPartKind) {
  const Samples samples = Pattern(30000, 2, 21);
  const std::string path = WriteWaveFile("a.wav", samples, 2);
  for (int kind : {2, 3}) {
    zelvo::g_sound.loadAsStreamOption = kind;
    const int handle = LoadSoundFile(path.c_str(), 3, -1);
    ASSERT_NE(handle, -1) << kind;
    EXPECT_EQ(Record(handle)->streamed, 1);
    EXPECT_EQ(Record(handle)->parts[0].kind, kind);
    ASSERT_EQ(StartSound(handle, ZELVO_PLAY_RETURN, 1), 0);
    const Samples mixed = Render(30000);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), mixed.begin())) << kind;
    EXPECT_EQ(ReleaseSound(handle, 0), 0);
  }
  zelvo::LibraryLockGuard lock;
  const int decoded = zelvo::AddSoundData(-1);
  ASSERT_EQ(zelvo::AddStreamSoundFile(path.c_str(), 0, decoded, 0, -1), 0);
  ASSERT_EQ(zelvo::StartSoundHandle(decoded, 1, 1), 0);
  EXPECT_EQ(zelvo::FindSound(decoded)->parts[0].kind, 0);
  EXPECT_EQ(zelvo::AddStreamSoundFile("missing.wav", 0, decoded, 0, -1), -1);
  zelvo::g_sound.loadAsStreamOption = 0;
}

}  // namespace
}  // namespace zelvo_test
