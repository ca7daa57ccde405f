#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_screens.h"
#include "game/shell/mission_world.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kWarningFrames = 240;
constexpr int kDefeatShowStart = 60;
constexpr int kDefeatBlast = 360;
constexpr int kLastBigExplosion = 350;
constexpr int kDefeatEnd = 440;
constexpr int kSlowMotionMs = 80;

// Big explosions come ever faster: the interval loses a quarter each time, down to 5 frames.
struct ExplosionClock {
  int interval;
  int countdown;
};

float RandomHalfTurns(int offset) { return static_cast<float>(RandomUpTo(20) - offset) * 0.1f * kPi; }

void SpawnDefeatEffects(int f, float bx, float by, ExplosionClock* clock) {
  clock->countdown = StepToward(clock->countdown, 0, 1);
  if (clock->countdown == 0 && f < kLastBigExplosion) {
    g_missionWorld.SpawnEffect(221, bx, by, 1.0f, RandomHalfTurns(0), 0);
    RestartSound(kSoundBomb);
    clock->countdown = clock->interval;
    clock->interval = StepToward(clock->interval, 5, clock->interval / 4);
  }
  if (f % 10 == 1) {
    // The y offset is drawn first.
    const int dy = RandomUpTo(200) - 100;
    const int dx = RandomUpTo(200) - 100;
    g_missionWorld.SpawnEffect(200, bx + static_cast<float>(dx), by + static_cast<float>(dy), 2.0f, 0.0f, 0);
    RestartSound(kSoundBomb2);
  }
  if (f % 30 == 0) g_missionWorld.SpawnEffect(130, bx, by, 3.0f, RandomHalfTurns(10), 0);
}

void FinalBlast(int slot, float bx, float by) {
  g_missionWorld.SpawnEffect(220, bx, by, 3.0f, 0.0f, 0);
  g_missionWorld.SpawnEffect(250, bx, by, 4.0f, RandomHalfTurns(0), 0);
  g_battle.ScreenShake = 40;
  g_battle.ScreenFlash[0] = {0, 0};
  g_battle.ScreenFlash[2] = {30, 255};
  RestartSound(kSoundBomb3);
  if (slot >= kFirstObjectSlot && slot <= kLastObjectSlot) CharacterTable[slot].state = 0;
}

}  // namespace

void BossWarning() {
  HaltSound(g_stage.musicHandle);
  ClearMenuKeys();
  TitleSprite warning = MakeTitleSprite("bmp\\system\\warning.bmp", 960.0f, 240.0f, 1.5f);
  int fade = 255;
  float band = kBandStartHeight;
  int bandParameter = 0;
  RestartSound(kSoundWarning);
  const Character& player = CharacterTable[kPlayerSlot];
  for (int f = 1; BeginScreenFrame(); ++f) {
    ClearDrawTarget();
    g_battle.BattleCamera.x = player.x + 150.0f * static_cast<float>(player.facing);
    g_battle.BattleCamera.y = player.y;
    g_missionWorld.UpdateAll(2);
    g_missionWorld.DrawAll(2);
    if (f < 60) {
      band = StepBandHeight(band);
      DrawBand(band, bandParameter);
      bandParameter += 4;
      SetBlendMode(ZELVO_BLEND_NONE, 255);
      warning.x = StepTowardFraction(warning.x, 320.0f, 0.1f);
    } else if (f < 180) {
      SetBlendMode(ZELVO_BLEND_NONE, 255);
    } else {
      SetBlendMode(ZELVO_BLEND_ALPHA, fade);
      fade = StepToward(fade, 0, 4);
      warning.scale += 0.02f;
    }
    DrawTitleSprite(warning);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    if (f >= kWarningFrames) break;
    PresentBackBuffer();
  }
  ReleaseTitleSprite(&warning);
  StartSound(g_stage.musicHandle, ZELVO_PLAY_LOOP, 1);
}

void BossDefeatSequence(int slot) {
  HaltSound(g_stage.musicHandle);
  const bool bossSlot = slot >= kFirstObjectSlot && slot <= kLastObjectSlot;
  const float bx = bossSlot ? CharacterTable[slot].x : 0.0f;
  const float by = bossSlot ? CharacterTable[slot].y : 0.0f;
  g_battle.ScreenFlash[1] = {10, 200};
  RestartSound(kSoundGuard);
  ExplosionClock clock{80, 0};
  for (int f = 1; BeginScreenFrame(); ++f) {
    ClearDrawTarget();
    ClearMenuKeys();
    if (f > kDefeatShowStart && f <= kDefeatBlast) {
      g_battle.ScreenFlash[0].timer = 10;
      g_battle.ScreenFlash[0].alpha = StepToward(g_battle.ScreenFlash[0].alpha, 255, 1);
      BattleCameraState& camera = g_battle.BattleCamera;
      camera.x = StepTowardFraction(camera.x, bx, 0.01f);
      camera.y = StepTowardFraction(camera.y, by, 0.01f);
      camera.zoom = StepTowardF(camera.zoom, 1.0f, 0.01f);
      SpawnDefeatEffects(f, bx, by, &clock);
      if (f == kDefeatBlast) FinalBlast(bossSlot ? slot : 0, bx, by);
    }
    if (f > kDefeatBlast) SleepWithMessages(kSlowMotionMs);
    if (f >= kDefeatEnd) return;
    g_missionWorld.UpdateAll(3);
    g_missionWorld.DrawAll(3);
    PresentBackBuffer();
  }
}

}  // namespace horundel
