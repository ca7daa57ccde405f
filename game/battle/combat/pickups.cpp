#include "game/battle/combat/pickups.h"

#include <zelvo/zelvo.h>

#include <cmath>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/world/player_moves.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/sound_effects.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

struct CoinRow {
  int kind;
  int worth;
};
// Largest worth first: the order SpawnCoins pays in.
constexpr CoinRow kCoins[] = {{12, 500}, {2, 100}, {11, 50}, {1, 10}, {10, 5}, {0, 1}};
constexpr int kMostCoins = 6;

struct DropBound {
  int below;
  int kind;
};
constexpr DropBound kCoinDrops[] = {{50, 0}, {70, 10}, {80, 1}, {85, 11}, {88, 2}, {89, 12}};
constexpr DropBound kSupplyDrops[] = {{60, 0}, {80, 1}, {90, 20}, {95, 10}};
constexpr DropBound kWeaponDrops[] = {{20, 1},   {40, 3},   {60, 2},   {80, 14},  {95, 4},   {110, 5},  {125, 6},
                                      {140, 7},  {155, 8},  {165, 10}, {175, 9},  {185, 12}, {193, 15}, {201, 11},
                                      {209, 16}, {217, 13}, {222, 19}, {227, 18}, {229, 17}};

template <int N>
int KindBelow(const DropBound (&bounds)[N], int r, int otherwise) {
  for (const DropBound& bound : bounds) {
    if (r < bound.below) return bound.kind;
  }
  return otherwise;
}

void Free(int slot) { CharacterTable[slot].state = 0; }

bool IsGunSlotInPlay(int s) { return s >= 1 && s <= ClampInt(0, g_battle.WeaponSlotCount, kLastCarriedSlot); }

// A quarter of the weapon's first load toward its maximum. Returns the quarter.
int RefillQuarter(WeaponSlotRecord& slot) {
  const WeaponRecord& record = WeaponRecords[ClampInt(0, slot.weapon, kWeaponCount - 1)];
  const int quarter = record.initialAmmunition / 4;
  slot.ammunition = StepToward(slot.ammunition, record.maximumAmmunition, quarter);
  return quarter;
}

bool IsFull(const WeaponSlotRecord& slot) {
  return slot.ammunition >= WeaponRecords[ClampInt(0, slot.weapon, kWeaponCount - 1)].maximumAmmunition;
}

void ShowAmmoGain(int amount) {
  g_battle.AmmoGainShown += amount;
  g_battle.AmmoGainTimer = 60;
}

void RefillEffect(const Character& item) { SpawnEffect(kEffectRefill, item.x, item.y, 3.0f, 0.0f, kPlayerSlot); }

void CollectSupply(int slot) {
  const Character item = CharacterTable[slot];
  Character& player = CharacterTable[kPlayerSlot];
  const int current = g_battle.CurrentWeaponSlot;
  switch (item.kind) {
    case kSupplyCurrentGun:
      if (IsGunSlotInPlay(current) && g_battle.WeaponSlot[current].used != 0 && !IsFull(g_battle.WeaponSlot[current])) {
        ShowAmmoGain(RefillQuarter(g_battle.WeaponSlot[current]));
        RefillEffect(item);
        break;
      }
      for (int s = 1; IsGunSlotInPlay(s); ++s) {
        WeaponSlotRecord& gun = g_battle.WeaponSlot[s];
        if (IsFull(gun)) continue;
        if (gun.used != 0) {
          RefillQuarter(gun);
          RefillEffect(item);
        }
        break;
      }
      break;
    case kSupplyEveryGun:
      for (int s = 1; IsGunSlotInPlay(s) && g_battle.WeaponSlot[s].used != 0; ++s) {
        const int quarter = RefillQuarter(g_battle.WeaponSlot[s]);
        RefillEffect(item);
        if (s == current) ShowAmmoGain(quarter);
      }
      break;
    case kSupplyRepair:
      player.hp = StepTowardF(player.hp, player.maxHp, 400.0f);
      SpawnEffect(kEffectRepair, item.x, item.y, 3.0f, 0.0f, kPlayerSlot);
      break;
    case kSupplyToolCharge:
      g_battle.WeaponSlot[0].ammunition =
          StepToward(g_battle.WeaponSlot[0].ammunition, WeaponRecords[0].maximumAmmunition, 1);
      SpawnEffect(kEffectCharge, item.x, item.y, 2.0f, 0.0f, kPlayerSlot);
      break;
    default:
      break;
  }
  PlaySoundEffect(kSoundItem);
  Free(slot);
}

