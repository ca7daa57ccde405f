// Whole missions on the generated pictures, sounds and motions with maps of this test: played
// through the host's keys with a fixed seed, each outcome twice the same.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "game/battle/mission/mission_scripts.h"
#include "game/battle/combat/pickups.h"
#include "media/core/random.h"
#include "tests/battle/mission_scene.h"

namespace horundel {
namespace {

struct Outcome {
  int result;
  int phase;
  int frames;
  int score;
  int money;
  int area;
  std::uint64_t screen;
  std::string calls;

  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* out) {
  *out << "result " << o.result << " phase " << o.phase << " frames " << o.frames << " score " << o.score << " money "
       << o.money << " area " << o.area << " screen " << o.screen << " calls " << o.calls;
}

class MissionRunTest : public MissionPlayTest {
 protected:
  // The maps of this test in place of the set's.
  void SetUp() override {
    StartOnGeneratedSet(true);
    for (const MapFile& map : MissionOneMaps()) Put(map.name, map.text);
    Put("tempmap.dat", RoomMap(12, {{2, 0, 5, 5, 1}, {2, 0, 6, 5, 2}, {2, 0, 7, 5, 3}}, 1));
  }

  // One mission from the new-game state; `onFrame` plays it from the HUD's place in each frame.
  static Outcome Play(int mission, int mode, void (*setUp)(), void (*onFrame)()) {
    ScriptedPad::ReleaseAll();
    NewGameState();
    BindSceneKeys();
    ShellRecorder::Install();
    ShellRecorder::pauseResult = 1;
    ShellRecorder::onFrame = onFrame;
    g_battle.CurrentMission = mission;
    if (setUp != nullptr) setUp();
    zelvo::SeedRandom(20261211);
    Outcome o{};
    o.result = RunMission(mode);
    ScriptedPad::ReleaseAll();
    o.phase = g_battle.MissionPhase;
    o.frames = g_battle.MissionFrames;
    o.score = g_battle.MissionScore;
    o.money = g_battle.Money;
    o.area = g_battle.CurrentArea;
    o.screen = ScreenHash();
    o.calls = ShellRecorder::Kinds();
    return o;
  }

};

TEST_F(MissionRunTest, MissionOneIsClearedThroughItsBossTheSameWayTwice) {
  // Overwhelming but legal strength from the game's own records: the last weapon of the shop's
  // table, whose one shot outweighs the boss, carried in as if bought.
  auto arm = [] { AddWeapon(9); };
  const Outcome first = Play(1, kMissionMap, arm, PlayMissionOne);
  EXPECT_EQ(first.result, 0);
  EXPECT_EQ(first.phase, kPhaseEnded);
  EXPECT_EQ(first.area, 5);
  EXPECT_EQ(first.calls, "soioioioiowbco");   // the boss warning in place of the last fade in
  EXPECT_EQ(MissionRecords[1].cleared, 1);
  EXPECT_LT(first.frames, kSafetyFrames);
  EXPECT_EQ(Play(1, kMissionMap, arm, PlayMissionOne), first);
}

// Stands among armed soldiers until she falls.
void StandStill() { GiveUpWhenTooLong(); }

TEST_F(MissionRunTest, LosingEveryHitPointFailsTheSameWayTwice) {
  const Outcome first = Play(1, kMissionTemporaryMap, nullptr, StandStill);
  EXPECT_EQ(first.result, 0);
  EXPECT_EQ(first.phase, kPhaseFailed);
  EXPECT_EQ(first.calls, "sfot");
  EXPECT_LT(first.frames, kSafetyFrames);
  EXPECT_EQ(Play(1, kMissionTemporaryMap, nullptr, StandStill), first);
}

// Walks on for a while, then gives up from the pause menu.
void WalkThenGiveUp() {
  ScriptedPad::Set(kKeyRight, g_battle.MissionFrames < 100);
  ScriptedPad::Set(kKeyPause, g_battle.MissionFrames >= 150);
}

TEST_F(MissionRunTest, GivingUpFromThePauseMenuEndsTheSameWayTwice) {
  const Outcome first = Play(1, kMissionMap, nullptr, WalkThenGiveUp);
  EXPECT_EQ(first.result, 0);
  EXPECT_EQ(first.phase, kPhaseEnded);
  EXPECT_EQ(first.frames, 152);   // the press reaches the keys one frame after it is made
  EXPECT_EQ(first.calls, "smo");
  EXPECT_EQ(MissionRecords[1].cleared, 0);
  EXPECT_EQ(Play(1, kMissionMap, nullptr, WalkThenGiveUp), first);
}

}  // namespace
}  // namespace horundel
