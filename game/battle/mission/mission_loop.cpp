#include "game/battle/mission/mission_loop.h"

#include <cmath>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/character_table.h"
#include "game/battle/world/effects.h"
#include "game/battle/data/game_math.h"
#include "game/battle/world/map_file.h"
#include "game/battle/mission/mission_scripts.h"
#include "game/battle/world/player_setup.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"

namespace horundel {

namespace {

constexpr int kEscapeKey = 1;
constexpr int kComboShownFrames = 120;

int GaugeWidth(float value, float maximum) {
  if (!(maximum > 1.0f)) return 300;
  // A burning boss has negative HP: the bar empties instead of turning over.
  return ClampInt(0, TruncateToInt(300.0f * value / maximum), 300);
}

void DrawBossGauge() {
  const BossGaugeState& gauge = g_battle.BossGauge;
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  DrawRectangle(295, 448, 605, 462, PackColor(0, 0, 0), 1);
  DrawRectangle(300, 450, 300 + GaugeWidth(gauge.shownValue, gauge.maximum), 460, PackColor(255, 0, 0), 1);
  DrawRectangle(300, 450, 300 + GaugeWidth(gauge.value, gauge.maximum), 460, PackColor(255, 255, 0), 1);
}

// Blinks toward the goal while it is off screen and nothing else holds the player's attention.
void DrawGoalArrow(bool enemyPulled) {
  const BattleCameraState& camera = g_battle.BattleCamera;
  const float dx = g_battle.MissionGoalX - camera.x;
  const float dy = g_battle.MissionGoalY - camera.y;
  if (enemyPulled || g_battle.MissionFrames % 40 >= 30 || g_battle.BossGauge.shown != 0) return;
  if (!(AbsFloat(dx) > 800.0f || AbsFloat(dy) > 600.0f)) return;
  const float a = std::atan2(dx, dy);
  const float spread = 0.15707963267948966f;
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  BlitGraphRotated(TruncateToInt(320.0f + 100.0f * std::sin(a)), TruncateToInt(240.0f + 100.0f * std::cos(a)), 1.0, 0.0,
                   g_pictures.goalArrow, 1, 0);
  DrawTriangleShape(TruncateToInt(320.0f + 200.0f * std::sin(a)), TruncateToInt(240.0f + 200.0f * std::cos(a)),
                    TruncateToInt(320.0f + 150.0f * std::sin(a + spread)),
                    TruncateToInt(240.0f + 150.0f * std::cos(a + spread)),
                    TruncateToInt(320.0f + 150.0f * std::sin(a - spread)),
                    TruncateToInt(240.0f + 150.0f * std::cos(a - spread)), PackColor(255, 0, 0), 1);
}

// Minutes, seconds and the frame within the second; white while a minute or more is left.
void DrawCountdown() {
  const int c = g_battle.MissionCountdown;
  const int blue = c < 3600 ? 0 : 255;
  const int parts[5][2] = {{c / 3600, 0},
                           {(c % 3600) / 600, 4},
                           {((c % 3600) / 60) % 10, 0},
                           {(c % 60) / 10, 4},
                           {(c % 60) % 10, 0}};
  int glyphs = 0;
  for (const auto& part : parts) {
    glyphs += g_shell.DrawNumber(250.0f + 25.0f * static_cast<float>(glyphs), 400.0f, part[0], part[1], 1.0f, 255, 255,
                                 blue);
  }
}

void WaitHitStop() {
  if (g_battle.HitStopRequest <= 0) return;
  SleepWithMessages(g_battle.HitStopRequest * MaxInt(0, GameSettings.hitWait) * 40);
  g_battle.HitStopRequest = 0;
}

bool FreshKey(int key) { return KeyBindings[key].pressed != 0 && KeyBindings[key].latched == 0; }

void OpenMenus() {
  if (FreshKey(kKeyEquipment)) g_shell.RunMenu(kMenuWeapons);
  if (FreshKey(kKeyPause) && g_shell.RunMenu(kMenuPause) == 1) g_battle.MissionPhase = kPhaseEnded;
}

void SetUpMap(int mode) {
  switch (mode) {
    case kMissionRandomMap: GenerateRandomMap(); break;
    case kMissionTemporaryMap: LoadMap(kMapSourceTemporary, g_battle.CurrentMission, 0); break;
    case kMissionMap: LoadMap(kMapSourceMission, g_battle.CurrentMission, 0); break;
    default: return;
  }
  PlaceUnplacedPlayer();
}

void StartMissionState() {
  BattleState& b = g_battle;
  for (int& var : b.MissionScriptVars) var = 0;
  b.CurrentArea = 0;
  b.MissionFrames = 0;
  b.MissionPhase = 0;
  b.MissionCountdown = 0;
  b.MissionCountdownShown = 0;
  b.MaxHit = 0;
  b.MissionScore = 0;
  Character& heroine = CharacterTable[kPlayerSlot];
  heroine.maxHp = 400.0f * static_cast<float>(b.HpGaugeCount);
  heroine.hp = heroine.maxHp;
  b.ShownPlayerHp = heroine.hp;
  b.CurrentWeaponSlot = 0;
  b.GunOut = 0;
  b.ToolWeaponState = 1;
  b.WeaponSlot[0].ammunition = 1;
}

// Carried guns do not survive a mission.
void EndMission() {
  g_shell.FadeBattleToBlack();
  g_battle.WeaponSlot[0].ammunition = 0;
  for (int slot = 1; slot <= kLastCarriedSlot; ++slot) {
    g_battle.WeaponSlot[slot].used = 0;
    g_battle.WeaponSlot[slot].weapon = 0;
    g_battle.WeaponSlot[slot].ammunition = 0;
  }
  HaltSound(g_stage.musicHandle);
  if (g_battle.MissionPhase != kPhaseFailed) return;
  LoadEnemySet(0);
  g_shell.PlayMissionText(kTextAdvice, g_battle.AdviceIndex);
  g_battle.AdviceIndex = WrapIncrement(g_battle.AdviceIndex, 12);
}

// One battle frame; returns the quit result, or 0 to go on.
int RunBattleFrame() {
  const int quit = PumpMessages();
  if (quit != 0) return quit;
  if (IsKeyDown(kEscapeKey)) return 1;
  PollBattleInput();
  ClearDrawTarget();
  const bool enemyPulled = MoveCamera();
  g_battle.BossGauge.shown = 0;
  UpdateAll(kModeBattle);
  DrawAll(kModeBattle);
  g_shell.DrawBattleHud(0);
  if (g_battle.BossGauge.shown != 0) DrawBossGauge();
  DrawGoalArrow(enemyPulled);
  if (g_battle.MissionCountdownShown != 0) DrawCountdown();
  PresentBackBuffer();
  g_battle.MissionFrames += 1;
  StepCombo();
  WaitHitStop();
  OpenMenus();
  MissionScript();
  if (CharacterTable[kPlayerSlot].hp <= 0.0f) {
    g_shell.MissionFailed();
    g_battle.MissionPhase = kPhaseFailed;
  }
  return 0;
}

}  // namespace

// The camera leads the heroine by 150 pixels and is pulled toward nearby enemies; the zoom
// widens when one of them is far off. Returns whether any enemy pulled it.
bool MoveCamera() {
  const Character& heroine = CharacterTable[kPlayerSlot];
  const float anchorX = heroine.x + 150.0f * static_cast<float>(heroine.facing);
  const float anchorY = heroine.y;
  float targetX = anchorX;
  float targetY = anchorY;
  float farthestX = 0.0f;
  float farthestY = 0.0f;
  bool pulled = false;
  for (int slot = kFirstObjectSlot; slot <= kLastObjectSlot; ++slot) {
    const Character& enemy = CharacterTable[slot];
    if (enemy.state == 0 || enemy.type != kTypeEnemy || !(enemy.hp >= 0.0f)) continue;
    const float dx = AbsFloat(enemy.x - anchorX);
    const float dy = AbsFloat(enemy.y - anchorY);
    if (!(dx <= 800.0f && dy <= 500.0f)) continue;
    pulled = true;
    targetX = StepTowardFraction(StepTowardFraction(targetX, enemy.x, 0.5f), anchorX, 0.5f);
    targetY = StepTowardFraction(StepTowardFraction(targetY, enemy.y, 0.5f), anchorY, 0.5f);
    farthestX = MaxFloat(farthestX, dx);
    farthestY = MaxFloat(farthestY, dy);
  }
  if (!pulled) {
    targetX = heroine.x;
    targetY = heroine.y;
  }
  BattleCameraState& camera = g_battle.BattleCamera;
  camera.x = StepTowardFraction(camera.x, targetX, 0.05f);
  camera.y = StepTowardFraction(camera.y, targetY, 0.05f);
  const float zoomTarget = farthestX > 600.0f || farthestY > 300.0f ? 0.5f : 0.75f;
  camera.zoom = StepTowardF(camera.zoom, zoomTarget, (2.0f - zoomTarget) * 0.005f);
  return pulled;
}

// Bonus hits join the combo one by one, faster as it grows; a combo left alone for its display
// time ends and counts toward the best.
void StepCombo() {
  BattleState& b = g_battle;
  if (b.PendingHits >= 1) {
    b.ComboDisplayTimer = kComboShownFrames;
    b.PendingHitTimer += 1;
    if (b.PendingHitTimer >= MaxInt(1, 6 - b.ComboCount / 300)) {
      b.PendingHitTimer = 0;
      b.PendingHits -= 1;
      b.ComboCount += 1;
    }
  } else {
    b.PendingHitTimer = 0;
  }
  if (b.ComboCount > 0) {
    b.ComboDisplayTimer = StepToward(b.ComboDisplayTimer, 0, 1);
    if (b.ComboDisplayTimer == 0) {
      b.MaxHit = MaxInt(b.MaxHit, b.ComboCount);
      b.ComboCount = 0;
      b.PendingHits = 0;
    }
  }
}

void ResetMission() {
  BattleState& b = g_battle;
  b.LastColumn = 10;
  b.LastRow = 10;
  b.MissionGoalX = 100.0f;
  b.MissionGoalY = 100.0f;
  b.HitStopRequest = 0;
  b.ScreenShake = 0;
  for (ScreenFlashState& flash : b.ScreenFlash) flash = ScreenFlashState{0, 0};
  b.ShownPlayerHp = CharacterTable[kPlayerSlot].hp;
  b.AirBoostsLeft = b.AirBoostLevel;
  g_shell.ResetHud();
  b.MissionMoney = 0;
  b.ComboCount = 0;
  b.ComboDisplayTimer = 0;
  b.PendingHits = 0;
  b.PendingHitTimer = 0;
  b.WeaponSlotSlide = 25.0f;
  b.AmmoGainShown = 0;
  b.AmmoGainTimer = 0;
  for (auto& column : TileMap) {
    for (TileCell& cell : column) cell = TileCell{0, 0.0f};
  }
  for (int slot = 0; slot < kCharacterSlots; ++slot) ClearCharacter(slot);
  ParticleRing = ParticleRingState{};
}

void PlaceUnplacedPlayer() {
  if (CharacterTable[kPlayerSlot].type == kTypePlayer) return;
  PlacePlayer(50.0f + 50.0f * static_cast<float>(g_battle.LastColumn), 50.0f + 50.0f * static_cast<float>(g_battle.LastRow));
}

int RunMission(int mode) {
  ResetMission();
  SetUpMap(mode);
  StartMissionState();
  if (g_battle.CurrentMission == 0) {
    g_shell.FadeBattleFromBlack();
  } else {
    g_shell.MissionStart();
  }
  while (g_battle.MissionPhase != kPhaseEnded && g_battle.MissionPhase != kPhaseFailed) {
    const int quit = RunBattleFrame();
    if (quit != 0) return quit;
  }
  EndMission();
  return 0;
}

}  // namespace horundel
