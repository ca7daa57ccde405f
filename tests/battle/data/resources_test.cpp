// LoadAll on an empty folder and on a small data set, the game tables it fills, and the stage
// resources that follow the maps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/battle/battle_fixture.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"
#include "support/picture_writers.h"

namespace horundel {
namespace {

using zelvo_test::CrLfLines;

// A black picture of the given size with a grey pixel in each cell's corner.
zelvo_test::Bytes Bmp(int width, int height) {
  zelvo_test::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  std::vector<zelvo_test::Bytes> rows(static_cast<std::size_t>(height),
                                      zelvo_test::Bytes(static_cast<std::size_t>(width) * 3, 0x40));
  layout.pixels = zelvo_test::PadRows(rows);
  return zelvo_test::WriteBmp(layout);
}

class Resources : public zelvo_test::BattleTest {
 protected:
  static bool AllMissing(const int* handles, int count) {
    for (int i = 0; i < count; ++i)
      if (handles[i] != -1) return false;
    return true;
  }
  static bool AllLoaded(const int* handles, int count) {
    for (int i = 0; i < count; ++i)
      if (handles[i] < 0) return false;
    return true;
  }
};

TEST_F(Resources, LoadAllOnAnEmptyFolderLeavesEveryHandleMissingAndFillsTheTables) {
  HeroineMotions[0].duration = 5;
  LoadAll();
  const int* pictures = reinterpret_cast<const int*>(&g_pictures);
  EXPECT_TRUE(AllMissing(pictures, sizeof g_pictures / sizeof(int)));
  EXPECT_TRUE(AllMissing(SoundEffectTable, kSoundEffects));
  EXPECT_TRUE(AllMissing(HeroinePictures, kHeroinePictures));
  EXPECT_TRUE(AllMissing(PlierPictures, kPlierPictures));
  EXPECT_TRUE(AllMissing(HeliPictures, kHeliPictures));
  EXPECT_TRUE(AllMissing(RiveterPictures, kRiveterPictures));
  for (const WeaponRecord& weapon : WeaponRecords) EXPECT_EQ(weapon.picture, -1);
  EXPECT_EQ(HeroineMotions[0].duration, 5);   // a missing motion file leaves its table
  EXPECT_EQ(WeaponRecords[9].price, 3000);
  EXPECT_STREQ(MissionRecords[1].name, "前線基地攻撃");
}

TEST_F(Resources, GameTablesHoldTheirRows) {
  LoadAll();
  EXPECT_STREQ(WeaponRecords[0].name, "ブレリク");
  EXPECT_EQ(std::string(WeaponRecords[0].name), "\x83\x75\x83\x8C\x83\x8A\x83\x4E");   // Shift-JIS
  EXPECT_EQ(WeaponRecords[0].attackKind, 700);
  EXPECT_EQ(WeaponRecords[0].initialAmmunition, 5);
  EXPECT_EQ(WeaponRecords[13].attack, 1200.0f);
  EXPECT_EQ(WeaponRecords[13].reload, 80);
  EXPECT_STREQ(WeaponRecords[21].name, "120mm滑空砲");
  EXPECT_EQ(WeaponRecords[22].maximumAmmunition, 1);
  EXPECT_EQ(WeaponRecords[22].attackKind, 0);
  EXPECT_STREQ(WeaponRecords[9].description, "ガトリング式大型機関銃　強力だが射撃中は動けない");

  const int shopOrder[kWeaponShopCount] = {1, 2, 3, 14, 4, 5, 6, 7, 8, 10, 9, 12, 15, 11, 19, 16, 18, 13, 17, 20, 21, 22};
  EXPECT_EQ(std::memcmp(WeaponShopOrder, shopOrder, sizeof shopOrder), 0);
  for (int id : WeaponShopOrder) EXPECT_NE(id, 0);   // the tool-weapon is never sold
  const int skillOrder[kSkillCount] = {0, 1, 2, 4, 3, 5, 6, 7};
  EXPECT_EQ(std::memcmp(SkillShopOrder, skillOrder, sizeof skillOrder), 0);
  EXPECT_STREQ(SkillRecords[5].firstLine, "ブレリクが命中した敵をこちらへ引き寄せ、投げ技に持ち込む");
  EXPECT_EQ(SkillRecords[7].price, 25000);
  EXPECT_EQ(SkillRecords[3].owned, 0);

  EXPECT_STREQ(MissionRecords[0].lines[2], "操作に不安がある者はぜひ参加してくれ。");
  EXPECT_STREQ(MissionRecords[3].lines[2], "");
  EXPECT_STREQ(MissionRecords[5].name, "");

  EXPECT_STREQ(KeyNameTable[0x45], "");
  EXPECT_STREQ(KeyNameTable[0x01], "Esc");
  EXPECT_STREQ(KeyNameTable[0x9c], "テンキーのEnter");
  EXPECT_STREQ(KeyNameTable[0xd3], "Delete");
  int named = 0;
  for (const auto& name : KeyNameTable) named += name[0] != '\0';
  EXPECT_EQ(named, 100);
}

TEST_F(Resources, LoadAllLoadsPicturesWithTheirCellsAndTheMotionFiles) {
  Put("bmp/object/object.bmp", Bmp(640, 384));
  Put("bmp/system/number.bmp", Bmp(420, 40));
  Put("bmp/effect/expload1.bmp", Bmp(384, 64));
  Put("bmp/effect/light_b.bmp", Bmp(512, 64));
  Put("bmp/effect/emotion1.bmp", Bmp(120, 40));
  Put("bmp/effect/go.bmp", Bmp(8, 8));
  Put("bmp/chara00/a045.bmp", Bmp(8, 8));
  Put("bmp/chara00/a028.bmp", Bmp(8, 8));   // number 28 is the weapon in hand, never loaded
  Put("bmp/chara04/e000.bmp", Bmp(8, 8));
  Put("bmp/chara05/f003.bmp", Bmp(8, 8));
  Put("bmp/chara06/g002.bmp", Bmp(8, 8));
  Put("bmp/chara03/canon.bmp", Bmp(8, 8));
  Put("bmp/weapon/sbc.bmp", Bmp(8, 8));
  Put("mot/mot_heli.dat", CrLfLines({"0,3,1", "5,6,0.25,4,1"}));
  Put("mot/mot_mychr.dat", CrLfLines({"0,8,0", "1,2,0.0,3,0"}));
  LoadAll();
  EXPECT_TRUE(AllLoaded(g_pictures.tiles, 11));
  EXPECT_TRUE(AllLoaded(g_pictures.digits, 14));
  EXPECT_TRUE(AllLoaded(g_pictures.explosion, 6));
  EXPECT_TRUE(AllLoaded(g_pictures.blueLights, 8));
  EXPECT_TRUE(AllMissing(g_pictures.redLights, 8));
  EXPECT_TRUE(AllLoaded(g_pictures.emotions, 3));
  EXPECT_GE(g_pictures.goalArrow, 0);
  EXPECT_GE(HeroinePictures[45], 0);
  EXPECT_EQ(HeroinePictures[28], -1);
  EXPECT_EQ(HeroinePictures[44], -1);
  EXPECT_GE(TankPictures[0], 0);
  EXPECT_EQ(HoberPictures[0], TankPictures[0]);   // shared pictures are the same handle
  EXPECT_EQ(RiveterPictures[22], HoberPictures[3]);
  EXPECT_GE(RiveterPictures[21], 0);
  EXPECT_GE(HeliPictures[2], 0);
  EXPECT_GE(WeaponRecords[21].picture, 0);
  EXPECT_EQ(HeliMotions[0].duration, 3);
  EXPECT_EQ(HeliMotions[0].partAngle[0], 0.25f);
  EXPECT_EQ(HeliMotions[0].mirror[0], 1);
  EXPECT_EQ(HeroineMotions[0].duration, 8);
  EXPECT_EQ(HeroineMotions[0].partY[0], 2.0f);
}

TEST_F(Resources, LoadAllReadsAnArchiveLikeLooseFiles) {
  zelvo_test::ZvaItem tiles{"OBJECT\\OBJECT.BMP", Bmp(640, 384)};
  zelvo_test::ZvaItem motion{"MOT_TANK.DAT", zelvo_test::BytesOf(CrLfLines({"0,7,0", "0,0,0.0,1,0"}))};
  tiles.compress = true;
  Put("bmp.zva", zelvo_test::BuildZva({tiles}, {}));
  Put("mot.zva", zelvo_test::BuildZva({motion}, {}));
  LoadAll();
  EXPECT_TRUE(AllLoaded(g_pictures.tiles, 11));
  EXPECT_EQ(TankMotions[0].duration, 7);
}

TEST_F(Resources, StageBackgroundIsLoadedOnceAndNeverRetried) {
  Put("bmp/back/back03.bmp", Bmp(16, 16));
  const int handle = SetStageBackground(3);
  EXPECT_GE(handle, 0);
  EXPECT_EQ(SetStageBackground(3), 0);
  EXPECT_EQ(g_stage.backgroundHandle, handle);
  EXPECT_EQ(SetStageBackground(-1), -1);
  EXPECT_EQ(g_stage.currentBackground, 3);
  // A missing background becomes current all the same, and the old picture is released.
  EXPECT_EQ(SetStageBackground(4), -1);
  EXPECT_EQ(g_stage.currentBackground, 4);
  EXPECT_EQ(ReleaseGraph(handle, 0), -1);
  Put("bmp/back/back04.bmp", Bmp(16, 16));
  EXPECT_EQ(SetStageBackground(4), 0);
  EXPECT_EQ(g_stage.backgroundHandle, -1);
}

TEST_F(Resources, EnemySetsLoadTheirRowAndReleaseIt) {
  Put("bmp/enemy/rtank1.bmp", Bmp(8, 8));
  Put("bmp/enemy/rtank2.bmp", Bmp(8, 8));
  Put("bmp/enemy/computer.bmp", Bmp(8, 8));
  Put("bmp/chara02/c020.bmp", Bmp(8, 8));
  ClearMotionPictureSets();
  LoadEnemySet(3);
  const int first = HeliPictures[7];
  EXPECT_GE(first, 0);
  EXPECT_GE(HeliPictures[8], 0);
  LoadEnemySet(3);
  EXPECT_EQ(HeliPictures[7], first);        // the same set is not loaded again
  LoadEnemySet(-1);
  EXPECT_EQ(HeliPictures[7], -1);
  EXPECT_EQ(g_stage.currentEnemySet, -1);
  EXPECT_EQ(ReleaseGraph(first, 0), -1);    // it was released
  LoadEnemySet(3);
  EXPECT_GE(HeliPictures[7], 0);
  EXPECT_GE(HeliPictures[8], 0);
  LoadEnemySet(1);
  EXPECT_EQ(HeliPictures[7], -1);
  EXPECT_GE(HeliPictures[5], 0);
  EXPECT_EQ(HeliPictures[11], -1);          // cguard.bmp is missing
  LoadEnemySet(0);
  EXPECT_EQ(HeliPictures[5], -1);
  EXPECT_GE(RiveterPictures[20], 0);
  EXPECT_EQ(RiveterPictures[19], -1);
  LoadEnemySet(9);                          // becomes current, loads nothing
  EXPECT_EQ(g_stage.currentEnemySet, 9);
  EXPECT_EQ(RiveterPictures[20], -1);
}

TEST_F(Resources, StageMusicIsLoadedOnceAndStopsWhenSwitchedOff) {
  PlayStageMusic(12, 0);
  EXPECT_EQ(g_stage.currentMusic, 12);
  PlayStageMusic(12, 0);
  EXPECT_EQ(g_stage.currentMusic, 12);
  PlayStageMusic(-1, 0);
  EXPECT_EQ(g_stage.currentMusic, -1);
  EXPECT_EQ(g_stage.musicHandle, -1);
  PlayStageMusic(5, 2);
  EXPECT_EQ(g_stage.currentMusic, 5);
  GameSettings.musicOff = 1;
  PlayStageMusic(5, 0);
  EXPECT_EQ(g_stage.currentMusic, -1);
  SetSEVolume();   // on missing sound handles: nothing happens
}

}  // namespace
}  // namespace horundel
