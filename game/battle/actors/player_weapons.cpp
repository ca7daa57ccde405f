// The weapon steps of the heroine's frame: the special attack, shooting and the tool-weapon,
// aiming, switching, the gun states and the throws of a captured enemy.
#include <cmath>

#include "game/battle/world/attack_spawning.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/actors/player_frame.h"
#include "game/battle/world/player_moves.h"
#include "game/battle/data/sound_effects.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

enum AimMode { kAimKeys, kAimLevel, kAimTurning, kAimTurningWhileFiring, kAimLockOn, kAimHorizontal, kAimUnchanged };
enum ShotReaction { kReactStand, kReactRecoil, kReactBrace, kReactKick, kReactSteer, kReactNone };

struct WeaponHandling {
  int aim;
  int reaction;
};

constexpr WeaponHandling kWeaponHandling[kWeaponCount] = {
    {kAimKeys, kReactStand},          // tool-weapon (thrown, never shot)
    {kAimTurning, kReactStand},       // machine gun
    {kAimLevel, kReactStand},         // shotgun
    {kAimLockOn, kReactStand},        // assault rifle
    {kAimTurning, kReactStand},       // rocket launcher
    {kAimTurning, kReactStand},       // missile launcher
    {kAimTurning, kReactStand},       // grenade launcher
    {kAimLevel, kReactRecoil},        // pile bunker
    {kAimLevel, kReactRecoil},        // assault anchor
    {kAimTurningWhileFiring, kReactBrace},   // heavy machine gun
    {kAimTurning, kReactStand},       // bound grenade
    {kAimTurning, kReactStand},       // homing laser
    {kAimHorizontal, kReactKick},     // anti-tank rifle
    {kAimLevel, kReactSteer},         // wire-guided missile
    {kAimTurningWhileFiring, kReactStand},   // bound rifle
    {kAimTurningWhileFiring, kReactStand},   // reflect laser
    {kAimLevel, kReactNone},          // torpedo
    {kAimLevel, kReactNone},          // cluster bomb
    {kAimLevel, kReactNone},          // napalm
    {kAimLevel, kReactNone},          // floating mine
    {kAimUnchanged, kReactStand},     // rail cannon
    {kAimUnchanged, kReactStand},     // 120 mm gun
    {kAimUnchanged, kReactStand},     // atomic cannon
};

Character& Heroine() { return CharacterTable[kPlayerSlot]; }

WeaponSlotRecord& CurrentSlot() { return g_battle.WeaponSlot[g_battle.CurrentWeaponSlot]; }

int CurrentWeapon() {
  const int weapon = CurrentSlot().weapon;
  return weapon >= 0 && weapon < kWeaponCount ? weapon : 0;
}

// The heroine is thrown back against the aim.
void ThrowBack(float speed) {
  Character& p = Heroine();
  p.vx = -speed * std::sin(g_battle.AimAngle);
  p.vy = -speed * std::cos(g_battle.AimAngle);
}

void ThrowBackOutOfState(float speed) {
  Character& p = Heroine();
  ThrowBack(speed);
  if (p.state == 50) p.vx = -p.vx;
  p.state = 220;
  p.timer = 20;
}

bool TickTimer(Character& c) {
  c.timer = StepToward(c.timer, 0, 1);
  return c.timer == 0;
}

int HeldSlot() { return g_battle.HeldEnemySlot; }

bool HeldEnemyLive() {
  const int slot = HeldSlot();
  return slot >= kFirstObjectSlot && slot <= kLastObjectSlot && CharacterTable[slot].state != 0 &&
         CharacterTable[slot].type == kTypeEnemy;
}

constexpr int kHoldStates[] = {230, 360, 370, 380, 390, 410};

