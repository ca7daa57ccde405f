#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_screens.h"
#include "game/shell/mission_world.h"
#include "game/shell/screen_frame.h"

namespace horundel {

void MissionFailed() {
  ClearMenuKeys();
  TitleSprite mission = MakeTitleSprite("bmp\\system\\mission.bmp", -320.0f, 180.0f, 1.5f);
  TitleSprite failed = MakeTitleSprite("bmp\\system\\failed.bmp", 960.0f, 300.0f, 1.5f);
  float band = kBandStartHeight;
  int bandParameter = 0;
  int phase = 0;
  int n = 0;
  const Character& player = CharacterTable[kPlayerSlot];
  while (BeginScreenFrame()) {
    ClearDrawTarget();
    ++n;
    BattleCameraState& camera = g_battle.BattleCamera;
    camera.x = StepTowardFraction(camera.x, player.x, 0.05f);
    camera.y = StepTowardFraction(camera.y, player.y, 0.05f);
    if (phase == 0) {
      mission.x = StepTowardFraction(mission.x, 320.0f, 0.1f);
      failed.x = StepTowardFraction(failed.x, 320.0f, 0.1f);
      band = StepBandHeight(band);
      bandParameter = StepToward(bandParameter, 255, 3);
      if (n > 180) {
        mission.x = failed.x = 320.0f;
        band = 0.0f;
        bandParameter = 255;
        phase = 1;
        n = 0;
      }
    } else if (phase == 1 && n > 120) {
      phase = 100;
    }
    g_missionWorld.UpdateAll(2);
    g_missionWorld.DrawAll(1);
    if (phase == 0) DrawBand(band, bandParameter);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    DrawTitleSprite(mission);
    DrawTitleSprite(failed);
    PresentBackBuffer();
    if (phase == 100) break;
  }
  ReleaseTitleSprite(&mission);
  ReleaseTitleSprite(&failed);
}

}  // namespace horundel
