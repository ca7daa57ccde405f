// Direct3D start-up on every driver profile: the path it leads to (Direct3D, or software rendering
// when the device cannot be had), the chosen device, the texture format table and limits, the log,
// and the release and re-acquire pair around a display change.
#include "tests/display/d3d_fixture.h"

namespace {

using namespace screen_test;
using namespace zelvo;

using Direct3DStart = Direct3DScreenTest;

std::uint32_t AlphaMask(int descriptor) { return TextureFormatTable[descriptor].format.ChannelMask[3]; }
int Depth(int descriptor) { return TextureFormatTable[descriptor].format.ColorBitDepth; }

TEST_F(Direct3DStart, ProfileALogsItsStartInOrderAndFillsTheFormatTable) {
  ASSERT_EQ(StartOn('A'), 0);
  EXPECT_EQ(g_screen.softwareRendering, 0);
  EXPECT_EQ(g_d3d.started, 1);
  ASSERT_NE(g_d3d.object, nullptr);
  EXPECT_TRUE(g_d3d.chosenDevice.deviceGuid == pf::IID_IDirect3DTnLHalDevice);
  EXPECT_EQ(g_d3d.currentDevice, 0);
  EXPECT_EQ(g_d3d.slots[0].valid, 1);
  EXPECT_EQ(g_d3d.slots[0].defaultRenderTarget, GetFrontSurface());
  EXPECT_EQ(g_d3d.sceneEndsAfterEachDraw, 1);
  EXPECT_EQ(g_d3d.grabChoice[0], -1);
  EXPECT_EQ(g_d3d.grabChoice[1], -1);
  EXPECT_EQ(g_d3d.maxTextureSize, 2048);
  EXPECT_EQ(g_d3d.minTextureSize, 1);
  // 16 and 32 bits without alpha, 4:4:4:4, 8:8:8:8, 1:5:5:5, and the copies.
  EXPECT_EQ(Depth(0), 16);
  EXPECT_EQ(TextureFormatTable[0].format.ChannelMask[1], 0x07E0u);   // the first 16-bit format
  EXPECT_EQ(Depth(1), 32);
  EXPECT_EQ(AlphaMask(2), 0xF000u);
  EXPECT_EQ(AlphaMask(3), 0xFF000000u);
  EXPECT_EQ(AlphaMask(4), 0x8000u);
  EXPECT_EQ(AlphaMask(5), 0xFF000000u);
  EXPECT_EQ(Depth(6), 16);
  EXPECT_EQ(Depth(7), 32);
  EXPECT_EQ(AlphaMask(8), 0xFF000000u);
  EXPECT_EQ(ZBufferPixelFormat.RGBBitCount, 16u);

  const std::string log = Log();
  std::size_t at = 0;
  for (const char* line : {"Direct3D 関連の初期化を行います", "Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します",
                           "Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました",
                           "３Ｄデバイスを作成します... ３Ｄデバイスの作成に成功しました",
                           "テクスチャ最大幅:2048 最小幅:1",
                           "描画制限: D_D3DPTEXTURECAPS_POW2 = 1  D_D3DPTEXTURECAPS_SQUAREONLY = 0",
                           "テクスチャピクセルフォーマット", "\t通常グラフィック用",
                           "\t\t BIT:16  RED:5  GREEN:6  BLUE:5", "\t\t RED:00f800 GREEN:0007e0 BLUE:00001f ",
                           "\t\t BIT:32  RED:8  GREEN:8  BLUE:8", "\tアルファチャンネル付きグラフィック用",
                           "\t\t BIT:16  ALPHA:4  RED:4  GREEN:4  BLUE:4",
                           "\t\t ALPHA:0000f000 RED:00000f00 GREEN:000000f0 BLUE:0000000f ",
                           "\t\t BIT:32  ALPHA:8  RED:8  GREEN:8  BLUE:8",
                           "Direct3D 関連の初期化は正常に終了しました"}) {
    const std::size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing in order: " << line;
    at = found + 1;
  }

  EXPECT_EQ(G_D3D_Start(), -1);   // a second start changes nothing
  ShutDownDirectDraw();
  EXPECT_EQ(g_d3d.object, nullptr);
  EXPECT_EQ(g_d3d.started, 0);
  EXPECT_EQ(g_d3d.slots[0].valid, 0);
  EXPECT_TRUE(Has(Log(), "Direct3D 関連の終了処理は正常に終了しました"));
  EXPECT_EQ(pf::testing::LiveDirectDrawObjects(), 0);
  EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
  EXPECT_EQ(G_D3D_End(), -1);
}

TEST_F(Direct3DStart, EveryProfileLeadsToItsPath) {
  struct Case {
    char profile;
    bool fullScreen16;
    bool direct3D;               // false: the screen fell back to software rendering
    const char* line;            // a line the start logs
  };
  const Case cases[] = {
      {'B', false, false, "現在の画面モードで使用できる描画デバイスが見つかりませんでした"},
      {'C', false, true, "\t\t BIT:0  ALPHA:0  RED:0  GREEN:0  BLUE:0"},
      {'D', false, true, "D_D3DPTEXTURECAPS_SQUAREONLY = 1"},
      {'E', false, true, "Direct3D 関連の初期化は正常に終了しました"},
      {'F', false, false, "使用可能なＺバッファが見つかりませんでした"},
      {'G', false, true, "テクスチャ最大幅:256 最小幅:32"},
      {'H', true, true, "\t\t BIT:16  RED:5  GREEN:5  BLUE:5"},
      {'I', false, false, "Direct3Dオブジェクトの作成に失敗しました"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.profile));
    g_screen.softwareRendering = 0;
    ASSERT_EQ(StartOn(c.profile, c.fullScreen16), 0);
    const std::string log = Log();
    EXPECT_TRUE(Has(log, c.line)) << c.line;
    EXPECT_EQ(g_screen.softwareRendering, c.direct3D ? 0 : 1);
    EXPECT_EQ(g_d3d.started, c.direct3D ? 1 : 0);
    EXPECT_EQ(g_d3d.object != nullptr, c.direct3D);
    if (c.direct3D) {
      EXPECT_TRUE(g_d3d.chosenDevice.deviceGuid == pf::IID_IDirect3DTnLHalDevice);
    }
    if (c.profile == 'C') {
      EXPECT_EQ(Depth(2), 0);
      EXPECT_EQ(AlphaMask(4), 0x8000u);   // 1:5:5:5 is still offered
      EXPECT_EQ(AlphaMask(3), 0xFF000000u);
      EXPECT_EQ(AlphaMask(5), 0xFF000000u);
      EXPECT_EQ(AlphaMask(8), 0xFF000000u);
    }
    if (c.profile == 'D') {
      EXPECT_EQ(g_d3d.maxTextureSize, 256);
    }
    if (c.profile == 'H') {
      EXPECT_EQ(TextureFormatTable[0].format.ChannelMask[0], 0x7C00u);   // the screen's 5:5:5
    }
    ShutDownDirectDraw();
    EXPECT_EQ(g_d3d.object, nullptr);
    EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
    ResetScreenState();
    neighbours.windowMode = 1;
  }
}