// The thrown tool-weapon fetches coins and supplies it passes.
bool FetchedByToolWeapon(int slot) {
  if (g_battle.ToolWeaponState != 0) return false;
  for (int s = kFirstObjectSlot; s <= kLastObjectSlot; ++s) {
    const Character& attack = CharacterTable[s];
    if (attack.state == 0 || attack.type != kTypePlayerAttack || attack.kind < 700 || attack.kind > 707) continue;
    if (CharactersOverlap(slot, s) != 0) return true;
  }
  return false;
}

// Collects the pickup on touch. Returns 1 when it is gone.
int Collect(int slot) {
  Character& item = CharacterTable[slot];
  const bool fetchable = item.type == kTypeCoin || item.type == kTypeSupply;
  if (CharactersOverlap(slot, kPlayerSlot) == 0 && !(fetchable && FetchedByToolWeapon(slot))) return 0;
  switch (item.type) {
    case kTypeCoin: {
      const int worth = CoinWorth(item.kind);
      g_battle.Money += worth;
      g_battle.MissionScore += worth;
      g_battle.MissionMoney += worth;
      SpawnEffect(50, item.x, item.y, 2.0f, 0.0f, 0);
      PlaySoundEffect(kSoundItem2);
      Free(slot);
      return 1;
    }
    case kTypeSupply:
      CollectSupply(slot);
      return 1;
    case kTypeWeaponPickup:
      if (AddWeapon(item.kind) == 0) return 0;
      Free(slot);
      return 1;
    case kTypeMachinePickup: {
      Character& player = CharacterTable[kPlayerSlot];
      if (player.kind != 0 || CanStartMove(kMoveBoardMachine) != 1) return 0;
      BoardMachine(item.kind);
      player.x = item.x;
      player.y = item.y;
      Free(slot);
      PlaySoundEffect(kSoundWeapon3);
      return 1;
    }
    default:
      return 0;
  }
}

bool SideBlocked(const Character& item) {
  return TileKindAt(item.x + static_cast<float>(SignFloat(item.vx)) * item.halfHeight + item.vx, item.y) > 0;
}

void MoveCoin(Character& item, float ground) {
  bool airborne = item.y + item.halfHeight < ground;
  if (SideBlocked(item)) item.vx = -item.vx;
  if (TileKindAt(item.x, item.y + static_cast<float>(SignFloat(item.vy)) * item.halfHeight + item.vy) > 0) {
    if (item.vy >= 0.0f) {
      item.vy = -0.5f * item.vy;
      if (AbsFloat(item.vy) < 3.0f) {
        item.vy = 0.0f;
        item.y = ground - item.halfHeight;
        airborne = false;
      }
    } else {
      item.vy = 5.0f;
    }
  }
  if (airborne) {
    item.vy += 0.5f;
  } else {
    item.vy = 0.0f;
    item.vx = StepTowardF(item.vx, 0.0f, 0.1f);
    item.y = ground - item.halfHeight;
  }
}

void MoveSpinningItem(Character& item, float ground) {
  if (SideBlocked(item)) item.vx = -item.vx;
  if (item.y + item.halfHeight < ground) {
    item.vy += 0.5f;
    item.angle = WrapAngle(item.angle + 0.1f * kPi);
  } else {
    item.vx = item.vy = item.angle = 0.0f;
    item.y = ground - item.halfHeight;
  }
}

struct MachineMotion {
  int kind;
  int motionKind;
  int first;
  int last;
};
constexpr MachineMotion kMachineMotions[] = {
    {10, kMotionTank, 28, 35}, {20, kMotionHober, 18, 26}, {30, kMotionHeli, 15, 22}};

void MoveMachine(int slot, float ground) {
  Character& item = CharacterTable[slot];
  for (const MachineMotion& row : kMachineMotions) {
    if (row.kind != item.kind) continue;
    AdvanceMotion(slot, row.motionKind);
    KeepMotionInRange(slot, row.first, row.last);
  }
  if (item.y + item.halfHeight < ground) {
    item.vy += 0.5f;
  } else {
    item.vy = 0.0f;
    item.y = ground - item.halfHeight;
  }
}

}  // namespace

int CoinWorth(int kind) {
  for (const CoinRow& coin : kCoins) {
    if (coin.kind == kind) return coin.worth;
  }
  return 0;
}

