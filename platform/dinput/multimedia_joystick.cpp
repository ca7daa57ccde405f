// The multimedia joystick functions over the host's pads: id n is the n-th pad listed. Axes read
// 0..65535 (centre 32767): X, Y, then Z and R from the third and fourth axes, U and V from the fifth
// and sixth; the point of view comes from the first hat.
#include <algorithm>
#include <cstdio>

#include "platform/dinput/dinput.h"
#include "platform/host/host.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {
namespace {

constexpr int kMaxJoysticks = 16;

bool PadOfId(std::uint32_t id, host::PadInfo* out) {
  host::Host* current = host::CurrentHost();
  if (current == nullptr || id >= kMaxJoysticks) return false;
  host::PadInfo pads[kMaxJoysticks];
  const int count = current->ListPads(pads, kMaxJoysticks);
  if (static_cast<int>(id) >= count) return false;
  *out = pads[id];
  return true;
}

std::uint32_t Position(int value) { return static_cast<std::uint32_t>(value + 32768); }

}  // namespace

std::uint32_t joyGetDevCaps(std::uint32_t id, JoyCaps* out) {
  if (out == nullptr) return JOYERR_PARMS;
  host::PadInfo pad{};
  if (!PadOfId(id, &pad)) return JOYERR_PARMS;
  *out = JoyCaps{};
  std::snprintf(out->name, sizeof out->name, "%s", Utf8ToCp932(pad.name).c_str());
  out->axisCount = static_cast<std::uint32_t>(pad.axisCount);
  out->buttonCount = static_cast<std::uint32_t>(pad.buttonCount);
  if (pad.axisCount >= 3) out->caps |= JOYCAPS_HASZ;
  if (pad.axisCount >= 4) out->caps |= JOYCAPS_HASR;
  return JOYERR_NOERROR;
}

std::uint32_t joyGetPosEx(std::uint32_t id, JoyInfoEx* out) {
  if (out == nullptr || out->size != sizeof(JoyInfoEx)) return JOYERR_PARMS;
  if (testing::ShouldFail("joyGetPosEx")) return JOYERR_UNPLUGGED;
  host::PadInfo pad{};
  if (!PadOfId(id, &pad)) return JOYERR_PARMS;
  host::PadReading reading{};
  if (!host::CurrentHost()->ReadPad(pad.id, &reading)) return JOYERR_UNPLUGGED;
  static const std::uint32_t kPov[16] = {
      0xFFFF, 0, 9000, 4500, 18000, 0xFFFF, 13500, 0xFFFF, 27000, 31500, 0xFFFF, 0xFFFF, 22500, 0xFFFF, 0xFFFF, 0xFFFF,
  };
  out->x = Position(reading.axes[0]);
  out->y = Position(reading.axes[1]);
  out->z = Position(reading.axes[2]);
  out->r = Position(reading.axes[3]);
  out->u = Position(reading.axes[4]);
  out->v = Position(reading.axes[5]);
  out->buttons = reading.buttons;
  out->buttonNumber = 0;
  for (std::uint32_t bits = reading.buttons; bits != 0; bits &= bits - 1) ++out->buttonNumber;
  out->pov = kPov[reading.hats[0] & 15];
  return JOYERR_NOERROR;
}

}  // namespace pf
