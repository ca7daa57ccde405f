// The DirectSound object: initialisation on the audio output, cooperative level, caps, buffer
// creation and duplication, and the mix every output pulls.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/dsound/dsound_internal.h"

namespace pf::dsound {
namespace {

bool PcmFormatAccepted(const WaveFormatEx& format) {
  if (format.formatTag != WAVE_FORMAT_PCM) return false;
  if (format.channels != 1 && format.channels != 2) return false;
  if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return false;
  if (format.blockAlign != format.channels * format.bitsPerSample / 8) return false;
  return format.samplesPerSec >= DSBFREQUENCY_MIN && format.samplesPerSec <= DSBFREQUENCY_MAX;
}

// Mixing runs in steps of at most this many frames.
constexpr int kMixChunk = 4096;

}  // namespace

DeviceObject::DeviceObject() : sums_(static_cast<std::size_t>(kMixChunk) * 2) {}

DeviceObject::~DeviceObject() {
  // The output's own thread may be inside the mix: close it without holding the lock.
  if (output_ != nullptr) output_->Close();
  output_.reset();
  for (auto& lost : lostOutputs_) lost->Close();
  lostOutputs_.clear();
  capture_.Close();
  if (CurrentDevice() == this) SetCurrentDevice(nullptr);
}

HResult DeviceObject::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (!(iid == IID_IDirectSound)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<DirectSound*>(this);
  return DS_OK;
}

std::uint32_t DeviceObject::AddRef() { return ++references_; }

std::uint32_t DeviceObject::Release() {
  const std::uint32_t left = --references_;
  if (left == 0) delete this;
  return left;
}

HResult DeviceObject::Initialize(const Guid*) {
  HResult code;
  if (Fault("DirectSoundInitialize", &code, DSERR_NODRIVER)) return code;
  if (initialised_) return DSERR_ALREADYINITIALIZED;
  const char* capturePath = std::getenv("ZELVO_AUDIO_CAPTURE");
  const bool captureAsked = capturePath != nullptr && *capturePath != '\0';
  std::unique_ptr<AudioOutput> output = MakeAudioOutput();
  if (output == nullptr || !output->Open(outputRate_, PullMix, this)) {
    // Asked for a capture, the mix is made even with no device to hear it through.
    if (!captureAsked) return DSERR_NODRIVER;
    output = MakeClockOutput();
    if (!output->Open(outputRate_, PullMix, this)) return DSERR_NODRIVER;
  }
  if (captureAsked) capturing_ = capture_.Open(capturePath, outputRate_);
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    output_ = std::move(output);
    initialised_ = true;
  }
  SetCurrentDevice(this);
  return DS_OK;
}

HResult DeviceObject::SetCooperativeLevel(WindowHandle, std::uint32_t level) {
  if (!initialised_) return DSERR_UNINITIALIZED;
  HResult code;
  if (Fault("DirectSoundSetCooperativeLevel", &code, DSERR_ALLOCATED)) return code;
  if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
  level_ = level;
  return DS_OK;
}

HResult DeviceObject::GetCaps(DSCaps* caps) {
  if (caps == nullptr || caps->size != sizeof(DSCaps)) return DSERR_INVALIDPARAM;
  if (!initialised_) return DSERR_UNINITIALIZED;
  *caps = DeviceCaps();
  return DS_OK;
}

HResult DeviceObject::CreateSoundBuffer(const DSBufferDesc* desc, DirectSoundBuffer** out, Unknown* outer) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (desc == nullptr || desc->size != sizeof(DSBufferDesc)) return DSERR_INVALIDPARAM;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (!initialised_) return DSERR_UNINITIALIZED;
  if (level_ == 0) return DSERR_PRIOLEVELNEEDED;
  HResult code;
  if (Fault("DirectSoundCreateBuffer", &code, DSERR_OUTOFMEMORY)) return code;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if ((desc->flags & DSBCAPS_PRIMARYBUFFER) != 0) {
    if (desc->bufferBytes != 0 || desc->format != nullptr) return DSERR_INVALIDPARAM;
    if (primary_ != nullptr) {
      primary_->AddRef();
    } else {
      const WaveFormatEx format{WAVE_FORMAT_PCM, 2, static_cast<std::uint32_t>(outputRate_),
                                static_cast<std::uint32_t>(outputRate_) * 4, 4, 16, 0};
      primary_ = new BufferObject(this, desc->flags, format, nullptr);
    }
    *out = primary_;
    return DS_OK;
  }
  if (desc->format == nullptr) return DSERR_INVALIDPARAM;
  if (desc->bufferBytes < DSBSIZE_MIN || desc->bufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
  if (!PcmFormatAccepted(*desc->format)) return DSERR_BADFORMAT;
  // The buffer holds whole frames; the rate and block size stand, whatever the average rate says.
  WaveFormatEx format = *desc->format;
  format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
  format.extraSize = 0;
  const std::uint32_t bytes = desc->bufferBytes - desc->bufferBytes % format.blockAlign;
  if (bytes == 0) return DSERR_INVALIDPARAM;
  auto samples = std::make_shared<SampleBlock>(bytes);
  if (samples->bytes == nullptr) return DSERR_OUTOFMEMORY;
  auto* buffer = new BufferObject(this, desc->flags, format, std::move(samples));
  buffers_.push_back(buffer);
  *out = buffer;
  return DS_OK;
}

