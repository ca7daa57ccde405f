#include "game/battle/world/effects.h"

#include <zelvo/zelvo.h>

#include <cmath>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

ParticleRingState ParticleRing;

namespace {

constexpr int kBlendNormal = 0;
constexpr int kBlendAdd = 2;
constexpr int kBlendSubtract = 3;

// The random draws of one particle follow the order its fields are listed in, so a seeded run
// repeats exactly.
float Random(int n) { return static_cast<float>(RandomUpTo(n)); }

Particle& WriteParticle(int kind, float x, float y, float scale) {
  Particle& particle = ParticleRing.records[ParticleRing.next];
  ParticleRing.next = WrapIncrement(ParticleRing.next, kLastParticleIndex);
  particle = Particle{};
  particle.kind = kind;
  particle.x = x;
  particle.y = y;
  particle.scale = scale;
  return particle;
}

// Smoke of a burst along a random direction t that is also the rotation. Lifted smoke draws its
// horizontal and vertical speed apart; the rest draws one speed, or none when the range is 0.
void WriteSmoke(int kind, int lifeBase, float x, float y, float scale, int spreadRange, int speedRange, float speedBase,
                float lift) {
  Particle& particle = WriteParticle(kind, x, y, scale);
  particle.life = lifeBase + RandomUpTo(10);
  const float t = (Random(spreadRange) - static_cast<float>(spreadRange / 2)) * 0.1f * kPi;
  particle.rotation = t;
  if (lift != 0.0f) {
    particle.vx = (Random(speedRange) + speedBase) * std::sin(t);
    particle.vy = (Random(speedRange) + speedBase) * std::cos(t) - lift;
  } else {
    const float speed = speedRange > 0 ? Random(speedRange) + speedBase : speedBase;
    particle.vx = speed * std::sin(t);
    particle.vy = speed * std::cos(t);
  }
}

// Debris thrown along the spawn angle, every random drawn apart for each component.
void WriteDebris(int kind, int lifeBase, float x, float y, float scale, float angle, int speedRange, float speedBase) {
  Particle& particle = WriteParticle(kind, x, y, scale);
  particle.life = lifeBase + RandomUpTo(10);
  particle.rotation = (Random(40) - 20.0f) * 0.1f * kPi;
  const float speedX = Random(speedRange) + speedBase;
  particle.vx = speedX * std::sin(angle + (Random(20) - 10.0f) * 0.05f);
  const float speedY = Random(speedRange) + speedBase;
  particle.vy = speedY * std::cos(angle + (Random(20) - 10.0f) * 0.05f);
}

void SpawnParticles(int kind, float x, float y, float scale, float angle) {
  switch (kind) {
    case 0: {
      Particle& p = WriteParticle(0, x, y, scale);
      p.life = 20 + RandomUpTo(5);
      p.vx = Random(10) - 5.0f;
      p.vy = -Random(5);
      p.rotation = Random(5) * kPi;
      break;
    }
    case 30: {
      Particle& p = WriteParticle(30, x, y, scale);
      p.life = 3 + RandomUpTo(5);
      p.rotation = Random(20) * 0.1f * kPi;
      break;
    }
    case 40: {
      Particle& p = WriteParticle(40, x, y, scale);
      p.life = 30;
      p.vx = Random(4) + 8.0f * std::sin(angle) - 2.0f;
      p.vy = Random(4) + 8.0f * std::cos(angle) - 2.0f;
      p.rotation = Random(5) * kPi;
      break;
    }
    case 50: {
      Particle& p = WriteParticle(50, x, y, scale);
      p.life = 30;
      p.vx = Random(4) - 2.0f;
      p.vy = Random(4) - 2.0f;
      p.rotation = Random(5) * kPi;
      break;
    }
    case 60:
    case 70:
    case 80:
    case 81: {
      Particle& p = WriteParticle(kind, x, y, scale);
      p.life = kind <= 70 ? 15 : 10;
      p.rotation = angle;
      break;
    }
    case 110: {
      Particle& p = WriteParticle(110, x, y, scale);
      p.life = 10;
      p.rotation = angle;
      p.vx = Random(4) + 8.0f * std::sin(angle);
      p.vy = Random(4) + 8.0f * std::cos(angle);
      break;
    }
    case 200:
      WriteSmoke(10, 30, x, y, scale, 20, 0, 6.0f, 0.0f);
      WriteSmoke(20, 20, x, y, scale, 20, 0, 4.0f, 0.0f);
      break;
    case 210:
      for (int i = 0; i < 4; ++i) WriteSmoke(10, 30, x, y, scale, 40, 2, 4.0f, 2.0f);
      for (int i = 0; i < 2; ++i) WriteSmoke(20, 20, x, y, scale, 40, 2, 3.0f, 0.0f);
      break;
    case 211:
      for (int i = 0; i < 4; ++i) WriteDebris(10, 30, x, y, scale, angle, 12, 6.0f);
      for (int i = 0; i < 2; ++i) WriteDebris(20, 20, x, y, scale, angle, 10, 3.0f);
      break;
    case 220:
      for (int i = 0; i < 6; ++i) WriteSmoke(10, 40, x, y, scale, 40, 3, 8.0f, 2.0f);
      for (int i = 0; i < 3; ++i) WriteSmoke(20, 30, x, y, scale, 40, 2, 4.0f, 0.0f);
      break;
    case 221:
      for (int i = 0; i < 6; ++i) WriteDebris(10, 40, x, y, scale, angle, 12, 8.0f);
      for (int i = 0; i < 3; ++i) WriteDebris(20, 30, x, y, scale, angle, 10, 4.0f);
      break;
    default:
      break;
  }
}

bool OwnerIsLiveEnemy(int owner) {
  if (owner < 1 || owner > kLastObjectSlot) return false;
  const Character& object = CharacterTable[owner];
  return object.state != 0 && object.type == kTypeEnemy;
}

void FreeSlot(int slot) { CharacterTable[slot].state = 0; }

int Alpha(int value, int limit) { return ClampInt(0, value, limit); }

// The positions of an owner-following effect: slots outside the table have none.
const Character* OwnerOf(const Character& effect) {
  if (effect.link < 1 || effect.link > kLastObjectSlot) return nullptr;
  const Character& owner = CharacterTable[effect.link];
  return owner.state != 0 ? &owner : nullptr;
}

}  // namespace

