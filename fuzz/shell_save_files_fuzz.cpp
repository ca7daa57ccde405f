// Arbitrary bytes as the configuration file or a save slot: whatever the file holds, every value
// read lies in the range its tables are indexed by, a slot is taken whole or not at all, and a
// configuration read back from its own writing reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/shell/key_bindings.h"
#include "game/shell/save_files.h"
#include "platform/kernel/kernel.h"

using namespace horundel;

namespace {

std::string g_folder;

// The files live in a fresh folder under TMPDIR (a memory file system keeps the saves' flushes
// cheap), which becomes the current folder: give the corpus as an absolute path.
void Setup() {
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = std::string(temp != nullptr ? temp : "/tmp") + "/zelvo-shell-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_folder = pattern;
  if (mkdir((g_folder + "/save").c_str(), 0777) != 0) std::abort();
  if (!pf::SetCurrentDirectory(pf::HostPathToWindows(g_folder).c_str())) std::abort();
}

void Store(const char* name, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen((g_folder + "/save/" + name).c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

void CheckConfig() {
  Require(In(GameSettings.musicOff, 0, 1) && In(GameSettings.musicVolume, 0, 255) && In(GameSettings.seVolume, 0, 255));
  Require(In(WindowModeSetting, 0, 1) && In(GameSettings.hitWait, 0, 3));
  Require(In(GameSettings.autoWeaponChange, 0, 1) && In(GameSettings.twoButtonSpecial, 0, 1));
  for (int e = 0; e < kActionCount; ++e) Require(In(KeyBindings[e].keyCode, 0, 255) && In(KeyBindings[e].padBit, 0, 31));
  for (int flag : GalleryFlags) Require(In(flag, 0, 1));
}

void FuzzConfig(const std::uint8_t* data, std::size_t size) {
  SetDefaultKeyBindings();
  GameSettings = {0, 60, 30, 2, 0, 0};
  WindowModeSetting = 1;
  for (int& flag : GalleryFlags) flag = 0;
  Store("saveconfig.dat", data, size);
  LoadConfig();
  CheckConfig();
  const GameSettingsRecord settings = GameSettings;
  const KeyBinding up = KeyBindings[kKeyUp];
  Require(SaveConfig() == 0);
  Require(LoadConfig() == 0);
  Require(GameSettings.musicVolume == settings.musicVolume && GameSettings.hitWait == settings.hitWait);
  Require(KeyBindings[kKeyUp].keyCode == up.keyCode && KeyBindings[kKeyUp].padBit == up.padBit);
}

void FuzzSlot(const std::uint8_t* data, std::size_t size) {
  g_battle.Difficulty = 3;
  g_battle.Money = 77;
  g_battle.WeaponSlotCount = 2;
  Store("save00.dat", data, size);
  if (ReadSaveSlot(0) != 0) {
    Require(g_battle.Difficulty == 3 && g_battle.Money == 77 && g_battle.WeaponSlotCount == 2);
    return;
  }
  Require(In(g_battle.Difficulty, 1, 4) && g_battle.Money >= 0 && In(g_battle.HpGaugeCount, 1, 6));
  Require(In(g_battle.AirBoostLevel, 0, 2) && In(g_battle.WeaponSlotCount, 2, kLastCarriedSlot));
  Require(In(g_battle.AdviceIndex, 0, 12));
  for (const WeaponRecord& weapon : WeaponRecords) Require(In(weapon.owned, 0, 1));
  for (const SkillRecord& skill : SkillRecords) Require(In(skill.owned, 0, 1));
  for (int m = 1; m <= 5; ++m) {
    Require(MissionRecords[m].cleared <= 1 && MissionRecords[m].bestTime >= 0 && MissionRecords[m].maxHit >= 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (g_folder.empty()) Setup();
  if (size < 1) return 0;
  if (data[0] & 1) {
    FuzzSlot(data + 1, size - 1);
  } else {
    FuzzConfig(data + 1, size - 1);
  }
  return 0;
}
