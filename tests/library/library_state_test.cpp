// The subsystem rows the library registers, and the one reset of every state.
#include "support/library_fixture.h"
#include "media/core/core_state.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/window_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/library/library_state.h"

namespace zelvo_test {
namespace {

using LibraryState = LibraryTest;

TEST_F(LibraryState, StartUpRegistersTheBuiltSubsystemsOnly) {
  ASSERT_EQ(StartUpLibrary(), 0);
  for (zelvo::SubsystemId present : {zelvo::kSubsystemDisplay, zelvo::kSubsystemGraphics, zelvo::kSubsystemSound,
                                     zelvo::kSubsystemInput, zelvo::kSubsystemNetwork, zelvo::kSubsystemMovies}) {
    EXPECT_TRUE(zelvo::IsSubsystemPresent(present)) << present;
  }
  for (zelvo::SubsystemId absent : {zelvo::kSubsystemFonts}) {
    EXPECT_FALSE(zelvo::IsSubsystemPresent(absent)) << absent;
  }
  // The screen answers from the display once registered.
  int width = 0, height = 0;
  zelvo::ScreenSize(&width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(zelvo::ScreenHasDirectDraw(), 1);
  EXPECT_EQ(ShutDownLibrary(), 0);
}

TEST_F(LibraryState, ResetPutsEveryStateBackAndTheLibraryStartsAgain) {
  ASSERT_EQ(StartUpLibrary(), 0);
  ASSERT_EQ(SetBlendMode(2, 50), 0);
  ASSERT_EQ(ShutDownLibrary(), 0);
  // What shut-down leaves behind for the next start-up.
  ASSERT_NE(zelvo::g_runState.startFolder[0], '\0');
  ASSERT_NE(zelvo::g_windowSettings.title[0], '\0');
  ASSERT_EQ(zelvo::g_draw.blendMode, 2);
  zelvo::g_mask.inverse = 1;

  zelvo::ResetLibraryState();
  EXPECT_EQ(zelvo::g_runState.ready, 0);
  EXPECT_EQ(zelvo::g_runState.startFolder[0], '\0');
  EXPECT_EQ(zelvo::g_windowSettings.title[0], '\0');
  EXPECT_EQ(zelvo::g_windowSettings.scaleRate, 1.0);
  EXPECT_EQ(zelvo::g_graphics.started, 0);
  EXPECT_EQ(zelvo::g_draw.blendMode, 0);
  EXPECT_EQ(zelvo::g_mask.inverse, 0);
  EXPECT_FALSE(zelvo::IsSubsystemPresent(zelvo::kSubsystemDisplay));

  // The fixture's window settings are gone with the rest: set them again and start afresh.
  SwitchWindowMode(1);
  SetWindowTitleText(title_);
  ASSERT_EQ(StartUpLibrary(), 0);
  EXPECT_EQ(zelvo::g_draw.blendMode, 0);
  EXPECT_EQ(ShutDownLibrary(), 0);
}

}  // namespace
}  // namespace zelvo_test
