#include "game/shell/mission_scoring.h"

#include <climits>
#include <cstdint>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"

namespace horundel {

namespace {

constexpr int kFramesPerMinute = 3600;
constexpr int kFramesPerSecond = 60;

// Money and scores come from save files too: sums stay inside the int range.
int SaturatingSum(std::int64_t a, std::int64_t b) {
  const std::int64_t sum = a + b;
  if (sum > INT_MAX) return INT_MAX;
  if (sum < INT_MIN) return INT_MIN;
  return static_cast<int>(sum);
}

bool RecordedMission(int mission) { return mission >= 0 && mission < kMissionCount; }

}  // namespace

int ClearTimeBonus(int mission, int difficulty, int frames) {
  if (mission != 1) return 0;
  struct Band {
    int below;
    int lower;    // difficulty 1 or 2
    int higher;   // difficulty 3 or 4
  };
  static constexpr Band kBands[] = {{14400, 10000, 10000}, {21600, 6000, 10000}, {28800, 3000, 6000}, {36000, 0, 3000}};
  for (const Band& band : kBands) {
    if (frames < band.below) return difficulty >= 3 ? band.higher : band.lower;
  }
  return 0;
}

ClearScore ScoreMissionClear(const ClearFigures& f) {
  ClearScore s{};
  s.minutes = f.frames / kFramesPerMinute;
  s.seconds = (f.frames % kFramesPerMinute) / kFramesPerSecond;
  s.framesInSecond = f.frames % kFramesPerSecond;
  s.clearBonus = 4000 + 1000 * f.mission;
  s.extraBonus = f.mission == 2 ? SaturatingSum(0, 500LL * f.destroyedTargets) : 0;
  s.timeBonus = ClearTimeBonus(f.mission, f.difficulty, f.frames);
  s.recordBestTime = f.recordBestTime;
  s.recordMaxHit = f.recordMaxHit;
  s.recordHighScore = f.recordHighScore;
  s.newBestTime = f.frames < f.recordBestTime;
  if (s.newBestTime) s.recordBestTime = f.frames;
  const int hitsNow = SaturatingSum(f.comboCount, f.pendingHits);
  s.maxHit = f.maxHit > hitsNow ? f.maxHit : hitsNow;
  s.hitBonus = (s.maxHit / 100) * 1000;
  s.newMaxHit = s.maxHit > f.recordMaxHit;
  if (s.newMaxHit) s.recordMaxHit = s.maxHit;
  const std::int64_t paid = static_cast<std::int64_t>(s.clearBonus) + s.timeBonus + s.hitBonus;
  s.money = SaturatingSum(f.money, paid);
  s.missionScore = SaturatingSum(f.missionScore, paid);
  s.newHighScore = s.missionScore > f.recordHighScore;
  if (s.newHighScore) s.recordHighScore = s.missionScore;
  return s;
}

ClearFigures CurrentClearFigures() {
  const int m = g_battle.CurrentMission;
  const MissionRecord empty{};
  const MissionRecord& record = RecordedMission(m) ? MissionRecords[m] : empty;
  return ClearFigures{m,
                      g_battle.Difficulty,
                      g_battle.MissionFrames,
                      g_battle.MissionScriptVars[0],
                      g_battle.MaxHit,
                      g_battle.ComboCount,
                      g_battle.PendingHits,
                      g_battle.Money,
                      g_battle.MissionScore,
                      record.bestTime,
                      record.maxHit,
                      record.highScore};
}

void ApplyClearScore(const ClearScore& score) {
  g_battle.MaxHit = score.maxHit;
  g_battle.Money = score.money;
  g_battle.MissionScore = score.missionScore;
  const int m = g_battle.CurrentMission;
  if (!RecordedMission(m)) return;
  MissionRecords[m].bestTime = score.recordBestTime;
  MissionRecords[m].maxHit = score.recordMaxHit;
  MissionRecords[m].highScore = score.recordHighScore;
}

}  // namespace horundel