void ShootWithGun(int gate, const PlayerFrame& frame) {
  Character& p = Heroine();
  WeaponSlotRecord& slot = CurrentSlot();
  const WeaponRecord& record = WeaponRecords[CurrentWeapon()];
  KeyBinding& shoot = KeyBindings[kKeyShoot];
  if (slot.ammunition == 0 && shoot.latched == 0) {
    ConsumeKey(kKeyShoot);
    FirePlayerAttack(720);
    RemoveWeapon(g_battle.CurrentWeaponSlot);
    ThrowBackOutOfState(10.0f);
    return;
  }
  if (slot.ammunition == 0) {
    shoot.latched = 1;
    slot.countdown = ClampInt(12, record.reload, 20);
    PlaySoundEffect(kSoundWeapon);
    return;
  }
  if (slot.ammunition < 0 || shoot.latched != 0) return;
  FirePlayerAttack(record.attackKind);
  slot.countdown = record.reload;
  --slot.ammunition;
  if (slot.ammunition == 0) shoot.latched = 1;
  if (gate == 2) p.state = 10;
  if (gate == 3) {
    p.state = 34;
    p.timer = 30;
  }
  const int reaction = kWeaponHandling[CurrentWeapon()].reaction;
  if (reaction == kReactNone) return;
  if (reaction == kReactStand) {
    if (p.vx == 0.0f && !frame.airborne) {
      p.state = 200;
      p.timer = 20;
      p.motion = 213;
    }
    return;
  }
  if (p.state == 50) return;
  switch (reaction) {
    case kReactRecoil:
      p.state = 201;
      p.timer = 10;
      ThrowBack(12.0f);
      break;
    case kReactBrace:
      p.state = 202;
      p.timer = 6;
      p.motion = 216;
      break;
    case kReactKick:
      p.state = 203;
      p.timer = 10;
      break;
    case kReactSteer:
      p.state = 204;
      break;
    default:
      break;
  }
}

void ChargeToolWeapon() {
  const Character& p = Heroine();
  WeaponSlotRecord& tool = g_battle.WeaponSlot[0];
  if (g_battle.ToolWeaponState == 1 && CanStartMove(200) != 0) g_battle.ToolWeaponState = 2;
  if (g_battle.ToolWeaponState != 2) return;
  if (tool.countdown % 5 == 0) PlaySoundEffect(kSoundSwing);
  ++tool.countdown;
  if (tool.countdown == 40 && SkillOwned(6)) {
    SpawnEffect(kEffectTrail, p.x, p.y, 2.0f, 0.0f, 0);
    PlaySoundEffect(kSoundGuard);
  }
}

// Puts the held enemy at an offset from the heroine.
void PlaceHeld(float x, float y) {
  Character& e = CharacterTable[HeldSlot()];
  e.x = x;
  e.y = y;
}

void HoldFast() {
  Character& e = CharacterTable[HeldSlot()];
  e.state = 231;
  e.timer = 10;
}

// Lets the held enemy fly: it becomes a thrown body with the given damage taken.
void Release(float damage, float vx, float vy) {
  const Character& p = Heroine();
  Character& e = CharacterTable[HeldSlot()];
  e.state = 232;
  e.timer = 300;
  e.hp -= damage;
  e.x = p.x;
  e.y = p.y - e.halfHeight;
  e.vx = vx;
  e.vy = vy;
}

bool HeldTouchesEdge() {
  const Character& e = CharacterTable[HeldSlot()];
  const float xs[] = {e.x + e.halfWidth, e.x - e.halfWidth, e.x + e.halfWidth, e.x - e.halfWidth};
  const float ys[] = {e.y + e.halfHeight, e.y + e.halfHeight, e.y - e.halfHeight, e.y - e.halfHeight};
  for (int i = 0; i < 4; ++i) {
    if (TileKindAt(xs[i], ys[i]) == kOutsideTileKind) return true;
  }
  return false;
}

