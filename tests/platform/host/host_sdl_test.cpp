// The SDL2 host in a real window. Runs under a virtual X server (the "window" label); elsewhere,
// where the headless host is chosen, it is skipped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/testing.h"
#include "platform/window/window.h"

namespace {

class SdlHost : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = pf::host::CurrentHost();
    if (host_ == nullptr || std::string(host_->Name()) != "sdl") GTEST_SKIP() << "not on the SDL host";
  }
  pf::host::Host* host_ = nullptr;
};

TEST_F(SdlHost, DepthTwentyFourDisplayReadsThirtyTwoBits) {
  int width = 0, height = 0, bits = 0;
  pf::GetDesktopMode(&width, &height, &bits);
  EXPECT_EQ(width, 1024);
  EXPECT_EQ(height, 768);
  EXPECT_EQ(bits, 32);   // four bytes a pixel in memory, though the X depth is 24
}

TEST_F(SdlHost, WindowShowsFramesAndTakesItsTitleAsUtf8) {
  pf::WindowClass windowClass{0, pf::DefWindowProc, nullptr, 0, 0, 0, nullptr, "sdl-test"};
  ASSERT_NE(pf::RegisterClass(&windowClass), 0);
  pf::WindowHandle window = pf::CreateWindowEx(0, "sdl-test", "\x83\x65\x83\x58\x83\x67", pf::WS_POPUP, 0, 0, 320,
                                               200, nullptr, nullptr, nullptr);   // "テスト" in CP932
  ASSERT_NE(window, nullptr);
  pf::ShowWindow(window, pf::SW_SHOW);
  int width = 0, height = 0;
  std::string title;
  ASSERT_TRUE(pf::testing::HostWindowState(&width, &height, &title));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 200);
  EXPECT_EQ(title, "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88");
  std::vector<std::uint32_t> frame(320 * 200, 0x00336699u);
  host_->Present(frame.data(), 320, 200, 320 * 4);
  std::vector<std::uint32_t> back;
  EXPECT_EQ(pf::testing::LastPresentedFrame(&back, &width, &height), 1u);
  EXPECT_EQ(back, frame);
  pf::testing::InjectClose();
  pf::Message message{};
  bool closed = false;
  for (int i = 0; i < 100 && !closed; ++i) {
    while (pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE)) {
      closed = closed || message.message == pf::WM_CLOSE;
      pf::DispatchMessage(&message);
    }
  }
  EXPECT_TRUE(closed);
  EXPECT_FALSE(pf::IsWindow(window));   // the default procedure destroyed it
  EXPECT_FALSE(host_->HasWindow());
}

}  // namespace
