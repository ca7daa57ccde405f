// The DirectSound stand-in: device start, buffers and their controls, and the mix read back through
// the manual clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/dsound/mixer.h"
#include "platform/testing.h"

namespace {

using pf::DirectSound;
using pf::DirectSoundBuffer;

pf::WaveFormatEx PcmFormat(int channels, int bits, int rate) {
  const auto align = static_cast<std::uint16_t>(channels * bits / 8);
  return pf::WaveFormatEx{pf::WAVE_FORMAT_PCM, static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate),
                          static_cast<std::uint32_t>(rate) * align, align, static_cast<std::uint16_t>(bits), 0};
}

constexpr std::uint32_t kControls =
    pf::DSBCAPS_GLOBALFOCUS | pf::DSBCAPS_CTRLVOLUME | pf::DSBCAPS_CTRLPAN | pf::DSBCAPS_CTRLFREQUENCY | pf::DSBCAPS_STATIC;

class DirectSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::testing::SetSoundOutput("headless");
    pf::testing::SetManualSoundClock(true);
    pf::testing::RecordMixedSound(true);
    void* made = nullptr;
    ASSERT_EQ(pf::CoCreateInstance(pf::CLSID_DirectSound, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectSound, &made), pf::DS_OK);
    sound_ = static_cast<DirectSound*>(made);
    ASSERT_EQ(sound_->Initialize(nullptr), pf::DS_OK);
    ASSERT_EQ(sound_->SetCooperativeLevel(nullptr, pf::DSSCL_PRIORITY), pf::DS_OK);
  }
  void TearDown() override {
    if (sound_ != nullptr) sound_->Release();
    pf::testing::RecordMixedSound(false);
    pf::testing::SetManualSoundClock(false);
    pf::testing::SetSoundOutput(nullptr);
    pf::testing::ClearFaults();
    EXPECT_EQ(pf::testing::SoundSampleBytes(), 0);
  }

  // A buffer holding the samples (16-bit when bits is 16, else the bytes as given).
  DirectSoundBuffer* MakeBuffer(const std::vector<std::int16_t>& samples, int channels, int rate = 44100,
                                std::uint32_t flags = kControls) {
    const pf::WaveFormatEx format = PcmFormat(channels, 16, rate);
    pf::DSBufferDesc desc{sizeof desc, flags, static_cast<std::uint32_t>(samples.size() * 2), 0, &format};
    DirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), pf::DS_OK);
    if (buffer == nullptr) return nullptr;
    void* part1 = nullptr;
    std::uint32_t bytes1 = 0;
    EXPECT_EQ(buffer->Lock(0, desc.bufferBytes, &part1, &bytes1, nullptr, nullptr, 0), pf::DS_OK);
    std::memcpy(part1, samples.data(), bytes1);
    EXPECT_EQ(buffer->Unlock(part1, bytes1, nullptr, 0), pf::DS_OK);
    return buffer;
  }

  static std::vector<std::int16_t> Render(int frames) {
    pf::testing::TakeMixedSound();
    pf::testing::RenderSound(frames);
    return pf::testing::TakeMixedSound();
  }

  DirectSound* sound_ = nullptr;
};

std::vector<std::int16_t> Ramp(int count, int start, int stepBy) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(start + i * stepBy);
  return out;
}

TEST(DirectSoundDevice, NoDeviceProfileFailsInitializeAndEnumeratesNothing) {
  pf::testing::SetSoundOutput("none");
  void* made = nullptr;
  ASSERT_EQ(pf::CoCreateInstance(pf::CLSID_DirectSound, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectSound, &made), pf::DS_OK);
  auto* sound = static_cast<DirectSound*>(made);
  EXPECT_EQ(sound->Initialize(nullptr), pf::DSERR_NODRIVER);
  EXPECT_EQ(sound->SetCooperativeLevel(nullptr, pf::DSSCL_PRIORITY), pf::DSERR_UNINITIALIZED);
  int listed = 0;
  EXPECT_EQ(pf::DirectSoundEnumerateA([](const pf::Guid*, const char*, const char*, void* user) {
              ++*static_cast<int*>(user);
              return 1;
            }, &listed), pf::DS_OK);
  EXPECT_EQ(listed, 0);
  sound->Release();
  pf::testing::SetSoundOutput(nullptr);

  pf::testing::FailNextCalls("DirectSoundCreate", 1);
  EXPECT_NE(pf::CoCreateInstance(pf::CLSID_DirectSound, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectSound, &made), pf::DS_OK);
  pf::testing::ClearFaults();
}

