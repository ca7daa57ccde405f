// A DirectSound buffer: a secondary buffer's samples, cursor and controls as the mixer reads them,
// or the primary buffer, whose format is the output's.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/dsound/dsound_internal.h"

namespace pf::dsound {

std::atomic<std::int64_t>& LiveSampleBytes() {
  static std::atomic<std::int64_t> bytes{0};
  return bytes;
}

SampleBlock::SampleBlock(std::uint32_t size)
    : bytes(static_cast<std::uint8_t*>(std::calloc(size, 1))), size(bytes != nullptr ? size : 0) {
  LiveSampleBytes() += this->size;
}

SampleBlock::~SampleBlock() {
  LiveSampleBytes() -= size;
  std::free(bytes);
}

BufferObject::BufferObject(DeviceObject* device, std::uint32_t flags, const WaveFormatEx& format,
                           std::shared_ptr<SampleBlock> samples)
    : device_(device), flags_(flags), format_(format), samples_(std::move(samples)) {
  device_->AddRef();
  outputRate_ = device_->OutputRate();
  if (samples_ != nullptr) {
    voice_.samples = samples_->bytes;
    voice_.frameCount = samples_->size / format_.blockAlign;
    voice_.channels = format_.channels;
    voice_.bits = format_.bitsPerSample;
    voice_.step = StepOf(OwnRate(), static_cast<std::uint32_t>(outputRate_));
    UpdateGains();
  }
}

BufferObject::~BufferObject() {
  device_->ForgetBuffer(this);
  device_->Release();
}

HResult BufferObject::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (!(iid == IID_IDirectSoundBuffer)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<DirectSoundBuffer*>(this);
  return DS_OK;
}

std::uint32_t BufferObject::AddRef() { return ++references_; }

std::uint32_t BufferObject::Release() {
  const std::uint32_t left = --references_;
  if (left == 0) delete this;
  return left;
}

void BufferObject::UpdateGains() { GainsOf(volume_, pan_, &voice_.leftGain, &voice_.rightGain); }

void BufferObject::SetOutputRate(int rate) {
  outputRate_ = rate;
  voice_.step = StepOf(OwnRate(), static_cast<std::uint32_t>(rate));
}

void BufferObject::Lose() {
  if (Primary()) return;
  voice_.playing = false;
  lost_ = true;
}

void BufferObject::CopySettings(const BufferObject& original) {
  volume_ = original.volume_;
  pan_ = original.pan_;
  frequency_ = original.frequency_;
  voice_.step = StepOf(OwnRate(), static_cast<std::uint32_t>(outputRate_));
  UpdateGains();
}

HResult BufferObject::GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) {
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  device_->CatchUp();
  if (Primary()) {
    if (play != nullptr) *play = 0;
    if (write != nullptr) *write = 0;
    return DS_OK;
  }
  const std::uint32_t size = samples_->size;
  const std::uint32_t playAt = voice_.frame * format_.blockAlign;
  // The write cursor runs one mixing period (10 ms) ahead of the play cursor.
  const std::uint32_t ahead = (OwnRate() / 100) * format_.blockAlign;
  if (play != nullptr) *play = playAt;
  if (write != nullptr) *write = voice_.playing ? (playAt + ahead) % size : playAt;
  return DS_OK;
}

HResult BufferObject::GetFormat(WaveFormatEx* format, std::uint32_t size, std::uint32_t* written) {
  if (format == nullptr && written == nullptr) return DSERR_INVALIDPARAM;
  if (format != nullptr) {
    if (size < sizeof(WaveFormatEx)) return DSERR_INVALIDPARAM;
    *format = format_;
  }
  if (written != nullptr) *written = sizeof(WaveFormatEx);
  return DS_OK;
}

HResult BufferObject::GetVolume(std::int32_t* volume) {
  if (volume == nullptr) return DSERR_INVALIDPARAM;
  if ((flags_ & DSBCAPS_CTRLVOLUME) == 0 && !Primary()) return DSERR_CONTROLUNAVAIL;
  *volume = volume_;
  return DS_OK;
}

HResult BufferObject::GetStatus(std::uint32_t* status) {
  if (status == nullptr) return DSERR_INVALIDPARAM;
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  device_->CatchUp();
  if (Primary()) {
    *status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
    return DS_OK;
  }
  *status = 0;
  if (voice_.playing) *status |= DSBSTATUS_PLAYING | (voice_.looping ? std::uint32_t{DSBSTATUS_LOOPING} : 0u);
  if (lost_) *status |= DSBSTATUS_BUFFERLOST;
  return DS_OK;
}

