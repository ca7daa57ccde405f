// The machines the heroine rides: the cannon, the tank, and the hover and helicopter, which have
// no weapons of their own.
#include "game/battle/world/attack_spawning.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/actors/player_frame.h"
#include "game/battle/actors/player_update.h"
#include "game/battle/data/sound_effects.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

constexpr float kMachineGravity = 0.3f;

Character& Rider() { return CharacterTable[kPlayerSlot]; }

int KeysH() { return KeyBindings[kKeyRight].pressed - KeyBindings[kKeyLeft].pressed; }

bool BailOutPressed() {
  return (KeyPressed(kKeyMelee) && KeyPressed(kKeyShoot) && GameSettings.twoButtonSpecial == 0) ||
         KeyPressed(kKeySpecial);
}

void AimMachine() {
  float& aim = g_battle.AimAngle;
  if (SignFloat(aim) != SignInt(g_battle.AimFacing) && aim != 0.0f && aim != kPi && aim != -kPi) {
    aim = static_cast<float>(g_battle.AimFacing) * kHalfPi;
  }
  const float folded = static_cast<float>(g_battle.AimFacing) * AbsFloat(AimAngleFromKeys());
  if (KeyPressed(kKeyShoot) || KeyPressed(kKeyMelee)) {
    if (KeysH() != 0 || KeyBindings[kKeyUp].pressed != KeyBindings[kKeyDown].pressed) {
      aim = StepTowardF(aim, folded, 0.01f * kPi);
    }
  } else {
    aim = folded;
  }
}

void StepInvulnerability(Character& rider) {
  if (rider.state == 100) rider.extra = 60;
  rider.extra = StepToward(rider.extra, 0, 1);
}

void LeaveIfWrecked() {
  const Character& rider = Rider();
  if (g_battle.MachineHp > 0.0f) return;
  SpawnEffect(220, rider.x, rider.y, 2.0f, kPi, 0);
  PlaySoundEffect(kSoundBomb4);
  LeaveMachine();
}

void FireMachineGun(bool allowed) {
  g_battle.MachineGunCountdown = StepToward(g_battle.MachineGunCountdown, 0, 1);
  if (allowed && KeyPressed(kKeyShoot) && g_battle.MachineGunCountdown == 0) {
    FirePlayerAttack(90);
    g_battle.MachineGunCountdown = 4;
  }
}

void MoveRider() {
  Character& rider = Rider();
  StopAtWalls(kPlayerSlot);
  rider.x += rider.vx;
  rider.y += rider.vy;
}

}  // namespace

void LeaveMachine() {
  Character& rider = Rider();
  rider.kind = 0;
  rider.state = 34;
  rider.timer = 60;
  rider.extra = 180;
  rider.halfWidth = 40.0f;
  rider.halfHeight = 40.0f;
  g_battle.GunOut = 0;
  g_battle.ToolWeaponState = 1;
}

void UpdatePlayer(int slot, int mode) {
  switch (CharacterTable[kPlayerSlot].kind) {
    case 0: UpdatePlayerOnFoot(slot, mode); break;
    case 1: UpdateCannonMachine(slot, mode); break;
    case 10: UpdateTankMachine(slot, mode); break;
    case 20:
    case 30: UpdateFlyingMachine(slot, mode); break;
    default: break;
  }
}

void UpdateCannonMachine(int slot, int mode) {
  (void)slot;
  (void)mode;
  Character& rider = Rider();
  AdvanceMotion(kPlayerSlot, kMotionHeroine);
  const int h = KeysH();
  const float ground = GroundBelow(kPlayerSlot);
  StepInvulnerability(rider);
  g_battle.GunOut = 1;
  WeaponSlotRecord& gun = g_battle.WeaponSlot[kMachineWeaponSlot];
  gun.countdown = StepToward(gun.countdown, 0, 1);
  if (KeyPressed(kKeyMelee) && gun.countdown == 0) {
    gun.countdown = 10;
    if (gun.ammunition < 1) {
      PlaySoundEffect(kSoundWeapon);
    } else {
      FirePlayerAttack(50);
      gun.ammunition = StepToward(gun.ammunition, 0, 1);
    }
  }
  FireMachineGun(true);
  if (BailOutPressed()) {
    FirePlayerAttack(800);
    LeaveMachine();
    return;
  }
  AimMachine();
  rider.state = 10;
  if (h != 0 && !KeyPressed(kKeyShoot)) {
    rider.facing = h;
    g_battle.AimFacing = h;
  }
  rider.vx = 0.0f;
  if (ground <= rider.y + rider.halfHeight) {
    rider.vy = 0.0f;
    rider.y = ground - rider.halfHeight;
  } else {
    rider.vy += kMachineGravity;
  }
  rider.motion = 54;
  MoveRider();
  LeaveIfWrecked();
}

