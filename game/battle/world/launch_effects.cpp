#include <zelvo/zelvo.h>

#include <initializer_list>

#include "game/battle/world/attack_spawning.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/sound_effects.h"

namespace horundel {

namespace {

struct LaunchSound {
  int sound;
  std::initializer_list<int> kinds;
};

int LaunchSoundOf(int kind) {
  static const LaunchSound kSounds[] = {
      {kSoundGun, {0, 20, 60}},
      {kSoundGun2, {10, 50, 90, 100, 170}},
      {kSoundGun3, {70, 120, 900}},
      {kSoundHit3, {81}},
      {kSoundLaser, {110, 140}},
      {kSoundBomb, {30, 40, 80, 130, 150, 160, 180, 531, 700, 704, 710, 711}},
      {kSoundBomb3, {420}},
      {kSoundBomb4, {161, 171, 400, 410, 411, 440, 731}},
      {kSoundBlade, {500, 501, 502, 510, 520, 530, 550}},
      {kSoundBreak, {541}},
      {kSoundBoost, {540, 542}},
      {kSoundSwing, {720}},
      {kSoundWeapon, {740}},
  };
  for (const LaunchSound& row : kSounds) {
    if (IsOneOf(kind, row.kinds)) return row.sound;
  }
  return -1;
}

}  // namespace

void PlayLaunchEffects(int slot) {
  // A copy: the effects below may take slots and must not move what they read.
  const Character attack = CharacterTable[slot];
  const int kind = attack.kind;
  const float facing = static_cast<float>(attack.facing);
  const float behindX = attack.x - 2.0f * attack.vx;
  const float behindY = attack.y - 2.0f * attack.vy;
  const float flashAngle = -facing * 0.75f * kPi;
  if (IsOneOf(kind, {0, 20, 60})) SpawnEffect(40, behindX, behindY, 0.5f, flashAngle, 0);
  if (IsOneOf(kind, {10, 90})) SpawnEffect(40, behindX, behindY, 0.8f, flashAngle, 0);
  if (IsOneOf(kind, {50, 70, 100, 120})) SpawnEffect(40, attack.x - facing * 80.0f, attack.y, 1.0f, flashAngle, 0);

  if (IsOneOf(kind, {90, 100, 120})) SpawnEffect(30, attack.x, attack.y, 2.0f, 0.0f, 0);
  if (IsOneOf(kind, {0, 20, 60})) SpawnEffect(30, attack.x, attack.y, 1.0f, 0.0f, 0);

  if (kind == 542) SpawnEffect(kEffectStreak, attack.x, attack.y, 1.5f, facing * 0.75f * kPi, 0);
  if (kind == 502 || kind == 541) SpawnEffect(kEffectStreak, attack.x, attack.y, 1.5f, kPi - facing * 0.5f * kPi, 0);
  if (kind == 540) SpawnEffect(kEffectStreak, attack.x, attack.y, 1.5f, facing * 0.25f * kPi, 0);
  if (IsOneOf(kind, {10, 30, 40, 50, 70, 80, 81, 100, 120, 130, 150, 160, 170, 700, 704, 711})) {
    SpawnEffect(kEffectStreak, attack.x, attack.y, 1.5f, attack.angle, 0);
  }
  if (kind == 731) {
    SpawnEffect(kEffectBigStreak, attack.x, attack.y, 2.0f, attack.angle, 0);
    g_battle.ScreenShake = 20;
  }

  if (IsOneOf(kind, {510, 520, 530, 710, 711})) {
    SpawnEffect(kEffectTrail, attack.x, attack.y, 2.0f, kPi - facing * 0.5f * kPi, 0);
  }

  if (kind == 400) SpawnEffect(211, attack.x, attack.y, 0.8f, attack.angle, 0);
  if (IsOneOf(kind, {160, 170, 410, 411, 531, 900})) SpawnEffect(221, attack.x, attack.y, 1.6f, attack.angle, 0);
  if (kind == kHazardExplodingCell) {
    SpawnEffect(221, attack.x, attack.y, 2.4f, attack.angle + kPi, 0);
    SpawnEffect(kEffectBlast, attack.x, attack.y, 4.0f, attack.angle, 0);
  }

  if (IsOneOf(kind, {110, 140, 440})) {
    SpawnEffect(70, attack.x, attack.y, 4.0f, static_cast<float>(RandomUpTo(20)) * 0.1f * kPi, 0);
  }

  if (kind == kHazardExplodingCell) {
    g_battle.ScreenShake = 30;
    g_battle.ScreenFlash[2].timer = 30;
    g_battle.ScreenFlash[2].alpha = 120;
  }

  const int sound = LaunchSoundOf(kind);
  if (sound >= 0) PlaySoundEffect(sound);
}

}  // namespace horundel
