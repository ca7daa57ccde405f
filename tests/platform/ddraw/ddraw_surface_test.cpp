// The DirectDraw stand-in: the primary shows through the host window, blits with fill, stretch,
// clipping and colour key, locks, the flip chain with the vertical blank, display modes, lost
// surfaces and the end of a DirectDraw object.
#include <gtest/gtest.h>

#include <vector>

#include "platform/ddraw/ddraw_testing.h"
#include "platform/ddraw/pixel_view.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"
#include "platform/testing.h"
#include "tests/platform/ddraw/ddraw_test_window.h"

namespace {

using namespace ddraw_test;

class DirectDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::SetVirtualClock(true);
    pf::testing::ResetDisplayStandIn();
    window_ = OpenTestWindow();
    ASSERT_NE(window_, nullptr);
    dd_ = MakeDirectDraw();
    ASSERT_NE(dd_, nullptr);
  }
  void TearDown() override {
    if (dd_ != nullptr) dd_->Release();
    pf::DestroyWindow(window_);
    pf::testing::ClearFaults();
    pf::testing::ResetDisplayStandIn();
  }

  pf::DirectDrawSurface7* Create(pf::SurfaceDesc desc) {
    pf::DirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), pf::DD_OK);
    return surface;
  }

  // A full-screen primary with one back buffer: the front, and its attached back buffer in `back`.
  pf::DirectDrawSurface7* CreateFlipChain(pf::DirectDrawSurface7** back) {
    pf::SurfaceDesc chain = Desc(pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_FLIP | pf::DDSCAPS_COMPLEX);
    chain.flags |= pf::DDSD_BACKBUFFERCOUNT;
    chain.backBufferCount = 1;
    pf::DirectDrawSurface7* front = Create(chain);
    pf::DDCaps2 backCaps{pf::DDSCAPS_BACKBUFFER, 0, 0, 0};
    *back = nullptr;
    if (front != nullptr) {
      EXPECT_EQ(front->GetAttachedSurface(&backCaps, back), pf::DD_OK);
    }
    return front;
  }

  static void Fill(pf::DirectDrawSurface7* surface, const pf::Rect* rect, std::uint32_t value) {
    pf::DDBltFx fx{sizeof(pf::DDBltFx), value, 0};
    ASSERT_EQ(surface->Blt(rect, nullptr, nullptr, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &fx), pf::DD_OK);
  }

  static std::uint32_t ShownPixel(int x, int y) {
    std::vector<std::uint32_t> frame;
    int width = 0, height = 0;
    pf::testing::LastPresentedFrame(&frame, &width, &height);
    return x < width && y < height ? frame[static_cast<std::size_t>(y) * width + x] : 0xDEADBEEF;
  }

  pf::WindowHandle window_ = nullptr;
  pf::DirectDraw7* dd_ = nullptr;
};

TEST_F(DirectDrawTest, ObjectCreationAnswersAsThePlatform) {
  void* object = nullptr;
  EXPECT_EQ(pf::CoCreateInstance(pf::CLSID_DirectDraw7, nullptr, pf::CLSCTX_ALL, pf::IID_IDirect3D7, &object),
            pf::E_NOINTERFACE);
  EXPECT_EQ(dd_->Initialize(nullptr), pf::DDERR_ALREADYINITIALIZED);
  pf::testing::FailNextCalls("DirectDrawCreate", 1);
  EXPECT_NE(pf::CoCreateInstance(pf::CLSID_DirectDraw7, nullptr, pf::CLSCTX_ALL, pf::IID_IDirectDraw7, &object),
            pf::DD_OK);
  EXPECT_EQ(object, nullptr);
  // The old interface hands out its capability block: no overlay stretching.
  void* old = nullptr;
  ASSERT_EQ(dd_->QueryInterface(pf::IID_IDirectDraw, &old), pf::DD_OK);
  pf::DDCaps caps{};
  static_cast<pf::DirectDraw*>(old)->GetCaps(&caps, nullptr);
  EXPECT_EQ(caps.size, 380u);
  EXPECT_EQ(caps.minOverlayStretch, 0u);
  static_cast<pf::DirectDraw*>(old)->Release();
  pf::SurfaceDesc overlay = Desc(pf::DDSCAPS_OVERLAY | pf::DDSCAPS_VIDEOMEMORY, 16, 16);
  pf::DirectDrawSurface7* surface = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&overlay, &surface, nullptr), pf::DDERR_NOOVERLAYHW);
}

