// Multimedia streams: the file's format, updates that wait for the stream's clock, seeking, the end
// of the stream, the files and layouts refused, and the sound the default renderer plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/media/media_stream.h"
#include "platform/media/media_testing.h"
#include "platform/testing.h"
#include "support/avi_writer.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"
#include "support/test_paths.h"

namespace zelvo_test {
namespace {

constexpr pf::StreamTime kFrameTime = 1000000;   // 10 frames a second

class MediaStream : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::SetVirtualClock(true);
    folder_ = MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    AviLayout layout;
    layout.codec = AviCodec::kRawBgr24;   // lossless: colours compare exactly
    ASSERT_TRUE(WriteAvi(folder_ + "/clip.avi", layout));
    ASSERT_EQ(pf::CreateMultiMediaStream(&stream_), pf::MS_OK);
  }
  void TearDown() override {
    pf::ReleaseStreamSample(sample_);
    pf::ReleaseMultiMediaStream(stream_);
    if (event_ != nullptr) pf::CloseHandle(event_);
    EXPECT_EQ(pf::testing::OpenMediaStreamCount(), 0);
    RemoveFolderTree(folder_);
  }

  std::string WindowsPath(const std::string& name) const { return pf::HostPathToWindows(folder_ + "/" + name); }

  void OpenClip() {
    ASSERT_EQ(pf::OpenMediaFile(stream_, WindowsPath("clip.avi").c_str()), pf::MS_OK);
    const pf::SampleFormat rgb32{32, 0xFF0000, 0xFF00, 0xFF};
    ASSERT_EQ(pf::CreateStreamSample(stream_, &rgb32, &sample_), pf::MS_OK);
    event_ = pf::CreateEvent(true, false);
  }

  // 0xRRGGBB at the sample's top left.
  std::uint32_t SamplePixel() const {
    const std::uint8_t* pixels = nullptr;
    int pitch = 0;
    EXPECT_EQ(pf::LockSampleSurface(sample_, &pixels, &pitch), pf::MS_OK);
    const std::uint32_t value = pixels[2] << 16 | pixels[1] << 8 | pixels[0];
    pf::UnlockSampleSurface(sample_);
    return value;
  }
  bool EventSet() const { return pf::WaitForSingleObject(event_, 0) == pf::kWaitObject0; }

  std::string folder_;
  pf::MediaStream stream_ = nullptr;
  pf::StreamSample sample_ = nullptr;
  pf::Handle event_ = nullptr;
};

TEST_F(MediaStream, ReportsTheVideoFormatFrameTimeAndLength) {
  OpenClip();
  int width = 0, height = 0;
  ASSERT_EQ(pf::GetVideoFormat(stream_, &width, &height), pf::MS_OK);
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 48);
  pf::StreamTime time = 0;
  ASSERT_EQ(pf::GetTimePerFrame(stream_, &time), pf::MS_OK);
  EXPECT_EQ(time, kFrameTime);
  ASSERT_EQ(pf::GetStopPosition(stream_, &time), pf::MS_OK);
  EXPECT_EQ(time, 10 * kFrameTime);
  pf::SampleFormat format{};
  ASSERT_EQ(pf::GetSampleSurfaceFormat(sample_, &format, &width, &height), pf::MS_OK);
  EXPECT_EQ(format.bitsPerPixel, 32);
  EXPECT_EQ(width, 64);
}

