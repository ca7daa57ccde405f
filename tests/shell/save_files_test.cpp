// The configuration and save-slot files: their bytes, reading them back, damaged files, and saves
// that fail part way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/shell/key_bindings.h"
#include "game/shell/save_files.h"
#include "platform/testing.h"
#include "support/test_paths.h"

namespace horundel {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

// The state a program start gives before the configuration file is read.
void SetStartState() {
  SetDefaultKeyBindings();
  GameSettings = {0, 60, 30, 2, 0, 0};
  WindowModeSetting = 1;
  for (int& flag : GalleryFlags) flag = 0;
}

// A new game on NORMAL.
void SetNewGame() {
  g_battle.Difficulty = 2;
  g_battle.Money = 0;
  g_battle.HpGaugeCount = 2;
  g_battle.AirBoostLevel = 0;
  g_battle.WeaponSlotCount = 2;
  g_battle.AdviceIndex = 0;
  for (int w = 0; w < kWeaponCount; ++w) WeaponRecords[w].owned = w >= 1 && w <= 6 ? 1 : 0;
  for (SkillRecord& skill : SkillRecords) skill.owned = 0;
  for (MissionRecord& mission : MissionRecords) mission = MissionRecord{};
  for (MissionRecord& mission : MissionRecords) mission.bestTime = 72000;
  MissionRecords[0].cleared = 1;
}

std::vector<std::string> DefaultConfigLines() {
  std::vector<std::string> lines = {"0", "60", "30", "1", "2", "0", "0"};
  for (const char* v : {"200", "3", "208", "0", "203", "1", "205", "2", "30", "4", "31", "5", "32", "6", "46",
                        "7", "45", "8", "17", "11", "18", "12", "57", "10", "28", "9", "28", "4", "54", "5"}) {
    lines.push_back(v);
  }
  for (int i = 0; i < 31; ++i) lines.push_back("0");
  return lines;
}

std::vector<std::string> NewGameSlotLines() {
  std::vector<std::string> lines = {"2026,12,9,10,5", "1", "2", "0", "2", "0", "2", "0", "0"};
  for (int i = 0; i < 6; ++i) lines.push_back("1");
  for (int i = 0; i < 16 + 8; ++i) lines.push_back("0");
  for (int i = 0; i < 5; ++i) lines.push_back("0,72000,0,0");
  return lines;
}

class SaveFilesTest : public zelvo_test::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    std::filesystem::create_directory(root_ + "/save");
    SetStartState();
    SetNewGame();
  }
  std::string ConfigPath() const { return root_ + "/save/saveconfig.dat"; }
  std::string SlotPath(const char* name) const { return root_ + "/save/" + name; }
  // Files in save/ besides the ones named: a failed save must leave no stray file behind.
  std::vector<std::string> SaveFolder() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/save")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(SaveFilesTest, TheDefaultConfigurationIsWrittenByteForByte) {
  ASSERT_EQ(LoadConfig(), -1);   // no file yet: nothing changes
  ASSERT_EQ(SaveConfig(), 0);
  const std::string bytes = ReadFile(ConfigPath());
  EXPECT_EQ(bytes.size(), 228u);
  EXPECT_EQ(bytes, CrLfLines(DefaultConfigLines()));
}

TEST_F(SaveFilesTest, AConfigurationReadsBackAsWritten) {
  GameSettings = {1, 255, 0, 3, 1, 1};
  WindowModeSetting = 0;
  KeyBindings[kKeyJump].keyCode = 57;
  KeyBindings[kKeyJump].padBit = 30;
  GalleryFlags[0] = 1;
  GalleryFlags[30] = 1;
  ASSERT_EQ(SaveConfig(), 0);
  const std::string written = ReadFile(ConfigPath());
  SetStartState();
  ASSERT_EQ(LoadConfig(), 0);
  EXPECT_EQ(GameSettings.musicOff, 1);
  EXPECT_EQ(GameSettings.musicVolume, 255);
  EXPECT_EQ(GameSettings.hitWait, 3);
  EXPECT_EQ(WindowModeSetting, 0);
  EXPECT_EQ(KeyBindings[kKeyJump].keyCode, 57);
  EXPECT_EQ(KeyBindings[kKeyJump].padBit, 30);
  EXPECT_EQ(GalleryFlags[30], 1);
  ASSERT_EQ(SaveConfig(), 0);
  EXPECT_EQ(ReadFile(ConfigPath()), written);
}

