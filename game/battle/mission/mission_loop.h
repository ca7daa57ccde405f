#pragma once
// One mission from set-up to its end, and the per-frame passes that the shell's overlay screens
// also call to keep the battle moving under them.
namespace horundel {

// Update and draw modes: 0 the battle frame, 1 the failed screen's draw, 2 under the overlay
// screens, 3 under the boss defeat show.
constexpr int kModeBattle = 0;
constexpr int kModeFailed = 1;
constexpr int kModeOverlay = 2;
constexpr int kModeBossDefeat = 3;

// Map set-up of RunMission: 0 random map, 2 "tempmap.dat", 3 the current mission's map; any other
// value sets up no map.
constexpr int kMissionRandomMap = 0;
constexpr int kMissionTemporaryMap = 2;
constexpr int kMissionMap = 3;

// Returns 0 once the mission is cleared, given up or failed; the quit result (the message pump's,
// or 1 for Escape) at once when the program must end.
int RunMission(int mode);

// Battle state, tile map, every slot and the particle ring back to their start.
void ResetMission();

// Pressed, latched and double-tap state of the battle keys.
void PollBattleInput();

// After a map set-up: a map without a start point (or no map at all) leaves the heroine unplaced;
// she is put at the centre of the map so that the mission can still be played or given up.
void PlaceUnplacedPlayer();

// Frame steps of the loop: the camera eased toward the heroine and nearby enemies (returns
// whether an enemy pulled it), and the combo's bonus hits and expiry.
bool MoveCamera();
void StepCombo();

// One update pass and one draw pass over every object.
void UpdateAll(int mode);
void DrawAll(int mode);

}  // namespace horundel
