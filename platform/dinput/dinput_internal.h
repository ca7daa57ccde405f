#pragma once
// What the DirectInput stand-in's files share: the device and effect objects, the live-device list
// that input notices from the host reach, and the fault switch helper.
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/dinput/dinput.h"
#include "platform/host/host.h"

namespace pf::dinput {

enum class DeviceKind : int { kKeyboard = 1, kMouse = 2, kPad = 3 };

class DeviceObject;
class EffectObject;

// True (with the code to return) when the named call must fail.
bool Fault(const char* method, HResult* code, HResult fallback);

// Guards every device and effect object and the live-device list.
std::recursive_mutex& Mutex();
using Guard = std::lock_guard<std::recursive_mutex>;

// The live devices, which input notices from the host reach.
void RememberDevice(DeviceObject* device);
void ForgetDevice(DeviceObject* device);
// Whether another device holds the pad exclusively.
bool OtherExclusiveOwner(const DeviceObject* device, int padId);

// The instance identifier of a host pad, and the pad id back from one (-1 when it names no pad).
Guid PadInstanceGuid(int padId);
int PadIdOfGuid(const Guid& guid);

// One axis of a pad as the device reports it.
struct AxisSetting {
  std::int32_t min, max;
  std::uint32_t deadZone;    // 0..10000 of the half range around the centre
};
// A host axis value (-32768..32767) in an axis's range with its dead zone.
std::int32_t ScaleAxis(int value, const AxisSetting& axis);

class DeviceObject final : public DirectInputDevice {
 public:
  DeviceObject(DeviceKind kind, int padId, bool version8);

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult SetDataFormat(const DIDataFormat* format) override;
  HResult SetCooperativeLevel(WindowHandle window, std::uint32_t flags) override;
  HResult SetProperty(DIProperty property, const DIPropHeader* header) override;
  HResult SetEventNotification(Handle event) override;
  HResult Acquire() override;
  HResult Unacquire() override;
  HResult Poll() override;
  HResult GetDeviceState(std::uint32_t size, void* data) override;
  HResult CreateEffect(const Guid& effect, const DIEffect* parameters, DirectInputEffect** out,
                       Unknown* outer) override;

  DeviceKind Kind() const { return kind_; }
  int PadId() const { return padId_; }
  // New input of this kind of device arrived: the notification event is set while acquired.
  void Notify();
  // The rumble of the pad follows its playing effects.
  void UpdateRumble();
  bool AcquiredExclusive() const { return acquired_ && (cooperation_ & DISCL_EXCLUSIVE) != 0; }
  void ForgetEffect(EffectObject* effect);

 private:
  ~DeviceObject() override;
  bool Foreground() const { return (cooperation_ & DISCL_FOREGROUND) != 0; }
  HResult LoseInput();
  HResult ReadPadState(DIJoyState* out);
  void ReadMouseState(DIMouseState2* out);

  DeviceKind kind_;
  int padId_;
  bool version8_;
  std::atomic<std::uint32_t> references_{1};
  const DIDataFormat* format_ = nullptr;
  std::uint32_t cooperation_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  bool acquired_ = false;
  bool unplugged_ = false;
  Handle event_ = nullptr;
  AxisSetting axes_[8];
  host::PadReading lastPoll_{};
  int lastMouseX_ = 0, lastMouseY_ = 0;
  std::vector<EffectObject*> effects_;
};

class EffectObject final : public DirectInputEffect {
 public:
  EffectObject(DeviceObject* device, bool sine, std::uint32_t strength);

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult Start(std::uint32_t iterations, std::uint32_t flags) override;
  HResult Stop() override;
  HResult Unload() override;

  bool Sine() const { return sine_; }
  bool Playing() const { return playing_; }
  std::uint32_t Strength() const { return strength_; }   // 0..10000
  void Halt() { playing_ = false; }

 private:
  ~EffectObject() override;

  DeviceObject* device_;   // holds a reference: the device outlives its effects
  bool sine_;
  std::uint32_t strength_;
  bool playing_ = false;
  std::atomic<std::uint32_t> references_{1};
};

}  // namespace pf::dinput