TEST_F(MediaStream, AsynchronousUpdateWaitsForTheClockAndTakesTheLatestDueFrame) {
  OpenClip();
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_RUN), pf::MS_OK);
  ASSERT_EQ(pf::UpdateSample(sample_, pf::SSUPDATE_ASYNC, event_), pf::MS_S_PENDING);
  EXPECT_EQ(pf::UpdateSample(sample_, pf::SSUPDATE_ASYNC, event_), pf::MS_E_BUSY);
  ASSERT_EQ(pf::CompletionStatus(sample_), pf::MS_OK);   // frame 0 is due at once
  EXPECT_TRUE(EventSet());
  EXPECT_EQ(SamplePixel(), MovieFrameColor(0));
  EXPECT_EQ(pf::CompletionStatus(sample_), pf::MS_S_NOUPDATE);

  pf::ResetEvent(event_);
  ASSERT_EQ(pf::UpdateSample(sample_, pf::SSUPDATE_ASYNC, event_), pf::MS_S_PENDING);
  EXPECT_EQ(pf::CompletionStatus(sample_), pf::MS_S_PENDING);
  EXPECT_FALSE(EventSet());
  EXPECT_EQ(SamplePixel(), MovieFrameColor(0));
  pf::AdvanceVirtualClock(100);
  ASSERT_EQ(pf::CompletionStatus(sample_), pf::MS_OK);
  EXPECT_TRUE(EventSet());
  EXPECT_EQ(SamplePixel(), MovieFrameColor(1));

  // Late by more than two frames: the frames between are passed over.
  ASSERT_EQ(pf::UpdateSample(sample_, pf::SSUPDATE_ASYNC, event_), pf::MS_S_PENDING);
  pf::AdvanceVirtualClock(350);
  ASSERT_EQ(pf::CompletionStatus(sample_), pf::MS_OK);
  EXPECT_EQ(SamplePixel(), MovieFrameColor(4));
}

TEST_F(MediaStream, StoppedStreamKeepsItsTimeAndSeekSetsIt) {
  OpenClip();
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_RUN), pf::MS_OK);
  pf::AdvanceVirtualClock(250);
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_STOP), pf::MS_OK);
  pf::StreamTime stoppedAt = 0, later = 0;
  pf::GetStreamTime(stream_, &stoppedAt);
  EXPECT_GE(stoppedAt, 25 * kFrameTime / 10);
  EXPECT_LT(stoppedAt, 26 * kFrameTime / 10);
  // Stopped: a frame that would be due never completes.
  ASSERT_EQ(pf::UpdateSample(sample_, pf::SSUPDATE_ASYNC, event_), pf::MS_S_PENDING);
  pf::AdvanceVirtualClock(1000);
  EXPECT_EQ(pf::CompletionStatus(sample_), pf::MS_S_PENDING);
  pf::GetStreamTime(stream_, &later);
  EXPECT_EQ(later, stoppedAt);

  // A synchronous update takes the pending one's place and delivers at once.
  ASSERT_EQ(pf::SeekStream(stream_, 6 * kFrameTime + kFrameTime / 2), pf::MS_OK);
  pf::GetStreamTime(stream_, &later);
  EXPECT_EQ(later, 6 * kFrameTime + kFrameTime / 2);
  ASSERT_EQ(pf::UpdateSample(sample_, 0, nullptr), pf::MS_OK);
  EXPECT_EQ(SamplePixel(), MovieFrameColor(6));
  ASSERT_EQ(pf::SeekStream(stream_, 0), pf::MS_OK);
  ASSERT_EQ(pf::UpdateSample(sample_, 0, nullptr), pf::MS_OK);
  EXPECT_EQ(SamplePixel(), MovieFrameColor(0));
}

TEST_F(MediaStream, EndOfStreamEndsBothKindsOfUpdate) {
  OpenClip();
  for (int n = 0; n < 10; ++n) {
    ASSERT_EQ(pf::UpdateSample(sample_, 0, nullptr), pf::MS_OK) << n;
    EXPECT_EQ(SamplePixel(), MovieFrameColor(n));
  }
  EXPECT_EQ(pf::UpdateSample(sample_, 0, nullptr), pf::MS_S_ENDOFSTREAM);
  EXPECT_EQ(pf::UpdateSample(sample_, pf::SSUPDATE_ASYNC, event_), pf::MS_S_ENDOFSTREAM);
  EXPECT_EQ(SamplePixel(), MovieFrameColor(9));
  // A pending update meets the end when the last frame went before it.
  ASSERT_EQ(pf::SeekStream(stream_, 9 * kFrameTime), pf::MS_OK);
  ASSERT_EQ(pf::UpdateSample(sample_, 0, nullptr), pf::MS_OK);
  ASSERT_EQ(pf::UpdateSample(sample_, pf::SSUPDATE_ASYNC, event_), pf::MS_S_PENDING);
  EXPECT_EQ(pf::CompletionStatus(sample_), pf::MS_S_ENDOFSTREAM);
  EXPECT_TRUE(EventSet());
}

