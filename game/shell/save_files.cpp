#include "game/shell/save_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/key_bindings.h"
#include "game/shell/runtime_files.h"
#include "game/shell/shop_rules.h"

namespace horundel {

int GalleryFlags[kGalleryFlagCount];
int WindowModeSetting = 1;

namespace {

constexpr const char* kConfigPath = "save\\saveconfig.dat";
constexpr const char* kDamagedConfigPath = "save\\saveconfig.dat.bad";
constexpr int kStoredMissionFirst = 1;   // mission 0, the training, is never stored
constexpr int kStoredMissions = 5;
constexpr int kLastAdvice = 12;
// Far above what either file holds (the configuration is under 300 bytes, a slot under 2 KiB):
// a longer file is damaged and is not read whole.
constexpr int kMostFileBytes = 16384;

// Set while a damaged configuration could not be moved aside: it is not written over.
bool configKeptInPlace = false;

// The file's CR LF ended lines. kFileMissing when it cannot be opened, kFileDamaged when it is
// longer than any good file, holds more than `mostLines` lines or ends inside a line.
enum FileRead { kFileRead, kFileMissing, kFileDamaged };
FileRead ReadFileLines(const char* path, int mostLines, std::vector<std::string>* lines) {
  const intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) return kFileMissing;
  std::string bytes;
  for (int byte; static_cast<int>(bytes.size()) <= kMostFileBytes && (byte = ReadStreamByte(stream)) >= 0;) {
    bytes += static_cast<char>(byte);
  }
  CloseReadStream(stream);
  if (static_cast<int>(bytes.size()) > kMostFileBytes) return kFileDamaged;
  lines->clear();
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos || static_cast<int>(lines->size()) == mostLines) return kFileDamaged;
    lines->push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return kFileRead;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// `count` comma-separated decimal ints and nothing else (blanks may stand around each). A number
// outside the int range does not parse.
bool ParseInts(const std::string& line, int* out, int count) {
  const char* at = line.c_str();
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      if (*at != ',') return false;
      ++at;
    }
    while (IsBlank(*at)) ++at;
    if (*at != '-' && (*at < '0' || *at > '9')) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(at, &end, 10);
    if (end == at || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
    out[i] = static_cast<int>(value);
    at = end;
    while (IsBlank(*at)) ++at;
  }
  return *at == '\0';
}

struct ValueRange {
  int minimum;
  int maximum;
};

bool InRange(int value, ValueRange range) { return value >= range.minimum && value <= range.maximum; }

constexpr ValueRange kFlagRange{0, 1};
constexpr ValueRange kCountRange{0, INT_MAX};

struct ConfigField {
  int* value;
  ValueRange range;
};

// The configuration file's lines in order, each with the range its users index by.
int ConfigFields(ConfigField* fields) {
  int n = 0;
  fields[n++] = {&GameSettings.musicOff, kFlagRange};
  fields[n++] = {&GameSettings.musicVolume, {0, 255}};
  fields[n++] = {&GameSettings.seVolume, {0, 255}};
  fields[n++] = {&WindowModeSetting, kFlagRange};
  fields[n++] = {&GameSettings.hitWait, {0, 3}};
  fields[n++] = {&GameSettings.autoWeaponChange, kFlagRange};
  fields[n++] = {&GameSettings.twoButtonSpecial, kFlagRange};
  for (int e = 0; e < kActionCount; ++e) {
    fields[n++] = {&KeyBindings[e].keyCode, {0, 255}};
    fields[n++] = {&KeyBindings[e].padBit, {0, 31}};
  }
  for (int& flag : GalleryFlags) fields[n++] = {&flag, kFlagRange};
  return n;
}

// The lines of a slot file: how many lines of this kind, the values on each, and their ranges.
struct SlotLines {
  int lineCount;
  int valueCount;
  ValueRange ranges[5];
};
constexpr ValueRange kAnyValue{INT_MIN, INT_MAX};
constexpr SlotLines kSlotLayout[] = {
    {1, 5, {{1, 9999}, {1, 12}, {1, 31}, {0, 23}, {0, 59}}},   // date and time of the save
    {1, 1, {{1, 2}}},                                           // shown mission
    {1, 1, {{1, 4}}},                                           // difficulty
    {1, 1, {kCountRange}},                                      // money
    {1, 1, {{1, kMostHpGauges}}},
    {1, 1, {{0, kMostAirBoosts}}},
    {1, 1, {{2, kLastCarriedSlot}}},                            // weapon slots in use
    {1, 1, {{0, kLastAdvice}}},
    {kWeaponCount, 1, {kFlagRange}},                            // weapons offered in the shop
    {kSkillCount, 1, {kFlagRange}},                             // skills owned
    // Missions 1..5: any value but 0 stands for cleared; best time, maximum hit and high score.
    {kStoredMissions, 4, {kAnyValue, kCountRange, kCountRange, kCountRange}},
};

