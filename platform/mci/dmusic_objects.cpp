// DirectMusic's classes: the loader and its cache, segments, the DirectMusic object with its one
// output port, and the performance that plays segments through its synthesizer.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/mci/dmusic.h"
#include "platform/mci/mci_testing.h"
#include "platform/mci/midi_synth.h"

namespace pf {

const Guid CLSID_DirectMusicLoader = {0xD2AC2892, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
const Guid IID_IDirectMusicLoader8 = {0x19E7C08C, 0x0A44, 0x4E6A, {0xA1, 0x16, 0x59, 0x5A, 0x7C, 0xD5, 0xDE, 0x8C}};
const Guid CLSID_DirectMusicPerformance = {0xD2AC2881, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
const Guid IID_IDirectMusicPerformance8 = {0x679C4137, 0xC62E, 0x4147, {0xB2, 0xB4, 0x9D, 0x56, 0x9A, 0xCB, 0x25, 0x4C}};
const Guid CLSID_DirectMusic = {0x636B9F10, 0x0C7D, 0x11D1, {0x95, 0xB2, 0x00, 0x20, 0xAF, 0xDC, 0x74, 0x21}};
const Guid IID_IDirectMusic = {0x6536115A, 0x7B2D, 0x11D2, {0xBA, 0x18, 0x00, 0x00, 0xF8, 0x75, 0xAC, 0x12}};
const Guid IID_IDirectMusic8 = {0x2D3629F7, 0x813D, 0x4939, {0x85, 0x08, 0xF0, 0x5C, 0x6B, 0x75, 0xFD, 0x97}};
const Guid CLSID_DirectMusicSegment = {0xD2AC2882, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
const Guid IID_IDirectMusicSegment8 = {0xC6784488, 0x41A3, 0x418F, {0xAA, 0x15, 0xB3, 0x50, 0x93, 0xBA, 0x42, 0xD4}};
const Guid GUID_PerfMasterVolume = {0xD2AC28B1, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};

namespace dmusic {
namespace {

std::atomic<int> g_liveObjects{0};

// Reference counting and the live count every class shares.
class Counted {
 protected:
  Counted() { ++g_liveObjects; }
  virtual ~Counted() { --g_liveObjects; }
  std::uint32_t Increment() { return ++references_; }
  std::uint32_t Decrement() {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<std::uint32_t> references_{1};
};

bool IsStandardMidiFile(const std::vector<std::uint8_t>& song) {
  return song.size() >= 14 && std::memcmp(song.data(), "MThd", 4) == 0;
}

bool ReadFileBytes(const char* path, std::vector<std::uint8_t>* bytes) {
  const Handle file = CreateFile(path, kGenericRead, kShareRead, kOpenExisting);
  if (file == kInvalidHandle) return false;
  const std::uint32_t size = GetFileSize(file, nullptr);
  bytes->resize(size);
  std::uint32_t got = 0;
  const bool read = size == 0 || (ReadFile(file, bytes->data(), size, &got) && got == size);
  CloseHandle(file);
  return read;
}

class SegmentObject final : public DirectMusicSegment8, Counted {
 public:
  explicit SegmentObject(std::vector<std::uint8_t> song) : song_(std::move(song)) {}

  HResult QueryInterface(const Guid& iid, void** out) override {
    if (out == nullptr) return DMUS_E_INVALIDARG;
    *out = nullptr;
    if (!(iid == IID_IDirectMusicSegment8)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<DirectMusicSegment8*>(this);
    return DD_OK;
  }
  std::uint32_t AddRef() override { return Increment(); }
  std::uint32_t Release() override { return Decrement(); }
  HResult SetRepeats(std::uint32_t repeats) override {
    repeats_ = repeats;
    return DD_OK;
  }
  HResult Download(Unknown* performance) override {
    if (performance == nullptr) return DMUS_E_INVALIDARG;
    if (std::find(downloadedTo_.begin(), downloadedTo_.end(), performance) == downloadedTo_.end()) {
      downloadedTo_.push_back(performance);
    }
    return DD_OK;
  }
  HResult Unload(Unknown* performance) override {
    const auto found = std::find(downloadedTo_.begin(), downloadedTo_.end(), performance);
    if (found == downloadedTo_.end()) return DMUS_S_FALSE;
    downloadedTo_.erase(found);
    return DD_OK;
  }

  const std::vector<std::uint8_t>& Song() const { return song_; }
  // How many times the song plays: once plus the repeats, or endlessly.
  int Times() const { return repeats_ == DMUS_SEG_REPEAT_INFINITE ? -1 : static_cast<int>(std::min(repeats_, 0x7FFFFFFEu)) + 1; }

 private:
  std::vector<std::uint8_t> song_;
  std::uint32_t repeats_ = 0;
  std::vector<Unknown*> downloadedTo_;
};

class LoaderObject final : public DirectMusicLoader8, Counted {
 public:
  ~LoaderObject() override {
    for (SegmentObject* cached : cache_) cached->Release();
  }
  HResult QueryInterface(const Guid& iid, void** out) override {
    if (out == nullptr) return DMUS_E_INVALIDARG;
    *out = nullptr;
    if (!(iid == IID_IDirectMusicLoader8)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<DirectMusicLoader8*>(this);
    return DD_OK;
  }
  std::uint32_t AddRef() override { return Increment(); }
  std::uint32_t Release() override { return Decrement(); }

  HResult GetObject(const DMusObjectDesc* desc, const Guid& iid, void** out) override {
    if (out == nullptr || desc == nullptr || desc->size != sizeof(DMusObjectDesc)) return DMUS_E_INVALIDARG;
    *out = nullptr;
    if ((desc->validData & DMUS_OBJ_CLASS) == 0 || !(desc->objectClass == CLSID_DirectMusicSegment) ||
        !(iid == IID_IDirectMusicSegment8)) {
      return DMUS_E_TYPE_UNSUPPORTED;
    }
    if (testing::ShouldFail("DirectMusicGetObject")) return DMUS_E_LOADER_FAILEDCREATE;
    std::vector<std::uint8_t> song;
    if ((desc->validData & DMUS_OBJ_MEMORY) != 0) {
      if (desc->memory == nullptr || desc->memoryLength < 0) return DMUS_E_INVALIDARG;
      const auto* bytes = static_cast<const std::uint8_t*>(desc->memory);
      song.assign(bytes, bytes + desc->memoryLength);
    } else if ((desc->validData & DMUS_OBJ_FILENAME) != 0 && desc->fileName != nullptr) {
      if (!ReadFileBytes(desc->fileName, &song)) return DMUS_E_LOADER_FAILEDCREATE;
    } else {
      return DMUS_E_INVALIDARG;
    }
    if (!IsStandardMidiFile(song)) return DMUS_E_UNSUPPORTED_STREAM;
    auto* segment = new SegmentObject(std::move(song));
    segment->AddRef();   // the cache's
    cache_.push_back(segment);
    *out = static_cast<DirectMusicSegment8*>(segment);
    return DD_OK;
  }

  HResult ReleaseObjectByUnknown(Unknown* object) override {
    const auto found = std::find_if(cache_.begin(), cache_.end(),
                                    [object](SegmentObject* s) { return static_cast<Unknown*>(static_cast<DirectMusicSegment8*>(s)) == object; });
    if (found == cache_.end()) return DMUS_S_FALSE;
    SegmentObject* segment = *found;
    cache_.erase(found);
    segment->Release();
    return DD_OK;
  }

 private:
  std::vector<SegmentObject*> cache_;
};

class MusicObject final : public DirectMusic8, Counted {
 public:
  HResult QueryInterface(const Guid& iid, void** out) override {
    if (out == nullptr) return DMUS_E_INVALIDARG;
    *out = nullptr;
    if (!(iid == IID_IDirectMusic) && !(iid == IID_IDirectMusic8)) return E_NOINTERFACE;
    if (iid == IID_IDirectMusic8 && testing::ShouldFail("DirectMusicQueryInterface")) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<DirectMusic8*>(this);
    return DD_OK;
  }
  std::uint32_t AddRef() override { return Increment(); }
  std::uint32_t Release() override { return Decrement(); }

  // One port: the synthesizer every performance plays through.
  HResult EnumPort(std::uint32_t index, DMusPortCaps* caps) override {
    if (caps == nullptr || caps->size != sizeof(DMusPortCaps)) return DMUS_E_INVALIDARG;
    if (index > 0) return DMUS_S_FALSE;
    const std::uint32_t size = caps->size;
    std::memset(caps, 0, sizeof *caps);
    caps->size = size;
    caps->portClass = DMUS_PC_OUTPUTCLASS;
    caps->maxChannelGroups = 4;
    caps->maxVoices = 256;
    caps->maxAudioChannels = 2;
    const char16_t name[] = u"General MIDI Synthesizer (FluidSynth)";
    std::memcpy(caps->description, name, sizeof name);
    return DD_OK;
  }
};

class PerformanceObject final : public DirectMusicPerformance8, Counted {
 public:
  ~PerformanceObject() override { CloseDown(); }

  HResult QueryInterface(const Guid& iid, void** out) override {
    if (out == nullptr) return DMUS_E_INVALIDARG;
    *out = nullptr;
    if (!(iid == IID_IDirectMusicPerformance8)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<DirectMusicPerformance8*>(this);
    return DD_OK;
  }
  std::uint32_t AddRef() override { return Increment(); }
  std::uint32_t Release() override { return Decrement(); }

  HResult InitAudio(DirectMusic8** music, DirectSound** sound, WindowHandle window, std::uint32_t, std::uint32_t,
                    std::uint32_t, DMusAudioParams*) override {
    if (device_ != nullptr) return DMUS_E_ALREADY_INITED;
    if (testing::ShouldFail("DirectMusicInitAudio")) return DSERR_NODRIVER;
    DirectSound* device = nullptr;
    if (sound != nullptr && *sound != nullptr) {
      device = *sound;
      device->AddRef();
    } else {
      void* made = nullptr;
      HResult result = CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC, IID_IDirectSound, &made);
      if (result < 0) return result;
      device = static_cast<DirectSound*>(made);
      if ((result = device->Initialize(nullptr)) < 0 ||
          (result = device->SetCooperativeLevel(window, DSSCL_PRIORITY)) < 0) {
        device->Release();
        return result;
      }
    }
    synth_ = mci::MidiSynth::Create();
    if (synth_ == nullptr) {
      device->Release();
      return DSERR_NODRIVER;
    }
    AttachMixSource(device, synth_.get());
    device_ = device;
    if (music != nullptr && *music == nullptr) *music = new MusicObject();
    if (sound != nullptr && *sound == nullptr) {
      device_->AddRef();
      *sound = device_;
    }
    return DD_OK;
  }

  HResult PlaySegmentEx(Unknown* segment, std::uint32_t, std::int64_t) override {
    if (device_ == nullptr) return DMUS_E_NOT_INIT;
    SegmentObject* played = AsSegment(segment);
    if (played == nullptr) return DMUS_E_INVALIDARG;
    if (!synth_->Play(played->Song().data(), played->Song().size(), played->Times())) return DMUS_E_UNSUPPORTED_STREAM;
    played->AddRef();
    if (current_ != nullptr) current_->Release();
    current_ = played;
    return DD_OK;
  }

  HResult StopEx(Unknown* object, std::int64_t, std::uint32_t) override {
    if (device_ == nullptr) return DMUS_E_NOT_INIT;
    if (object == nullptr || AsSegment(object) == current_) StopCurrent();
    return DD_OK;
  }

  HResult Stop(DirectMusicSegment8* segment, Unknown*, std::int32_t, std::uint32_t) override {
    return StopEx(segment, 0, 0);
  }

  HResult IsPlaying(DirectMusicSegment8* segment, Unknown*) override {
    if (device_ == nullptr) return DMUS_E_NOT_INIT;
    CatchUpSoundDevice(device_);
    if (current_ == nullptr || (segment != nullptr && AsSegment(segment) != current_)) return DMUS_S_FALSE;
    return synth_->Playing() ? DD_OK : DMUS_S_FALSE;
  }

  HResult GetGlobalParam(const Guid& type, void* data, std::uint32_t size) override {
    if (data == nullptr) return DMUS_E_INVALIDARG;
    if (!(type == GUID_PerfMasterVolume)) return DMUS_E_TYPE_UNSUPPORTED;
    if (size < sizeof masterVolume_) return DMUS_E_INVALIDARG;
    std::memcpy(data, &masterVolume_, sizeof masterVolume_);
    return DD_OK;
  }

  HResult CloseDown() override {
    if (device_ == nullptr) return DD_OK;
    StopCurrent();
    DetachMixSource(device_, synth_.get());
    synth_.reset();
    device_->Release();
    device_ = nullptr;
    return DD_OK;
  }

 private:
  static SegmentObject* AsSegment(Unknown* object) {
    auto* segment = dynamic_cast<DirectMusicSegment8*>(object);
    return segment != nullptr ? dynamic_cast<SegmentObject*>(segment) : nullptr;
  }

  void StopCurrent() {
    if (current_ == nullptr) return;
    synth_->Stop();
    current_->Release();
    current_ = nullptr;
  }

  DirectSound* device_ = nullptr;
  std::unique_ptr<mci::MidiSynth> synth_;
  SegmentObject* current_ = nullptr;
  std::int32_t masterVolume_ = 0;   // hundredths of a decibel
};

// Each class exists only where the synthesizer does.
template <typename Object>
HResult MakeObject(const char* fault, const Guid& iid, void** out) {
  if (testing::ShouldFail(fault) || !mci::MidiSynthAvailable()) return REGDB_E_CLASSNOTREG;
  auto* object = new Object();
  const HResult result = object->QueryInterface(iid, out);
  object->Release();
  return result;
}

HResult CreateLoader(const Guid& iid, void** out) {
  return MakeObject<LoaderObject>("DirectMusicLoaderCreate", iid, out);
}
HResult CreatePerformance(const Guid& iid, void** out) {
  return MakeObject<PerformanceObject>("DirectMusicPerformanceCreate", iid, out);
}
HResult CreateMusic(const Guid& iid, void** out) {
  return MakeObject<MusicObject>("DirectMusicCreate", iid, out);
}

[[maybe_unused]] const bool registered = [] {
  RegisterComClass(CLSID_DirectMusicLoader, CreateLoader);
  RegisterComClass(CLSID_DirectMusicPerformance, CreatePerformance);
  RegisterComClass(CLSID_DirectMusic, CreateMusic);
  return true;
}();

}  // namespace
}  // namespace dmusic

namespace testing {
int LiveDirectMusicObjects() { return dmusic::g_liveObjects.load(); }
}  // namespace testing

}  // namespace pf