int IsParticleSpawnKind(int kind) {
  switch (kind) {
    case 0: case 30: case 40: case 50: case 60: case 70: case 80: case 81: case 110:
    case 200: case 210: case 211: case 220: case 221:
      return 1;
    default:
      return 0;
  }
}

int SpawnEffect(int kind, float x, float y, float param, float angle, int owner) {
  if (IsParticleSpawnKind(kind)) {
    SpawnParticles(kind, x, y, param, angle);
    return 0;
  }
  const int slot = FindFreeCharacter();
  if (slot == 0) {
    ScreenLogPrintf("Character Over by effect\n");
    return 0;
  }
  ClearCharacter(slot);
  Character& effect = CharacterTable[slot];
  effect.type = kTypeEffect;
  effect.kind = kind;
  effect.state = 10;
  effect.timer = 20;
  effect.angle = angle;
  effect.speed = param;
  effect.x = x;
  effect.y = y;
  effect.halfWidth = 100.0f;
  effect.halfHeight = 100.0f;
  // Owners that are not slots of the table lend nothing.
  const Character* ownerRecord = owner >= 0 && owner <= kLastObjectSlot ? &CharacterTable[owner] : nullptr;
  switch (kind) {
    case kEffectStreak:
      effect.timer = 16;
      effect.vx = -10.0f * std::sin(angle);
      effect.vy = -10.0f * std::cos(angle);
      effect.x -= 8.0f * effect.vx;
      effect.y -= 8.0f * effect.vy;
      break;
    case kEffectBigStreak:
      effect.timer = 40;
      effect.vx = -6.0f * std::sin(angle);
      effect.vy = -6.0f * std::cos(angle);
      effect.x -= 20.0f * effect.vx;
      effect.y -= 20.0f * effect.vy;
      break;
    case kEffectTrail:
      effect.timer = 30;
      effect.angle = (Random(20) - 10.0f) * 0.1f * kPi;
      break;
    case kEffectBlast:
      effect.timer = 60;
      effect.maxHp = 3.0f * param;
      break;
    case kEffectSurprise:
    case kEffectQuestion:
      effect.timer = 40;
      effect.link = owner;
      break;
    case kEffectFlee:
      effect.timer = 40;
      effect.facing = ownerRecord != nullptr ? ownerRecord->facing : 0;
      effect.vx = -8.0f * static_cast<float>(effect.facing);
      effect.vy = -8.0f;
      break;
    case kEffectLostWeapon:
      effect.timer = 300;
      effect.facing = ownerRecord != nullptr ? ownerRecord->facing : 0;
      effect.vx = -8.0f * static_cast<float>(effect.facing);
      effect.vy = -8.0f;
      effect.param = ownerRecord != nullptr ? ownerRecord->param : 0;
      break;
    case kEffectNumber:
      effect.timer = 30;
      effect.vy = -5.0f;
      effect.motion = owner;
      break;
    case kEffectRepair:
    case kEffectRefill:
    case kEffectCharge:
      effect.timer = 30;
      effect.link = owner;
      break;
    default:
      break;
  }
  return slot;
}

