#pragma once
// What the mission screens need of the running battle: its update and draw passes, its effect
// spawner and the heroine leaving her machine. The mission loop hands these in when it starts a
// mission; until it does, the world neither moves nor draws.
namespace horundel {

struct MissionWorld {
  void (*UpdateAll)(int mode);
  void (*DrawAll)(int mode);
  void (*SpawnEffect)(int kind, float x, float y, float parameter, float angle, int owner);
  void (*LeaveMachine)();
};
extern MissionWorld g_missionWorld;

// The still world: passes that do nothing.
MissionWorld StillMissionWorld();

// Hands the battle's real passes, effect spawner and machine exit to the mission screens.
void InstallMissionWorld();

}  // namespace horundel
