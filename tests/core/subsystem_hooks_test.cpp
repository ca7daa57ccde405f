// The subsystem hook table: absent rows and empty entries are passed over with the defaults the
// ground floor relies on; a registered row is called with the arguments given.
#include <gtest/gtest.h>

#include "media/core/subsystem_hooks.h"

namespace zelvo {
namespace {

class SubsystemHooksTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSubsystemTable(); }
  void TearDown() override { ResetSubsystemTable(); }
};

struct Seen {
  int pumps = 0;
  int active = -1;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};
Seen seen;

TEST_F(SubsystemHooksTest, AbsentRowsAndEmptyEntriesAnswerTheirDefaults) {
  CallSubsystem(kSubsystemSound, &SubsystemHooks::pump);
  EXPECT_EQ(CallSubsystem(kSubsystemInput, &SubsystemHooks::start, 7), 7);
  RegisterSubsystem(kSubsystemInput, SubsystemHooks{});
  EXPECT_EQ(CallSubsystem(kSubsystemInput, &SubsystemHooks::start, 0), 0);

  int width = 0, height = 0;
  ScreenSize(&width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(ScreenRequestedDepth(), 16);
  EXPECT_EQ(ScreenCopyBackScreenToWindow(), -1);
  EXPECT_EQ(ScreenBackBufferIsTarget(), 1);
  EXPECT_EQ(ScreenPackColor(0x12, 0x34, 0x56), 0x123456u);
  EXPECT_EQ(ConsoleAllowed(), 1);
  EXPECT_EQ(CreateConsoleFont(nullptr), -1);
  EXPECT_EQ(ConsoleCharWidth(-1, "\x82\xa0", 2), 16);
}

TEST_F(SubsystemHooksTest, ARegisteredRowIsCalledWithItsArguments) {
  seen = Seen{};
  SubsystemHooks row{};
  row.start = [] { return -1; };
  row.pump = [] { ++seen.pumps; };
  row.activate = [](int active) { seen.active = active; };
  row.windowMessage = [](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    seen.message = message;
    seen.wParam = wParam;
    seen.lParam = lParam;
  };
  RegisterSubsystem(kSubsystemNetwork, row);

  EXPECT_EQ(CallSubsystem(kSubsystemNetwork, &SubsystemHooks::start, 0), -1);
  CallSubsystem(kSubsystemNetwork, &SubsystemHooks::pump);
  CallSubsystem(kSubsystemNetwork, &SubsystemHooks::activate, 0);
  CallSubsystem(kSubsystemNetwork, &SubsystemHooks::windowMessage, 1285u, 3, -4);
  CallSubsystem(kSubsystemSound, &SubsystemHooks::pump);   // another row stays absent
  EXPECT_EQ(seen.pumps, 1);
  EXPECT_EQ(seen.active, 0);
  EXPECT_EQ(seen.message, 1285u);
  EXPECT_EQ(seen.wParam, 3u);
  EXPECT_EQ(seen.lParam, -4);
}

}  // namespace
}  // namespace zelvo