TEST_F(DirectDrawTest, WindowPrimaryIsTheDesktopAndTheWindowShowsItsClientArea) {
  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_NORMAL), pf::DD_OK);
  pf::DirectDrawSurface7* primary = Create(Desc(pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_3DDEVICE));
  pf::SurfaceDesc desc{};
  primary->GetSurfaceDesc(&desc);
  EXPECT_EQ(desc.width, 1024u);
  EXPECT_EQ(desc.height, 768u);
  EXPECT_EQ(desc.pixelFormat.bitCount, 32u);
  pf::DirectDrawSurface7* again = nullptr;
  pf::SurfaceDesc second = Desc(pf::DDSCAPS_PRIMARYSURFACE);
  EXPECT_EQ(dd_->CreateSurface(&second, &again, nullptr), pf::DDERR_PRIMARYSURFACEALREADYEXISTS);

  Fill(primary, nullptr, 0x000000);
  const pf::Rect square{kClientLeft + 10, kClientTop + 20, kClientLeft + 12, kClientTop + 22};
  Fill(primary, &square, 0x123456);
  EXPECT_EQ(ShownPixel(10, 20), 0x123456u);
  EXPECT_EQ(ShownPixel(11, 21), 0x123456u);
  EXPECT_EQ(ShownPixel(12, 20), 0u);
  EXPECT_EQ(pf::testing::SurfacePixel(primary, kClientLeft + 10, kClientTop + 20), 0x123456u);
  primary->Release();
}

TEST_F(DirectDrawTest, ClippedBltCutsTheSourceInProportion) {
  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_NORMAL), pf::DD_OK);
  pf::DirectDrawSurface7* primary = Create(Desc(pf::DDSCAPS_PRIMARYSURFACE));
  pf::DirectDrawSurface7* back = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN, 4, 1));
  Fill(primary, nullptr, 0);
  pf::DirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd_->CreateClipper(0, &clipper, nullptr), pf::DD_OK);
  ASSERT_EQ(clipper->SetHWnd(0, window_), pf::DD_OK);
  ASSERT_EQ(primary->SetClipper(clipper), pf::DD_OK);
  const std::uint32_t colors[4] = {0x110000, 0x220000, 0x330000, 0x440000};
  for (int x = 0; x < 4; ++x) {
    pf::Rect cell{x, 0, x + 1, 1};
    Fill(back, &cell, colors[x]);
  }
  // Doubled to 8 x 2 with its left half outside the client area: only source columns 2 and 3 show.
  pf::Rect target{kClientLeft - 4, kClientTop, kClientLeft + 4, kClientTop + 2};
  ASSERT_EQ(primary->Blt(&target, back, nullptr, pf::DDBLT_WAIT, nullptr), pf::DD_OK);
  EXPECT_EQ(ShownPixel(0, 0), 0x330000u);
  EXPECT_EQ(ShownPixel(1, 1), 0x330000u);
  EXPECT_EQ(ShownPixel(2, 0), 0x440000u);
  EXPECT_EQ(ShownPixel(4, 0), 0u);
  EXPECT_EQ(pf::testing::SurfacePixel(primary, kClientLeft - 1, kClientTop), 0u);   // outside the clip: untouched

  // Without a clipper the rectangles must lie inside; formats must agree.
  pf::Rect outside{-1, 0, 3, 1};
  EXPECT_EQ(back->Blt(&outside, back, nullptr, pf::DDBLT_WAIT, nullptr), pf::DDERR_INVALIDRECT);
  pf::DirectDrawSurface7* other = Create(DescWithFormat(pf::DDSCAPS_OFFSCREENPLAIN, 4, 1, 16, 0xF800, 0x7E0, 0x1F));
  EXPECT_EQ(other->Blt(nullptr, back, nullptr, pf::DDBLT_WAIT, nullptr), pf::DDERR_INVALIDPIXELFORMAT);
  EXPECT_EQ(other->BltFast(0, 0, back, nullptr, 0), pf::DDERR_INVALIDPIXELFORMAT);
  other->Release();
  clipper->Release();
  back->Release();
  primary->Release();
}

