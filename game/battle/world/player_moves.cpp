#include "game/battle/world/player_moves.h"

#include <initializer_list>

#include "game/battle/data/battle_state.h"

namespace horundel {

namespace {

bool InStates(int state, std::initializer_list<int> states) {
  for (int s : states) {
    if (s == state) return true;
  }
  return false;
}

bool InRange(int state, int first, int last) { return state >= first && state <= last; }

}  // namespace

int CanStartMove(int request) {
  const int s = CharacterTable[kPlayerSlot].state;
  const int t = CharacterTable[kPlayerSlot].timer;
  if (InRange(s, 100, 103) || InStates(s, {203, 204}) || InRange(s, 212, 214) ||
      InStates(s, {230, 330, 340, 341, 342, 360, 361, 370, 380, 390, 391, 410, 500})) {
    return 0;
  }
  switch (request) {
    case 20:
      return InStates(s, {34, 202, 310, 343, 344, 350}) ? 0 : 1;
    case 30:
      if (s == 331) return t <= 15 ? 1 : 0;
      return InStates(s, {202, 300, 301, 302, 310, 311}) ? 0 : 1;
    case 50:
      return InStates(s, {32, 33, 34, 202, 300, 301, 302, 310, 320, 351}) ? 0 : 1;
    case 200:
      if (InStates(s, {310, 320})) return 0;
      if (InStates(s, {300, 301, 331})) return t >= 16 ? 0 : 2;
      if (s == 302) return t >= 31 ? 0 : 2;
      if (InStates(s, {32, 33, 351})) return 3;
      if (InStates(s, {311, 321, 343, 344})) return 2;
      return 1;
    case 300:
      return InStates(s, {50, 201, 211, 300, 301, 302, 320, 321, 331}) ? 0 : 1;
    case 320:
      return InStates(s, {201, 211, 320, 321, 331, 350}) ? 0 : 1;
    case 330:
      return InStates(s, {201, 211, 330, 331}) ? 0 : 1;
    case 340:
      return InStates(s, {320, 330, 344}) ? 0 : 1;
    case 350:
      return s == 351 ? 0 : 1;
    default:
      return 1;
  }
}

void BoardMachine(int kind) {
  Character& player = CharacterTable[kPlayerSlot];
  player.kind = kind;
  player.motionTick = 0;
  player.motion = 0;
  player.vx = 0.0f;
  player.vy = 0.0f;
  g_battle.GunOut = 0;
  g_battle.ToolWeaponState = 1;
  // The hover and the helicopter carry no gun, but they need hit points so that they can be lost.
  if (kind == 20 || kind == 30) {
    g_battle.MachineGaugeCount = 1;
    g_battle.MachineHp = g_battle.MachineMaxHp = 400.0f;
  }
  if (kind != 1 && kind != 10) return;
  g_battle.MachineGaugeCount = kind == 1 ? 1 : 3;
  g_battle.MachineHp = 400.0f * static_cast<float>(g_battle.MachineGaugeCount);
  g_battle.MachineMaxHp = g_battle.MachineHp;
  g_battle.WeaponSlot[kMachineWeaponSlot] = WeaponSlotRecord{1, 6, 20, 0};
  g_battle.MachineGunCountdown = 0;
  player.state = kind == 1 ? 10 : 70;
  player.halfWidth = kind == 1 ? 80.0f : 120.0f;
  player.halfHeight = kind == 1 ? 40.0f : 60.0f;
}

}  // namespace horundel
