// The main window's procedure and geometry, driven through the window system as host events and
// messages would reach it.
#include <cstring>
#include <string>
#include <vector>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/main_window.h"
#include "media/core/text_input.h"
#include "media/core/window_mode.h"
#include "media/core/window_state.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

class WindowProcedure : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
    window_ = zelvo::QueryMainWindow();
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  // Everything the ring holds, one byte per entry.
  std::string TakeRing() {
    zelvo::LibraryLockGuard lock;
    std::string bytes;
    char c[2];
    int n;
    while ((n = zelvo::TakeTypedChar(c, 1)) > 0) bytes.append(c, static_cast<std::size_t>(n));
    return bytes;
  }
  pf::LResult Send(std::uint32_t message, pf::WParam wParam, pf::LParam lParam = 0) {
    zelvo::LibraryLockGuard lock;
    return pf::SendMessage(window_, message, wParam, lParam);
  }
  pf::WindowHandle window_ = nullptr;
};

TEST_F(WindowProcedure, ClientAreaIsTheScreenSizeCentredOnTheDesktop) {
  pf::Rect client{};
  ASSERT_TRUE(pf::GetClientRect(window_, &client));
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  int width = 0, height = 0;
  std::string title;
  ASSERT_TRUE(pf::testing::HostWindowState(&width, &height, &title));
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(title, std::string("zelvo-test-") + std::to_string(getpid()));
  pf::Rect outer{};
  pf::GetWindowRect(window_, &outer);
  EXPECT_EQ(outer.left, (1024 - (outer.right - outer.left)) / 2);
  EXPECT_EQ(zelvo::g_window.clientRect.right - zelvo::g_window.clientRect.left, 640);
}

TEST_F(WindowProcedure, PaintBeforeReadyFillsTheClientAreaBlack) {
  std::vector<std::uint32_t> frame;
  int width = 0, height = 0;
  EXPECT_GE(pf::testing::LastPresentedFrame(&frame, &width, &height), 1u);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  // Black, whether painted by GDI or shown from the screen surfaces (whose unused top byte is set).
  for (std::uint32_t& pixel : frame) pixel &= 0xFFFFFF;
  EXPECT_EQ(frame, std::vector<std::uint32_t>(640 * 480, 0u));
}

