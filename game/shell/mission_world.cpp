#include "game/shell/mission_world.h"

namespace horundel {

namespace {

void NoPass(int) {}
void NoEffect(int, float, float, float, float, int) {}
void NoMachine() {}

}  // namespace

MissionWorld StillMissionWorld() { return MissionWorld{NoPass, NoPass, NoEffect, NoMachine}; }

MissionWorld g_missionWorld = StillMissionWorld();

}  // namespace horundel
