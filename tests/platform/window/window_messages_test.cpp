// The window system's queues and windows, without the library.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/testing.h"
#include "platform/window/window.h"

namespace {

std::vector<std::uint32_t> g_seen;

pf::LResult RecordingProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  g_seen.push_back(message);
  return pf::DefWindowProc(window, message, wParam, lParam);
}

class WindowMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen.clear();
    pf::WindowClass windowClass{0, RecordingProc, nullptr, 0, 0, 0, nullptr, "test-class"};
    ASSERT_NE(pf::RegisterClass(&windowClass), 0);
    window_ = pf::CreateWindowEx(pf::WS_EX_CLIENTEDGE | pf::WS_EX_WINDOWEDGE, "test-class", "title", 0x80CA0000u,
                                 100, 50, 650, 509, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (pf::IsWindow(window_)) pf::DestroyWindow(window_);
    pf::UnregisterClass("test-class", nullptr);
  }
  std::vector<std::uint32_t> Drain() {
    std::vector<std::uint32_t> messages;
    pf::Message message{};
    while (pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE)) {
      messages.push_back(message.message);
      if (message.message == pf::WM_PAINT) pf::ValidateRect(message.window, nullptr);
      if (message.message == pf::WM_QUIT) break;
    }
    return messages;
  }
  pf::WindowHandle window_ = nullptr;
};

TEST_F(WindowMessages, CreationSendsCreateAndTheClassNameIsTakenOnce) {
  EXPECT_EQ(g_seen, std::vector<std::uint32_t>{pf::WM_CREATE});
  pf::WindowClass again{0, RecordingProc, nullptr, 0, 0, 0, nullptr, "test-class"};
  EXPECT_EQ(pf::RegisterClass(&again), 0);
  EXPECT_FALSE(pf::UnregisterClass("test-class", nullptr));   // still used by a window
}

TEST_F(WindowMessages, PostedMessagesComeInOrderAndQuitComesLast) {
  pf::PostQuitMessage(3);
  pf::PostMessage(window_, pf::WM_USER + 1, 0, 0);
  pf::PostThreadMessage(pf::GetCurrentThreadId(), pf::WM_USER + 2, 0, 0);
  pf::Message message{};
  ASSERT_TRUE(pf::PeekMessage(&message, pf::kThreadMessagesOnly, 0, 0, pf::PM_NOREMOVE));
  EXPECT_EQ(message.message, pf::WM_USER + 2u);   // the thread filter skips the window's message
  EXPECT_EQ(Drain(), (std::vector<std::uint32_t>{pf::WM_USER + 1, pf::WM_USER + 2, pf::WM_QUIT}));
  EXPECT_FALSE(pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE));
}

TEST_F(WindowMessages, PaintIsMadeUpUntilValidated) {
  pf::ShowWindow(window_, pf::SW_SHOW);
  pf::Message message{};
  ASSERT_TRUE(pf::PeekMessage(&message, window_, 0, 0, pf::PM_REMOVE));
  EXPECT_EQ(message.message, pf::WM_PAINT);
  ASSERT_TRUE(pf::PeekMessage(&message, window_, 0, 0, pf::PM_REMOVE));   // still needs painting
  pf::DispatchMessage(&message);                                          // the default validates
  EXPECT_FALSE(pf::PeekMessage(&message, window_, 0, 0, pf::PM_REMOVE));
}