TEST_F(WindowProcedure, CharactersAndEditingKeysEnterTheRing) {
  struct Case { std::uint32_t message; pf::WParam code; const char* expected; };
  const Case cases[] = {
      {pf::WM_CHAR, 10, "\r"},  {pf::WM_CHAR, 9, "\t"},    {pf::WM_CHAR, 8, "\b"},   {pf::WM_CHAR, 'a', "a"},
      {pf::WM_CHAR, 1, ""},     {pf::WM_CHAR, 28, ""},     {pf::WM_CHAR, 27, "\x1b"},
      {pf::WM_KEYDOWN, pf::VK_DELETE, "\x10"}, {pf::WM_KEYDOWN, pf::VK_LEFT, "\x1d"},
      {pf::WM_KEYDOWN, pf::VK_RIGHT, "\x1c"},  {pf::WM_KEYDOWN, pf::VK_UP, "\x1e"},
      {pf::WM_KEYDOWN, pf::VK_DOWN, "\x1f"},   {pf::WM_KEYDOWN, 'A', ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Send(c.message, c.code);
    EXPECT_EQ(TakeRing(), c.expected);
  }
}

TEST_F(WindowProcedure, HostTextArrivesAsCp932Characters) {
  pf::testing::InjectText("a\xE3\x81\x82");   // UTF-8, as the host reports text
  pf::testing::InjectKey(42, true);   // Backspace: no text from the host, the translation makes it
  PumpMessages();
  PumpMessages();
  EXPECT_EQ(TakeRing(), "aあ\b");
}

TEST_F(WindowProcedure, SizingKeepsTheScreenAspect) {
  // Frame of style row 0 with its edges: 5 pixels each side, 19 more for the caption.
  pf::Rect drag{0, 0, 800 + 10, 700 + 10 + 19};
  EXPECT_EQ(Send(pf::WM_SIZING, pf::WMSZ_BOTTOMRIGHT, reinterpret_cast<pf::LParam>(&drag)), 1);
  EXPECT_EQ(drag.right - drag.left - 10, 933);
  EXPECT_EQ(drag.bottom - drag.top - 29, 700);
  EXPECT_DOUBLE_EQ(zelvo::QueryWindowScaleRate(), 933.0 / 640.0);
  pf::Rect wide{0, 0, 800 + 10, 700 + 29};
  Send(pf::WM_SIZING, pf::WMSZ_RIGHT, reinterpret_cast<pf::LParam>(&wide));
  EXPECT_EQ(wide.bottom - wide.top - 29, 600);
}

TEST_F(WindowProcedure, KeepsAtMostOneThousandDroppedFiles) {
  for (int i = 0; i < 1001; ++i) pf::testing::InjectDropFile(("/tmp/dropped" + std::to_string(i)).c_str());
  for (int i = 0; i < 400 && zelvo::g_window.droppedFileCount < 1000; ++i) PumpMessages();
  for (int i = 0; i < 10; ++i) PumpMessages();
  EXPECT_EQ(zelvo::g_window.droppedFileCount, 1000);
  EXPECT_STREQ(zelvo::g_window.droppedFiles[0], "Z:\\tmp\\dropped0");
}

TEST_F(WindowProcedure, ActivationFollowsTheHostFocus) {
  pf::testing::InjectFocus(false);
  pf::testing::InjectFocus(true);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(zelvo::QueryAppActive(), 1);
  pf::testing::InjectMouseWheel(2);
  pf::testing::InjectMouseWheel(-1);
  PumpMessages();
  EXPECT_EQ(zelvo::g_window.wheelCount, 0);
}

// With the block-system-keys option the hook module's hook keeps system keys in the window while it
// is active; it goes with the deactivation, and with the window at shut-down.
TEST_F(WindowProcedure, SystemKeyHookStandsWhileTheWindowIsActive) {
  const char* module = "zzvv_MesHoooooook.dll";
  Send(pf::WM_ACTIVATE, 1);
  EXPECT_FALSE(pf::testing::HostKeyboardGrabbed());   // the option is off
  EXPECT_EQ(pf::testing::LoadedModuleCount(module), 0);
  {
    zelvo::LibraryLockGuard lock;
    zelvo::g_windowSettings.blockSystemKeys = 1;
  }
  Send(pf::WM_ACTIVATE, 1);
  Send(pf::WM_ACTIVATE, 1);
  EXPECT_TRUE(pf::testing::HostKeyboardGrabbed());
  EXPECT_EQ(pf::testing::LoadedModuleCount(module), 1);
  Send(pf::WM_ACTIVATE, 0);
  EXPECT_FALSE(pf::testing::HostKeyboardGrabbed());
  EXPECT_EQ(pf::testing::LoadedModuleCount(module), 0);

  // A module that will not load leaves the keys free; the next activation hooks again.
  pf::testing::FailNextCalls("LoadLibrary", 1);
  Send(pf::WM_ACTIVATE, 1);
  EXPECT_FALSE(pf::testing::HostKeyboardGrabbed());
  pf::testing::FailNextCalls("SetMSGHookDll", 1);
  Send(pf::WM_ACTIVATE, 1);
  EXPECT_FALSE(pf::testing::HostKeyboardGrabbed());
  EXPECT_EQ(pf::testing::LoadedModuleCount(module), 0);
  Send(pf::WM_ACTIVATE, 1);
  EXPECT_TRUE(pf::testing::HostKeyboardGrabbed());

  EXPECT_EQ(ShutDownLibrary(), 0);
  EXPECT_FALSE(pf::testing::HostKeyboardGrabbed());
  EXPECT_EQ(pf::testing::LoadedModuleCount(module), 0);
  zelvo::g_windowSettings.blockSystemKeys = 0;
  ASSERT_EQ(StartUpLibrary(), 0);
}

TEST_F(WindowProcedure, ScreenSaverCommandIsRefusedAndF10NoticesToggle) {
  EXPECT_EQ(Send(pf::WM_SYSCOMMAND, pf::SC_SCREENSAVE), 1);
  Send(1135, 1);
  EXPECT_EQ(zelvo::g_window.f10Flag, 1);
  Send(pf::WM_SYSCOMMAND, pf::SC_KEYMENU);
  EXPECT_EQ(zelvo::g_window.f10Flag, 0);
}

TEST_F(WindowProcedure, WindowModeSwitchWaitsForTheDisplayChangeOnlyBoundedly) {
  EXPECT_EQ(SwitchWindowMode(1), 0);   // already in window mode
  EXPECT_EQ(SwitchWindowMode(0), 0);
  EXPECT_EQ(zelvo::QueryWindowMode(), 0);
  EXPECT_EQ(pf::GetWindowLong(window_, pf::GWL_STYLE), static_cast<std::int32_t>(0x90000000u));
  EXPECT_EQ(SwitchWindowMode(1), 0);
  pf::Rect client{};
  pf::GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_TRUE(InOrder(ReadLog(), {"ChangeWindowMode実行 \r\n", "ウインドウモードフラグが倒されました\r\n",
                                  "ウインドウスタイルをフルスクリーンモード用に変更します... 完了\r\n",
                                  "ウインドウモードフラグが立てられました\r\n",
                                  "ウインドウスタイルをウインドウモード用に変更します... 完了\r\n"}));
}

TEST_F(WindowProcedure, FullScreenFramesLeaveTheQueueEmptyOnceSettled) {
  ASSERT_EQ(SwitchWindowMode(0), 0);
  const std::uint32_t thread = pf::GetCurrentThreadId();
  for (int i = 0; i < 5; ++i) PumpMessages();
  EXPECT_EQ(pf::testing::QueuedMessageCount(thread), 0);
  PumpMessages();   // the per-frame cursor update posts only when the cursor changes
  EXPECT_EQ(pf::testing::QueuedMessageCount(thread), 0);
}

TEST_F(WindowProcedure, StyleIndexOutsideTheTableIsRefused) {
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::SetWindowStyleIndex(7), -1);
  EXPECT_EQ(zelvo::SetWindowStyleIndex(-1), -1);
  EXPECT_EQ(zelvo::SetWindowStyleIndex(1), 0);
  EXPECT_EQ(pf::GetWindowLong(window_, pf::GWL_STYLE) & 0x00C00000, 0);   // no caption in row 1
}

}  // namespace
}  // namespace zelvo_test
