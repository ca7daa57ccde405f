#pragma once
// Mission 1 played to its clear by a scripted player: five short rooms and the boss room written
// as its maps, and a player that reacts to the battle each frame through the host's keys. Both
// the battle's mission runs and the game's end-to-end run use it.
#include <zelvo/zelvo.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/shell_services.h"
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

struct MapFile {
  std::string name;   // relative to the game folder
  std::string text;
};

// Mission 1 on easy: five short rooms, each ending at the door to the next, then the main computer.
inline std::vector<MapFile> MissionOneMaps() {
  std::vector<MapFile> maps;
  for (int area = 0; area <= 4; ++area) {
    maps.push_back({"map/easy/c010" + std::to_string(area) + ".dat",
                    RoomMap(14, {{40, 0, 12, 5, area + 1}, {2, 10, 7, 5, 1}}, area % 3)});
  }
  maps.push_back({"map/easy/c0105.dat", RoomMap(30, {{2, 60, 24, 5, 0}}, 5)});
  return maps;
}

// DirectInput codes of the battle keys (the game's defaults) and the host scancodes that press them.
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

// Presses or releases a battle key through the host; it reaches the battle at the next frame.
inline void SetSceneKey(int action, bool down) {
  for (const SceneKey& key : kSceneKeys) {
    if (key.action == action) pf::testing::InjectKey(key.scancode, down);
  }
}

// The keys the scripted player holds, changed through the host only when they change.
struct ScriptedPad {
  static inline bool held[kKeyBindingCount] = {};
  static void Set(int action, bool down) {
    if (held[action] == down) return;
    held[action] = down;
    SetSceneKey(action, down);
  }
  static void ReleaseAll() {
    for (int action = 0; action < kKeyBindingCount; ++action) Set(action, false);
    PumpMessages();
    // A key pressed in the run's last frame was never read: its release is no tap for the next run.
    pf::testing::ForgetTappedKeys();
  }
};

constexpr int kSafetyFrames = 20000;   // a run still going after this gives up from the pause menu

inline void GiveUpWhenTooLong() {
  if (g_battle.MissionFrames > kSafetyFrames) ScriptedPad::Set(kKeyPause, true);
}

// Mission 1 on the maps above, once a battle frame after the keys were read: right through every
// door, striking whatever stands in the way, then the gun of the second weapon slot against the
// boss. Carrying the heavy machine gun (weapon 9), whose one shot outweighs the boss, makes it a
// clear.
inline void PlayMissionOne() {
  GiveUpWhenTooLong();
  const Character& heroine = CharacterTable[kPlayerSlot];
  static float lastX = 0.0f;
  const bool stalled = heroine.x == lastX;
  lastX = heroine.x;
  if (g_battle.CurrentArea < 5) {
    ScriptedPad::Set(kKeyRight, true);
    ScriptedPad::Set(kKeyMelee, stalled && !ScriptedPad::held[kKeyMelee]);
    return;
  }
  ScriptedPad::Set(kKeyMelee, false);
  const bool inRange = heroine.x > 1900.0f;
  ScriptedPad::Set(kKeyRight, !inRange);
  if (!inRange) return;
  if (g_battle.CurrentWeaponSlot == 0) {
    ScriptedPad::Set(kKeyNextWeapon, !ScriptedPad::held[kKeyNextWeapon]);
    return;
  }
  ScriptedPad::Set(kKeyNextWeapon, false);
  ScriptedPad::Set(kKeyShoot, !ScriptedPad::held[kKeyShoot]);
}

}  // namespace horundel