int SpawnItem(int type, int kind, float x, float y) {
  const int slot = FindFreeCharacter();
  if (slot == 0) {
    ScreenLogPrintf("Character Over by item\n");
    return 0;
  }
  ClearCharacter(slot);
  Character& item = CharacterTable[slot];
  item.type = type;
  item.kind = kind;
  item.state = 10;
  item.x = x;
  item.y = y - 40.0f;
  // Random draws in the order listed: life, then vx, then vy.
  switch (type) {
    case kTypeCoin:
      item.timer = RandomUpTo(10) + 300;
      item.vx = static_cast<float>(RandomUpTo(12) - 6);
      item.vy = -static_cast<float>(RandomUpTo(12));
      item.halfWidth = 40.0f;
      item.halfHeight = kind == 1 || kind == 11 ? 60.0f : (kind == 2 || kind == 12 ? 80.0f : 40.0f);
      break;
    case kTypeSupply:
    case kTypeWeaponPickup:
      item.timer = RandomUpTo(10) + 600;
      item.vx = static_cast<float>(RandomUpTo(12) - 6);
      item.vy = static_cast<float>(6 - RandomUpTo(6));
      item.halfWidth = item.halfHeight = 40.0f;
      break;
    case kTypeMachinePickup:
      item.timer = RandomUpTo(10) + 1200;
      item.halfWidth = item.halfHeight = 60.0f;
      break;
    default:
      break;
  }
  return slot;
}

void SpawnCoins(int amount, float x, float y) {
  int rest = amount;
  for (int coins = 0; coins < kMostCoins && rest > 0; ++coins) {
    for (const CoinRow& coin : kCoins) {
      if (coin.worth > rest) continue;
      SpawnItem(kTypeCoin, coin.kind, x, y);
      rest -= coin.worth;
      break;
    }
  }
}

int RandomDropKind(int type) {
  switch (type) {
    case kTypeCoin: return KindBelow(kCoinDrops, RandomUpTo(100), 0);
    case kTypeSupply: return KindBelow(kSupplyDrops, RandomUpTo(100), 0);
    case kTypeWeaponPickup: return KindBelow(kWeaponDrops, RandomUpTo(g_battle.CurrentMission * 20 + 120), 1);
    default: return type - kTypeWeaponPickup;
  }
}

void DropOnEnemyDeath(int enemySlot) {
  if (enemySlot < kFirstObjectSlot || enemySlot > kLastObjectSlot) return;
  const Character enemy = CharacterTable[enemySlot];
  const int hits = g_battle.ComboCount + g_battle.PendingHits;
  switch (enemy.kind) {
    case 30: case 40: case 50: case 80: SpawnCoins(hits / 4 + 300, enemy.x, enemy.y); break;
    case 0: SpawnCoins(hits / 12 + 100, enemy.x, enemy.y); break;
    case 10: case 11: SpawnCoins(hits / 12, enemy.x, enemy.y); break;
    case 20: SpawnCoins(hits / 6 + 200, enemy.x, enemy.y); break;
    default: break;
  }
  switch (enemy.kind) {
    case 0: {
      const int r = RandomUpTo(10);
      if (r == 1 && enemy.param > 0) SpawnItem(kTypeWeaponPickup, enemy.param, enemy.x, enemy.y);
      if (r == 2) SpawnItem(kTypeSupply, RandomDropKind(kTypeSupply), enemy.x, enemy.y);
      break;
    }
    case 10:
    case 11: {
      const float y = enemy.y + (enemy.kind == 10 ? -100.0f : 100.0f);
      const int r = RandomUpTo(20);
      if (r >= 1 && r <= 3 && enemy.param > 0) SpawnItem(kTypeWeaponPickup, enemy.param, enemy.x, y);
      if (r == 4) SpawnItem(kTypeSupply, RandomDropKind(kTypeSupply), enemy.x, y);
      break;
    }
    case 20: case 30: case 40: case 50: case 80:
      if (RandomUpTo(3) == 0) SpawnItem(kTypeSupply, RandomDropKind(kTypeSupply), enemy.x, enemy.y);
      break;
    default:
      break;
  }
}

void DropFromCell(int column, int row) {
  if (column < 0 || row < 0 || column > g_battle.LastColumn || row > g_battle.LastRow || column > kLastMapIndex ||
      row > kLastMapIndex) {
    return;
  }
  const float x = static_cast<float>(column) * 100.0f + 50.0f;
  const float y = static_cast<float>(row) * 100.0f + 50.0f;
  switch (TileMap[column][row].kind) {
    case 50:
      SpawnItem(kTypeSupply, kSupplyRepair, x, y);
      break;
    case 10:
    case 30: {
      const int r = RandomUpTo(50);
      if (r < 5) SpawnItem(kTypeCoin, RandomDropKind(kTypeCoin), x, y);
      if (r == 5) SpawnItem(kTypeSupply, RandomDropKind(kTypeSupply), x, y);
      break;
    }
    case 40: {
      const int r = RandomUpTo(4);
      if (r < 3) SpawnItem(kTypeSupply, RandomDropKind(kTypeSupply), x, y);
      if (r == 3) SpawnItem(kTypeWeaponPickup, RandomDropKind(kTypeWeaponPickup), x, y);
      break;
    }
    case 70:
      SpawnCoins((g_battle.ComboCount + g_battle.PendingHits) / 8 + 300, x, y);
      break;
    default:
      break;
  }
}