HResult DeviceObject::DuplicateSoundBuffer(DirectSoundBuffer* original, DirectSoundBuffer** out) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (original == nullptr) return DSERR_INVALIDPARAM;
  if (!initialised_) return DSERR_UNINITIALIZED;
  HResult code;
  if (Fault("DirectSoundDuplicate", &code, DSERR_OUTOFMEMORY)) return code;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto* source = static_cast<BufferObject*>(original);
  if (std::find(buffers_.begin(), buffers_.end(), source) == buffers_.end()) return DSERR_INVALIDCALL;
  auto* buffer = new BufferObject(this, source->Flags(), source->Format(), source->Samples());
  buffer->CopySettings(*source);
  buffers_.push_back(buffer);
  *out = buffer;
  return DS_OK;
}

void DeviceObject::ForgetBuffer(BufferObject* buffer) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (buffer == primary_) {
    primary_ = nullptr;
    return;
  }
  buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), buffer), buffers_.end());
}

HResult DeviceObject::SetOutputFormat(const WaveFormatEx& format) {
  if (level_ < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  if (!PcmFormatAccepted(format)) return DSERR_BADFORMAT;
  const int rate = static_cast<int>(format.samplesPerSec);
  if (rate == outputRate_) return DS_OK;
  // The output opens again at the new rate; its thread must not be mixing meanwhile.
  std::unique_ptr<AudioOutput> output;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    output = std::move(output_);
  }
  if (output != nullptr) output->Close();
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  outputRate_ = rate;
  for (BufferObject* buffer : buffers_) buffer->SetOutputRate(rate);
  if (capturing_) {
    capture_.Close();
    capturing_ = capture_.Open(std::getenv("ZELVO_AUDIO_CAPTURE"), rate);
  }
  if (output == nullptr || !output->Open(rate, PullMix, this)) return DSERR_GENERIC;
  output_ = std::move(output);
  return DS_OK;
}

void DeviceObject::CatchUp() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (output_ == nullptr) return;
  if (output_->Lost()) {
    // Sounds go on moving by the clock, heard nowhere, so nothing waits for ever on a sound's end.
    std::unique_ptr<AudioOutput> clock = MakeClockOutput();
    if (clock->Open(outputRate_, PullMix, this)) {
      lostOutputs_.push_back(std::move(output_));
      output_ = std::move(clock);
    }
  }
  if (!ManualClock()) output_->CatchUp();
}

void DeviceObject::LoseOutput() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (output_ != nullptr) output_->MarkLost();
}

void DeviceObject::AdvanceManualClock(int frames) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (output_ != nullptr) output_->Advance(frames);
}

void DeviceObject::LoseBuffers() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (BufferObject* buffer : buffers_) buffer->Lose();
}

bool DeviceObject::AttachSource(MixSource* source) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (std::find(sources_.begin(), sources_.end(), source) != sources_.end()) return false;
  sources_.push_back(source);
  return true;
}

bool DeviceObject::DetachSource(MixSource* source) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const auto found = std::find(sources_.begin(), sources_.end(), source);
  if (found == sources_.end()) return false;
  sources_.erase(found);
  return true;
}

void DeviceObject::PullMix(void* user, std::int16_t* out, int frames) {
  static_cast<DeviceObject*>(user)->Mix(out, frames);
}

void DeviceObject::Mix(std::int16_t* out, int frames) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  while (frames > 0) {
    const int count = std::min(frames, kMixChunk);
    std::fill(sums_.begin(), sums_.begin() + 2 * count, 0);
    for (BufferObject* buffer : buffers_) AddVoice(buffer->Voice(), sums_.data(), count);
    for (MixSource* source : sources_) source->AddFrames(sums_.data(), count, outputRate_);
    SaturateSums(sums_.data(), out, count);
    if (capturing_) capture_.Write(out, count);
    RecordMix(out, count);
    out += 2 * count;
    frames -= count;
  }
}

}  // namespace pf::dsound

namespace pf {

DirectSound* CurrentSoundDevice() {
  dsound::DeviceObject* device = dsound::CurrentDevice();
  if (device != nullptr) device->AddRef();
  return device;
}

HResult AttachMixSource(DirectSound* device, MixSource* source) {
  if (device == nullptr || source == nullptr) return DSERR_INVALIDPARAM;
  // The device lives while a source is attached to it.
  if (static_cast<dsound::DeviceObject*>(device)->AttachSource(source)) device->AddRef();
  return DS_OK;
}

void DetachMixSource(DirectSound* device, MixSource* source) {
  if (device == nullptr || source == nullptr) return;
  if (static_cast<dsound::DeviceObject*>(device)->DetachSource(source)) device->Release();
}

void CatchUpSoundDevice(DirectSound* device) {
  if (device != nullptr) static_cast<dsound::DeviceObject*>(device)->CatchUp();
}

}  // namespace pf