// A configuration that is not whole is refused as a whole: taken in part, its values would land in
// the wrong fields. The defaults stand, the file is kept beside them and nothing writes over it.
TEST_F(SaveFilesTest, ADamagedConfigurationIsSetAsideAndTheDefaultsStand) {
  struct Case {
    const char* what;
    int line;            // 0-based line of the file; -1: cut the file here instead
    const char* text;
  };
  const Case cases[] = {
      {"volume above 255", 1, "300"},
      {"negative volume", 2, "-1"},
      {"hit wait beyond x3", 4, "4"},
      {"key code past the key-state table", 7, "256"},
      {"pad bit past the pad's bit set", 8, "32"},
      {"number past the int range", 10, "99999999999999"},
      {"garbage", 11, "abc"},
      {"blank line", 12, ""},
      {"number with a tail", 13, "3x"},
      {"gallery flag", 37, "2"},
      {"lines missing", 3, nullptr},
      {"empty file", 0, nullptr},
  };
  for (const Case& c : cases) {
    SetStartState();
    std::vector<std::string> lines = DefaultConfigLines();
    lines[0] = "1";   // a good line is not taken either
    if (c.text == nullptr) {
      lines.resize(static_cast<std::size_t>(c.line));
    } else {
      lines[static_cast<std::size_t>(c.line)] = c.text;
    }
    const std::string damaged = CrLfLines(lines);
    WriteFile(ConfigPath(), damaged);
    std::filesystem::remove(ConfigPath() + ".bad");
    EXPECT_EQ(LoadConfig(), kConfigDamaged) << c.what;
    EXPECT_EQ(GameSettings.musicOff, 0) << c.what;
    EXPECT_EQ(GameSettings.musicVolume, 60) << c.what;
    EXPECT_EQ(KeyBindings[kKeyDown].keyCode, 208) << c.what;
    EXPECT_EQ(ReadFile(ConfigPath() + ".bad"), damaged) << c.what;
    ASSERT_EQ(SaveConfig(), 0) << c.what;
    EXPECT_EQ(ReadFile(ConfigPath()), CrLfLines(DefaultConfigLines())) << c.what;
  }
}

TEST_F(SaveFilesTest, AnOverlongConfigurationIsNotReadWhole) {
  std::string huge = CrLfLines(DefaultConfigLines());
  huge.append(1 << 20, '0');
  WriteFile(ConfigPath(), huge);
  EXPECT_EQ(LoadConfig(), kConfigDamaged);
  EXPECT_EQ(std::filesystem::file_size(ConfigPath() + ".bad"), huge.size());
}

// When the damaged file cannot be moved aside it stays where it is, and no later save replaces it.
TEST_F(SaveFilesTest, ADamagedConfigurationThatCannotBeMovedIsNeverWrittenOver) {
  const std::string damaged = CrLfLines({"1", "100", "7"});
  WriteFile(ConfigPath(), damaged);
  pf::testing::FailNextCalls("MoveFileReplace", 1);
  EXPECT_EQ(LoadConfig(), kConfigDamaged);
  pf::testing::ClearFaults();
  EXPECT_EQ(SaveConfig(), -1);
  EXPECT_EQ(ReadFile(ConfigPath()), damaged);
  EXPECT_FALSE(std::filesystem::exists(ConfigPath() + ".bad"));
}

TEST_F(SaveFilesTest, ANewGameSlotHasTheDocumentedLines) {
  ASSERT_EQ(WriteSaveSlot(3), 0);
  const std::string bytes = ReadFile(SlotPath("save03.dat"));
  const std::string expected = CrLfLines(NewGameSlotLines());
  const std::size_t firstLineEnd = bytes.find("\r\n");
  ASSERT_NE(firstLineEnd, std::string::npos);
  EXPECT_EQ(bytes.substr(firstLineEnd), expected.substr(expected.find("\r\n")));
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  EXPECT_EQ(std::sscanf(bytes.c_str(), "%d,%d,%d,%d,%d", &year, &month, &day, &hour, &minute), 5);
}

