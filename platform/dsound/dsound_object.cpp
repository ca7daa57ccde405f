// The DirectSound class registration, the device enumeration, the caps profile and the test
// controls.
#include <cstring>
#include <string>

#include "platform/dsound/dsound_internal.h"
#include "platform/dsound/dsound_testing.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {

const Guid CLSID_DirectSound = {0x47D4D946, 0x62E8, 0x11CF, {0x93, 0xBC, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const Guid IID_IDirectSound = {0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const Guid IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

namespace dsound {
namespace {

std::mutex controlMutex;
DeviceObject* currentDevice = nullptr;
bool manualClock = false;
bool capsSet = false;
DSCaps testCaps{};
bool recording = false;
std::vector<std::int16_t> recorded;
std::string outputOverride;

HResult CreateDirectSound(const Guid& iid, void** out) {
  HResult code;
  if (Fault("DirectSoundCreate", &code, REGDB_E_CLASSNOTREG)) return code;
  if (!(iid == IID_IDirectSound)) return E_NOINTERFACE;
  *out = static_cast<DirectSound*>(new DeviceObject());
  return DS_OK;
}

const bool registered = [] {
  RegisterComClass(CLSID_DirectSound, CreateDirectSound);
  return true;
}();

}  // namespace

bool Fault(const char* method, HResult* code, HResult fallback) {
  if (!registered || !testing::ShouldFail(method)) return false;
  *code = fallback;
  return true;
}

DeviceObject* CurrentDevice() {
  std::lock_guard<std::mutex> lock(controlMutex);
  return currentDevice;
}

void SetCurrentDevice(DeviceObject* device) {
  std::lock_guard<std::mutex> lock(controlMutex);
  currentDevice = device;
}

bool ManualClock() {
  std::lock_guard<std::mutex> lock(controlMutex);
  return manualClock;
}

void RecordMix(const std::int16_t* frames, int count) {
  std::lock_guard<std::mutex> lock(controlMutex);
  if (recording) recorded.insert(recorded.end(), frames, frames + 2 * count);
}

std::string OutputProfile() {
  std::lock_guard<std::mutex> lock(controlMutex);
  return outputOverride;
}

DSCaps DeviceCaps() {
  std::lock_guard<std::mutex> lock(controlMutex);
  if (capsSet) return testCaps;
  DSCaps caps{};
  caps.size = sizeof caps;
  caps.flags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT |
               DSCAPS_CONTINUOUSRATE | DSCAPS_EMULDRIVER | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO |
               DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
  caps.minSecondarySampleRate = DSBFREQUENCY_MIN;
  caps.maxSecondarySampleRate = DSBFREQUENCY_MAX;
  caps.primaryBuffers = 1;
  return caps;
}

}  // namespace dsound

HResult DirectSoundEnumerateA(DSEnumCallback callback, void* user) {
  if (callback == nullptr) return DSERR_INVALIDPARAM;
  HResult code;
  if (dsound::Fault("DirectSoundEnumerate", &code, DSERR_NODRIVER)) return code;
  std::unique_ptr<dsound::AudioOutput> output = dsound::MakeAudioOutput();
  if (output == nullptr) return DS_OK;
  std::vector<std::string> names;
  std::string module = output->Name();
  if (module == std::string("sdl")) {
    names = dsound::SdlOutputNames(&module);
  } else {
    names.push_back("Headless audio output");
  }
  const std::string moduleText = Utf8ToCp932(module.c_str());
  if (callback(nullptr, "Primary Sound Driver", moduleText.c_str(), user) == 0) return DS_OK;
  for (std::size_t i = 0; i < names.size(); ++i) {
    Guid device = {0x5A454C56, 0x4453, static_cast<std::uint16_t>(i), {0x80, 0, 0, 0, 0, 0, 0, 0}};
    if (callback(&device, Utf8ToCp932(names[i].c_str()).c_str(), moduleText.c_str(), user) == 0) break;
  }
  return DS_OK;
}

namespace testing {

void SetSoundOutput(const char* name) {
  std::lock_guard<std::mutex> lock(dsound::controlMutex);
  dsound::outputOverride = name != nullptr ? name : "";
}

void SetSoundCaps(const DSCaps* caps) {
  std::lock_guard<std::mutex> lock(dsound::controlMutex);
  dsound::capsSet = caps != nullptr;
  if (caps != nullptr) dsound::testCaps = *caps;
}

void SetManualSoundClock(bool on) {
  std::lock_guard<std::mutex> lock(dsound::controlMutex);
  dsound::manualClock = on;
}

void RenderSound(int frames) {
  dsound::DeviceObject* device = dsound::CurrentDevice();
  if (device != nullptr && frames > 0) device->AdvanceManualClock(frames);
}

void RecordMixedSound(bool on) {
  std::lock_guard<std::mutex> lock(dsound::controlMutex);
  dsound::recording = on;
  if (!on) dsound::recorded.clear();
}

std::vector<std::int16_t> TakeMixedSound() {
  std::lock_guard<std::mutex> lock(dsound::controlMutex);
  std::vector<std::int16_t> out;
  out.swap(dsound::recorded);
  return out;
}

void LoseSoundBuffers() {
  dsound::DeviceObject* device = dsound::CurrentDevice();
  if (device != nullptr) device->LoseBuffers();
}

void LoseSoundDevice() {
  dsound::DeviceObject* device = dsound::CurrentDevice();
  if (device != nullptr) device->LoseOutput();
}

std::int64_t SoundSampleBytes() { return dsound::LiveSampleBytes().load(); }

}  // namespace testing
}  // namespace pf
