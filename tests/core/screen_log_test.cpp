// The on-screen console's text grid: wrapping, scrolling, tabs, dropped bytes and the shown flag.
#include <cstring>
#include <string>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/screen_log.h"

namespace zelvo_test {
namespace {

using zelvo::g_screenLog;

class ScreenLog : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  std::string Line(int i) { return g_screenLog.lines[i]; }
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
  std::string text(300, 'x');
  ScreenLogPrintf("%s", text.c_str());
  // Eight pixels a byte until fonts exist: a 640-pixel line holds 79 before the edge is reached.
  EXPECT_EQ(Line(0).size(), 79u);
  EXPECT_EQ(Line(1).size(), 79u);
  EXPECT_EQ(Line(3).size(), 300u - 3 * 79);
}

TEST_F(ScreenLog, DoubleByteCharacterMovesWholeToTheNextLine) {
  std::string text(78, 'x');
  text += "あ";   // 16 pixels: would cross the edge
  ScreenLogPrintf("%s", text.c_str());
  EXPECT_EQ(Line(0), std::string(78, 'x'));
  EXPECT_EQ(Line(1), "あ");
}

TEST_F(ScreenLog, LeadByteWithoutItsTrailByteIsDropped) {
  zelvo::LibraryLockGuard lock;
  zelvo::ScreenLogWrite("ab\x82");
  EXPECT_EQ(Line(0), "ab");
}

}  // namespace
}  // namespace zelvo_test