TEST_F(Direct3DStart, FailingDeviceOrFormatCallsUnwindToSoftwareRendering) {
  for (const char* call : {"CreateDevice", "EnumDevices", "EnumZBufferFormats", "EnumTextureFormats"}) {
    SCOPED_TRACE(call);
    pf::testing::FailNextCalls(call, 1);
    g_screen.softwareRendering = 0;
    ASSERT_EQ(StartOn('A'), 0);
    EXPECT_EQ(g_screen.softwareRendering, 1);
    EXPECT_EQ(g_d3d.object, nullptr);
    EXPECT_EQ(g_d3d.slots[0].valid, 0);
    ShutDownDirectDraw();
    EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
    pf::testing::ClearFaults();
    ResetScreenState();
  }
}

TEST_F(Direct3DStart, ReleaseAndReacquireKeepTheSlotAndForceItsStatesBack) {
  EXPECT_EQ(ReleaseDirect3DObject(), -1);   // before start-up: nothing to do
  EXPECT_EQ(GetDirect3DObject(), 0);
  ASSERT_EQ(StartOn('A'), 0);
  Log();
  g_d3d.slots[0].filter = 1;
  ASSERT_EQ(ReleaseDirect3DObject(), 0);
  EXPECT_EQ(g_d3d.object, nullptr);
  EXPECT_EQ(g_d3d.slots[0].device, nullptr);
  EXPECT_EQ(g_d3d.slots[0].valid, 1);
  std::string log = Log();
  const std::size_t deleted = log.find("Ｄｉｒｅｃｔ３Ｄデバイスを削除しました");
  const std::size_t releasing = log.find("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放します");
  const std::size_t released = log.find("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放しました");
  ASSERT_NE(released, std::string::npos);
  EXPECT_LT(deleted, releasing);
  EXPECT_LT(releasing, released);
  EXPECT_EQ(ReleaseDirect3DObject(), 0);
  EXPECT_TRUE(Has(Log(), "Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています"));

  pf::testing::TraceDirect3D(true);
  ASSERT_EQ(GetDirect3DObject(), 0);
  ASSERT_NE(g_d3d.slots[0].device, nullptr);
  EXPECT_EQ(g_d3d.slots[0].force, 0);
  const std::vector<std::string> trace = pf::testing::TakeDirect3DTrace();
  // The new device renders to the back surface and gets the cached linear filter.
  bool target = false, filter = false;
  for (const std::string& line : trace) {
    if (line.rfind("SetRenderTarget", 0) == 0) target = true;
    if (line == "SetTextureStageState 0 16 2") filter = true;
  }
  EXPECT_TRUE(target);
  EXPECT_TRUE(filter);
  EXPECT_TRUE(Has(Log(), "Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました"));
  EXPECT_EQ(GetDirect3DObject(), 0);
  EXPECT_TRUE(Has(Log(), "Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されていますn"));
}

}  // namespace