void UpdateTankMachine(int slot, int mode) {
  (void)slot;
  (void)mode;
  Character& rider = Rider();
  const int h = KeysH();
  const float ground = GroundBelow(kPlayerSlot);
  bool airborne = rider.y + rider.halfHeight < ground;
  StepInvulnerability(rider);
  g_battle.GunOut = 1;
  const bool readyToFire = rider.state == 10 || rider.state == 30 || rider.state == 31;
  WeaponSlotRecord& gun = g_battle.WeaponSlot[kMachineWeaponSlot];
  gun.countdown = StepToward(gun.countdown, 0, 1);
  if (KeyPressed(kKeyMelee) && gun.countdown == 0 && readyToFire) {
    if (gun.ammunition < 1) {
      gun.countdown = 10;
      PlaySoundEffect(kSoundWeapon);
    } else {
      FirePlayerAttack(900);
      gun.countdown = 40;
      gun.ammunition = StepToward(gun.ammunition, 0, 1);
      rider.state = 200;
      rider.timer = 40;
      rider.vx = static_cast<float>(-12 * rider.facing);
    }
  }
  FireMachineGun(rider.state == 10 || rider.state == 30 || rider.state == 31);
  if (BailOutPressed()) {
    FirePlayerAttack(810);
    LeaveMachine();
    return;
  }
  AimMachine();
  bool jumped = false;
  if (FreshPress(kKeyJump) && (rider.state == 10 || rider.state == 30) && !airborne) {
    ConsumeKey(kKeyJump);
    airborne = true;
    jumped = true;
    rider.vy = -12.0f;
    if (rider.state == 30) rider.state = 31;
    SpawnEffect(kEffectStreak, rider.x, rider.y, 1.5f, kPi - static_cast<float>(h) * 0.25f * kPi, 0);
    PlaySoundEffect(kSoundJump);
  }
  if (FreshPress(kKeyDash) && rider.state == 10 && !airborne && !jumped) {
    ConsumeKey(kKeyDash);
    rider.state = 30;
    rider.timer = 60;
    rider.vy = 0.0f;
    if (h != 0) rider.facing = h;
    SpawnEffect(kEffectStreak, rider.x, rider.y, 1.5f, kPi - static_cast<float>(rider.facing) * 0.5f * kPi, 0);
    PlaySoundEffect(kSoundBoost);
  }
  rider.timer = StepToward(rider.timer, 0, 1);
  if (rider.state == 30 && !KeyPressed(kKeyDash)) rider.state = 10;
  if (rider.state == 31 && !airborne) rider.state = 10;
  if ((rider.state == 70 || rider.state == 100 || rider.state == 200) && rider.timer == 0) rider.state = 10;
  switch (rider.state) {
    case 70: rider.vx = 0.0f; break;
    case 10: rider.vx = 5.0f * static_cast<float>(h); break;
    case 30: rider.vx = 10.0f * static_cast<float>(rider.facing); break;
    case 31: rider.vx = 10.0f * static_cast<float>(h); break;
    case 100:
    case 200: rider.vx = StepTowardF(rider.vx, 0.0f, 0.5f); break;
    default: break;
  }
  if (airborne) {
    rider.vy += kMachineGravity;
  } else {
    rider.vy = 0.0f;
    rider.y = ground - rider.halfHeight;
  }
  if ((rider.state == 10 || rider.state == 31) && h != 0 && !KeyPressed(kKeyShoot)) {
    rider.facing = h;
    g_battle.AimFacing = h;
  }
  AdvanceMotion(kPlayerSlot, kMotionTank);
  switch (rider.state) {
    case 70: KeepMotionInRange(kPlayerSlot, 36, 41); break;
    case 100: KeepMotionInRange(kPlayerSlot, 42, 49); break;
    case 200: KeepMotionInRange(kPlayerSlot, 7, 27); break;
    default:
      if (rider.vx == 0.0f) {
        rider.motion = 0;
      } else if (SignFloat(rider.vx) == rider.facing) {
        KeepMotionInRange(kPlayerSlot, 1, 3);
      } else {
        KeepMotionInRange(kPlayerSlot, 4, 6);
      }
  }
  MoveRider();
  LeaveIfWrecked();
}

void UpdateFlyingMachine(int slot, int mode) {
  (void)slot;
  (void)mode;
  Character& rider = Rider();
  const float ground = GroundBelow(kPlayerSlot);
  StepInvulnerability(rider);
  if (BailOutPressed()) {
    ConsumeKey(kKeyMelee);
    ConsumeKey(kKeyShoot);
    LeaveMachine();
    return;
  }
  const int h = KeysH();
  if (h != 0) {
    rider.facing = h;
    g_battle.AimFacing = h;
  }
  rider.vx = 5.0f * static_cast<float>(h);
  if (rider.y + rider.halfHeight < ground) {
    rider.vy += kMachineGravity;
  } else if (rider.vy > 0.0f) {
    rider.vy = 0.0f;
    rider.y = ground - rider.halfHeight;
  }
  MoveRider();
  LeaveIfWrecked();
}

}  // namespace horundel