TEST_F(SaveFilesTest, SlotNamesUseTwoDigits) {
  ASSERT_EQ(WriteSaveSlot(5), 0);
  ASSERT_EQ(WriteSaveSlot(12), 0);
  ASSERT_EQ(WriteSaveSlot(19), 0);
  EXPECT_TRUE(std::filesystem::exists(SlotPath("save05.dat")));
  EXPECT_TRUE(std::filesystem::exists(SlotPath("save12.dat")));
  EXPECT_TRUE(std::filesystem::exists(SlotPath("save19.dat")));
  EXPECT_EQ(WriteSaveSlot(20), -1);
  EXPECT_EQ(WriteSaveSlot(-1), -1);
  EXPECT_EQ(ReadSaveSlot(20), -1);
}

TEST_F(SaveFilesTest, AWrittenSlotReadsBackIdentical) {
  g_battle.Difficulty = 4;
  g_battle.Money = 123456;
  g_battle.HpGaugeCount = 5;
  g_battle.AirBoostLevel = 2;
  g_battle.WeaponSlotCount = 5;
  g_battle.AdviceIndex = 12;
  WeaponRecords[22].owned = 1;
  SkillRecords[3].owned = 1;
  MissionRecords[1] = MissionRecord{};
  MissionRecords[1].cleared = 1;
  MissionRecords[1].bestTime = 36000;
  MissionRecords[1].maxHit = 12;
  MissionRecords[1].highScore = 5000;
  ASSERT_EQ(WriteSaveSlot(7), 0);
  const std::string written = ReadFile(SlotPath("save07.dat"));
  EXPECT_NE(written.find("\r\n2\r\n4\r\n123456\r\n"), std::string::npos) << "mission 1 cleared shows mission 2";

  SetNewGame();
  ASSERT_EQ(ReadSaveSlot(7), 0);
  EXPECT_EQ(g_battle.Difficulty, 4);
  EXPECT_EQ(g_battle.Money, 123456);
  EXPECT_EQ(g_battle.HpGaugeCount, 5);
  EXPECT_EQ(g_battle.AirBoostLevel, 2);
  EXPECT_EQ(g_battle.WeaponSlotCount, 5);
  EXPECT_EQ(g_battle.AdviceIndex, 12);
  EXPECT_EQ(WeaponRecords[22].owned, 1);
  EXPECT_EQ(SkillRecords[3].owned, 1);
  EXPECT_EQ(MissionRecords[1].cleared, 1);
  EXPECT_EQ(MissionRecords[1].bestTime, 36000);
  EXPECT_EQ(MissionRecords[1].maxHit, 12);
  EXPECT_EQ(MissionRecords[1].highScore, 5000);
  ASSERT_EQ(WriteSaveSlot(7), 0);
  const std::string again = ReadFile(SlotPath("save07.dat"));
  EXPECT_EQ(again.substr(again.find("\r\n")), written.substr(written.find("\r\n")));
}

// Any value but 0 stands for a cleared mission; the other values are taken as they are.
TEST_F(SaveFilesTest, AMissionLineLoadsItsRecord) {
  std::vector<std::string> lines = NewGameSlotLines();
  lines[39] = "7,36000,12,5000";
  WriteFile(SlotPath("save00.dat"), CrLfLines(lines));
  ASSERT_EQ(ReadSaveSlot(0), 0);
  EXPECT_EQ(MissionRecords[1].cleared, 1);
  EXPECT_EQ(MissionRecords[1].bestTime, 36000);
  EXPECT_EQ(MissionRecords[1].maxHit, 12);
  EXPECT_EQ(MissionRecords[1].highScore, 5000);
}