void UpdateParticles() {
  for (int i = 0; i <= kLastVisitedParticle; ++i) {
    Particle& p = ParticleRing.records[i];
    if (p.life <= 0) continue;
    const int kind = p.kind;
    const bool smoke = kind == 0 || kind == 10 || kind == 20 || kind == 50;
    if (kind == 0 || kind == 10 || kind == 50) p.vy -= 0.15f;
    if (kind == 40) p.vy += 0.5f;
    if (smoke) {
      p.vx = StepTowardF(p.vx, 0.0f, 0.1f);
      p.vy = StepTowardF(p.vy, 0.0f, 0.1f);
    }
    if (smoke || kind == 40) p.rotation = StepTowardFraction(p.rotation, 0.0f, 0.1f);
    if (kind == 0 || kind == 10 || kind == 20) p.scale += static_cast<float>(p.life) * 0.003f;
    if (kind == 50 || kind == 70) p.scale = StepTowardFraction(p.scale, 0.0f, 0.05f);
    p.life = StepToward(p.life, 0, 1);
    p.x += p.vx;
    p.y += p.vy;
  }
}

void DrawParticles() {
  const float zoom = g_battle.BattleCamera.zoom;
  int picture = -1;
  for (int i = 0; i <= kLastVisitedParticle; ++i) {
    Particle& p = ParticleRing.records[i];
    if (p.life <= 0) continue;
    const int sx = WorldToScreenX(p.x);
    const int sy = WorldToScreenY(p.y);
    if (sx < -50 || sx > 690 || sy < -50 || sy > 530) {
      p.life = 0;
      continue;
    }
    const int fade15 = Alpha(p.life * 15, 255);
    const int fade25 = Alpha(p.life * 25, 255);
    switch (p.kind) {
      case 0: SetBlendMode(kBlendAdd, fade15); picture = g_pictures.explosion[0]; break;
      case 10: SetBlendMode(kBlendSubtract, fade15); picture = g_pictures.explosion[0]; break;
      case 20: SetBlendMode(kBlendAdd, fade15); picture = g_pictures.explosion[1]; break;
      case 30: SetBlendMode(kBlendAdd, 255); picture = g_pictures.explosion[4]; break;
      case 40: SetBlendMode(kBlendNormal, 255); picture = g_pictures.bullet; break;
      case 50: SetBlendMode(kBlendAdd, fade15); picture = g_pictures.blueLights[7]; break;
      case 60: SetBlendMode(kBlendAdd, fade25); picture = g_pictures.blueLights[4]; break;
      case 70: SetBlendMode(kBlendAdd, fade25); picture = g_pictures.blueLights[3]; break;
      case 80: SetBlendMode(kBlendAdd, 255); picture = g_pictures.blueLights[0]; break;
      case 81: SetBlendMode(kBlendAdd, 255); picture = g_pictures.redLights[0]; break;
      case 110: SetBlendMode(kBlendAdd, 255); picture = g_pictures.blueLights[1]; break;
      default: break;
    }
    BlitGraphRotated(sx, sy, p.scale * zoom, -p.rotation, picture, 1, 0);
  }
}

