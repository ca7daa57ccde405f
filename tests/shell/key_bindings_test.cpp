// Key bindings: the defaults, and the menu poll's pressed and latched flags.
#include <gtest/gtest.h>

#include <cstring>

#include "game/shell/key_bindings.h"

namespace horundel {
namespace {

TEST(KeyBindings, DefaultsAreCopiedIntoTheCurrentBindings) {
  KeyBindings[kKeyConfirm].keyCode = 99;
  SetDefaultKeyBindings();
  const int keys[kActionCount] = {200, 208, 203, 205, 30, 31, 32, 46, 45, 17, 18, 57, 28, 28, 54};
  const int pads[kActionCount] = {3, 0, 1, 2, 4, 5, 6, 7, 8, 11, 12, 10, 9, 4, 5};
  for (int e = 0; e < kActionCount; ++e) {
    EXPECT_EQ(KeyBindings[e].keyCode, keys[e]) << e;
    EXPECT_EQ(KeyBindings[e].padBit, pads[e]) << e;
    EXPECT_EQ(KeyBindingInfo[e].defaultKeyCode, keys[e]) << e;
    EXPECT_EQ(KeyBindingInfo[e].defaultPadBit, pads[e]) << e;
  }
  EXPECT_STREQ(KeyBindingInfo[kKeyUp].name, "方向↑");
  EXPECT_STREQ(KeyBindingInfo[kKeyNextWeapon].name, "武器選択（順）");
  EXPECT_STREQ(KeyBindingInfo[kKeyCancel].name, "キャンセル");
}

constexpr int kMenuEntries[] = {kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyPause, kKeyEquipment, kKeyConfirm, kKeyCancel};

void Poll(const unsigned char* keys, int padBits) { ApplyInputToBindings(kMenuEntries, 8, keys, padBits); }

TEST(MenuInput, AHeldKeyActsOnlyAfterItWasReleasedAndPressedAgain) {
  SetDefaultKeyBindings();
  unsigned char keys[256] = {};
  keys[28] = 1;   // Enter held while the screen opens
  ClearMenuKeys();
  Poll(keys, 0);
  EXPECT_FALSE(TakeAction(kKeyConfirm));
  Poll(keys, 0);
  EXPECT_FALSE(TakeAction(kKeyConfirm));
  keys[28] = 0;
  Poll(keys, 0);
  EXPECT_FALSE(TakeAction(kKeyConfirm));
  keys[28] = 1;
  Poll(keys, 0);
  EXPECT_TRUE(TakeAction(kKeyConfirm));
  Poll(keys, 0);   // still held: one step only
  EXPECT_FALSE(TakeAction(kKeyConfirm));
}

TEST(MenuInput, PadBitsTriggerTheirActionsButBitThirtyNever) {
  SetDefaultKeyBindings();
  unsigned char keys[256] = {};
  ClearMenuKeys();
  Poll(keys, 0);
  Poll(keys, 1 << 3);   // pad up
  EXPECT_TRUE(TakeAction(kKeyUp));
  EXPECT_FALSE(TakeAction(kKeyDown));

  // No pad input sets bit 30: an action bound to it answers only to its key.
  KeyBindings[kKeyCancel].padBit = kNoPadBit;
  const int everyPadInput = 0x0FFFFFFF;
  Poll(keys, 0);
  Poll(keys, everyPadInput);
  EXPECT_FALSE(TakeAction(kKeyCancel));
  keys[54] = 1;
  Poll(keys, everyPadInput);
  EXPECT_TRUE(TakeAction(kKeyCancel));
}

TEST(MenuInput, ThePollLeavesTheBattleActionsAlone) {
  SetDefaultKeyBindings();
  ClearMenuKeys();
  unsigned char keys[256] = {};
  keys[30] = 1;   // melee
  Poll(keys, 0);
  EXPECT_EQ(KeyBindings[kKeyMelee].pressed, 0);
  EXPECT_EQ(KeyBindings[kKeyMelee].latched, 1);
  // Enter answers as confirm and as the equipment key; the menus read only confirm.
  keys[28] = 1;
  Poll(keys, 0);
  EXPECT_EQ(KeyBindings[kKeyEquipment].pressed, 1);
  EXPECT_EQ(KeyBindings[kKeyConfirm].pressed, 1);
}

TEST(MenuInput, KeyCodesOutsideTheStateTableReadAsUp) {
  SetDefaultKeyBindings();
  KeyBindings[kKeyUp].keyCode = 4000;
  KeyBindings[kKeyUp].padBit = 30;
  unsigned char keys[256] = {};
  std::memset(keys, 1, sizeof(keys));
  ClearMenuKeys();
  Poll(keys, 0);
  EXPECT_EQ(KeyBindings[kKeyUp].pressed, 0);
}

}  // namespace
}  // namespace horundel
