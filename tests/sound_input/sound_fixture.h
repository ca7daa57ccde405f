#pragma once
// Helpers of the sound-source tests: decoding file images through the library, sound sources over
// memory, and test signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/file_test_fixture.h"
#include "media/core/core_state.h"
#include "media/core/file_ops.h"
#include "media/core/log.h"
#include "media/sound_input/sound_decode.h"
#include "media/sound_input/sound_source.h"
#include "platform/acm/acm_testing.h"

namespace zelvo_test {

// The log line of a sound file that fails to decode.
inline constexpr char kConversionFailed[] = "音声ファイルのＰＣＭへの変換に失敗しました";

struct DecodedSound {
  int result = -1;
  pf::WaveFormatEx format{};
  std::vector<std::int16_t> samples;
  std::vector<std::uint8_t> bytes;
};

inline DecodedSound DecodeImage(const std::vector<std::uint8_t>& image) {
  DecodedSound out;
  void* pcm = nullptr;
  std::int32_t size = 0;
  out.result = zelvo::DecodeSoundImage(image.data(), static_cast<std::int32_t>(image.size()), &out.format, &pcm, &size);
  if (out.result == 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(pcm);
    out.bytes.assign(bytes, bytes + size);
    out.samples.resize(static_cast<std::size_t>(size) / 2);
    std::memcpy(out.samples.data(), pcm, out.samples.size() * 2);
    zelvo::TrackedFree(pcm);
  }
  return out;
}

// A sound source over a memory image, closed with its stream.
class MemorySource {
 public:
  explicit MemorySource(const std::vector<std::uint8_t>& image) : image_(image) {
    stream_ = zelvo::CreateMemoryStream(image_.data(), static_cast<std::int32_t>(image_.size()));
    zelvo::StreamReaderBlock reader = {*zelvo::MemoryStreamOpsTable(), stream_};
    result_ = zelvo::OpenSoundSource(&reader, &source_);
  }
  ~MemorySource() {
    if (result_ == 0) zelvo::CloseSoundSource(&source_);
    zelvo::CloseMemoryStream(stream_);
  }
  int result() const { return result_; }
  zelvo::SoundSource* get() { return &source_; }
  std::vector<std::uint8_t> Read(std::int32_t bytes) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(bytes));
    const int got = zelvo::ReadSoundSource(&source_, out.data(), bytes);
    out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return out;
  }

 private:
  std::vector<std::uint8_t> image_;
  zelvo::MemoryStream* stream_ = nullptr;
  zelvo::SoundSource source_{};
  int result_ = -1;
};

// A scratch folder as the current folder, log lines captured from the debugger output, and no
// conversion stream left open at the end.
class SoundTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    zelvo::g_startUpOptions.hosted = 1;
    zelvo::SetLogOff(0);
    pf::testing::CaptureDebugOutput(true);
    pf::testing::TakeDebugOutput();
  }
  void TearDown() override {
    pf::testing::CaptureDebugOutput(false);
    pf::testing::ClearFaults();
    EXPECT_EQ(pf::testing::OpenAcmStreamCount(), 0);
    FileLayerTest::TearDown();
  }
  static std::string Log() { return pf::testing::TakeDebugOutput(); }
};

// A sine with a slow amplitude sweep and some noise, so that ADPCM predictors and steps vary.
inline std::vector<std::int16_t> TestSignal(int frames, int channels, unsigned seed = 1) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      seed = seed * 1103515245u + 12345u;
      const double sweep = 0.2 + 0.8 * (i % 4000) / 4000.0;
      const double tone = 20000.0 * sweep * std::sin(i * (0.05 + 0.03 * c));
      const int noise = static_cast<int>((seed >> 16) % 2001) - 1000;
      out[static_cast<std::size_t>(i) * channels + c] = static_cast<std::int16_t>(std::clamp(tone + noise, -32768.0, 32767.0));
    }
  }
  return out;
}

inline int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, std::size_t count) {
  int worst = 0;
  for (std::size_t i = 0; i < count; ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

}  // namespace zelvo_test