void UpdateEffectObject(int slot) {
  Character& effect = CharacterTable[slot];
  bool moves = true;
  switch (effect.kind) {
    case kEffectStreak:
      effect.speed = StepTowardFraction(effect.speed, 5.0f, 0.08f);
      break;
    case kEffectBigStreak:
      effect.speed = StepTowardFraction(effect.speed, 8.0f, 0.08f);
      break;
    case kEffectTrail:
      moves = effect.timer % 3 == 0;
      if (moves) {
        effect.angle += (Random(10) - 5.0f) * 0.1f * kPi;
        effect.vx = 50.0f * effect.speed * std::sin(effect.angle);
        effect.vy = 50.0f * effect.speed * std::cos(effect.angle);
        SpawnEffect(60, effect.x + effect.vx / 2.0f, effect.y + effect.vy / 2.0f, effect.speed, effect.angle, 0);
      }
      break;
    case kEffectBlast:
      effect.speed = StepTowardFraction(effect.speed, effect.maxHp, 0.08f);
      break;
    case kEffectSurprise:
    case kEffectQuestion: {
      // The owner is an enemy: its type, not its kind (a soldier is kind 0), tells it is still one.
      if (!OwnerIsLiveEnemy(effect.link)) {
        FreeSlot(slot);
        return;
      }
      const Character& owner = CharacterTable[effect.link];
      effect.x = owner.x;
      effect.y = owner.y - 100.0f - (effect.kind == kEffectQuestion ? static_cast<float>(effect.timer) : 0.0f);
      break;
    }
    case kEffectFlee:
      effect.vy += 0.5f;
      break;
    case kEffectLostWeapon:
      effect.vy += 0.5f;
      StopAtWalls(slot);
      if (TileKindAt(effect.x, effect.y + 50.0f) > 0) effect.vy = 0.0f;
      break;
    case kEffectRepair:
    case kEffectRefill:
      if (const Character* owner = OwnerOf(effect)) {
        effect.x = owner->x;
        effect.y = owner->y;
      }
      effect.speed = StepTowardFraction(effect.speed, 0.0f, 0.05f);
      break;
    default:
      break;
  }
  if (moves) {
    effect.x += effect.vx;
    effect.y += effect.vy;
  }
  effect.timer = StepToward(effect.timer, 0, 1);
  if (effect.timer == 0) FreeSlot(slot);
}

namespace {

void DrawRefillTriangle(const Character& effect, int sx, int sy, float zoom) {
  const float reach = effect.speed * 64.0f * zoom;
  const float u = static_cast<float>(effect.timer % 20) * 0.1f * kPi;
  constexpr float kThird = 2.0734511513692637f;
  DrawTriangleShape(sx + TruncateToInt(reach * std::sin(u)), sy + TruncateToInt(reach * std::cos(u)),
                    sx + TruncateToInt(reach * std::sin(u + kThird)), sy + TruncateToInt(reach * std::cos(u + kThird)),
                    sx + TruncateToInt(reach * std::sin(u - kThird)), sy + TruncateToInt(reach * std::cos(u - kThird)),
                    PackColor(255, 128, 0), 1);
}

}  // namespace