HResult BufferObject::Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* bytes1,
                           void** part2, std::uint32_t* bytes2, std::uint32_t flags) {
  if (part1 == nullptr || bytes1 == nullptr) return DSERR_INVALIDPARAM;
  *part1 = nullptr;
  *bytes1 = 0;
  if (part2 != nullptr) *part2 = nullptr;
  if (bytes2 != nullptr) *bytes2 = 0;
  if (Primary()) return DSERR_PRIOLEVELNEEDED;
  HResult code;
  if (Fault("DirectSoundLock", &code, DSERR_INVALIDCALL)) return code;
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  if (lost_) return DSERR_BUFFERLOST;
  const std::uint32_t size = samples_->size;
  if ((flags & DSBLOCK_FROMWRITECURSOR) != 0) {
    std::uint32_t write = 0;
    GetCurrentPosition(nullptr, &write);
    offset = write;
  }
  if ((flags & DSBLOCK_ENTIREBUFFER) != 0) bytes = size;
  if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
  const std::uint32_t first = std::min(bytes, size - offset);
  *part1 = samples_->bytes + offset;
  *bytes1 = first;
  if (first < bytes) {
    // The rest wraps to the start; a caller that cannot take a second part gets none.
    if (part2 == nullptr || bytes2 == nullptr) return DSERR_INVALIDPARAM;
    *part2 = samples_->bytes;
    *bytes2 = bytes - first;
  }
  return DS_OK;
}

HResult BufferObject::Unlock(void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2) {
  HResult code;
  if (Fault("DirectSoundUnlock", &code, DSERR_INVALIDCALL)) return code;
  if (Primary()) return DSERR_INVALIDCALL;
  const auto inside = [this](void* part, std::uint32_t bytes) {
    const auto* at = static_cast<const std::uint8_t*>(part);
    return at >= samples_->bytes && at + bytes <= samples_->bytes + samples_->size;
  };
  if (part1 == nullptr || !inside(part1, bytes1)) return DSERR_INVALIDPARAM;
  if (part2 != nullptr && !inside(part2, bytes2)) return DSERR_INVALIDPARAM;
  return DS_OK;
}

HResult BufferObject::Play(std::uint32_t, std::uint32_t, std::uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  if (Primary()) return DS_OK;
  if (device_->CooperativeLevel() == 0) return DSERR_PRIOLEVELNEEDED;
  if (lost_) return DSERR_BUFFERLOST;
  device_->CatchUp();
  voice_.looping = (flags & DSBPLAY_LOOPING) != 0;
  voice_.playing = true;
  return DS_OK;
}

HResult BufferObject::SetCurrentPosition(std::uint32_t position) {
  if (Primary()) return DSERR_INVALIDCALL;
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  if (position >= samples_->size) return DSERR_INVALIDPARAM;
  device_->CatchUp();
  voice_.frame = position / format_.blockAlign;
  voice_.fraction = 0;
  return DS_OK;
}

HResult BufferObject::SetFormat(const WaveFormatEx* format) {
  if (!Primary()) return DSERR_INVALIDCALL;
  if (format == nullptr) return DSERR_INVALIDPARAM;
  HResult code;
  if (Fault("DirectSoundSetFormat", &code, DSERR_BADFORMAT)) return code;
  const HResult result = device_->SetOutputFormat(*format);
  if (result == DS_OK) format_ = *format;
  return result;
}

HResult BufferObject::SetVolume(std::int32_t volume) {
  if ((flags_ & DSBCAPS_CTRLVOLUME) == 0 && !Primary()) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  device_->CatchUp();
  volume_ = volume;
  UpdateGains();
  return DS_OK;
}

HResult BufferObject::SetPan(std::int32_t pan) {
  if ((flags_ & DSBCAPS_CTRLPAN) == 0) return DSERR_CONTROLUNAVAIL;
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  device_->CatchUp();
  pan_ = pan;
  UpdateGains();
  return DS_OK;
}

HResult BufferObject::SetFrequency(std::uint32_t frequency) {
  if ((flags_ & DSBCAPS_CTRLFREQUENCY) == 0 || Primary()) return DSERR_CONTROLUNAVAIL;
  if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX)) {
    return DSERR_INVALIDPARAM;
  }
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  device_->CatchUp();
  frequency_ = frequency;
  voice_.step = StepOf(OwnRate(), static_cast<std::uint32_t>(outputRate_));
  return DS_OK;
}

HResult BufferObject::Stop() {
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  device_->CatchUp();
  if (!Primary()) voice_.playing = false;
  return DS_OK;
}

HResult BufferObject::Restore() {
  std::lock_guard<std::recursive_mutex> lock(device_->Mutex());
  lost_ = false;
  return DS_OK;
}

}  // namespace pf::dsound
