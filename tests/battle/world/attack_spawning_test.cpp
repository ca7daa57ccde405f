// The spawn rows of every attack kind: damage, life, scale, sizes, angle, speed and start point,
// and the fan-outs of the shotgun and the cluster bomb.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/battle/attack_scene.h"
#include "tests/battle/battle_fixture.h"
#include "game/battle/world/attack_spawning.h"
#include "game/battle/world/character_table.h"

namespace horundel {
namespace {

enum Start { kAlongVelocity, kAhead, kAtShooter };

struct ShotRow {
  int kind;
  int weapon;        // damage from this record x factor, or -1 for the fixed damage
  float damage;
  int life;
  float scale;
  float baseAngle;   // before the spread
  float spread;      // units of pi per random step
  float speed;
  Start start;
  float startFactor;
  float halfSize;
};

constexpr float kArcRight = kHalfPi + 0.1f * kPi;   // the aim right, lifted by sin(aim) x 0.1 pi

void ExpectShotRow(const ShotRow& row, int slot, float shooterX, float shooterY, int facing) {
  SCOPED_TRACE(row.kind);
  const Character& shot = CharacterTable[slot];
  const float damage = row.weapon >= 0 ? WeaponRecords[row.weapon].attack * row.damage : row.damage;
  EXPECT_EQ(shot.hp, damage);
  EXPECT_EQ(shot.timer, row.life);
  EXPECT_EQ(shot.speed, row.scale);
  EXPECT_EQ(shot.halfWidth, row.halfSize);
  EXPECT_EQ(shot.halfHeight, row.halfSize);
  EXPECT_LE(std::fabs(shot.angle - row.baseAngle), 10.0f * row.spread * kPi + 1e-5f);
  EXPECT_NEAR(std::hypot(shot.vx, shot.vy), row.speed, 1e-3);
  EXPECT_NEAR(shot.vx, std::sin(shot.angle) * row.speed, 1e-3);
  switch (row.start) {
    case kAlongVelocity:
      EXPECT_FLOAT_EQ(shot.x, shooterX + row.startFactor * shot.vx);
      EXPECT_FLOAT_EQ(shot.y, shooterY + row.startFactor * shot.vy);
      break;
    case kAhead:
      EXPECT_EQ(shot.x, shooterX + 80.0f * static_cast<float>(facing));
      EXPECT_EQ(shot.y, shooterY);
      break;
    case kAtShooter:
      EXPECT_EQ(shot.x, shooterX);
      EXPECT_EQ(shot.y, shooterY);
      break;
  }
}

std::vector<int> SlotsOfKind(int kind) {
  std::vector<int> slots;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    if (CharacterTable[slot].state != 0 && CharacterTable[slot].kind == kind && CharacterTable[slot].type != kTypeEffect) {
      slots.push_back(slot);
    }
  }
  return slots;
}

TEST(AttackSpawning, PlayerGunRows) {
  const ShotRow rows[] = {
      {0, 1, 1, 20, 1.5f, kHalfPi, 0.003f, 40, kAlongVelocity, 2, 30},
      {20, 3, 1, 20, 1.5f, kHalfPi, 0.001f, 40, kAlongVelocity, 2, 30},
      {30, 4, 1, 80, 1, kHalfPi, 0.005f, 5, kAlongVelocity, 20, 40},
      {40, 5, 1, 120, 1, kHalfPi, 0, 20, kAlongVelocity, 2, 40},
      {50, 6, 1, 80, 1, kArcRight, 0, 30, kAlongVelocity, 2, 40},
      {60, 14, 1, 60, 1.5f, kHalfPi, 0.003f, 30, kAlongVelocity, 2, 30},
      {70, 7, 1, 5, 5, kHalfPi, 0, 30, kAlongVelocity, 2, 200},
      {80, 8, 1, 40, 1, kHalfPi, 0, 30, kAlongVelocity, 2, 80},
      {90, 9, 1, 30, 2, kHalfPi, 0.003f, 40, kAhead, 0, 40},
      {100, 10, 1, 120, 1, kArcRight, 0.003f, 25, kAlongVelocity, 2, 40},
      {110, 11, 1, 60, 0.6f, kHalfPi, 0, 20, kAlongVelocity, 2, 40},
      {120, 12, 1, 80, 3, kHalfPi, 0, 40, kAhead, 0, 60},
      {130, 13, 1, 300, 2, kHalfPi, 0, 10, kAlongVelocity, 2, 60},
      {140, 11, 1, 120, 0.5f, kHalfPi, 0, 20, kAlongVelocity, 2, 40},
      {150, 16, 1, 80, 1.5f, kHalfPi, 0, 20, kAtShooter, 0, 100},
      {160, 17, 1, 80, 1.5f, kHalfPi, 0, 10, kAlongVelocity, 8, 0},
      {170, 18, 1, 80, 1, kHalfPi, 0, 20, kAlongVelocity, 2, 100},
      {180, 19, 1, 300, 1, kHalfPi, 0, 10, kAlongVelocity, 8, 100},
      {900, -1, 1600, 120, 2, kArcRight, 0, 30, kAlongVelocity, 2, 40},
  };
  for (const ShotRow& row : rows) {
    ResetScene();
    g_battle.AimFacing = -1;   // guns face the aim side, whatever the heroine's facing
    const int slot = FirePlayerAttack(row.kind);
    ASSERT_EQ(slot, 2);
    const Character& shot = CharacterTable[slot];
    EXPECT_EQ(shot.type, kTypePlayerAttack);
    EXPECT_EQ(shot.state, 10);
    EXPECT_EQ(shot.param, kPlayerSlot);
    EXPECT_EQ(shot.facing, -1);
    if (row.kind == 90 || row.kind == 120) {
      EXPECT_EQ(shot.x, kPlayerX - 80.0f) << row.kind;
    } else {
      ExpectShotRow(row, slot, kPlayerX, kPlayerY, -1);
    }
    EXPECT_EQ(shot.extra, row.kind == 130 ? 1 : 0);
  }
}

TEST(AttackSpawning, GunTargetsAreTheAngleNearestEnemyInReach) {
  ResetScene();
  PlaceEnemy(10, 0, kPlayerX + 700.0f, kPlayerY);
  PlaceEnemy(11, 0, kPlayerX + 900.0f, kPlayerY);
  EXPECT_EQ(CharacterTable[FirePlayerAttack(40)].link, 10);
  // Beyond 800 only the rifle of 1200 and the laser of 1000 reach.
  CharacterTable[10].state = 0;
  EXPECT_EQ(CharacterTable[FirePlayerAttack(40)].link, 0);
  EXPECT_EQ(CharacterTable[FirePlayerAttack(180)].link, 0);
  EXPECT_EQ(CharacterTable[FirePlayerAttack(110)].link, 11);
  // The anti-tank rifle turns straight at its target.
  Character& low = PlaceEnemy(11, 0, kPlayerX + 600.0f, kPlayerY + 600.0f);
  const Character& rifle = CharacterTable[FirePlayerAttack(120)];
  EXPECT_EQ(rifle.link, 11);
  EXPECT_NEAR(rifle.angle, std::atan2(low.x - kPlayerX, low.y - kPlayerY), 1e-5);
  EXPECT_NEAR(std::hypot(rifle.vx, rifle.vy), 40.0f, 1e-3);
}

TEST(AttackSpawning, EnemyShotRows) {
  const ShotRow rows[] = {
      {0, 1, 1, 20, 1.5f, kHalfPi, 0, 20, kAlongVelocity, 2, 30},
      {20, 3, 1, 20, 1.5f, kHalfPi, 0, 20, kAlongVelocity, 2, 30},
      {30, 4, 1, 80, 1, 0.5f * kPi, 0.003f, 10, kAtShooter, 0, 40},
      {40, 5, 1, 120, 1, 0.5f * kPi, 0.003f, 10, kAtShooter, 0, 40},
      {50, 6, 1, 80, 1, 0.6f * kPi, 0.003f, 20, kAtShooter, 0, 40},
      {60, 14, 1, 60, 1.5f, kHalfPi, 0, 15, kAlongVelocity, 2, 30},
      {70, 7, 0.5f, 5, 3, 0.5f * kPi, 0, 20, kAtShooter, 0, 150},
      {80, 8, 1, 30, 1.5f, 0.5f * kPi, 0, 20, kAtShooter, 0, 80},
      {90, 9, 1, 30, 2, kHalfPi, 0, 20, kAhead, 0, 40},
      {100, 10, 1, 120, 1, 0.6f * kPi, 0.003f, 15, kAlongVelocity, 2, 40},
      {110, 11, 1, 60, 0.8f, kHalfPi, 0, 20, kAlongVelocity, 2, 40},
      {120, 12, 1, 40, 3, kHalfPi, 0, 30, kAhead, 0, 40},
      {130, 13, 1, 300, 2, kHalfPi, 0, 10, kAlongVelocity, 2, 40},
      {140, 11, 1, 80, 0.5f, kHalfPi, 0, 10, kAlongVelocity, 2, 40},
      {150, 16, 1, 80, 1.5f, kHalfPi, 0, 20, kAtShooter, 0, 100},
      {160, 16, 1, 80, 1.5f, kHalfPi, 0, 20, kAlongVelocity, 8, 100},
      {170, 18, 1, 80, 1, kHalfPi, 0, 20, kAlongVelocity, 4, 100},
      {180, 19, 1, 300, 1, kHalfPi, 0, 5, kAlongVelocity, 8, 100},
      {900, -1, 400, 120, 2, 0.7f * kPi, 0.003f, 15, kAlongVelocity, 2, 40},
  };
  for (const ShotRow& row : rows) {
    ResetScene();
    // The enemy stands left of the heroine, so every aimed shot flies right (pi/2).
    PlaceEnemy(5, 0, kPlayerX - 500.0f, kPlayerY);
    const int slot = FireEnemyShot(row.kind, 5);
    ASSERT_EQ(slot, 2);
    const Character& shot = CharacterTable[slot];
    EXPECT_EQ(shot.type, kTypeEnemyShot);
    EXPECT_EQ(shot.link, kPlayerSlot);
    EXPECT_EQ(shot.param, 5);
    ExpectShotRow(row, slot, kPlayerX - 500.0f, kPlayerY, 1);
  }
}

TEST(AttackSpawning, AttachedEnemyShotsAndAShotFromOnTopOfThePlayer) {
  ResetScene();
  Character& enemy = PlaceEnemy(5, 0, kPlayerX, kPlayerY);
  enemy.facing = -1;
  const Character& lunge = CharacterTable[FireEnemyShot(501, 5)];
  EXPECT_EQ(lunge.hp, 300.0f);
  EXPECT_EQ(lunge.timer, 20);
  EXPECT_EQ(lunge.vx, -60.0f);
  EXPECT_EQ(lunge.halfWidth, 80.0f);
  const Character& raid = CharacterTable[FireEnemyShot(1000, 5)];
  EXPECT_EQ(raid.hp, 0.0f);
  EXPECT_EQ(raid.timer, 600);
  EXPECT_EQ(raid.halfWidth, 100.0f);
  // Aimed from the player's own position: angle and velocity stay as cleared.
  const Character& still = CharacterTable[FireEnemyShot(0, 5)];
  EXPECT_EQ(still.vx, 0.0f);
  EXPECT_EQ(still.vy, 0.0f);
  EXPECT_EQ(still.angle, 0.0f);
}

TEST(AttackSpawning, ToolWeaponAndSkillRows) {
  struct ToolRow {
    int kind;
    float damage;
    int life;
    float scale;
    float halfWidth, halfHeight;
    float vx, vy;      // offsets of attached kinds (facing +1)
    float angle;
  };
  const ToolRow rows[] = {
      {500, 60, 10, 3, 80, 80, 60, 0, -kPi},
      {501, 60, 10, 3, 80, 80, 60, 0, 0},
      {502, 180, 10, 4, 120, 80, 80, 0, 0.65f * kPi},
      {510, 80, 20, 4, 100, 80, 130, -30, 0},
      {520, 80, 17, 4, 100, 80, 70, 0, 0},
      {530, 60, 300, 4, 100, 120, 100, 0, 0.5f * kPi},
      {531, 300, 9, 4, 150, 120, 0, 0, 0.75f * kPi},
      {540, 200, 300, 0, 80, 60, 60, 60, 0},
      {541, 200, 300, 0, 80, 60, 60, 0, 0},
      {542, 100, 300, 0, 80, 60, 60, 0, 0},
      {550, 60, 20, 4, 200, 200, 0, 0, 0},
      {710, 30, 300, 5, 150, 150, 0, 0, 0},
      {800, 1000, 40, 1, 300, 300, 0, 0, kPi},
      {810, 2000, 40, 1, 120, 80, 0, 0, kPi},
  };
  for (const ToolRow& row : rows) {
    SCOPED_TRACE(row.kind);
    ResetScene();
    CharacterTable[kPlayerSlot].timer = 17;   // kind 520 lives as long as the player's state
    const Character& attack = CharacterTable[FirePlayerAttack(row.kind)];
    EXPECT_EQ(attack.hp, row.damage);
    EXPECT_EQ(attack.timer, row.life);
    EXPECT_EQ(attack.speed, row.scale);
    EXPECT_EQ(attack.halfWidth, row.halfWidth);
    EXPECT_EQ(attack.halfHeight, row.halfHeight);
    EXPECT_EQ(attack.vx, row.vx);
    EXPECT_EQ(attack.vy, row.vy);
    EXPECT_FLOAT_EQ(attack.angle, row.angle);
  }
  // Placed ahead of the heroine: 510-530 at the offset, 531 100 px ahead.
  ResetScene();
  EXPECT_EQ(CharacterTable[FirePlayerAttack(510)].x, kPlayerX + 130.0f);
  EXPECT_EQ(CharacterTable[FirePlayerAttack(531)].x, kPlayerX + 100.0f);
}

TEST(AttackSpawning, ThrowsCarryTheirWeaponAndUpgrade) {
  ResetScene();
  g_battle.AimAngle = 0.0f;
  g_battle.CurrentWeaponSlot = 1;
  g_battle.WeaponSlot[1] = {1, 9, 0, 0};
  const Character& plain = CharacterTable[FirePlayerAttack(700)];
  EXPECT_EQ(plain.hp, 5.0f);
  EXPECT_EQ(plain.timer, 40);
  EXPECT_EQ(plain.extra, 0);
  EXPECT_EQ(plain.vy, 20.0f);
  SkillRecords[7].owned = 1;
  const Character& charged = CharacterTable[FirePlayerAttack(704)];
  EXPECT_EQ(charged.hp, 200.0f);
  EXPECT_EQ(charged.timer, 120);
  EXPECT_EQ(charged.extra, 1);
  const Character& gun = CharacterTable[FirePlayerAttack(720)];
  EXPECT_EQ(gun.extra, 9);
  EXPECT_EQ(gun.timer, 80);
  EXPECT_EQ(gun.halfWidth, 30.0f);
  EXPECT_EQ(gun.y, kPlayerY + 2.0f * gun.vy);
  const Character& spin = CharacterTable[FirePlayerAttack(711)];
  EXPECT_EQ(spin.extra, 9);
  EXPECT_EQ(spin.halfWidth, 80.0f);
  // Throws of a held enemy start on it and take its size.
  Character& held = PlaceEnemy(40, 0, 300.0f, 400.0f);
  held.halfWidth = 20.0f;
  held.halfHeight = 60.0f;
  g_battle.HeldEnemySlot = 40;
  const Character& throwHit = CharacterTable[FirePlayerAttack(730)];
  EXPECT_EQ(throwHit.link, 40);
  EXPECT_EQ(throwHit.hp, 150.0f);
  EXPECT_EQ(throwHit.x, 300.0f);
  EXPECT_EQ(throwHit.halfWidth, 30.0f);
  EXPECT_EQ(throwHit.halfHeight, 90.0f);
  const Character& slam = CharacterTable[FirePlayerAttack(740)];
  EXPECT_EQ(slam.timer, 39);
  EXPECT_EQ(slam.halfWidth, 250.0f);
  EXPECT_EQ(slam.y, 400.0f);
}

TEST(AttackSpawning, ShotgunAndClusterFanOuts) {
  ResetScene();
  FirePlayerAttack(10);
  EXPECT_EQ(CountLive(kTypePlayerAttack), 9);
  ResetScene();
  PlaceEnemy(5, 0, kPlayerX - 500.0f, kPlayerY);
  FireEnemyShot(10, 5);
  EXPECT_EQ(CountLive(kTypeEnemyShot), 5);
  for (int slot = 2; slot <= 300; ++slot) {
    const Character& pellet = CharacterTable[slot];
    if (pellet.type != kTypeEnemyShot) continue;
    EXPECT_EQ(pellet.hp, WeaponRecords[2].attack);
    EXPECT_NEAR(std::hypot(pellet.vx, pellet.vy), 20.0f, 1e-3);
    EXPECT_LE(std::fabs(pellet.angle - kHalfPi), 10.0f * 0.02f * kPi + 1e-5f);
  }

  ResetScene();
  const int bomb = FirePlayerAttack(160);
  const int firstBomblet = SpawnCopiedShot(161, bomb);
  const std::vector<int> bomblets = SlotsOfKind(161);
  ASSERT_EQ(bomblets.size(), 22u);
  EXPECT_EQ(bomblets[0], firstBomblet);
  const Character& source = CharacterTable[bomb];
  const Character& first = CharacterTable[firstBomblet];
  EXPECT_EQ(first.vx, source.vx * 2.0f);
  EXPECT_GE(first.vy - source.vy * 2.0f, 8.0f);
  EXPECT_LE(first.vy - source.vy * 2.0f, 18.0f);
  EXPECT_FLOAT_EQ(first.y, source.y + 4.0f * first.vy);
  EXPECT_EQ(first.timer, 120);
  EXPECT_EQ(first.halfWidth, 100.0f);
  for (int slot : bomblets) {
    EXPECT_GE(CharacterTable[slot].extra, 3);
    EXPECT_LE(CharacterTable[slot].extra, 10);
    EXPECT_EQ(CharacterTable[slot].type, kTypePlayerAttack);
  }
  EXPECT_FLOAT_EQ(CharacterTable[bomblets[21]].angle, 20 * 0.1f * kPi);
  EXPECT_FLOAT_EQ(CharacterTable[bomblets[21]].y, source.y + 2.0f * CharacterTable[bomblets[21]].vy);

  ResetScene();
  PlaceEnemy(5, 0, kPlayerX - 500.0f, kPlayerY);
  const int enemyBomb = FireEnemyShot(160, 5);
  EXPECT_EQ(CharacterTable[enemyBomb].hp, WeaponRecords[16].attack);
  SpawnCopiedShot(161, enemyBomb);
  const std::vector<int> enemyBomblets = SlotsOfKind(161);
  ASSERT_EQ(enemyBomblets.size(), 12u);
  EXPECT_EQ(CharacterTable[enemyBomblets[11]].type, kTypeEnemyShot);
  EXPECT_FLOAT_EQ(CharacterTable[enemyBomblets[1]].angle, 0.0f);
  EXPECT_FLOAT_EQ(CharacterTable[enemyBomblets[11]].angle, 10 * 0.2f * kPi);
  EXPECT_FLOAT_EQ(CharacterTable[enemyBomblets[11]].x,
                  CharacterTable[enemyBomb].x + 4.0f * CharacterTable[enemyBomblets[11]].vx);
}

TEST(AttackSpawning, CopiedKindRows) {
  ResetScene();
  const int source = FirePlayerAttack(0);
  CharacterTable[source].angle = 1.0f;
  struct CopyRow {
    int kind;
    int life;
    float halfSize;
    float speed;
  };
  const CopyRow rows[] = {{400, 5, 80, 0}, {410, 5, 120, 0}, {411, 15, 160, 0}, {412, 30, 160, 20}};
  for (const CopyRow& row : rows) {
    const Character& copy = CharacterTable[SpawnCopiedShot(row.kind, source)];
    EXPECT_EQ(copy.timer, row.life) << row.kind;
    EXPECT_EQ(copy.halfWidth, row.halfSize) << row.kind;
    EXPECT_NEAR(std::hypot(copy.vx, copy.vy), row.speed, 1e-3) << row.kind;
    EXPECT_EQ(copy.hp, CharacterTable[source].hp) << row.kind;
    EXPECT_EQ(copy.x, CharacterTable[source].x) << row.kind;
  }
  const Character& bomb = CharacterTable[SpawnCopiedShot(40, source)];
  EXPECT_EQ(bomb.hp, WeaponRecords[5].attack * 2.0f);
  EXPECT_EQ(bomb.timer, 200);
  EXPECT_EQ(bomb.vy, 20.0f);
  EXPECT_EQ(bomb.vx, 0.0f);
  PlaceEnemy(50, 0, 0.0f, 0.0f).halfHeight = 30.0f;
  CharacterTable[50].type = kTypeEnemy;
  const int blast = SpawnCopiedShot(731, 50);
  EXPECT_EQ(CharacterTable[blast].type, kTypePlayerAttack);
  EXPECT_EQ(CharacterTable[blast].hp, 500.0f);
  EXPECT_EQ(CharacterTable[blast].halfHeight, 60.0f);
  EXPECT_EQ(CharacterTable[blast].link, 50);
  EXPECT_EQ(g_battle.ScreenShake, 20);
}

TEST(AttackSpawning, MapHazardsStandOnTheirCell) {
  ResetScene();
  const Character& debris = CharacterTable[SpawnMapHazard(kHazardFallingDebris, 4, 7)];
  EXPECT_EQ(debris.type, kTypeMapHazard);
  EXPECT_EQ(debris.timer, 180);
  EXPECT_EQ(debris.hp, 300.0f);
  EXPECT_EQ(debris.extra, -1);
  EXPECT_EQ(debris.x, 450.0f);
  EXPECT_EQ(debris.y, 750.0f);
  SpawnMapHazard(kHazardExplodingCell, 2, 2);
  EXPECT_EQ(g_battle.ScreenShake, 30);
  EXPECT_EQ(g_battle.ScreenFlash[2].timer, 30);
  EXPECT_EQ(g_battle.ScreenFlash[2].alpha, 120);
  EXPECT_EQ(CountLive(kTypeEffect), 1);   // the growing blast
}

class AttackSpawningLog : public zelvo_test::BattleTest {};

TEST_F(AttackSpawningLog, FullTablesKeepWhatWasMadeAndSaySo) {
  ResetScene();
  FillTableLeaving(4);
  FirePlayerAttack(10);
  EXPECT_EQ(CountLive(kTypePlayerAttack), 4);   // the pellets made stay; the flash found no slot
  ResetScene();
  const int bomb = FirePlayerAttack(110);       // a laser: its launch takes no slot
  CharacterTable[bomb].kind = 160;
  FillTableLeaving(6);
  SpawnCopiedShot(161, bomb);
  EXPECT_EQ(CountLive(kTypePlayerAttack), 1 + 6);
  FirePlayerAttack(0);
  EXPECT_EQ(ScreenLogText(),
            "Character Over by stg\nCharacter Over by effect\nCharacter Over by cb\nCharacter Over by atk\n\n");
}

TEST(AttackSpawning, AimAtCharacterLeavesCoincidingObjectsAlone) {
  ResetScene();
  Character& shot = CharacterTable[3];
  shot.angle = 0.3f;
  shot.vx = 1.0f;
  PlaceEnemy(4, 0, kPlayerX, kPlayerY);
  AimAtCharacter(3, 4, kPlayerSlot, 10.0f);
  EXPECT_EQ(shot.angle, 0.3f);
  EXPECT_EQ(shot.vx, 1.0f);
  CharacterTable[4].y = kPlayerY - 100.0f;
  AimAtCharacter(3, 4, kPlayerSlot, 10.0f);
  EXPECT_FLOAT_EQ(shot.angle, 0.0f);
  EXPECT_FLOAT_EQ(shot.vy, 10.0f);
}

}  // namespace
}  // namespace horundel
