#include "game/shell/high_scores.h"

#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/game_tables.h"

namespace horundel {

namespace {

constexpr int kTimeColumn = 150;
constexpr int kHitColumn = 300;
constexpr int kScoreColumn = 450;

// A one-pixel cyan line under a row of the table, across the panel.
void Underline(const MenuPanel& panel, int top) {
  const int bottom = top + panel.pitch - 2;
  DrawRectangle(panel.x, bottom, panel.x + 20 * panel.width, bottom + 1, PackColor(0, 255, 255), 1);
}

}  // namespace

void FormatBestTime(int frames, char* text, int size) {
  // A time from a damaged save is shown as it is, never past the text's end.
  std::snprintf(text, static_cast<std::size_t>(size), "%2d:%02d:%02d", frames / 3600, frames % 3600 / 60, frames % 60);
}

HighScoreRow MakeHighScoreRow(int mission) {
  HighScoreRow row{};
  const MissionRecord& record = MissionRecords[mission];
  std::snprintf(row.mission, sizeof row.mission, "Mission%2d", mission);
  FormatBestTime(record.bestTime, row.bestTime, sizeof row.bestTime);
  std::snprintf(row.maxHit, sizeof row.maxHit, "%6d Hits", record.maxHit);
  std::snprintf(row.highScore, sizeof row.highScore, "%8d", record.highScore);
  return row;
}

void DrawHighScores(const MenuPanel& panel, int lastMission) {
  const unsigned int white = PackColor(255, 255, 255);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  DrawPanelTitle(panel, "HIGH SCORE");
  DrawTextDefaultFont(panel.x + kTimeColumn, panel.y, "Best Time", white, 0);
  DrawTextDefaultFont(panel.x + kHitColumn, panel.y, "Max Hit", white, 0);
  DrawTextDefaultFont(panel.x + kScoreColumn, panel.y, "High Score", white, 0);
  Underline(panel, panel.y);
  for (int mission = 1; mission <= lastMission && mission < kMissionCount; ++mission) {
    const int top = panel.y + 20 + panel.pitch * (mission - 1);
    const HighScoreRow row = MakeHighScoreRow(mission);
    DrawTextDefaultFont(panel.x, top, row.mission, white, 0);
    DrawTextDefaultFont(panel.x + kTimeColumn, top, row.bestTime, white, 0);
    DrawTextDefaultFont(panel.x + kHitColumn, top, row.maxHit, white, 0);
    DrawTextDefaultFont(panel.x + kScoreColumn, top, row.highScore, white, 0);
    Underline(panel, top);
  }
}

}  // namespace horundel