TEST_F(WindowMessages, TimersFireOnTheVirtualClock) {
  pf::SetVirtualClock(true);
  ASSERT_EQ(pf::SetTimer(window_, 7, 100), 7u);
  pf::Message message{};
  EXPECT_FALSE(pf::PeekMessage(&message, window_, pf::WM_TIMER, pf::WM_TIMER, pf::PM_REMOVE));
  pf::AdvanceVirtualClock(100);
  ASSERT_TRUE(pf::PeekMessage(&message, window_, pf::WM_TIMER, pf::WM_TIMER, pf::PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_FALSE(pf::PeekMessage(&message, window_, pf::WM_TIMER, pf::WM_TIMER, pf::PM_REMOVE));
  EXPECT_TRUE(pf::KillTimer(window_, 7));
  EXPECT_FALSE(pf::KillTimer(window_, 7));
}

TEST_F(WindowMessages, DestroySendsDestroyAtOnceAndDropsWhatWasQueued) {
  pf::PostMessage(window_, pf::WM_USER + 1, 0, 0);
  ASSERT_TRUE(pf::DestroyWindow(window_));
  EXPECT_EQ(g_seen.back(), pf::WM_DESTROY);
  EXPECT_FALSE(pf::IsWindow(window_));
  EXPECT_EQ(pf::testing::QueuedMessageCount(pf::GetCurrentThreadId()), 0);
  EXPECT_FALSE(pf::PostMessage(window_, pf::WM_USER, 0, 0));
  EXPECT_EQ(pf::SendMessage(window_, pf::WM_USER, 0, 0), 0);
}

TEST_F(WindowMessages, MessagesOfAnotherThreadsWindowStayInItsQueue) {
  std::thread other([&] {
    pf::PostMessage(window_, pf::WM_USER + 5, 0, 0);
    pf::Message message{};
    EXPECT_FALSE(pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE));
  });
  other.join();
  EXPECT_EQ(Drain(), std::vector<std::uint32_t>{pf::WM_USER + 5});
}

TEST_F(WindowMessages, FramesFollowTheStylesAndPlacementSendsMoveAndSize) {
  pf::Rect rect{0, 0, 640, 480};
  ASSERT_TRUE(pf::AdjustWindowRectEx(&rect, 0x80CA0000u, false, 0x300u));
  EXPECT_EQ(rect.left, -5);
  EXPECT_EQ(rect.top, -24);
  EXPECT_EQ(rect.right, 645);
  EXPECT_EQ(rect.bottom, 485);
  pf::Rect plain{0, 0, 640, 480};
  pf::AdjustWindowRectEx(&plain, pf::WS_POPUP, false, 0);
  EXPECT_EQ(plain.left, 0);
  EXPECT_EQ(plain.top, 0);

  pf::Rect client{};
  pf::GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  pf::Point origin{0, 0};
  pf::ClientToScreen(window_, &origin);
  EXPECT_EQ(origin.x, 105);
  EXPECT_EQ(origin.y, 74);

  g_seen.clear();
  pf::SetWindowPos(window_, nullptr, 10, 10, 650, 509, pf::SWP_NOZORDER);
  EXPECT_EQ(g_seen, std::vector<std::uint32_t>{pf::WM_MOVE});
  g_seen.clear();
  pf::MoveWindow(window_, 10, 10, 810, 629, true);
  EXPECT_EQ(g_seen, std::vector<std::uint32_t>{pf::WM_SIZE});
}

TEST_F(WindowMessages, CursorShowCountAndDisplayChanges) {
  EXPECT_EQ(pf::ShowCursor(false), -1);
  EXPECT_EQ(pf::ShowCursor(true), 0);
  pf::BroadcastDisplayChange(32, 800, 600);
  pf::Message message{};
  ASSERT_TRUE(pf::PeekMessage(&message, window_, pf::WM_DISPLAYCHANGE, pf::WM_DISPLAYCHANGE, pf::PM_REMOVE));
  EXPECT_EQ(message.wParam, 32u);
  EXPECT_EQ(message.lParam, 800 | (600 << 16));
}

TEST(InstanceLock, SecondHolderIsRefusedUntilReleased) {
  ASSERT_EQ(pf::AcquireInstanceLock("ゼルボ-lock-test"), 1);
  std::string path = pf::testing::InstanceLockPath("ゼルボ-lock-test");
  EXPECT_NE(path.find("e382bce383abe3839c"), std::string::npos);   // the name's bytes in hex
  int other = open(path.c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);   // as another process would find it
  close(other);
  pf::ReleaseInstanceLock();
  EXPECT_FALSE(std::filesystem::exists(path)) << "the lock file outlives its holder";

  // Another process holding the name refuses us until it lets go the same way.
  other = open(path.c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(pf::AcquireInstanceLock("ゼルボ-lock-test"), 0);
  unlink(path.c_str());
  close(other);
  EXPECT_EQ(pf::AcquireInstanceLock("ゼルボ-lock-test"), 1);
  pf::ReleaseInstanceLock();
  EXPECT_FALSE(std::filesystem::exists(path));
}

// The lock is the user's: it lives in the user's runtime folder, or in a folder of the user's own
// when there is none, never under one name in the shared temporary folder.
TEST(InstanceLock, LivesInTheUsersOwnFolder) {
  const std::string runtime = std::filesystem::temp_directory_path() / ("zelvo-runtime-" + std::to_string(getpid()));
  std::filesystem::create_directories(runtime);
  chmod(runtime.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_EQ(pf::testing::InstanceLockPath("a").rfind(runtime + "/", 0), 0u);
  ASSERT_EQ(pf::AcquireInstanceLock("a"), 1);
  EXPECT_TRUE(std::filesystem::exists(pf::testing::InstanceLockPath("a")));
  pf::ReleaseInstanceLock();

  chmod(runtime.c_str(), 0777);   // a folder others may write is not the user's own
  const std::string own = "/tmp/zelvo-" + std::to_string(geteuid()) + "/";
  EXPECT_EQ(pf::testing::InstanceLockPath("a").rfind(own, 0), 0u);
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(pf::testing::InstanceLockPath("a").rfind(own, 0), 0u);
  ASSERT_EQ(pf::AcquireInstanceLock("a"), 1);
  pf::ReleaseInstanceLock();
  std::filesystem::remove_all(runtime);
}

}  // namespace
