#include <cmath>
#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/actors/player_frame.h"
#include "game/battle/world/attack_spawning.h"
#include "game/battle/world/player_moves.h"
#include "game/battle/actors/player_update.h"
#include "game/battle/data/sound_effects.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

bool SkillOwned(int skill) { return SkillRecords[skill].owned != 0; }

bool InStateList(int state, const int* states, int count) {
  for (int i = 0; i < count; ++i) {
    if (states[i] == state) return true;
  }
  return false;
}

namespace {

constexpr int kInactiveState = 600;

Character& Heroine() { return CharacterTable[kPlayerSlot]; }

float Random(int n) { return static_cast<float>(RandomUpTo(n)); }

void JumpStreak(float angle) {
  const Character& p = Heroine();
  SpawnEffect(kEffectStreak, p.x, p.y, 1.5f, angle, 0);
}

// Timer one step toward 0; true when it is 0 afterwards.
bool TickTimer(Character& p) {
  p.timer = StepToward(p.timer, 0, 1);
  return p.timer == 0;
}

bool SpendAirBoost(const PlayerFrame& frame) {
  if (!frame.airborne) return true;
  if (g_battle.AirBoostsLeft == 0) return false;
  --g_battle.AirBoostsLeft;
  return true;
}

void RunJumpSkills(PlayerFrame& frame) {
  Character& p = Heroine();
  if (!FreshPress(kKeyJump)) return;
  if (p.state == 340 || p.state == 341) {
    p.state = 342;
    p.timer = 60;
    FirePlayerAttack(542);
    ConsumeKey(kKeyJump);
    return;
  }
  if (KeyPressed(kKeyDown)) {
    if (CanStartMove(340) == 0 || !SkillOwned(3)) return;
    if (frame.h != 0) p.facing = frame.h;
    if (frame.airborne) {
      p.state = 340;
      FirePlayerAttack(540);
    } else {
      p.state = 341;
      p.timer = 40;
      p.vx = static_cast<float>(p.facing) * 20.0f;
      FirePlayerAttack(541);
    }
    ConsumeKey(kKeyJump);
    return;
  }
  if (p.state == 350 && frame.h == 0 && CanStartMove(350) != 0) {
    if (SkillOwned(4)) FirePlayerAttack(550);
    p.state = 351;
    p.timer = 40;
    p.vy = -12.0f;
    frame.airborne = true;
    ConsumeKey(kKeyJump);
  }
}

void RunMelee(PlayerFrame& frame) {
  Character& p = Heroine();
  if (!FreshPress(kKeyMelee)) return;
  ConsumeKey(kKeyMelee);
  g_battle.GunOut = 0;
  g_battle.ToolWeaponState = 1;
  if (KeyPressed(kKeyDown)) {
    if (CanStartMove(330) != 0 && SkillOwned(2)) {
      p.state = 330;
      p.vy = frame.airborne ? -8.0f : -12.0f;
      frame.airborne = true;
      FirePlayerAttack(530);
    }
  } else if (KeyPressed(kKeyUp)) {
    if (CanStartMove(320) != 0 && SkillOwned(1)) {
      p.state = 320;
      p.timer = frame.airborne ? 30 : 40;
      frame.airborne = true;
      FirePlayerAttack(520);
    }
  } else if (p.state == 30) {
    if (SkillOwned(0)) {
      p.state = 310;
      p.timer = 20;
      FirePlayerAttack(510);
    }
  } else if (p.state == 301) {
    p.state = 302;
    p.timer = 50;
    FirePlayerAttack(502);
  } else if (p.state == 300) {
    p.state = 301;
    p.timer = 30;
    FirePlayerAttack(501);
  } else if (CanStartMove(300) != 0) {
    p.state = 300;
    p.timer = 30;
    FirePlayerAttack(500);
  }
}

void RunLanding(const PlayerFrame& frame) {
  Character& p = Heroine();
  if (frame.airborne || p.vy <= 0.0f) return;
  p.vy = 0.0f;
  p.y = frame.ground - p.halfHeight;
  for (int i = 0; i < 5; ++i) SpawnEffect(0, p.x + Random(80) - 40.0f, p.y + p.halfHeight, 1.0f, 0.0f, 0);
  if (p.state == 100 || p.state == 102) {
    PlaySoundEffect(kSoundDown);
  } else if (p.state == 33) {
    PlaySoundEffect(kSoundBoost);
  } else if (p.state != 330 && p.state != 340) {
    PlaySoundEffect(kSoundLand);
  }
  static constexpr int kKeepOnLanding[] = {41,  201, 202, 203, 204, 211, 212, 213, 214, 220, 230,
                                           300, 301, 302, 360, 361, 370, 380, 390, 391, 500};
  const bool jumpHeld = KeyPressed(kKeyJump);
  switch (p.state) {
    case 100: p.state = 101; p.timer = 10; break;
    case 102: p.state = 103; p.timer = 20; break;
    case 32:
      if (jumpHeld) {
        p.state = 33;
        p.vy = -18.0f;
      } else {
        p.state = 10;
      }
      break;
    case 33:
      if (jumpHeld) {
        p.state = 34;
        p.timer = 90;
      } else {
        p.state = 10;
      }
      break;
    case 330:
      p.state = 331;
      p.vx = static_cast<float>(-p.facing) * 5.0f;
      p.timer = 30;
      FirePlayerAttack(531);
      break;
    case 340:
      p.state = 341;
      p.vx = static_cast<float>(p.facing) * 20.0f;
      p.timer = 40;
      FirePlayerAttack(541);
      break;
    case 343:
    case 344:
    case 351:
      if (jumpHeld) {
        p.state = 32;
        p.vy = -18.0f;
        ConsumeKey(kKeyJump);
      } else {
        p.state = 10;
      }
      break;
    default:
      if (!StateIn(p.state, kKeepOnLanding)) p.state = 10;
  }
  g_battle.AirBoostsLeft = g_battle.AirBoostLevel;
}

void RunJump(PlayerFrame& frame) {
  Character& p = Heroine();
  if (!FreshPress(kKeyJump) || CanStartMove(20) != 1) return;
  ConsumeKey(kKeyJump);
  const float streakAngle = kPi - static_cast<float>(frame.h) * 0.25f * kPi;
  if (p.state == 50) {
    p.timer = 10;
    p.vx = static_cast<float>(p.facing) * 4.0f;
    p.vy = -16.0f;
    p.state = 51;
    PlaySoundEffect(kSoundJump);
    return;
  }
  if (!SpendAirBoost(frame)) return;
  p.vy = -16.0f;
  frame.airborne = true;
  if (p.state == 30) {
    p.state = 31;
  } else {
    p.state = frame.h == 0 && frame.v == 0 ? 350 : 10;
  }
  JumpStreak(streakAngle);
  PlaySoundEffect(kSoundJump);
}

void RunDash(const PlayerFrame& frame) {
  Character& p = Heroine();
  if (!FreshPress(kKeyDash) || CanStartMove(30) != 1) return;
  ConsumeKey(kKeyDash);
  if (p.state != 50 && p.state != 52) {
    if (!SpendAirBoost(frame)) return;
    if (frame.h != 0) p.facing = frame.h;
  }
  p.state = 30;
  p.timer = 60;
  p.vy = 0.0f;
  JumpStreak(kPi - static_cast<float>(p.facing) * 0.5f * kPi);
  PlaySoundEffect(kSoundBoost);
}

void RunStateTimers(PlayerFrame& frame) {
  Character& p = Heroine();
  if (RunWeaponStateTimers(frame)) return;
  switch (p.state) {
    case 30:
      TickTimer(p);
      if (frame.airborne) {
        if (p.timer == 0 || !KeyPressed(kKeyDash)) p.state = 10;
      } else if (!KeyPressed(kKeyDash)) {
        p.state = 40;
        p.timer = 15;
        PlaySoundEffect(kSoundBreak);
      }
      break;
    case 34:
      TickTimer(p);
      if (!KeyPressed(kKeyJump)) TickTimer(p);
      break;
    case 40:
      if (TickTimer(p) || frame.airborne) p.state = 10;
      break;
    case 50:
      if ((frame.h != -p.facing && !KeyPressed(kKeyShoot)) ||
          TileKindAt(p.x - static_cast<float>(p.facing) * 10.0f, p.y) == 0) {
        p.state = 52;
        p.timer = 15;
      }
      break;
    case 60:
      TickTimer(p);
      if (p.timer % 5 == 0) PlaySoundEffect(kSoundSwing);
      if (p.timer == 0) {
        p.state = 61;
        PlaySoundEffect(kSoundGuard);
      }
      break;
    case 101:
      if (TickTimer(p)) {
        p.state = 102;
        p.vy = -6.0f;
        frame.airborne = true;
      }
      break;
    case 103:
      if (TickTimer(p) && p.hp > 0.0f) {
        p.state = 10;
        p.vy = -8.0f;
        frame.airborne = true;
      }
      break;
    case 41: case 51: case 52: case 300: case 301: case 302: case 311: case 331: case 341:
      if (TickTimer(p)) p.state = 10;
      break;
    case 310:
      if (TickTimer(p)) {
        if (frame.airborne) {
          p.state = 10;
        } else {
          p.state = 311;
          p.timer = 20;
        }
      }
      break;
    case 320:
      if (TickTimer(p)) p.state = 321;
      break;
    case 342:
      if (frame.h == 0) p.timer = StepToward(p.timer, 0, 1);
      if (frame.h == -p.facing) p.timer = StepToward(p.timer, 0, 2);
      if (TickTimer(p)) p.state = 343;
      break;
    case 350:
      if (frame.h != 0) p.state = 10;
      break;
    default:
      break;
  }
}

float Friction(float vx) { return StepTowardF(vx, 0.0f, 0.5f); }

void SetHorizontalSpeed(const PlayerFrame& frame) {
  Character& p = Heroine();
  const float f = static_cast<float>(p.facing);
  const float h = static_cast<float>(frame.h);
  const float t = static_cast<float>(p.timer);
  switch (p.state) {
    case 30: p.vx = 10.0f * f; break;
    case 31: p.vx = 10.0f * h; break;
    case 32: case 33: p.vx = -12.0f * f + 4.0f * h; break;
    case 34: p.vx = -2.0f * f + 6.0f * h; break;
    case 40: case 41: case 103: case 201: case 202: case 203: case 204: case 211: case 212: case 213:
    case 214: case 220: case 230: case 311: case 331: case 341: case 361: case 390: case 391:
      p.vx = Friction(p.vx);
      break;
    case 50: case 51: case 100: case 101: case 102: case 400: break;
    case 300: case 301: p.vx = f * t * 0.2f; break;
    case 302: case 320: p.vx = f * t * 0.1f; break;
    case 310: p.vx = f * t * 1.5f; break;
    case 321: case 330: p.vx = 3.0f * f + 3.0f * h; break;
    case 340: p.vx = 16.0f * f; break;
    case 342: p.vx = 4.0f * h + f * t * 0.1f + 10.0f * f; break;
    case 344: case 351: case 380: p.vx = -6.0f * f + 4.0f * h; break;
    case 370: case 381: p.vx = 6.0f * f + 4.0f * h; break;
    case 371: case 411: p.vx = -4.0f * f + 2.0f * h; break;
    case 500: p.vx = 3.0f * h; break;
    default: p.vx = 5.0f * h; break;
  }
}

void SetVerticalSpeed(const PlayerFrame& frame) {
  Character& p = Heroine();
  const float t = static_cast<float>(p.timer);
  switch (p.state) {
    case 30: case 310: p.vy = 0.0f; break;
    case 32: case 33: p.vy += 1.2f; break;
    case 34:
      // The spin rises while its timer runs; after that she falls, or she would hang in the air.
      if (p.timer > 0) {
        p.vy = -t * 0.2f;
      } else if (frame.airborne) {
        p.vy += 0.5f;
      }
      break;
    case 500: p.vy = -t * 0.2f; break;
    case 50: p.vy = 2.0f; break;
    case 320: p.vy = -t * 0.3f; break;
    case 340: p.vy = 16.0f; break;
    case 342: p.vy = (10.0f - t) * 0.05f; break;
    default:
      if (frame.airborne) p.vy += 0.5f;
  }
}

void SetFacing(const PlayerFrame& frame) {
  Character& p = Heroine();
  static constexpr int kAimWithBody[] = {50,  201, 202, 203, 204, 211, 212, 213, 214, 220, 230, 300, 301, 302,
                                         310, 311, 320, 321, 330, 331, 340, 341, 342, 344, 350, 351, 360, 361,
                                         370, 371, 380, 381, 390, 391, 400, 410, 411, 500};
  static constexpr int kFacingKept[] = {30,  32,  33,  34,  50,  100, 101, 102, 103, 201, 202, 203, 204, 211,
                                        212, 213, 214, 220, 230, 300, 301, 302, 310, 311, 320, 321, 330, 331,
                                        340, 341, 342, 344, 350, 351, 360, 361, 370, 371, 380, 381, 390, 391,
                                        400, 410, 411, 500};
  if (StateIn(p.state, kAimWithBody)) {
    g_battle.AimFacing = p.facing;
  } else if (frame.h != 0 && (!KeyPressed(kKeyShoot) || g_battle.ToolWeaponState == 2)) {
    g_battle.AimFacing = frame.h;
  }
  if (StateIn(p.state, kFacingKept)) return;
  p.facing = frame.h != 0 && !frame.airborne ? frame.h : g_battle.AimFacing;
}

void RunWallCling(const PlayerFrame& frame) {
  Character& p = Heroine();
  if (!frame.airborne || p.vx == 0.0f || frame.h != SignFloat(p.vx) || p.vy <= -8.0f) return;
  if (CanStartMove(50) != 1 || TileKindAt(p.x + p.vx, p.y) <= 0) return;
  g_battle.AirBoostsLeft = g_battle.AirBoostLevel;
  p.facing = -frame.h;
  p.vx = 0.0f;
  p.vy = 0.0f;
  p.state = 50;
  g_battle.GunOut = 0;
  g_battle.AimFacing = p.facing;
  PlaySoundEffect(kSoundLand);
  for (int i = 0; i < 5; ++i) SpawnEffect(0, p.x, p.y + Random(80) - 40.0f, 1.0f, 0.0f, 0);
}

void ChooseFreeMotion(const PlayerFrame& frame) {
  Character& p = Heroine();
  if (g_battle.GunOut != 0) {
    if (frame.airborne) {
      ChooseAimPose(74, 78, 360, 361);
    } else if (p.vx == 0.0f) {
      ChooseAimPose(54, 60, 358, 359);
    } else if (p.facing == g_battle.AimFacing) {
      KeepMotionInRange(kPlayerSlot, 61, 68);
    } else {
      KeepMotionInRange(kPlayerSlot, 79, 86);
    }
    return;
  }
  if (frame.airborne) {
    if (p.vy < 0.0f) {
      KeepMotionInRange(kPlayerSlot, 41, 47);
    } else {
      KeepMotionInRange(kPlayerSlot, 48, 53);
    }
  } else if (p.vx == 0.0f) {
    if (p.motion > 7) p.motion = 0;
  } else {
    KeepMotionInRange(kPlayerSlot, 8, 27);
  }
}

void ChooseMotion(const PlayerFrame& frame) {
  Character& p = Heroine();
  if (ChooseWeaponStateMotion()) return;
  const bool gun = g_battle.GunOut != 0;
  auto range = [](int first, int last) { KeepMotionInRange(kPlayerSlot, first, last); };
  switch (p.state) {
    case 30:
      if (!gun) {
        range(28, 34);
      } else if (p.facing == g_battle.AimFacing) {
        range(69, 73);
      } else {
        range(87, 91);
      }
      break;
    case 32: range(325, 331); break;
    case 33: range(332, 337); break;
    case 34: range(338, 357); break;
    case 40: case 41: case 311: case 331:
      if (gun) {
        ChooseAimPose(54, 60, 358, 359);
      } else {
        range(36, 40);
      }
      break;
    case 50: p.motion = gun ? 290 : 289; break;
    case 60: range(260, 267); break;
    case 61: range(268, 280); break;
    case 100: case 102: range(204, 212); break;
    case 101: case 103: range(232, 232); break;
    case 300: range(92, 100); break;
    case 301: range(101, 108); break;
    case 302: case 310: case 230: range(109, 114); break;
    case 320: range(123, 129); break;
    case 321: range(130, 137); break;
    case 330: case 370: range(138, 159); break;
    case 340: case 341: range(291, 300); break;
    case 342: range(301, 309); break;
    case 344: case 351: range(310, 324); break;
    default: ChooseFreeMotion(frame); break;
  }
}

void RunMovingDust(const PlayerFrame& frame) {
  const Character& p = Heroine();
  static constexpr int kDustSteps[] = {12, 24, 65, 83};
  static constexpr int kDustStates[] = {30, 40, 220, 230, 300, 301, 302, 310, 341, 360, 361};
  bool dust = false;
  if (p.state == 10) {
    dust = p.vx != 0.0f && StateIn(p.motion, kDustSteps);
  } else if (StateIn(p.state, kDustStates)) {
    dust = !frame.airborne && p.vx != 0.0f && p.timer % 4 == 1;
  }
  if (dust) SpawnEffect(0, p.x, p.y + p.halfHeight, 1.0f, 0.0f, 0);
}

void StopAtEnemies() {
  Character& p = Heroine();
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& enemy = CharacterTable[slot];
    if (enemy.state == 0 || enemy.type != kTypeEnemy) continue;
    if (CharactersOverlap(kPlayerSlot, slot) && SignFloat(enemy.x - p.x) == SignFloat(p.vx)) p.vx = 0.0f;
  }
}

}  // namespace

