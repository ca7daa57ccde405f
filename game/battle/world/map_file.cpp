#include "game/battle/world/map_file.h"

#include <zelvo/zelvo.h>

#include <cstdio>
#include <cstring>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/enemy_spawn.h"
#include "game/battle/world/event_spawn.h"
#include "game/battle/world/player_setup.h"
#include "game/battle/data/stage_resources.h"
#include "game/battle/data/text_fields.h"

namespace horundel {

namespace {

constexpr int kHeaderLineBytes = 100;
constexpr int kRowLineBytes = 200;
constexpr int kObjectEnemy = 2;
constexpr int kObjectEvent = 40;

// One line; an empty text at the end of the file (the library leaves the buffer as it was).
void ReadLine(intptr_t stream, char* line, int size) {
  if (ReadStreamLine(line, size, stream) == -1) line[0] = '\0';
}

// A header line holding a bare line feed: the file is not cut into CR LF lines, and every line
// after it would be read out of step.
bool HasBareLineFeed(const char* line) { return std::strchr(line, '\n') != nullptr; }

bool ReadHeaderInt(intptr_t stream, int* value) {
  char line[kHeaderLineBytes];
  ReadLine(stream, line, sizeof line);
  TextField field;
  field.whole = *value;
  ScanTextFields(line, "d", &field);
  *value = field.whole;
  return !HasBareLineFeed(line);
}

bool ReadHeaderFloat(intptr_t stream, float* value) {
  char line[kHeaderLineBytes];
  ReadLine(stream, line, sizeof line);
  TextField field;
  field.fraction = *value;
  ScanTextFields(line, "f", &field);
  *value = field.fraction;
  return !HasBareLineFeed(line);
}

bool IsMapSize(int last) { return last >= 0 && last <= kLastMapIndex; }

void RefuseMap(intptr_t stream, const char* path) {
  CloseReadStream(stream);
  ScreenLogPrintf("map file error %s\n", path);
}

void ReadRow(intptr_t stream, int row) {
  char line[kRowLineBytes];
  ReadLine(stream, line, sizeof line);
  for (int column = 0; column <= g_battle.LastColumn; ++column) {
    TileMap[column][row].kind = 0;
    // A row that ends early leaves the cells after its end as they were.
    if (line[column] == '\0') break;
    TileMap[column][row].kind = TileKindOfCharacter(line[column]);
  }
}

void SpawnObjectLine(const char* line) {
  TextField fields[5];
  // A line that does not give all five fields (an empty last line among them) spawns nothing.
  if (ScanTextFields(line, "ddffd", fields) < 5) return;
  const int type = fields[0].whole;
  const int kind = fields[1].whole;
  if (type == kObjectEnemy) SpawnEnemy(kind, fields[2].fraction, fields[3].fraction, -1, fields[4].whole);
  if (type == kObjectEvent) SpawnEvent(kind, fields[2].fraction, fields[3].fraction, fields[4].whole, 0, 0);
}

}  // namespace

int TileKindOfCharacter(char c) {
  if (c >= '1' && c <= '9') return (c - '0') * 10;
  if (c == 'a') return 100;
  if (c == 'b') return 110;
  return 0;
}

int MapFilePath(int source, int mission, int area, char* path, int size) {
  if (source == kMapSourceTemporary) {
    std::snprintf(path, static_cast<std::size_t>(size), "tempmap.dat");
    return 1;
  }
  const char* folder = nullptr;
  if (g_battle.Difficulty == 1 || g_battle.Difficulty == 2) folder = "easy";
  if (g_battle.Difficulty == 3 || g_battle.Difficulty == 4) folder = "hard";
  if (folder == nullptr) return 0;
  std::snprintf(path, static_cast<std::size_t>(size), "map\\%s\\c%02d%02d.dat", folder, mission, area);
  return 1;
}

void LoadMap(int source, int mission, int area) {
  char path[64];
  if (MapFilePath(source, mission, area, path, sizeof path) == 0) return;
  const intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) return;

  // Lines that do not parse keep what the stage already shows.
  int background = g_stage.currentBackground;
  int music = g_stage.currentMusic;
  int enemySet = g_stage.currentEnemySet;
  int lastColumn = g_battle.LastColumn;
  int lastRow = g_battle.LastRow;
  bool lines = ReadHeaderInt(stream, &background) && ReadHeaderInt(stream, &music) &&
               ReadHeaderInt(stream, &enemySet) && ReadHeaderInt(stream, &lastColumn) &&
               ReadHeaderInt(stream, &lastRow);
  // The sizes index the map and the row buffer: a file that claims more is refused whole.
  if (!lines || !IsMapSize(lastColumn) || !IsMapSize(lastRow)) {
    RefuseMap(stream, path);
    return;
  }
  g_battle.LastColumn = lastColumn;
  g_battle.LastRow = lastRow;
  ReadHeaderFloat(stream, &g_battle.MissionGoalX);
  ReadHeaderFloat(stream, &g_battle.MissionGoalY);

  for (int row = 0; row <= g_battle.LastRow; ++row) ReadRow(stream, row);

  char line[kHeaderLineBytes];
  ReadLine(stream, line, sizeof line);
  TextField start[2];
  if (ScanTextFields(line, "ff", start) == 2) PlacePlayer(start[0].fraction, start[1].fraction);

  while (ReadStreamAtEnd(stream) == 0) {
    if (ReadStreamLine(line, sizeof line, stream) == -1) break;
    SpawnObjectLine(line);
  }
  CloseReadStream(stream);

  SetStageBackground(background);
  PlayStageMusic(music, 0);
  LoadEnemySet(enemySet);
}

}  // namespace horundel
