// The particle ring and the effect objects.
#include <gtest/gtest.h>

#include "tests/battle/attack_scene.h"
#include "tests/battle/battle_fixture.h"
#include "game/battle/combat/attacks.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/combat/pickups.h"
#include "media/core/random.h"

namespace horundel {
namespace {

TEST(ParticleRing, WritesCycleThroughAllRecordsAndThePassesSkipTheLast) {
  ResetScene();
  for (int i = 0; i < 301; ++i) SpawnEffect(60, static_cast<float>(i), 0.0f, 1.0f, 0.0f, 0);
  EXPECT_EQ(ParticleRing.next, 0);
  EXPECT_EQ(ParticleRing.records[300].x, 300.0f);
  SpawnEffect(80, 1234.0f, 0.0f, 1.0f, 0.0f, 0);   // the 302nd overwrites the first
  EXPECT_EQ(ParticleRing.records[0].x, 1234.0f);
  EXPECT_EQ(ParticleRing.records[0].kind, 80);
  EXPECT_EQ(ParticleRing.records[0].life, 10);
  UpdateParticles();
  EXPECT_EQ(ParticleRing.records[299].life, 14);
  EXPECT_EQ(ParticleRing.records[300].life, 15);   // never moved
}

TEST(ParticleRing, BurstsWriteTheirCounts) {
  struct Case {
    int kind;
    int smoke;    // kind-10 records
    int sparks;   // kind-20 records
  };
  const Case cases[] = {{200, 1, 1}, {210, 4, 2}, {211, 4, 2}, {220, 6, 3}, {221, 6, 3}};
  for (const Case& c : cases) {
    ResetScene();
    ParticleRing.next = 298;   // across the wrap
    EXPECT_EQ(SpawnEffect(c.kind, 0.0f, 0.0f, 1.0f, 0.0f, 0), 0);
    EXPECT_EQ(ParticleRing.next, (298 + c.smoke + c.sparks) % 301) << c.kind;
    int smoke = 0, sparks = 0;
    for (const Particle& p : ParticleRing.records) {
      smoke += p.life > 0 && p.kind == 10 ? 1 : 0;
      sparks += p.life > 0 && p.kind == 20 ? 1 : 0;
    }
    EXPECT_EQ(smoke, c.smoke) << c.kind;
    EXPECT_EQ(sparks, c.sparks) << c.kind;
  }
}

TEST(ParticleRing, SpawnDrawsFollowTheListedOrder) {
  ResetScene();
  zelvo::SeedRandom(99);
  const int life = 20 + RandomUpTo(5);
  const float vx = static_cast<float>(RandomUpTo(10)) - 5.0f;
  const float vy = -static_cast<float>(RandomUpTo(5));
  const float rotation = static_cast<float>(RandomUpTo(5)) * kPi;
  zelvo::SeedRandom(99);
  SpawnEffect(0, 10.0f, 20.0f, 0.5f, 0.0f, 0);
  const Particle& p = ParticleRing.records[0];
  EXPECT_EQ(p.life, life);
  EXPECT_EQ(p.vx, vx);
  EXPECT_EQ(p.vy, vy);
  EXPECT_EQ(p.rotation, rotation);
  EXPECT_EQ(p.scale, 0.5f);
}

TEST(ParticleRing, UpdateRulesByKind) {
  ResetScene();
  Particle* p = ParticleRing.records;
  p[0] = {0, 10, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f};
  p[1] = {40, 10, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f};
  p[2] = {70, 10, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f};
  p[3] = {30, 1, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
  UpdateParticles();
  // Smoke rises against its drag, turns back to level and swells as it fades.
  EXPECT_FLOAT_EQ(p[0].vx, 0.9f);
  EXPECT_FLOAT_EQ(p[0].vy, -0.05f);
  EXPECT_FLOAT_EQ(p[0].rotation, 0.9f);
  EXPECT_FLOAT_EQ(p[0].scale, 1.03f);
  EXPECT_EQ(p[0].life, 9);
  EXPECT_FLOAT_EQ(p[0].x, 0.9f);
  // A shell casing falls without drag.
  EXPECT_FLOAT_EQ(p[1].vx, 1.0f);
  EXPECT_FLOAT_EQ(p[1].vy, 0.5f);
  EXPECT_FLOAT_EQ(p[1].rotation, 0.9f);
  EXPECT_FLOAT_EQ(p[1].scale, 1.0f);
  // A glow shrinks.
  EXPECT_FLOAT_EQ(p[2].scale, 0.95f);
  EXPECT_FLOAT_EQ(p[2].rotation, 1.0f);
  EXPECT_EQ(p[3].life, 0);
}

TEST(EffectObjects, SetUpAndUpdateByKind) {
  ResetScene();
  const Character& streak = CharacterTable[SpawnEffect(kEffectStreak, 500.0f, 500.0f, 1.5f, kHalfPi, 0)];
  EXPECT_EQ(streak.type, kTypeEffect);
  EXPECT_EQ(streak.timer, 16);
  EXPECT_FLOAT_EQ(streak.x, 580.0f);   // starts 80 px along the angle and flies back
  EXPECT_FLOAT_EQ(streak.vx, -10.0f);
  EXPECT_EQ(streak.halfWidth, 100.0f);
  const Character& blast = CharacterTable[SpawnEffect(kEffectBlast, 0.0f, 0.0f, 4.0f, 0.0f, 0)];
  EXPECT_EQ(blast.timer, 60);
  EXPECT_EQ(blast.maxHp, 12.0f);
  const int number = SpawnEffect(kEffectNumber, 0.0f, 0.0f, 0.6f, 0.0f, 30);
  EXPECT_EQ(CharacterTable[number].motion, 30);
  EXPECT_EQ(CharacterTable[number].vy, -5.0f);
  UpdateEffectObject(number);
  EXPECT_EQ(CharacterTable[number].y, -5.0f);
  EXPECT_EQ(CharacterTable[number].timer, 29);

  // A trail moves on every third frame only, dropping a glow at the middle of each step.
  const int trail = SpawnEffect(kEffectTrail, 0.0f, 0.0f, 2.0f, 0.0f, 0);
  EXPECT_EQ(CharacterTable[trail].timer, 30);
  const int before = ParticleRing.next;
  UpdateEffectObject(trail);   // timer 30: a third frame
  EXPECT_EQ(ParticleRing.next, before + 1);
  EXPECT_EQ(ParticleRing.records[before].kind, 60);
  const float x = CharacterTable[trail].x;
  UpdateEffectObject(trail);
  EXPECT_EQ(CharacterTable[trail].x, x);
  EXPECT_EQ(ParticleRing.next, before + 1);

  // Effects die with their timer.
  for (int i = 0; i < 29; ++i) UpdateEffectObject(number);
  EXPECT_EQ(CharacterTable[number].state, 0);
}

TEST(EffectObjects, EmotionIconsFollowALiveEnemyOwner) {
  ResetScene();
  Character& soldier = PlaceEnemy(10, 0, 700.0f, 900.0f);
  const int surprise = SpawnEffect(kEffectSurprise, 0.0f, 0.0f, 1.0f, 0.0f, 10);
  const int question = SpawnEffect(kEffectQuestion, 0.0f, 0.0f, 1.0f, 0.0f, 10);
  UpdateEffectObject(surprise);
  UpdateEffectObject(question);
  // A soldier is kind 0: its type tells it is an enemy still.
  EXPECT_NE(CharacterTable[surprise].state, 0);
  EXPECT_EQ(CharacterTable[surprise].y, 800.0f);
  EXPECT_EQ(CharacterTable[question].y, 900.0f - 100.0f - 40.0f);
  soldier.state = 0;
  UpdateEffectObject(question);
  EXPECT_EQ(CharacterTable[question].state, 0);
  // Reused by something that is not an enemy: gone as well.
  soldier.state = 10;
  soldier.type = kTypeCoin;
  UpdateEffectObject(surprise);
  EXPECT_EQ(CharacterTable[surprise].state, 0);
}

class EffectDraw : public zelvo_test::BattleTest {};

TEST_F(EffectDraw, OffScreenParticlesAndObjectsAreRemovedInsteadOfDrawn) {
  ResetScene();
  // The camera shows world x 680..1320: screen x = world x - 680.
  SpawnEffect(60, 680.0f - 60.0f, kPlayerY, 1.0f, 0.0f, 0);
  SpawnEffect(60, 680.0f - 40.0f, kPlayerY, 1.0f, 0.0f, 0);
  DrawParticles();
  EXPECT_EQ(ParticleRing.records[0].life, 0);
  EXPECT_EQ(ParticleRing.records[1].life, 15);
  const float x = ParticleRing.records[0].x;
  UpdateParticles();
  EXPECT_EQ(ParticleRing.records[0].x, x);

  const int far = SpawnEffect(kEffectBlast, 680.0f - 101.0f, kPlayerY, 1.0f, 0.0f, 0);
  const int near = SpawnEffect(kEffectBlast, 680.0f - 99.0f, kPlayerY, 1.0f, 0.0f, 0);
  DrawEffectObject(far);
  DrawEffectObject(near);
  EXPECT_EQ(CharacterTable[far].state, 0);
  EXPECT_NE(CharacterTable[near].state, 0);
}

TEST_F(EffectDraw, AFullTableRefusesEffectObjectsButNeverParticles) {
  ResetScene();
  FillTableLeaving(0);
  EXPECT_EQ(SpawnEffect(kEffectStreak, 0.0f, 0.0f, 1.0f, 0.0f, 0), 0);
  EXPECT_EQ(SpawnEffect(200, 0.0f, 0.0f, 1.0f, 0.0f, 0), 0);
  EXPECT_EQ(ParticleRing.next, 2);
  EXPECT_EQ(ScreenLogText(), "Character Over by effect\n\n");
}

// Every drawing branch once, with owners gone and weapon numbers from outside the table: nothing
// may index past a picture table (the sanitizer build watches).
TEST_F(EffectDraw, EveryKindDrawsWithoutReadingOutsideItsTables) {
  ResetScene();
  const int attackKinds[] = {0,   10,  30,  70,  80,  81,  100, 130, 161, 171, 430, 500, 501, 502, 510,
                             550, 700, 701, 703, 704, 710, 711, 720, 740, 800, 810, 1000, 1010, 9999};
  for (int kind : attackKinds) {
    for (int type : {kTypePlayerAttack, kTypeEnemyShot}) {
      Character& attack = CharacterTable[2];
      attack = Character{type, kind, 10, 7, 0, 0, 1, 1, -1, 0.5f, 1.0f, kPlayerX, kPlayerY, 3, 3, 40, 40, 250, 999, -7};
      attack.extra = kind == 130 ? 1 : 1000;
      DrawAttack(2);
    }
  }
  for (int kind : {kEffectStreak, kEffectBigStreak, kEffectBlast, kEffectSurprise, kEffectQuestion, kEffectFlee,
                   kEffectLostWeapon, kEffectNumber, kEffectRepair, kEffectRefill, kEffectCharge, 77}) {
    const int slot = SpawnEffect(kind, kPlayerX, kPlayerY, 1.0f, 0.3f, 299);
    ASSERT_NE(slot, 0);
    CharacterTable[slot].param = 5000;
    DrawEffectObject(slot);
    UpdateEffectObject(slot);
    CharacterTable[slot].state = 0;
  }
  const int items[][2] = {{kTypeCoin, 12}, {kTypeCoin, 1}, {kTypeSupply, 20}, {kTypeSupply, 99},
                          {kTypeWeaponPickup, 22}, {kTypeWeaponPickup, 400}, {kTypeMachinePickup, 1},
                          {kTypeMachinePickup, 10}, {kTypeMachinePickup, 20}, {kTypeMachinePickup, 30}};
  for (const auto& item : items) {
    const int slot = SpawnItem(item[0], item[1], kPlayerX + 500.0f, kPlayerY);
    CharacterTable[slot].motion = -40;
    DrawItem(slot);
    UpdateItem(slot, 0);
    DrawItem(slot);
    CharacterTable[slot].state = 0;
  }
  for (int i = 0; i < 301; ++i) SpawnEffect(i % 2 == 0 ? 110 : 40, kPlayerX, kPlayerY, 1.0f, 0.0f, 0);
  DrawParticles();
  EXPECT_EQ(ParticleRing.records[0].life, 10);   // on screen: drawn, not removed
}

}  // namespace
}  // namespace horundel
