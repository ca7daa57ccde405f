// Writes the input as the heroine's motion file and reads it into the heroine's and the tank's
// tables (read limits 400 and 50): every stored part index stays within the 20 parts, the record
// after the read limit stays zero, and the motions play and draw whatever numbers the file gave.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "platform/kernel/kernel.h"
#include "support/test_paths.h"
#include "support/zva_writer.h"

namespace {

std::string g_folder;

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsZero(const horundel::MotionRecord& record) {
  static const horundel::MotionRecord zero{};
  return std::memcmp(&record, &zero, sizeof zero) == 0;
}

void CheckTable(const horundel::MotionRecord* table, int bound) {
  for (int motion = 0; motion <= bound; ++motion) {
    Check(table[motion].lastPart >= -1 && table[motion].lastPart < horundel::kMotionParts);
  }
  Check(IsZero(table[bound]));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_folder = zelvo_test::MakeScratchFolder("battle_motion_fuzz");
  std::filesystem::create_directories(g_folder + "/mot");
  pf::SetCurrentDirectory(pf::HostPathToWindows(g_folder).c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace horundel;
  zelvo_test::WriteFileBytes(g_folder + "/mot/mot_mychr.dat", std::vector<std::uint8_t>(data, data + size));
  std::memset(HeroineMotions, 0, sizeof HeroineMotions);
  std::memset(TankMotions, 0, sizeof TankMotions);
  ReadMotionFile("mot\\mot_mychr.dat", HeroineMotions, kHeroineMotionBound);
  ReadMotionFile("mot\\mot_mychr.dat", TankMotions, kTankMotionBound);
  CheckTable(HeroineMotions, kHeroineMotionBound);
  CheckTable(TankMotions, kTankMotionBound);
  Character& player = CharacterTable[kPlayerSlot];
  player = Character{};
  for (int frame = 0; frame < 64; ++frame) {
    AdvanceMotion(kPlayerSlot, kMotionHeroine);
    DrawMotion(kMotionHeroine, 320, 240, player.motion, frame % 2 == 0 ? 1 : -1, 0.8f, frame % 23, 0);
    DrawMotion(kMotionTank, 320, 240, player.motion, 1, 1.0f, 0, 1);
  }
  return 0;
}
