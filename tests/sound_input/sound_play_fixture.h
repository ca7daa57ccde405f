#pragma once
// Tests that play sounds: the library started on the headless host with the sound mixed only when
// the test renders (the manual clock), every mixed frame kept, and sound files written into the
// test's folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "media/core/library_lock.h"
#include "media/core/log.h"
#include "media/sound_input/sound.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/wave_writer.h"
#include "support/zva_writer.h"

namespace zelvo_test {

class SoundPlayTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    pf::testing::SetSoundOutput(output_);
    pf::testing::SetManualSoundClock(true);
    pf::testing::RecordMixedSound(true);
    ASSERT_EQ(StartUpLibrary(), 0);
    pf::testing::TakeMixedSound();
  }
  void TearDown() override {
    ShutDownLibrary();
    pf::testing::RecordMixedSound(false);
    pf::testing::SetManualSoundClock(false);
    pf::testing::SetSoundOutput(nullptr);
    pf::testing::ClearFaults();
    EXPECT_EQ(pf::testing::SoundSampleBytes(), 0);
    LibraryTest::TearDown();
  }

  // Mixes frames in steps of at most `step`, pumping the library's messages between steps so that
  // streams refill as they would at a frame rate; returns the mixed frames.
  static std::vector<std::int16_t> Render(int frames, int step = 1024) {
    pf::testing::TakeMixedSound();
    while (frames > 0) {
      const int count = frames < step ? frames : step;
      pf::testing::RenderSound(count);
      PumpMessages();
      frames -= count;
    }
    return pf::testing::TakeMixedSound();
  }

  std::string WriteWaveFile(const std::string& name, const std::vector<std::int16_t>& samples, int channels,
                            int rate = 44100) {
    WriteFileBytes(folder_ + "/" + name, WriteWave(PcmWave(samples, channels, rate)));
    return name;
  }

  static zelvo::SoundHandleRecord* Record(int handle) {
    zelvo::LibraryLockGuard lock;
    return zelvo::FindSound(handle);
  }

  const char* output_ = "headless";
};

// Distinct, non-repeating samples: frame i of channel c.
inline std::vector<std::int16_t> Pattern(int frames, int channels, int seed) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const int value = ((i * (37 + seed) + c * 911 + seed * 4099) % 20001) - 10000;
      out[static_cast<std::size_t>(i) * channels + c] = static_cast<std::int16_t>(value);
    }
  }
  return out;
}

// The mixer's gain of a volume in hundredths of a decibel, as DirectSound defines it.
inline std::int32_t GainOf(int hundredthsDb) {
  if (hundredthsDb <= -10000) return 0;
  return static_cast<std::int32_t>(std::lround(65536.0 * std::pow(10.0, hundredthsDb / 2000.0)));
}

}  // namespace zelvo_test
