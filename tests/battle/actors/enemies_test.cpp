// Enemy kinds against an idle heroine: their cycles and timings, burning down and destruction.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/battle/heroine_scene.h"
#include "game/battle/world/enemy_spawn.h"
#include "game/battle/actors/enemy_update.h"

namespace horundel {
namespace {

using Transitions = std::vector<std::pair<int, int>>;   // (frame, new state)

// Runs the enemy alone for the frames and records its state changes (frames from 1).
Transitions RunEnemy(int slot, int frames, int mode = 0) {
  Transitions changes;
  int state = CharacterTable[slot].state;
  for (int frame = 1; frame <= frames; ++frame) {
    UpdateEnemy(slot, mode);
    if (CharacterTable[slot].state != state) {
      state = CharacterTable[slot].state;
      changes.emplace_back(frame, state);
    }
  }
  return changes;
}

TEST(Enemies, SpawnTakesHitPointsFromDifficultyAndMission) {
  ResetHeroineScene();
  g_battle.Difficulty = 3;
  g_battle.CurrentMission = 2;
  struct Case {
    int kind;
    float hp;
    float halfWidth;
  };
  const Case cases[] = {{0, 900, 40}, {10, 10, 40}, {20, 1600, 60}, {30, 4800, 120}, {60, 31000, 120},
                        {70, 400, 30}, {80, 2200, 160}};
  for (const Case& c : cases) {
    const int slot = SpawnEnemy(c.kind, 500, 500, 1, 3);
    EXPECT_EQ(CharacterTable[slot].hp, c.hp) << c.kind;
    EXPECT_EQ(CharacterTable[slot].halfWidth, c.halfWidth) << c.kind;
  }
}

TEST(Enemies, SoldierWaitsApproachesAndFiresWithDifficultyPauses) {
  struct Case {
    int difficulty;
    int frames;
    Transitions changes;
  };
  const Case cases[] = {
      {2, 163, {{1, 120}, {2, 200}, {82, 10}, {162, 120}, {163, 200}}},
      {4, 83, {{1, 120}, {2, 200}, {42, 10}, {82, 120}, {83, 200}}},
  };
  for (const Case& c : cases) {
    ResetHeroineScene();
    g_battle.Difficulty = c.difficulty;
    const int slot = SpawnEnemy(0, 1500.0f, kStandingY, -1, 2);
    const Transitions changes = RunEnemy(slot, c.frames);
    EXPECT_EQ(changes, c.changes) << "difficulty " << c.difficulty;
    EXPECT_FLOAT_EQ(CharacterTable[slot].x, 1492.0f);   // two frames of approach at 4 a frame
    EXPECT_EQ(CharacterTable[slot].facing, -1);
    EXPECT_GE(LiveKinds(kTypeEnemyShot).size(), 1u);
  }
}

TEST(Enemies, SoldierLungesUpCloseAndRecoversAtOnceOnChallange) {
  ResetHeroineScene();
  g_battle.Difficulty = 4;
  const int slot = SpawnEnemy(0, 1150.0f, kStandingY, -1, 2);
  const Transitions changes = RunEnemy(slot, 123);
  EXPECT_EQ(changes, (Transitions{{1, 120}, {2, 300}, {42, 301}, {122, 10}, {123, 120}}));
  EXPECT_EQ(CountKind(kTypeEnemyShot, 501), 1);
}

TEST(Enemies, SoldierJumpsAWallWithRoomAboveAndWaitsAtAHigherOne) {
  ResetHeroineScene();
  for (int column = 12; column <= 14; ++column) TileMap[column][kFloorRow - 1].kind = 1;   // one cell high: jumped
  // The wall must be right ahead: a soldier that sees the heroine stops approaching to fire.
  const int slot = SpawnEnemy(0, 1540.0f, kStandingY, -1, 2);
  const Transitions changes = RunEnemy(slot, 60);
  ASSERT_GE(changes.size(), 3u);
  EXPECT_EQ(changes[0], (std::pair<int, int>{1, 120}));
  EXPECT_EQ(changes[1], (std::pair<int, int>{2, 20}));
  EXPECT_EQ(changes[2].second, 120);   // landed (state 10) and at once approaches again
  EXPECT_FLOAT_EQ(CharacterTable[slot].y, 960.0f);   // on top of the wall
  EXPECT_LT(CharacterTable[slot].x, 1500.0f);

  ResetHeroineScene();
  g_battle.Difficulty = 2;
  TileMap[14][kFloorRow - 1].kind = 1;
  TileMap[14][kFloorRow - 2].kind = 1;   // two cells high: it waits
  const int waiting = SpawnEnemy(0, 1540.0f, kStandingY, -1, 2);
  EXPECT_EQ(RunEnemy(waiting, 4), (Transitions{{1, 120}, {2, 10}}));
  EXPECT_EQ(CharacterTable[waiting].timer, 78);   // a pause of 80 before it tries again
}

TEST(Enemies, InTrainingEnemiesNeverApproachOrFire) {
  ResetHeroineScene();
  g_battle.CurrentMission = 0;
  const int soldier = SpawnEnemy(0, 1300.0f, kStandingY, -1, 2);
  const int gun = SpawnEnemy(10, 1400.0f, kStandingY, -1, 2);
  EXPECT_TRUE(RunEnemy(soldier, 300).empty());
  EXPECT_TRUE(RunEnemy(gun, 300).empty());
  EXPECT_TRUE(LiveKinds(kTypeEnemyShot).empty());
}

// A burst already under way is finished when the enemy turns passive (here the heroine falls); only a
// new one is never started.
TEST(Enemies, BurstStartedGoesOnWhenTheEnemyTurnsPassive) {
  struct Case {
    int kind;
    float y;
    int weapon;
  };
  const Case cases[] = {{0, kStandingY, 2}, {10, kStandingY, 2}, {20, 1040.0f, 0}, {30, 1040.0f, 0}};
  for (const Case& c : cases) {
    int shots[2] = {};
    for (int heroineFalls = 0; heroineFalls < 2; ++heroineFalls) {
      ResetHeroineScene();
      const int slot = SpawnEnemy(c.kind, c.kind == 30 ? 1300.0f : 1500.0f, c.y, -1, c.weapon);
      Character& e = CharacterTable[slot];
      for (int frame = 0; frame < 200 && e.state != 200 && e.state != 201; ++frame) UpdateEnemy(slot, 0);
      ASSERT_TRUE(e.state == 200 || e.state == 201) << "kind " << c.kind << " never attacked";
      const int burst = e.state;
      if (heroineFalls != 0) CharacterTable[kPlayerSlot].hp = 0.0f;
      const std::size_t before = LiveKinds(kTypeEnemyShot).size();
      while (e.state == burst) UpdateEnemy(slot, 0);
      shots[heroineFalls] = static_cast<int>(LiveKinds(kTypeEnemyShot).size() - before);
      if (heroineFalls == 0) continue;
      for (int frame = 0; frame < 300; ++frame) {
        UpdateEnemy(slot, 0);
        EXPECT_NE(e.state, burst) << "kind " << c.kind << " started a new burst";
      }
    }
    EXPECT_GT(shots[0], 0) << "kind " << c.kind;
    EXPECT_EQ(shots[1], shots[0]) << "kind " << c.kind;
  }
}

TEST(Enemies, DisarmedSoldierIsShockedThenFleesAndIsGoneFarAway) {
  ResetHeroineScene();
  g_battle.LastColumn = 100;
  for (int column = 0; column <= 100; ++column) TileMap[column][kFloorRow].kind = 1;
  const int slot = SpawnEnemy(0, 1300.0f, kStandingY, -1, 0);
  const Transitions changes = RunEnemy(slot, 61);
  EXPECT_EQ(changes, (Transitions{{1, 130}, {61, 131}}));
  EXPECT_EQ(CountKind(kTypeEffect, 300), 1);
  EXPECT_EQ(CountKind(kTypeEffect, 310), 1);
  // Far on both axes it is freed without drops; the heroine is raised out of reach.
  CharacterTable[kPlayerSlot].y = -2000.0f;
  CharacterTable[slot].x = 2500.0f;
  UpdateEnemy(slot, 0);
  EXPECT_EQ(CharacterTable[slot].state, 0);
  EXPECT_TRUE(LiveKinds(30).empty());
}

TEST(Enemies, CannonRiderFiresFiveShotsAnAttack) {
  ResetHeroineScene();
  const int slot = SpawnEnemy(20, 1500.0f, 1040.0f, -1, 0);
  const Transitions changes = RunEnemy(slot, 81);
  EXPECT_EQ(changes, (Transitions{{1, 200}, {81, 10}}));   // shots at timer 20, 15, 10, 5 and 0
  EXPECT_EQ(CountKind(kTypeEnemyShot, 90), 5);
}

TEST(Enemies, TankClosesInThenFiresItsShellWithRecoil) {
  ResetHeroineScene();
  const int slot = SpawnEnemy(30, 1600.0f, 1040.0f, -1, 0);
  const Transitions changes = RunEnemy(slot, 142);
  EXPECT_EQ(changes, (Transitions{{1, 120}, {2, 202}, {42, 203}, {142, 10}}));
  EXPECT_EQ(CountKind(kTypeEnemyShot, 900), 1);
}

TEST(Enemies, FloorGunRobbedOfItsWeaponBlowsUpNextFrame) {
  ResetHeroineScene();
  const int slot = SpawnEnemy(10, 1400.0f, kStandingY, -1, 0);
  UpdateEnemy(slot, 0);
  EXPECT_NE(CharacterTable[slot].state, 0);
  UpdateEnemy(slot, 0);
  EXPECT_EQ(CharacterTable[slot].state, 0);
}

TEST(Enemies, BurnedDownEnemyIsDestroyedWithItsDrops) {
  struct Case {
    int kind;
    int wrecks;
    int trucks;
  };
  for (const Case& c : {Case{0, 1, 0}, Case{80, 0, 1}}) {
    ResetHeroineScene();
    Character& e = PlaceEnemy(5, c.kind, 2000.0f, kStandingY, 1000.0f);
    e.hp = 0.0f;
    for (int frame = 1; frame <= 100; ++frame) UpdateEnemy(5, 0);
    EXPECT_FLOAT_EQ(e.hp, -1000.0f);   // 1% of the maximum a frame
    EXPECT_NE(e.state, 0);
    EXPECT_EQ(g_battle.PendingHits, 0);
    UpdateEnemy(5, 0);
    EXPECT_EQ(e.state, 0) << c.kind;
    EXPECT_EQ(g_battle.PendingHits, 10);
    EXPECT_FALSE(LiveKinds(30).empty());   // coins
    EXPECT_EQ(CountKind(kTypeEffect, 400), c.wrecks);
    EXPECT_EQ(CountKind(kTypeEffect, 410), 1);
    EXPECT_EQ(g_battle.MissionScriptVars[0], c.trucks);
  }
}

TEST(Enemies, AHeldEnemyDoesNotBurnDown) {
  ResetHeroineScene();
  Character& e = PlaceEnemy(5, 0, 2000.0f, kStandingY, 100.0f);
  e.hp = -150.0f;
  e.state = 231;
  e.timer = 10;
  for (int frame = 0; frame < 5; ++frame) {
    e.timer = 10;   // the heroine keeps it held
    UpdateEnemy(5, 0);
  }
  EXPECT_EQ(e.state, 231);
  EXPECT_FLOAT_EQ(e.hp, -150.0f);
}

TEST(Enemies, BossSendsAPodEveryCadenceWhileItSeesTheHeroine) {
  struct Case {
    int difficulty;
    std::vector<int> frames;
  };
  const Case cases[] = {{2, {1, 121, 241}}, {4, {1, 61, 121, 181, 241}}};
  for (const Case& c : cases) {
    ResetHeroineScene();
    g_battle.Difficulty = c.difficulty;
    const int boss = SpawnEnemy(60, 1800.0f, 840.0f, -1, 0);
    std::vector<int> podFrames;
    for (int frame = 1; frame <= 300; ++frame) {
      const int before = CountKind(kTypeEnemy, 70);
      UpdateEnemy(boss, 0);
      if (CountKind(kTypeEnemy, 70) > before) podFrames.push_back(frame);
    }
    EXPECT_EQ(podFrames, c.frames) << "difficulty " << c.difficulty;
    int unarmed = 0;
    for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
      const Character& pod = CharacterTable[slot];
      if (pod.state == 0 || pod.type != kTypeEnemy || pod.kind != 70) continue;
      EXPECT_TRUE(pod.y == 640.0f || pod.y == 840.0f || pod.y == 1040.0f) << pod.y;
      EXPECT_EQ(pod.facing, -1);
      unarmed += pod.param == 0 ? 1 : 0;
    }
    EXPECT_EQ(CountKind(kTypeEnemyShot, 1000), unarmed);
  }
}

TEST(Enemies, GuardPodFliesStraightAndIsFreedLeavingTheMap) {
  ResetHeroineScene();
  g_battle.CurrentMission = 0;   // passive: it still leaves
  const int pod = SpawnEnemy(70, 50.0f, 500.0f, -1, 0);
  const Transitions changes = RunEnemy(pod, 20);
  EXPECT_EQ(changes, (Transitions{{14, 0}}));
}

TEST(Enemies, BossDefeatFreesAllButTheBossAndFarAwayEnemiesWait) {
  ResetHeroineScene();
  const int boss = SpawnEnemy(60, 2000.0f, 840.0f, -1, 0);
  const int soldier = SpawnEnemy(0, 1500.0f, kStandingY, -1, 2);
  UpdateEnemy(boss, 3);
  UpdateEnemy(soldier, 3);
  EXPECT_NE(CharacterTable[boss].state, 0);
  EXPECT_EQ(CharacterTable[soldier].state, 0);

  ResetHeroineScene();
  g_battle.LastColumn = 100;
  const int sameRow = SpawnEnemy(80, 3500.0f, 500.0f, -1, 0);   // far on x only: still falls
  const int bothFar = SpawnEnemy(80, 3500.0f, -1500.0f, -1, 0);
  UpdateEnemy(sameRow, 0);
  UpdateEnemy(bothFar, 0);
  EXPECT_FLOAT_EQ(CharacterTable[sameRow].vy, 0.5f);
  EXPECT_FLOAT_EQ(CharacterTable[bothFar].vy, 0.0f);
}

TEST(Enemies, ThrownEnemyThatStopsBecomesABlast) {
  ResetHeroineScene();
  Character& e = PlaceEnemy(5, 0, 2000.0f, 500.0f);
  e.state = 232;
  e.vx = 12.0f;
  e.vy = -12.0f;
  UpdateEnemy(5, 0);
  EXPECT_EQ(e.state, 232);
  e.vx = 0.0f;
  UpdateEnemy(5, 0);
  EXPECT_EQ(e.state, 10);
  EXPECT_EQ(CountKind(kTypeEnemyShot, 731) + CountKind(kTypePlayerAttack, 731), 1);
}

TEST(Enemies, DrawCountsDownTheHitFlashOnScreenAndShowsTheBossGauge) {
  ResetHeroineScene();
  Character& near = PlaceEnemy(5, 0, 1100.0f, kStandingY);
  near.extra = 3;
  Character& offScreen = PlaceEnemy(6, 0, 2000.0f, kStandingY);
  offScreen.extra = 3;
  Character& burning = PlaceEnemy(7, 0, 1000.0f, kStandingY);
  burning.hp = -5.0f;
  burning.extra = 3;
  for (int slot : {5, 6, 7}) DrawEnemy(slot);
  EXPECT_EQ(near.extra, 2);
  EXPECT_EQ(offScreen.extra, 3);
  EXPECT_EQ(burning.extra, 3);   // while dying it is the burn-down counter
  const int boss = SpawnEnemy(60, 1100.0f, 840.0f, -1, 0);
  CharacterTable[boss].hp = 1234.0f;
  g_battle.BossGauge.shown = 0;
  DrawEnemy(boss);
  EXPECT_EQ(g_battle.BossGauge.shown, 1);
  EXPECT_EQ(g_battle.BossGauge.value, 1234.0f);
}

}  // namespace
}  // namespace horundel