TEST_F(DirectSoundTest, PrimaryBufferCapsAndFormat) {
  pf::DSCaps caps{};
  caps.size = sizeof caps;
  ASSERT_EQ(sound_->GetCaps(&caps), pf::DS_OK);
  EXPECT_NE(caps.flags & pf::DSCAPS_PRIMARYSTEREO, 0u);
  EXPECT_NE(caps.flags & pf::DSCAPS_SECONDARY16BIT, 0u);
  EXPECT_GE(caps.maxSecondarySampleRate, 44100u);
  pf::DSBufferDesc desc{sizeof desc, pf::DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  DirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &primary, nullptr), pf::DS_OK);
  const pf::WaveFormatEx format = PcmFormat(2, 16, 22050);
  EXPECT_EQ(primary->SetFormat(&format), pf::DS_OK);
  pf::WaveFormatEx read{};
  EXPECT_EQ(primary->GetFormat(&read, sizeof read, nullptr), pf::DS_OK);
  EXPECT_EQ(read.samplesPerSec, 22050u);
  // A 22050 Hz buffer now plays frame for frame.
  DirectSoundBuffer* buffer = MakeBuffer(Ramp(100, 1, 1), 1, 22050);
  ASSERT_EQ(buffer->Play(0, 0, 0), pf::DS_OK);
  const std::vector<std::int16_t> mixed = Render(100);
  EXPECT_EQ(mixed[2 * 99], 100);
  buffer->Release();
  primary->Release();
}

TEST_F(DirectSoundTest, RefusedBuffersAndControls) {
  const pf::WaveFormatEx good = PcmFormat(2, 16, 44100);
  struct Case { pf::WaveFormatEx format; std::uint32_t bytes; pf::HResult expected; };
  pf::WaveFormatEx float32 = good;
  float32.formatTag = 3;
  pf::WaveFormatEx sixChannels = PcmFormat(6, 16, 44100);
  pf::WaveFormatEx zeroRate = PcmFormat(2, 16, 0);
  pf::WaveFormatEx badAlign = good;
  badAlign.blockAlign = 3;
  const Case cases[] = {
      {float32, 400, pf::DSERR_BADFORMAT},      {sixChannels, 1200, pf::DSERR_BADFORMAT},
      {zeroRate, 400, pf::DSERR_BADFORMAT},     {badAlign, 400, pf::DSERR_BADFORMAT},
      {good, 0, pf::DSERR_INVALIDPARAM},        {good, 3, pf::DSERR_INVALIDPARAM},
      {good, 0x10000000, pf::DSERR_INVALIDPARAM},
  };
  for (const Case& c : cases) {
    pf::DSBufferDesc desc{sizeof desc, kControls, c.bytes, 0, &c.format};
    DirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), c.expected) << c.format.channels << " " << c.bytes;
    EXPECT_EQ(buffer, nullptr);
  }
  // A wrong average rate is ignored.
  pf::WaveFormatEx lying = good;
  lying.avgBytesPerSec = 0;
  pf::DSBufferDesc desc{sizeof desc, pf::DSBCAPS_CTRLVOLUME, 400, 0, &lying};
  DirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), pf::DS_OK);
  EXPECT_EQ(buffer->SetVolume(1), pf::DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(-10001), pf::DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(-10000), pf::DS_OK);
  EXPECT_EQ(buffer->SetPan(0), pf::DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->SetFrequency(22050), pf::DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->SetCurrentPosition(400), pf::DSERR_INVALIDPARAM);
  void* p1 = nullptr;
  void* p2 = nullptr;
  std::uint32_t n1 = 0, n2 = 0;
  EXPECT_EQ(buffer->Lock(400, 4, &p1, &n1, &p2, &n2, 0), pf::DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(0, 404, &p1, &n1, &p2, &n2, 0), pf::DSERR_INVALIDPARAM);
  // A lock past the end wraps to the start.
  ASSERT_EQ(buffer->Lock(300, 200, &p1, &n1, &p2, &n2, 0), pf::DS_OK);
  EXPECT_EQ(n1, 100u);
  EXPECT_EQ(n2, 100u);
  EXPECT_EQ(static_cast<std::uint8_t*>(p1) - static_cast<std::uint8_t*>(p2), 300);
  EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), pf::DS_OK);
  buffer->Release();

  pf::testing::FailNextCalls("DirectSoundCreateBuffer", 1);
  EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), pf::DSERR_OUTOFMEMORY);
}