TEST_F(DirectDrawTest, BltFastSkipsTheSourceKeyRange) {
  pf::DirectDrawSurface7* source = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY, 3, 1));
  pf::DirectDrawSurface7* target = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN, 3, 1));
  for (int x = 0; x < 3; ++x) {
    pf::Rect cell{x, 0, x + 1, 1};
    Fill(source, &cell, static_cast<std::uint32_t>(x));   // 0, 1, 2
  }
  Fill(target, nullptr, 0x777777);
  pf::DDColorKey key{0, 1};
  ASSERT_EQ(source->SetColorKey(pf::DDCKEY_SRCBLT, &key), pf::DD_OK);
  ASSERT_EQ(target->BltFast(0, 0, source, nullptr, pf::DDBLTFAST_SRCCOLORKEY | pf::DDBLTFAST_WAIT), pf::DD_OK);
  EXPECT_EQ(pf::testing::SurfacePixel(target, 0, 0), 0x777777u);
  EXPECT_EQ(pf::testing::SurfacePixel(target, 1, 0), 0x777777u);
  EXPECT_EQ(pf::testing::SurfacePixel(target, 2, 0), 2u);
  ASSERT_EQ(target->BltFast(0, 0, source, nullptr, pf::DDBLTFAST_NOCOLORKEY), pf::DD_OK);
  EXPECT_EQ(pf::testing::SurfacePixel(target, 0, 0), 0u);
  EXPECT_EQ(target->BltFast(1, 0, source, nullptr, 0), pf::DDERR_INVALIDRECT);   // no clipping in BltFast
  source->Release();
  target->Release();
}

TEST_F(DirectDrawTest, LocksAreCheckedAndBlockBlits) {
  pf::DirectDrawSurface7* surface = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN, 8, 8));
  pf::SurfaceDesc locked{};
  pf::Rect outside{4, 4, 9, 8};
  EXPECT_EQ(surface->Lock(&outside, &locked, pf::DDLOCK_WAIT, nullptr), pf::DDERR_INVALIDRECT);
  EXPECT_EQ(surface->Unlock(nullptr), pf::DDERR_NOTLOCKED);
  pf::Rect a{0, 0, 2, 2}, b{2, 2, 4, 4};
  pf::SurfaceDesc first{}, second{};
  ASSERT_EQ(surface->Lock(&a, &first, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
  ASSERT_EQ(surface->Lock(&b, &second, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);   // several at once
  EXPECT_EQ(static_cast<std::uint8_t*>(second.surface) - static_cast<std::uint8_t*>(first.surface),
            2 * first.pitch + 2 * 4);
  static_cast<std::uint32_t*>(first.surface)[0] = 0xABCDEF;
  pf::DDBltFx fx{sizeof fx, 0, 0};
  EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx), pf::DDERR_SURFACEBUSY);
  pf::DeviceContext dc = nullptr;
  EXPECT_EQ(surface->GetDC(&dc), pf::DDERR_SURFACEBUSY);
  surface->Unlock(&a);
  surface->Unlock(&b);
  EXPECT_EQ(pf::testing::SurfacePixel(surface, 0, 0), 0xABCDEFu);
  pf::testing::FailNextCalls("Lock", 1);
  EXPECT_NE(surface->Lock(nullptr, &first, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
  surface->Release();
}

TEST_F(DirectDrawTest, FullScreenFlipChainSwapsBuffersAtTheBlank) {
  EXPECT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), pf::DDERR_NOEXCLUSIVEMODE);
  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE), pf::DD_OK);
  ASSERT_EQ(dd_->SetDisplayMode(640, 480, 16, 60, 0), pf::DD_OK);
  int width = 0, height = 0, bits = 0;
  ASSERT_TRUE(pf::testing::DisplayModeSet(&width, &height, &bits));
  EXPECT_EQ(pf::GetSystemMetrics(pf::SM_CYSCREEN), 480);
  pf::DirectDrawSurface7* back = nullptr;
  pf::DirectDrawSurface7* front = CreateFlipChain(&back);
  ASSERT_NE(back, nullptr);
  pf::SurfaceDesc shape{};
  back->GetSurfaceDesc(&shape);
  EXPECT_EQ(shape.width, 640u);
  EXPECT_EQ(shape.pixelFormat.greenMask, 0x07E0u);

  Fill(front, nullptr, 0x001F);
  Fill(back, nullptr, 0xF800);
  ASSERT_EQ(front->Flip(nullptr, pf::DDFLIP_WAIT), pf::DD_OK);
  std::int32_t inBlank = 0;
  dd_->GetVerticalBlankStatus(&inBlank);
  EXPECT_EQ(inBlank, 1);   // the flip waited for the start of a blank
  EXPECT_EQ(pf::testing::SurfacePixel(front, 0, 0), 0xFF0000u);
  EXPECT_EQ(pf::testing::SurfacePixel(back, 0, 0), 0x0000FFu);   // the old front, not a copy
  // An odd number of flips: the first buffer comes back to the front, and the window (covering the
  // whole display) shows it.
  pf::MoveWindow(window_, 0, 0, 640, 480, false);
  ASSERT_EQ(dd_->FlipToGDISurface(), pf::DD_OK);
  EXPECT_EQ(pf::testing::SurfacePixel(front, 0, 0), 0x0000FFu);
  EXPECT_EQ(ShownPixel(0, 0), 0x0000FFu);
  ASSERT_EQ(dd_->FlipToGDISurface(), pf::DD_OK);   // already there: nothing moves
  EXPECT_EQ(pf::testing::SurfacePixel(front, 0, 0), 0x0000FFu);

  back->Release();
  front->Release();
  dd_->Release();
  dd_ = nullptr;
  EXPECT_FALSE(pf::testing::DisplayModeSet(nullptr, nullptr, nullptr));   // the release gives the desktop back
}

