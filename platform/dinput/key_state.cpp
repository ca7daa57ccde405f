// The platform's key state: the virtual keys held down on the host (bit 7), the generic Shift,
// Control and Alt keys from either side, the mouse buttons, and the toggle bit (bit 0) of Caps, Num
// and Scroll Lock, flipped on each press seen between two reads.
#include <cstring>
#include <mutex>

#include "platform/dinput/dinput.h"
#include "platform/dinput/key_codes.h"
#include "platform/host/host.h"

namespace pf {
namespace {

constexpr std::uint8_t kDown = 0x80;
constexpr std::uint8_t kToggled = 0x01;

struct Toggles {
  std::mutex mutex;
  std::uint8_t wasDown[256] = {};
  std::uint8_t toggled[256] = {};
};
Toggles toggles;

void SetGenericKey(std::uint8_t* state, int generic, int left, int right) {
  state[generic] = static_cast<std::uint8_t>((state[left] | state[right]) & kDown);
}

}  // namespace

bool GetKeyboardState(std::uint8_t* state256) {
  if (state256 == nullptr) return false;
  std::memset(state256, 0, 256);
  host::Host* current = host::CurrentHost();
  if (current == nullptr) return true;
  for (int scancode = 0; scancode < 512; ++scancode) {
    const std::uint8_t key = dinput::VirtualKeyOfScancode(scancode);
    if (key != 0 && current->IsKeyDown(scancode)) state256[key] = kDown;
  }
  SetGenericKey(state256, 0x10, 0xA0, 0xA1);
  SetGenericKey(state256, 0x11, 0xA2, 0xA3);
  SetGenericKey(state256, 0x12, 0xA4, 0xA5);
  const int buttons = current->MouseButtons();
  if (buttons & 1) state256[0x01] = kDown;
  if (buttons & 2) state256[0x02] = kDown;
  if (buttons & 4) state256[0x04] = kDown;
  std::lock_guard<std::mutex> lock(toggles.mutex);
  for (int key : {0x14, 0x90, 0x91}) {
    const std::uint8_t down = state256[key] & kDown;
    if (down != 0 && toggles.wasDown[key] == 0) toggles.toggled[key] ^= kToggled;
    toggles.wasDown[key] = down;
    state256[key] |= toggles.toggled[key];
  }
  return true;
}

}  // namespace pf