TEST_F(DirectSoundTest, OneShotStopsAtItsEndAndLoopsWrap) {
  const std::vector<std::int16_t> ramp = Ramp(300, -150, 100);
  DirectSoundBuffer* once = MakeBuffer(ramp, 1);
  ASSERT_EQ(once->Play(0, 0, 0), pf::DS_OK);
  std::vector<std::int16_t> mixed = Render(400);
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(mixed[2 * i], ramp[i]) << i;
    ASSERT_EQ(mixed[2 * i + 1], ramp[i]) << i;
  }
  for (int i = 300; i < 400; ++i) ASSERT_EQ(mixed[2 * i], 0);
  std::uint32_t status = 9, play = 9;
  EXPECT_EQ(once->GetStatus(&status), pf::DS_OK);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(once->GetCurrentPosition(&play, nullptr), pf::DS_OK);
  EXPECT_EQ(play, 0u);

  // Looping from frame 250: 50 frames to the end, then the start again; Stop keeps the cursor.
  ASSERT_EQ(once->SetCurrentPosition(250 * 2 + 1), pf::DS_OK);
  ASSERT_EQ(once->Play(0, 0, pf::DSBPLAY_LOOPING), pf::DS_OK);
  EXPECT_EQ(once->GetStatus(&status), pf::DS_OK);
  EXPECT_EQ(status, pf::DSBSTATUS_PLAYING | pf::DSBSTATUS_LOOPING);
  mixed = Render(100);
  EXPECT_EQ(mixed[0], ramp[250]);
  EXPECT_EQ(mixed[2 * 50], ramp[0]);
  EXPECT_EQ(mixed[2 * 99], ramp[49]);
  ASSERT_EQ(once->Stop(), pf::DS_OK);
  EXPECT_EQ(once->GetCurrentPosition(&play, nullptr), pf::DS_OK);
  EXPECT_EQ(play, 50u * 2);
  once->Release();
}

TEST_F(DirectSoundTest, VolumePanAndSaturationFollowTheGainRule) {
  const std::vector<std::int16_t> loud(400, 30000);
  std::vector<std::int16_t> stereo(400);
  for (int i = 0; i < 200; ++i) {
    stereo[2 * i] = static_cast<std::int16_t>(i * 97 - 9000);
    stereo[2 * i + 1] = static_cast<std::int16_t>(12000 - i * 53);
  }
  DirectSoundBuffer* a = MakeBuffer(stereo, 2);
  ASSERT_EQ(a->SetVolume(-600), pf::DS_OK);
  ASSERT_EQ(a->SetPan(300), pf::DS_OK);
  std::int32_t volume = 0;
  EXPECT_EQ(a->GetVolume(&volume), pf::DS_OK);
  EXPECT_EQ(volume, -600);
  ASSERT_EQ(a->Play(0, 0, 0), pf::DS_OK);
  std::vector<std::int16_t> mixed = Render(200);
  const auto gain = [](double db) { return static_cast<std::int32_t>(std::lround(65536 * std::pow(10.0, db / 2000))); };
  const std::int32_t right = gain(-600);
  const std::int32_t left = static_cast<std::int32_t>((static_cast<std::int64_t>(right) * gain(-300)) >> 16);
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(mixed[2 * i], (stereo[2 * i] * left) >> 16) << i;
    ASSERT_EQ(mixed[2 * i + 1], (stereo[2 * i + 1] * right) >> 16) << i;
  }
  // Two loud voices saturate instead of wrapping; -10000 is silence.
  DirectSoundBuffer* b = MakeBuffer(loud, 2);
  DirectSoundBuffer* c = MakeBuffer(loud, 2);
  DirectSoundBuffer* silent = MakeBuffer(loud, 2);
  ASSERT_EQ(silent->SetVolume(-10000), pf::DS_OK);
  for (DirectSoundBuffer* buffer : {b, c, silent}) ASSERT_EQ(buffer->Play(0, 0, 0), pf::DS_OK);
  mixed = Render(10);
  EXPECT_EQ(mixed[0], 32767);
  ASSERT_EQ(b->SetVolume(-10000), pf::DS_OK);
  mixed = Render(10);
  EXPECT_EQ(mixed[0], 30000);
  for (DirectSoundBuffer* buffer : {a, b, c, silent}) buffer->Release();
}

