// Force-feedback effects of a pad: a constant force drives the pad's low-frequency motor and a sine
// its high-frequency motor, at the effect's magnitude times its gain, while the effect plays. An
// effect plays only on a pad acquired exclusively.
#include "platform/dinput/dinput_internal.h"

namespace pf::dinput {
namespace {
constexpr HResult DIERR_NOTEXCLUSIVEACQUIRED = static_cast<HResult>(0x80040205u);
}  // namespace

EffectObject::EffectObject(DeviceObject* device, bool sine, std::uint32_t strength)
    : device_(device), sine_(sine), strength_(strength) {
  device_->AddRef();
}

EffectObject::~EffectObject() {
  {
    Guard guard(Mutex());
    device_->ForgetEffect(this);
  }
  device_->Release();
}

HResult EffectObject::QueryInterface(const Guid&, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

std::uint32_t EffectObject::AddRef() { return ++references_; }

std::uint32_t EffectObject::Release() {
  const std::uint32_t left = --references_;
  if (left == 0) delete this;
  return left;
}

HResult EffectObject::Start(std::uint32_t iterations, std::uint32_t) {
  Guard guard(Mutex());
  if (iterations == 0) return DIERR_INVALIDPARAM;
  HResult code;
  if (Fault("DirectInputEffectStart", &code, DIERR_INPUTLOST)) return code;
  if (!device_->AcquiredExclusive()) return DIERR_NOTEXCLUSIVEACQUIRED;
  playing_ = true;
  device_->UpdateRumble();
  return DI_OK;
}

HResult EffectObject::Stop() {
  Guard guard(Mutex());
  if (!device_->AcquiredExclusive()) return DIERR_NOTEXCLUSIVEACQUIRED;
  playing_ = false;
  device_->UpdateRumble();
  return DI_OK;
}

HResult EffectObject::Unload() {
  Guard guard(Mutex());
  playing_ = false;
  device_->UpdateRumble();
  return DI_OK;
}

}  // namespace pf::dinput
