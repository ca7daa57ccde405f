// The save and load screen: slot summaries, the cursor, saving, loading, refusals and the fade,
// run by scripted keys on the headless host.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "game/battle/data/battle_state.h"
#include "game/shell/save_files.h"
#include "game/shell/save_load_screen.h"
#include "screen_fixture.h"

namespace horundel {
namespace {

class SaveLoadScreenTest : public ShellScreenTest {
 protected:
  void SetUp() override {
    ShellScreenTest::SetUp();
    g_battle.Difficulty = 2;
    g_battle.Money = 1500;
    g_battle.HpGaugeCount = 2;
    g_battle.WeaponSlotCount = 2;
  }
  void WriteSlot(int slot, const std::string& firstLines) {
    char name[32];
    std::snprintf(name, sizeof name, "save/save%02d.dat", slot);
    const std::string bytes = firstLines;
    WriteFile(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
  bool SlotExists(int slot) const {
    char name[32];
    std::snprintf(name, sizeof name, "/save/save%02d.dat", slot);
    return std::filesystem::exists(folder_ + name);
  }
};

// A new game's lines after the four the list shows.
std::string NewGameSlotTail() {
  std::string tail = "2\r\n0\r\n2\r\n0\r\n0\r\n";
  for (int w = 1; w <= 6; ++w) tail += "1\r\n";
  for (int i = 0; i < 16 + 8; ++i) tail += "0\r\n";
  for (int m = 0; m < 5; ++m) tail += "0,72000,0,0\r\n";
  return tail;
}

// The list shows a whole slot's first lines, the date always in its own column; a slot with a line
// missing or a value out of its range is listed as damaged, however its first lines read.
TEST_F(SaveLoadScreenTest, SummariesShowWholeSlotsAndMarkDamagedOnes) {
  WriteSlot(3, "2026,12,9,10,5\r\n2\r\n2\r\n1500\r\n" + NewGameSlotTail());
  WriteSlot(4, "2026,1,2,3,4\r\n1\r\n9\r\n7\r\n" + NewGameSlotTail());
  WriteSlot(5, "2026,1,2,3,4\r\n1\r\n4\r\n2147483647\r\n" + NewGameSlotTail());
  WriteSlot(6, "-2147483648,-2147483648,-2147483648,-2147483648,-2147483648\r\n-2147483648\r\n4\r\n-100\r\n" +
                   NewGameSlotTail());
  WriteSlot(7, "2026,12,9,10,5\r\n2\r\n2\r\n1500\r\n");
  Start();
  char line[100];
  EXPECT_EQ(ReadSlotSummary(0, line, sizeof line), kSlotEmpty);
  EXPECT_STREQ(line, " 1: セーブデータがありません");
  EXPECT_EQ(ReadSlotSummary(3, line, sizeof line), kSlotValid);
  EXPECT_STREQ(line, "04:     Normal Mission 2     1500 c  2026/12/9 10:05");
  EXPECT_EQ(ReadSlotSummary(5, line, sizeof line), kSlotValid);
  EXPECT_STREQ(line, "06:  Challange Mission 1 99999999 c  2026/1/2 03:04") << "the most money the column holds";
  for (int slot : {4, 6, 7}) {
    EXPECT_EQ(ReadSlotSummary(slot, line, sizeof line), kSlotDamaged) << slot;
    EXPECT_STREQ(line, (std::string(slot == 4 ? "05" : slot == 6 ? "07" : "08") + ": セーブデータが壊れています").c_str());
  }
}

TEST_F(SaveLoadScreenTest, SavingIntoASlotConfirmsAndFadesOut) {
  Press("Down", 5);
  Press("Down", 10);
  Press("Down", 15);
  Press("Return", 20);   // saves slot 4
  Press("Return", 30);   // closes the confirmation
  Start();
  EXPECT_EQ(SaveLoadScreen(kSaveMode), 1);
  EXPECT_EQ(Presented(), 30 + 60);
  EXPECT_TRUE(SlotExists(3));
  EXPECT_FALSE(SlotExists(2));
}

TEST_F(SaveLoadScreenTest, ASaveThatCannotBeStoredIsNoSave) {
  Press("Return", 5);
  Press("Return", 10);
  Start();
  pf::testing::FailNextCalls("TextFileOpen", 1);
  EXPECT_EQ(SaveLoadScreen(kSaveMode), 0);
  pf::testing::ClearFaults();
  EXPECT_EQ(Presented(), 10 + 60);
  EXPECT_FALSE(SlotExists(0));
}

TEST_F(SaveLoadScreenTest, CancelLeavesStraightIntoTheFade) {
  Press("Backspace", 10);
  Start();
  EXPECT_EQ(SaveLoadScreen(kLoadMode), 0);
  EXPECT_EQ(Presented(), 9 + 60);
}

TEST_F(SaveLoadScreenTest, AnEmptySlotIsRefusedAndUpFromTheFirstSlotIsReturn) {
  Press("Return", 5);    // slot 1 is empty: the screen stays
  Press("Up", 10);       // to RETURN
  Press("Return", 15);
  Start();
  EXPECT_EQ(SaveLoadScreen(kLoadMode), 0);
  EXPECT_EQ(Presented(), 14 + 60);
}

TEST_F(SaveLoadScreenTest, LoadingASlotReplacesTheGame) {
  g_battle.Money = 4321;
  ASSERT_EQ(WriteSaveSlot(1), 0);
  ASSERT_EQ(WriteSaveSlot(2), 0);
  // Slot 3 lists, but is cut short: it cannot be loaded.
  WriteSlot(2, "2026,12,9,10,5\r\n3\r\n2\r\n1500\r\n");
  g_battle.Money = 1;
  Press("Down", 5);
  Press("Down", 10);
  Press("Return", 15);   // refused
  Press("Up", 20);
  Press("Return", 25);   // slot 2 loads
  Press("Return", 35);
  Start();
  EXPECT_EQ(SaveLoadScreen(kLoadMode), 1);
  EXPECT_EQ(Presented(), 35 + 60);
  EXPECT_EQ(g_battle.Money, 4321);
}

TEST_F(SaveLoadScreenTest, EscapeEndsTheScreenInItsFade) {
  Press("Backspace", 5);
  Hold("Escape", 20, 22);
  Start();
  EXPECT_EQ(SaveLoadScreen(kSaveMode), kQuitResult);
  EXPECT_EQ(Presented(), 19);
}

}  // namespace
}  // namespace horundel
