// The on-screen console's text grid: wrapping, scrolling, tabs, dropped bytes and the shown flag.
#include <cstring>
#include <string>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/screen_log.h"
#include "media/core/subsystem_hooks.h"

namespace zelvo_test {
namespace {

using zelvo::g_screenLog;

class ScreenLog : public StartedLibraryTest {
 protected:
  std::string Line(int i) { return g_screenLog.lines[i]; }
  // A character's width in the console's font.
  static int Width(const char* character) {
    zelvo::LibraryLockGuard lock;
    return zelvo::ConsoleCharWidth(g_screenLog.font, character, static_cast<int>(std::strlen(character)));
  }
};

TEST_F(ScreenLog, PrintShowsAndClearHides) {
  EXPECT_EQ(zelvo::QueryScreenLogState(), 0);
  ScreenLogPrintf("Now Loading...\n");
  EXPECT_EQ(zelvo::QueryScreenLogState(), 1);
  EXPECT_EQ(Line(0), "Now Loading...");
  ScreenLogClear();
  EXPECT_EQ(zelvo::QueryScreenLogState(), 0);
  EXPECT_EQ(Line(0), "");
}

TEST_F(ScreenLog, TabsBecomeBlanksAndControlBytesAndQuestionMarksAreDropped) {
  ScreenLogPrintf("a\tb\a\b\v\f\r?c");
  EXPECT_EQ(Line(0), "a    bc");
}

TEST_F(ScreenLog, ThirtyFirstLineScrollsTheFirstAway) {
  for (int i = 0; i < 31; ++i) ScreenLogPrintf("line %d\n", i);
  // 30 lines fit in 480 pixels; the last print's line feed opened an empty line at the bottom.
  EXPECT_EQ(Line(0), "line 2");
  EXPECT_EQ(Line(28), "line 30");
  EXPECT_EQ(Line(29), "");
  EXPECT_EQ(g_screenLog.currentLine, 29);
}

TEST_F(ScreenLog, LongLinesWrapAtTheScreenEdge) {
  // A 640-pixel line takes the characters whose right edge stays left of the screen's edge.
  const std::size_t perLine = 639 / static_cast<std::size_t>(Width("x"));
  ASSERT_LT(perLine, 254u);
  ScreenLogPrintf("%s", std::string(300, 'x').c_str());
  EXPECT_EQ(Line(0).size(), perLine);
  EXPECT_EQ(Line(1).size(), perLine);
  EXPECT_EQ(Line(300 / perLine).size(), 300 % perLine);
  // Narrower characters wrap at the 254-byte limit first.
  ScreenLogClear();
  ScreenLogPrintf("%s", std::string(300, '.').c_str());
  if (639 / Width(".") >= 254) {
    EXPECT_EQ(Line(0).size(), 254u);
  }
}

TEST_F(ScreenLog, DoubleByteCharacterMovesWholeToTheNextLine) {
  const std::size_t perLine = 639 / static_cast<std::size_t>(Width("x"));
  ASSERT_GE(Width("あ"), Width("x"));
  std::string text(perLine, 'x');
  text += "あ";   // would cross the edge
  ScreenLogPrintf("%s", text.c_str());
  EXPECT_EQ(Line(0), std::string(perLine, 'x'));
  EXPECT_EQ(Line(1), "あ");
}

TEST_F(ScreenLog, LeadByteWithoutItsTrailByteIsDropped) {
  zelvo::LibraryLockGuard lock;
  zelvo::ScreenLogWrite("ab\x82");
  EXPECT_EQ(Line(0), "ab");
}

}  // namespace
}  // namespace zelvo_test