TEST_F(MediaStream, SixteenBitSamplesAndTheStreamsOwnChoice) {
  ASSERT_EQ(pf::OpenMediaFile(stream_, WindowsPath("clip.avi").c_str()), pf::MS_OK);
  const pf::SampleFormat rgb24{24, 0xFF0000, 0xFF00, 0xFF};
  EXPECT_EQ(pf::CreateStreamSample(stream_, &rgb24, &sample_), pf::MS_E_UNSUPPORTED_STREAM);
  EXPECT_EQ(sample_, nullptr);
  ASSERT_EQ(pf::CreateStreamSample(stream_, nullptr, &sample_), pf::MS_OK);
  pf::SampleFormat format{};
  pf::GetSampleSurfaceFormat(sample_, &format, nullptr, nullptr);
  EXPECT_EQ(format.bitsPerPixel, 32);
  EXPECT_EQ(format.redMask, 0xFF0000u);
  pf::ReleaseStreamSample(sample_);
  const pf::SampleFormat rgb565{16, 0xF800, 0x07E0, 0x1F};
  ASSERT_EQ(pf::CreateStreamSample(stream_, &rgb565, &sample_), pf::MS_OK);
  ASSERT_EQ(pf::UpdateSample(sample_, 0, nullptr), pf::MS_OK);
  const std::uint8_t* pixels = nullptr;
  int pitch = 0;
  ASSERT_EQ(pf::LockSampleSurface(sample_, &pixels, &pitch), pf::MS_OK);
  const std::uint32_t color = MovieFrameColor(0);
  const std::uint32_t expected = ((color >> 19) & 0x1F) << 11 | ((color >> 10) & 0x3F) << 5 | ((color >> 3) & 0x1F);
  EXPECT_NEAR(pixels[0] | pixels[1] << 8, expected, 1u << 5);
}

