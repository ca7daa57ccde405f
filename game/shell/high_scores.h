#pragma once
// The high-score table of the hangar: for each open mission after the training, its best time,
// its largest hit count and its high score, as the mission-clear screen recorded them.
#include "game/shell/menu_frame.h"

namespace horundel {

// One mission's row of the table: "Mission%2d", the best time, "%6d Hits" and "%8d".
struct HighScoreRow {
  char mission[16];
  char bestTime[16];
  char maxHit[24];
  char highScore[16];
};

// A time in frames as minutes, seconds and frames ("%2d:%02d:%02d", 60 frames a second).
void FormatBestTime(int frames, char* text, int size);
HighScoreRow MakeHighScoreRow(int mission);

// The table in the panel, missions 1 to lastMission.
void DrawHighScores(const MenuPanel& panel, int lastMission);

}  // namespace horundel
