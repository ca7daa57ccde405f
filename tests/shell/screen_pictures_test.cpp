// What the player sees on the generated data set, read from the frames the headless host dumps as
// PNG files while the whole game runs from an input script: window frames, tiles, backgrounds and
// the HUD as a clean game draws them, with no debugging marks and nothing cut off or covered.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "dumped_frame.h"
#include "program_entry_fixture.h"

namespace horundel {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kFrameBlue = kDumpedFrameBlue;

// A frame-stamped input script: keys by SDL name, the first pad's buttons by number.
class InputScript {
 public:
  InputScript() { text_ << "0 pad 0 plug Test Pad\n"; }
  InputScript& Key(const char* name, int frame) {
    text_ << frame << " key " << name << " down\n" << frame + 2 << " key " << name << " up\n";
    return *this;
  }
  InputScript& Buttons(int button, int from, int to, int period) {
    for (int frame = from; frame < to; frame += period) {
      text_ << frame << " pad 0 button " << button << " down\n" << frame + 2 << " pad 0 button " << button << " up\n";
    }
    return *this;
  }
  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
};

constexpr int kCancelButton = 1;   // pages through the training's texts

class ScreenPictures : public ProgramEntryTest {
 protected:
  void SetUp() override {
    ProgramEntryTest::SetUp();
    CopyIntoFolder(std::string(ZELVO_GAMEDATA_DIR) + "/loose");
    frames_ = folder_ + "/frames";
    std::filesystem::create_directories(frames_);
  }

  // The whole game in a child process, in software rendering, every frame dumped.
  void Play(const InputScript& script) {
    const std::string frames = frames_;
    ASSERT_EQ(RunInChild(script.Text(), RealEntryScreens(), 'B',
                         [frames] {
                           setenv("ZELVO_FRAME_DUMP", frames.c_str(), 1);
                           return WinMain();
                         }),
              0);
  }

  DumpedFrame Shot(int number) const {
    DumpedFrame frame = ReadDumpedFrame(frames_, number);
    EXPECT_TRUE(frame.Loaded()) << "no frame " << number;
    return frame;
  }

  std::string frames_;
};

// The title's menu (start-up 8 frames, loading 1, logo 160, fade-in 32) and the load screen.
TEST_F(ScreenPictures, MenuFramesAreCleanAndTheLoadScreensFrameStaysOnTheScreen) {
  InputScript script;
  script.Key("Down", 220);     // LOAD GAME
  script.Key("Return", 230);
  script.Key("Escape", 290);
  Play(script);

  const DumpedFrame title = Shot(215);
  ASSERT_TRUE(title.Loaded());
  // The title panel (10 x 5 cells at 50, 250): its frame pieces on the 20-pixel grid above and
  // left of it show nothing in their top-left corners, where marks would sit.
  int marks = 0;
  for (int i = 0; i <= 11; ++i) marks += title.Count(31 + 20 * i, 231, 33 + 20 * i, 235, kWhite);
  for (int j = 0; j <= 5; ++j) marks += title.Count(31, 251 + 20 * j, 33, 255 + 20 * j, kWhite);
  EXPECT_EQ(marks, 0) << "marks on the menu frame";

  // DATA LOAD's window (after the title's fade-out) reaches the screen's right edge; the round knob
  // that ends its top line is shown whole.
  const DumpedFrame load = Shot(275);
  ASSERT_TRUE(load.Loaded());
  int left = 640, right = -1, top = 480, bottom = -1;
  for (int y = 15; y <= 45; ++y) {
    for (int x = 600; x < 640; ++x) {
      if (load.At(x, y) != kWhite) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0) << "no end to the window's top line";
  EXPECT_EQ(right - left, bottom - top) << "the top line's end is cut off by the screen's edge";
}

// The training's battle once its opening texts are paged through, and the equipment screen over it.
TEST_F(ScreenPictures, BattleAndEquipmentScreenShowNoLabelsAndNothingCovered) {
  InputScript script;
  script.Key("Return", 220);                  // START GAME
  script.Key("Return", 240);                  // EASY
  script.Key("Return", 260);                  // tutorial: YES
  script.Buttons(kCancelButton, 320, 361, 8);  // page through the training's opening texts
  script.Key("Return", 410);                  // the equipment screen
  script.Key("Escape", 440);
  Play(script);

  // In battle: below the HUD's status corner the tiles, backgrounds and sprites carry no white
  // labels (tile codes, cell numbers, the background's name).
  const DumpedFrame battle = Shot(400);
  ASSERT_TRUE(battle.Loaded());
  EXPECT_EQ(battle.Count(160, 0, 639, 479, kWhite) + battle.Count(0, 150, 159, 479, kWhite), 0)
      << "white labels in the battle";

  // The equipment screen: the HUD's weapon window ends above the skill panel's tab and title.
  const DumpedFrame equipment = Shot(430);
  ASSERT_TRUE(equipment.Loaded());
  EXPECT_EQ(equipment.Count(100, 118, 150, 145, kFrameBlue, 8), 0) << "the HUD reaches into the skill panel";
}

// The hangar, reached by declining the tutorial: left of the mission list's heading only the
// background, with no name written on it.
TEST_F(ScreenPictures, HangarHeadingStandsOnABackgroundWithoutLabels) {
  InputScript script;
  script.Key("Return", 220);   // START GAME
  script.Key("Return", 240);   // EASY
  script.Key("Down", 255);     // tutorial: NO
  script.Key("Return", 265);
  script.Key("Escape", 340);
  Play(script);
  const DumpedFrame hangar = Shot(330);
  ASSERT_TRUE(hangar.Loaded());
  EXPECT_EQ(hangar.Count(0, 0, 150, 60, kWhite), 0) << "a label on the hangar's background";
}

}  // namespace
}  // namespace horundel