TEST_F(MediaStream, RefusesMissingFilesAndFilesThatAreNoMovies) {
  WriteFileBytes(folder_ + "/picture.avi", WriteBmp(BmpLayout{}));
  WriteFileBytes(folder_ + "/text.avi", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'});
  const struct {
    const char* name;
    pf::MediaResult result;
  } cases[] = {
      {"missing.avi", pf::MS_E_FILE_NOT_FOUND},
      {"picture.avi", pf::MS_E_UNSUPPORTED_STREAM},
      {"text.avi", pf::MS_E_UNSUPPORTED_STREAM},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(pf::OpenMediaFile(stream_, WindowsPath(c.name).c_str()), c.result);
    int width = -1, height = -1;
    pf::GetVideoFormat(stream_, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(pf::CreateStreamSample(stream_, nullptr, &sample_), pf::MS_E_NOSTREAM);
  }
  pf::testing::FailNextCalls("CreateMultiMediaStream", 1);
  pf::MediaStream failed = nullptr;
  EXPECT_EQ(pf::CreateMultiMediaStream(&failed), pf::MS_E_OUTOFMEMORY);
  EXPECT_EQ(failed, nullptr);
}

// The default sound renderer over a DirectSound device mixed by hand: the clip's tone is heard
// while the stream runs, from where it was paused or sought, and not once the stream is gone.
class MovieSound : public MediaStream {
 protected:
  void SetUp() override {
    MediaStream::SetUp();
    pf::testing::SetSoundOutput("headless");
    pf::testing::SetManualSoundClock(true);
    pf::testing::RecordMixedSound(true);
    void* made = nullptr;
    ASSERT_EQ(pf::CoCreateInstance(pf::CLSID_DirectSound, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectSound, &made),
              pf::DS_OK);
    device_ = static_cast<pf::DirectSound*>(made);
    ASSERT_EQ(device_->Initialize(nullptr), pf::DS_OK);
    AviLayout layout;
    layout.codec = AviCodec::kRawBgr24;
    layout.soundRate = 44100;
    ASSERT_TRUE(WriteAvi(folder_ + "/voiced.avi", layout));
  }
  void TearDown() override {
    MediaStream::TearDown();
    if (device_ != nullptr) device_->Release();
    pf::testing::RecordMixedSound(false);
    pf::testing::SetManualSoundClock(false);
    pf::testing::SetSoundOutput(nullptr);
  }

  static std::vector<std::int16_t> Render(int frames) {
    pf::testing::TakeMixedSound();
    pf::testing::RenderSound(frames);
    return pf::testing::TakeMixedSound();
  }
  // Every frame carries the tone from sample `first` on, on both sides.
  static ::testing::AssertionResult ToneFrom(const std::vector<std::int16_t>& mixed, int first) {
    for (std::size_t i = 0; i < mixed.size() / 2; ++i) {
      const int expected = MovieSoundSample(first + static_cast<int>(i), 44100);
      if (std::abs(mixed[2 * i] - expected) > 1 || std::abs(mixed[2 * i + 1] - expected) > 1) {
        return ::testing::AssertionFailure() << "frame " << i << ": " << mixed[2 * i] << ", " << mixed[2 * i + 1]
                                             << " for " << expected;
      }
    }
    return ::testing::AssertionSuccess();
  }
  static bool Silent(const std::vector<std::int16_t>& mixed) {
    return std::all_of(mixed.begin(), mixed.end(), [](std::int16_t s) { return s == 0; });
  }

  pf::DirectSound* device_ = nullptr;
};

TEST_F(MovieSound, ToneFollowsTheStreamsStateAndGoesWithIt) {
  ASSERT_EQ(pf::AddPrimaryAudioStream(stream_), pf::MS_OK);
  EXPECT_EQ(pf::AddPrimaryAudioStream(stream_), pf::MS_E_FAIL);
  ASSERT_EQ(pf::OpenMediaFile(stream_, WindowsPath("voiced.avi").c_str()), pf::MS_OK);
  EXPECT_TRUE(Silent(Render(2205)));
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_RUN), pf::MS_OK);
  EXPECT_TRUE(ToneFrom(Render(4410), 0));
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_STOP), pf::MS_OK);
  EXPECT_TRUE(Silent(Render(2205)));
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_RUN), pf::MS_OK);
  EXPECT_TRUE(ToneFrom(Render(4410), 4410));
  ASSERT_EQ(pf::SeekStream(stream_, 5 * kFrameTime), pf::MS_OK);
  EXPECT_TRUE(ToneFrom(Render(4410), 22050));
  // Past the end of the sound track the movie is silent.
  EXPECT_TRUE(ToneFrom(Render(44100 - 22050 - 4410), 22050 + 4410));
  EXPECT_TRUE(Silent(Render(2205)));
  ASSERT_EQ(pf::SeekStream(stream_, 0), pf::MS_OK);
  EXPECT_TRUE(ToneFrom(Render(441), 0));
  pf::ReleaseMultiMediaStream(stream_);
  stream_ = nullptr;
  EXPECT_TRUE(Silent(Render(2205)));
}

TEST_F(MovieSound, WithoutASoundDeviceOrARendererTheMovieIsSilent) {
  // A renderer that cannot be made.
  pf::testing::FailNextCalls("AddPrimaryAudioStream", 1);
  EXPECT_EQ(pf::AddPrimaryAudioStream(stream_), pf::MS_E_FAIL);
  ASSERT_EQ(pf::OpenMediaFile(stream_, WindowsPath("voiced.avi").c_str()), pf::MS_OK);
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_RUN), pf::MS_OK);
  EXPECT_TRUE(Silent(Render(2205)));
  // No device: the renderer plays nowhere and the pictures go on.
  pf::ReleaseMultiMediaStream(stream_);
  device_->Release();
  device_ = nullptr;
  ASSERT_EQ(pf::CreateMultiMediaStream(&stream_), pf::MS_OK);
  ASSERT_EQ(pf::AddPrimaryAudioStream(stream_), pf::MS_OK);
  ASSERT_EQ(pf::OpenMediaFile(stream_, WindowsPath("voiced.avi").c_str()), pf::MS_OK);
  ASSERT_EQ(pf::SetStreamState(stream_, pf::STREAMSTATE_RUN), pf::MS_OK);
  const pf::SampleFormat rgb32{32, 0xFF0000, 0xFF00, 0xFF};
  ASSERT_EQ(pf::CreateStreamSample(stream_, &rgb32, &sample_), pf::MS_OK);
  EXPECT_EQ(pf::UpdateSample(sample_, 0, nullptr), pf::MS_OK);
}

}  // namespace
}  // namespace zelvo_test