void StartThrowFromHold(const PlayerFrame& frame) {
  Character& p = Heroine();
  const int f = p.facing;
  if (KeyPressed(kKeyJump)) {
    p.state = 410;
    p.timer = 20;
    p.vy = -20.0f;
    PlaySoundEffect(kSoundBomb);
    FirePlayerAttack(730);
  } else if (frame.h != 0 && frame.h == f) {
    p.state = 370;
    p.timer = f * 20;
    p.vy = -8.0f;
    PlaySoundEffect(kSoundBomb);
    FirePlayerAttack(730);
  } else if (frame.h != 0 && frame.h == -f) {
    p.state = 380;
    p.timer = -f * 20;
    p.vy = -8.0f;
    PlaySoundEffect(kSoundBomb);
    FirePlayerAttack(730);
  } else if (frame.v == -1) {
    p.state = 390;
    p.timer = 40;
    PlaySoundEffect(kSoundBomb);
  } else if (frame.v == 1) {
    p.state = 400;
    p.vx = static_cast<float>(-f) * 3.0f;
    p.vy = -16.0f;
    PlaceHeld(p.x, p.y);
    FirePlayerAttack(740);
  } else {
    p.state = 360;
    p.timer = 80;
    FirePlayerAttack(730);
  }
}

}  // namespace

void ReleaseVanishedHold() {
  Character& p = Heroine();
  if (!StateIn(p.state, kHoldStates)) return;
  if (HeldEnemyLive()) return;
  g_battle.HeldEnemySlot = 0;
  p.state = 10;
  p.timer = 0;
}

void RunSpecialAttack() {
  Character& p = Heroine();
  const bool pair = KeyPressed(kKeyMelee) && KeyPressed(kKeyShoot) && GameSettings.twoButtonSpecial == 0;
  if (!pair && !KeyPressed(kKeySpecial)) return;
  ConsumeKey(kKeyMelee);
  ConsumeKey(kKeyShoot);
  g_battle.GunOut = 1;
  g_battle.ToolWeaponState = 1;
  const bool armed = g_battle.CurrentWeaponSlot != 0 || g_battle.WeaponSlot[0].ammunition != 0;
  if (armed && p.extra < 1 && p.state != 500) {
    FirePlayerAttack(710);
    p.state = 500;
    p.timer = 40;
  }
}

void RunWeaponBookkeeping(const PlayerFrame& frame) {
  g_battle.WeaponSlot[0].used = 1;
  g_battle.WeaponSlot[0].weapon = 0;
  if (g_battle.CurrentWeaponSlot == 0) {
    g_battle.GunOut = 0;
  } else {
    g_battle.ToolWeaponState = 1;
    g_battle.WeaponSlot[0].countdown = 0;
  }
  for (int s = 1; s <= g_battle.WeaponSlotCount && s <= kLastCarriedSlot; ++s) {
    g_battle.WeaponSlot[s].countdown = StepToward(g_battle.WeaponSlot[s].countdown, 0, 1);
  }
  if (!KeyPressed(kKeyShoot) && g_battle.ToolWeaponState == 2) {
    g_battle.ToolWeaponState = 0;
    const int charge = g_battle.WeaponSlot[0].countdown;
    ThrowBackOutOfState(10.0f);
    FirePlayerAttack(charge >= 40 && SkillOwned(6) ? 704 : 700);
    g_battle.WeaponSlot[0].countdown = 0;
  }
  if (!KeyPressed(kKeyShoot)) return;
  if (g_battle.CurrentWeaponSlot == 0) {
    ChargeToolWeapon();
    return;
  }
  g_battle.GunOut = 1;
  const int gate = CanStartMove(200);
  if (gate != 0 && CurrentSlot().countdown < 1) ShootWithGun(gate, frame);
}

