// The keyboard, mouse and pad devices: data formats, cooperative levels, properties, event
// notification, acquisition (refused to a foreground device while the window lacks the focus, and
// for good once its pad is unplugged), polling and the device state read from the host.
#include <algorithm>
#include <cstring>

#include "platform/dinput/dinput_internal.h"
#include "platform/dinput/key_codes.h"

namespace pf::dinput {
namespace {

constexpr int kAxisCount = 8;   // x, y, z, rx, ry, rz and the two sliders
constexpr AxisSetting kDefaultAxis{0, 65535, 0};

bool HostFocused() {
  host::Host* current = host::CurrentHost();
  return current != nullptr && current->HasFocus();
}

// Hat bits (1 up, 2 right, 4 down, 8 left) as a point of view in hundredths of a degree.
std::uint32_t PointOfView(std::uint8_t hat) {
  static const std::uint32_t kAngles[16] = {
      0xFFFFFFFFu, 0, 9000, 4500, 18000, 0xFFFFFFFFu, 13500, 0xFFFFFFFFu,
      27000, 31500, 0xFFFFFFFFu, 0xFFFFFFFFu, 22500, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
  };
  return kAngles[hat & 15];
}

bool SameReading(const host::PadReading& a, const host::PadReading& b) {
  return std::memcmp(a.axes, b.axes, sizeof a.axes) == 0 && a.buttons == b.buttons &&
         std::memcmp(a.hats, b.hats, sizeof a.hats) == 0;
}

}  // namespace

std::int32_t ScaleAxis(int value, const AxisSetting& axis) {
  const std::int64_t span = static_cast<std::int64_t>(axis.max) - axis.min;
  if (axis.deadZone == 0) {
    return static_cast<std::int32_t>(axis.min + ((static_cast<std::int64_t>(value) + 32768) * span + 32767) / 65535);
  }
  // Inside the dead zone the axis reads its centre; outside it the rest of the travel is spread over
  // the half range, so the first step out of the zone already reads off centre.
  const int magnitude = std::min(value < 0 ? -value : value, 32767);
  const std::int64_t position = static_cast<std::int64_t>(magnitude) * 10000 / 32767;
  const std::int64_t centre = axis.min + span / 2;
  if (position < axis.deadZone) return static_cast<std::int32_t>(centre);
  const std::int64_t travel = axis.deadZone >= 10000 ? 0 : (position - axis.deadZone) * (span / 2) / (10000 - axis.deadZone);
  const std::int64_t offset = std::max<std::int64_t>(travel, 1);
  return static_cast<std::int32_t>(value < 0 ? centre - offset : centre + offset);
}

DeviceObject::DeviceObject(DeviceKind kind, int padId, bool version8) : kind_(kind), padId_(padId), version8_(version8) {
  std::fill(std::begin(axes_), std::end(axes_), kDefaultAxis);
}

DeviceObject::~DeviceObject() = default;

HResult DeviceObject::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (!(iid == (version8_ ? IID_IDirectInputDevice8 : IID_IDirectInputDevice7))) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<DirectInputDevice*>(this);
  return DI_OK;
}

std::uint32_t DeviceObject::AddRef() { return ++references_; }

std::uint32_t DeviceObject::Release() {
  const std::uint32_t left = --references_;
  if (left == 0) {
    Unacquire();
    ForgetDevice(this);
    delete this;
  }
  return left;
}

HResult DeviceObject::SetDataFormat(const DIDataFormat* format) {
  Guard guard(Mutex());
  HResult code;
  if (Fault("DirectInputSetDataFormat", &code, DIERR_INVALIDPARAM)) return code;
  if (format == nullptr || format->kind != static_cast<int>(kind_)) return DIERR_INVALIDPARAM;
  if (acquired_) return DIERR_ACQUIRED;
  format_ = format;
  return DI_OK;
}

HResult DeviceObject::SetCooperativeLevel(WindowHandle window, std::uint32_t flags) {
  Guard guard(Mutex());
  HResult code;
  if (Fault("DirectInputSetCooperativeLevel", &code, DIERR_INVALIDPARAM)) return code;
  const std::uint32_t exclusive = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
  const std::uint32_t ground = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
  if (exclusive == 0 || exclusive == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || ground == 0 ||
      ground == (DISCL_FOREGROUND | DISCL_BACKGROUND) || !IsWindow(window)) {
    return DIERR_INVALIDPARAM;
  }
  if (acquired_) return DIERR_ACQUIRED;
  cooperation_ = flags;
  return DI_OK;
}

