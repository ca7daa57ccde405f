#include <cstdint>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_screens.h"
#include "game/shell/mission_scoring.h"
#include "game/shell/mission_world.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kClearMusic = 7;
constexpr int kPlayOnce = 1;
constexpr int kLastPhase = 7;
constexpr int kVictoryState = 60;

enum ClearLine { kBonusLine = 0, kTimeLine, kHitLine, kScoreLine, kClearLines };

struct ClearScreen {
  TitleSprite mission;
  TitleSprite complete;
  TitleSprite lines[kClearLines];
  int newRecord;
  float band;
  int bandParameter;
  float panelWidth;
  int phase;
  int n;
  ClearScore score;
};

// The counter closes a hundredth of the gap a frame, at least 1; the gap may exceed the int range.
int StepMoneyCounter(int shown, int money) {
  const std::int64_t gap = static_cast<std::int64_t>(money) - shown;
  const std::int64_t step = (gap < 0 ? -gap : gap) / 100 + 1;
  if (gap > step) return static_cast<int>(shown + step);
  if (gap < -step) return static_cast<int>(shown - step);
  return money;
}

void SlideLine(TitleSprite* line) { line->x = StepTowardFraction(line->x, 160.0f, 0.1f); }

// One frame of the phase table: true when the phase advances.
bool StepPhase(ClearScreen* c, bool confirm) {
  switch (c->phase) {
    case 0:
      c->mission.x = StepTowardFraction(c->mission.x, 320.0f, 0.1f);
      c->complete.x = StepTowardFraction(c->complete.x, 320.0f, 0.1f);
      c->band = StepBandHeight(c->band);
      c->bandParameter = StepToward(c->bandParameter, 255, 3);
      if (!confirm && c->n <= 180) return false;
      c->mission.x = c->complete.x = 320.0f;
      c->band = 0.0f;
      c->bandParameter = 255;
      return true;
    case 1:
      c->mission.y -= 10.0f;
      c->complete.y += 10.0f;
      if (!confirm && c->n <= 60) return false;
      RestartSound(kSoundBomb);
      return true;
    case 2:
    case 3:
    case 4:
    case 5: {
      TitleSprite& line = c->lines[c->phase - 2];
      SlideLine(&line);
      if (!confirm && c->n <= 60) return false;
      line.x = 160.0f;
      if (c->phase < 5) RestartSound(kSoundBomb);
      return true;
    }
    case 6:
      g_hud.ShownMoney = StepMoneyCounter(g_hud.ShownMoney, g_battle.Money);
      if (c->n % 6 == 0) RestartSound(kSoundItem2);
      if (!confirm && g_hud.ShownMoney != g_battle.Money) return false;
      g_hud.ShownMoney = g_battle.Money;
      CharacterTable[kPlayerSlot].state = kVictoryState;
      CharacterTable[kPlayerSlot].timer = 60;
      return true;
    default:
      return c->n > 180;
  }
}

void DrawNewRecord(const ClearScreen& c, int y) { BlitGraphRotated(380, y, 0.6, -kPi / 10, c.newRecord, 1, 0); }

