#pragma once
// Mission 1 played to its clear by a scripted player on the mission's own maps: through each area
// to its door, up the shaft's platforms from one side to the other, then the main computer fought
// with the melee combo of a new game's heroine. On the way she sets off explosive drums from afar,
// breaks repair blocks and seizes the pile bunker, whose rounds bring down the main computer of
// hard, where every hit takes three times the HP.
#include "game/battle/data/game_math.h"
#include "game/battle/mission/map_events.h"
#include "support/training_player.h"

namespace horundel {

constexpr int kBaseAttackBossArea = 5;

// The x of the nearest change between solid and open cells along `row`, or -1 without one; the
// map's side walls are no platform edges.
inline float PlatformEdgeNear(int row, float x) {
  float best = -1.0f;
  for (int column = 2; column < LastColumnIndex(); ++column) {
    const float edge = 100.0f * static_cast<float>(column);
    const float y = 100.0f * static_cast<float>(row) + 50.0f;
    if (Solid(edge - 50.0f, y) == Solid(edge + 50.0f, y)) continue;
    if (best < 0.0f || AbsFloat(edge - x) < AbsFloat(best - x)) best = edge;
  }
  return best;
}

// Up a shaft whose platforms, two rows apart, reach from alternate sides to a seam: from beside
// the seam straight up past the platform above, then across onto it.
inline void ClimbShaft() {
  WalkerMemory& memory = Walker();
  const Character& p = Heroine();
  if (HeroineStanding()) {
    const int feetRow = FeetRow();
    const float edge = PlatformEdgeNear(feetRow - 2, p.x);
    if (edge < 0.0f) return;
    memory.climbRow = feetRow - 2;
    memory.climbAcross = Solid(edge + 50.0f, 100.0f * static_cast<float>(memory.climbRow) + 50.0f) ? 1 : -1;
    // Close to the seam: the platform above her own side stops her head a few pixels over the
    // one she is to land on, so she has but a frame or two to cross.
    const float spot = edge - static_cast<float>(memory.climbAcross) * 3.0f;
    if (!WalkToward(spot, 3.0f, kStrikeEnemies)) return;
    ScriptedPad::Set(kKeyRight, false);
    ScriptedPad::Set(kKeyLeft, false);
    // Up held makes a straight jump a plain one, not the stance a bare jump key starts.
    ScriptedPad::Set(kKeyUp, true);
    Tap(kKeyJump, true);
    return;
  }
  ScriptedPad::Set(kKeyJump, false);
  ScriptedPad::Set(kKeyUp, false);
  if (memory.climbRow < 0) return;
  // Across once her feet are above the platform she is to land on.
  const bool clear = p.y + p.halfHeight - 1.0f < 100.0f * static_cast<float>(memory.climbRow);
  ScriptedPad::Set(kKeyRight, clear && memory.climbAcross > 0);
  ScriptedPad::Set(kKeyLeft, clear && memory.climbAcross < 0);
}

// The first closed door of `kind` of the area, 0 if none.
inline int DoorSlot(int kind) {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    if (c.state == kEventClosed && c.type == kTypeMapEvent && c.kind == kind) return slot;
  }
  return 0;
}

// The boss's slot, 0 once it is gone.
inline int BossSlot() {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    if (c.state != 0 && c.type == kTypeEnemy && c.kind == 60) return slot;
  }
  return 0;
}

constexpr int kPileBunker = 7;   // its blast takes 1500 x difficulty x 0.15 HP: nearly all on hard

// The carried gun slot to fire at the boss: the pile bunker while it has rounds, else the first
// gun with rounds left; 0 when no gun has any.
inline int LoadedGunSlot() {
  int loaded = 0;
  for (int slot = kLastCarriedSlot; slot >= 1; --slot) {
    const WeaponSlotRecord& w = g_battle.WeaponSlot[slot];
    if (w.used == 0 || w.ammunition <= 0) continue;
    if (w.weapon == kPileBunker) return slot;
    loaded = slot;
  }
  return loaded;
}