TEST_F(SaveFilesTest, DamagedSlotsAreRefusedAndChangeNothing) {
  struct Case {
    const char* what;
    int line;               // with no text: cut the file here instead
    const char* text;
  };
  const Case cases[] = {
      {"truncated", 43, nullptr},
      {"empty", 0, nullptr},
      {"garbage value", 10, "x"},
      {"mission line short of a field", 41, "1,2,3"},
      {"mission line with a blank for a comma", 42, "1 2,3,4"},
      {"number past the int range", 3, "4294967296"},
      {"number with a tail", 4, "2abc"},
      {"month 13", 0, "2026,13,9,10,5"},
      {"minute 60", 0, "2026,12,9,10,60"},
      {"shown mission 3", 1, "3"},
      {"difficulty 9", 2, "9"},
      {"negative money", 3, "-100"},
      {"HP gauges past the most", 4, "1000"},
      {"air boost -1", 5, "-1"},
      {"weapon slots past the carried slots", 6, "99"},
      {"advice past the last", 7, "40"},
      {"weapon flag 7", 8, "7"},
      {"negative best time", 40, "0,-1,0,0"},
      {"negative high score", 40, "0,0,0,-3"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = NewGameSlotLines();
    lines[3] = "777";   // money: shows whether anything was stored
    if (c.text == nullptr) {
      lines.resize(static_cast<std::size_t>(c.line));
    } else {
      lines[static_cast<std::size_t>(c.line)] = c.text;
    }
    WriteFile(SlotPath("save01.dat"), CrLfLines(lines));
    g_battle.Money = 5;
    EXPECT_EQ(CheckSaveSlot(1, nullptr), kSlotDamaged) << c.what;
    EXPECT_EQ(ReadSaveSlot(1), -1) << c.what;
    EXPECT_EQ(g_battle.Money, 5) << c.what;
  }
  EXPECT_EQ(CheckSaveSlot(2, nullptr), kSlotEmpty);
  EXPECT_EQ(ReadSaveSlot(2), -1) << "missing slot";
}

// A slot cut inside its last number, or with more after its last line, is not whole.
TEST_F(SaveFilesTest, ASlotMustEndWithItsLastLine) {
  const std::string whole = CrLfLines(NewGameSlotLines());
  WriteFile(SlotPath("save06.dat"), whole);
  EXPECT_EQ(CheckSaveSlot(6, nullptr), kSlotValid);
  WriteFile(SlotPath("save06.dat"), whole.substr(0, whole.size() - 3));   // "0,72000,0,0" cut to "0,72000,0"
  EXPECT_EQ(CheckSaveSlot(6, nullptr), kSlotDamaged);
  WriteFile(SlotPath("save06.dat"), whole.substr(0, whole.size() - 2));   // the last CR LF lost
  EXPECT_EQ(CheckSaveSlot(6, nullptr), kSlotDamaged);
  WriteFile(SlotPath("save06.dat"), whole + "0\r\n");
  EXPECT_EQ(CheckSaveSlot(6, nullptr), kSlotDamaged);
  WriteFile(SlotPath("save06.dat"), whole + std::string(1 << 20, 'x'));
  EXPECT_EQ(CheckSaveSlot(6, nullptr), kSlotDamaged);
}

TEST_F(SaveFilesTest, LineFeedOnlySlotsAreRefused) {
  std::string lf;
  for (const std::string& line : NewGameSlotLines()) lf += line + "\n";
  WriteFile(SlotPath("save04.dat"), lf);
  EXPECT_EQ(ReadSaveSlot(4), -1);
}

TEST_F(SaveFilesTest, AFailedSaveLeavesThePreviousFileWhole) {
  const char* faults[] = {"TextFileWrite", "FlushFileBuffers", "TextFileOpen"};
  ASSERT_EQ(WriteSaveSlot(9), 0);
  ASSERT_EQ(SaveConfig(), 0);
  const std::string slotBefore = ReadFile(SlotPath("save09.dat"));
  const std::string configBefore = ReadFile(ConfigPath());
  const std::vector<std::string> filesBefore = SaveFolder();
  g_battle.Money = 999;
  GameSettings.musicVolume = 1;
  for (const char* fault : faults) {
    pf::testing::FailNextCalls(fault, 1);
    EXPECT_EQ(WriteSaveSlot(9), -1) << fault;
    pf::testing::FailNextCalls(fault, 1);
    EXPECT_EQ(SaveConfig(), -1) << fault;
    pf::testing::ClearFaults();
    EXPECT_EQ(ReadFile(SlotPath("save09.dat")), slotBefore) << fault;
    EXPECT_EQ(ReadFile(ConfigPath()), configBefore) << fault;
    EXPECT_EQ(SaveFolder().size(), filesBefore.size()) << fault;
  }
}

TEST_F(SaveFilesTest, NothingIsWrittenWithoutTheSaveFolder) {
  std::filesystem::remove_all(root_ + "/save");
  EXPECT_EQ(SaveConfig(), -1);
  EXPECT_EQ(WriteSaveSlot(0), -1);
  EXPECT_FALSE(std::filesystem::exists(root_ + "/save"));
  EXPECT_TRUE(std::filesystem::is_empty(root_));
}

}  // namespace
}  // namespace horundel
