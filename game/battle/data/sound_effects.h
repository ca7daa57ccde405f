#pragma once
// The battle's sound effects by number (the order of the sound effect table) and the one way the
// battle plays them: halted, then started again from the top without waiting, so a repeated sound
// restarts instead of overlapping.
namespace horundel {

enum SoundEffect {
  kSoundBoost = 0,
  kSoundBreak,
  kSoundLand,
  kSoundJump,
  kSoundGun,
  kSoundGun2,
  kSoundGun3,
  kSoundHit,
  kSoundHit2,
  kSoundHit3,
  kSoundSwing,
  kSoundBlade,
  kSoundDown,
  kSoundBomb,
  kSoundBomb2,
  kSoundBomb3,
  kSoundBomb4,
  kSoundShootDown,
  kSoundGuard,
  kSoundWeapon,
  kSoundWeapon2,
  kSoundWeapon3,
  kSoundDamage,
  kSoundItem,
  kSoundItem2,
  kSoundCursor1,
  kSoundCursor2,
  kSoundCursor3,
  kSoundWarning,
  kSoundWarning2,
  kSoundAirplain,
  kSoundLaser,
};

void PlaySoundEffect(int number);

}  // namespace horundel
