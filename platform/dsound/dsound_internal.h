#pragma once
// What the DirectSound stand-in's files share: the device and buffer objects, the audio outputs
// the device is heard through, the capture file and the fault switch helper.
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/dsound/mixer.h"

namespace pf::dsound {

// True (with the code to return) when the named call must fail.
bool Fault(const char* method, HResult* code, HResult fallback);

// Pulls mixed 16-bit stereo frames from the device.
using PullFrames = void (*)(void* user, std::int16_t* out, int frames);

// Where the mix goes. An output that runs its own thread (SDL) pulls by itself; a clock-driven one
// pulls in CatchUp what its clock says is due.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  virtual const char* Name() const = 0;
  virtual bool Open(int rate, PullFrames pull, void* user) = 0;
  virtual void Close() = 0;
  virtual void CatchUp() {}
  // Manual clock: pulls exactly this many frames now.
  virtual void Advance(int) {}
  // The device went away under us (unplugged, its server gone); a test can say so too.
  virtual bool Lost() const { return lostForTest_; }
  void MarkLost() { lostForTest_ = true; }

 private:
  bool lostForTest_ = false;
};
// The output the profile (ZELVO_AUDIO, or the test switch) names; nullptr for "none".
std::unique_ptr<AudioOutput> MakeAudioOutput();
std::unique_ptr<AudioOutput> MakeSdlOutput();
std::unique_ptr<AudioOutput> MakeClockOutput();
// The names of the outputs the SDL audio host lists, for the enumeration (UTF-8), and its driver.
std::vector<std::string> SdlOutputNames(std::string* driver);

// ZELVO_AUDIO_CAPTURE: a 16-bit stereo WAVE file whose header always counts what has been written.
class CaptureFile {
 public:
  ~CaptureFile();
  bool Open(const char* path, int rate);
  void Write(const std::int16_t* frames, int count);
  void Close();

 private:
  void WriteHeader();
  std::FILE* file_ = nullptr;
  int rate_ = 44100;
  std::uint32_t frames_ = 0;
};

// Sample memory, shared by a buffer and its duplicates; zero-filled when made.
struct SampleBlock {
  explicit SampleBlock(std::uint32_t size);
  ~SampleBlock();
  SampleBlock(const SampleBlock&) = delete;
  SampleBlock& operator=(const SampleBlock&) = delete;
  std::uint8_t* bytes;
  std::uint32_t size;
};
// Bytes of sample memory alive in the process.
std::atomic<std::int64_t>& LiveSampleBytes();

class DeviceObject;

class BufferObject final : public DirectSoundBuffer {
 public:
  // A secondary buffer over new or shared sample memory; the primary buffer has none.
  BufferObject(DeviceObject* device, std::uint32_t flags, const WaveFormatEx& format,
               std::shared_ptr<SampleBlock> samples);

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) override;
  HResult GetFormat(WaveFormatEx* format, std::uint32_t size, std::uint32_t* written) override;
  HResult GetVolume(std::int32_t* volume) override;
  HResult GetStatus(std::uint32_t* status) override;
  HResult Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* bytes1, void** part2,
               std::uint32_t* bytes2, std::uint32_t flags) override;
  HResult Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags) override;
  HResult SetCurrentPosition(std::uint32_t position) override;
  HResult SetFormat(const WaveFormatEx* format) override;
  HResult SetVolume(std::int32_t volume) override;
  HResult SetPan(std::int32_t pan) override;
  HResult SetFrequency(std::uint32_t frequency) override;
  HResult Stop() override;
  HResult Unlock(void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2) override;
  HResult Restore() override;

  bool Primary() const { return samples_ == nullptr; }
  std::uint32_t Flags() const { return flags_; }
  const WaveFormatEx& Format() const { return format_; }
  const std::shared_ptr<SampleBlock>& Samples() const { return samples_; }
  std::int32_t Volume() const { return volume_; }
  std::int32_t Pan() const { return pan_; }
  std::uint32_t Frequency() const { return frequency_; }
  // Called by the device under its lock.
  MixVoice* Voice() { return &voice_; }
  void SetOutputRate(int rate);
  void Lose();
  // A duplicate takes the original's volume, pan and frequency.
  void CopySettings(const BufferObject& original);

 private:
  ~BufferObject() override;
  void UpdateGains();
  std::uint32_t OwnRate() const { return frequency_ != 0 ? frequency_ : format_.samplesPerSec; }

  DeviceObject* device_;
  std::atomic<std::uint32_t> references_{1};
  std::uint32_t flags_;
  WaveFormatEx format_;
  std::shared_ptr<SampleBlock> samples_;
  MixVoice voice_{};
  std::int32_t volume_ = 0;
  std::int32_t pan_ = 0;
  std::uint32_t frequency_ = 0;
  int outputRate_ = 44100;
  bool lost_ = false;
};

class DeviceObject final : public DirectSound {
 public:
  DeviceObject();

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult CreateSoundBuffer(const DSBufferDesc* desc, DirectSoundBuffer** out, Unknown* outer) override;
  HResult GetCaps(DSCaps* caps) override;
  HResult DuplicateSoundBuffer(DirectSoundBuffer* original, DirectSoundBuffer** out) override;
  HResult SetCooperativeLevel(WindowHandle window, std::uint32_t level) override;
  HResult Initialize(const Guid* device) override;

  // Guards the buffers' play state and the mix; sample memory is written without it.
  std::recursive_mutex& Mutex() { return mutex_; }
  // Brings a clock-driven output up to its clock; called (under the lock) before every reading.
  void CatchUp();
  // The primary buffer's format: the output's rate. DSERR_* on a refused format.
  HResult SetOutputFormat(const WaveFormatEx& format);
  int OutputRate() const { return outputRate_; }
  std::uint32_t CooperativeLevel() const { return level_; }
  void ForgetBuffer(BufferObject* buffer);
  void ForgetPrimary() { primary_ = nullptr; }
  // Test controls: frames pulled through the manual clock, lost buffers.
  void AdvanceManualClock(int frames);
  void LoseBuffers();
  void LoseOutput();
  // false when the source was attached already, or (detach) was not.
  bool AttachSource(MixSource* source);
  bool DetachSource(MixSource* source);

 private:
  ~DeviceObject() override;
  static void PullMix(void* user, std::int16_t* out, int frames);
  void Mix(std::int16_t* out, int frames);

  std::atomic<std::uint32_t> references_{1};
  std::recursive_mutex mutex_;
  bool initialised_ = false;
  std::uint32_t level_ = 0;
  int outputRate_ = 44100;
  std::unique_ptr<AudioOutput> output_;
  // Outputs that were lost: kept, unused, until the device goes (closing one may wait for its thread).
  std::vector<std::unique_ptr<AudioOutput>> lostOutputs_;
  CaptureFile capture_;
  bool capturing_ = false;
  std::vector<BufferObject*> buffers_;
  std::vector<MixSource*> sources_;
  BufferObject* primary_ = nullptr;
  std::vector<std::int32_t> sums_;
};

// The device the test controls reach: the last one initialised that is still alive.
DeviceObject* CurrentDevice();
void SetCurrentDevice(DeviceObject* device);
// The test switches read by the device.
bool ManualClock();
// In-memory record of the mix, for tests.
void RecordMix(const std::int16_t* frames, int count);
// The output a test asked for ("" when none: the environment decides).
std::string OutputProfile();
// The caps the device reports (the default profile, or what a test set).
DSCaps DeviceCaps();

}  // namespace pf::dsound
