// The mission loop on the started library: camera, combo, battle keys, falling blocks, and whole
// missions on small maps ending by failure, give-up, quit and through doors.
#include <gtest/gtest.h>

#include <cstring>

#include "game/battle/world/character_table.h"
#include "game/battle/world/event_spawn.h"
#include "game/battle/mission/map_events.h"
#include "game/battle/mission/mission_scripts.h"
#include "tests/battle/mission_scene.h"

namespace horundel {
namespace {

// Battle frames seen by the steering of a run.
int frame_ = 0;

class MissionLoopTest : public zelvo_test::BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    NewGameState();
    std::memset(CharacterTable, 0, sizeof CharacterTable);
    std::memset(&g_pictures, 0xFF, sizeof g_pictures);
    for (int& sound : SoundEffectTable) sound = -1;
    g_stage = StageState{-1, -1, -1, -1, -1};
    FillWeaponRecords();
    BindSceneKeys();
    ShellRecorder::Install();
    frame_ = 0;
  }
};

Character& Heroine() { return CharacterTable[kPlayerSlot]; }

void PlaceHeroine(int kind, int state, float x, float y) {
  Character& heroine = Heroine();
  heroine = Character{};
  heroine.type = kTypePlayer;
  heroine.kind = kind;
  heroine.state = state;
  heroine.hp = heroine.maxHp = 800.0f;
  heroine.facing = 1;
  heroine.x = x;
  heroine.y = y;
  heroine.halfWidth = heroine.halfHeight = 40.0f;
}

TEST_F(MissionLoopTest, CameraLeadsTheHeroineAndWidensForFarEnemies) {
  struct Case {
    float enemyDx;     // from the point 150 pixels ahead of her; 0 = no enemy
    float wantX;       // camera x after one step from 0
    float wantZoom;    // from 0.75
  };
  const Case cases[] = {
      {0.0f, 50.0f, 0.75f},               // no enemy: toward her own position, not ahead of her
      {500.0f, 1150.0f * 0.05f + 250.0f * 0.05f * 0.5f, 0.75f},
      {700.0f, 1150.0f * 0.05f + 350.0f * 0.05f * 0.5f, 0.7425f},
      {801.0f, 50.0f, 0.75f},              // too far to pull
  };
  for (const Case& c : cases) {
    ResetMission();
    PlaceHeroine(0, 10, 1000.0f, 0.0f);
    if (c.enemyDx != 0.0f) {
      Character& enemy = CharacterTable[5];
      enemy.type = kTypeEnemy;
      enemy.state = 10;
      enemy.hp = 10.0f;
      enemy.x = 1150.0f + c.enemyDx;
    }
    g_battle.BattleCamera = {0.75f, 0.0f, 0.0f};
    EXPECT_EQ(MoveCamera(), c.enemyDx != 0.0f && c.enemyDx <= 800.0f) << c.enemyDx;
    EXPECT_NEAR(g_battle.BattleCamera.x, c.wantX, 0.01f) << c.enemyDx;
    EXPECT_NEAR(g_battle.BattleCamera.zoom, c.wantZoom, 1e-6f) << c.enemyDx;
  }
}

TEST_F(MissionLoopTest, BonusHitsJoinFasterAsTheComboGrowsAndTheComboExpires) {
  g_battle.ComboCount = 1500;
  g_battle.PendingHits = 3;
  for (int i = 0; i < 3; ++i) StepCombo();
  EXPECT_EQ(g_battle.ComboCount, 1503);
  EXPECT_EQ(g_battle.PendingHits, 0);

  g_battle.ComboCount = 0;
  g_battle.PendingHits = 2;
  g_battle.MaxHit = 1;
  for (int i = 0; i < 6; ++i) StepCombo();
  EXPECT_EQ(g_battle.ComboCount, 1);   // one per six frames at the start
  int frames = 6;
  while (g_battle.ComboCount > 0) {
    StepCombo();
    ++frames;
  }
  EXPECT_EQ(frames, 12 + 119);
  EXPECT_EQ(g_battle.MaxHit, 2);
}