TEST_F(DirectDrawTest, DisplayModesComeFromTheAcceptedList) {
  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE), pf::DD_OK);
  pf::DirectDraw7* second = MakeDirectDraw();
  EXPECT_EQ(second->SetCooperativeLevel(window_, pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE),
            pf::DDERR_EXCLUSIVEMODEALREADYSET);
  second->Release();
  EXPECT_EQ(dd_->SetDisplayMode(640, 400, 16, 0, 0), pf::DDERR_INVALIDMODE);
  EXPECT_EQ(dd_->SetDisplayMode(800, 600, 32, 75, 0), pf::DDERR_INVALIDMODE);   // that rate is not offered
  EXPECT_EQ(dd_->SetDisplayMode(800, 600, 32, 0, 0), pf::DD_OK);
  pf::SurfaceDesc mode{};
  ASSERT_EQ(dd_->GetDisplayMode(&mode), pf::DD_OK);
  EXPECT_EQ(mode.width, 800u);
  EXPECT_EQ(mode.pixelFormat.redMask, 0xFF0000u);
  pf::testing::SetAcceptedDisplayModes({{320, 240, 16, 70}});
  pf::testing::SetDisplay16Bit555(true);
  EXPECT_EQ(dd_->SetDisplayMode(800, 600, 32, 0, 0), pf::DDERR_INVALIDMODE);
  EXPECT_EQ(dd_->SetDisplayMode(320, 240, 16, 70, 0), pf::DD_OK);
  dd_->GetDisplayMode(&mode);
  EXPECT_EQ(mode.pixelFormat.redMask, 0x7C00u);
  pf::testing::SetFaultResult("SetDisplayMode", pf::DDERR_GENERIC);
  pf::testing::FailNextCalls("SetDisplayMode", 1);
  EXPECT_EQ(dd_->SetDisplayMode(320, 240, 16, 0, 0), pf::DDERR_GENERIC);
  EXPECT_EQ(dd_->RestoreDisplayMode(), pf::DD_OK);
  EXPECT_FALSE(pf::testing::DisplayModeSet(nullptr, nullptr, nullptr));
}