// Reads and checks the whole slot: every line there, and every value on it within its range.
struct SlotValues {
  int lines[kSlotLineCount][5];
};
SlotState ReadSlotValues(int slot, SlotValues* values) {
  if (slot < 0 || slot >= kSaveSlotCount) return kSlotEmpty;
  char path[32];
  SaveSlotPath(slot, path, sizeof(path));
  std::vector<std::string> lines;
  const FileRead read = ReadFileLines(path, kSlotLineCount, &lines);
  if (read == kFileMissing) return kSlotEmpty;
  if (read == kFileDamaged || static_cast<int>(lines.size()) != kSlotLineCount) return kSlotDamaged;
  int line = 0;
  for (const SlotLines& kind : kSlotLayout) {
    for (int i = 0; i < kind.lineCount; ++i, ++line) {
      int* out = values->lines[line];
      if (!ParseInts(lines[static_cast<std::size_t>(line)], out, kind.valueCount)) return kSlotDamaged;
      for (int v = 0; v < kind.valueCount; ++v) {
        if (!InRange(out[v], kind.ranges[v])) return kSlotDamaged;
      }
    }
  }
  return kSlotValid;
}

}  // namespace

void SaveSlotPath(int slot, char* path, int size) {
  std::snprintf(path, static_cast<std::size_t>(size), "save\\save%d%d.dat", slot / 10, slot % 10);
}

int SaveConfig() {
  if (configKeptInPlace) return -1;
  pf::TextFile* file = pf::TextFileOpen(kConfigPath, "w");
  if (file == nullptr) return -1;
  ConfigField fields[kConfigLineCount];
  const int count = ConfigFields(fields);
  bool written = true;
  for (int i = 0; i < count; ++i) written = pf::TextFilePrintf(file, "%d\n", *fields[i].value) >= 0 && written;
  return pf::TextFileClose(file) == 0 && written ? 0 : -1;
}

int LoadConfig() {
  configKeptInPlace = false;
  std::vector<std::string> lines;
  const FileRead read = ReadFileLines(kConfigPath, kConfigLineCount, &lines);
  if (read == kFileMissing) return -1;
  ConfigField fields[kConfigLineCount];
  ConfigFields(fields);
  int values[kConfigLineCount];
  bool whole = read == kFileRead && static_cast<int>(lines.size()) == kConfigLineCount;
  for (int i = 0; whole && i < kConfigLineCount; ++i) {
    whole = ParseInts(lines[static_cast<std::size_t>(i)], &values[i], 1) && InRange(values[i], fields[i].range);
  }
  if (!whole) {
    // Read in part, values would land in the wrong fields: the defaults stand, and the damaged
    // file is kept beside them for its owner rather than written over.
    configKeptInPlace = !pf::MoveFileReplace(kConfigPath, kDamagedConfigPath);
    if (configKeptInPlace) {
      std::fprintf(stderr, "horundel: save/saveconfig.dat is damaged; the game starts from the default settings "
                           "and leaves the file as it is\n");
    } else {
      std::fprintf(stderr, "horundel: save/saveconfig.dat is damaged; the game starts from the default settings "
                           "and keeps the damaged file as save/saveconfig.dat.bad\n");
    }
    return kConfigDamaged;
  }
  for (int i = 0; i < kConfigLineCount; ++i) *fields[i].value = values[i];
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

SlotState CheckSaveSlot(int slot, SlotSummary* summary) {
  SlotValues values{};
  const SlotState state = ReadSlotValues(slot, &values);
  if (state == kSlotValid && summary != nullptr) {
    const int* date = values.lines[0];
    *summary = SlotSummary{date[0], date[1], date[2], date[3], date[4], values.lines[1][0], values.lines[2][0],
                           values.lines[3][0]};
  }
  return state;
}

int ReadSaveSlot(int slot) {
  SlotValues values{};
  if (ReadSlotValues(slot, &values) != kSlotValid) return -1;
  int line = 2;   // the date and the shown mission are for the slot list only
  g_battle.Difficulty = values.lines[line++][0];
  g_battle.Money = values.lines[line++][0];
  g_battle.HpGaugeCount = values.lines[line++][0];
  g_battle.AirBoostLevel = values.lines[line++][0];
  g_battle.WeaponSlotCount = values.lines[line++][0];
  g_battle.AdviceIndex = values.lines[line++][0];
  for (WeaponRecord& weapon : WeaponRecords) weapon.owned = values.lines[line++][0];
  for (SkillRecord& skill : SkillRecords) skill.owned = values.lines[line++][0];
  for (int m = 0; m < kStoredMissions; ++m) {
    const int* stored = values.lines[line++];
    MissionRecord& mission = MissionRecords[kStoredMissionFirst + m];
    mission.cleared = static_cast<unsigned char>(stored[0] != 0 ? 1 : 0);
    mission.bestTime = stored[1];
    mission.maxHit = stored[2];
    mission.highScore = stored[3];
  }
  return 0;
}

}  // namespace horundel