void DrawClearScreen(ClearScreen* c) {
  const unsigned int white = PackColor(255, 255, 255);
  const ClearScore& s = c->score;
  g_missionWorld.UpdateAll(2);
  g_missionWorld.DrawAll(2);
  SetBlendMode(ZELVO_BLEND_ALPHA, 180);
  if (c->phase > 0) c->panelWidth = StepTowardFraction(c->panelWidth, 320.0f, 0.05f);
  DrawRectangle(0, 0, TruncateToInt(c->panelWidth), 480, PackColor(0, 0, 0), 1);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  if (c->phase < 2) {
    DrawTitleSprite(c->mission);
    DrawTitleSprite(c->complete);
  }
  for (const TitleSprite& line : c->lines) DrawTitleSprite(line);
  if (c->phase == 0) DrawBand(c->band, c->bandParameter);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  if (c->phase >= 2) {
    DrawNumber(50, 60, s.clearBonus, 0, 0.6f, 255, 255, 255);
    if (s.extraBonus > 0) DrawNumber(200, 60, s.extraBonus, 1, 0.6f, 255, 255, 255);
  }
  if (c->phase >= 3) {
    DrawTextFormatted(40, 140, white, "%d:%02d:%02d", s.minutes, s.seconds, s.framesInSecond);
    if (s.timeBonus > 0) {
      DrawTextDefaultFont(100, 160, "BONUS!", white, 0);
      DrawNumber(200, 140, s.timeBonus, 1, 0.6f, 255, 255, 255);
    }
    if (s.newBestTime) DrawNewRecord(*c, 140);
  }
  if (c->phase >= 4) {
    DrawTextFormatted(40, 220, white, "%d HIT", s.maxHit);
    if (s.hitBonus > 0) {
      DrawTextDefaultFont(100, 240, "BONUS!", white, 0);
      DrawNumber(200, 220, s.hitBonus, 1, 0.6f, 255, 255, 255);
    }
    if (s.newMaxHit) DrawNewRecord(*c, 220);
  }
  if (c->phase >= 5) {
    DrawNumber(100, 350, s.missionScore, 0, 0.8f, 255, 255, 255);
    if (s.newHighScore) DrawNewRecord(*c, 340);
  }
  if (c->phase >= 6) {
    DrawEllipse(50, 440, AbsInt(10 - (c->n % 40) / 2) + 2, 10, white, 1);
    DrawNumber(80, 420, g_hud.ShownMoney, 0, 0.8f, 255, 255, 255);
  }
}

ClearScreen g_clear;

}  // namespace

void MissionClear() {
  PlayStageMusic(kClearMusic, kPlayOnce);
  ClearMenuKeys();
  if (CharacterTable[kPlayerSlot].kind > 0) g_missionWorld.LeaveMachine();
  g_battle.ToolWeaponState = 1;
  ClearScreen& c = g_clear;
  c = ClearScreen{};
  c.mission = MakeTitleSprite("bmp\\system\\mission.bmp", -320.0f, 180.0f, 1.5f);
  c.complete = MakeTitleSprite("bmp\\system\\complete.bmp", 960.0f, 300.0f, 1.5f);
  c.lines[kBonusLine] = MakeTitleSprite("bmp\\system\\clearbonus.bmp", 960.0f, 40.0f, 1.0f);
  c.lines[kTimeLine] = MakeTitleSprite("bmp\\system\\cleartime.bmp", 960.0f, 120.0f, 1.0f);
  c.lines[kHitLine] = MakeTitleSprite("bmp\\system\\maxhit.bmp", 960.0f, 200.0f, 1.0f);
  c.lines[kScoreLine] = MakeTitleSprite("bmp\\system\\totalscore.bmp", 960.0f, 320.0f, 1.0f);
  c.newRecord = LoadPicture("bmp\\system\\newrecord.bmp");
  c.band = kBandStartHeight;
  c.score = ScoreMissionClear(CurrentClearFigures());
  ApplyClearScore(c.score);
  while (BeginScreenFrame()) {
    ClearDrawTarget();
    BattleCameraState& camera = g_battle.BattleCamera;
    const Character& player = CharacterTable[kPlayerSlot];
    camera.x = StepTowardFraction(camera.x, player.x - 160.0f, 0.05f);
    camera.y = StepTowardFraction(camera.y, player.y, 0.05f);
    camera.zoom = StepTowardF(camera.zoom, 1.0f, 0.01f);
    PollConfirmCancel();
    ++c.n;
    const bool confirm = c.phase < kLastPhase && KeyBindings[kKeyConfirm].pressed == 1 && KeyBindings[kKeyConfirm].latched == 0;
    if (StepPhase(&c, confirm)) {
      if (c.phase == kLastPhase) break;
      ++c.phase;
      c.n = 0;
      KeyBindings[kKeyConfirm].latched = 1;
    }
    DrawClearScreen(&c);
    PresentBackBuffer();
  }
  ReleaseTitleSprite(&c.mission);
  ReleaseTitleSprite(&c.complete);
  for (TitleSprite& line : c.lines) ReleaseTitleSprite(&line);
  if (c.newRecord != -1) ReleaseGraph(c.newRecord, 0);
}

}  // namespace horundel
