// Map files: header, rows, start point and objects; malformed files; the file names by difficulty;
// and the random map.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/battle/battle_fixture.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/map_file.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"
#include "media/core/random.h"

namespace horundel {
namespace {

using zelvo_test::CrLfLines;

class MapFile : public zelvo_test::BattleTest {
 protected:
  // A header for a map of (lastColumn + 1) x (lastRow + 1) cells with background 3, music 4 and
  // enemy set 2.
  static std::string Header(const std::string& lastColumn, const std::string& lastRow) {
    return CrLfLines({"3", "4", "2", lastColumn, lastRow, "1950.5", "850.0"});
  }
  // Rows of the given text, each repeated `count` times.
  static std::string Rows(const std::string& row, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += row + "\r\n";
    return text;
  }
  void LoadTemporary(const std::string& text) {
    Put("tempmap.dat", text);
    LoadMap(kMapSourceTemporary, 0, 0);
  }
  static int Kind(int column, int row) { return TileMap[column][row].kind; }
  static int LiveObjects() {
    int live = 0;
    for (int slot = 2; slot <= 300; ++slot) live += CharacterTable[slot].state != 0;
    return live;
  }
};

TEST_F(MapFile, WellFormedMapLoadsRowsStartObjectsAndStage) {
  g_battle.Difficulty = 2;
  g_battle.CurrentMission = 1;
  KeyBindings[kKeyShoot].pressed = 1;
  LoadTemporary(Header("5", "2") + CrLfLines({"222222", "2000ab", "213456", "250.0,60.0",
                                              "2,0,550.0,960.0,1", "30,0,10.0,10.0,1", "40,1,1850.0,960.0,7",
                                              "2,60,100.0,200.0,3", "40,9,5.0,6.0,2"}));
  EXPECT_EQ(g_battle.LastColumn, 5);
  EXPECT_EQ(g_battle.LastRow, 2);
  EXPECT_EQ(g_battle.MissionGoalX, 1950.5f);
  EXPECT_EQ(g_battle.MissionGoalY, 850.0f);
  const int row1[] = {20, 0, 0, 0, 100, 110};
  const int row2[] = {20, 10, 30, 40, 50, 60};
  for (int column = 0; column <= 5; ++column) {
    EXPECT_EQ(Kind(column, 0), 20);
    EXPECT_EQ(Kind(column, 1), row1[column]);
    EXPECT_EQ(Kind(column, 2), row2[column]);
  }
  const Character& player = CharacterTable[1];
  EXPECT_EQ(player.type, 1);
  EXPECT_EQ(player.state, 10);
  EXPECT_EQ(player.x, 250.0f);
  EXPECT_EQ(player.y, 60.0f);
  EXPECT_EQ(player.maxHp, 800.0f);
  EXPECT_EQ(player.halfWidth, 40.0f);
  EXPECT_EQ(g_battle.BattleCamera.x, 250.0f);
  EXPECT_EQ(KeyBindings[kKeyShoot].pressed, 0);   // placing the player latches every key
  EXPECT_EQ(KeyBindings[kKeyShoot].latched, 1);

  // Type 30 is skipped; every object takes the next free slot in file order.
  const Character& soldier = CharacterTable[2];
  EXPECT_EQ(soldier.type, 2);
  EXPECT_EQ(soldier.kind, 0);
  EXPECT_EQ(soldier.facing, -1);
  EXPECT_EQ(soldier.param, 1);
  EXPECT_EQ(soldier.hp, 200.0f + 200.0f * 2 + 50.0f * 1);
  const Character& shopDoor = CharacterTable[3];
  EXPECT_EQ(shopDoor.type, 40);
  EXPECT_EQ(shopDoor.kind, 1);
  EXPECT_EQ(shopDoor.link, 7);
  EXPECT_EQ(shopDoor.halfWidth, 50.0f);
  EXPECT_EQ(shopDoor.halfHeight, 40.0f);
  const Character& boss = CharacterTable[4];
  EXPECT_EQ(boss.hp, 5000.0f + 8000.0f * 2 + 1000.0f);
  EXPECT_EQ(boss.param, 0);   // kinds without a weapon ignore the parameter
  EXPECT_EQ(boss.halfHeight, 260.0f);
  EXPECT_EQ(g_battle.BossGauge.maximum, boss.hp);
  EXPECT_EQ(CharacterTable[5].kind, 9);           // an unknown door kind has no box
  EXPECT_EQ(CharacterTable[5].halfWidth, 0.0f);
  EXPECT_EQ(LiveObjects(), 4);

  // Missing stage files still become current, so they are not asked for again.
  EXPECT_EQ(g_stage.currentBackground, 3);
  EXPECT_EQ(g_stage.backgroundHandle, -1);
  EXPECT_EQ(g_stage.currentMusic, 4);
  EXPECT_EQ(g_stage.currentEnemySet, 2);
}

TEST_F(MapFile, ShortRowsKeepTheirLaterCellsAndOtherCharactersAreEmpty) {
  for (int column = 0; column <= 5; ++column) TileMap[column][0].kind = TileMap[column][1].kind = 70;
  std::string text = Header("5", "2") + CrLfLines({"01", "c 9z1b"});
  text += std::string("1") + '\0' + "99999\r\n" + CrLfLines({"0.0,0.0"});
  LoadTemporary(text);
  const int row0[] = {0, 10, 0, 70, 70, 70};
  const int row1[] = {0, 0, 90, 0, 10, 110};
  for (int column = 0; column <= 5; ++column) {
    EXPECT_EQ(Kind(column, 0), row0[column]) << column;
    EXPECT_EQ(Kind(column, 1), row1[column]) << column;
  }
  // A NUL ends the row there and the rest of that read is lost with it.
  EXPECT_EQ(Kind(0, 2), 10);
  EXPECT_EQ(Kind(1, 2), 0);
  EXPECT_EQ(Kind(2, 2), 0);
  EXPECT_EQ(CharacterTable[1].state, 0);
}

TEST_F(MapFile, MalformedSizeOrLineEndsAreRefusedWhole) {
  struct Case {
    const char* name;
    std::string text;
  };
  const std::string rows = Rows("2222", 3) + CrLfLines({"100.0,100.0", "2,0,150.0,150.0,1"});
  const Case cases[] = {
      {"too many columns", Header("101", "2") + rows},
      {"too many rows", Header("3", "101") + rows},
      {"negative size", Header("-1", "2") + rows},
      {"line feeds only", "3\n4\n2\n3\n2\n100.0\n100.0\n2222\n2222\n2222\n100.0,100.0\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScreenLogClear();
    LoadTemporary(c.text);
    EXPECT_EQ(g_battle.LastColumn, 10);
    EXPECT_EQ(g_battle.LastRow, 10);
    EXPECT_EQ(Kind(0, 0), 0);
    EXPECT_EQ(CharacterTable[1].state, 0);
    EXPECT_EQ(LiveObjects(), 0);
    EXPECT_EQ(g_stage.currentBackground, -1);
    EXPECT_EQ(ScreenLogText(), "map file error tempmap.dat\n\n");
  }
}

TEST_F(MapFile, TheLargestMapFillsEveryCell) {
  LoadTemporary(Header("100", "100") + Rows(std::string(100, '1') + "b", 101) + CrLfLines({"50.0,50.0"}));
  EXPECT_EQ(Kind(0, 0), 10);
  EXPECT_EQ(Kind(100, 100), 110);
  EXPECT_EQ(Kind(99, 100), 10);
  EXPECT_EQ(CharacterTable[1].x, 50.0f);
}

TEST_F(MapFile, LinesThatDoNotParseKeepWhatTheyHeldAndSpawnNothing) {
  const std::string text = CrLfLines({"x", "4", "2", "five", "2", "far", "850.0"}) + Rows("000000000000", 3) +
                           CrLfLines({"here", "2,0,150.0,150.0", "2,0,nan,150.0,1", "2,0,150.0,150.0,1", "",
                                      "2,0,1e39,150.0,1", "40,0,350.0,150.0,99999999999"}) +
                           "\r\n";
  LoadTemporary(text);
  EXPECT_EQ(g_battle.LastColumn, 10);          // "five" keeps the reset size
  EXPECT_EQ(g_battle.MissionGoalX, 100.0f);    // "far" keeps the reset goal
  EXPECT_EQ(g_battle.MissionGoalY, 850.0f);
  EXPECT_EQ(CharacterTable[1].state, 0);       // no start point, no placement
  // Only the complete lines spawn, once each, even with empty lines after them.
  EXPECT_EQ(LiveObjects(), 2);
  EXPECT_EQ(CharacterTable[2].type, 2);
  EXPECT_EQ(CharacterTable[3].type, 40);
  EXPECT_EQ(CharacterTable[3].link, 2147483647);
  EXPECT_EQ(g_stage.currentBackground, -1);    // "x" leaves the stage as it was
  EXPECT_EQ(g_stage.currentMusic, 4);
}

TEST_F(MapFile, AFileCutShortLoadsWhatItHolds) {
  LoadTemporary(Header("3", "5") + CrLfLines({"1111", "2222"}) + "33");
  EXPECT_EQ(g_battle.LastRow, 5);
  EXPECT_EQ(Kind(0, 0), 10);
  EXPECT_EQ(Kind(3, 1), 20);
  EXPECT_EQ(Kind(1, 2), 30);
  EXPECT_EQ(Kind(0, 3), 0);
  EXPECT_EQ(CharacterTable[1].state, 0);
}

TEST_F(MapFile, MapWeaponsOutsideTheWeaponTableBecomeNone) {
  LoadTemporary(Header("3", "0") + CrLfLines({"0000", "0.0,0.0", "2,0,50.0,50.0,23", "2,10,50.0,50.0,-1",
                                              "2,70,50.0,50.0,22"}));
  EXPECT_EQ(CharacterTable[2].param, 0);
  EXPECT_EQ(CharacterTable[3].param, 0);
  EXPECT_EQ(CharacterTable[4].param, 22);
}

TEST_F(MapFile, MissionMapsAreNamedByDifficultySet) {
  struct Case {
    int difficulty, mission, area;
    const char* path;
  };
  const Case cases[] = {
      {1, 1, 3, "map\\easy\\c0103.dat"},
      {2, 1, 3, "map\\easy\\c0103.dat"},
      {3, 1, 3, "map\\hard\\c0103.dat"},
      {4, 12, 0, "map\\hard\\c1200.dat"},
  };
  char path[64];
  for (const Case& c : cases) {
    g_battle.Difficulty = c.difficulty;
    ASSERT_EQ(MapFilePath(kMapSourceMission, c.mission, c.area, path, sizeof path), 1);
    EXPECT_STREQ(path, c.path);
  }
  g_battle.Difficulty = 0;
  EXPECT_EQ(MapFilePath(kMapSourceMission, 1, 3, path, sizeof path), 0);
  EXPECT_EQ(MapFilePath(kMapSourceTemporary, 1, 3, path, sizeof path), 1);
  EXPECT_STREQ(path, "tempmap.dat");

  // Loaded from its folder; a missing one changes nothing.
  g_battle.Difficulty = 3;
  Put("map/hard/c0103.dat", Header("4", "0") + CrLfLines({"11111", "10.0,20.0"}));
  LoadMap(kMapSourceMission, 1, 4);
  EXPECT_EQ(g_battle.LastColumn, 10);
  LoadMap(kMapSourceMission, 1, 3);
  EXPECT_EQ(g_battle.LastColumn, 4);
  EXPECT_EQ(CharacterTable[1].y, 20.0f);
}

TEST(RandomMap, TheSameSeedGivesTheSameMap) {
  struct Snapshot {
    std::vector<int> kinds;
    int lastColumn, lastRow;
    float goalX, goalY, startX, startY;
    int enemies;
  };
  auto generate = [](std::uint32_t seed) {
    std::memset(TileMap, 0, sizeof TileMap);
    std::memset(CharacterTable, 0, sizeof CharacterTable);
    zelvo::SeedRandom(seed);
    GenerateRandomMap();
    Snapshot shot{};
    for (int column = 0; column < kMapSide; ++column)
      for (int row = 0; row < kMapSide; ++row) shot.kinds.push_back(TileMap[column][row].kind);
    shot.lastColumn = g_battle.LastColumn;
    shot.lastRow = g_battle.LastRow;
    shot.goalX = g_battle.MissionGoalX;
    shot.goalY = g_battle.MissionGoalY;
    shot.startX = CharacterTable[1].x;
    shot.startY = CharacterTable[1].y;
    for (int slot = 2; slot <= 299; ++slot) shot.enemies += CharacterTable[slot].type == 2;
    return shot;
  };
  for (std::uint32_t seed : {1u, 7u, 12345u}) {
    const Snapshot first = generate(seed);
    const Snapshot again = generate(seed);
    EXPECT_EQ(first.kinds, again.kinds);
    EXPECT_EQ(first.startX, again.startX);
    EXPECT_EQ(first.goalX, again.goalX);
    EXPECT_EQ(first.enemies, again.enemies);
    const bool wide = first.lastColumn >= 50;
    EXPECT_TRUE(wide ? first.lastColumn <= 80 && first.lastRow >= 10 && first.lastRow <= 20
                     : first.lastColumn >= 20 && first.lastColumn <= 30 && first.lastRow >= 50 && first.lastRow <= 80);
    // The start cell is always empty; the goal's y is a pixel value near the top rows.
    const int startColumn = static_cast<int>(first.startX) / 100;
    const int startRow = static_cast<int>(first.startY) / 100;
    EXPECT_EQ(TileMap[startColumn][startRow].kind, 0);
    EXPECT_GE(first.goalY, 150.0f);
    EXPECT_LE(first.goalY, first.lastRow + 150.0f);
    for (int kind : first.kinds) EXPECT_TRUE(kind >= 0 && kind <= 110 && kind % 10 == 0);
  }
  EXPECT_NE(generate(1).kinds, generate(2).kinds);
}

}  // namespace
}  // namespace horundel
