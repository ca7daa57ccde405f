#include <zelvo/zelvo.h>

#include "game/battle/data/game_math.h"
#include "game/shell/hud.h"
#include "game/shell/mission_screens.h"
#include "game/shell/mission_world.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kFadeStep = 8;

// The running battle under a black box whose alpha steps from `from` to `to`; the HUD stays on top.
void FadeBattle(int from, int to) {
  int alpha = from;
  while (BeginScreenFrame()) {
    ClearDrawTarget();
    g_missionWorld.UpdateAll(2);
    g_missionWorld.DrawAll(2);
    alpha = StepToward(alpha, to, kFadeStep);
    SetBlendMode(ZELVO_BLEND_ALPHA, alpha);
    DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    DrawBattleHud(0);
    PresentBackBuffer();
    if (alpha == to) return;
  }
}

}  // namespace

void FadeBattleToBlack() { FadeBattle(0, 255); }

void FadeBattleFromBlack() { FadeBattle(255, 0); }

}  // namespace horundel