TEST_F(DirectSoundTest, DuplicatesShareSamplesButNotCursors) {
  const std::vector<std::int16_t> ramp = Ramp(1000, 0, 20);
  DirectSoundBuffer* original = MakeBuffer(ramp, 1);
  ASSERT_EQ(original->SetVolume(-2000), pf::DS_OK);
  DirectSoundBuffer* copies[2] = {};
  for (DirectSoundBuffer*& copy : copies) ASSERT_EQ(sound_->DuplicateSoundBuffer(original, &copy), pf::DS_OK);
  EXPECT_EQ(pf::testing::SoundSampleBytes(), 2000);
  std::int32_t volume = 0;
  EXPECT_EQ(copies[0]->GetVolume(&volume), pf::DS_OK);
  EXPECT_EQ(volume, -2000);
  ASSERT_EQ(original->SetVolume(0), pf::DS_OK);
  ASSERT_EQ(copies[0]->SetVolume(0), pf::DS_OK);
  ASSERT_EQ(copies[0]->SetCurrentPosition(500 * 2), pf::DS_OK);
  ASSERT_EQ(original->Play(0, 0, 0), pf::DS_OK);
  ASSERT_EQ(copies[0]->Play(0, 0, 0), pf::DS_OK);
  const std::vector<std::int16_t> mixed = Render(10);
  EXPECT_EQ(mixed[2 * 3], ramp[3] + ramp[503]);
  std::uint32_t status = 0;
  EXPECT_EQ(copies[1]->GetStatus(&status), pf::DS_OK);
  EXPECT_EQ(status, 0u);
  // The samples live while any copy does.
  original->Release();
  copies[0]->Release();
  EXPECT_EQ(pf::testing::SoundSampleBytes(), 2000);
  copies[1]->Release();
}

TEST_F(DirectSoundTest, LostBuffersRefuseUntilRestored) {
  DirectSoundBuffer* buffer = MakeBuffer(Ramp(100, 0, 1), 1);
  ASSERT_EQ(buffer->Play(0, 0, pf::DSBPLAY_LOOPING), pf::DS_OK);
  pf::testing::LoseSoundBuffers();
  std::uint32_t status = 0;
  EXPECT_EQ(buffer->GetStatus(&status), pf::DS_OK);
  EXPECT_EQ(status, pf::DSBSTATUS_BUFFERLOST);
  EXPECT_EQ(buffer->Play(0, 0, 0), pf::DSERR_BUFFERLOST);
  void* p1 = nullptr;
  std::uint32_t n1 = 0;
  EXPECT_EQ(buffer->Lock(0, 4, &p1, &n1, nullptr, nullptr, 0), pf::DSERR_BUFFERLOST);
  EXPECT_EQ(buffer->Restore(), pf::DS_OK);
  EXPECT_EQ(buffer->Play(0, 0, 0), pf::DS_OK);
  buffer->Release();
}

TEST_F(DirectSoundTest, OtherRatesAreResampled) {
  // 100 frames at 22050 Hz last 200 output frames; the frequency control doubles the pace back.
  DirectSoundBuffer* buffer = MakeBuffer(Ramp(100, 0, 100), 1, 22050);
  ASSERT_EQ(buffer->Play(0, 0, 0), pf::DS_OK);
  std::vector<std::int16_t> mixed = Render(220);
  EXPECT_EQ(mixed[2 * 10], 500);
  EXPECT_EQ(mixed[2 * 11], 550);   // halfway between two frames
  EXPECT_NE(mixed[2 * 199], 0);
  EXPECT_EQ(mixed[2 * 200], 0);
  ASSERT_EQ(buffer->SetFrequency(44100), pf::DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), pf::DS_OK);
  mixed = Render(120);
  EXPECT_EQ(mixed[2 * 99], 9900);
  EXPECT_EQ(mixed[2 * 100], 0);
  buffer->Release();
  // A full swing three quarters of the way from one frame to the next.
  buffer = MakeBuffer({-32768, 32767, -32768, 32767}, 1, 33075);
  ASSERT_EQ(buffer->Play(0, 0, 0), pf::DS_OK);
  mixed = Render(4);
  EXPECT_EQ(mixed[2 * 0], -32768);
  EXPECT_EQ(mixed[2 * 1], -32768 + 49151);
  buffer->Release();
}