void RunAim(const PlayerFrame& frame) {
  const Character& p = Heroine();
  float& aim = g_battle.AimAngle;
  if (p.state == 34) {
    if (g_battle.CurrentWeaponSlot == 0) {
      aim = AimAngleFromKeys();
    } else {
      WeaponSlotRecord& slot = CurrentSlot();
      aim = static_cast<float>(slot.ammunition % 10 - 5) * 0.2f * kPi;
      slot.countdown = StepToward(slot.countdown, 0, 1);
    }
    return;
  }
  if (p.state == 500) {
    aim = frame.h == 0 && frame.v == 0 ? 0.0f : AimAngleFromKeys();
    return;
  }
  const float folded = static_cast<float>(g_battle.AimFacing) * AbsFloat(AimAngleFromKeys());
  const int mode = kWeaponHandling[CurrentWeapon()].aim;
  auto turnToAimSide = [&aim]() {
    if (SignFloat(aim) != SignInt(g_battle.AimFacing) && aim != 0.0f && aim != kPi && aim != -kPi) {
      aim = static_cast<float>(g_battle.AimFacing) * kHalfPi;
    }
  };
  switch (mode) {
    case kAimKeys: aim = AimAngleFromKeys(); break;
    case kAimLevel: aim = folded; break;
    case kAimTurning:
      turnToAimSide();
      aim = StepTowardF(aim, folded, 0.03f * kPi);
      break;
    case kAimTurningWhileFiring:
      turnToAimSide();
      if (!KeyPressed(kKeyShoot)) {
        aim = folded;
      } else if (frame.h != 0 || frame.v != 0) {
        aim = StepTowardF(aim, folded, 0.01f * kPi);
      }
      break;
    case kAimLockOn: {
      const int target = FindAimTarget(1, 1, static_cast<float>(g_battle.AimFacing) * 0.5f * kPi, 800.0f, 800.0f);
      aim = target >= 1 ? AngleTo(1, target) : folded;
      break;
    }
    case kAimHorizontal: aim = static_cast<float>(g_battle.AimFacing) * 0.5f * kPi; break;
    default: break;
  }
}

void RunWeaponSwitch() {
  if (Heroine().state == 500) return;
  if (FreshPress(kKeyNextWeapon)) {
    ConsumeKey(kKeyNextWeapon);
    g_battle.CurrentWeaponSlot = g_shell.StepWeaponSlot(g_battle.CurrentWeaponSlot, 1);
    g_battle.WeaponSlotSlide = 0.0f;
    PlaySoundEffect(kSoundWeapon);
  }
  if (FreshPress(kKeyPreviousWeapon)) {
    ConsumeKey(kKeyPreviousWeapon);
    g_battle.CurrentWeaponSlot = g_shell.StepWeaponSlot(g_battle.CurrentWeaponSlot, -1);
    g_battle.WeaponSlotSlide = 50.0f;
    PlaySoundEffect(kSoundWeapon);
  }
  if (KeyPressed(kKeyNextWeapon) && KeyPressed(kKeyPreviousWeapon)) {
    ConsumeKey(kKeyNextWeapon);
    ConsumeKey(kKeyPreviousWeapon);
    g_battle.CurrentWeaponSlot = 0;
  }
}

bool RunWeaponStateTimers(const PlayerFrame& frame) {
  Character& p = Heroine();
  switch (p.state) {
    case 200:
      TickTimer(p);
      if (frame.h != 0) {
        p.state = 10;
      } else if (p.timer == 0 && frame.v == 0) {
        p.state = 210;
        p.timer = 10;
        PlaySoundEffect(kSoundWeapon2);
      }
      return true;
    case 201:
    case 203:
      if (TickTimer(p)) {
        p.state = p.state == 201 ? 211 : 213;
        p.timer = 10;
        PlaySoundEffect(kSoundWeapon2);
      }
      return true;
    case 202: case 211: case 212: case 213: case 214: case 220: case 361: case 391:
      if (TickTimer(p)) p.state = 10;
      return true;
    case 204:
      if (!KeyPressed(kKeyShoot)) p.state = 10;
      return true;
    case 210:
      if (TickTimer(p) || frame.h != 0) p.state = 10;
      return true;
    case 230:
      if (TickTimer(p)) StartThrowFromHold(frame);
      return true;
    case 360:
      if (TickTimer(p)) {
        p.state = 361;
        p.timer = 30;
        p.vx = static_cast<float>(-16 * p.facing);
        Release(100.0f, static_cast<float>(12 * p.facing), -12.1f);
        PlaySoundEffect(kSoundBomb);
      }
      return true;
    case 370: case 380: case 410:
      p.timer = StepToward(p.timer, 0, 1);
      return true;
    case 390:
      if (TickTimer(p)) {
        p.state = 391;
        p.timer = 30;
        p.vx = static_cast<float>(-10 * p.facing);
        const float v = static_cast<float>(frame.v);
        Release(800.0f, static_cast<float>(p.facing) * (10.0f * v + 20.0f), 10.0f * v - 20.1f);
        PlaySoundEffect(kSoundGuard);
        FirePlayerAttack(730);
      }
      return true;
    case 500:
      if (TickTimer(p)) {
        FirePlayerAttack(711);
        RemoveWeapon(g_battle.CurrentWeaponSlot);
        g_battle.GunOut = 0;
        ThrowBack(10.0f);
        p.state = 220;
        p.timer = 20;
      }
      return true;
    default:
      return false;
  }
}