TEST_F(DirectDrawTest, LostSurfacesRefuseWorkUntilRestored) {
  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_NORMAL), pf::DD_OK);
  pf::DirectDrawSurface7* primary = Create(Desc(pf::DDSCAPS_PRIMARYSURFACE));
  pf::DirectDrawSurface7* video = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 4, 4));
  pf::DirectDrawSurface7* system = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY, 4, 4));
  pf::SurfaceDesc zDesc = Desc(pf::DDSCAPS_ZBUFFER, 4, 4);
  pf::DirectDrawSurface7* z = Create(zDesc);
  ASSERT_EQ(video->AddAttachedSurface(z), pf::DD_OK);
  Fill(video, nullptr, 0x445566);
  pf::testing::LoseVideoMemory();
  for (pf::DirectDrawSurface7* lost : {primary, video, z}) EXPECT_EQ(lost->IsLost(), pf::DDERR_SURFACELOST);
  EXPECT_EQ(system->IsLost(), pf::DD_OK);
  pf::SurfaceDesc locked{};
  EXPECT_EQ(video->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr), pf::DDERR_SURFACELOST);
  EXPECT_EQ(system->BltFast(0, 0, video, nullptr, 0), pf::DDERR_SURFACELOST);
  pf::DDBltFx fx{sizeof fx, 0, 0};
  EXPECT_EQ(video->Blt(nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx), pf::DDERR_SURFACELOST);
  pf::DeviceContext dc = nullptr;
  EXPECT_EQ(video->GetDC(&dc), pf::DDERR_SURFACELOST);
  ASSERT_EQ(video->Restore(), pf::DD_OK);
  EXPECT_EQ(video->IsLost(), pf::DD_OK);
  EXPECT_NE(pf::testing::SurfacePixel(video, 0, 0), 0x445566u);   // restored memory holds nothing drawn
  for (pf::DirectDrawSurface7* s : {z, system, video, primary}) s->Release();
}

TEST_F(DirectDrawTest, SurfacesOutliveTheirObjectOnlyAsDeadObjects) {
  pf::DirectDrawSurface7* surface = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN, 4, 4));
  pf::DirectDrawClipper* clipper = nullptr;
  dd_->CreateClipper(0, &clipper, nullptr);
  EXPECT_EQ(pf::testing::LiveDirectDrawObjects(), 1);
  dd_->Release();
  dd_ = nullptr;
  EXPECT_EQ(pf::testing::LiveDirectDrawObjects(), 0);
  const int before = pf::testing::CallsOnDeadObjects();
  pf::SurfaceDesc locked{};
  EXPECT_EQ(surface->Lock(nullptr, &locked, 0, nullptr), pf::DDERR_INVALIDOBJECT);
  EXPECT_EQ(clipper->SetHWnd(0, window_), pf::DDERR_INVALIDOBJECT);
  EXPECT_EQ(pf::testing::CallsOnDeadObjects(), before + 2);
  surface->Release();
  clipper->Release();
  EXPECT_EQ(pf::testing::LiveSurfaceCount(), 0);
}

TEST_F(DirectDrawTest, VerticalBlankRunsOnTheClock) {
  std::uint32_t previous = 0;
  int blanks = 0, rises = 0;
  for (int i = 0; i < 2000; ++i) {   // about two frames of 20 us queries
    std::uint32_t line = 0;
    pf::HResult result = dd_->GetScanLine(&line);
    if (result == pf::DDERR_VERTICALBLANKINPROGRESS) {
      ++blanks;
      continue;
    }
    ASSERT_EQ(result, pf::DD_OK);
    ASSERT_LT(line, 768u);
    if (line > previous) ++rises;
    previous = line;
  }
  EXPECT_GT(blanks, 0);
  EXPECT_GT(rises, 1000);
  ASSERT_EQ(dd_->WaitForVerticalBlank(pf::DDWAITVB_BLOCKBEGIN, nullptr), pf::DD_OK);
  std::int32_t inBlank = 0;
  dd_->GetVerticalBlankStatus(&inBlank);
  EXPECT_EQ(inBlank, 1);
  pf::testing::SetVerticalBlankStopped(true);
  for (int i = 0; i < 2000; ++i) {
    dd_->GetVerticalBlankStatus(&inBlank);
    ASSERT_EQ(inBlank, 0);
  }
}

