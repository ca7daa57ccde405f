#pragma once
// Missions run through RunMission on the started library: small map files written into the test
// folder, a recording stand-in for the shell's screens, and keys held through the host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "battle_fixture.h"
#include "game/battle/battle_state.h"
#include "game/battle/effects.h"
#include "game/battle/game_tables.h"
#include "game/battle/mission_loop.h"
#include "game/battle/resources.h"
#include "game/battle/shell_services.h"
#include "game/battle/stage_resources.h"
#include "platform/testing.h"

namespace horundel {

// One map object line: type 2 enemy or 40 event, its kind, the cell it stands in and its parameter.
struct MapObject {
  int type;
  int kind;
  int column;
  int row;
  int parameter;
};

constexpr int kSceneRows = 8;          // rows 6 and 7 are floor
constexpr int kSceneFloorRow = 6;

// A walled room `columns` cells wide with a floor; the heroine starts in column 2.
inline std::string RoomMap(int columns, std::initializer_list<MapObject> objects, int background = 0) {
  std::vector<std::string> lines = {std::to_string(background), "-1", "0", std::to_string(columns - 1),
                                    std::to_string(kSceneRows - 1), "150.0", "550.0"};
  for (int row = 0; row < kSceneRows; ++row) {
    std::string cells(static_cast<std::size_t>(columns), '0');
    cells.front() = cells.back() = '2';
    if (row >= kSceneFloorRow) cells.assign(static_cast<std::size_t>(columns), '2');
    lines.push_back(cells);
  }
  lines.push_back("250.0,560.0");
  for (const MapObject& o : objects) {
    // Doors stand 90 pixels above the floor, walkers 40, the boss 260.
    const int lift = o.type == 40 ? 90 : o.kind == 60 ? 260 : 40;
    lines.push_back(std::to_string(o.type) + "," + std::to_string(o.kind) + "," + std::to_string(100 * o.column + 50) +
                    ".0," + std::to_string(100 * kSceneFloorRow - lift) + ".0," + std::to_string(o.parameter));
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

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

// DirectInput codes of the battle keys and the host scancodes that press them.
struct SceneKey {
  int action;
  int keyCode;
  int scancode;
};
constexpr SceneKey kSceneKeys[] = {
    {kKeyUp, 200, 82},       {kKeyDown, 208, 81},  {kKeyLeft, 203, 80},   {kKeyRight, 205, 79},
    {kKeyMelee, 30, 4},      {kKeyShoot, 31, 22},  {kKeySpecial, 32, 7},  {kKeyJump, 46, 6},
    {kKeyDash, 45, 27},      {kKeyNextWeapon, 17, 26}, {kKeyPreviousWeapon, 18, 8}, {kKeyPause, 57, 44},
    {kKeyEquipment, 28, 40},
};

inline void BindSceneKeys() {
  for (KeyBinding& binding : KeyBindings) binding = KeyBinding{31, -1, 0, 0, 0};
  for (const SceneKey& key : kSceneKeys) KeyBindings[key.action].keyCode = key.keyCode;
}

// Presses or releases a battle key through the host; it reaches the battle at the next frame.
inline void SetSceneKey(int action, bool down) {
  for (const SceneKey& key : kSceneKeys) {
    if (key.action == action) pf::testing::InjectKey(key.scancode, down);
  }
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

}  // namespace horundel