void ChooseAimPose(int first, int last, int up, int down) {
  const float aim = AbsFloat(g_battle.AimAngle);
  if (aim > 0.8f * kPi) {
    CharacterTable[kPlayerSlot].motion = up;
  } else if (aim < 0.2f * kPi) {
    CharacterTable[kPlayerSlot].motion = down;
  } else {
    KeepMotionInRange(kPlayerSlot, first, last);
  }
}

void UpdatePlayerOnFoot(int slot, int mode) {
  (void)slot;
  Character& p = Heroine();
  if (mode == 1 || mode == 3 || p.state == kInactiveState) return;
  AdvanceMotion(kPlayerSlot, kMotionHeroine);
  PlayerFrame frame{};
  frame.h = KeyBindings[kKeyRight].pressed - KeyBindings[kKeyLeft].pressed;
  frame.v = KeyBindings[kKeyDown].pressed - KeyBindings[kKeyUp].pressed;
  frame.ground = GroundBelow(kPlayerSlot);
  frame.airborne = p.y + p.halfHeight < frame.ground;
  p.extra = StepToward(p.extra, 0, 1);
  if (p.state >= 100 && p.state <= 103) p.extra = 60;
  if (p.hp <= 0.0f) g_battle.HitStopRequest = 1;
  ReleaseVanishedHold();
  RunSpecialAttack();
  RunJumpSkills(frame);
  RunMelee(frame);
  RunWeaponBookkeeping(frame);
  RunAim(frame);
  RunWeaponSwitch();
  RunLanding(frame);
  RunJump(frame);
  RunDash(frame);
  RunStateTimers(frame);
  SetHorizontalSpeed(frame);
  SetVerticalSpeed(frame);
  SetFacing(frame);
  RunHeldEnemy(frame);
  RunWallCling(frame);
  ChooseMotion(frame);
  RunMovingDust(frame);
  StopAtEnemies();
  StopAtWalls(kPlayerSlot);
  if (mode == 0) ProbeHazardTiles(kPlayerSlot);
  p.x += p.vx;
  p.y += p.vy;
}

}  // namespace horundel
