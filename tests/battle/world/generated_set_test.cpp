// LoadAll, the maps and the enemy sets on the data set the build generated, loose and packed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/world/map_file.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"

namespace horundel {
namespace {

class GeneratedSet : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    char saved[4096];
    savedFolder_ = getcwd(saved, sizeof saved) != nullptr ? saved : "/";
    ASSERT_EQ(chdir((std::string(ZELVO_GAMEDATA_DIR) + "/" + GetParam()).c_str()), 0);
    // The data folder is the start folder: no log file may be written into it.
    SetLogFileEnabled(0);
    SwitchWindowMode(1);
    std::snprintf(title_, sizeof title_, "zelvo-battle-%d", static_cast<int>(getpid()));
    SetWindowTitleText(title_);
    ASSERT_EQ(StartUpLibrary(), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    EXPECT_EQ(chdir(savedFolder_.c_str()), 0);
  }
  static void ExpectLoaded(const int* handles, int count, const char* what) {
    for (int i = 0; i < count; ++i) EXPECT_GE(handles[i], 0) << what << " " << i;
  }
  static void ExpectMotions(const MotionRecord* table, const char* what) {
    EXPECT_GE(table[0].lastPart, 0) << what;
    EXPECT_GT(table[0].duration, 0) << what;
  }
  std::string savedFolder_;
  char title_[64] = {};
};

TEST_P(GeneratedSet, LoadAllFindsEveryPictureAndMotionFile) {
  LoadAll();
  ExpectLoaded(reinterpret_cast<const int*>(&g_pictures), sizeof g_pictures / sizeof(int), "picture");
  for (int i = 0; i < kHeroinePictures; ++i) {
    if (i != kHeroineWeaponPicture) {
      EXPECT_GE(HeroinePictures[i], 0) << i;
    }
  }
  ExpectLoaded(PlierPictures, kPlierWeaponPicture, "plier");
  ExpectLoaded(TankPictures, kTankPictures, "tank");
  ExpectLoaded(HoberPictures, kHoberPictures, "hober");
  ExpectLoaded(HeliPictures, 5, "heli");
  EXPECT_GE(RiveterPictures[21], 0);
  for (const WeaponRecord& weapon : WeaponRecords) EXPECT_GE(weapon.picture, 0) << weapon.price;
  ExpectMotions(HeroineMotions, "heroine");
  ExpectMotions(RiveterMotions, "riveter");
  ExpectMotions(PlierMotions, "plier");
  ExpectMotions(TankMotions, "tank");
  ExpectMotions(HoberMotions, "hober");
  ExpectMotions(HeliMotions, "heli");
  EXPECT_EQ(HeroineMotions[kHeroineMotionBound].lastPart, 0);   // the record after the limit stays zero
  EXPECT_EQ(HeroineMotions[kHeroineMotionBound].duration, 0);

  for (int set = 0; set <= 5; ++set) LoadEnemySet(set);
  EXPECT_GE(HeliPictures[10], 0);
  LoadEnemySet(0);
  ExpectLoaded(RiveterPictures, 21, "riveter set");
}

TEST_P(GeneratedSet, MissionMapsLoadWithAPlayerAndObjects) {
  LoadAll();
  for (int difficulty : {1, 3}) {
    g_battle.Difficulty = difficulty;
    for (int mission = 0; mission <= 5; ++mission) {
      SCOPED_TRACE(difficulty * 10 + mission);
      std::memset(CharacterTable, 0, sizeof CharacterTable);
      std::memset(TileMap, 0, sizeof TileMap);
      g_battle.LastColumn = g_battle.LastRow = 10;
      LoadMap(kMapSourceMission, mission, 0);
      EXPECT_EQ(CharacterTable[kPlayerSlot].type, kTypePlayer);
      int objects = 0;
      for (int slot = 2; slot <= kLastFreeSlot; ++slot) objects += CharacterTable[slot].state != 0;
      EXPECT_GT(objects, 0);
      EXPECT_GE(g_stage.currentBackground, 0);
      EXPECT_GE(g_stage.backgroundHandle, 0);
    }
  }
  LoadMap(kMapSourceTemporary, 0, 0);
  EXPECT_EQ(CharacterTable[kPlayerSlot].type, kTypePlayer);
}

INSTANTIATE_TEST_SUITE_P(Loose, GeneratedSet, ::testing::Values("loose"));
INSTANTIATE_TEST_SUITE_P(Packed, GeneratedSet, ::testing::Values("packed"));

}  // namespace
}  // namespace horundel