HResult DeviceObject::SetProperty(DIProperty property, const DIPropHeader* header) {
  Guard guard(Mutex());
  HResult code;
  if (Fault("DirectInputSetProperty", &code, DIERR_INVALIDPARAM)) return code;
  if (header == nullptr || header->headerSize != sizeof(DIPropHeader)) return DIERR_INVALIDPARAM;
  // The library reads device state only, never buffered data: the buffer size is checked and taken.
  if (property == DIProperty::kBufferSize) {
    if (header->size != sizeof(DIPropDword) || header->how != DIPH_DEVICE) return DIERR_INVALIDPARAM;
    return acquired_ ? DIERR_ACQUIRED : DI_OK;
  }
  if (kind_ != DeviceKind::kPad) return DIERR_UNSUPPORTED;
  // The axes the property names: one by its offset in the joystick state, or every axis.
  int first = 0, last = kAxisCount - 1;
  if (header->how == DIPH_BYOFFSET) {
    if (header->object % 4 != 0 || header->object / 4 >= kAxisCount) return DIERR_INVALIDPARAM;
    first = last = static_cast<int>(header->object / 4);
  } else if (header->how != DIPH_DEVICE) {
    return DIERR_INVALIDPARAM;
  }
  if (property == DIProperty::kRange) {
    const auto* range = reinterpret_cast<const DIPropRange*>(header);
    if (header->size != sizeof(DIPropRange) || range->min >= range->max) return DIERR_INVALIDPARAM;
    for (int i = first; i <= last; ++i) {
      axes_[i].min = range->min;
      axes_[i].max = range->max;
    }
    return DI_OK;
  }
  if (property == DIProperty::kDeadZone) {
    const auto* zone = reinterpret_cast<const DIPropDword*>(header);
    if (header->size != sizeof(DIPropDword) || zone->data > 10000) return DIERR_INVALIDPARAM;
    for (int i = first; i <= last; ++i) axes_[i].deadZone = zone->data;
    return DI_OK;
  }
  return DIERR_UNSUPPORTED;
}

HResult DeviceObject::SetEventNotification(Handle event) {
  Guard guard(Mutex());
  HResult code;
  if (Fault("DirectInputSetEventNotification", &code, DIERR_INVALIDPARAM)) return code;
  if (acquired_) return DIERR_ACQUIRED;
  event_ = event;
  return kind_ == DeviceKind::kPad ? DI_POLLEDDEVICE : DI_OK;
}

HResult DeviceObject::Acquire() {
  Guard guard(Mutex());
  if (format_ == nullptr) return DIERR_INVALIDPARAM;
  if (acquired_) return DI_NOEFFECT;
  if (kind_ == DeviceKind::kPad && !unplugged_) {
    host::PadReading reading{};
    host::Host* current = host::CurrentHost();
    unplugged_ = current == nullptr || !current->ReadPad(padId_, &reading);
  }
  if (unplugged_) return DIERR_UNPLUGGED;
  HResult code;
  if (Fault("DirectInputAcquire", &code, DIERR_OTHERAPPHASPRIO)) return code;
  if (Foreground() && !HostFocused()) return DIERR_OTHERAPPHASPRIO;
  if ((cooperation_ & DISCL_EXCLUSIVE) != 0 && OtherExclusiveOwner(this, padId_)) return DIERR_OTHERAPPHASPRIO;
  acquired_ = true;
  lastPoll_ = host::PadReading{};
  if (kind_ == DeviceKind::kMouse && host::CurrentHost() != nullptr) {
    host::CurrentHost()->MousePosition(&lastMouseX_, &lastMouseY_);
  }
  return DI_OK;
}

HResult DeviceObject::Unacquire() {
  Guard guard(Mutex());
  if (!acquired_) return DI_NOEFFECT;
  acquired_ = false;
  // Effects stop with the exclusive access they need.
  for (EffectObject* effect : effects_) effect->Halt();
  UpdateRumble();
  return DI_OK;
}

HResult DeviceObject::LoseInput() {
  Unacquire();
  return DIERR_INPUTLOST;
}

HResult DeviceObject::Poll() {
  Guard guard(Mutex());
  if (!acquired_) return DIERR_NOTACQUIRED;
  if (kind_ != DeviceKind::kPad) return DI_NOEFFECT;
  if (Foreground() && !HostFocused()) return LoseInput();
  host::PadReading reading{};
  host::Host* current = host::CurrentHost();
  if (current == nullptr || !current->ReadPad(padId_, &reading)) {
    unplugged_ = true;
    return LoseInput();
  }
  if (!SameReading(reading, lastPoll_) && event_ != nullptr) SetEvent(event_);
  lastPoll_ = reading;
  return DI_OK;
}

