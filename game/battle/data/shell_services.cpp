#include "game/battle/data/shell_services.h"

#include "game/battle/data/battle_state.h"

namespace horundel {

KeyBinding KeyBindings[kKeyBindingCount];

GameSettingsRecord GameSettings = {0, 60, 30, 2, 0, 0};

void DefaultClearMenuKeys() {
  for (KeyBinding& binding : KeyBindings) {
    binding.pressed = 0;
    binding.latched = 1;
  }
}

int DefaultStepWeaponSlot(int slot, int step) {
  int count = g_battle.WeaponSlotCount;
  if (count > kLastCarriedSlot) count = kLastCarriedSlot;
  int last = 0;
  while (last < count && g_battle.WeaponSlot[last + 1].used != 0) ++last;
  const int ring = last + 1;
  const int stepped = (slot + step) % ring;
  return stepped < 0 ? stepped + ring : stepped;
}

namespace {

int ReturnAfterClearingKeys(int) {
  g_shell.ClearMenuKeys();
  return 0;
}
void DrawNothing(int) {}
int DrawNoNumber(float, float, int, int, float, int, int, int) { return 0; }
void ReturnAtOnce() {}
void ReturnAtOnceFor(int) {}
void ReturnAtOnceForText(int, int) {}

}  // namespace

ShellServices DefaultShellServices() {
  ShellServices services{};
  services.ClearMenuKeys = DefaultClearMenuKeys;
  services.RunMenu = ReturnAfterClearingKeys;
  services.StepWeaponSlot = DefaultStepWeaponSlot;
  services.DrawBattleHud = DrawNothing;
  services.DrawNumber = DrawNoNumber;
  services.FadeBattleToBlack = ReturnAtOnce;
  services.FadeBattleFromBlack = ReturnAtOnce;
  services.MissionStart = ReturnAtOnce;
  services.MissionClear = ReturnAtOnce;
  services.MissionFailed = ReturnAtOnce;
  services.BossWarning = ReturnAtOnce;
  services.BossDefeatSequence = ReturnAtOnceFor;
  services.PlayMissionText = ReturnAtOnceForText;
  services.ShowCgPicture = ReturnAtOnceFor;
  services.ResetHud = ReturnAtOnce;
  return services;
}

ShellServices g_shell = DefaultShellServices();

}  // namespace horundel
