// The running battle as the mission screens see it.
#include "game/battle/world/effects.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/actors/player_update.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/hud.h"
#include "game/shell/mission_world.h"

namespace horundel {

namespace {

// The screens start effects for show only; which slot one took is of no use to them.
void SpawnShownEffect(int kind, float x, float y, float parameter, float angle, int owner) {
  SpawnEffect(kind, x, y, parameter, angle, owner);
}

}  // namespace

void InstallMissionWorld() {
  g_missionWorld = MissionWorld{UpdateAll, DrawAll, SpawnShownEffect, LeaveMachine};
  g_shell.ResetHud = ResetHud;
}

}  // namespace horundel