TEST_F(MissionLoopTest, DoubleTapLatchesTheDashUntilEveryDirectionIsReleased) {
  auto poll = [](bool right, bool up) {
    SetSceneKey(kKeyRight, right);
    SetSceneKey(kKeyUp, up);
    PumpMessages();
    PollBattleInput();
  };
  poll(true, false);
  EXPECT_EQ(KeyBindings[kKeyRight].latched, 1);
  EXPECT_EQ(KeyBindings[kKeyRight].doubleTapTimer, 19);
  poll(false, false);
  EXPECT_EQ(KeyBindings[kKeyRight].latched, 0);
  poll(true, false);
  EXPECT_EQ(KeyBindings[kKeyDashLatch].pressed, 1);
  poll(false, true);   // up alone keeps the dash held
  EXPECT_EQ(KeyBindings[kKeyDash].pressed, 1);
  poll(false, false);
  EXPECT_EQ(KeyBindings[kKeyDashLatch].pressed, 0);
  EXPECT_EQ(KeyBindings[kKeyDash].pressed, 1);   // read before the latch let go
  poll(false, false);
  EXPECT_EQ(KeyBindings[kKeyDash].pressed, 0);

  // A second tap after the timer ran out starts a new timer instead.
  for (int i = 0; i < 25; ++i) poll(false, false);
  poll(true, false);
  EXPECT_EQ(KeyBindings[kKeyRight].doubleTapTimer, 19);
  for (int i = 0; i < 25; ++i) poll(false, false);
  poll(true, false);
  EXPECT_EQ(KeyBindings[kKeyDashLatch].pressed, 0);
  EXPECT_EQ(KeyBindings[kKeyRight].doubleTapTimer, 19);

  // Key codes outside the table are never pressed.
  KeyBindings[kKeyShoot].keyCode = 4000;
  poll(false, false);
  EXPECT_EQ(KeyBindings[kKeyShoot].pressed, 0);
}

TEST_F(MissionLoopTest, FallingBlocksDropOneCellAndSlideDownTenPixelsAFrame) {
  ResetMission();
  g_battle.BattleCamera = {1.0f, 550.0f, 800.0f};   // rows 4 to 11 in sight
  TileMap[5][5].kind = 30;    // over empty cells
  TileMap[6][10].kind = 30;   // on the last row
  DrawAll(kModeBattle);
  EXPECT_EQ(TileMap[5][5].kind, 0);
  EXPECT_EQ(TileMap[5][6].kind, 30);
  EXPECT_EQ(TileMap[5][6].fallOffset, 100.0f);
  for (int frame = 1; frame <= 10; ++frame) {
    DrawAll(kModeBattle);
    EXPECT_EQ(TileMap[5][6].fallOffset, 100.0f - 10.0f * static_cast<float>(frame));
  }
  EXPECT_EQ(TileMap[5][6].kind, 30);
  DrawAll(kModeBattle);
  EXPECT_EQ(TileMap[5][7].kind, 30);
  EXPECT_EQ(TileMap[6][10].kind, 30);
}

// A mission on "tempmap.dat" whose frames are steered by `onFrame`.
int RunRoom(void (*onFrame)()) {
  ShellRecorder::onFrame = onFrame;
  return RunMission(kMissionTemporaryMap);
}

