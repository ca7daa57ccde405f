// The hangar: which missions are open, the choices RunMenu(410) returns, the departure scene and
// the high-score table.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/shell/high_scores.h"
#include "game/shell/hud.h"
#include "game/shell/menu_frame.h"
#include "game/shell/mission_select.h"
#include "screen_fixture.h"

namespace horundel {
namespace {

constexpr int kFadeFrames = 32;
constexpr int kFirstHangarFrame = kFadeFrames + 1;
constexpr int kDepartureFrames = 100;

class MissionSelect : public ShellScreenTest {
 protected:
  void SetUp() override {
    ShellScreenTest::SetUp();
    g_battle = BattleState{};
    g_hud = HudState{};
    for (MissionRecord& record : MissionRecords) record = MissionRecord{};
    MissionRecords[0].cleared = 1;
    g_battle.CurrentMission = -1;
  }

  // One press every 6 frames from the hangar's first frame, then Escape when asked.
  void Script(const std::vector<const char*>& keys, bool escape) {
    int frame = 0;
    for (const char* key : keys) {
      Press(key, kFirstHangarFrame + frame);
      frame += 6;
    }
    lastKeyFrame_ = kFirstHangarFrame + frame - 6;
    if (escape) Hold("Escape", kFirstHangarFrame + frame, kFirstHangarFrame + frame + 1);
  }

