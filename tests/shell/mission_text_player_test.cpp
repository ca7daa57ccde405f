// The mission text player on the headless host: a conversation's pages turned by scripted keys, its
// pictures coming into view by page, the frozen battle underneath, and a missing file.
#include <gtest/gtest.h>

#include <string>

#include "game/battle/data/battle_state.h"
#include "game/shell/mission_text_player.h"
#include "screen_fixture.h"

namespace horundel {
namespace {

class TextPlayer : public ShellScreenTest {
 protected:
  void SetUp() override {
    ShellScreenTest::SetUp();
    WriteFile("bmp/system/a.bmp", SolidBmp(40, 40, 0xC03020));
    WriteFile("bmp/system/b.bmp", SolidBmp(40, 40, 0x20C040));
    const std::string text =
        "1,two pages\r\n1,two pictures\r\nx,y,scale,angle,mirror,page,keep,file\r\n"
        "100,100,1.0,0,0,0,1,bmp\\system\\a.bmp\r\n"
        "500,100,1.0,0,0,1,1,bmp\\system\\b.bmp\r\n"
        "----\r\nfirst\r\n\r\n\r\nsecond @B003\r\n\r\n\r\n";
    WriteFile("text/advice03.dat", std::vector<std::uint8_t>(text.begin(), text.end()));
    g_battle.CurrentMission = 2;
    WriteFile("text/battle0207.dat", std::vector<std::uint8_t>(text.begin(), text.end()));
  }
};

TEST_F(TextPlayer, EachPressFinishesOrTurnsAPageAndTheLastEndsIt) {
  Press("Return", 5);       // page 0 shown whole
  Press("Backspace", 10);   // page 1: cancel turns pages too
  Press("Return", 15);
  Press("Return", 20);      // past the last page: ends without drawing
  Start();
  PlayMissionText(kAdviceText, 3);
  EXPECT_EQ(Presented(), 19);
}

TEST_F(TextPlayer, PicturesComeIntoViewFromTheirPage) {
  Press("Return", 5);
  Hold("Escape", 9, 11);
  Start();
  PlayMissionText(kAdviceText, 3);
  EXPECT_EQ(Presented(), 8);
  EXPECT_EQ(Shown(100, 100), 0xC03020u);
  EXPECT_NE(Shown(500, 100), 0x20C040u) << "its page has not come";
}

TEST_F(TextPlayer, ALaterPictureStaysOnItsPageAndAfter) {
  Press("Return", 5);
  Press("Return", 10);
  Hold("Escape", 14, 16);
  Start();
  PlayMissionText(kAdviceText, 3);
  EXPECT_EQ(Presented(), 13);
  EXPECT_EQ(Shown(100, 100), 0xC03020u);
  EXPECT_EQ(Shown(500, 100), 0x20C040u);
}

TEST_F(TextPlayer, BattleTextsDrawTheFrozenBattle) {
  Press("Return", 5);
  Press("Return", 10);
  Press("Return", 15);
  Press("Return", 20);
  Start();
  PlayMissionText(kBattleText, 7);
  EXPECT_EQ(Presented(), 19);
  EXPECT_TRUE(Calls('u').empty()) << "the world is not advanced";
  EXPECT_EQ(Calls('d').size(), 19u);
}

TEST_F(TextPlayer, AMissingOrRefusedFileReturnsAtOnce) {
  WriteFile("text/advice04.dat", {'x', '\r', '\n'});
  Start();
  PlayMissionText(kAdviceText, 9);
  PlayMissionText(kAdviceText, 4);
  EXPECT_EQ(Presented(), 0);
}

}  // namespace
}  // namespace horundel
