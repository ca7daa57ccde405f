#include "game/shell/screen_frame.h"

#include <zelvo/zelvo.h>

#include "game/battle/data/game_math.h"
#include "game/battle/data/resources.h"
#include "game/shell/key_bindings.h"

namespace horundel {

namespace {

bool g_quitRequested = false;

}  // namespace

bool BeginScreenFrame() {
  if (g_quitRequested) return false;
  if (PumpMessages() != 0 || IsKeyDown(kEscapeKey) != 0) g_quitRequested = true;
  return !g_quitRequested;
}

bool QuitRequested() { return g_quitRequested; }

void ClearQuitRequest() { g_quitRequested = false; }

void RestartSound(int effect) {
  if (effect < 0 || effect >= kSoundEffects) return;
  HaltSound(SoundEffectTable[effect]);
  StartSound(SoundEffectTable[effect], ZELVO_PLAY_RETURN, 1);
}

TitleSprite MakeTitleSprite(const char* path, float x, float y, float scale) {
  return TitleSprite{LoadPicture(path), x, y, scale};
}

void DrawTitleSprite(const TitleSprite& sprite) {
  BlitGraphRotated(static_cast<int>(sprite.x), static_cast<int>(sprite.y), sprite.scale, 0.0, sprite.picture, 1, 0);
}

void ReleaseTitleSprite(TitleSprite* sprite) {
  if (sprite->picture != -1) ReleaseGraph(sprite->picture, 0);
  sprite->picture = -1;
}

float StepBandHeight(float h) { return StepTowardFraction(h, 1.0f, 0.1f); }

void DrawBand(float h, int parameter) {
  SetBlendMode(ZELVO_BLEND_ADD, parameter);
  const int half = static_cast<int>(h);
  DrawRectangle(0, 240 - half, 640, 240 + half, PackColor(255, 255, 255), 1);
}

}  // namespace horundel
