// The DirectInput object of either version: initialisation with the version it was made for, the
// enumeration of the host's pads, the creation of the keyboard, mouse and pad devices; the class
// registration with CoCreateInstance, the live-device list and the host's input notices.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/dinput/dinput_internal.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {

const Guid CLSID_DirectInput = {0x25E609E0, 0xB259, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const Guid CLSID_DirectInput8 = {0x25E609E4, 0xB259, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const Guid IID_IDirectInput7 = {0x9A4CB684, 0x236D, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
const Guid IID_IDirectInput8 = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const Guid IID_IDirectInputDevice7 = {0x57D7C6BC, 0x2356, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
const Guid IID_IDirectInputDevice8 = {0x54D41080, 0xDC15, 0x4833, {0xA4, 0x1B, 0x74, 0x8F, 0x73, 0xA3, 0x81, 0x79}};
const Guid GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const Guid GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const Guid GUID_ConstantForce = {0x13541C20, 0x8E33, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};
const Guid GUID_Sine = {0x13541C23, 0x8E33, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};

const DIDataFormat c_dfDIKeyboard = {1, 256};
const DIDataFormat c_dfDIMouse2 = {2, sizeof(DIMouseState2)};
const DIDataFormat c_dfDIJoystick = {3, sizeof(DIJoyState)};

namespace dinput {
namespace {

// Pad instances: this base with the pad id in the last four bytes.
constexpr Guid kPadInstanceBase = {0x5A454C56, 0x4F50, 0x4144, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
constexpr Guid kPadProduct = {0x5A454C56, 0x4F50, 0x5244, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
constexpr int kMaxListedPads = 16;

std::vector<DeviceObject*>& LiveDevices() {
  static std::vector<DeviceObject*> devices;
  return devices;
}

// New input from the host sets the events of the devices of that kind.
void OnHostInput(int device) {
  static const DeviceKind kKinds[] = {DeviceKind::kKeyboard, DeviceKind::kMouse, DeviceKind::kPad};
  if (device < 0 || device > 2) return;
  Guard guard(Mutex());
  for (DeviceObject* live : LiveDevices()) {
    if (live->Kind() == kKinds[device]) live->Notify();
  }
}

void CopyName(char (&out)[260], const char* utf8) {
  std::snprintf(out, sizeof out, "%s", Utf8ToCp932(utf8 != nullptr ? utf8 : "").c_str());
}

class DirectInputObject final : public DirectInput {
 public:
  explicit DirectInputObject(bool version8) : version8_(version8) {}

  HResult QueryInterface(const Guid& iid, void** out) override {
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (!(iid == (version8_ ? IID_IDirectInput8 : IID_IDirectInput7))) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<DirectInput*>(this);
    return DI_OK;
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HResult Initialize(void*, std::uint32_t version) override {
    HResult code;
    if (Fault("DirectInputInitialize", &code, DIERR_GENERIC)) return code;
    // Each object answers the versions of its own interface.
    const bool accepted = version8_ ? version == 0x800 : (version >= 0x300 && version <= 0x700);
    if (!accepted) return DIERR_OLDDIRECTINPUTVERSION;
    initialised_ = true;
    host::Host* current = host::CurrentHost();
    if (current != nullptr) current->SetInputNotice(OnHostInput);
    return DI_OK;
  }

  HResult EnumDevices(std::uint32_t type, DIEnumDevicesCallback callback, void* user, std::uint32_t) override {
    if (callback == nullptr) return DIERR_INVALIDPARAM;
    if (!initialised_) return DIERR_NOTINITIALIZED;
    HResult code;
    if (Fault("DirectInputEnumDevices", &code, DIERR_GENERIC)) return code;
    if (type != DIDEVTYPE_JOYSTICK) return DI_OK;
    host::PadInfo pads[kMaxListedPads];
    host::Host* current = host::CurrentHost();
    const int count = current != nullptr ? current->ListPads(pads, kMaxListedPads) : 0;
    for (int i = 0; i < count; ++i) {
      DIDeviceInstance device{};
      device.instance = PadInstanceGuid(pads[i].id);
      device.product = kPadProduct;
      device.devType = DIDEVTYPE_JOYSTICK;
      CopyName(device.instanceName, pads[i].name);
      CopyName(device.productName, pads[i].path[0] != '\0' ? pads[i].path : pads[i].name);
      if (callback(&device, user) == DIENUM_STOP) break;
    }
    return DI_OK;
  }

  HResult CreateDevice(const Guid& device, DirectInputDevice** out, Unknown* outer) override {
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!initialised_) return DIERR_NOTINITIALIZED;
    HResult code;
    if (Fault("DirectInputCreateDevice", &code, DIERR_DEVICENOTREG)) return code;
    DeviceKind kind;
    int padId = -1;
    if (device == GUID_SysKeyboard) {
      kind = DeviceKind::kKeyboard;
    } else if (device == GUID_SysMouse) {
      kind = DeviceKind::kMouse;
    } else {
      padId = PadIdOfGuid(device);
      host::PadReading reading{};
      host::Host* current = host::CurrentHost();
      if (padId < 0 || current == nullptr || !current->ReadPad(padId, &reading)) return DIERR_DEVICENOTREG;
      kind = DeviceKind::kPad;
    }
    auto* made = new DeviceObject(kind, padId, version8_);
    RememberDevice(made);
    *out = made;
    return DI_OK;
  }

  HResult CreateDeviceEx(const Guid& device, const Guid& iid, void** out, Unknown* outer) override {
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (version8_ || !(iid == IID_IDirectInputDevice7)) return E_NOINTERFACE;
    DirectInputDevice* made = nullptr;
    const HResult result = CreateDevice(device, &made, outer);
    *out = made;
    return result;
  }

 private:
  ~DirectInputObject() override = default;

  bool version8_;
  bool initialised_ = false;
  std::atomic<std::uint32_t> references_{1};
};

HResult CreateDirectInput(bool version8, const Guid& iid, void** out) {
  HResult code;
  if (Fault(version8 ? "DirectInput8Create" : "DirectInput7Create", &code, REGDB_E_CLASSNOTREG)) return code;
  if (!(iid == (version8 ? IID_IDirectInput8 : IID_IDirectInput7))) return E_NOINTERFACE;
  *out = static_cast<DirectInput*>(new DirectInputObject(version8));
  return DI_OK;
}

HResult CreateDirectInput7(const Guid& iid, void** out) { return CreateDirectInput(false, iid, out); }
HResult CreateDirectInput8(const Guid& iid, void** out) { return CreateDirectInput(true, iid, out); }

// Both classes are known to CoCreateInstance from the start of the program.
const bool registered = [] {
  RegisterComClass(CLSID_DirectInput, CreateDirectInput7);
  RegisterComClass(CLSID_DirectInput8, CreateDirectInput8);
  return true;
}();

}  // namespace

bool Fault(const char* method, HResult* code, HResult fallback) {
  if (!testing::ShouldFail(method)) return false;
  *code = fallback;
  return true;
}

std::recursive_mutex& Mutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void RememberDevice(DeviceObject* device) {
  Guard guard(Mutex());
  LiveDevices().push_back(device);
}

void ForgetDevice(DeviceObject* device) {
  Guard guard(Mutex());
  auto& devices = LiveDevices();
  devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
}

bool OtherExclusiveOwner(const DeviceObject* device, int padId) {
  Guard guard(Mutex());
  for (const DeviceObject* live : LiveDevices()) {
    if (live != device && live->Kind() == device->Kind() && live->PadId() == padId && live->AcquiredExclusive()) {
      return true;
    }
  }
  return false;
}

Guid PadInstanceGuid(int padId) {
  Guid guid = kPadInstanceBase;
  const auto id = static_cast<std::uint32_t>(padId);
  for (int i = 0; i < 4; ++i) guid.data4[4 + i] = static_cast<std::uint8_t>(id >> (8 * i));
  return guid;
}

int PadIdOfGuid(const Guid& guid) {
  Guid base = guid;
  std::uint32_t id = 0;
  for (int i = 0; i < 4; ++i) {
    id |= static_cast<std::uint32_t>(guid.data4[4 + i]) << (8 * i);
    base.data4[4 + i] = 0;
  }
  return base == kPadInstanceBase && id <= 0x7FFFFFFF ? static_cast<int>(id) : -1;
}

}  // namespace dinput
}  // namespace pf