  int lastKeyFrame_ = 0;
};

TEST_F(MissionSelect, OnlyMissionsZeroToTwoEverOpen) {
  struct Case {
    std::vector<int> cleared;
    int last;
  };
  const Case cases[] = {
      {{0}, 1},                  // a new game lists 00 and 01
      {{0, 1}, 2},               // clearing mission 1 opens 02
      {{0, 1, 2, 3, 4, 5}, 2},   // and nothing opens after it
      {{1, 2}, 0},               // the leading cleared records only
  };
  for (const Case& c : cases) {
    for (MissionRecord& record : MissionRecords) record.cleared = 0;
    for (int mission : c.cleared) MissionRecords[mission].cleared = 1;
    EXPECT_EQ(LastOpenMission(), c.last) << c.cleared.size();
  }
}

// A way through the hangar and what RunMenu(410) returns for it.
struct HangarRoute {
  const char* name;
  std::vector<int> cleared;
  std::vector<const char*> keys;
  int result;
  int mission;       // CurrentMission afterwards
  int extraFrames;   // frames between the last key and the fade-out
};

// Cases print as their names.
void PrintTo(const HangarRoute& c, std::ostream* os) { *os << c.name; }

class HangarRoutes : public MissionSelect, public ::testing::WithParamInterface<HangarRoute> {};

TEST_P(HangarRoutes, ReturnTheirChoiceAndKeepTheHighlightedMission) {
  const HangarRoute& route = GetParam();
  for (int mission : route.cleared) MissionRecords[mission].cleared = 1;
  Script(route.keys, false);
  Start();
  EXPECT_EQ(RunMenu(kScreenMissionFadeIn), route.result);
  EXPECT_EQ(g_battle.CurrentMission, route.mission);
  EXPECT_EQ(Presented(), lastKeyFrame_ + route.extraFrames + kFadeFrames - 1);
  EXPECT_FALSE(QuitRequested());
}

INSTANTIATE_TEST_SUITE_P(
    Hangar, HangarRoutes,
    ::testing::Values(
        // The departure scene runs 100 frames before the fade-out.
        HangarRoute{"PlayTheTraining", {}, {"Return"}, kChoicePlayMission, 0, kDepartureFrames},
        HangarRoute{"PlayMissionOne", {}, {"Down", "Return"}, kChoicePlayMission, 1, kDepartureFrames},
        // Two missions listed: down twice wraps to the first; cancel does nothing here.
        HangarRoute{"DownWrapsOnANewGame", {}, {"Down", "Down", "Backspace", "Return"}, kChoicePlayMission, 0, kDepartureFrames},
        HangarRoute{"PlayMissionTwoOnceOneIsCleared", {1}, {"Down", "Down", "Return"}, kChoicePlayMission, 2, kDepartureFrames},
        HangarRoute{"Shop", {}, {"Down", "Right", "Return"}, kChoiceShop, 1, 0},
        HangarRoute{"Save", {}, {"Right", "Down", "Down", "Return"}, kChoiceSave, 0, 0},
        HangarRoute{"BackToTheTitle", {}, {"Left", "Up", "Return"}, kChoiceBackToTitle, 0, 0},
        // The score table closes on confirm or cancel with nothing chosen.
        HangarRoute{"ScoresThenShop", {1}, {"Down", "Down", "Right", "Down", "Return", "Return", "Return", "Backspace", "Up", "Return"}, kChoiceShop, 2, 0}),
    [](const ::testing::TestParamInfo<HangarRoute>& info) { return std::string(info.param.name); });

TEST_F(MissionSelect, EscapeDuringTheDepartureEndsTheMenu) {
  Script({"Return"}, true);
  Start();
  // Escape comes 6 frames into the departure.
  EXPECT_EQ(RunMenu(kScreenMissionFadeIn), kQuitResult);
  EXPECT_EQ(g_menu.MenuScreen, kScreenMissionDeparture);
  EXPECT_EQ(g_hangar.heroine.facing, -1);
  EXPECT_EQ(g_hangar.heroine.x, 500.0f);
}

TEST_F(MissionSelect, TheDepartureSceneByFrame) {
  Start();
  ResetMenuState(g_menu);
  ResetHangarScene(g_hangar);
  g_menu.MenuScreen = kScreenMissionDeparture;
  struct Step {
    int frames;         // frames of the departure run so far
    int facing;
    float x;
    int flashLife;      // of slot 0
    int screen;
  };
  const Step steps[] = {
      {10, -1, 500.0f, 0, kScreenMissionDeparture},
      {11, -1, 500.0f, 20, kScreenMissionDeparture},
      {50, -1, 500.0f, 20, kScreenMissionDeparture},
      {51, 1, 508.0f, 20, kScreenMissionDeparture},
      {99, 1, 892.0f, 20, kScreenMissionDeparture},
      {100, 1, 900.0f, 20, kScreenMissionFadeOut},
  };
  int done = 0;
  for (const Step& step : steps) {
    for (; done < step.frames; ++done) {
      ASSERT_EQ(g_menu.MenuScreen, kScreenMissionDeparture) << done;
      RunMissionSelectScreen(g_menu);
    }
    EXPECT_EQ(g_hangar.heroine.facing, step.facing) << step.frames;
    EXPECT_EQ(g_hangar.heroine.x, step.x) << step.frames;
    // The flash's life is spent by the background, which this loop does not draw.
    EXPECT_EQ(g_hangar.flashes[0].life, step.flashLife) << step.frames;
    EXPECT_EQ(g_menu.MenuScreen, step.screen) << step.frames;
  }
  EXPECT_EQ(g_hangar.flashes[0].x, 430.0f);
  EXPECT_EQ(g_hangar.flashes[0].y, 280.0f);
  EXPECT_EQ(g_hangar.flashes[1].x, 170.0f);
  EXPECT_EQ(g_hangar.flashes[1].y, 250.0f);
}

TEST_F(MissionSelect, HighScoreRowsShowMinutesSecondsAndFrames) {
  struct Case {
    int frames;
    const char* text;
  };
  const Case cases[] = {{72000, "20:00:00"}, {3725, " 1:02:05"}, {59, " 0:00:59"}, {0, " 0:00:00"}};
  for (const Case& c : cases) {
    char text[16];
    FormatBestTime(c.frames, text, sizeof text);
    EXPECT_STREQ(text, c.text);
  }
  MissionRecords[2] = MissionRecord{"", {}, 1, 72000, 37, 1234567};
  const HighScoreRow row = MakeHighScoreRow(2);
  EXPECT_STREQ(row.mission, "Mission 2");
  EXPECT_STREQ(row.bestTime, "20:00:00");
  EXPECT_STREQ(row.maxHit, "    37 Hits");
  EXPECT_STREQ(row.highScore, " 1234567");
  // Values from a damaged save stay within the row's texts.
  MissionRecords[3] = MissionRecord{"", {}, 1, INT_MIN, INT_MIN, INT_MIN};
  const HighScoreRow damaged = MakeHighScoreRow(3);
  EXPECT_STREQ(damaged.maxHit, "-2147483648 Hits");
}

}  // namespace
}  // namespace horundel
