// Bringing the DirectDraw screen up in window and full-screen mode, falling back to software
// rendering, restoring lost surfaces, and shutting down.
#include "tests/display/screen_fixture.h"

#include "media/core/system_report.h"

namespace {

using namespace screen_test;
using namespace zelvo;

using ScreenStartTest = ScreenTest;

TEST_F(ScreenStartTest, WindowModeFollowsTheDesktopAndMakesEveryOutputSurface) {
  ASSERT_EQ(StartDirectDrawScreen(), 0);
  const std::string log = Log();
  EXPECT_EQ(g_screen.ready, 1);
  EXPECT_EQ(g_screen.softwareRendering, 0);
  EXPECT_EQ(g_screen.colorDepth, 32);          // the desktop's depth in window mode
  EXPECT_EQ(g_screen.screenFormatKind, kScreen888);
  EXPECT_EQ(g_screen.cooperativeLevel, static_cast<std::uint32_t>(pf::DDSCL_NORMAL));
  EXPECT_EQ(neighbours.direct3DStarts, 1);
  EXPECT_EQ(neighbours.managerStarts, 1);
  ASSERT_NE(g_screen.primarySurface, nullptr);
  ASSERT_NE(g_screen.clipper, nullptr);
  EXPECT_EQ(g_screen.palette, nullptr);        // only 8-bit screens have one
  pf::SurfaceDesc primary{}, back{};
  g_screen.primarySurface->GetSurfaceDesc(&primary);
  g_screen.backSurface->GetSurfaceDesc(&back);
  EXPECT_EQ(primary.width, 1024u);             // the primary is the desktop
  EXPECT_EQ(back.width, 640u);
  EXPECT_EQ(pf::testing::SurfacePixel(g_screen.backSurface, 639, 479), 0u);
  pf::DDColorKey key{1, 1};
  EXPECT_EQ(g_screen.workSurface1->GetColorKey(pf::DDCKEY_SRCBLT, &key), pf::DD_OK);
  EXPECT_EQ(key.low, 0u);
  EXPECT_EQ(GetFrontSurface(), g_screen.primarySurface);
  // Start-up selects the back screen, clears it and selects the front screen.
  EXPECT_EQ(neighbours.selectedTargets, (std::vector<int>{-2, -4}));
  for (const char* line : {"DirectDraw 関連の初期化を行います", "画面モードの変更処理を開始します 640 x 480  16 bit ",
                           "ウインドウモードにします", "ALPHA:00000000 RED:00ff0000 GREEN:0000ff00 BLUE:000000ff",
                           "PrimaryBuffer : VIDEOMEMORY  ", "BaskBuffer : VIDEOMEMORY  ",
                           "サーフェス間転送には BitBlt を使用します", "オーバーレイサーフェスは使用しません",
                           "DirectDraw 関連の初期化は正常に終了しました"}) {
    EXPECT_TRUE(Has(log, line)) << line;
  }
  EXPECT_FALSE(Has(log, "ビデオカードドライバ:"));
  EXPECT_EQ(SystemInfoRecord()->videoMemoryTotal, 0x1000000u);   // 16 MiB when not asked

  EXPECT_EQ(InitDirectDraw(), -1);             // a second start changes nothing
  EXPECT_EQ(ShutDownDirectDraw(), 0);
  EXPECT_EQ(g_screen.ready, 0);
  EXPECT_EQ(pf::testing::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
  EXPECT_TRUE(Has(Log(), "DirectDraw 関連の終了処理は正常に終了しました"));
  EXPECT_EQ(ShutDownDirectDraw(), 0);          // safe when nothing runs
}

TEST_F(ScreenStartTest, FullScreenStartsBlackOnAFlipChain) {
  neighbours.windowMode = 0;
  g_screen.width = 800;
  g_screen.height = 600;
  g_screen.colorDepth = 16;
  ASSERT_EQ(InitDirectDraw(), 0);
  int width = 0, height = 0, bits = 0;
  ASSERT_TRUE(pf::testing::DisplayModeSet(&width, &height, &bits));
  EXPECT_EQ(width, 800);
  EXPECT_EQ(bits, 16);
  EXPECT_EQ(g_screen.displayModeChanged, 1);
  EXPECT_EQ(g_screen.screenFormatKind, kScreen565);
  EXPECT_EQ(g_screen.cooperativeLevel, static_cast<std::uint32_t>(pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE));
  pf::SurfaceDesc primary{};
  g_screen.primarySurface->GetSurfaceDesc(&primary);
  EXPECT_EQ(primary.backBufferCount, 1u);
  // Both buffers hold black, not the undefined content of new surfaces.
  EXPECT_EQ(pf::testing::SurfacePixel(g_screen.primarySurface, 799, 599), 0u);
  EXPECT_EQ(pf::testing::SurfacePixel(g_screen.backSurface, 0, 0), 0u);
  const std::string log = Log();
  EXPECT_TRUE(Has(log, "画面解像度を変更します... 成功しました"));
  EXPECT_TRUE(Has(log, "スキャンラインの数:600"));
  ShutDownDirectDraw();
  EXPECT_FALSE(pf::testing::DisplayModeSet(nullptr, nullptr, nullptr));
}

TEST_F(ScreenStartTest, EightBitFullScreenHasAPaletteOnEveryBuffer) {
  neighbours.windowMode = 0;
  g_screen.colorDepth = 8;
  ASSERT_EQ(InitDirectDraw(), 0);
  ASSERT_NE(g_screen.palette, nullptr);
  pf::DirectDrawPalette* palette = nullptr;
  ASSERT_EQ(g_screen.backSurface->GetPalette(&palette), pf::DD_OK);
  EXPECT_EQ(palette, g_screen.palette);
  palette->Release();
  pf::PaletteEntry entries[256];
  g_screen.palette->GetEntries(0, 0, 256, entries);
  EXPECT_EQ(entries[0].red + entries[0].green + entries[0].blue, 0);
  EXPECT_EQ(entries[255].red & entries[255].green & entries[255].blue, 255);
  RestoreScreenPalette();
  ASSERT_NE(g_screen.palette, nullptr);
}

TEST_F(ScreenStartTest, ShiftAtStartLogsTheVideoCard) {
  pf::testing::InjectKey(225, true);
  ddraw_test::PumpMessages();
  ASSERT_EQ(InitDirectDraw(), 0);
  const std::string log = Log();
  EXPECT_TRUE(Has(log, "ビデオカードドライバ:zelvo_display バージョン:1.0.0.1 "));
  EXPECT_TRUE(Has(log, "ビデオメモリ総量:64.00MB"));
  // The system-information record holds what the log shows.
  EXPECT_STREQ(SystemInfoRecord()->videoDriverName, "zelvo_display");
  EXPECT_EQ(SystemInfoRecord()->videoMemoryTotal, 64u << 20);
}

TEST_F(ScreenStartTest, ScreensFallBackToSoftwareRenderingWhenDirectDrawCannotStart) {
  struct Case {
    const char* failure;          // what refuses
    int direct3DResult;
  };
  const Case cases[] = {{"", -1}, {"AddAttachedSurface", 0}, {"CreateSurfaceZ", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    ShutDownDirectDraw();
    ResetScreenState();
    neighbours.direct3DResult = c.direct3DResult;
    if (std::string(c.failure) == "AddAttachedSurface") pf::testing::FailNextCalls("AddAttachedSurface", 1);
    if (std::string(c.failure) == "CreateSurfaceZ") pf::testing::SetVideoMemoryBudget(640 * 480 * 4 + 16);   // the back surface fits, the Z buffer not
    ASSERT_EQ(StartDirectDrawScreen(), 0);
    const std::string log = Log();
    EXPECT_TRUE(Has(log, "ソフトウエアレンダリングモードに変更します"));
    EXPECT_EQ(g_screen.softwareRendering, 1);
    EXPECT_EQ(g_screen.gdiOutput, 1);
    EXPECT_EQ(GetDirect3DOffFlag(), 1);
    EXPECT_EQ(IsDirectDrawMode(), 0);
    // The DirectDraw object lives on; no clipper, palette or DirectDraw surface does.
    EXPECT_NE(g_screen.directDraw, nullptr);
    EXPECT_EQ(g_screen.clipper, nullptr);
    EXPECT_EQ(g_screen.primarySurface, nullptr);
    EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
    EXPECT_EQ(IsMemImgValid(&SoftScreen), 1);
    EXPECT_EQ(IsMemImgValid(&SoftBackScreen), 1);
    EXPECT_EQ(SoftDepthScreen.colorType, kMemImgDepth16);
    EXPECT_TRUE(Has(log, "PrimaryBuffer : SYSTEMMEMORY( MEMIMG ) "));
    EXPECT_EQ(g_screen.measuredRefresh, 60);
    EXPECT_EQ(g_screen.framePeriod, -1);
    pf::testing::SetVideoMemoryBudget(64u << 20);
  }
  SetSoftwareRenderMode(1);                    // once on, it stays on
  EXPECT_EQ(IsSoftwareRenderMode(), 1);
  ShutDownDirectDraw();
  EXPECT_EQ(IsMemImgValid(&SoftScreen), 0);
}

TEST_F(ScreenStartTest, LostScreenSurfacesAreRestoredButWorkSurfacesAreNotAsked) {
  EXPECT_EQ(RestoreLostScreenSurfaces(), -1);  // no DirectDraw object
  ASSERT_EQ(InitDirectDraw(), 0);
  pf::testing::LoseVideoMemory();
  for (pf::DirectDrawSurface7* s : {g_screen.primarySurface, g_screen.backSurface, g_screen.zBufferSurface}) {
    EXPECT_EQ(s->IsLost(), pf::DDERR_SURFACELOST);
  }
  EXPECT_EQ(g_screen.workSurface1->IsLost(), pf::DD_OK);   // system memory is never lost
  pf::testing::FailNextCalls("Restore", 1);    // the result of Restore is not looked at
  EXPECT_EQ(RestoreLostScreenSurfaces(), 0);
  EXPECT_EQ(g_screen.primarySurface->IsLost(), pf::DDERR_SURFACELOST);
  EXPECT_EQ(RestoreLostScreenSurfaces(), 0);
  for (pf::DirectDrawSurface7* s : {g_screen.primarySurface, g_screen.backSurface, g_screen.zBufferSurface}) {
    EXPECT_EQ(s->IsLost(), pf::DD_OK);
  }
  Services().graphicsEnding = [] { return 1; };
  pf::testing::LoseVideoMemory();
  EXPECT_EQ(RestoreLostScreenSurfaces(), 0);
  EXPECT_EQ(g_screen.backSurface->IsLost(), pf::DDERR_SURFACELOST);
}

TEST_F(ScreenStartTest, FatalFailuresEndTheProcess) {
  EXPECT_EXIT(
      {
        pf::testing::FailNextCalls("DirectDrawCreate", 1);
        InitDirectDraw();
      },
      ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(
      {
        pf::testing::FailNextCalls("CreateClipper", 1);
        InitDirectDraw();
      },
      ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(
      {
        pf::testing::SetHeadlessDesktop(600, 400, 32);   // smaller than the window-mode screen
        InitDirectDraw();
      },
      ::testing::ExitedWithCode(255), "");
}

}  // namespace

namespace {

using namespace screen_test;
using namespace zelvo;

using DisplayRebuildTest = ScreenTest;

TEST_F(DisplayRebuildTest, ObjectIsReleasedAndMadeAgainAroundALostDisplay) {
  neighbours.windowMode = 0;
  ASSERT_EQ(InitDirectDraw(), 0);
  Log();
  // The order of the graphics front end's rebuild after the display was lost or changed.
  ReleaseOutputSurfaces();
  ReleaseScreenClipper();
  EXPECT_EQ(ReleaseDirectDrawObject(), 0);
  EXPECT_EQ(g_screen.directDraw, nullptr);
  EXPECT_EQ(g_screen.displayModeChanged, 0);
  EXPECT_FALSE(pf::testing::DisplayModeSet(nullptr, nullptr, nullptr));
  EXPECT_EQ(pf::testing::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(ReleaseDirectDrawObject(), 0);
  std::string log = Log();
  EXPECT_TRUE(Has(log, "ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました"));
  EXPECT_TRUE(Has(log, "既に解放されています"));

  EXPECT_EQ(RecreateDirectDraw(), 0);
  ASSERT_NE(g_screen.directDraw, nullptr);
  ASSERT_NE(g_screen.clipper, nullptr);
  int width = 0;
  EXPECT_TRUE(pf::testing::DisplayModeSet(&width, nullptr, nullptr));
  EXPECT_EQ(width, 640);
  ASSERT_EQ(CreateOutputSurfaces(), 0);
  EXPECT_EQ(CreateOutputSurfaces(), -1);      // the primary already exists
  EXPECT_EQ(RestoreScreenPalette(), 0);        // nothing to do on a 16-bit screen
  EXPECT_EQ(g_screen.palette, nullptr);
  EXPECT_EQ(LeaveFullScreenMode(), 0);
  EXPECT_FALSE(pf::testing::DisplayModeSet(nullptr, nullptr, nullptr));
}

}  // namespace
