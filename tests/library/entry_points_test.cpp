// Entry points whose work is in the core or the colour formats, and the ones whose subsystem is not
// part of the library yet.
#include <string>

#include "support/library_fixture.h"
#include "media/core/screen_log.h"

namespace zelvo_test {
namespace {

TEST(EntryPoints, ColourEntriesReachTheColourFormats) {
  EXPECT_EQ(PackColor(255, 128, 0), 0xFFFF8000u);   // the 32-bit screen before graphics start; unused bits set
  PixelFormat format{};
  EXPECT_EQ(SetupPixelFormatFromMasks(&format, 16, 0xF800, 0x07E0, 0x001F, 0), 0);
  EXPECT_EQ(PackColor(0, 0, 255), 0xFF0000FFu);
}

TEST(EntryPoints, EntriesOfSubsystemsNotInTheLibraryAnswerMinusOne) {
  EXPECT_EQ(PresentBackBuffer(), -1);
  EXPECT_EQ(IsKeyDown(1), -1);
  EXPECT_EQ(LoadGraphFile("bmp\\a.bmp", 0), -1);
  EXPECT_EQ(LoadSoundFile("wav\\a.wav", 1, -1), -1);
}

using ScreenLogEntry = LibraryTest;

TEST_F(ScreenLogEntry, FormatsIntoTenTwentyThreeBytesWithoutSplittingACharacter) {
  ASSERT_EQ(StartUpLibrary(), 0);
  std::string text(1022, 'a');
  text += "あ";   // its second byte would be byte 1024
  EXPECT_EQ(ScreenLogPrintf("%s", text.c_str()), 0);
  int bytes = 0;
  for (int i = 0; i < zelvo::kScreenLogLines; ++i) bytes += static_cast<int>(std::string(zelvo::g_screenLog.lines[i]).size());
  EXPECT_EQ(bytes, 1022);
  EXPECT_EQ(ShutDownLibrary(), 0);
}

}  // namespace
}  // namespace zelvo_test