TEST_F(DirectDrawTest, VideoMemoryBudgetAndDeviceContexts) {
  pf::testing::SetVideoMemoryBudget(64 * 64 * 4);
  pf::DirectDrawSurface7* video = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN, 64, 64));
  pf::SurfaceDesc more = Desc(pf::DDSCAPS_OFFSCREENPLAIN, 1, 1);
  pf::DirectDrawSurface7* refused = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&more, &refused, nullptr), pf::DDERR_OUTOFVIDEOMEMORY);
  pf::DirectDrawSurface7* system = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY, 64, 64));
  pf::DDCaps2 caps{};
  video->GetCaps(&caps);
  EXPECT_TRUE(caps.caps & pf::DDSCAPS_VIDEOMEMORY);
  system->GetCaps(&caps);
  EXPECT_TRUE(caps.caps & pf::DDSCAPS_SYSTEMMEMORY);

  // GDI copies between surface contexts and converts: a 5:6:5 surface to the 32-bit one.
  pf::DirectDrawSurface7* rgb565 =
      Create(DescWithFormat(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY, 2, 2, 16, 0xF800, 0x7E0, 0x1F));
  Fill(rgb565, nullptr, 0xF81F);
  pf::DeviceContext from = nullptr, to = nullptr;
  ASSERT_EQ(rgb565->GetDC(&from), pf::DD_OK);
  ASSERT_EQ(system->GetDC(&to), pf::DD_OK);
  pf::DeviceContext twice = nullptr;
  EXPECT_EQ(system->GetDC(&twice), pf::DDERR_SURFACEBUSY);
  EXPECT_TRUE(pf::BitBlt(to, 0, 0, 2, 2, from, 0, 0, pf::SRCCOPY));
  system->ReleaseDC(to);
  rgb565->ReleaseDC(from);
  EXPECT_EQ(pf::testing::SurfacePixel(system, 1, 1), 0xFF00FFu);
  pf::DirectDrawSurface7* argb4444 = Create(DescWithFormat(pf::DDSCAPS_TEXTURE | pf::DDSCAPS_SYSTEMMEMORY, 2, 2, 16,
                                                           0x0F00, 0x00F0, 0x000F, 0xF000));
  EXPECT_EQ(argb4444->GetDC(&from), pf::DDERR_CANTCREATEDC);
  for (pf::DirectDrawSurface7* s : {argb4444, rgb565, system, video}) s->Release();
}

TEST_F(DirectDrawTest, PaletteColoursAnEightBitPrimary) {
  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE), pf::DD_OK);
  ASSERT_EQ(dd_->SetDisplayMode(640, 480, 8, 0, 0), pf::DD_OK);
  pf::MoveWindow(window_, 0, 0, 640, 480, false);
  pf::DirectDrawSurface7* primary = Create(Desc(pf::DDSCAPS_PRIMARYSURFACE));
  pf::PaletteEntry entries[256] = {};
  entries[7] = pf::PaletteEntry{0x10, 0x20, 0x30, 0};
  pf::DirectDrawPalette* palette = nullptr;
  ASSERT_EQ(dd_->CreatePalette(pf::DDPCAPS_8BIT, entries, &palette, nullptr), pf::DD_OK);
  ASSERT_EQ(primary->SetPalette(palette), pf::DD_OK);
  Fill(primary, nullptr, 7);
  EXPECT_EQ(ShownPixel(5, 5), 0x102030u);
  pf::PaletteEntry back[256];
  palette->GetEntries(0, 0, 256, back);
  EXPECT_EQ(back[7].green, 0x20);
  palette->Release();
  primary->Release();
}