TEST_F(MissionLoopTest, LosingEveryHitPointFailsTheMissionWithAdvice) {
  Put("tempmap.dat", RoomMap(12, {{2, 0, 9, 5, 1}}));
  g_battle.CurrentMission = 1;
  g_battle.AdviceIndex = 12;
  g_battle.WeaponSlot[1] = WeaponSlotRecord{1, 4, 30, 0};
  const int result = RunRoom([] {
    if (++frame_ == 3) Heroine().hp = 0.0f;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(g_battle.MissionPhase, kPhaseFailed);
  EXPECT_EQ(g_battle.MissionFrames, 3);
  EXPECT_EQ(ShellRecorder::Kinds(), "sfot");
  EXPECT_EQ(ShellRecorder::calls.back().first, kTextAdvice);
  EXPECT_EQ(ShellRecorder::calls.back().second, 12);
  EXPECT_EQ(g_battle.AdviceIndex, 0);
  EXPECT_EQ(g_battle.WeaponSlot[1].used, 0);   // carried guns do not survive the mission
  EXPECT_EQ(g_battle.WeaponSlot[0].ammunition, 0);
}

TEST_F(MissionLoopTest, GivingUpEndsTheMissionButAFallInTheSameFrameFails) {
  Put("tempmap.dat", RoomMap(12, {}));
  struct Case {
    bool hpLost;
    int wantPhase;
    const char* wantCalls;
  };
  for (const Case& c : {Case{false, kPhaseEnded, "smo"}, Case{true, kPhaseFailed, "smfot"}}) {
    ShellRecorder::Install();
    ShellRecorder::pauseResult = 1;
    frame_ = c.hpLost ? 100 : 0;
    g_battle.CurrentMission = 1;
    EXPECT_EQ(RunRoom([] {
                if (++frame_ % 100 != 2) return;
                KeyBindings[kKeyPause].pressed = 1;
                KeyBindings[kKeyPause].latched = 0;
                if (frame_ > 100) Heroine().hp = -5.0f;
              }),
              0);
    EXPECT_EQ(g_battle.MissionPhase, c.wantPhase);
    EXPECT_EQ(ShellRecorder::Kinds(), c.wantCalls);
    EXPECT_EQ(g_battle.MissionFrames, 2);
  }
}

TEST_F(MissionLoopTest, EscapeQuitsAtOnceWithoutEndingTheMission) {
  Put("tempmap.dat", RoomMap(12, {}));
  g_battle.CurrentMission = 4;
  EXPECT_EQ(RunRoom([] {
              if (++frame_ == 4) pf::testing::InjectKey(41, true);   // Escape
            }),
            1);
  pf::testing::InjectKey(41, false);
  EXPECT_EQ(ShellRecorder::Kinds(), "s");
  EXPECT_EQ(g_battle.MissionFrames, 4);
  EXPECT_EQ(g_battle.MissionPhase, 0);
}

TEST_F(MissionLoopTest, WithoutAMapTheHeroineStandsInTheEmptyRoomAndCanGiveUp) {
  g_battle.CurrentMission = 4;   // no map files in this folder
  ShellRecorder::pauseResult = 1;
  ShellRecorder::onFrame = [] {
    if (++frame_ == 30) KeyBindings[kKeyPause].pressed = 1;
  };
  EXPECT_EQ(RunMission(kMissionMap), 0);
  EXPECT_EQ(Heroine().type, kTypePlayer);
  EXPECT_EQ(Heroine().hp, 800.0f);
  EXPECT_EQ(g_battle.MissionFrames, 30);
}

// The heroine walks right into the door of the first area.
void WalkRight() {
  if (++frame_ == 1) SetSceneKey(kKeyRight, true);
}

TEST_F(MissionLoopTest, AreaDoorPlaysItsCutSceneAndKeepsHitPointsInTheNextArea) {
  g_battle.CurrentMission = 3;
  Put("map/easy/c0300.dat", RoomMap(12, {{40, 0, 5, 5, 2}, {2, 0, 9, 5, 1}}));
  Put("map/easy/c0302.dat", RoomMap(20, {{2, 10, 15, 5, 1}}));
  ShellRecorder::pauseResult = 1;
  ShellRecorder::onFrame = [] {
    WalkRight();
    if (frame_ == 2) {
      Heroine().hp = 333.0f;
      g_battle.ComboCount = 7;
      g_battle.PendingHits = 2;
      g_battle.Money = 50;
    }
    if (g_battle.CurrentArea == 2) {
      SetSceneKey(kKeyRight, false);
      KeyBindings[kKeyPause].pressed = 1;
    }
  };
  EXPECT_EQ(RunMission(kMissionMap), 0);
  SetSceneKey(kKeyRight, false);
  EXPECT_EQ(g_battle.CurrentArea, 2);
  EXPECT_EQ(Heroine().hp, 333.0f);
  EXPECT_EQ(g_battle.ShownPlayerHp, 333.0f);
  EXPECT_EQ(Heroine().maxHp, 800.0f);
  EXPECT_EQ(g_battle.MaxHit, 9);        // the combo in progress counted first
  EXPECT_EQ(g_battle.ComboCount, 0);
  EXPECT_EQ(Heroine().x < 500.0f, true);   // at the new area's start
  // The new area's objects replace the old: one floor gun and no door.
  int guns = 0, doors = 0;
  for (int slot = kFirstObjectSlot; slot <= kLastFreeSlot; ++slot) {
    const Character& c = CharacterTable[slot];
    guns += c.state != 0 && c.type == kTypeEnemy && c.kind == 10;
    doors += c.state != 0 && c.type == kTypeMapEvent;
  }
  EXPECT_EQ(guns, 1);
  EXPECT_EQ(doors, 0);
  EXPECT_EQ(ShellRecorder::Kinds(), "soimo");
}

TEST_F(MissionLoopTest, DoorsToTheShopToAPictureOrToAMissingAreaLeaveHerAtTheDoor) {
  struct Case {
    int kind;
    int link;
    const char* wantCalls;
  };
  const Case cases[] = {{kEventShopDoor, 0, "somimo"}, {kEventRescueDoor, 3, "sogimo"}, {kEventAreaDoor, 4, "soimo"}};
  for (const Case& c : cases) {
    ShellRecorder::Install();
    ShellRecorder::pauseResult = 1;
    frame_ = 0;
    g_battle.CurrentMission = 3;
    Put("map/easy/c0300.dat", RoomMap(12, {{40, c.kind, 5, 5, c.link}}));
    ShellRecorder::onFrame = [] {
      WalkRight();
      const Character& door = CharacterTable[kFirstObjectSlot];
      if (door.state == kEventOpening && Heroine().state == 10) {
        SetSceneKey(kKeyRight, false);
        KeyBindings[kKeyPause].pressed = 1;
      }
    };
    EXPECT_EQ(RunMission(kMissionMap), 0);
    SetSceneKey(kKeyRight, false);
    const Character& door = CharacterTable[kFirstObjectSlot];
    EXPECT_EQ(ShellRecorder::Kinds(), c.wantCalls) << c.kind;
    if (c.kind != kEventAreaDoor) {
      EXPECT_EQ(ShellRecorder::calls[2].first, c.kind == kEventShopDoor ? kMenuShop : 3);
    }
    EXPECT_EQ(g_battle.CurrentArea, 0) << c.kind;
    EXPECT_EQ(door.state, kEventOpening) << c.kind;   // it stays open
    EXPECT_EQ(door.type, kTypeMapEvent);
    EXPECT_NEAR(Heroine().x, door.x, 10.0f) << c.kind;
  }
  EXPECT_NE(ScreenLogText().find("map of area 4 not found"), std::string::npos);
}

TEST_F(MissionLoopTest, DoorsOpenOnlyToTheHeroineStandingOnFoot) {
  struct Case {
    int doorKind;
    int heroineKind;
    int heroineState;
  };
  const Case cases[] = {{kEventAreaDoor, 1, 10}, {kEventAreaDoor, 10, 10}, {kEventShopDoor, 0, 34}, {3, 0, 10}};
  for (const Case& c : cases) {
    ResetMission();
    const int slot = SpawnEvent(c.doorKind, 500.0f, 500.0f, 1, 0, 0) / 10;
    PlaceHeroine(c.heroineKind, c.heroineState, 500.0f, 500.0f);
    UpdateEvent(slot, kModeBattle);
    EXPECT_EQ(CharacterTable[slot].state, kEventClosed) << c.doorKind << " " << c.heroineKind;
    EXPECT_EQ(Heroine().state, c.heroineState);
  }
  EXPECT_TRUE(ShellRecorder::calls.empty());
}

}  // namespace
}  // namespace horundel
