// The six motion files parse line by line as the game reads them, reach every motion number the
// game plays, stay inside each table's picture set and part limit, and loop where the game
// relies on a motion cycling within its range.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/generated_set.h"

namespace zelvo_test {
namespace {

struct MotionPart {
  int x, y;
  float angle;
  int picture, mirror;
};

struct MotionRecord {
  int last, duration, next;
  std::vector<MotionPart> parts;
};

// Parsed with the game's formats; a failure is reported and ends the list.
std::vector<MotionRecord> ParseMotions(const std::string& path) {
  std::vector<MotionRecord> motions;
  std::vector<std::string> lines = CrLfLines(GeneratedFile(path));
  for (std::size_t i = 0; i < lines.size();) {
    MotionRecord m{};
    EXPECT_LT(lines[i].size(), 100u) << path << " line " << i;
    if (std::sscanf(lines[i].c_str(), "%d,%d,%d", &m.last, &m.duration, &m.next) != 3) {
      ADD_FAILURE() << path << ": bad header at line " << i;
      break;
    }
    ++i;
    for (int j = 0; j <= m.last && i < lines.size(); ++j, ++i) {
      MotionPart p{};
      EXPECT_LT(lines[i].size(), 100u) << path << " line " << i;
      EXPECT_EQ(std::sscanf(lines[i].c_str(), "%d,%d,%f,%d,%d", &p.x, &p.y, &p.angle, &p.picture, &p.mirror), 5)
          << path << " line " << i;
      m.parts.push_back(p);
    }
    EXPECT_EQ(static_cast<int>(m.parts.size()), m.last + 1) << path << " motion " << motions.size();
    motions.push_back(m);
  }
  return motions;
}

struct MotionTable {
  const char* path;
  int readLimit;         // motions the game reads at most
  int highestPlayed;     // the highest motion number any state, screen or pickup shows
  int pictures;          // the table's picture set
};

const MotionTable kTables[] = {
    {"mot\\mot_mychr.dat", 400, 369, 46}, {"mot\\mot_riveter.dat", 50, 33, 23}, {"mot\\mot_plier.dat", 100, 86, 24},
    {"mot\\mot_tank.dat", 50, 49, 4},     {"mot\\mot_hober.dat", 40, 26, 4},    {"mot\\mot_heli.dat", 40, 22, 12},
};

TEST(GeneratedMotions, EveryTableParsesAndStaysInItsLimits) {
  for (const MotionTable& t : kTables) {
    std::vector<MotionRecord> motions = ParseMotions(t.path);
    EXPECT_GT(static_cast<int>(motions.size()), t.highestPlayed) << t.path;
    EXPECT_LE(static_cast<int>(motions.size()), t.readLimit) << t.path;
    for (std::size_t n = 0; n < motions.size(); ++n) {
      const MotionRecord& m = motions[n];
      EXPECT_GE(m.last, 0) << t.path << " " << n;
      EXPECT_LE(m.last, 19) << t.path << " " << n;
      EXPECT_GE(m.duration, 1) << t.path << " " << n;
      EXPECT_GE(m.next, 0) << t.path << " " << n;
      EXPECT_LT(m.next, static_cast<int>(motions.size())) << t.path << " " << n;
      for (const MotionPart& p : m.parts) {
        EXPECT_GE(p.picture, 0) << t.path << " " << n;
        EXPECT_LT(p.picture, t.pictures) << t.path << " " << n;
        EXPECT_TRUE(p.mirror == 0 || p.mirror == 1) << t.path << " " << n;
      }
    }
  }
}

// Following the next links from `first` stays in first..last and comes back to first (a loop),
// or ends on a motion that leads to `end` for good.
TEST(GeneratedMotions, RangesLoopOrSettleWhereTheGameExpects) {
  struct Range {
    const char* path;
    int first, last, settlesOn;   // settlesOn -1: the range loops
  };
  const Range ranges[] = {
      {"mot\\mot_mychr.dat", 0, 7, -1},      // idle
      {"mot\\mot_mychr.dat", 8, 27, -1},     // run, with the footfalls at 12 and 24
      {"mot\\mot_mychr.dat", 61, 68, -1},    // walking with a gun
      {"mot\\mot_mychr.dat", 338, 357, -1},  // the back-flip spin
      {"mot\\mot_mychr.dat", 281, 288, 288}, // the hangar departure ends standing
      {"mot\\mot_plier.dat", 0, 11, -1},
      {"mot\\mot_plier.dat", 12, 30, -1},
      {"mot\\mot_riveter.dat", 1, 8, 0},     // the companion waves, then idles
      {"mot\\mot_tank.dat", 28, 35, -1},     // machine pickups cycle in these ranges
      {"mot\\mot_hober.dat", 18, 26, -1},
      {"mot\\mot_heli.dat", 15, 22, -1},
  };
  for (const Range& r : ranges) {
    std::vector<MotionRecord> motions = ParseMotions(r.path);
    ASSERT_GT(static_cast<int>(motions.size()), r.last) << r.path;
    int n = r.first;
    for (int step = 0; step < r.last - r.first; ++step) {
      EXPECT_EQ(motions[n].next, n + 1) << r.path << " " << n;
      n = motions[n].next;
    }
    if (r.settlesOn < 0) {
      EXPECT_EQ(motions[r.last].next, r.first) << r.path;
    } else {
      EXPECT_EQ(motions[r.last].next, r.settlesOn) << r.path;
      EXPECT_EQ(motions[r.settlesOn].next, r.settlesOn) << r.path;
    }
  }
}

// The heroine's poses draw her whole body; her hand-held weapon and the soldier's gun are parts
// the game swaps for the weapon in hand.
TEST(GeneratedMotions, FiguresAssembleTheirBodyAndWeapon) {
  for (const char* path : {"mot\\mot_mychr.dat", "mot\\mot_plier.dat", "mot\\mot_riveter.dat"}) {
    std::vector<MotionRecord> motions = ParseMotions(path);
    for (std::size_t n = 0; n < motions.size(); ++n) {
      std::vector<bool> seen(46, false);
      for (const MotionPart& p : motions[n].parts) seen[p.picture] = true;
      for (int body = 0; body < 16; ++body) EXPECT_TRUE(seen[body]) << path << " motion " << n << " part " << body;
    }
  }
  std::vector<MotionRecord> heroine = ParseMotions("mot\\mot_mychr.dat");
  auto holds = [&](int motion, int picture) {
    for (const MotionPart& p : heroine[motion].parts)
      if (p.picture == picture) return true;
    return false;
  };
  EXPECT_TRUE(holds(54, 28));    // aiming: the gun in hand
  EXPECT_FALSE(holds(54, 23));
  EXPECT_TRUE(holds(92, 28));    // the combo swings the tool-weapon with its grip, glow and trail
  EXPECT_TRUE(holds(92, 23));
  EXPECT_TRUE(holds(92, 24));
  EXPECT_TRUE(holds(96, 40));
  std::vector<MotionRecord> soldier = ParseMotions("mot\\mot_plier.dat");
  bool armed = false;
  for (const MotionPart& p : soldier[71].parts) armed |= p.picture == 23;
  EXPECT_TRUE(armed);
}

}  // namespace
}  // namespace zelvo_test
