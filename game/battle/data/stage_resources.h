#pragma once
// The resources that change from stage to stage: background, music and the enemy picture set.
// Each keeps its current number, so asking again for what is current costs nothing, and a failed
// load is not retried.
namespace horundel {

struct StageState {
  int currentBackground;
  int backgroundHandle;
  int currentMusic;
  int musicHandle;
  int currentEnemySet;
};
extern StageState g_stage;

int SetStageBackground(int number);
// mode 0 loops, 1 plays once, any other only loads; a negative number stops the music.
void PlayStageMusic(int number, int mode);
void SetSEVolume();
// A negative set unloads the current one.
void LoadEnemySet(int set);

}  // namespace horundel
