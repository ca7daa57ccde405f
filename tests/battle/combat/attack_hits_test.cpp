// Attack update and hits: the hit-class tables, damage to each tile kind, hits on enemies, the
// player and enemy shots, and the kind transitions of contact, the capture sequence included.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/battle/attack_scene.h"
#include "game/battle/world/attack_spawning.h"
#include "game/battle/combat/attacks.h"
#include "game/battle/world/character_table.h"
#include "game/battle/combat/pickups.h"
#include "game/battle/data/shell_services.h"

namespace horundel {
namespace {

// Freed slots are soon reused by the effects of the hit, so a freed shot is told by its type too.
bool IsShot(int slot) { return CharacterTable[slot].state != 0 && CharacterTable[slot].type == kTypeEnemyShot; }

TEST(HitClasses, TablesGiveTheClassOfEveryKind) {
  struct Case {
    int test;
    int kind;
    int life;
    int hitClass;
  };
  const Case cases[] = {
      {kHitTestShots, 0, 20, 1},     {kHitTestShots, 412, 20, 0},   {kHitTestShots, 541, 20, 0},
      {kHitTestShots, 703, 20, 0},   {kHitTestShots, 740, 20, 0},   {kHitTestShots, 70, 20, 2},
      {kHitTestShots, 151, 20, 2},   {kHitTestShots, 705, 20, 2},   {kHitTestShots, 900, 20, 2},
      {kHitTestShots, 701, 20, 0},   {kHitTestShots, 30, 20, 1},    {kHitTestBodies, 0, 7, 1},
      {kHitTestBodies, 800, 10, 0},  {kHitTestBodies, 1010, 10, 0}, {kHitTestBodies, 1000, 10, 1},
      {kHitTestBodies, 400, 5, 2},   {kHitTestBodies, 400, 4, 0},   {kHitTestBodies, 500, 9, 2},
      {kHitTestBodies, 500, 10, 0},  {kHitTestBodies, 531, 6, 2},   {kHitTestBodies, 531, 9, 0},
      {kHitTestBodies, 81, 30, 2},   {kHitTestBodies, 81, 35, 0},   {kHitTestBodies, 731, 3, 2},
      {kHitTestTiles, 0, 20, 1},     {kHitTestTiles, 440, 20, 0},   {kHitTestTiles, 705, 20, 0},
      {kHitTestTiles, 1000, 20, 0},  {kHitTestTiles, 542, 20, 2},   {kHitTestTiles, 531, 20, 3},
      {kHitTestTiles, 706, 20, 4},   {kHitTestTiles, 81, 20, 4},    {kHitTestTiles, 120, 20, 5},
      {kHitTestTiles, 900, 20, 5},   {kHitTestTiles, 430, 20, 1},   {kHitTestTiles, 704, 20, 4},
  };
  for (const Case& c : cases) {
    PlaceAttack(2, kTypePlayerAttack, c.kind, 0, 0, 1, c.life);
    EXPECT_EQ(HitClassOf(c.test, 2), c.hitClass) << "test " << c.test << " kind " << c.kind << " life " << c.life;
  }
  // A bomblet is inert while armed, then hits once in all three tests.
  PlaceAttack(2, kTypePlayerAttack, 161, 0, 0).extra = 2;
  for (int test : {kHitTestShots, kHitTestBodies, kHitTestTiles}) EXPECT_EQ(HitClassOf(test, 2), 0);
  CharacterTable[2].extra = 0;
  for (int test : {kHitTestShots, kHitTestBodies, kHitTestTiles}) EXPECT_EQ(HitClassOf(test, 2), 1);
}

TEST(DamageCell, EachTileKind) {
  struct Case {
    int tile;
    int result;
    int pendingHits;
    int cellAfter;
    int hazard;      // the map hazard kind spawned, or 0
    int itemType;    // a pickup dropped for sure, or 0
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0},
      {10, 2, 1, 0, 0, 0},
      {20, 1, 0, 20, 0, 0},
      {50, 2, 1, 0, 0, kTypeSupply},
      {60, 2, 30, 0, 0, 0},
      {70, 2, 1, 0, 0, kTypeCoin},
      {80, 2, 0, 0, kHazardExplodingCell, 0},
      {90, 1, 0, 90, 0, 0},
      {100, 0, 0, 100, 0, 0},
      {110, 2, 0, 0, kHazardFallingDebris, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tile);
    ResetScene();
    g_battle.PendingHits = 0;
    TileMap[4][6].kind = c.tile;
    EXPECT_EQ(DamageCell(4, 6, 1), c.result);
    EXPECT_EQ(g_battle.PendingHits, c.pendingHits);
    EXPECT_EQ(TileMap[4][6].kind, c.cellAfter);
    EXPECT_EQ(CountLive(kTypeMapHazard), c.hazard != 0 ? 1 : 0);
    if (c.hazard != 0) {
      for (int slot = 2; slot <= 300; ++slot) {
        if (CharacterTable[slot].type == kTypeMapHazard) {
          EXPECT_EQ(CharacterTable[slot].kind, c.hazard);
          EXPECT_EQ(CharacterTable[slot].x, 450.0f);
          EXPECT_EQ(CharacterTable[slot].y, 650.0f);
        }
      }
    }
    if (c.itemType != 0) {
      EXPECT_GE(CountLive(c.itemType), 1);
    }
  }
  // Outside the map is solid and indestructible.
  ResetScene();
  EXPECT_EQ(DamageCell(-1, 3, 1), 1);
  EXPECT_EQ(DamageCell(31, 3, 4), 1);
  EXPECT_EQ(DamageCell(3, 1000000, 1), 1);
}

TEST(AttackUpdate, EnemyShotsHurtThePlayerByDifficulty) {
  for (int difficulty : {2, 4}) {
    ResetScene();
    g_battle.Difficulty = difficulty;
    PlaceAttack(2, kTypeEnemyShot, 0, kPlayerX, kPlayerY, 100.0f);
    UpdateAttack(2, 0);
    EXPECT_FLOAT_EQ(CharacterTable[kPlayerSlot].hp, 800.0f - 15.0f * static_cast<float>(difficulty));
    EXPECT_EQ(CharacterTable[2].state, 0);   // one hit and gone
  }
  // On a machine the machine takes it.
  ResetScene();
  CharacterTable[kPlayerSlot].kind = 10;
  g_battle.MachineHp = 1200.0f;
  PlaceAttack(2, kTypeEnemyShot, 0, kPlayerX, kPlayerY, 100.0f);
  UpdateAttack(2, 0);
  EXPECT_EQ(CharacterTable[kPlayerSlot].hp, 800.0f);
  EXPECT_FLOAT_EQ(g_battle.MachineHp, 1170.0f);
  // Invulnerable, or a class-0 kind: nothing.
  ResetScene();
  CharacterTable[kPlayerSlot].extra = 5;
  PlaceAttack(2, kTypeEnemyShot, 0, kPlayerX, kPlayerY, 100.0f);
  UpdateAttack(2, 0);
  EXPECT_EQ(CharacterTable[kPlayerSlot].hp, 800.0f);
  CharacterTable[kPlayerSlot].extra = 0;
  PlaceAttack(3, kTypeEnemyShot, 1010, kPlayerX, kPlayerY, 100.0f).param = 40;
  PlaceEnemy(40, 70, 0.0f, 0.0f);
  UpdateAttack(3, 0);
  EXPECT_EQ(CharacterTable[kPlayerSlot].hp, 800.0f);
}

TEST(AttackUpdate, MapHazardsHurtEnemiesAndThePlayerAlike) {
  ResetScene();
  PlaceEnemy(10, 0, kPlayerX + 60.0f, kPlayerY, 1000.0f);
  PlaceAttack(2, kTypeMapHazard, kHazardCellBurst, kPlayerX + 30.0f, kPlayerY, 300.0f, 5).halfWidth = 100.0f;
  UpdateAttack(2, 0);
  EXPECT_EQ(CharacterTable[10].hp, 700.0f);
  EXPECT_FLOAT_EQ(CharacterTable[kPlayerSlot].hp, 800.0f - 90.0f);
  EXPECT_EQ(g_battle.PendingHits, 10);
  EXPECT_EQ(g_battle.ComboCount, 1);
  EXPECT_EQ(CharacterTable[kPlayerSlot].state, 100);
  EXPECT_EQ(CharacterTable[kPlayerSlot].vx, -8.0f);   // pushed away from the burst
}

TEST(AttackUpdate, PlayerAttacksShootDownEnemyShots) {
  ResetScene();
  PlaceAttack(2, kTypePlayerAttack, 0, 500.0f, 500.0f);
  PlaceAttack(3, kTypeEnemyShot, 0, 510.0f, 500.0f);
  UpdateAttack(2, 0);
  EXPECT_EQ(CharacterTable[3].state, 0);
  EXPECT_EQ(CharacterTable[2].state, 0);   // class 1: spent on the shot
  EXPECT_EQ(g_battle.PendingHits, 3);

  // Explosions cannot be shot down, and a class-1 bullet is not spent on them.
  ResetScene();
  PlaceAttack(2, kTypePlayerAttack, 0, 500.0f, 500.0f);
  PlaceAttack(3, kTypeEnemyShot, 410, 510.0f, 500.0f);
  UpdateAttack(2, 0);
  EXPECT_TRUE(IsShot(3));
  EXPECT_NE(CharacterTable[2].state, 0);
  EXPECT_EQ(g_battle.PendingHits, 0);

  // A class-2 blast goes on through several shots; a shot never shoots another down.
  ResetScene();
  PlaceAttack(2, kTypePlayerAttack, 70, 500.0f, 500.0f).halfWidth = 200.0f;
  PlaceAttack(3, kTypeEnemyShot, 0, 510.0f, 500.0f);
  PlaceAttack(4, kTypeEnemyShot, 20, 550.0f, 500.0f);
  UpdateAttack(2, 0);
  EXPECT_FALSE(IsShot(3));
  EXPECT_FALSE(IsShot(4));
  EXPECT_NE(CharacterTable[2].state, 0);
  EXPECT_EQ(g_battle.PendingHits, 6);
  PlaceAttack(50, kTypeEnemyShot, 0, 2000.0f, 500.0f);
  PlaceAttack(51, kTypeEnemyShot, 0, 2000.0f, 500.0f);
  UpdateAttack(50, 0);
  EXPECT_TRUE(IsShot(51));
}

TEST(AttackUpdate, HitsOnEnemiesFeedTheComboAndKnockBack) {
  struct Case {
    int kind;
    int enemyKind;
    int state;
    int motion;
    float vx, vy;
    int hitStop;
  };
  const Case cases[] = {
      {0, 0, 100, 48, 4, 0, 0},        // a bullet
      {531, 0, 101, 58, 4, -16, 2},    // class 3: the soldier is thrown down
      {502, 0, 101, 58, 12, -6, 2},
      {510, 0, 100, 48, 4, -1, 1},
      {540, 0, 101, 58, 20, 16, 2},
      {0, 30, 10, 0, 0, 0, 0},         // the tank shrugs off class 1
      {410, 30, 100, 42, 0.7f * 8, 0.7f * -8, 0},
      {0, 20, 100, 48, 0, 0, 0},       // the cannon rider keeps its velocity
      {0, 60, 10, 0, 0, 0, 0},         // the boss is never knocked back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind * 1000 + c.enemyKind);
    ResetScene();
    Character& enemy = PlaceEnemy(10, c.enemyKind, 500.0f, 500.0f, 5000.0f);
    PlaceAttack(2, kTypePlayerAttack, c.kind, 500.0f, 500.0f, 250.0f, 30);
    UpdateAttack(2, 0);
    EXPECT_EQ(enemy.hp, 4750.0f);
    EXPECT_EQ(enemy.state, c.state);
    EXPECT_EQ(enemy.motion, c.motion);
    EXPECT_FLOAT_EQ(enemy.vx, c.vx);
    EXPECT_FLOAT_EQ(enemy.vy, c.vy);
    EXPECT_EQ(enemy.extra, 3);
    EXPECT_EQ(g_battle.ComboCount, 1);
    EXPECT_EQ(g_battle.ComboDisplayTimer, 120);
    EXPECT_EQ(g_battle.HitStopRequest, c.hitStop);
  }
  // A blast from a map cell pays 20 bonus hits.
  ResetScene();
  PlaceEnemy(10, 0, 500.0f, 500.0f);
  PlaceAttack(2, kTypeMapHazard, 400, 500.0f, 500.0f, 100.0f, 5).extra = -1;
  UpdateAttack(2, 0);
  EXPECT_EQ(g_battle.PendingHits, 20);
}

TEST(AttackUpdate, TileHitsByClass) {
  // Centre class: a bullet breaks the cell it reaches and is spent; attacks pass kind 100.
  ResetScene();
  TileMap[5][5].kind = 10;
  TileMap[6][5].kind = 100;
  PlaceAttack(2, kTypePlayerAttack, 0, 550.0f, 550.0f);
  UpdateAttack(2, 0);
  EXPECT_EQ(TileMap[5][5].kind, 0);
  EXPECT_EQ(CharacterTable[2].state, 0);
  PlaceAttack(2, kTypePlayerAttack, 0, 650.0f, 550.0f);
  UpdateAttack(2, 0);
  EXPECT_EQ(TileMap[6][5].kind, 100);
  EXPECT_NE(CharacterTable[2].state, 0);

  // Class 5 pierces what it breaks and stops at what it cannot.
  ResetScene();
  TileMap[5][5].kind = 30;
  PlaceAttack(2, kTypePlayerAttack, 120, 550.0f, 550.0f);
  UpdateAttack(2, 0);
  EXPECT_EQ(TileMap[5][5].kind, 0);
  EXPECT_EQ(CharacterTable[2].kind, 120);
  TileMap[5][5].kind = 20;
  PlaceAttack(2, kTypePlayerAttack, 120, 550.0f, 550.0f);
  UpdateAttack(2, 0);
  EXPECT_EQ(CharacterTable[2].kind, 400);

  // A sweep of class 2 reaches the cells around the box but stops one row short below.
  ResetScene();
  for (int column = 3; column <= 7; ++column)
    for (int row = 3; row <= 7; ++row) TileMap[column][row].kind = 10;
  Character& sweep = PlaceAttack(2, kTypePlayerAttack, 500, 550.0f, 550.0f, 60.0f, 10);
  sweep.halfWidth = sweep.halfHeight = 80.0f;
  CharacterTable[kPlayerSlot].state = 300;
  CharacterTable[kPlayerSlot].x = 490.0f;
  CharacterTable[kPlayerSlot].y = 550.0f;
  sweep.vx = 60.0f;
  UpdateAttack(2, 0);
  int broken = 0;
  for (int column = 3; column <= 7; ++column)
    for (int row = 3; row <= 7; ++row) broken += TileMap[column][row].kind == 0 ? 1 : 0;
  EXPECT_EQ(broken, 6);   // columns 4..6, rows 4..5
  EXPECT_EQ(TileMap[5][6].kind, 10);
  EXPECT_EQ(g_battle.PendingHits, 6);
}

struct Transition {
  int kind;
  int type;
  int contact;      // what is touched: a slot number below, kContactCell or kContactEnd
  int result;
  int kindAfter;    // -1: freed
  int lifeAfter;
  float halfAfter;
};

constexpr int kEnemySlot = 20;
constexpr int kShotSlot = 21;

TEST(ResolveHit, KindTransitions) {
  const Transition cases[] = {
      {30, kTypePlayerAttack, kEnemySlot, 1, 400, 5, 120},
      {40, kTypePlayerAttack, kShotSlot, 1, 400, 5, 120},
      {430, kTypeMapHazard, kContactCell, 1, 400, 5, 120},
      {50, kTypePlayerAttack, kContactCell, 1, 410, 5, 200},
      {900, kTypeEnemyShot, kPlayerSlot, 1, 410, 5, 200},
      {800, kTypePlayerAttack, kContactEnd, 1, 410, 5, 200},
      {740, kTypePlayerAttack, kEnemySlot, 1, 410, 15, 30},
      {80, kTypePlayerAttack, kEnemySlot, 1, 81, 180, 30},
      {80, kTypeEnemyShot, kPlayerSlot, 1, 81, 60, 30},
      {80, kTypePlayerAttack, kContactCell, 1, -1, 50, 30},
      {80, kTypePlayerAttack, kShotSlot, 0, 80, 50, 30},
      {120, kTypePlayerAttack, kContactCell, 1, 400, 5, 80},
      {130, kTypePlayerAttack, kEnemySlot, 1, 410, 5, 180},
      {110, kTypePlayerAttack, kContactCell, 0, 110, 50, 30},
      {140, kTypePlayerAttack, kEnemySlot, 1, 400, 5, 80},
      {151, kTypeEnemyShot, kPlayerSlot, 1, 410, 5, 200},
      {161, kTypePlayerAttack, kContactCell, 1, 400, 5, 150},
      {170, kTypePlayerAttack, kEnemySlot, 1, 171, 120, 150},
      {711, kTypePlayerAttack, kContactCell, 1, 420, 30, 400},
      {711, kTypePlayerAttack, kShotSlot, 0, 711, 50, 30},
      {810, kTypePlayerAttack, kContactEnd, 1, 420, 30, 500},
      {810, kTypePlayerAttack, kEnemySlot, 0, 810, 50, 30},
      {1000, kTypeEnemyShot, kPlayerSlot, 1, 1010, 60, 30},
      {1010, kTypeEnemyShot, kContactEnd, 1, 1020, 60, 30},
      {700, kTypePlayerAttack, kContactEnd, 1, 701, 300, 30},
      {700, kTypePlayerAttack, kContactCell, 1, 701, 300, 30},
      {700, kTypePlayerAttack, kShotSlot, 0, 700, 50, 30},
      {700, kTypePlayerAttack, kEnemySlot, 1, 702, 60, 30},
      {704, kTypePlayerAttack, kContactEnd, 1, 701, 300, 30},
      {705, kTypePlayerAttack, kContactEnd, 1, 700, 40, 30},
      {706, kTypePlayerAttack, kContactEnd, 1, 704, 120, 30},
      {706, kTypePlayerAttack, kEnemySlot, 1, 702, 60, 30},
      {702, kTypePlayerAttack, kContactEnd, 1, 701, 300, 30},
      {707, kTypePlayerAttack, kContactEnd, 1, 701, 300, 30},
      {0, kTypePlayerAttack, kEnemySlot, 0, 0, 50, 30},
  };
  for (const Transition& c : cases) {
    SCOPED_TRACE(c.kind * 100 + c.contact);
    ResetScene();
    g_battle.Difficulty = 2;
    PlaceEnemy(kEnemySlot, 0, 500.0f, 500.0f);
    PlaceAttack(kShotSlot, kTypeEnemyShot, 0, 500.0f, 500.0f);
    Character& attack = PlaceAttack(2, c.type, c.kind, 500.0f, 500.0f, 100.0f, 50);
    attack.vx = 10.0f;
    attack.angle = kHalfPi;
    EXPECT_EQ(ResolveHit(2, c.contact), c.result);
    if (c.kindAfter < 0) {
      EXPECT_EQ(attack.state, 0);
      continue;
    }
    EXPECT_NE(attack.state, 0);
    EXPECT_EQ(attack.kind, c.kindAfter);
    EXPECT_EQ(attack.timer, c.lifeAfter);
    EXPECT_EQ(attack.halfWidth, c.halfAfter);
  }
}

TEST(ResolveHit, TransitionDetails) {
  ResetScene();
  // The napalm bomb steps back and burns slowly along its angle.
  Character& napalm = PlaceAttack(2, kTypePlayerAttack, 170, 500.0f, 500.0f);
  napalm.angle = 0.0f;
  napalm.vx = 0.0f;
  napalm.vy = 20.0f;
  ResolveHit(2, kContactCell);
  EXPECT_EQ(napalm.y, 460.0f);
  EXPECT_EQ(napalm.vy, 6.0f);
  // The blasts of 711 and 810 deal 200.
  PlaceAttack(3, kTypePlayerAttack, 711, 0, 0, 30.0f);
  ResolveHit(3, kEnemySlot - 19);
  EXPECT_EQ(CharacterTable[3].hp, 200.0f);
  // A locked wire remembers what it struck.
  PlaceEnemy(kEnemySlot, 0, 0, 0);
  PlaceAttack(4, kTypePlayerAttack, 80, 0, 0);
  ResolveHit(4, kEnemySlot);
  EXPECT_EQ(CharacterTable[4].link, kEnemySlot);
  // The drop kick bounces the heroine off whatever slot it meets.
  PlaceAttack(5, kTypePlayerAttack, 542, 0, 0);
  EXPECT_EQ(ResolveHit(5, kEnemySlot), 0);
  EXPECT_EQ(CharacterTable[kPlayerSlot].state, 344);
  EXPECT_EQ(CharacterTable[kPlayerSlot].vy, -12.0f);
  // The air raid's bomber enters above and behind the heroine.
  g_battle.Difficulty = 4;
  PlaceAttack(6, kTypeEnemyShot, 1000, 0, 0);
  ResolveHit(6, kPlayerSlot);
  EXPECT_EQ(CharacterTable[6].timer, 20);
  EXPECT_EQ(CharacterTable[6].link, kPlayerSlot);
  ResolveHit(6, kContactEnd);
  EXPECT_EQ(CharacterTable[6].x, kPlayerX - 300.0f);
  EXPECT_EQ(CharacterTable[6].y, kPlayerY - 600.0f);
  EXPECT_EQ(CharacterTable[6].vx, 10.0f);
  // The cluster bomb bursts into its bomblets and is gone.
  Character& cluster = PlaceAttack(7, kTypePlayerAttack, 160, 900.0f, 900.0f);
  EXPECT_EQ(ResolveHit(7, kContactEnd), 1);
  EXPECT_EQ(cluster.state, 0);
}

TEST(CaptureSequence, ASeizedWeaponIsCarriedHome) {
  ResetScene();
  g_battle.ToolWeaponState = 0;
  g_battle.WeaponSlotCount = 2;
  Character& soldier = PlaceEnemy(10, 0, 1500.0f, 1000.0f, 500.0f);
  soldier.param = 4;
  Character& throwHit = PlaceAttack(2, kTypePlayerAttack, 700, 1480.0f, 1000.0f, 5.0f, 40);
  throwHit.halfWidth = throwHit.halfHeight = 50.0f;
  throwHit.vx = 20.0f;
  UpdateAttack(2, 0);
  ASSERT_EQ(throwHit.kind, 702);
  EXPECT_EQ(soldier.state, 230);
  EXPECT_EQ(soldier.vy, 0.3f * 0.0f - 8.0f);
  EXPECT_EQ(throwHit.timer, 60);   // a soldier is held 60 frames
  int frames = 0;
  while (throwHit.kind == 702 && frames < 100) {
    UpdateAttack(2, 0);
    ++frames;
  }
  EXPECT_EQ(frames, 60);
  ASSERT_EQ(throwHit.kind, 703);
  EXPECT_EQ(throwHit.extra, 4);
  EXPECT_EQ(soldier.param, 0);
  for (int frame = 0; frame < 100 && throwHit.state != 0; ++frame) UpdateAttack(2, 0);
  EXPECT_EQ(throwHit.state, 0);
  EXPECT_EQ(g_battle.ToolWeaponState, 1);
  EXPECT_EQ(g_battle.WeaponSlot[1].weapon, 4);
  EXPECT_EQ(g_battle.WeaponSlot[1].ammunition, WeaponRecords[4].initialAmmunition);
}

TEST(CaptureSequence, MachinesComeLooseAndTheThrowReturns) {
  ResetScene();
  g_battle.ToolWeaponState = 0;
  Character& tank = PlaceEnemy(10, 30, 1500.0f, 1000.0f);
  Character& hold = PlaceAttack(2, kTypePlayerAttack, 702, 1500.0f, 1000.0f, 5.0f, 1);
  hold.link = 10;
  UpdateAttack(2, 0);
  EXPECT_EQ(tank.state, 0);
  EXPECT_EQ(CountLive(kTypeMachinePickup), 1);
  EXPECT_EQ(hold.kind, 701);
  EXPECT_NE(hold.state, 0);

  // A charged throw into a wall without the crawler returns and leaves a travelling blast.
  ResetScene();
  g_battle.ToolWeaponState = 0;
  TileMap[6][5].kind = 20;
  Character& charged = PlaceAttack(2, kTypePlayerAttack, 704, 580.0f, 550.0f, 200.0f, 100);
  charged.vx = 20.0f;
  charged.angle = kHalfPi;
  UpdateAttack(2, 0);
  EXPECT_EQ(charged.kind, 701);
  int blasts = 0;
  for (int slot = 3; slot <= 300; ++slot) blasts += CharacterTable[slot].kind == 412 ? 1 : 0;
  EXPECT_EQ(blasts, 1);

  // Every part of the sequence vanishes once the tool-weapon is back in hand.
  ResetScene();
  g_battle.ToolWeaponState = 1;
  for (int kind : {700, 701, 702, 704, 705, 706, 707}) {
    PlaceAttack(2, kTypePlayerAttack, kind, 3000.0f, 500.0f);
    UpdateAttack(2, 0);
    EXPECT_EQ(CharacterTable[2].state, 0) << kind;
  }
}

TEST(CaptureSequence, DragAnEnemyToTheHeroine) {
  ResetScene();
  g_battle.ToolWeaponState = 0;
  SkillRecords[5].owned = 1;
  KeyBindings[kKeyShoot].pressed = 1;
  Character& rider = PlaceEnemy(10, 20, 1500.0f, 1000.0f);
  Character& hold = PlaceAttack(2, kTypePlayerAttack, 702, 1500.0f, 1000.0f, 5.0f, 30);
  hold.link = 10;
  UpdateAttack(2, 0);
  EXPECT_EQ(hold.kind, 707);
  EXPECT_EQ(rider.kind, 0);                       // pulled off its cannon
  EXPECT_GE(rider.param, 1);
  EXPECT_EQ(CountLive(kTypeMachinePickup), 1);
  for (int frame = 0; frame < 200 && hold.state != 0; ++frame) UpdateAttack(2, 0);
  EXPECT_EQ(g_battle.HeldEnemySlot, 10);
  EXPECT_EQ(rider.state, 231);
  EXPECT_EQ(CharacterTable[kPlayerSlot].state, 230);
  EXPECT_EQ(CharacterTable[kPlayerSlot].vx, -10.0f);
  EXPECT_EQ(g_battle.ToolWeaponState, 1);
}

TEST(WallCrawlers, SnapOntoTheWallTheyMeet) {
  struct Case {
    float vx, vy, angle;
    int facing;
    float x, y;            // the snapped position
    int column, row;       // the target corner
    float angleAfter;
    int facingAfter;
  };
  // The crawler's own cell is (5, 5): x 500..599, y 500..599.
  const Case cases[] = {
      {20, 0, 1.0f, 1, 600, 500, 6, 6, 0, 1},              // a wall on the right, heading down and right
      {20, 0, kHalfPi, 1, 600, 500, 6, 4, kPi, -1},        // level counts as up
      {20, 0, 2.0f, 1, 600, 500, 6, 4, kPi, -1},           // heading up the wall
      {-20, 0, -kHalfPi, -1, 500, 500, 5, 5, kPi, 1},
      {0, -20, kPi, 1, 500, 500, 5, 5, kHalfPi, 1},        // the ceiling
      {0, 20, 0, 1, 500, 600, 5, 6, kHalfPi, -1},          // the floor, straight down
      {0, 20, -0.3f, 1, 500, 600, 5, 6, -kHalfPi, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    ResetScene();
    for (int i = 0; i <= 10; ++i) TileMap[i][i].kind = 0;
    TileMap[6][5].kind = c.vx > 0 ? 10 : 0;
    TileMap[4][5].kind = c.vx < 0 ? 10 : 0;
    TileMap[5][4].kind = c.vy < 0 ? 10 : 0;
    TileMap[5][6].kind = c.vy > 0 ? 10 : 0;
    const float nearX = c.vx > 0 ? 40.0f : (c.vx < 0 ? -40.0f : 0.0f);
    const float nearY = c.vy > 0 ? 40.0f : (c.vy < 0 ? -40.0f : 0.0f);
    Character& crawler = PlaceAttack(2, kTypePlayerAttack, 150, 550.0f + nearX, 550.0f + nearY);
    crawler.vx = c.vx;
    crawler.vy = c.vy;
    crawler.angle = c.angle;
    crawler.facing = c.facing;
    ASSERT_EQ(MeetWall(2), 1);
    EXPECT_EQ(crawler.kind, 151);
    EXPECT_EQ(crawler.timer, 180);
    EXPECT_EQ(crawler.x, c.x);
    EXPECT_EQ(crawler.y, c.y);
    EXPECT_EQ(crawler.motion, c.column);
    EXPECT_EQ(crawler.motionTick, c.row);
    EXPECT_FLOAT_EQ(crawler.angle, c.angleAfter);
    EXPECT_EQ(crawler.facing, c.facingAfter);
  }
  // Kind 100 is no wall to them.
  ResetScene();
  TileMap[6][5].kind = 100;
  PlaceAttack(2, kTypePlayerAttack, 150, 550.0f, 550.0f).vx = 60.0f;
  EXPECT_EQ(MeetWall(2), 0);
}

TEST(WallCrawlers, CrawlRoundACorner) {
  ResetScene();
  // A torpedo on the floor (row 6 solid) heading right, at the corner of a step up at column 8.
  for (int column = 0; column <= 30; ++column) TileMap[column][6].kind = 20;
  TileMap[8][5].kind = 20;
  Character& crawler = PlaceAttack(2, kTypePlayerAttack, 151, 700.0f, 600.0f, 100.0f, 180);
  crawler.angle = kHalfPi;
  crawler.facing = -1;   // the wall is on its right-hand side: turns go the other way
  crawler.motion = 8;
  crawler.motionTick = 6;
  for (int frame = 0; frame < 9; ++frame) UpdateAttack(2, 0);
  EXPECT_EQ(crawler.x, 800.0f);
  EXPECT_EQ(crawler.y, 600.0f);
  // At the step the cell ahead and up is solid: it turns up the wall.
  EXPECT_FLOAT_EQ(std::fabs(crawler.angle), kPi);
  EXPECT_EQ(crawler.motionTick, 5);
}

}  // namespace
}  // namespace horundel