void DrawEffectObject(int slot) {
  Character& effect = CharacterTable[slot];
  if (effect.kind == kEffectHidden || effect.kind == kEffectTrail) return;
  const float zoom = g_battle.BattleCamera.zoom;
  const int sx = WorldToScreenX(effect.x);
  const int sy = WorldToScreenY(effect.y);
  if (static_cast<float>(sx) < -effect.halfWidth || static_cast<float>(sx) > effect.halfWidth + 640.0f ||
      static_cast<float>(sy) < -effect.halfHeight || static_cast<float>(sy) > effect.halfHeight + 480.0f) {
    FreeSlot(slot);
    return;
  }
  const float scale = effect.speed * zoom;
  switch (effect.kind) {
    case kEffectStreak:
      SetBlendMode(kBlendAdd, Alpha(effect.timer * 10, 180));
      BlitGraphRotated(sx, sy, scale, -effect.angle, g_pictures.explosion[2], 1, 0);
      break;
    case kEffectBigStreak:
      SetBlendMode(kBlendAdd, Alpha(effect.timer * 20, 255));
      BlitGraphRotated(sx, sy, scale, -effect.angle, g_pictures.explosion[2], 1, 0);
      break;
    case kEffectBlast:
      SetBlendMode(kBlendAdd, Alpha(effect.timer * 20, 255));
      BlitGraphRotated(sx, sy, scale, -effect.angle, g_pictures.explosion[5], 1, 0);
      break;
    case kEffectSurprise:
    case kEffectQuestion:
      SetBlendMode(kBlendNormal, 255);
      BlitGraphRotated(sx, sy, scale, -effect.angle, g_pictures.emotions[effect.kind == kEffectSurprise ? 0 : 1], 1,
                       0);
      break;
    case kEffectFlee:
      SetBlendMode(kBlendNormal, 255);
      BlitGraphRotated(sx, sy, scale, -effect.angle, g_pictures.emotions[2], 1, effect.facing == -1 ? 1 : 0);
      break;
    case kEffectLostWeapon: {
      DrawMotion(kMotionPlier, sx, sy, 64, effect.facing, 0.8f * zoom, effect.param, kDrawMotionNormal);
      const float u = static_cast<float>(effect.timer % 20) * 0.1f * kPi;
      const int radius = TruncateToInt(5.0f * zoom);
      SetBlendMode(kBlendAdd, 255);
      DrawCircleShape(sx + TruncateToInt(50.0f * zoom * std::sin(u)),
                      sy + TruncateToInt(20.0f * zoom * std::cos(u) - 40.0f * zoom), radius, PackColor(255, 255, 0), 1);
      DrawCircleShape(sx - TruncateToInt(50.0f * zoom * std::sin(u)),
                      sy + TruncateToInt(-40.0f * zoom - 20.0f * zoom * std::cos(u)), radius, PackColor(255, 255, 0), 1);
      break;
    }
    case kEffectNumber:
      g_shell.DrawNumber(static_cast<float>(sx), static_cast<float>(sy), effect.motion, 1, effect.speed, 255, 255, 128);
      break;
    case kEffectRepair:
      SetBlendMode(kBlendAdd, Alpha(effect.timer * 10, 180));
      DrawCircleShape(sx, sy, TruncateToInt(effect.speed * 64.0f * zoom), PackColor(128, 255, 0), 1);
      DrawRefillTriangle(effect, sx, sy, zoom);
      break;
    case kEffectRefill:
      SetBlendMode(kBlendAdd, Alpha(effect.timer * 10, 180));
      DrawRefillTriangle(effect, sx, sy, zoom);
      break;
    case kEffectCharge:
      SetBlendMode(kBlendAdd, Alpha(effect.timer * 10, 180));
      BlitGraphRotated(sx, sy, static_cast<float>(effect.timer) * 0.1f * zoom,
                       static_cast<float>(effect.timer % 20) * 0.1f * kPi, WeaponRecords[0].picture, 1, 0);
      break;
    default:
      break;
  }
}

}  // namespace horundel
