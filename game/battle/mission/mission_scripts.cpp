#include "game/battle/mission/mission_scripts.h"

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/mission/map_events.h"
#include "game/battle/data/shell_services.h"

namespace horundel {

namespace {

constexpr int kBossKind = 60;
constexpr int kBossArea = 5;
constexpr int kRaidFrames = 18000;   // five minutes

int* Vars() { return g_battle.MissionScriptVars; }
float HeroineX() { return CharacterTable[kPlayerSlot].x; }
void Text(int number) { g_shell.PlayMissionText(kTextBattle, number); }

// A hint text whenever the heroine has stayed this many frames in one step.
void HintEvery(int frames, int text) {
  if (++Vars()[0] > frames) {
    Text(text);
    Vars()[0] = 0;
  }
}

void Advance() {
  Vars()[0] = 0;
  g_battle.MissionPhase += 1;
}

bool HoldsGun() {
  const int slot = g_battle.CurrentWeaponSlot;
  return slot > 0 && slot <= kLastCarriedSlot && g_battle.WeaponSlot[slot].used != 0;
}

int FirstSlotOf(int type, int kind) {
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    if (c.state != 0 && c.type == type && c.kind == kind) return slot;
  }
  return 0;
}

void ClearMission() {
  g_battle.MissionPhase = kPhaseEnded;
  MissionRecords[g_battle.CurrentMission].cleared = 1;
}

// The training's last stretch: past x 9300 the rescue door is pointed out and watched until it
// opens; past x 9600 the training ends. A long jump may cross both marks in one frame.
void RunTrainingTail() {
  int* vars = Vars();
  if (g_battle.MissionPhase == 12) {
    if (HeroineX() <= 9300.0f) return;
    Text(21);
    g_battle.MissionPhase = 13;
    const int rescue = FirstSlotOf(kTypeMapEvent, kEventRescueDoor);
    if (rescue != 0) {
      vars[0] = rescue;
      vars[1] = 1;
    }
  }
  if (g_battle.MissionPhase == 13) {
    if (vars[1] == 1 && vars[0] >= kFirstObjectSlot && vars[0] <= kLastFreeSlot &&
        CharacterTable[vars[0]].state == kEventOpening) {
      Text(22);
      vars[1] = 0;
    }
    if (HeroineX() > 9600.0f) {
      Text(23);
      g_battle.MissionPhase = 14;
    }
  }
}

void RunTrainingStep() {
  int* vars = Vars();
  const float x = HeroineX();
  switch (g_battle.MissionPhase) {
    case 0:
      Text(0);
      g_battle.MissionPhase = 1;
      break;
    case 1:
      HintEvery(1000, 2);
      if (++vars[1] > 2000) {
        Text(1);
        vars[1] = 0;
      }
      if (x > 500.0f) {
        Text(3);
        Advance();
      }
      break;
    case 2:
      if (x > 1400.0f) {
        Text(4);
        Advance();
      }
      break;
    case 3:
      HintEvery(1000, 5);
      if (x > 2600.0f) {
        Text(6);
        Advance();
      }
      break;
    case 4:
      HintEvery(1000, 7);
      if (x > 4000.0f) {
        Text(8);
        Advance();
      }
      break;
    case 5:
      HintEvery(2000, 9);
      if (x > 5000.0f) {
        Text(10);
        Advance();
      }
      break;
    case 6:
      HintEvery(2000, 10);
      if (x > 5700.0f) {
        Text(11);
        if (HoldsGun()) Text(12);
        Advance();
      }
      break;
    case 7:
      if (HoldsGun() && vars[0] == 0) {
        Text(13);
        vars[0] = 1;
      }
      if (x > 7000.0f) {
        Text(25);
        Advance();
      }
      break;
    case 8:
      if (x > 7200.0f) {
        Text(14);
        vars[0] = 0;
        g_battle.MissionPhase = 9;
      }
      break;
    case 9:
      if (CharacterTable[kPlayerSlot].kind > 0 && vars[0] == 0) {
        Text(15);
        vars[0] = 1;
      }
      if (x > 8300.0f) {
        Text(16);
        g_battle.MissionPhase = 10;
        for (int i = 0; i < 4; ++i) vars[i] = 0;
      }
      break;
    case 10:
      if (CharacterTable[kPlayerSlot].kind == 0) {
        if (g_battle.CurrentWeaponSlot < 1 && vars[2] == 0 && ++vars[0] > 180) {
          Text(18);
          vars[2] = 1;
        }
        if (g_battle.CurrentWeaponSlot >= 1 && vars[3] == 0 && ++vars[1] > 180) {
          Text(17);
          vars[3] = 1;
        }
      }
      if (x > 8700.0f) {
        Text(19);
        g_battle.MissionPhase = 11;
      }
      break;
    case 11:
      if (x > 9000.0f) {
        Text(20);
        g_battle.MissionPhase = 12;
        RunTrainingTail();
      }
      break;
    case 12:
    case 13: RunTrainingTail(); break;
    default: break;
  }
}

void RunTraining() {
  if (g_battle.CurrentArea == 1) {
    // Reaching the second area ends the training.
    Text(24);
    g_battle.MissionPhase = kPhaseEnded;
  } else if (g_battle.CurrentArea == 0) {
    RunTrainingStep();
  }
}

// Only a slot that still holds the boss counts: with no boss found the slot is 0, and the same
// variable also counts destroyed trucks.
bool BossDefeated(int slot) {
  if (slot < kFirstObjectSlot || slot > kLastFreeSlot) return false;
  const Character& boss = CharacterTable[slot];
  return boss.type == kTypeEnemy && boss.kind == kBossKind && boss.hp <= 0.0f;
}

void RunBaseAttack() {
  if (g_battle.CurrentArea != kBossArea) return;
  const int slot = Vars()[0];
  if (!BossDefeated(slot)) return;
  g_shell.BossDefeatSequence(slot);
  g_shell.MissionClear();
  ClearMission();
}

void RunSupplyRaid() {
  if (g_battle.MissionCountdownShown == 0) {
    g_battle.MissionCountdown = kRaidFrames;
    g_battle.MissionCountdownShown = 1;
    return;
  }
  if (g_battle.MissionCountdown > 0) g_battle.MissionCountdown -= 1;
  if (g_battle.MissionCountdown > 0) return;
  g_battle.MissionCountdownShown = 0;
  g_shell.MissionClear();
  ClearMission();
}

}  // namespace

void MissionScript() {
  switch (g_battle.CurrentMission) {
    case 0: RunTraining(); break;
    case 1: RunBaseAttack(); break;
    case 2: RunSupplyRaid(); break;
    default: break;
  }
}

int MissionOneBossCheck() {
  if (g_battle.CurrentMission != 1 || g_battle.CurrentArea != kBossArea) return 0;
  g_shell.BossWarning();
  const int boss = FirstSlotOf(kTypeEnemy, kBossKind);
  if (boss != 0) Vars()[0] = boss;
  return 1;
}

}  // namespace horundel
