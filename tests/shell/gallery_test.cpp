// Gallery pictures: the export as an atomic byte copy, the unlock stored before the picture shows,
// the picture show's phases and the gallery's menu run by scripted keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/shell/cg_pictures.h"
#include "game/shell/gallery_screen.h"
#include "game/shell/save_files.h"
#include "screen_fixture.h"

namespace horundel {
namespace {

std::vector<std::uint8_t> Pattern(int size, int seed) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 31 + seed) ^ (i >> 8));
  return bytes;
}

class CgPictures : public ShellScreenTest {
 protected:
  void SetUp() override {
    ShellScreenTest::SetUp();
    for (int& flag : GalleryFlags) flag = 0;
    full_ = Pattern(70000, 1);
    large_ = Pattern(150001, 2);
    WriteFile("bmp/cg/cg03.bmp", full_);
    WriteFile("bmp/cg/cgh03.bmp", large_);
  }
  std::vector<std::string> CgFolder() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/cg")) names.push_back(entry.path().filename().string());
    return names;
  }
  // The configuration's gallery flag n (its lines 38 onward).
  std::string StoredFlag(int n) const {
    const std::string config = ReadFile("save/saveconfig.dat");
    std::size_t at = 0;
    for (int line = 0; line < 37 + n && at != std::string::npos; ++line) at = config.find("\r\n", at) + 2;
    return at == std::string::npos || at >= config.size() ? "" : config.substr(at, config.find("\r\n", at) - at);
  }
  static std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

  std::vector<std::uint8_t> full_, large_;
};

TEST_F(CgPictures, ExportWritesAByteCopyOfEitherSize) {
  Start();
  WriteFile("cg/brlcg03_640.bmp", Pattern(10, 9));   // an older export is replaced
  EXPECT_EQ(ExportCg(3, kExport640), 0);
  EXPECT_EQ(ExportCg(3, kExport1280), 0);
  EXPECT_EQ(ReadFile("cg/brlcg03_640.bmp"), Text(full_));
  EXPECT_EQ(ReadFile("cg/brlcg03_1280.bmp"), Text(large_));
  EXPECT_EQ(CgFolder().size(), 2u);
}

TEST_F(CgPictures, AnExportThatCannotBeWrittenLeavesNoFileBehind) {
  Start();
  EXPECT_EQ(ExportCg(4, kExport640), -1) << "no source picture";
  EXPECT_TRUE(CgFolder().empty());

  WriteFile("cg/brlcg03_640.bmp", Pattern(10, 9));
  for (const char* fault : {"TextFileOpen", "TextFileWrite", "FlushFileBuffers"}) {
    pf::testing::FailNextCalls(fault, 1);
    EXPECT_EQ(ExportCg(3, kExport640), -1) << fault;
    pf::testing::ClearFaults();
    EXPECT_EQ(ReadFile("cg/brlcg03_640.bmp"), Text(Pattern(10, 9))) << fault << ": the old export stays whole";
    EXPECT_EQ(CgFolder().size(), 1u) << fault;
  }

  std::filesystem::remove_all(folder_ + "/cg");
  EXPECT_EQ(ExportCg(3, kExport1280), -1) << "no cg folder";
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/cg"));
}

TEST_F(CgPictures, TheUnlockIsStoredBeforeThePictureShows) {
  Hold("Escape", 1, 3);
  Start();
  ShowCgPicture(2);
  EXPECT_EQ(Presented(), 0);
  EXPECT_EQ(GalleryFlags[2], 1);
  EXPECT_EQ(StoredFlag(2), "1");
  EXPECT_EQ(StoredFlag(3), "0");
}

TEST_F(CgPictures, ANumberOutsideTheFlagsShowsItsPictureButUnlocksNothing) {
  Hold("Escape", 5, 7);
  Start();
  ShowCgPicture(40);
  EXPECT_EQ(Presented(), 4);
  for (int flag : GalleryFlags) EXPECT_EQ(flag, 0);
}

TEST_F(CgPictures, OutsideAMissionTheShowIsFadeInAKeyAndFadeOut) {
  Press("Return", 60);
  Start();
  g_battle.CurrentMission = 0;
  ShowCgPicture(3);
  // 51 frames of fade-in, the picture until the key at frame 60, then 50 frames of fade-out shown.
  EXPECT_EQ(Presented(), 110);
}

TEST_F(CgPictures, InAMissionTheRescueSignSlidesInAndHolds) {
  WriteFile("bmp/cg/cg05.bmp", SolidBmp(640, 480, 0x2040A0));
  WriteFile("bmp/system/rescue.bmp", SolidBmp(64, 32, 0xE0C020));
  Press("Return", 60);    // the sign slides in
  Press("Return", 100);   // and holds at the centre
  Hold("Escape", 130, 132);
  Start();
  g_battle.CurrentMission = 1;
  ShowCgPicture(5);
  EXPECT_EQ(Presented(), 129);
  EXPECT_EQ(Shown(10, 10), 0x2040A0u);
  EXPECT_EQ(Shown(320, 240), 0xE0C020u);
  EXPECT_EQ(Shown(360, 240), 0x2040A0u);
}

TEST_F(CgPictures, TheGalleryShowsAnUnlockedPictureAndExportsItsLargeVersion) {
  GalleryFlags[3] = 1;
  Press("Right", 5);
  Press("Right", 10);
  Press("Right", 15);
  Press("Return", 20);          // picture 3: the show runs from this frame
  Press("Return", 80);          // ends the show
  Press("Return", 140);         // YES
  Press("Right", 150);          // 1280x960
  Press("Return", 160);         // saved on the frame after
  Press("Return", 170);         // back to the thumbnails
  Press("Backspace", 180);    // leave
  Start();
  EXPECT_EQ(GalleryScreen(), 0);
  EXPECT_EQ(Presented(), 179);
  EXPECT_EQ(ReadFile("cg/brlcg03_1280.bmp"), Text(large_));
  EXPECT_EQ(CgFolder().size(), 1u);
}

TEST_F(CgPictures, ALockedPictureIsRefusedAndNoIsNoExport) {
  GalleryFlags[1] = 1;
  Press("Return", 5);           // picture 0 is locked: nothing shows
  Press("Right", 10);
  Press("Return", 15);          // picture 1: shown
  Press("Return", 75);          // ends the show
  Press("Right", 130);          // NO
  Press("Return", 135);         // back to the thumbnails
  Press("Backspace", 140);
  Start();
  EXPECT_EQ(GalleryScreen(), 0);
  EXPECT_EQ(Presented(), 139);
  EXPECT_TRUE(CgFolder().empty());
}

}  // namespace
}  // namespace horundel
