// Screen-mode changes: each rung of the display-mode fall-backs, the pacing between changes, the
// frame-period measurement and its log lines, and the screen-state accessors and switches.
#include "tests/display/screen_fixture.h"

namespace {

using namespace screen_test;
using namespace zelvo;

using ScreenModeTest = ScreenTest;

void StartFullScreen() {
  neighbours.windowMode = 0;
  ASSERT_EQ(InitDirectDraw(), 0);
  g_runState.starting = 0;
  g_runState.ready = 1;
}

int ModeWidth() {
  int width = 0;
  pf::testing::DisplayModeSet(&width, nullptr, nullptr);
  return width;
}

TEST_F(ScreenModeTest, RunningScreenWalksEveryRungOfTheLadder) {
  StartFullScreen();
  struct Case {
    std::vector<pf::testing::DisplayModeEntry> accepted;
    int width, height, depth;
    int result;
    int shownWidth, shownDepth;
  };
  const Case cases[] = {
      // The refresh rate is refused and dropped silently.
      {{{640, 480, 16, 60}, {800, 600, 32, 60}}, 800, 600, 32, 0, 800, 32},
      // The mode is refused: the previous mode comes back, still a success for a running screen.
      {{{640, 480, 16, 60}, {800, 600, 32, 60}}, 1024, 768, 32, 0, 800, 32},
      // The previous mode is refused as well: 640 x 480 x 16.
      {{{640, 480, 16, 60}}, 1024, 768, 32, -2, 640, 16},
  };
  for (const Case& c : cases) {
    pf::testing::SetAcceptedDisplayModes(c.accepted);
    EXPECT_EQ(ChangeScreenMode(c.width, c.height, c.depth, 0, 75), c.result);
    EXPECT_EQ(ModeWidth(), c.shownWidth);
    EXPECT_EQ(g_screen.width, c.shownWidth);
    EXPECT_EQ(g_screen.colorDepth, c.shownDepth);
    EXPECT_EQ(g_screen.refreshRate, 0);
    EXPECT_EQ(g_screen.displayModeChanged, 1);
    EXPECT_NE(g_screen.primarySurface, nullptr);
    EXPECT_NE(g_screen.clipper, nullptr);      // made again from the new DirectDraw object
  }
  EXPECT_EQ(pf::testing::LiveDirectDrawObjects(), 1);
  pf::testing::SetAcceptedDisplayModes({});
  EXPECT_EXIT(ChangeScreenMode(800, 600, 32, 0, 0), ::testing::ExitedWithCode(255), "");
}

TEST_F(ScreenModeTest, SoftwareRenderingChangesTheModeThroughGdi) {
  SetSoftwareRenderMode(0);
  StartFullScreen();
  EXPECT_EQ(ModeWidth(), 640);
  pf::testing::SetAcceptedDisplayModes({{640, 480, 16, 60}, {800, 600, 16, 60}});
  EXPECT_EQ(ChangeScreenMode(800, 600, -1, 0, -1), 0);
  EXPECT_EQ(ModeWidth(), 800);
  EXPECT_EQ(SoftBackScreen.width, 800);
  EXPECT_EQ(ChangeScreenMode(1024, 768, -1, 0, -1), 0);   // refused: back to 800 x 600
  EXPECT_EQ(ModeWidth(), 800);
  // Back to the window: the desktop's mode returns.
  neighbours.windowMode = 1;
  EXPECT_EQ(ChangeScreenMode(640, 480, -1, 1, -1), 0);
  EXPECT_FALSE(pf::testing::DisplayModeSet(nullptr, nullptr, nullptr));
  EXPECT_EQ(g_screen.displayModeChanged, 0);
}

TEST_F(ScreenModeTest, FirstCallFallsBackAndStartUpThenGivesUp) {
  struct Case {
    int width, refresh;
    int failedApplications;   // the requested mode, the old mode when it differs, none for 640 x 480 x 16
    int result;
  };
  const Case cases[] = {
      {800, 75, 0, 0},    // 800 x 600 at 75 Hz is not offered, at the default rate it is
      {1024, 60, 2, -1},  // refused; the old values (the same mode at 60 Hz) are tried too, then 640 x 480 x 16
      {1024, 0, 1, -1},   // refused; the old mode equals it, so only 640 x 480 x 16 follows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    ShutDownDirectDraw();
    ResetScreenState();
    pf::testing::SetAcceptedDisplayModes({{640, 480, 16, 60}, {800, 600, 16, 60}});
    neighbours.windowMode = 0;
    g_screen.width = c.width;
    g_screen.height = c.width * 3 / 4;
    g_screen.refreshRate = c.refresh;
    EXPECT_EQ(InitDirectDraw(), c.result);
    const std::string log = Log();
    EXPECT_EQ(Count(log, "画面モードの変更に失敗しました"), c.failedApplications);
    if (c.result < 0) {
      EXPECT_TRUE(Has(log, "画面モードの変更処理を開始します 640 x 480  16 bit "));
      EXPECT_EQ(g_screen.directDraw, nullptr);   // shut down for the software fall-back
    } else {
      EXPECT_EQ(g_screen.refreshRate, 0);
      EXPECT_EQ(ModeWidth(), 800);
    }
  }
}

TEST_F(ScreenModeTest, TwentyFourBitsAreRefused) {
  pf::DirectDraw7* object = nullptr;
  ASSERT_EQ(CreateDirectDrawObject(&object), 0);
  int depth = 0, changed = 0;
  std::uint32_t level = 0;
  EXPECT_EQ(ApplyCooperativeLevelAndMode(object, 1024, 768, 640, 480, 24, &depth, &level, 0, &changed,
                                         neighbours.window),
            -1);
  pf::testing::SetHeadlessDesktop(1024, 768, 24);
  EXPECT_EQ(ApplyCooperativeLevelAndMode(object, 1024, 768, 640, 480, 16, &depth, &level, 1, &changed,
                                         neighbours.window),
            -1);
  pf::testing::SetHeadlessDesktop(1024, 768, 16);
  EXPECT_EQ(ApplyCooperativeLevelAndMode(object, 1024, 768, 640, 480, 32, &depth, &level, 1, &changed,
                                         neighbours.window),
            0);
  EXPECT_EQ(depth, 16);   // window mode takes the desktop's depth
  pf::testing::SetHeadlessDesktop(1024, 768, 32);
  // A cooperative level answered with one of the three tolerated codes (here: already set) counts as set.
  ASSERT_EQ(object->SetCooperativeLevel(neighbours.window, pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE), pf::DD_OK);
  pf::testing::SetFaultResult("SetCooperativeLevel", pf::DDERR_HWNDSUBCLASSED);
  pf::testing::FailNextCalls("SetCooperativeLevel", 1);
  EXPECT_EQ(ApplyCooperativeLevelAndMode(object, 1024, 768, 640, 480, 16, &depth, &level, 0, &changed,
                                         neighbours.window),
            0);
  EXPECT_EQ(changed, 1);
  object->Release();
}

TEST_F(ScreenModeTest, ChangesArePacedAndSkippedWhenNothingChanges) {
  pf::testing::SetVirtualTime(500);
  StartFullScreen();
  const std::uint32_t first = g_screen.lastModeChangeTime;
  EXPECT_LT(first, 1500u);   // the first change waits 60 ms, not until 2060 ms after time 0
  Log();
  EXPECT_EQ(ChangeScreenMode(-1, -1, -1, 0, -1), 0);
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(ChangeScreenMode(800, 600, 16, 0, -1), 0);
  EXPECT_GE(g_screen.lastModeChangeTime - first, 2060u);
  const std::uint32_t second = g_screen.lastModeChangeTime;
  pf::AdvanceVirtualClock(3000);
  EXPECT_EQ(ChangeScreenMode(640, 480, 16, 0, -1), 0);
  EXPECT_LT(g_screen.lastModeChangeTime - second, 3000u + 1000u);   // 60 ms and the measurements
}

TEST_F(ScreenModeTest, BeforeTheLibraryRunsAChangeOnlyRecordsTheMode) {
  g_runState.starting = 0;
  EXPECT_EQ(ChangeScreenMode(800, 600, 32, 0, 0), 0);
  EXPECT_EQ(g_screen.width, 800);
  EXPECT_EQ(g_screen.colorDepth, 32);
  EXPECT_EQ(g_screen.directDraw, nullptr);
  EXPECT_FALSE(pf::testing::DisplayModeSet(nullptr, nullptr, nullptr));
}

TEST_F(ScreenModeTest, FramePeriodIsMeasuredAndLogged) {
  struct Case {
    int reportedRefresh;   // what GDI reports as VREFRESH
    bool blanksStopped;
    int slots;             // "TriNN" lines
  };
  const Case cases[] = {{-1, false, 4}, {1, false, 20}, {-1, true, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slots);
    ShutDownDirectDraw();
    ResetScreenState();
    pf::testing::SetReportedRefreshRate(c.reportedRefresh);
    pf::testing::SetVerticalBlankStopped(c.blanksStopped);
    ASSERT_EQ(InitDirectDraw(), 0);
    const std::string log = Log();
    EXPECT_TRUE(Has(log, "スキャンラインの数:768"));
    if (c.blanksStopped) {
      EXPECT_TRUE(Has(log, "１フレームの時間を正常に取得できませんでした"));
      EXPECT_EQ(g_screen.framePeriod, -1);
      EXPECT_EQ(g_screen.frameWaitThreshold, -1);
      continue;
    }
    // A 60 Hz display seen through millisecond timestamps: 16 or 17 ms.
    ASSERT_GE(g_screen.framePeriod, 16);
    ASSERT_LE(g_screen.framePeriod, 17);
    char line[64];
    std::snprintf(line, sizeof line, "１フレーム当たりの時間は %d msecです", g_screen.framePeriod);
    EXPECT_TRUE(Has(log, line));
    EXPECT_EQ(g_screen.frameWaitThreshold, (g_screen.framePeriod * 2 - 4) / 3);
    EXPECT_EQ(Count(log, "\tTri"), c.slots);
    std::snprintf(line, sizeof line, "\tTri%02d:", c.slots - 1);
    EXPECT_TRUE(Has(log, line));
    EXPECT_GE(g_screen.measuredRefresh, 55);
    EXPECT_LE(g_screen.measuredRefresh, 65);
  }
}

TEST_F(ScreenModeTest, AccessorsBeforeAndAfterStart) {
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(GetRequestedScreenDepth(), 16);
  SetTemporaryPrimaryFlag(1);
  ASSERT_EQ(InitDirectDraw(), 0);
  ASSERT_NE(g_screen.temporaryPrimarySurface, nullptr);
  EXPECT_EQ(GetFrontSurface(), g_screen.temporaryPrimarySurface);
  SetTemporaryPrimaryFlag(0);                   // ignored while the object exists
  EXPECT_EQ(g_screen.temporaryPrimary, 1);
  EXPECT_EQ(GetBackSurface(), g_screen.backSurface);
  EXPECT_EQ(GetWorkSurface(), g_screen.workSurface1);
  EXPECT_EQ(GetDirectDrawObject(), g_screen.directDraw);
  EXPECT_EQ(GetScreenPixelFormat()->ChannelMask[0], 0xFF0000u);
  EXPECT_EQ(zelvo::GetDisplayPixelFormat()->RGBBitCount, 32u);
  pf::DDCaps caps{};
  EXPECT_EQ(CopyDeviceCaps(&caps)->size, 380u);
  EXPECT_EQ(GetOverlayPixelFormat(), nullptr);
  g_screen.overlayFormatIndex = 2;
  ASSERT_NE(GetOverlayPixelFormat(), nullptr);
  EXPECT_EQ(GetOverlayPixelFormat()->RedMask, 0x7C00u);
  g_screen.width = 800;
  g_screen.height = 300;
  EXPECT_EQ(GetOverlayPixelFormat(), nullptr);  // too low for an overlay
  EXPECT_EQ(IsDirectDrawMode(), 1);
  EnableVblankWait(1);
  EXPECT_EQ(IsVblankWaitEnabled(), 1);
  EXPECT_EQ(SetDisplayModeChanged(1), 1);
  EXPECT_EQ(IsDisplayModeChanged(), 1);
}

TEST_F(ScreenModeTest, GdiSurfaceModeIsAppliedOnChange) {
  StartFullScreen();
  neighbours.selectedTargets.clear();
  neighbours.menuEnabled = 1;
  g_screen.primarySurface->Flip(nullptr, pf::DDFLIP_NOVSYNC);
  EXPECT_EQ(SetGdiSurfaceMode(0), 0);           // the menu is in use: the GDI surface is shown
  EXPECT_EQ(GetGdiSurfaceMode(), 0);
  EXPECT_EQ(g_screen.appliedGdiSurface, 1);
  EXPECT_EQ(neighbours.selectedTargets, (std::vector<int>{-2, -4, -2}));
  EXPECT_EQ(SetGdiSurfaceMode(1), 0);           // same state: nothing happens
  EXPECT_EQ(neighbours.selectedTargets.size(), 3u);
  EXPECT_EQ(GetGdiSurfaceMode(), 0);
  neighbours.menuEnabled = 0;
  EXPECT_EQ(SetGdiSurfaceMode(0), 0);
  EXPECT_EQ(g_screen.appliedGdiSurface, 0);
}

TEST_F(ScreenModeTest, SoftwareRenderingSwitchesARunningScreenForGood) {
  ASSERT_EQ(InitDirectDraw(), 0);
  g_runState.starting = 0;
  g_runState.ready = 1;
  static int graphsReleased = 0;
  Services().releaseAllGraphs = [] { ++graphsReleased; };
  Services().getDrawTarget = [] { return -2; };
  neighbours.selectedTargets.clear();
  EXPECT_EQ(SetSoftwareRenderMode(0), 0);
  EXPECT_GE(graphsReleased, 1);
  EXPECT_EQ(IsSoftwareRenderMode(), 1);
  EXPECT_EQ(g_screen.gdiOutput, 1);
  EXPECT_EQ(g_screen.primarySurface, nullptr);
  EXPECT_EQ(IsMemImgValid(&SoftBackScreen), 1);
  EXPECT_EQ(neighbours.selectedTargets.back(), -2);
  SetDirect3DOffFlag(0);
  EXPECT_EQ(GetDirect3DOffFlag(), 1);
  EXPECT_EQ(SetSoftwareRenderMode(1), 0);
  EXPECT_EQ(IsSoftwareRenderMode(), 1);
}

}  // namespace
