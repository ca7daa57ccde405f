#pragma once
// Each mission's objective, run once a battle frame: the training steps, the mission 1 boss and
// the mission 2 countdown. A script ends the mission by setting MissionPhase to 100.
namespace horundel {

// Text sources of PlayMissionText.
constexpr int kTextBattle = 0;
constexpr int kTextAdvice = 1;

constexpr int kPhaseEnded = 100;    // cleared or given up
constexpr int kPhaseFailed = 101;

void MissionScript();

// After an area change: in mission 1 area 5 shows the boss warning, remembers the boss's slot and
// returns 1; anywhere else returns 0.
int MissionOneBossCheck();

}  // namespace horundel
