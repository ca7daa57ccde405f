// The per-frame pump: its message budget, quit and close, the inactive wait, the message thread's
// period and the pumping sleep.
#include <atomic>
#include <thread>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/message_pump.h"
#include "media/core/window_state.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

class MessagePump : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
    window_ = pf::testing::HostWindowHandle();
    ASSERT_NE(window_, nullptr);
    thread_ = pf::GetCurrentThreadId();
    for (int i = 0; i < 20 && pf::testing::QueuedMessageCount(thread_) > 0; ++i) PumpMessages();
    ASSERT_EQ(pf::testing::QueuedMessageCount(thread_), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  pf::WindowHandle window_ = nullptr;
  std::uint32_t thread_ = 0;
};

TEST_F(MessagePump, DispatchesAtMostFiveMessagesPerCall) {
  for (int i = 0; i < 12; ++i) pf::PostMessage(window_, pf::WM_USER + 1, 0, 0);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(pf::testing::QueuedMessageCount(thread_), 7);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(pf::testing::QueuedMessageCount(thread_), 2);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(pf::testing::QueuedMessageCount(thread_), 0);
}

TEST_F(MessagePump, AfterQuitNothingIsDispatchedAndEveryCallEnds) {
  pf::PostMessage(window_, pf::WM_CLOSE, 0, 0);
  pf::PostMessage(window_, pf::WM_USER + 1, 0, 0);
  EXPECT_EQ(PumpMessages(), -1);
  EXPECT_EQ(zelvo::WindowClosed(), 1);
  pf::PostThreadMessage(thread_, pf::WM_USER + 2, 0, 0);
  EXPECT_EQ(PumpMessages(), -1);
  EXPECT_EQ(pf::testing::QueuedMessageCount(thread_), 0);   // taken without dispatching
  EXPECT_EQ(PumpMessages(), -1);
}

TEST_F(MessagePump, InactiveMainThreadWaitsUntilActivated) {
  // The activation callback runs on the pumping thread; it tells the activator when the pump has
  // seen the window go inactive.
  static std::atomic<int> deactivations{0};
  deactivations = 0;
  {
    zelvo::LibraryLockGuard lock;
    zelvo::g_windowSettings.activationCallback = [](int active, void*) {
      if (active == 0) ++deactivations;
    };
  }
  pf::testing::InjectFocus(false);
  std::thread activator([&] {
    for (int i = 0; i < 2000000 && deactivations == 0; ++i) std::this_thread::yield();
    pf::testing::InjectFocus(true);
  });
  EXPECT_EQ(PumpMessages(), 0);
  activator.join();
  EXPECT_GE(deactivations, 1);
  EXPECT_EQ(zelvo::g_window.active, 1);
}

TEST_F(MessagePump, MessageThreadPumpsEverySeventeenMilliseconds) {
  auto waitForPasses = [](std::uint64_t count) {
    for (int i = 0; i < 2000000 && zelvo::MessageThreadPassCount() < count; ++i) std::this_thread::yield();
    return zelvo::MessageThreadPassCount();
  };
  std::uint64_t first = waitForPasses(1);
  std::uint32_t begin = pf::timeGetTime();
  std::uint64_t last = waitForPasses(first + 10);
  std::uint32_t end = pf::timeGetTime();
  ASSERT_GE(last, first + 10);
  // Between two passes the thread sleeps 17 ms; the virtual clock only moves forward meanwhile.
  EXPECT_GE(end - begin, 17u * static_cast<std::uint32_t>(last - first - 1));
}

TEST_F(MessagePump, SleepWithMessagesPumpsAndSurvivesTheClockWrap) {
  pf::PostMessage(window_, pf::WM_USER + 1, 0, 0);
  EXPECT_EQ(SleepWithMessages(0), 0);
  EXPECT_EQ(pf::testing::QueuedMessageCount(thread_), 0);
  pf::testing::SetVirtualTime(0xFFFFFFF0u);
  EXPECT_EQ(SleepWithMessages(100), 0);
  EXPECT_LT(pf::timeGetTime(), 0xFFFFFFF0u);   // returned after the clock wrapped
}

TEST_F(MessagePump, PumpAfterShutDownReportsTheClose) {
  EXPECT_EQ(ShutDownLibrary(), 0);
  EXPECT_EQ(PumpMessages(), -1);   // closed by the shut-down
  ASSERT_EQ(StartUpLibrary(), 0);
}

}  // namespace
}  // namespace zelvo_test
