#pragma once
// Missions run through RunMission on the started library: small map files written into the test
// folder, a recording stand-in for the shell's screens, and keys held through the host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "battle_fixture.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"
#include "platform/d3d/d3d_testing.h"
#include "platform/testing.h"
#include "support/mission_one_player.h"

namespace horundel {

// What the shell was asked to show, in order.
struct ShellCall {
  char what;    // 's' start, 'c' clear, 'f' failed, 'w' boss warning, 'b' boss defeat, 't' text,
                // 'g' picture, 'm' menu, 'i' fade in, 'o' fade out
  int first;
  int second;
};

struct ShellRecorder {
  static inline std::vector<ShellCall> calls;
  static inline int pauseResult = 0;
  // Run at the HUD's place in every battle frame, after the keys were read.
  static inline void (*onFrame)() = nullptr;

  static void Install() {
    calls.clear();
    pauseResult = 0;
    onFrame = nullptr;
    g_shell = DefaultShellServices();
    g_shell.RunMenu = [](int screen) {
      calls.push_back({'m', screen, 0});
      g_shell.ClearMenuKeys();
      return screen == kMenuPause ? pauseResult : 0;
    };
    g_shell.DrawBattleHud = [](int mode) {
      if (mode == 0 && onFrame != nullptr) onFrame();
    };
    g_shell.MissionStart = [] { calls.push_back({'s', 0, 0}); };
    g_shell.MissionClear = [] { calls.push_back({'c', 0, 0}); };
    g_shell.MissionFailed = [] { calls.push_back({'f', 0, 0}); };
    g_shell.BossWarning = [] { calls.push_back({'w', 0, 0}); };
    g_shell.BossDefeatSequence = [](int slot) { calls.push_back({'b', slot, 0}); };
    g_shell.PlayMissionText = [](int source, int number) { calls.push_back({'t', source, number}); };
    g_shell.ShowCgPicture = [](int number) { calls.push_back({'g', number, 0}); };
    g_shell.FadeBattleFromBlack = [] { calls.push_back({'i', 0, 0}); };
    g_shell.FadeBattleToBlack = [] { calls.push_back({'o', 0, 0}); };
  }

  // The kinds of calls as one string, e.g. "sct".
  static std::string Kinds() {
    std::string kinds;
    for (const ShellCall& call : calls) kinds += call.what;
    return kinds;
  }
};

inline void BindSceneKeys() {
  for (KeyBinding& binding : KeyBindings) binding = KeyBinding{31, -1, 0, 0, 0};
  for (const SceneKey& key : kSceneKeys) KeyBindings[key.action].keyCode = key.keyCode;
}

// The game state a mission starts from after a new game, with the zoom of a fresh program.
inline void NewGameState() {
  std::memset(&g_battle, 0, sizeof g_battle);
  g_battle.Difficulty = 1;
  g_battle.HpGaugeCount = 2;
  g_battle.WeaponSlotCount = 2;
  g_battle.WeaponSlot[0].used = 1;
  g_battle.BattleCamera.zoom = 1.0f;
  GameSettings = GameSettingsRecord{0, 60, 30, 1, 0, 0};
  for (MissionRecord& record : MissionRecords) record.cleared = 0;
}

// The last presented frame's pixels folded into one number.
inline std::uint64_t ScreenHash() {
  std::vector<std::uint32_t> pixels;
  int width = 0;
  int height = 0;
  pf::testing::LastPresentedFrame(&pixels, &width, &height);
  std::uint64_t hash = 1469598103934665603ull;
  for (std::uint32_t pixel : pixels) hash = (hash ^ pixel) * 1099511628211ull;
  return hash;
}

// Whole missions are thousands of frames: they are played in software rendering (the stand-in
// offers no usable Direct3D device), where a frame costs a fraction of the stand-in device's, on
// the generated data set. The game draws into the back buffer and presents it once a frame; drawn
// on the front screen, every draw would show the window anew.
class MissionPlayTest : public zelvo_test::BattleTest {
 protected:
  void SetUp() override { StartOnGeneratedSet(false); }
  void TearDown() override {
    BattleTest::TearDown();
    pf::testing::ResetDirect3DStandIn();
  }
  // `ownMaps`: the test writes its maps in place of the set's.
  void StartOnGeneratedSet(bool ownMaps) {
    pf::testing::SetDirect3DProfile('B');
    BattleTest::SetUp();
    SelectDrawTarget(ZELVO_BACK_BUFFER);
    if (ownMaps) LinkGeneratedSet(ZELVO_GAMEDATA_DIR, {"map"});
    else LinkGeneratedSet(ZELVO_GAMEDATA_DIR);
    LoadAll();
  }
};

}  // namespace horundel
