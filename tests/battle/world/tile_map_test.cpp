// The tile map queries and the queries between slots of the character table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/battle/battle_fixture.h"
#include "game/battle/world/attack_spawning.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/data/game_math.h"
#include "game/battle/world/tile_map.h"

namespace horundel {
namespace {

// A reset 11 x 11 map with an object of the given box at (x, y) in slot 2.
Character& PlaceObject(float x, float y, float halfWidth = 40.0f, float halfHeight = 40.0f) {
  Character& object = CharacterTable[2];
  object = Character{};
  object.state = 10;
  object.x = x;
  object.y = y;
  object.halfWidth = halfWidth;
  object.halfHeight = halfHeight;
  return object;
}

TEST(TileMapQueries, TileKindAtReadsOutsideAsTwenty) {
  TileMap[10][0].kind = 30;
  TileMap[0][0].kind = 10;
  EXPECT_EQ(TileKindAt(1099.0f, 0.0f), 30);
  EXPECT_EQ(TileKindAt(1100.0f, 0.0f), kOutsideTileKind);
  EXPECT_EQ(TileKindAt(-0.5f, 50.0f), kOutsideTileKind);   // column would truncate to 0
  EXPECT_EQ(TileKindAt(50.0f, -0.5f), kOutsideTileKind);
  EXPECT_EQ(TileKindAt(50.0f, 50.0f), 10);
  EXPECT_EQ(TileKindAt(std::nanf(""), 50.0f), kOutsideTileKind);
  EXPECT_EQ(TileKindAt(50.0f, 1e30f), kOutsideTileKind);
}

TEST(TileMapQueries, GroundBelowFindsTheFirstSolidCellOrTheMapBottom) {
  TileMap[2][7].kind = 10;
  TileMap[2][9].kind = 20;
  PlaceObject(250.0f, 320.0f);
  EXPECT_EQ(GroundBelow(2), 700.0f);
  PlaceObject(250.0f, 810.0f);
  EXPECT_EQ(GroundBelow(2), 900.0f);
  PlaceObject(550.0f, 100.0f);
  EXPECT_EQ(GroundBelow(2), 1100.0f);
  // Centres outside the map are clamped to the border column and row.
  PlaceObject(-5000.0f, 1e20f);
  EXPECT_EQ(GroundBelow(2), 1100.0f);
}

TEST(TileMapQueries, FallingKindsAreThirtyToEighty) {
  for (int kind = 0; kind <= 110; kind += 10) EXPECT_EQ(IsFallingTileKind(kind), kind >= 30 && kind <= 80) << kind;
  EXPECT_EQ(IsFallingTileKind(35), 0);
}

TEST(TileMapQueries, StopAtWallsCancelsSidewaysAndRisingMotion) {
  TileMap[5][5].kind = 10;
  Character& object = PlaceObject(430.0f, 550.0f);
  object.vx = 80.0f;
  object.vy = 5.0f;
  StopAtWalls(2);
  EXPECT_EQ(object.vx, 0.0f);
  EXPECT_EQ(object.vy, 5.0f);   // falling is left to the landing test

  // The upper corner point alone stops the move.
  PlaceObject(430.0f, 630.0f).vx = 80.0f;
  StopAtWalls(2);
  EXPECT_EQ(CharacterTable[2].vx, 0.0f);

  Character& riser = PlaceObject(550.0f, 650.0f);
  riser.vy = -20.0f;
  StopAtWalls(2);
  EXPECT_EQ(riser.vy, 0.0f);
}

TEST(TileMapQueries, BoxedInObjectsAreLiftedAndFinallyMovedToTheMapCentre) {
  for (int row = 0; row <= 10; ++row) TileMap[5][row].kind = 10;
  Character& object = PlaceObject(550.0f, 350.0f);
  StopAtWalls(2);
  EXPECT_EQ(object.y, 250.0f);
  StopAtWalls(2);
  EXPECT_EQ(object.y, 150.0f);
  TileMap[5][1].kind = 0;   // room above: no lift
  StopAtWalls(2);
  EXPECT_EQ(object.y, 150.0f);
  TileMap[5][1].kind = 10;
  g_battle.LastColumn = 9;
  object.y = 50.0f;
  StopAtWalls(2);
  EXPECT_EQ(object.x, 450.0f);   // 100 x 9 / 2, rounded toward zero
  EXPECT_EQ(object.y, 500.0f);
}

TEST(TileMapQueries, ProbeHazardTilesSetsOffTheTouchedCell) {
  struct Case {
    int column, row, kind;
    int hazardColumn, hazardRow;
  };
  // The object's centre is cell (5, 5); the probes reach 20 pixels beyond its box.
  const Case cases[] = {
      {4, 5, 90, 4, 5}, {6, 5, 90, 6, 5}, {5, 4, 90, 5, 4}, {5, 6, 90, 5, 6}, {5, 4, 110, 5, 4},
  };
  for (const Case& c : cases) {
    std::memset(TileMap, 0, sizeof TileMap);
    std::memset(CharacterTable, 0, sizeof CharacterTable);
    TileMap[c.column][c.row].kind = c.kind;
    PlaceObject(550.0f, 550.0f);
    EXPECT_EQ(ProbeHazardTiles(2), 1);
    const Character& hazard = CharacterTable[3];
    EXPECT_EQ(hazard.type, kTypeMapHazard);
    EXPECT_EQ(hazard.kind, kHazardCellBurst);
    EXPECT_EQ(hazard.timer, 5);
    EXPECT_EQ(hazard.hp, 300.0f);
    EXPECT_EQ(hazard.x, c.hazardColumn * 100 + 50.0f);
    EXPECT_EQ(hazard.y, c.hazardRow * 100 + 50.0f);
  }
  // A kind-110 cell below sets off nothing; the result is the last kind read.
  std::memset(TileMap, 0, sizeof TileMap);
  TileMap[5][6].kind = 110;
  TileMap[5][4].kind = 70;
  PlaceObject(550.0f, 550.0f);
  EXPECT_EQ(ProbeHazardTiles(2), 70);
}

TEST(CharacterSlots, FreeSlotsAreTwoToTwoNinetyNine) {
  EXPECT_EQ(FindFreeCharacter(), 2);
  for (int slot = 2; slot <= 299; ++slot) CharacterTable[slot].state = 10;
  EXPECT_EQ(FindFreeCharacter(), 0);   // slot 300 is visited, never handed out
  CharacterTable[150].state = 0;
  EXPECT_EQ(FindFreeCharacter(), 150);
  CharacterTable[150] = Character{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  ClearCharacter(150);
  Character zero{};
  EXPECT_EQ(std::memcmp(&CharacterTable[150], &zero, sizeof zero), 0);
}

TEST(CharacterSlots, OverlapAndAngleBetweenSlots) {
  Character& a = CharacterTable[2];
  Character& b = CharacterTable[3];
  a = Character{};
  b = Character{};
  a.halfWidth = a.halfHeight = 40.0f;
  b.halfWidth = b.halfHeight = 10.0f;
  b.x = 50.0f;   // edges touch exactly
  EXPECT_EQ(CharactersOverlap(2, 3), 1);
  b.x = 50.5f;
  EXPECT_EQ(CharactersOverlap(2, 3), 0);
  b.x = 0.0f;
  EXPECT_EQ(AngleTo(2, 3), 0.0f);
  b.x = 100.0f;
  EXPECT_NEAR(AngleTo(2, 3), kHalfPi, 1e-6);
  b.x = 0.0f;
  b.y = -100.0f;
  EXPECT_NEAR(AngleTo(2, 3), kPi, 1e-6);
}

TEST(CharacterSlots, OnlyTheOutsideKindBlocksSightAndOnlyWithinNineCells) {
  g_battle.LastColumn = 30;
  Character& a = CharacterTable[2];
  Character& b = CharacterTable[3];
  a = b = Character{};
  a.x = 150.0f;
  a.y = b.y = 550.0f;
  b.x = 150.0f;
  EXPECT_EQ(HasLineOfSight(2, 3), 1.0f);
  b.x = 750.0f;
  TileMap[4][5].kind = 10;
  EXPECT_EQ(HasLineOfSight(2, 3), 1.0f);
  TileMap[4][5].kind = 20;
  EXPECT_EQ(HasLineOfSight(2, 3), 0.0f);
  TileMap[4][5].kind = 0;
  b.x = 150.0f + 1100.0f;
  EXPECT_EQ(HasLineOfSight(2, 3), 0.0f);   // beyond the ninth step
}

TEST(CharacterSlots, FindAimTargetComparesAnglesWithoutWrapping) {
  auto enemy = [](int slot, float x, float y, float hp) {
    Character& c = CharacterTable[slot];
    c = Character{};
    c.type = kTypeEnemy;
    c.state = 10;
    c.x = x;
    c.y = y;
    c.hp = hp;
  };
  CharacterTable[1].x = 500.0f;
  CharacterTable[1].y = 500.0f;
  enemy(5, 495.0f, 300.0f, 100.0f);    // just left of straight up: about -3.1
  EXPECT_EQ(FindAimTarget(1, 0, kPi, 1000.0f, 1000.0f), 5);
  enemy(6, 700.0f, 300.0f, 100.0f);    // up and right: about 2.36, nearer to pi unwrapped
  EXPECT_EQ(FindAimTarget(1, 0, kPi, 1000.0f, 1000.0f), 6);
  enemy(4, 700.0f, 300.0f, 100.0f);    // the same angle at a lower slot wins the tie
  EXPECT_EQ(FindAimTarget(1, 0, kPi, 1000.0f, 1000.0f), 4);
  CharacterTable[4].hp = 0.0f;         // dead enemies are skipped
  EXPECT_EQ(FindAimTarget(1, 0, kPi, 1000.0f, 1000.0f), 6);
  EXPECT_EQ(FindAimTarget(1, 0, kPi, 100.0f, 1000.0f), 5);   // out of the horizontal reach
}

class HazardSpawn : public zelvo_test::BattleTest {};

TEST_F(HazardSpawn, OutsideTheMapOrAFullTableSpawnsNothingAndSaysSo) {
  EXPECT_EQ(SpawnMapHazard(kHazardCellBurst, 11, 0), 0);
  EXPECT_EQ(SpawnMapHazard(kHazardCellBurst, 0, -1), 0);
  for (int slot = 2; slot <= 299; ++slot) CharacterTable[slot].state = 10;
  EXPECT_EQ(SpawnMapHazard(kHazardExplodingCell, 3, 3), 0);
  EXPECT_EQ(ScreenLogText(), "map over\nmap over\nCharacter Over by atk\n\n");
  CharacterTable[9].state = 0;
  ASSERT_EQ(SpawnMapHazard(kHazardExplodingCell, 3, 4), 9);
  EXPECT_EQ(CharacterTable[9].extra, -1);
  EXPECT_EQ(CharacterTable[9].halfWidth, 200.0f);
  EXPECT_EQ(CharacterTable[9].y, 450.0f);
}

}  // namespace
}  // namespace horundel
