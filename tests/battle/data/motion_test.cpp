// Motion files, the motion clock and drawing a pose.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/battle/battle_fixture.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "support/picture_writers.h"

namespace horundel {
namespace {

using zelvo_test::CrLfLines;

class MotionFile : public zelvo_test::BattleTest {
 protected:
  // Reads the text as the tank's motion file (read limit 50).
  void ReadTank(const std::string& text) {
    Put("mot/mot_tank.dat", text);
    ReadMotionFile("mot\\mot_tank.dat", TankMotions, kTankMotionBound);
  }
};

TEST_F(MotionFile, MotionsAndPartsAreReadInOrder) {
  ReadTank(CrLfLines({"0,4,1", "0,0,0.0,0,0", "1,4,0", "-10,5,0.5,1,0", "10,5,-0.5,2,1"}));
  const MotionRecord& first = TankMotions[0];
  EXPECT_EQ(first.lastPart, 0);
  EXPECT_EQ(first.duration, 4);
  EXPECT_EQ(first.next, 1);
  const MotionRecord& second = TankMotions[1];
  EXPECT_EQ(second.lastPart, 1);
  EXPECT_EQ(second.partX[0], -10.0f);
  EXPECT_EQ(second.partY[0], 5.0f);
  EXPECT_EQ(second.partAngle[0], 0.5f);
  EXPECT_EQ(second.picture[1], 2);
  EXPECT_EQ(second.mirror[1], 1);
  const MotionRecord zero{};
  EXPECT_EQ(std::memcmp(&TankMotions[2], &zero, sizeof zero), 0);
}

TEST_F(MotionFile, ReadingStopsAtTheTablesLimit) {
  std::string text;
  for (int motion = 0; motion <= kTankMotionBound; ++motion) {
    text += CrLfLines({"0," + std::to_string(motion + 1) + ",0", "0,0,0.0,0,0"});
  }
  ReadTank(text);
  EXPECT_EQ(TankMotions[kTankMotionBound - 1].duration, kTankMotionBound);
  EXPECT_EQ(TankMotions[kTankMotionBound].duration, 0);   // the 51st motion is ignored
}

TEST_F(MotionFile, APartLineMissingAtTheEndLeavesThatPart) {
  TankMotions[0].picture[2] = 9;
  ReadTank(CrLfLines({"2,3,0", "1,1,0.0,5,0", "2,2,0.0,6,0"}));
  EXPECT_EQ(TankMotions[0].lastPart, 2);
  EXPECT_EQ(TankMotions[0].picture[0], 5);
  EXPECT_EQ(TankMotions[0].picture[1], 6);
  EXPECT_EQ(TankMotions[0].picture[2], 9);
}

TEST_F(MotionFile, PartCountsBeyondTwentyAreClampedAndTheFileStaysInStep) {
  std::vector<std::string> lines = {"24,2,1"};
  for (int part = 0; part <= 24; ++part) lines.push_back(std::to_string(part) + ",0,0.0," + std::to_string(part) + ",0");
  lines.push_back("-3,7,0");          // a negative count draws nothing and reads no part line
  lines.push_back("0,9,0");
  lines.push_back("4,4,4.5,4,1");
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  ReadTank(text);
  EXPECT_EQ(TankMotions[0].lastPart, 19);
  EXPECT_EQ(TankMotions[0].picture[19], 19);
  EXPECT_EQ(TankMotions[1].lastPart, -1);
  EXPECT_EQ(TankMotions[1].duration, 7);
  EXPECT_EQ(TankMotions[2].duration, 9);
  EXPECT_EQ(TankMotions[2].partAngle[0], 4.5f);
}

TEST_F(MotionFile, FieldsThatDoNotParseKeepTheirValues) {
  TankMotions[0].next = 33;
  TankMotions[0].partAngle[0] = 1.25f;
  TankMotions[0].mirror[0] = 1;
  ReadTank(CrLfLines({"0,6,x", "3,4,inf,7", "0,1"}) + "0,2,0.0,8,0");
  EXPECT_EQ(TankMotions[0].duration, 6);
  EXPECT_EQ(TankMotions[0].next, 33);
  EXPECT_EQ(TankMotions[0].partX[0], 3.0f);
  EXPECT_EQ(TankMotions[0].partAngle[0], 1.25f);   // "inf" is not taken, and nothing after it
  EXPECT_EQ(TankMotions[0].picture[0], 0);
  EXPECT_EQ(TankMotions[0].mirror[0], 1);
  EXPECT_EQ(TankMotions[1].duration, 1);
  EXPECT_EQ(TankMotions[1].picture[0], 8);         // the last line needs no line end
}

TEST_F(MotionFile, AMissingFileLeavesTheTable) {
  TankMotions[3].duration = 5;
  ReadMotionFile("mot\\mot_tank.dat", TankMotions, kTankMotionBound);
  EXPECT_EQ(TankMotions[3].duration, 5);
}

TEST(MotionClock, MotionsPlayForTheirDurationThenFollowTheirNextLink) {
  HeroineMotions[0] = MotionRecord{};
  HeroineMotions[0].duration = 3;
  HeroineMotions[0].next = 1;
  HeroineMotions[1] = MotionRecord{};
  HeroineMotions[1].duration = 2;
  HeroineMotions[1].next = 0;
  Character& player = CharacterTable[1];
  player = Character{};
  std::string seen;
  for (int frame = 0; frame < 10; ++frame) {
    AdvanceMotion(1, kMotionHeroine);
    seen += std::to_string(player.motion);
  }
  EXPECT_EQ(seen, "0011000110");
}

TEST(MotionClock, OutOfRangeAndZeroLengthMotionsPlayMotionZero) {
  HeroineMotions[0] = MotionRecord{};
  HeroineMotions[0].duration = 2;
  HeroineMotions[0].next = 0;
  HeroineMotions[5] = MotionRecord{};
  HeroineMotions[5].next = -7;   // a bad next link from a data file
  Character& player = CharacterTable[1];
  player = Character{};
  player.motion = 5;
  AdvanceMotion(1, kMotionHeroine);   // duration 0: on at once
  EXPECT_EQ(player.motion, -7);
  EXPECT_EQ(player.motionTick, 0);
  EXPECT_EQ(MotionOf(kMotionHeroine, -7), &HeroineMotions[0]);
  EXPECT_EQ(MotionOf(kMotionHeroine, 401), &HeroineMotions[0]);
  EXPECT_EQ(MotionOf(kMotionHeroine, 400), &HeroineMotions[400]);
  EXPECT_EQ(MotionOf(kMotionTank, 51), &TankMotions[0]);
  EXPECT_EQ(MotionOf(7, 0), nullptr);
  AdvanceMotion(1, kMotionHeroine);
  AdvanceMotion(1, kMotionHeroine);
  EXPECT_EQ(player.motion, 0);
  player.motion = 12;
  KeepMotionInRange(1, 20, 25);
  EXPECT_EQ(player.motion, 20);
  player.motion = 23;
  KeepMotionInRange(1, 20, 25);
  EXPECT_EQ(player.motion, 23);
}

// Poses drawn on the headless screen, read back from a saved BMP.
class MotionDraw : public zelvo_test::BattleTest {
 protected:
  struct Rgb {
    int r, g, b;
  };
  // A 10 x 10 picture whose left half is white and right half the colour, so a mirrored draw
  // shows; drawn centred at x, the colour is at x + 3 and the white at x - 3.
  int Picture(const std::string& name, Rgb colour) {
    zelvo_test::BmpLayout layout;
    layout.width = layout.height = 10;
    std::vector<zelvo_test::Bytes> rows;
    for (int y = 0; y < 10; ++y) {
      zelvo_test::Bytes row;
      for (int x = 0; x < 10; ++x) {
        const Rgb c = x < 5 ? Rgb{255, 255, 255} : colour;
        row.insert(row.end(), {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                               static_cast<std::uint8_t>(c.r)});
      }
      rows.push_back(row);
    }
    layout.pixels = zelvo_test::PadRows(rows);
    Put(name, zelvo_test::WriteBmp(layout));
    return LoadGraphFile(name.c_str(), 0);
  }
  void Clear() {
    SelectDrawTarget(ZELVO_BACK_BUFFER);
    ClearDrawTarget();
  }
  Rgb At(int x, int y) {
    EXPECT_EQ(SaveScreenRectToFile(0, 0, 640, 480, "shot.bmp", 0, 0, 0), 0);
    const zelvo_test::Bytes bytes = zelvo_test::ReadFileBytes(folder_ + "/shot.bmp");
    if (bytes.size() < 54) return {-1, -1, -1};
    const std::size_t at = 54 + static_cast<std::size_t>(479 - y) * 640 * 3 + static_cast<std::size_t>(x) * 3;
    return {bytes[at + 2], bytes[at + 1], bytes[at]};
  }
  static bool Is(Rgb c, int r, int g, int b) { return c.r == r && c.g == g && c.b == b; }
  // The tank table's motion 0 with one part per picture number given, 40 pixels apart.
  static void Pose(std::initializer_list<int> pictures, int motionKind = kMotionTank) {
    MotionRecord& record = MotionTableOf(motionKind).records[0];
    record = MotionRecord{};
    int part = 0;
    for (int picture : pictures) {
      record.picture[part] = picture;
      record.partX[part] = 40.0f * static_cast<float>(part + 1);
      ++part;
    }
    record.lastPart = part - 1;
  }
};

TEST_F(MotionDraw, FacingLeftMirrorsOffsetsAndPictures) {
  TankPictures[0] = Picture("red.bmp", {255, 0, 0});
  ASSERT_NE(TankPictures[0], -1);
  Pose({0});
  Clear();
  DrawMotion(kMotionTank, 200, 200, 0, 1, 1.0f, 0, kDrawMotionNormal);
  EXPECT_TRUE(Is(At(243, 200), 255, 0, 0));
  EXPECT_TRUE(Is(At(237, 200), 255, 255, 255));
  Clear();
  DrawMotion(kMotionTank, 200, 200, 0, -1, 1.0f, 0, kDrawMotionNormal);
  EXPECT_TRUE(Is(At(157, 200), 255, 0, 0));       // mirrored: the white half is on the right
  EXPECT_TRUE(Is(At(163, 200), 255, 255, 255));
  EXPECT_TRUE(Is(At(243, 200), 0, 0, 0));
  // A motion above the bound draws motion 0; scale moves the part with it.
  Clear();
  DrawMotion(kMotionTank, 200, 200, 51, 1, 2.0f, 0, kDrawMotionNormal);
  EXPECT_TRUE(Is(At(286, 200), 255, 0, 0));
  // An offset from a data file far beyond the screen draws nothing there and overflows nothing.
  TankMotions[0].partX[0] = 2147483647.0f;
  Clear();
  DrawMotion(kMotionTank, 200, 200, 0, -1, 1.0f, 0, kDrawMotionNormal);
  EXPECT_TRUE(Is(At(157, 200), 0, 0, 0));
}

TEST_F(MotionDraw, WeaponAndToolWeaponPartsFollowTheHandsState) {
  HeroinePictures[23] = Picture("green.bmp", {0, 255, 0});
  WeaponRecords[0].picture = Picture("blue.bmp", {0, 0, 255});
  WeaponRecords[3].picture = Picture("red.bmp", {255, 0, 0});
  Pose({23, 28, 45}, kMotionHeroine);   // picture 45 has no handle: skipped
  struct Case {
    int toolWeaponState, weaponId;
    bool toolPart;
    int weaponColour;   // 0 none, 1 blue (tool-weapon), 2 red (weapon 3)
  };
  const Case cases[] = {{1, 0, true, 1}, {0, 0, false, 0}, {2, 0, false, 1}, {0, 3, false, 2}, {1, 30, true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.toolWeaponState * 100 + c.weaponId);
    g_battle.ToolWeaponState = c.toolWeaponState;
    Clear();
    DrawMotion(kMotionHeroine, 100, 100, 0, 1, 1.0f, c.weaponId, kDrawMotionNormal);
    EXPECT_EQ(Is(At(143, 100), 0, 255, 0), c.toolPart);
    const Rgb weapon = At(183, 100);
    EXPECT_TRUE(c.weaponColour == 0   ? Is(weapon, 0, 0, 0)
                : c.weaponColour == 1 ? Is(weapon, 0, 0, 255)
                                      : Is(weapon, 255, 0, 0));
  }
  // The plier's weapon part needs a weapon.
  PlierPictures[0] = HeroinePictures[23];
  Pose({23, 0}, kMotionPlier);
  Clear();
  DrawMotion(kMotionPlier, 100, 100, 0, 1, 1.0f, 0, kDrawMotionNormal);
  EXPECT_TRUE(Is(At(143, 100), 0, 0, 0));
  EXPECT_TRUE(Is(At(183, 100), 0, 255, 0));
  Clear();
  DrawMotion(kMotionPlier, 100, 100, 0, 1, 1.0f, 3, kDrawMotionNormal);
  EXPECT_TRUE(Is(At(143, 100), 255, 0, 0));
}

}  // namespace
}  // namespace horundel
