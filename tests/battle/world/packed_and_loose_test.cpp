// The packed data set loads exactly what the loose one does: after LoadAll and mission 1's stage, the
// same graphs (same handles, sizes and pixels on the screen) and the same sounds (formats, lengths
// and samples), with the same motion tables.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/world/map_file.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/sound_input/sound_state.h"
#include "platform/testing.h"

namespace horundel {
namespace {

struct GraphSeen {
  int handle, width, height;
  std::string file;
  std::uint64_t drawn;   // a hash of the frame with the graph drawn alone at the top left
  bool operator==(const GraphSeen&) const = default;
};

struct SoundSeen {
  int slot, streamed, channels, rate, bits, length;
  std::uint64_t samples;   // a hash of an effect's whole buffer; streamed music keeps only its length
  bool operator==(const SoundSeen&) const = default;
};

struct Loaded {
  std::vector<GraphSeen> graphs;
  std::vector<SoundSeen> sounds;
  std::vector<MotionRecord> motions;
};

std::uint64_t Hash(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t hash = 1469598103934665603ull;
  for (std::size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

std::uint64_t PresentedFrameHash() {
  std::vector<std::uint32_t> frame;
  int width = 0, height = 0;
  pf::testing::LastPresentedFrame(&frame, &width, &height);
  return Hash(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size() * sizeof(std::uint32_t));
}

// The whole buffer's bytes and their hash.
std::uint64_t BufferHash(pf::DirectSoundBuffer* buffer, int* bytes) {
  void* part1 = nullptr;
  void* part2 = nullptr;
  std::uint32_t bytes1 = 0, bytes2 = 0;
  if (buffer == nullptr || buffer->Lock(0, 0, &part1, &bytes1, &part2, &bytes2, pf::DSBLOCK_ENTIREBUFFER) != 0) {
    return 0;
  }
  const std::uint64_t hash = Hash(static_cast<const std::uint8_t*>(part1), bytes1);
  buffer->Unlock(part1, bytes1, part2, bytes2);
  *bytes = static_cast<int>(bytes1);
  return hash;
}

void AppendMotions(const MotionRecord* table, int count, std::vector<MotionRecord>* out) {
  out->insert(out->end(), table, table + count);
}

class PackedAndLoose : public ::testing::Test {
 protected:
  void SetUp() override {
    char saved[4096];
    savedFolder_ = getcwd(saved, sizeof saved) != nullptr ? saved : "/";
    std::snprintf(title_, sizeof title_, "zelvo-packed-%d", static_cast<int>(getpid()));
  }
  void TearDown() override { EXPECT_EQ(chdir(savedFolder_.c_str()), 0); }

  Loaded LoadFrom(const char* folder) {
    Loaded loaded;
    EXPECT_EQ(chdir((std::string(ZELVO_GAMEDATA_DIR) + "/" + folder).c_str()), 0);
    SetLogFileEnabled(0);
    SwitchWindowMode(1);
    SetWindowTitleText(title_);
    if (StartUpLibrary() != 0) {
      ADD_FAILURE() << "start-up failed in " << folder;
      return loaded;
    }
    g_battle.CurrentMission = 1;
    g_battle.Difficulty = 1;
    // The stage remembers what it holds across library sessions: the second load must not skip it.
    g_stage = StageState{-1, -1, -1, -1, -1};
    LoadAll();
    LoadMap(kMapSourceMission, 1, 0);
    EXPECT_GE(g_stage.musicHandle, 0) << folder;
    EXPECT_GE(g_stage.backgroundHandle, 0) << folder;

    SelectDrawTarget(-2);
    for (int slot = 0; slot < zelvo::g_graphs.highWater; ++slot) {
      const zelvo::GraphRecord* graph = zelvo::g_graphs.slots[slot];
      if (graph == nullptr) continue;
      ClearDrawTarget();
      BlitGraph(0, 0, graph->handle, 0);
      PresentBackBuffer();
      loaded.graphs.push_back({graph->handle, graph->width, graph->height, graph->fileName, PresentedFrameHash()});
    }
    for (int slot = 0; slot < zelvo::g_sound.sounds.highWater; ++slot) {
      const zelvo::SoundHandleRecord* sound = zelvo::g_sound.sounds.slots[slot];
      if (sound == nullptr) continue;
      SoundSeen seen{slot, sound->streamed, sound->waveFormat.channels,
                     static_cast<int>(sound->waveFormat.samplesPerSec), sound->waveFormat.bitsPerSample,
                     sound->totalLength, 0};
      if (!sound->streamed) seen.samples = BufferHash(sound->buffers[0].directSoundBuffer, &seen.length);
      EXPECT_GT(seen.length, 0) << folder << " sound slot " << slot;
      loaded.sounds.push_back(seen);
    }
    AppendMotions(HeroineMotions, kHeroineMotionBound + 1, &loaded.motions);
    AppendMotions(RiveterMotions, kRiveterMotionBound + 1, &loaded.motions);
    AppendMotions(PlierMotions, kPlierMotionBound + 1, &loaded.motions);
    AppendMotions(TankMotions, kTankMotionBound + 1, &loaded.motions);
    AppendMotions(HoberMotions, kHoberMotionBound + 1, &loaded.motions);
    AppendMotions(HeliMotions, kHeliMotionBound + 1, &loaded.motions);
    EXPECT_EQ(ShutDownLibrary(), 0);
    return loaded;
  }

  std::string savedFolder_;
  char title_[64] = {};
};

TEST_F(PackedAndLoose, LoadAllAndTheFirstStageLoadTheSameFromBoth) {
  const Loaded loose = LoadFrom("loose");
  const Loaded packed = LoadFrom("packed");
  // Every picture and sound effect of the set, and the stage's music.
  ASSERT_GT(loose.graphs.size(), 200u);
  ASSERT_GE(loose.sounds.size(), static_cast<std::size_t>(kSoundEffects) + 1);
  // The drawn frames tell the pictures apart, so equal hashes mean equal pixels.
  std::set<std::uint64_t> frames;
  for (const GraphSeen& graph : loose.graphs) frames.insert(graph.drawn);
  EXPECT_GT(frames.size(), loose.graphs.size() / 2);

  ASSERT_EQ(packed.graphs.size(), loose.graphs.size());
  for (std::size_t i = 0; i < loose.graphs.size(); ++i) {
    EXPECT_TRUE(packed.graphs[i] == loose.graphs[i]) << loose.graphs[i].file << " (" << loose.graphs[i].width
                                                     << "x" << loose.graphs[i].height << ")";
  }
  ASSERT_EQ(packed.sounds.size(), loose.sounds.size());
  for (std::size_t i = 0; i < loose.sounds.size(); ++i) {
    EXPECT_TRUE(packed.sounds[i] == loose.sounds[i]) << "sound slot " << loose.sounds[i].slot;
  }
  ASSERT_EQ(packed.motions.size(), loose.motions.size());
  for (std::size_t i = 0; i < loose.motions.size(); ++i) {
    EXPECT_EQ(std::memcmp(&packed.motions[i], &loose.motions[i], sizeof(MotionRecord)), 0) << "motion " << i;
  }
}

}  // namespace
}  // namespace horundel