HResult DeviceObject::ReadPadState(DIJoyState* out) {
  host::PadReading reading{};
  host::Host* current = host::CurrentHost();
  if (current == nullptr || !current->ReadPad(padId_, &reading)) {
    unplugged_ = true;
    return LoseInput();
  }
  *out = DIJoyState{};
  std::int32_t* axes[kAxisCount] = {&out->x, &out->y, &out->z, &out->rx, &out->ry, &out->rz,
                                    &out->sliders[0], &out->sliders[1]};
  for (int i = 0; i < kAxisCount; ++i) *axes[i] = ScaleAxis(reading.axes[i], axes_[i]);
  for (int i = 0; i < 4; ++i) out->pov[i] = PointOfView(reading.hats[i]);
  for (int i = 0; i < 32; ++i) out->buttons[i] = (reading.buttons >> i) & 1 ? 0x80 : 0;
  return DI_OK;
}

void DeviceObject::ReadMouseState(DIMouseState2* out) {
  host::Host* current = host::CurrentHost();
  *out = DIMouseState2{};
  if (current == nullptr) return;
  int x = 0, y = 0;
  current->MousePosition(&x, &y);
  out->x = x - lastMouseX_;
  out->y = y - lastMouseY_;
  lastMouseX_ = x;
  lastMouseY_ = y;
  const int buttons = current->MouseButtons();
  for (int i = 0; i < 3; ++i) out->buttons[i] = (buttons >> i) & 1 ? 0x80 : 0;
}

HResult DeviceObject::GetDeviceState(std::uint32_t size, void* data) {
  Guard guard(Mutex());
  if (data == nullptr || format_ == nullptr || size != format_->dataSize) return DIERR_INVALIDPARAM;
  if (!acquired_) return DIERR_NOTACQUIRED;
  HResult code;
  if (Fault("DirectInputGetDeviceState", &code, DIERR_INPUTLOST)) {
    LoseInput();
    return code;
  }
  if (Foreground() && !HostFocused()) return LoseInput();
  switch (kind_) {
    case DeviceKind::kKeyboard: ReadHostKeyCodes(static_cast<std::uint8_t*>(data)); return DI_OK;
    case DeviceKind::kMouse: ReadMouseState(static_cast<DIMouseState2*>(data)); return DI_OK;
    case DeviceKind::kPad: return ReadPadState(static_cast<DIJoyState*>(data));
  }
  return DIERR_GENERIC;
}

HResult DeviceObject::CreateEffect(const Guid& effect, const DIEffect* parameters, DirectInputEffect** out,
                                   Unknown* outer) {
  Guard guard(Mutex());
  if (out == nullptr) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  HResult code;
  if (Fault("DirectInputCreateEffect", &code, DIERR_UNSUPPORTED)) return code;
  const bool sine = effect == GUID_Sine;
  if (!sine && !(effect == GUID_ConstantForce)) return DIERR_DEVICENOTREG;
  if (parameters == nullptr || parameters->size != sizeof(DIEffect) || parameters->typeSpecific == nullptr) {
    return DIERR_INVALIDPARAM;
  }
  if (kind_ != DeviceKind::kPad) return DIERR_UNSUPPORTED;
  host::PadInfo pads[16];
  host::Host* current = host::CurrentHost();
  const int count = current != nullptr ? current->ListPads(pads, 16) : 0;
  const host::PadInfo* pad = std::find_if(pads, pads + count, [&](const host::PadInfo& p) { return p.id == padId_; });
  if (pad == pads + count || !pad->rumble) return DIERR_UNSUPPORTED;
  std::int64_t magnitude = sine ? static_cast<const DIPeriodic*>(parameters->typeSpecific)->magnitude
                                : static_cast<const DIConstantForce*>(parameters->typeSpecific)->magnitude;
  magnitude = std::clamp<std::int64_t>(magnitude < 0 ? -magnitude : magnitude, 0, 10000);
  const std::int64_t gain = std::min<std::uint32_t>(parameters->gain, 10000);
  auto* made = new EffectObject(this, sine, static_cast<std::uint32_t>(magnitude * gain / 10000));
  effects_.push_back(made);
  *out = made;
  return DI_OK;
}

void DeviceObject::Notify() {
  if (acquired_ && event_ != nullptr) SetEvent(event_);
}

void DeviceObject::UpdateRumble() {
  if (kind_ != DeviceKind::kPad || unplugged_) return;
  std::uint32_t low = 0, high = 0;
  for (const EffectObject* effect : effects_) {
    if (!effect->Playing()) continue;
    std::uint32_t& motor = effect->Sine() ? high : low;
    motor = std::max(motor, effect->Strength());
  }
  host::Host* current = host::CurrentHost();
  if (current != nullptr) {
    current->RumblePad(padId_, static_cast<int>(low * 65535 / 10000), static_cast<int>(high * 65535 / 10000), -1);
  }
}

void DeviceObject::ForgetEffect(EffectObject* effect) {
  effects_.erase(std::remove(effects_.begin(), effects_.end(), effect), effects_.end());
  UpdateRumble();
}

}  // namespace pf::dinput
