#include "game/battle/data/stage_resources.h"

#include <zelvo/zelvo.h>

#include <cstdio>

#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"

namespace horundel {

StageState g_stage = {-1, -1, -1, -1, -1};

int SetStageBackground(int number) {
  if (number < 0) return -1;
  if (number == g_stage.currentBackground) return 0;
  if (g_stage.backgroundHandle != -1) ReleaseGraph(g_stage.backgroundHandle, 0);
  g_stage.currentBackground = number;
  char path[64];
  std::snprintf(path, sizeof path, "bmp\\back\\back%02d.bmp", number);
  g_stage.backgroundHandle = LoadPicture(path);
  return g_stage.backgroundHandle;
}

namespace {

void StopStageMusic() {
  if (g_stage.currentMusic != -1) ReleaseSound(g_stage.musicHandle, 0);
  g_stage.musicHandle = -1;
  g_stage.currentMusic = -1;
}

}  // namespace

void PlayStageMusic(int number, int mode) {
  if (number < 0 || GameSettings.musicOff != 0) {
    StopStageMusic();
    return;
  }
  if (number != g_stage.currentMusic) {
    StopStageMusic();
    g_stage.currentMusic = number;
    char path[64];
    std::snprintf(path, sizeof path, "bgm\\bgm%d%d.ogg", number / 10, number % 10);
    g_stage.musicHandle = LoadSound(path, 3);
    SetSoundLevel(GameSettings.musicVolume, g_stage.musicHandle);
  }
  // A running track is never restarted; a failed load (-1) counts as running, so it is not played.
  if (IsSoundPlaying(g_stage.musicHandle) != 0) return;
  if (mode == 0) StartSound(g_stage.musicHandle, ZELVO_PLAY_LOOP, 1);
  if (mode == 1) StartSound(g_stage.musicHandle, ZELVO_PLAY_RETURN, 1);
}

void SetSEVolume() {
  for (int handle : SoundEffectTable) SetSoundLevel(GameSettings.seVolume, handle);
}

namespace {

struct EnemySetPicture {
  const char* path;
  int* handle;
};

// The pictures of sets 1 to 5, each loaded into one picture of the heli set.
struct EnemySetRow {
  EnemySetPicture pictures[2];
  int count;
};

const EnemySetRow kEnemySetRows[6] = {
    {{}, 0},   // set 0: the riveter's numbered pictures
    {{{"bmp\\enemy\\computer.bmp", &HeliPictures[5]}, {"bmp\\enemy\\cguard.bmp", &HeliPictures[11]}}, 2},
    {{{"bmp\\enemy\\track.bmp", &HeliPictures[6]}, {}}, 1},
    {{{"bmp\\enemy\\rtank1.bmp", &HeliPictures[7]}, {"bmp\\enemy\\rtank2.bmp", &HeliPictures[8]}}, 2},
    {{{"bmp\\enemy\\rhober.bmp", &HeliPictures[9]}, {}}, 1},
    {{{"bmp\\enemy\\rheli.bmp", &HeliPictures[10]}, {}}, 1},
};

constexpr int kRiveterSetPictures = 21;

void UnloadEnemySet(int set) {
  if (set == 0) {
    for (int i = 0; i < kRiveterSetPictures; ++i) {
      if (RiveterPictures[i] != -1) ReleaseGraph(RiveterPictures[i], 0);
      RiveterPictures[i] = -1;
    }
  } else if (set >= 1 && set <= 5) {
    const EnemySetRow& row = kEnemySetRows[set];
    for (int i = 0; i < row.count; ++i) {
      if (*row.pictures[i].handle != -1) ReleaseGraph(*row.pictures[i].handle, 0);
      *row.pictures[i].handle = -1;
    }
  }
}

void LoadEnemySetPictures(int set) {
  if (set == 0) {
    for (int i = 0; i < kRiveterSetPictures; ++i) {
      char path[64];
      std::snprintf(path, sizeof path, "bmp\\chara02\\c%d%d%d.bmp", i / 100, i / 10 % 10, i % 10);
      RiveterPictures[i] = LoadPicture(path);
    }
  } else if (set >= 1 && set <= 5) {
    const EnemySetRow& row = kEnemySetRows[set];
    for (int i = 0; i < row.count; ++i) *row.pictures[i].handle = LoadPicture(row.pictures[i].path);
  }
}

}  // namespace

void LoadEnemySet(int set) {
  if (set < 0) {
    UnloadEnemySet(g_stage.currentEnemySet);
    g_stage.currentEnemySet = -1;
    return;
  }
  if (set == g_stage.currentEnemySet) return;
  UnloadEnemySet(g_stage.currentEnemySet);
  g_stage.currentEnemySet = set;
  LoadEnemySetPictures(set);
}

}  // namespace horundel