// New memory holds the undefined-content bytes whatever the surface's size (large ones are mapped
// apart from the heap), a lost and restored one gets them back, and a flip carries them along.
TEST_F(DirectDrawTest, NewAndRestoredSurfacesHoldTheUndefinedContent) {
  constexpr std::uint32_t kUndefined = 0xCDCDCDu;
  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_NORMAL), pf::DD_OK);
  struct Size {
    int width, height;
  };
  for (const Size size : {Size{4, 4}, Size{640, 480}, Size{1024, 1024}}) {
    pf::DirectDrawSurface7* surface =
        Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_SYSTEMMEMORY, size.width, size.height));
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(pf::testing::SurfacePixel(surface, 0, 0), kUndefined) << size.width;
    EXPECT_EQ(pf::testing::SurfacePixel(surface, size.width - 1, size.height - 1), kUndefined) << size.width;
    pf::SurfaceDesc locked{};
    ASSERT_EQ(surface->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
    const auto* bytes = static_cast<const std::uint8_t*>(locked.surface);
    EXPECT_EQ(bytes[static_cast<std::size_t>(locked.pitch) * (size.height - 1) + 3], 0xCD) << size.width;
    ASSERT_EQ(surface->Unlock(nullptr), pf::DD_OK);
    surface->Release();
  }

  pf::DirectDrawSurface7* video = Create(Desc(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 640, 480));
  Fill(video, nullptr, 0x123456);
  pf::testing::LoseVideoMemory();
  ASSERT_EQ(video->Restore(), pf::DD_OK);
  EXPECT_EQ(pf::testing::SurfacePixel(video, 639, 479), kUndefined);
  video->Release();

  ASSERT_EQ(dd_->SetCooperativeLevel(window_, pf::DDSCL_FULLSCREEN | pf::DDSCL_EXCLUSIVE), pf::DD_OK);
  ASSERT_EQ(dd_->SetDisplayMode(640, 480, 32, 0, 0), pf::DD_OK);
  pf::DirectDrawSurface7* back = nullptr;
  pf::DirectDrawSurface7* front = CreateFlipChain(&back);
  ASSERT_NE(back, nullptr);
  Fill(front, nullptr, 0x00FF00);   // the back buffer is never touched before the flip
  ASSERT_EQ(front->Flip(nullptr, pf::DDFLIP_WAIT), pf::DD_OK);
  EXPECT_EQ(pf::testing::SurfacePixel(front, 10, 10), kUndefined);
  EXPECT_EQ(pf::testing::SurfacePixel(back, 10, 10), 0x00FF00u);
  back->Release();
  front->Release();
}

// A colour fill writes its rectangle and nothing around it, in each pixel size, at offsets and
// widths that leave partial sixteen-byte steps, with pixels of equal and of different bytes.
TEST(PixelFillTest, ColourFillWritesExactlyTheRectangle) {
  struct Case {
    pf::pixels::Layout layout;
    std::uint32_t raw;
  };
  const Case cases[] = {{pf::pixels::Palette8(), 0x5A}, {pf::pixels::Rgb565(), 0xF81F}, {pf::pixels::Rgb565(), 0x4242},
                        {pf::pixels::Rgb888(), 0x123456}, {pf::pixels::Rgb888(), 0x777777},
                        {pf::pixels::Xrgb8888(), 0x00ABCDEF}, {pf::pixels::Xrgb8888(), 0}};
  constexpr int kWide = 40, kTall = 6;
  constexpr std::uint8_t kUntouched = 0xC3;
  for (const Case& c : cases) {
    const int bytes = c.layout.bitsPerPixel / 8;
    for (const int x : {0, 1, 3}) {
      for (const int width : {1, 5, 8, 13, 33}) {
        const int pitch = kWide * bytes + 3;
        std::vector<std::uint8_t> memory(static_cast<std::size_t>(pitch) * kTall, kUntouched);
        const pf::pixels::View view{memory.data(), kWide, kTall, pitch, c.layout, nullptr};
        pf::pixels::FillRaw(view, x, 1, width, 4, c.raw);
        for (int row = 0; row < kTall; ++row) {
          for (int column = 0; column < pitch; ++column) {
            const bool inside = row >= 1 && row < 5 && column >= x * bytes && column < (x + width) * bytes;
            const std::uint8_t expected =
                inside ? static_cast<std::uint8_t>(c.raw >> (8 * ((column - x * bytes) % bytes))) : kUntouched;
            ASSERT_EQ(memory[static_cast<std::size_t>(row) * pitch + column], expected)
                << "bits " << c.layout.bitsPerPixel << " raw " << c.raw << " x " << x << " width " << width << " at "
                << column << "," << row;
          }
        }
      }
    }
  }
}

}  // namespace