void RunHeldEnemy(const PlayerFrame& frame) {
  (void)frame;
  Character& p = Heroine();
  if (!StateIn(p.state, kHoldStates) || !HeldEnemyLive()) return;
  Character& e = CharacterTable[HeldSlot()];
  const float f = static_cast<float>(p.facing);
  const float t = static_cast<float>(p.timer);
  switch (p.state) {
    case 230:
      PlaceHeld(p.x + f * (e.halfWidth + 100.0f), p.y);
      break;
    case 360: {
      HoldFast();
      if (p.timer % 10 == 0) PlaySoundEffect(kSoundSwing);
      const float c = std::cos(t * 0.1f * kPi);
      const float side = p.motion < 255 ? 1.0f : -1.0f;
      PlaceHeld(p.x - f * c * 50.0f + side * f * (100.0f + e.halfWidth), p.y);
      break;
    }
    case 390:
      HoldFast();
      PlaceHeld(p.x + f * (e.halfWidth + 50.0f), p.y - std::sin(t * 0.025f * kPi) * (e.halfHeight + 100.0f));
      break;
    default: {
      HoldFast();
      float a;
      float rx;
      float ry;
      if (p.state == 370) {
        a = (f * 0.4f + t * 0.1f) * kPi;
        rx = 150.0f + e.halfWidth;
        ry = 150.0f + e.halfHeight;
      } else if (p.state == 380) {
        a = (f * 1.6f + t * 0.05f) * kPi;
        rx = 100.0f + e.halfWidth;
        ry = 100.0f + e.halfHeight;
      } else {
        a = -(f * t * 0.1f) * kPi;
        rx = 100.0f + e.halfWidth;
        ry = 150.0f + e.halfHeight;
      }
      PlaceHeld(p.x + rx * std::sin(a), p.y + ry * std::cos(a));
      if (p.timer == 0 && HeldTouchesEdge()) {
        p.state = p.state == 370 ? 371 : p.state == 380 ? 381 : 411;
        p.vy = -8.0f;
        e.state = 232;
        e.vx = 0.0f;
        e.vy = 0.0f;
        e.hp -= 800.0f;
        if (TileKindAt(e.x, e.y) > 0) PlaceHeld(p.x, p.y);
      }
      break;
    }
  }
}

bool ChooseWeaponStateMotion() {
  Character& p = Heroine();
  auto range = [](int first, int last) { KeepMotionInRange(kPlayerSlot, first, last); };
  switch (p.state) {
    case 200: case 201: ChooseAimPose(213, 218, 358, 359); return true;
    case 202: case 203: case 204: range(213, 218); return true;
    case 210: case 211: case 212: case 213: case 214: range(219, 227); return true;
    case 220: range(178, 185); return true;
    case 360: range(249, 259); return true;
    case 361: case 391: range(92, 100); return true;
    case 380: range(193, 203); return true;
    case 390: range(186, 192); return true;
    case 410:
      if (p.timer < 11) {
        range(160, 177);
      } else {
        range(123, 129);
      }
      return true;
    case 500: range(362, 369); return true;
    default: return false;
  }
}

}  // namespace horundel
