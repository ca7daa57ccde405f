// The training and mission 1 played to their clear on the generated maps of both difficulties by
// the scripted players, through the host's keys with a fixed seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "game/battle/game_math.h"
#include "game/battle/mission_scripts.h"
#include "media/core/random.h"
#include "platform/d3d/d3d_testing.h"
#include "mission_scene.h"
#include "support/base_attack_player.h"
#include "support/training_player.h"

namespace horundel {
namespace {

constexpr int kEasy = 1;
constexpr int kHard = 3;

struct ClearRun {
  int result;
  int phase;
  int frames;
  int area;
  int cleared;
  std::string calls;
  int lastText;   // the number of the last mission text shown, -1 for none
};

void PrintTo(const ClearRun& r, std::ostream* out) {
  *out << "result " << r.result << " phase " << r.phase << " frames " << r.frames << " area " << r.area << " cleared "
       << r.cleared << " calls " << r.calls << " last text " << r.lastText;
}

void (*g_player)() = nullptr;

// Prints the heroine's way when ZELVO_TRACE_PLAYER is set, to see where a player is stuck.
void TracedFrame() {
  g_player();
  static const bool trace = std::getenv("ZELVO_TRACE_PLAYER") != nullptr;
  const Character& p = CharacterTable[kPlayerSlot];
  if (trace && (g_battle.MissionFrames % 10 == 0 || std::getenv("ZELVO_TRACE_ALL") != nullptr)) {
    std::printf("f %d area %d x %.0f y %.0f vx %.1f vy %.1f state %d hp %.0f keys R%d L%d J%d M%d\n",
                g_battle.MissionFrames, g_battle.CurrentArea, p.x, p.y, p.vx, p.vy, p.state, p.hp,
                ScriptedPad::held[kKeyRight], ScriptedPad::held[kKeyLeft], ScriptedPad::held[kKeyJump],
                ScriptedPad::held[kKeyMelee]);
    for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
      const Character& e = CharacterTable[slot];
      if (e.state != 0 && e.type == kTypeEnemy && AbsFloat(e.x - p.x) < 900.0f) {
        std::printf("   enemy %d kind %d x %.0f y %.0f hp %.0f state %d\n", slot, e.kind, e.x, e.y, e.hp, e.state);
      }
    }
  }
}

class GeneratedClearTest : public zelvo_test::BattleTest {
 protected:
  void SetUp() override {
    pf::testing::SetDirect3DProfile('B');
    BattleTest::SetUp();
    SelectDrawTarget(ZELVO_BACK_BUFFER);
    // The generated loose set as the game folder; what the game may write stays in the scratch folder.
    const std::filesystem::path data = std::filesystem::path(ZELVO_GAMEDATA_DIR) / "loose";
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
      const std::string name = entry.path().filename().string();
      if (name == "save" || name == "ss") continue;
      std::filesystem::create_symlink(entry.path(), folder_ + "/" + name);
    }
    LoadAll();
  }
  void TearDown() override {
    BattleTest::TearDown();
    pf::testing::ResetDirect3DStandIn();
  }

  static ClearRun Play(int mission, int difficulty, void (*player)()) {
    ScriptedPad::ReleaseAll();
    NewGameState();
    g_battle.Difficulty = difficulty;
    BindSceneKeys();
    ShellRecorder::Install();
    ShellRecorder::pauseResult = 1;
    g_player = player;
    ShellRecorder::onFrame = TracedFrame;
    g_battle.CurrentMission = mission;
    zelvo::SeedRandom(20261211);
    ClearRun r{};
    r.result = RunMission(kMissionMap);
    ScriptedPad::ReleaseAll();
    r.phase = g_battle.MissionPhase;
    r.frames = g_battle.MissionFrames;
    r.area = g_battle.CurrentArea;
    r.cleared = MissionRecords[mission].cleared;
    r.calls = ShellRecorder::Kinds();
    r.lastText = -1;
    for (const ShellCall& call : ShellRecorder::calls) {
      if (call.what == 't') r.lastText = call.second;
    }
    return r;
  }
};

class TrainingClear : public GeneratedClearTest, public ::testing::WithParamInterface<int> {};

TEST_P(TrainingClear, ReachesTheSecondAreaWithinItsBudget) {
  const ClearRun run = Play(0, GetParam(), PlayTraining);
  EXPECT_EQ(run.result, 0) << ::testing::PrintToString(run);
  EXPECT_EQ(run.phase, kPhaseEnded);
  EXPECT_EQ(run.area, 1);
  EXPECT_EQ(run.lastText, 24);   // the training's closing words, shown on reaching the second area
  EXPECT_LT(run.frames, 3000);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, TrainingClear, ::testing::Values(kEasy, kHard));

class BaseAttackClear : public GeneratedClearTest, public ::testing::WithParamInterface<int> {};

TEST_P(BaseAttackClear, DefeatsTheMainComputerWithANewGamesHeroine) {
  const ClearRun run = Play(1, GetParam(), PlayBaseAttack);
  EXPECT_EQ(run.result, 0) << ::testing::PrintToString(run);
  EXPECT_EQ(run.phase, kPhaseEnded);
  EXPECT_EQ(run.area, 5);
  EXPECT_EQ(run.cleared, 1);
  EXPECT_LT(run.frames, 12000);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, BaseAttackClear, ::testing::Values(kEasy));

}  // namespace
}  // namespace horundel