TEST_F(DirectSoundTest, EightBitSamplesAreCentred) {
  const pf::WaveFormatEx format = PcmFormat(1, 8, 44100);
  pf::DSBufferDesc desc{sizeof desc, kControls, 4, 0, &format};
  DirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), pf::DS_OK);
  void* p1 = nullptr;
  std::uint32_t n1 = 0;
  ASSERT_EQ(buffer->Lock(0, 4, &p1, &n1, nullptr, nullptr, 0), pf::DS_OK);
  const std::uint8_t bytes[4] = {0, 128, 255, 129};
  std::memcpy(p1, bytes, 4);
  ASSERT_EQ(buffer->Unlock(p1, n1, nullptr, 0), pf::DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), pf::DS_OK);
  const std::vector<std::int16_t> mixed = Render(4);
  EXPECT_EQ(mixed, (std::vector<std::int16_t>{-32768, -32768, 0, 0, 32512, 32512, 256, 256}));
  buffer->Release();
}

TEST(DirectSoundCapture, EveryMixedFrameReachesTheCaptureFile) {
  char path[] = "/tmp/zelvo-capture-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  setenv("ZELVO_AUDIO_CAPTURE", path, 1);
  pf::testing::SetSoundOutput("headless");
  pf::testing::SetManualSoundClock(true);
  pf::testing::RecordMixedSound(true);
  void* made = nullptr;
  ASSERT_EQ(pf::CoCreateInstance(pf::CLSID_DirectSound, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectSound, &made), pf::DS_OK);
  auto* sound = static_cast<DirectSound*>(made);
  ASSERT_EQ(sound->Initialize(nullptr), pf::DS_OK);
  ASSERT_EQ(sound->SetCooperativeLevel(nullptr, pf::DSSCL_PRIORITY), pf::DS_OK);
  const pf::WaveFormatEx format = PcmFormat(2, 16, 44100);
  pf::DSBufferDesc desc{sizeof desc, kControls, 4000, 0, &format};
  DirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), pf::DS_OK);
  void* p1 = nullptr;
  std::uint32_t n1 = 0;
  ASSERT_EQ(buffer->Lock(0, 4000, &p1, &n1, nullptr, nullptr, 0), pf::DS_OK);
  for (std::uint32_t i = 0; i < n1 / 2; ++i) static_cast<std::int16_t*>(p1)[i] = static_cast<std::int16_t>(i * 7);
  ASSERT_EQ(buffer->Unlock(p1, n1, nullptr, 0), pf::DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, pf::DSBPLAY_LOOPING), pf::DS_OK);
  pf::testing::RenderSound(5000);
  buffer->Release();
  sound->Release();
  unsetenv("ZELVO_AUDIO_CAPTURE");
  const std::vector<std::int16_t> mixed = pf::testing::TakeMixedSound();
  pf::testing::RecordMixedSound(false);
  pf::testing::SetManualSoundClock(false);
  pf::testing::SetSoundOutput(nullptr);

  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path);
  ASSERT_EQ(file.size(), 44u + 5000u * 4);
  EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
  std::uint32_t dataBytes = 0;
  std::memcpy(&dataBytes, file.data() + 40, 4);
  EXPECT_EQ(dataBytes, 5000u * 4);
  ASSERT_EQ(mixed.size(), 10000u);
  EXPECT_EQ(std::memcmp(file.data() + 44, mixed.data(), 20000), 0);
  EXPECT_EQ(mixed[2 * 1001], 2 * 7);   // looped back to the start
}

}  // namespace
