#pragma once
// The clear screen's arithmetic: clear time, bonuses and records, from the mission's figures alone.
namespace horundel {

struct ClearFigures {
  int mission;
  int difficulty;
  int frames;              // the clear time
  int destroyedTargets;    // the first mission script variable
  int maxHit;
  int comboCount;
  int pendingHits;
  int money;
  int missionScore;
  int recordBestTime;
  int recordMaxHit;
  int recordHighScore;
};

struct ClearScore {
  int minutes;
  int seconds;
  int framesInSecond;
  int clearBonus;
  int extraBonus;          // shown beside the clear bonus, not paid
  int timeBonus;
  int hitBonus;
  int maxHit;
  int money;
  int missionScore;
  bool newBestTime;
  bool newMaxHit;
  bool newHighScore;
  int recordBestTime;
  int recordMaxHit;
  int recordHighScore;
};

int ClearTimeBonus(int mission, int difficulty, int frames);
ClearScore ScoreMissionClear(const ClearFigures& figures);

// The figures of the battle's current mission, and the score written back into the battle's
// money, hit count and the mission's record.
ClearFigures CurrentClearFigures();
void ApplyClearScore(const ClearScore& score);

}  // namespace horundel
