// The generated data set as a whole: every file the game opens is there, the generator writes the
// same bytes every time, and the packed archives hold exactly the loose files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data_set.h"
#include "media/core/archive_files.h"
#include "media/core/file_ops.h"
#include "platform/kernel/kernel.h"
#include "tools/generated_set.h"

namespace zelvo_test {
namespace {

std::string Format(const char* pattern, int a, int b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

// Every name the game opens, built from its own lists rather than from the generator's tables.
std::vector<std::string> NamesTheGameOpens() {
  std::vector<std::string> names;
  for (int n = 0; n <= 8; ++n) names.push_back(Format("bmp\\system\\flame%02d.bmp", n));
  for (const char* name : {"hpbar", "statusbase", "statusweaponnum", "doorbase", "doorbottom", "doortop", "doordoor",
                           "statusweapondisp", "number", "quorvane", "titleback", "titlelogo", "sback", "shopgirl",
                           "warning", "mission", "start", "carrier", "croud1", "croud2", "croud3", "complete",
                           "clearbonus", "cleartime", "maxhit", "totalscore", "newrecord", "failed", "rescue"})
    names.push_back(std::string("bmp\\system\\") + name + ".bmp");
  for (const char* name : {"expload1", "bullet", "missile", "mine", "bulletcharge", "energytank", "needle", "mine2",
                           "light_b", "light_r", "emotion1", "hit", "bonus", "enemy", "rest", "shop", "help", "in", "go"})
    names.push_back(std::string("bmp\\effect\\") + name + ".bmp");
  names.push_back("bmp\\object\\object.bmp");
  for (int n = 0; n <= 45; ++n)
    if (n != 28) names.push_back(Format("bmp\\chara00\\a%03d.bmp", n));
  for (int n = 0; n <= 22; ++n) names.push_back(Format("bmp\\chara01\\b%03d.bmp", n));
  for (int n = 0; n <= 20; ++n) names.push_back(Format("bmp\\chara02\\c%03d.bmp", n));
  names.push_back("bmp\\chara03\\canon.bmp");
  for (int n = 0; n <= 3; ++n) names.push_back(Format("bmp\\chara04\\e%03d.bmp", n));
  for (int n = 1; n <= 3; ++n) names.push_back(Format("bmp\\chara05\\f%03d.bmp", n));
  for (int n = 0; n <= 3; ++n) names.push_back(Format("bmp\\chara06\\g%03d.bmp", n));
  for (const char* name : {"autogun", "computer", "cguard", "track", "rtank1", "rtank2", "rhober", "rheli"})
    names.push_back(std::string("bmp\\enemy\\") + name + ".bmp");
  for (const char* name : {"brellik", "mg", "stg", "arf", "rl", "ml", "gl", "pb", "aa", "hmg", "rc", "lr",
                           "atr", "atm", "bg", "sl", "gt", "cb", "nb", "fm", "llc", "sbc", "ac"})
    names.push_back(std::string("bmp\\weapon\\") + name + ".bmp");
  for (int n = 0; n <= 6; ++n) names.push_back(Format("bmp\\back\\back%02d.bmp", n));
  for (int n = 0; n <= 4; ++n) {
    names.push_back(Format("bmp\\cg\\cg%d%d.bmp", n / 10, n % 10));
    names.push_back(Format("bmp\\cg\\cgh%d%d.bmp", n / 10, n % 10));
    names.push_back(Format("bmp\\cg\\cgt%02d.bmp", n));
  }
  names.push_back("bmp\\cg\\cgtclose.bmp");
  for (const char* name : {"mychr", "plier", "riveter", "tank", "hober", "heli"})
    names.push_back(std::string("mot\\mot_") + name + ".dat");
  for (const char* name : {"boost", "break", "land", "jump", "gun", "gun2", "gun3", "hit", "hit2", "hit3", "swing",
                           "blade", "down", "bomb", "bomb2", "bomb3", "bomb4", "shootdown", "guard", "weapon",
                           "weapon2", "weapon3", "damage", "item", "item2", "cursor1", "cursor2", "cursor3",
                           "warning", "warning2", "airplain", "laser"})
    names.push_back(std::string("wav\\sound_") + name + ".wav");
  for (int n = 0; n <= 7; ++n) names.push_back(Format("bgm\\bgm%d%d.ogg", n / 10, n % 10));
  // Training areas 0-1, the base attack's six areas up to the boss, then the later missions.
  const int areas[6] = {2, 6, 3, 2, 1, 1};
  for (const char* level : {"easy", "hard"})
    for (int mission = 0; mission < 6; ++mission)
      for (int area = 0; area < areas[mission]; ++area)
        names.push_back(std::string("map\\") + level + Format("\\c%02d%02d.dat", mission, area));
  names.push_back("tempmap.dat");
  for (int n = 0; n <= 25; ++n) names.push_back(Format("text\\battle%02d%02d.dat", 0, n));
  for (int n = 0; n <= 12; ++n) names.push_back(Format("text\\advice%02d.dat", n));
  return names;
}

TEST(GameDataSet, HoldsEveryFileTheGameOpens) {
  for (const std::string& name : NamesTheGameOpens()) EXPECT_EQ(GeneratedFiles().count(name), 1u) << name;
  for (const char* folder : {"save", "ss", "cg"}) {
    EXPECT_TRUE(std::filesystem::is_directory(GeneratedLooseRoot() + "/" + folder)) << folder;
    EXPECT_TRUE(std::filesystem::is_directory(GeneratedPackedRoot() + "/" + folder)) << folder;
  }
}

TEST(GameDataSet, IsTheSameOnEveryRun) {
  zelvo_datagen::DataSet first = zelvo_datagen::BuildGameData();
  zelvo_datagen::DataSet second = zelvo_datagen::BuildGameData();
  ASSERT_EQ(first.files.size(), second.files.size());
  // The build's own run, in another process, wrote exactly these files with these bytes.
  EXPECT_EQ(first.files.size(), GeneratedFiles().size());
  for (std::size_t i = 0; i < first.files.size(); ++i) {
    const zelvo_datagen::DataFile& file = first.files[i];
    EXPECT_EQ(file.path, second.files[i].path);
    EXPECT_TRUE(file.bytes == second.files[i].bytes) << file.path;
    EXPECT_TRUE(file.bytes == GeneratedFile(file.path)) << file.path;
  }
}

// Read through the library's file layer with the packed folder as the current folder, so every
// "bmp\..." path resolves into bmp.zva.
class PackedDataSet : public ::testing::Test {
 protected:
  void SetUp() override {
    zelvo::FillStreamOpsTables();
    ASSERT_TRUE(pf::SetCurrentDirectory(pf::HostPathToWindows(GeneratedPackedRoot()).c_str()));
  }
  void TearDown() override { zelvo::ResetArchiveState(); }
};

Bytes ReadThroughFileLayer(const std::string& path) {
  zelvo::FileHandle f = zelvo::FileOpen(path.c_str(), 0, 1, 0);
  if (f == 0) return {};
  Bytes all;
  std::uint8_t chunk[65536];
  for (int got; (got = zelvo::FileRead(chunk, 1, sizeof chunk, f)) > 0;) all.insert(all.end(), chunk, chunk + got);
  zelvo::FileClose(f);
  return all;
}

TEST_F(PackedDataSet, ArchivesHoldTheLooseFiles) {
  for (const char* folder : {"bmp", "wav", "bgm", "mot", "map", "text"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(GeneratedPackedRoot() + "/" + folder + ".zva")) << folder;
    EXPECT_FALSE(std::filesystem::exists(GeneratedPackedRoot() + "/" + folder)) << folder;
  }
  for (const auto& [path, bytes] : GeneratedFiles()) {
    Bytes packed = ReadThroughFileLayer(path);
    EXPECT_EQ(packed.size(), bytes.size()) << path;
    EXPECT_TRUE(packed == bytes) << path;
  }
}

}  // namespace
}  // namespace zelvo_test
