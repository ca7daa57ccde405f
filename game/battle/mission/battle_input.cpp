// The battle keys: pressed from the keyboard or pad 1, latched once acted on, and a double tap
// of left or right that keeps the dash held until every direction is let go.
#include <zelvo/zelvo.h>

#include "game/battle/data/game_math.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/data/shell_services.h"

namespace horundel {

namespace {

constexpr int kDoubleTapFrames = 20;
constexpr int kPolledKeys = kKeyEquipment + 1;

// Key codes come from the configuration file: any outside the table is never pressed.
bool BindingDown(const KeyBinding& binding, const unsigned char* keys, int padBits) {
  const int bit = binding.padBit % 32;
  if (bit >= 0 && ((static_cast<unsigned>(padBits) >> bit) & 1u) != 0) return true;
  return binding.keyCode >= 0 && binding.keyCode < 256 && keys[binding.keyCode] == 1;
}

}  // namespace

void PollBattleInput() {
  unsigned char keys[256] = {};
  ReadAllKeyStates(keys);
  const int padBits = MaxInt(0, ReadPadBits(ZELVO_PAD_1));   // -1 without a pad
  KeyBinding& dashLatch = KeyBindings[kKeyDashLatch];
  for (int key = 0; key < kPolledKeys; ++key) {
    KeyBinding& binding = KeyBindings[key];
    if (BindingDown(binding, keys, padBits) || (key == kKeyDash && dashLatch.pressed != 0)) {
      binding.pressed = 1;
    } else {
      binding.pressed = 0;
      binding.latched = 0;
    }
  }
  for (int key : {kKeyLeft, kKeyRight}) {
    KeyBinding& binding = KeyBindings[key];
    if (binding.pressed != 0 && binding.latched == 0) {
      if (binding.doubleTapTimer > 0) {
        dashLatch.pressed = 1;
      } else {
        binding.doubleTapTimer = kDoubleTapFrames;
        binding.latched = 1;
      }
    }
    binding.doubleTapTimer = StepToward(binding.doubleTapTimer, 0, 1);
  }
  if (KeyBindings[kKeyUp].pressed == 0 && KeyBindings[kKeyDown].pressed == 0 && KeyBindings[kKeyLeft].pressed == 0 &&
      KeyBindings[kKeyRight].pressed == 0) {
    dashLatch.pressed = 0;
  }
}

}  // namespace horundel
