// The map files parse as the game reads them and make playable levels: a walkable way from the
// start to every door and the goal, doors that lead to areas that exist, every tile kind and
// enemy kind somewhere, and the enemy picture sets the enemies need.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <queue>
#include <set>
#include <string>
#include <vector>

#include "tools/generated_set.h"

namespace zelvo_test {
namespace {

struct MapObjectLine {
  int type, kind;
  float x, y;
  int parameter;
};

// The reading paths a map took beyond the plain ones.
struct FormatFeatures {
  int shortRows = 0;
  int otherCharacters = 0;   // cells of a character that names no kind
  int skippedObjects = 0;    // object types other than enemies and events
  int sealedDoors = 0;       // events of kind 3
};

struct ParsedMap {
  std::string path;
  FormatFeatures features;
  int mission = 0, area = 0;
  int background = -1, music = -1, enemySet = -1, lastColumn = -1, lastRow = -1;
  float goalX = 0, goalY = 0, startX = 0, startY = 0;
  std::vector<std::string> rows;
  std::vector<MapObjectLine> objects;

  int Kind(int c, int r) const {
    if (c < 0 || r < 0 || c > lastColumn || r > lastRow) return 20;   // outside reads as the frame
    char ch = rows[r][c];
    if (ch >= '1' && ch <= '9') return (ch - '0') * 10;
    return ch == 'a' ? 100 : ch == 'b' ? 110 : 0;
  }
};

ParsedMap ParseMap(const std::string& path, int mission, int area) {
  ParsedMap m;
  m.path = path, m.mission = mission, m.area = area;
  const Bytes& bytes = GeneratedFile(path);
  EXPECT_TRUE(bytes.size() >= 2 && bytes[bytes.size() - 2] == '\r' && bytes.back() == '\n') << path;
  std::vector<std::string> lines = CrLfLines(bytes);
  for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << path;
  if (lines.size() < 9) {
    ADD_FAILURE() << path << ": too short";
    return m;
  }
  EXPECT_EQ(std::sscanf(lines[0].c_str(), "%d", &m.background), 1);
  EXPECT_EQ(std::sscanf(lines[1].c_str(), "%d", &m.music), 1);
  EXPECT_EQ(std::sscanf(lines[2].c_str(), "%d", &m.enemySet), 1);
  EXPECT_EQ(std::sscanf(lines[3].c_str(), "%d", &m.lastColumn), 1);
  EXPECT_EQ(std::sscanf(lines[4].c_str(), "%d", &m.lastRow), 1);
  EXPECT_EQ(std::sscanf(lines[5].c_str(), "%f", &m.goalX), 1);
  EXPECT_EQ(std::sscanf(lines[6].c_str(), "%f", &m.goalY), 1);
  EXPECT_TRUE(m.lastColumn >= 0 && m.lastColumn <= 100 && m.lastRow >= 0 && m.lastRow <= 100) << path;
  std::size_t at = 7;
  // The cells as the game reads them into a fresh map: a short row is empty to its end, a character
  // that names no kind is an empty cell.
  for (int r = 0; r <= m.lastRow && at < lines.size(); ++r, ++at) {
    std::string row = lines[at];
    EXPECT_LE(static_cast<int>(row.size()), m.lastColumn + 1) << path << " row " << r;
    if (static_cast<int>(row.size()) < m.lastColumn + 1) {
      ++m.features.shortRows;
      row.resize(m.lastColumn + 1, '0');
    }
    for (char& cell : row) {
      if (std::string("0123456789ab").find(cell) != std::string::npos) continue;
      ++m.features.otherCharacters;
      cell = '0';
    }
    m.rows.push_back(row);
  }
  if (at >= lines.size()) {
    ADD_FAILURE() << path << ": no start line";
    return m;
  }
  EXPECT_EQ(std::sscanf(lines[at].c_str(), "%f,%f", &m.startX, &m.startY), 2) << path;
  for (++at; at < lines.size(); ++at) {
    MapObjectLine o{};
    EXPECT_LT(lines[at].size(), 100u) << path;
    EXPECT_EQ(std::sscanf(lines[at].c_str(), "%d,%d,%f,%f,%d", &o.type, &o.kind, &o.x, &o.y, &o.parameter), 5) << path;
    if (o.type != 2 && o.type != 40) {
      ++m.features.skippedObjects;
      continue;
    }
    m.features.sealedDoors += o.type == 40 && o.kind == 3;
    m.objects.push_back(o);
  }
  return m;
}

// The mission maps of one set; the easy set also takes the fixed map "tempmap.dat".
std::vector<ParsedMap> AllMaps(const char* level) {
  std::vector<ParsedMap> maps;
  if (level[0] == 'e') maps.push_back(ParseMap("tempmap.dat", -1, 0));
  for (int mission = 0; mission < 6; ++mission)
    for (int area = 0; area < 100; ++area) {
      char path[40];
      std::snprintf(path, sizeof path, "map\\%s\\c%02d%02d.dat", level, mission, area);
      if (GeneratedFiles().count(path) == 0) break;
      maps.push_back(ParseMap(path, mission, area));
    }
  return maps;
}

bool Exists(const ParsedMap& from, int area) {
  char path[40];
  std::snprintf(path, sizeof path, "c%02d%02d.dat", from.mission, area);
  return GeneratedFiles().count(from.path.substr(0, from.path.rfind('\\') + 1) + path) == 1;
}

// Standing places reachable on foot: walking (falling as far as the ground), and climbing one or
// two cells onto a neighbouring cell. Breakable blocks count as passable, since she can break them.
std::set<std::pair<int, int>> ReachableFrom(const ParsedMap& m, int c0, int r0) {
  auto breakable = [](int k) { return k == 10 || (k >= 30 && k <= 80); };
  auto passable = [&](int c, int r) { return c >= 0 && r >= 0 && c <= m.lastColumn && r <= m.lastRow && (m.Kind(c, r) == 0 || breakable(m.Kind(c, r))); };
  auto solid = [&](int c, int r) { return m.Kind(c, r) > 0; };
  std::set<std::pair<int, int>> seen{{c0, r0}};
  std::queue<std::pair<int, int>> todo;
  todo.push({c0, r0});
  while (!todo.empty()) {
    auto [c, r] = todo.front();
    todo.pop();
    auto visit = [&](int nc, int nr) {
      if (seen.insert({nc, nr}).second) todo.push({nc, nr});
    };
    for (int dc : {-1, 1}) {
      if (passable(c + dc, r)) {
        int land = r;
        while (!solid(c + dc, land + 1)) ++land;
        visit(c + dc, land);
      }
      for (int h = 1; h <= 2; ++h) {
        bool clear = true;
        for (int k = 1; k <= h; ++k) clear = clear && passable(c, r - k);
        if (clear && passable(c + dc, r - h) && solid(c + dc, r - h + 1)) visit(c + dc, r - h);
      }
    }
  }
  return seen;
}

TEST(GeneratedMaps, EveryMapParsesAndIsPlayable) {
  for (const char* level : {"easy", "hard"}) {
    std::vector<ParsedMap> maps = AllMaps(level);
    ASSERT_GE(maps.size(), 15u) << level;
    for (const ParsedMap& m : maps) {
      if (m.rows.size() != static_cast<std::size_t>(m.lastRow + 1)) continue;
      char background[40], music[40];
      std::snprintf(background, sizeof background, "bmp\\back\\back%02d.bmp", m.background);
      std::snprintf(music, sizeof music, "bgm\\bgm%d%d.ogg", m.music / 10, m.music % 10);
      EXPECT_EQ(GeneratedFiles().count(background), 1u) << m.path;
      EXPECT_EQ(GeneratedFiles().count(music), 1u) << m.path;
      EXPECT_TRUE(m.enemySet >= 0 && m.enemySet <= 5) << m.path;

      int c0 = static_cast<int>(m.startX / 100), r0 = static_cast<int>(m.startY / 100);
      EXPECT_EQ(m.Kind(c0, r0), 0) << m.path;
      EXPECT_GT(m.Kind(c0, r0 + 1), 0) << m.path << ": the start stands on the ground";
      std::set<std::pair<int, int>> reach = ReachableFrom(m, c0, r0);
      auto near = [&](int c, int r, int within) {
        for (const auto& [rc, rr] : reach)
          if (std::abs(rc - c) <= within && std::abs(rr - r) <= within) return true;
        return false;
      };
      EXPECT_TRUE(near(static_cast<int>(m.goalX / 100), static_cast<int>(m.goalY / 100), 2)) << m.path << ": goal";
      for (const MapObjectLine& o : m.objects) {
        if (o.type != 40) continue;
        EXPECT_TRUE(near(static_cast<int>(o.x / 100), static_cast<int>(o.y / 100), 0)) << m.path << ": door at " << o.x;
        if (o.kind == 0) {
          EXPECT_TRUE(Exists(m, o.parameter)) << m.path << ": door to area " << o.parameter;
        }
        if (o.kind == 2) {
          EXPECT_TRUE(o.parameter >= 0 && o.parameter <= 4) << m.path << ": gallery picture";
        }
      }
    }
  }
}

TEST(GeneratedMaps, EveryTileAndEnemyKindAppearsWithItsPictures) {
  std::set<int> tiles, enemies;
  for (const ParsedMap& m : AllMaps("easy")) {
    for (int r = 0; r <= m.lastRow && r < static_cast<int>(m.rows.size()); ++r)
      for (int c = 0; c <= m.lastColumn; ++c) tiles.insert(m.Kind(c, r));
    for (const MapObjectLine& o : m.objects) {
      if (o.type != 2) continue;
      enemies.insert(o.kind);
      // The boss and its pods draw from enemy set 1, trucks from set 2.
      if (o.kind == 60 || o.kind == 70) {
        EXPECT_EQ(m.enemySet, 1) << m.path;
      }
      if (o.kind == 80) {
        EXPECT_EQ(m.enemySet, 2) << m.path;
      }
      if (o.kind == 0 || o.kind == 10 || o.kind == 11) {
        EXPECT_TRUE(o.parameter >= 0 && o.parameter <= 22) << m.path;
      }
    }
  }
  for (int kind = 0; kind <= 110; kind += 10) EXPECT_EQ(tiles.count(kind), 1u) << "tile kind " << kind;
  for (int kind : {0, 10, 11, 20, 30, 40, 50, 60, 70, 80}) EXPECT_EQ(enemies.count(kind), 1u) << "enemy kind " << kind;
}

// The hard ground is the easy ground, but for repair blocks laid on open cells.
std::string HardGroundDifference(const ParsedMap& easy, const ParsedMap& hard) {
  if (easy.rows.size() != hard.rows.size()) return "row count";
  for (std::size_t r = 0; r < easy.rows.size(); ++r) {
    if (easy.rows[r].size() != hard.rows[r].size()) return "row " + std::to_string(r) + " width";
    for (std::size_t c = 0; c < easy.rows[r].size(); ++c) {
      if (easy.rows[r][c] == hard.rows[r][c]) continue;
      if (easy.rows[r][c] != '0' || hard.rows[r][c] != '5') {
        return "cell " + std::to_string(c) + "," + std::to_string(r);
      }
    }
  }
  return "";
}

TEST(GeneratedMaps, MissionOneEndsWithTheBossAndHardMapsHoldMoreEnemies) {
  ParsedMap boss = ParseMap("map\\easy\\c0105.dat", 1, 5);
  int bosses = 0;
  for (const MapObjectLine& o : boss.objects) bosses += o.type == 2 && o.kind == 60;
  EXPECT_EQ(bosses, 1);

  std::vector<ParsedMap> easy = AllMaps("easy"), hard = AllMaps("hard");
  easy.erase(easy.begin());   // the fixed map has no hard twin
  ASSERT_EQ(easy.size(), hard.size());
  std::size_t easyCount = 0, hardCount = 0;
  for (std::size_t i = 0; i < easy.size(); ++i) {
    EXPECT_EQ(HardGroundDifference(easy[i], hard[i]), "") << hard[i].path;
    EXPECT_LE(easy[i].objects.size(), hard[i].objects.size()) << hard[i].path;
    easyCount += easy[i].objects.size();
    hardCount += hard[i].objects.size();
  }
  EXPECT_LT(easyCount, hardCount);
}

// The maps played through (the training and mission 1, easy and hard) take every reading path the
// format has: short rows, characters that name no kind, skipped object types, sealed doors.
TEST(GeneratedMaps, PlayedMapsUseEveryFeatureOfTheFormat) {
  for (const char* level : {"easy", "hard"}) {
    FormatFeatures training, missionOne;
    for (const ParsedMap& m : AllMaps(level)) {
      FormatFeatures* sum = m.mission == 0 ? &training : m.mission == 1 ? &missionOne : nullptr;
      if (sum == nullptr) continue;
      sum->shortRows += m.features.shortRows;
      sum->otherCharacters += m.features.otherCharacters;
      sum->skippedObjects += m.features.skippedObjects;
      sum->sealedDoors += m.features.sealedDoors;
    }
    for (const FormatFeatures* f : {&training, &missionOne}) {
      EXPECT_GT(f->shortRows, 0) << level;
      EXPECT_GT(f->otherCharacters, 0) << level;
      EXPECT_GT(f->skippedObjects, 0) << level;
      EXPECT_GT(f->sealedDoors, 0) << level;
    }
  }
}

}  // namespace
}  // namespace zelvo_test