// Close in beside the boss and strike its body with the first two blows of the combo again and
// again: the third blow's long recovery costs more than it adds. The guns picked up on the way are
// fired first, the pile bunker before the others, a round each time the gun is reloaded: its ten
// rounds outweigh the main computer of hard, and its recoil leaves her still in reach. Other guns
// are fired from farther off, so that the guard pods the boss sends along her level run into her
// fire before they reach her and call in a bombing.
inline void FightBoss() {
  const int boss = BossSlot();
  if (boss == 0) return;
  const Character& b = CharacterTable[boss];
  const Character& p = Heroine();
  const int gun = LoadedGunSlot();
  const bool closeGun = gun == 0 || g_battle.WeaponSlot[gun].weapon == kPileBunker;
  const float stand = b.x - b.halfWidth - (closeGun ? 30.0f : 430.0f);
  if (p.x < stand - 20.0f && !(gun != 0 && p.x > stand - 150.0f)) {
    ScriptedPad::Set(kKeyShoot, false);
    WalkToward(stand, 20.0f, kDashAndStrikeEnemies);
    return;
  }
  ScriptedPad::Set(kKeyRight, false);
  ScriptedPad::Set(kKeyLeft, false);
  ScriptedPad::Set(kKeyJump, false);
  HoldDash(false);
  if (gun != 0) {
    Tap(kKeyNextWeapon, g_battle.CurrentWeaponSlot != gun);
    ScriptedPad::Set(kKeyMelee, false);
    ScriptedPad::Set(kKeyShoot, g_battle.CurrentWeaponSlot == gun && p.facing == 1);
    return;
  }
  ScriptedPad::Set(kKeyShoot, false);
  ScriptedPad::Set(kKeyNextWeapon, false);
  const bool ready = p.state == 10 || (p.state == 300 && p.timer < 22);
  Tap(kKeyMelee, ready);
}

constexpr int kExplosiveTileKind = 80;
constexpr int kRepairTileKind = 50;
constexpr float kBlastReach = 360.0f;   // short of a drum's edge: its blast reaches 240 px from its centre

// The left or right edge of the nearest cell of `kind` ahead at her body's height within `reach`,
// or -1 when there is none.
inline float CellAhead(int kind, int direction, float reach) {
  const Character& p = Heroine();
  for (float step = 50.0f; step <= reach; step += 50.0f) {
    const float x = p.x + static_cast<float>(direction) * step;
    for (float dy : {p.halfHeight - 1.0f, 0.0f, 1.0f - p.halfHeight}) {
      if (TileKindAt(x, p.y + dy) != kind) continue;
      const float column = 100.0f * static_cast<float>(CellIndexOf(x));
      return direction > 0 ? column : column + 100.0f;
    }
  }
  return -1.0f;
}

// True while the direction key toward `direction` is held: pressed again within a moment, it
// would make a double tap, which dashes.
inline bool HeldToward(int direction) { return ScriptedPad::held[direction > 0 ? kKeyRight : kKeyLeft]; }

inline bool GunInHand() {
  const WeaponSlotRecord& slot = g_battle.WeaponSlot[g_battle.CurrentWeaponSlot];
  return g_battle.CurrentWeaponSlot != 0 && slot.used != 0 && slot.ammunition > 0;
}

// Fires what she holds where she faces: a gun with rounds left fires while the key is held; the
// tool-weapon is thrown (pressed, then let go) when it is in her hand and she stands free; an
// emptied gun is thrown away by a fresh press, which brings the tool-weapon back.
inline void Fire(bool wanted) {
  const Character& p = Heroine();
  if (GunInHand()) {
    ScriptedPad::Set(kKeyShoot, wanted);
    return;
  }
  const bool free = HeroineStanding() && p.state == 10 &&
                    (g_battle.CurrentWeaponSlot != 0 || g_battle.ToolWeaponState == 1);
  Tap(kKeyShoot, wanted && free);
}

// Explosive drums ahead are set off from out of their blast's reach with a throw of the
// tool-weapon; on hard one blast nearly empties her gauges. True while that takes her over.
inline bool BlowUpDrumsAhead(int direction) {
  const Character& p = Heroine();
  const float drum = CellAhead(kExplosiveTileKind, direction, kBlastReach + 150.0f);
  const float stand = drum - static_cast<float>(direction) * kBlastReach;
  const float over = (p.x - stand) * static_cast<float>(direction);
  if (drum < 0.0f || over < 0.0f) {
    ScriptedPad::Set(kKeyShoot, false);
    return false;
  }
  // Past the spot (a combo carries her forward) she backs off only when inside the blast. A dash
  // (a double tap of a direction) lasts while any direction is held: all are let go to end it.
  const bool dashing = p.state == kDashingState;
  const bool back = over > 150.0f && !dashing;
  const bool turn = !back && !dashing && p.facing != direction && !HeldToward(direction);
  ScriptedPad::Set(kKeyLeft, direction > 0 ? back : turn);
  ScriptedPad::Set(kKeyRight, direction > 0 ? turn : back);
  ScriptedPad::Set(kKeyJump, false);
  ScriptedPad::Set(kKeyMelee, false);
  HoldDash(false);
  Fire(!back && p.facing == direction);
  return true;
}

constexpr int kSoldierKind = 0;
constexpr int kCapturedState = 230;

