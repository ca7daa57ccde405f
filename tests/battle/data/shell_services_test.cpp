// The stand-ins of the shell's services that the battle runs on until the shell replaces them.
#include <gtest/gtest.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/shell_services.h"

namespace horundel {
namespace {

TEST(ShellServices, StepWeaponSlotWrapsOverTheSlotsInUse) {
  g_battle.WeaponSlotCount = 5;
  for (int slot = 0; slot <= 3; ++slot) g_battle.WeaponSlot[slot].used = 1;   // guns in 1..3
  g_battle.WeaponSlot[5].used = 1;   // cut off by the empty slot 4
  struct Case {
    int slot, step, want;
  };
  const Case cases[] = {{0, 1, 1}, {3, 1, 0}, {0, -1, 3}, {2, 2, 0}, {1, -2, 3}, {2, -1, 1}};
  for (const Case& c : cases) EXPECT_EQ(g_shell.StepWeaponSlot(c.slot, c.step), c.want) << c.slot << " " << c.step;
  g_battle.WeaponSlotCount = 2;   // only the usable slots count
  EXPECT_EQ(g_shell.StepWeaponSlot(2, 1), 0);
  EXPECT_EQ(g_shell.StepWeaponSlot(0, -1), 2);
  g_battle.WeaponSlot[1].used = 0;
  EXPECT_EQ(g_shell.StepWeaponSlot(0, 1), 0);
}

TEST(ShellServices, MenusAndClearingLatchEveryKey) {
  for (KeyBinding& binding : KeyBindings) binding = {3, 30, 1, 0, 5};
  EXPECT_EQ(g_shell.RunMenu(kMenuPause), 0);
  for (const KeyBinding& binding : KeyBindings) {
    EXPECT_EQ(binding.pressed, 0);
    EXPECT_EQ(binding.latched, 1);
    EXPECT_EQ(binding.keyCode, 30);
    EXPECT_EQ(binding.doubleTapTimer, 5);
  }
  EXPECT_EQ(g_shell.DrawNumber(10.0f, 10.0f, 123, 0, 1.0f, 255, 255, 255), 0);
  EXPECT_EQ(GameSettings.musicVolume, 60);
  EXPECT_EQ(GameSettings.seVolume, 30);
  EXPECT_EQ(GameSettings.hitWait, 2);
}

}  // namespace
}  // namespace horundel
