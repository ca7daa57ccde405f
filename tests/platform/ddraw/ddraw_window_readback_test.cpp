// A frame drawn on the DirectDraw back surface, copied to the primary in window mode, read back from
// the real window through the X server. Runs only with the SDL host under a virtual X server (the
// xvfb block of tests/CMakeLists.txt); the headless suite skips it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ddraw/ddraw_testing.h"
#include "platform/testing.h"
#include "tests/platform/ddraw/ddraw_test_window.h"

#if ZELVO_TEST_X11
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace {

using namespace ddraw_test;

std::uint32_t Pattern(int x, int y) {
  return static_cast<std::uint32_t>((x * 255 / 639) << 16 | (y * 255 / 479) << 8 | ((x ^ y) & 0xFF));
}

#if ZELVO_TEST_X11
// The window's pixels as the X server holds them, as 0x00RRGGBB.
bool ReadWindow(std::vector<std::uint32_t>* pixels, int width, int height) {
  SDL_Window* window = nullptr;
  for (Uint32 id = 1; id < 64 && window == nullptr; ++id) window = SDL_GetWindowFromID(id);
  if (window == nullptr) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  Display* display = info.info.x11.display;
  XSync(display, False);
  XImage* image = XGetImage(display, info.info.x11.window, 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  auto channel = [](unsigned long value, unsigned long mask) {
    int shift = __builtin_ctzl(mask);
    int bits = __builtin_popcountl(mask);
    return static_cast<std::uint32_t>(((value & mask) >> shift) << (8 - bits));
  };
  pixels->resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned long v = XGetPixel(image, x, y);
      (*pixels)[static_cast<std::size_t>(y) * width + x] =
          channel(v, image->red_mask) << 16 | channel(v, image->green_mask) << 8 | channel(v, image->blue_mask);
    }
  }
  XDestroyImage(image);
  return true;
}
#endif

TEST(DirectDrawWindowReadback, PresentedFrameIsWhatTheWindowShows) {
  const char* host = std::getenv("ZELVO_HOST");
#if !ZELVO_TEST_X11
  GTEST_SKIP() << "built without X11";
#endif
  if (host == nullptr || std::strcmp(host, "sdl") != 0 || std::getenv("DISPLAY") == nullptr) {
    GTEST_SKIP() << "needs the SDL host on an X display";
  }
#if ZELVO_TEST_X11
  pf::WindowHandle window = OpenTestWindow();
  ASSERT_NE(window, nullptr);
  PumpMessages();
  pf::DirectDraw7* dd = MakeDirectDraw();
  ASSERT_EQ(dd->SetCooperativeLevel(window, pf::DDSCL_NORMAL), pf::DD_OK);
  pf::SurfaceDesc primaryDesc = Desc(pf::DDSCAPS_PRIMARYSURFACE);
  pf::SurfaceDesc backDesc = Desc(pf::DDSCAPS_OFFSCREENPLAIN | pf::DDSCAPS_3DDEVICE, 640, 480);
  pf::DirectDrawSurface7* primary = nullptr;
  pf::DirectDrawSurface7* back = nullptr;
  ASSERT_EQ(dd->CreateSurface(&primaryDesc, &primary, nullptr), pf::DD_OK);
  ASSERT_EQ(dd->CreateSurface(&backDesc, &back, nullptr), pf::DD_OK);
  pf::DirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), pf::DD_OK);
  clipper->SetHWnd(0, window);
  primary->SetClipper(clipper);

  pf::SurfaceDesc locked{};
  ASSERT_EQ(back->Lock(nullptr, &locked, pf::DDLOCK_WAIT, nullptr), pf::DD_OK);
  ASSERT_EQ(locked.pixelFormat.bitCount, 32u);
  for (int y = 0; y < 480; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.surface) + y * locked.pitch);
    for (int x = 0; x < 640; ++x) row[x] = Pattern(x, y);
  }
  back->Unlock(nullptr);

  pf::Point origin{0, 0};
  pf::ClientToScreen(window, &origin);
  const pf::Rect client{origin.x, origin.y, origin.x + 640, origin.y + 480};
  // The window maps asynchronously: present until the X server holds the frame.
  std::vector<std::uint32_t> shown;
  bool same = false;
  for (int attempt = 0; attempt < 200 && !same; ++attempt) {
    ASSERT_EQ(primary->Blt(&client, back, nullptr, pf::DDBLT_WAIT, nullptr), pf::DD_OK);
    PumpMessages();
    ASSERT_TRUE(ReadWindow(&shown, 640, 480));
    same = true;
    for (int y = 0; y < 480 && same; y += 7) {
      for (int x = 0; x < 640 && same; x += 5) same = shown[static_cast<std::size_t>(y) * 640 + x] == Pattern(x, y);
    }
  }
  ASSERT_TRUE(same);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      ASSERT_EQ(shown[static_cast<std::size_t>(y) * 640 + x], Pattern(x, y)) << x << "," << y;
    }
  }
  std::vector<std::uint32_t> presented;
  int width = 0, height = 0;
  pf::testing::LastPresentedFrame(&presented, &width, &height);
  EXPECT_EQ(presented, shown);
  clipper->Release();
  back->Release();
  primary->Release();
  dd->Release();
  pf::DestroyWindow(window);
#endif
}

}  // namespace