// The nearest soldier on her level within `reach` ahead, in a clear line, that carries a pile
// bunker; 0 if none.
inline int PileBunkerSoldierAhead(int direction, float reach) {
  const Character& p = Heroine();
  int nearest = 0;
  float nearestDistance = reach;
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& e = CharacterTable[slot];
    if (e.state == 0 || e.state == kCapturedState || e.type != kTypeEnemy || e.kind != kSoldierKind ||
        e.param != kPileBunker || !(e.hp > 0.0f)) {
      continue;
    }
    const float distance = (e.x - p.x) * static_cast<float>(direction);
    if (distance < 0.0f || distance > nearestDistance || AbsFloat(e.y - p.y) > 60.0f) continue;
    bool clear = true;
    for (float at = 50.0f; at < distance; at += 50.0f) {
      clear = clear && !Solid(p.x + static_cast<float>(direction) * at, p.y);
    }
    if (!clear) continue;
    nearest = slot;
    nearestDistance = distance;
  }
  return nearest;
}

// True when every gun slot she has holds a gun: a seized weapon would be left on the ground.
inline bool GunSlotsFull() {
  for (int slot = 1; slot <= g_battle.WeaponSlotCount; ++slot) {
    if (g_battle.WeaponSlot[slot].used == 0) return false;
  }
  return true;
}

// The pile bunker is seized from afar with a throw of the tool-weapon: the soldier then carries
// nothing, and the main computer falls to its ten rounds. With no gun slot free, the special
// attack first throws away the gun in hand. While the tool-weapon is away she waits where she
// stands: a blow would call it back and let go of what it holds. True while this takes her over.
inline bool SeizePileBunker(int direction) {
  const Character& p = Heroine();
  const bool away = g_battle.ToolWeaponState == 0;
  const int soldier = away ? 0 : PileBunkerSoldierAhead(direction, 700.0f);
  const bool makeRoom = soldier != 0 && GunSlotsFull();
  Tap(kKeySpecial, makeRoom && g_battle.CurrentWeaponSlot != 0 && p.state == 10 && HeroineStanding());
  if (!away && soldier == 0) return false;
  const bool dashing = p.state == kDashingState;
  const bool turn = !away && !dashing && p.facing != direction && !HeldToward(direction);
  ScriptedPad::Set(kKeyLeft, direction < 0 && turn);
  ScriptedPad::Set(kKeyRight, direction > 0 && turn);
  ScriptedPad::Set(kKeyJump, false);
  ScriptedPad::Set(kKeyMelee, false);
  HoldDash(false);
  if (makeRoom) {
    // A gun in hand to throw away.
    Tap(kKeyNextWeapon, g_battle.CurrentWeaponSlot == 0);
    ScriptedPad::Set(kKeyPreviousWeapon, false);
    ScriptedPad::Set(kKeyShoot, false);
    return true;
  }
  // Both weapon keys at once put the tool-weapon in her hand.
  const bool toolWanted = g_battle.CurrentWeaponSlot != 0;
  Tap(kKeyNextWeapon, toolWanted);
  Tap(kKeyPreviousWeapon, toolWanted);
  if (away) {
    ScriptedPad::Set(kKeyShoot, false);
  } else {
    Fire(!toolWanted && !dashing && p.facing == direction);
  }
  return true;
}

// A repair block in front of her is broken, not jumped: it drops a repair that she walks into.
inline bool StrikeRepairBlockAhead() {
  if (!HeroineStanding() || TileAheadKind(Heroine().facing) != kRepairTileKind) return false;
  ScriptedPad::Set(kKeyLeft, false);
  ScriptedPad::Set(kKeyRight, false);
  ScriptedPad::Set(kKeyJump, false);
  HoldDash(false);
  Tap(kKeyMelee, Heroine().state == 10);
  return true;
}

inline void PlayBaseAttack() {
  GiveUpWhenTooLong();
  StartWalkerFrame();
  if (g_battle.CurrentArea == kBaseAttackBossArea) {
    FightBoss();
    return;
  }
  const int door = DoorSlot(kEventAreaDoor);
  if (door == 0) return;
  const Character& d = CharacterTable[door];
  const Character& p = Heroine();
  const int direction = d.x > p.x ? 1 : -1;
  if (BlowUpDrumsAhead(direction) || SeizePileBunker(direction) || StrikeRepairBlockAhead()) return;
  // A door high above is reached by climbing; one on her level by walking. Doors stand 90
  // pixels above the floor.
  if (d.y + 90.0f < p.y + p.halfHeight - 150.0f) {
    ClimbShaft();
    return;
  }
  WalkToward(d.x, 10.0f, kDashAndStrikeEnemies);
}

}  // namespace horundel
