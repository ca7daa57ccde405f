// Losing the focus in full screen: the graphics' restore brings the screen back later, so the
// program goes on; without graphics to restore it, the window closes with the log line.
#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/window_state.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

class FullScreenDeactivation : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    SwitchWindowMode(0);
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(zelvo::ScreenFullScreenModeSet(), 1);
    ASSERT_EQ(zelvo::ScreenHasDirectDraw(), 1);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  static void Activate(int active) {
    zelvo::LibraryLockGuard lock;
    pf::SendMessage(zelvo::g_window.window, pf::WM_ACTIVATE, static_cast<pf::WParam>(active), 0);
  }
  static constexpr const char* kClosing = "復元関数が登録されていないため終了します";
};

TEST_F(FullScreenDeactivation, WithTheGraphicsRestoreTheProgramGoesOn) {
  Activate(0);
  EXPECT_EQ(zelvo::g_window.closePosted, 0);
  Activate(1);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(ReadLog().find(kClosing), std::string::npos);
}

TEST_F(FullScreenDeactivation, WithoutARestoreTheWindowCloses) {
  zelvo::g_subsystems.present[zelvo::kSubsystemGraphics] = false;
  Activate(0);
  zelvo::g_subsystems.present[zelvo::kSubsystemGraphics] = true;
  EXPECT_EQ(zelvo::g_window.closePosted, 1);
  EXPECT_NE(ReadLog().find(kClosing), std::string::npos);
  EXPECT_EQ(PumpMessages(), -1);
}

}  // namespace
}  // namespace zelvo_test