void UpdateItem(int slot, int mode) {
  if (mode != 0) {
    Free(slot);
    return;
  }
  if (Collect(slot) == 1) return;
  Character& item = CharacterTable[slot];
  if (TileKindAt(item.x, item.y) < 1) {
    const float ground = GroundBelow(slot);
    switch (item.type) {
      case kTypeCoin: MoveCoin(item, ground); break;
      case kTypeSupply: case kTypeWeaponPickup: MoveSpinningItem(item, ground); break;
      case kTypeMachinePickup: MoveMachine(slot, ground); break;
      default: break;
    }
    item.x += item.vx;
    item.y += item.vy;
  }
  item.timer -= 1;
  if (item.timer <= 0) Free(slot);
}

namespace {

void DrawCoin(const Character& item, int sx, int sy, float zoom) {
  const float w = AbsFloat(std::sin(static_cast<float>(item.timer % 40) * 0.05f * kPi) * 10.0f) + 5.0f;
  const float size = item.kind == 1 || item.kind == 11 ? 2.0f : (item.kind == 2 || item.kind == 12 ? 3.0f : 1.0f);
  const int rx = TruncateToInt(w * zoom * size);
  const int ry = TruncateToInt(15.0f * zoom * size);
  const int c = TruncateToInt(w * 10.0f + 100.0f);
  const bool gold = item.kind >= 10;
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  DrawEllipse(sx + 1, sy + 1, rx, ry, PackColor(20, 20, 20), 1);
  DrawEllipse(sx, sy, rx, ry, gold ? PackColor(c, c, TruncateToInt(w * 5.0f)) : PackColor(c, c, c), 1);
}

int SupplyPicture(int kind) {
  switch (kind) {
    case kSupplyCurrentGun: return g_pictures.bullet;
    case kSupplyEveryGun: return g_pictures.chargedBullet;
    case kSupplyRepair: return g_pictures.energyTank;
    case kSupplyToolCharge: return WeaponRecords[0].picture;
    default: return -1;
  }
}

}  // namespace

void DrawItem(int slot) {
  const Character& item = CharacterTable[slot];
  const int sx = WorldToScreenX(item.x);
  const int sy = WorldToScreenY(item.y);
  const float fx = static_cast<float>(sx);
  const float fy = static_cast<float>(sy);
  if (fx < -item.halfWidth || fx > 640.0f + item.halfWidth || fy < -item.halfHeight || fy > 480.0f + item.halfHeight) {
    return;
  }
  const float zoom = g_battle.BattleCamera.zoom;
  switch (item.type) {
    case kTypeCoin:
      DrawCoin(item, sx, sy, zoom);
      break;
    case kTypeSupply:
    case kTypeWeaponPickup: {
      SetBlendMode(item.timer % 20 < 5 ? 2 : 0, 255);
      if (item.type == kTypeWeaponPickup) {
        const int picture = item.kind >= 0 && item.kind < kWeaponCount ? WeaponRecords[item.kind].picture : -1;
        BlitGraphRotated(sx, sy, zoom, -item.angle, picture, 1, 0);
      } else {
        const float scale = item.kind == kSupplyToolCharge ? 0.5f : 1.5f;
        BlitGraphRotated(sx, sy, zoom * scale, -item.angle, SupplyPicture(item.kind), 1, 0);
      }
      break;
    }
    case kTypeMachinePickup:
      SetBlendMode(ZELVO_BLEND_NONE, 255);
      if (item.kind == 1) {
        BlitGraphRotated(sx, sy, 1.5f * zoom, 0.0, HoberPictures[3], 1, 0);
        BlitGraphRotated(sx, sy, 0.8f * zoom, 0.0, RiveterPictures[21], 1, 0);
      } else if (item.kind == 10) {
        DrawMotion(kMotionTank, sx, sy, item.motion, 1, zoom, 0, kDrawMotionNormal);
      } else if (item.kind == 20) {
        DrawMotion(kMotionHober, sx, sy, item.motion, 1, 0.8f * zoom, 0, kDrawMotionNormal);
      } else if (item.kind == 30) {
        DrawMotion(kMotionHeli, sx, sy, item.motion, 1, 0.8f * zoom, 0, kDrawMotionNormal);
      }
      // The boarding sign floats above the machine.
      if (item.timer % 40 < 30) {
        SetBlendMode(ZELVO_BLEND_NONE, 255);
        BlitGraphRotated(sx, sy - TruncateToInt(item.halfHeight * zoom), 2.0f * zoom, 0.0, g_pictures.entrance, 1, 0);
      }
      break;
    default:
      break;
  }
}

}  // namespace horundel
