#include "game/shell/save_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include <zelvo/zelvo.h>

#include "game/battle/battle_state.h"
#include "game/battle/game_tables.h"
#include "game/battle/shell_services.h"
#include "game/shell/key_bindings.h"
#include "game/shell/runtime_files.h"

namespace horundel {

int GalleryFlags[kGalleryFlagCount];
int WindowModeSetting = 1;

namespace {

constexpr const char* kConfigPath = "save\\saveconfig.dat";
constexpr int kLineBufferSize = 100;
constexpr int kStoredMissionFirst = 1;   // mission 0, the training, is never stored
constexpr int kStoredMissions = 5;

// Reads up to `wanted` lines; returns how many were read.
int ReadLines(const char* path, char (*lines)[kLineBufferSize], int wanted) {
  const intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) return -1;
  int count = 0;
  while (count < wanted && ReadStreamLine(lines[count], kLineBufferSize, stream) >= 0) ++count;
  CloseReadStream(stream);
  return count;
}

// `count` comma-separated decimal ints, as "%d,%d,..." reads them: blanks may lead each number,
// anything may follow the last. A number outside the int range does not parse.
bool ParseInts(const char* line, int* out, int count) {
  const char* at = line;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      if (*at != ',') return false;
      ++at;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(at, &end, 10);
    if (end == at || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
    out[i] = static_cast<int>(value);
    at = end;
  }
  return true;
}

struct ConfigField {
  int* value;
  int minimum;
  int maximum;
};

// The configuration file's lines in order, each with the range its users index by.
int ConfigFields(ConfigField* fields) {
  int n = 0;
  fields[n++] = {&GameSettings.musicOff, 0, 1};
  fields[n++] = {&GameSettings.musicVolume, 0, 255};
  fields[n++] = {&GameSettings.seVolume, 0, 255};
  fields[n++] = {&WindowModeSetting, 0, 1};
  fields[n++] = {&GameSettings.hitWait, 0, 3};
  fields[n++] = {&GameSettings.autoWeaponChange, 0, 1};
  fields[n++] = {&GameSettings.twoButtonSpecial, 0, 1};
  for (int e = 0; e < kActionCount; ++e) {
    fields[n++] = {&KeyBindings[e].keyCode, 0, 255};
    fields[n++] = {&KeyBindings[e].padBit, 0, 31};
  }
  for (int& flag : GalleryFlags) fields[n++] = {&flag, 0, 1};
  return n;
}

int ClampValue(int value, int minimum, int maximum) {
  return value < minimum ? minimum : value > maximum ? maximum : value;
}

int FlagValue(int value) { return value != 0 ? 1 : 0; }

}  // namespace

void SaveSlotPath(int slot, char* path, int size) {
  std::snprintf(path, static_cast<std::size_t>(size), "save\\save%d%d.dat", slot / 10, slot % 10);
}

int SaveConfig() {
  pf::TextFile* file = pf::TextFileOpen(kConfigPath, "w");
  if (file == nullptr) return -1;
  ConfigField fields[kConfigLineCount];
  const int count = ConfigFields(fields);
  bool written = true;
  for (int i = 0; i < count; ++i) written = pf::TextFilePrintf(file, "%d\n", *fields[i].value) >= 0 && written;
  return pf::TextFileClose(file) == 0 && written ? 0 : -1;
}

int LoadConfig() {
  char lines[kConfigLineCount][kLineBufferSize];
  const int read = ReadLines(kConfigPath, lines, kConfigLineCount);
  if (read < 0) return -1;
  ConfigField fields[kConfigLineCount];
  ConfigFields(fields);
  for (int i = 0; i < read; ++i) {
    int value = 0;
    if (ParseInts(lines[i], &value, 1) && value >= fields[i].minimum && value <= fields[i].maximum) {
      *fields[i].value = value;
    }
  }
  return 0;
}

int WriteSaveSlot(int slot) {
  if (slot < 0 || slot >= kSaveSlotCount) return -1;
  char path[32];
  SaveSlotPath(slot, path, sizeof(path));
  ZelvoDateTime now{};
  GetLocalDateTime(&now);
  pf::TextFile* file = pf::TextFileOpen(path, "w");
  if (file == nullptr) return -1;
  const int shownMission = MissionRecords[1].cleared == 0 ? 1 : 2;
  bool written = pf::TextFilePrintf(file, "%d,%d,%d,%d,%d\n", now.Year, now.Month, now.Day, now.Hour,
                                    now.Minute) >= 0;
  const int values[] = {shownMission,           g_battle.Difficulty,      g_battle.Money,
                        g_battle.HpGaugeCount,  g_battle.AirBoostLevel,   g_battle.WeaponSlotCount,
                        g_battle.AdviceIndex};
  for (int value : values) written = pf::TextFilePrintf(file, "%d\n", value) >= 0 && written;
  for (const WeaponRecord& weapon : WeaponRecords) written = pf::TextFilePrintf(file, "%d\n", weapon.owned) >= 0 && written;
  for (const SkillRecord& skill : SkillRecords) written = pf::TextFilePrintf(file, "%d\n", skill.owned) >= 0 && written;
  for (int m = kStoredMissionFirst; m < kStoredMissionFirst + kStoredMissions; ++m) {
    const MissionRecord& mission = MissionRecords[m];
    written = pf::TextFilePrintf(file, "%d,%d,%d,%d\n", mission.cleared, mission.bestTime, mission.maxHit,
                                 mission.highScore) >= 0 && written;
  }
  return pf::TextFileClose(file) == 0 && written ? 0 : -1;
}

int ReadSaveSlot(int slot) {
  if (slot < 0 || slot >= kSaveSlotCount) return -1;
  char path[32];
  SaveSlotPath(slot, path, sizeof(path));
  char lines[kSlotLineCount][kLineBufferSize];
  if (ReadLines(path, lines, kSlotLineCount) != kSlotLineCount) return -1;

  // Everything is parsed before anything is stored, so a damaged slot changes nothing.
  constexpr int kPlainLines = kSlotLineCount - 2 - kStoredMissions;   // lines 3..39
  int plain[kPlainLines];
  for (int i = 0; i < kPlainLines; ++i) {
    if (!ParseInts(lines[2 + i], &plain[i], 1)) return -1;
  }
  int missions[kStoredMissions][4];
  for (int m = 0; m < kStoredMissions; ++m) {
    if (!ParseInts(lines[2 + kPlainLines + m], missions[m], 4)) return -1;
  }

  const int* value = plain;
  g_battle.Difficulty = ClampValue(*value++, 1, 4);
  g_battle.Money = ClampValue(*value++, 0, INT_MAX);
  g_battle.HpGaugeCount = ClampValue(*value++, 1, 6);
  g_battle.AirBoostLevel = ClampValue(*value++, 0, 2);
  g_battle.WeaponSlotCount = ClampValue(*value++, 2, kLastCarriedSlot);
  g_battle.AdviceIndex = ClampValue(*value++, 0, 12);
  for (WeaponRecord& weapon : WeaponRecords) weapon.owned = FlagValue(*value++);
  for (SkillRecord& skill : SkillRecords) skill.owned = FlagValue(*value++);
  for (int m = 0; m < kStoredMissions; ++m) {
    MissionRecord& mission = MissionRecords[kStoredMissionFirst + m];
    mission.cleared = static_cast<unsigned char>(FlagValue(missions[m][0]));
    mission.bestTime = ClampValue(missions[m][1], 0, INT_MAX);
    mission.maxHit = ClampValue(missions[m][2], 0, INT_MAX);
    mission.highScore = missions[m][3];
  }
  return 0;
}

}  // namespace horundel
