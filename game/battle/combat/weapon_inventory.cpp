#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/sound_effects.h"

namespace horundel {

namespace {

// The gun slots in play: 1..count, never past the last carried slot, so that the empty entry
// after them is always inside the table.
int LastGunSlot() { return ClampInt(0, g_battle.WeaponSlotCount, kLastCarriedSlot); }

}  // namespace

int AddWeapon(int weapon) {
  // Weapon numbers come from map data and pickups; only the gun records can be carried.
  if (weapon < 1 || weapon >= kWeaponCount) return 0;
  const WeaponRecord& record = WeaponRecords[weapon];
  for (int s = 1; s <= LastGunSlot(); ++s) {
    WeaponSlotRecord& slot = g_battle.WeaponSlot[s];
    if (slot.used != 0 && slot.weapon == weapon && slot.ammunition >= record.maximumAmmunition) return 0;
    if (slot.used != 0 && slot.weapon != weapon) continue;
    WeaponRecords[weapon].owned = 1;
    if (GameSettings.autoWeaponChange == 0) g_battle.CurrentWeaponSlot = s;
    if (slot.used == 0) {
      slot.used = 1;
      slot.ammunition = 0;
    }
    slot.weapon = weapon;
    slot.ammunition = StepToward(slot.ammunition, record.maximumAmmunition, record.initialAmmunition);
    slot.countdown = 0;
    const Character& player = CharacterTable[kPlayerSlot];
    SpawnEffect(kEffectRefill, player.x, player.y, 3.0f, 0.0f, kPlayerSlot);
    PlaySoundEffect(kSoundWeapon2);
    if (s == g_battle.CurrentWeaponSlot) {
      g_battle.AmmoGainShown += record.initialAmmunition;
      g_battle.AmmoGainTimer = 60;
    }
    return 1;
  }
  return 0;
}

void RemoveWeapon(int s) {
  if (s == 0) {
    g_battle.WeaponSlot[0].ammunition = MaxInt(g_battle.WeaponSlot[0].ammunition - 1, 0);
    return;
  }
  const int last = LastGunSlot();
  if (s < 1 || s > last) return;
  for (int i = s; i <= last; ++i) g_battle.WeaponSlot[i] = g_battle.WeaponSlot[i + 1];
  const int current = ClampInt(0, g_battle.CurrentWeaponSlot, kLastCarriedSlot);
  if (g_battle.WeaponSlot[current].used == 0) {
    g_battle.CurrentWeaponSlot = MaxInt(g_battle.CurrentWeaponSlot - 1, 0);
    g_battle.WeaponSlotSlide = 50.0f;
  }
  g_battle.GunOut = 0;
}

}  // namespace horundel
