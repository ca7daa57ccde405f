// The mission maps, "map\easy\c%02d%02d.dat" and "map\hard\c%02d%02d.dat": for every mission and
// area a level with a walkable way (climbs of at most two cells, breakable blocks allowed) from the
// start to its doors and goal. The hard set is the same ground with more enemies, and in mission 1
// a repair block at the start of each area between the first and the main computer's: there every
// hit takes three times the HP.
//
// The files are written as a level editor leaves them: a row's empty cells at its end are not
// written, a cell left blank by hand is a '.', a sealed door (event kind 3) stands where no way
// leads, and an editor's marks (object type 30) ride along for the game to skip.
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data_set.h"

namespace zelvo_datagen {
namespace {

// Enemy kinds as the map file names them.
enum EnemyKind {
  kSoldier = 0, kFloorGun = 10, kCeilingGun = 11, kCannonRider = 20, kTank = 30, kHover = 40,
  kHelicopter = 50, kBoss = 60, kGuardPod = 70, kTruck = 80
};
enum DoorKind { kAreaDoor = 0, kShopDoor = 1, kRescueDoor = 2, kSealedDoor = 3 };
constexpr int kEnemyObject = 2;
constexpr int kEventObject = 40;
constexpr int kEditorMark = 30;   // the game skips every object type but enemies and events

struct MapObject {
  int type;
  int kind;
  double x, y;
  int parameter;
  bool hardOnly;
};

class MapBuilder {
 public:
  MapBuilder(int columns, int rows, int background, int music, int enemySet)
      : columns_(columns), rows_(rows), background_(background), music_(music), enemySet_(enemySet),
        cells_(rows, std::string(columns, '0')) {
    if (columns > 101 || rows > 101) throw std::logic_error("map larger than 101 x 101");
  }

  // Cells c0..c1 x r0..r1 inclusive; '2' is the solid frame kind.
  void Fill(int c0, int r0, int c1, int r1, char cell) {
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) cells_.at(r).at(c) = cell;
  }
  // A cell that only the hard map holds, over whatever the common ground has there.
  void HardCell(int c, int r, char cell) { hardCells_.push_back({c, r, cell}); }
  // Walls on the left and right, a ceiling row and `floor` rows of floor.
  void Frame(int floor) {
    Fill(0, 0, columns_ - 1, 0, '2');
    Fill(0, rows_ - floor, columns_ - 1, rows_ - 1, '2');
    Fill(0, 0, 0, rows_ - 1, '2');
    Fill(columns_ - 1, 0, columns_ - 1, rows_ - 1, '2');
  }
  // The heroine stands in cell (c, r), on the cell below.
  void Start(int c, int r) { startX_ = 100.0 * c + 50, startY_ = 100.0 * (r + 1) - 40; }
  void Goal(int c, int r) { goalX_ = 100.0 * c + 50, goalY_ = 100.0 * r + 50; }

  // Walking kinds stand on the floor of their cell, guns hang from the top of a ceiling cell,
  // flying kinds float at the cell centre.
  void Enemy(int kind, int c, int r, int weapon = 0, bool hardOnly = false) {
    double x = 100.0 * c + 50, y = 100.0 * r + 50;
    switch (kind) {
      case kSoldier: case kFloorGun: y = 100.0 * (r + 1) - 40; break;
      case kCeilingGun: y = 100.0 * r + 40; break;
      case kCannonRider: case kTank: y = 100.0 * (r + 1) - 60; break;
      case kBoss: y = 100.0 * (r + 1) - 260; break;
      case kTruck: y = 100.0 * (r + 1) - 80; break;
      default: break;
    }
    objects_.push_back({kEnemyObject, kind, x, y, weapon, hardOnly});
  }
  // A door standing on the floor of cell (c, r); link is the target area or the gallery picture.
  // Working doors settle onto the floor themselves; a sealed one never moves, so it is placed there.
  void Door(int kind, int c, int r, int link) {
    const double y = kind == kSealedDoor ? 100.0 * (r + 1) - 40 : 100.0 * (r + 1) - 90;
    objects_.push_back({kEventObject, kind, 100.0 * c + 50, y, link, false});
    if (kind == kAreaDoor && goalX_ < 0) Goal(c, r);
  }
  void EditorMark(int c, int r) { objects_.push_back({kEditorMark, 0, 100.0 * c + 50, 100.0 * r + 50, 0, false}); }

  std::string Text(bool hard) const {
    if (startX_ < 0 || goalX_ < 0) throw std::logic_error("map without start or goal");
    std::string text;
    char line[160];
    std::snprintf(line, sizeof line, "%d\r\n%d\r\n%d\r\n%d\r\n%d\r\n%.1f\r\n%.1f\r\n", background_, music_, enemySet_,
                  columns_ - 1, rows_ - 1, goalX_, goalY_);
    text += line;
    std::vector<std::string> cells = cells_;
    for (const Cell& cell : hardCells_) {
      if (hard) cells.at(cell.r).at(cell.c) = cell.kind;
    }
    for (const std::string& row : cells) text += row.substr(0, row.find_last_not_of('0') + 1) + "\r\n";
    std::snprintf(line, sizeof line, "%.1f,%.1f\r\n", startX_, startY_);
    text += line;
    for (const MapObject& o : objects_) {
      if (o.hardOnly && !hard) continue;
      std::snprintf(line, sizeof line, "%d,%d,%.1f,%.1f,%d\r\n", o.type, o.kind, o.x, o.y, o.parameter);
      text += line;
    }
    return text;
  }

 private:
  struct Cell {
    int c, r;
    char kind;
  };
  int columns_, rows_, background_, music_, enemySet_;
  std::vector<std::string> cells_;
  std::vector<Cell> hardCells_;
  double startX_ = -1, startY_ = -1, goalX_ = -1, goalY_ = -1;
  std::vector<MapObject> objects_;
};

// Training ground: one long stretch whose lessons sit where the training script expects them
// (moving at 500, jumping at 1400, walls at 2600, a pit at 4000, blocks at 5000, armed soldiers
// from 5700, guns at 7000, a machine to capture before 8300, a rescue door after 9300).
MapBuilder TrainingGround() {
  MapBuilder m(101, 10, 0, 1, 0);
  m.Frame(2);
  m.Start(2, 7);
  m.Fill(12, 7, 15, 7, '2');            // a step
  m.Fill(16, 6, 19, 7, '2');            // a higher step
  m.Fill(26, 6, 27, 7, '2');            // a wall to cling to
  m.Fill(40, 8, 43, 8, '0');            // a pit
  m.Fill(50, 5, 51, 7, '1');            // breakable blocks across the way
  m.Fill(53, 3, 53, 3, '3');            // a block that falls
  m.Enemy(kSoldier, 58, 7, 1);
  m.Enemy(kSoldier, 61, 7, 2);
  m.Enemy(kSoldier, 64, 7, 3);
  m.Enemy(kSoldier, 45, 7, 1, true);
  m.Enemy(kSoldier, 67, 7, 14, true);
  m.Enemy(kFloorGun, 71, 7, 1);
  m.Enemy(kCeilingGun, 73, 1, 1);
  m.Enemy(kFloorGun, 35, 7, 1, true);
  m.Enemy(kCannonRider, 79, 7);
  m.Fill(86, 7, 87, 7, '4');            // supply crates
  m.Enemy(kSoldier, 89, 7, 4);
  m.Fill(91, 7, 91, 7, '5');            // a repair block
  m.Door(kRescueDoor, 95, 7, 0);
  m.Door(kAreaDoor, 98, 7, 1);
  return m;
}

MapBuilder TrainingEnd() {
  MapBuilder m(14, 8, 0, 1, 0);
  m.Frame(1);
  m.Fill(13, 1, 13, 3, '0');            // the far wall open to the sky (the map's edge holds her)
  m.Fill(13, 4, 13, 4, '.');
  m.Start(3, 6);
  m.Door(kSealedDoor, 1, 6, 0);
  m.EditorMark(10, 6);
  m.Goal(10, 6);
  return m;
}

// Mission 1: up the mountain into the base and on to its main computer.
MapBuilder BaseApproach() {
  MapBuilder m(60, 12, 1, 2, 0);
  m.Frame(2);
  m.Fill(59, 1, 59, 4, '0');            // open sky over the far wall
  m.Fill(30, 1, 33, 1, '.');
  m.Start(2, 9);
  m.Door(kSealedDoor, 1, 9, 0);
  m.EditorMark(20, 9);
  m.Fill(8, 8, 11, 9, '2');
  m.Fill(12, 7, 16, 9, '2');
  m.Fill(13, 4, 14, 4, '6');            // stones that fall onto the hill
  m.Enemy(kSoldier, 15, 6, 1);
  m.Fill(22, 8, 23, 9, '1');
  m.Enemy(kFloorGun, 28, 9, 3);
  m.Fill(31, 8, 34, 9, '2');
  m.Fill(35, 9, 36, 9, '4');
  m.Enemy(kSoldier, 40, 9, 2);
  m.Enemy(kSoldier, 44, 9, 6, true);
  m.Fill(47, 8, 48, 9, '3');
  m.Enemy(kSoldier, 52, 9, 5);
  m.Enemy(kFloorGun, 24, 9, 1, true);
  m.Door(kAreaDoor, 57, 9, 1);
  return m;
}

MapBuilder BaseGate() {
  MapBuilder m(50, 14, 1, 2, 0);
  m.Frame(2);
  m.Start(2, 11);
  m.Fill(7, 11, 9, 11, '9');            // live wires: stay clear
  m.Fill(6, 9, 10, 9, '2');             // a bridge over them
  m.Fill(5, 10, 5, 11, '2');
  m.Fill(11, 10, 11, 11, '2');
  m.Fill(14, 5, 17, 5, 'b');            // spikes that drop when hit from below
  m.Enemy(kSoldier, 16, 11, 3);
  m.Fill(20, 10, 21, 11, '8');          // explosive drums
  m.Fill(24, 11, 25, 11, '7');          // a money crate
  m.Fill(24, 10, 25, 10, '6');
  m.Enemy(kCannonRider, 30, 11);
  m.Enemy(kCeilingGun, 34, 1, 4);
  m.Fill(38, 10, 41, 11, '2');
  m.Enemy(kFloorGun, 40, 9, 1);
  m.Enemy(kSoldier, 44, 11, 4, true);
  m.Enemy(kFloorGun, 12, 11, 3, true);
  m.HardCell(3, 11, '5');
  m.Door(kAreaDoor, 47, 11, 2);
  return m;
}

// A tall shaft: platforms two cells apart, on alternate sides, up to the doors at the top.
MapBuilder BaseShaft() {
  MapBuilder m(20, 40, 2, 2, 0);
  m.Frame(1);
  m.Start(3, 38);
  for (int i = 0; 37 - 2 * i >= 3; ++i) {
    int r = 37 - 2 * i;
    bool left = i % 2 == 0;
    m.Fill(left ? 1 : 9, r, left ? 8 : 18, r, i % 5 == 4 ? '1' : '2');
    if (i % 4 == 1) m.Enemy(kSoldier, left ? 4 : 14, r - 1, 1 + i % 3);
    if (i % 4 == 2) m.Enemy(kSoldier, left ? 3 : 15, r - 1, 6, true);
    if (i % 4 == 3) m.Enemy(kCeilingGun, left ? 14 : 4, r - 1, 2);   // under the next platform
  }
  m.HardCell(5, 38, '5');
  m.Door(kShopDoor, 11, 2, 0);
  m.Door(kAreaDoor, 16, 2, 3);
  return m;
}

MapBuilder BaseHall() {
  MapBuilder m(60, 12, 2, 2, 0);
  m.Frame(2);
  m.Start(2, 9);
  m.Fill(10, 6, 10, 9, 'a');             // a lattice: shots pass, feet do not
  m.Fill(10, 9, 10, 9, '0');
  m.Fill(10, 8, 10, 8, '0');
  m.Enemy(kSoldier, 14, 9, 7);
  m.Enemy(kCannonRider, 20, 9);
  m.Fill(24, 8, 27, 9, '2');
  m.Enemy(kFloorGun, 26, 7, 5);
  m.Enemy(kCeilingGun, 31, 1, 3);
  m.Door(kRescueDoor, 36, 9, 1);
  m.Enemy(kTank, 44, 9);
  m.Enemy(kSoldier, 50, 9, 8, true);
  m.Enemy(kSoldier, 30, 9, 9, true);
  m.HardCell(4, 9, '5');
  m.Door(kAreaDoor, 57, 9, 4);
  return m;
}

MapBuilder BaseCore() {
  MapBuilder m(50, 12, 2, 2, 1);
  m.Frame(2);
  m.Start(2, 9);
  m.Enemy(kGuardPod, 20, 5, 1);
  m.Enemy(kGuardPod, 30, 4, 0);
  m.Enemy(kGuardPod, 38, 6, 3, true);
  m.Fill(14, 8, 16, 9, '2');
  m.Enemy(kSoldier, 24, 9, 10);
  m.Fill(28, 9, 29, 9, '5');
  m.Enemy(kFloorGun, 34, 9, 6);
  m.Enemy(kSoldier, 42, 9, 12, true);
  m.HardCell(4, 9, '5');
  m.Door(kAreaDoor, 47, 9, 5);
  return m;
}

MapBuilder BossRoom() {
  MapBuilder m(30, 12, 5, 3, 1);
  m.Frame(2);
  m.Start(3, 9);
  m.Enemy(kBoss, 24, 9);
  m.Goal(24, 7);
  m.Fill(10, 7, 12, 7, '2');
  m.Fill(16, 6, 18, 6, '2');
  return m;
}

// Mission 2: city streets with supply trucks; the doors go round in a ring.
MapBuilder CityStreet(int area) {
  MapBuilder m(70, 12, 3, 4, 2);
  m.Frame(2);
  m.Start(2, 9);
  m.Enemy(kTruck, 12 + area * 3, 9);
  m.Enemy(kTruck, 40, 9);
  m.Enemy(kSoldier, 20, 9, 1 + area);
  m.Enemy(kSoldier, 46, 9, 14);
  m.Fill(26, 8, 30, 9, '2');
  m.Fill(27, 7, 29, 7, '4');
  m.Enemy(kTank, 55, 9);
  m.Enemy(kFloorGun, 28, 6, 2, true);
  m.Enemy(kSoldier, 60, 9, 11, true);
  m.Fill(34, 9, 35, 9, '7');
  if (area == 1) m.Door(kShopDoor, 37, 9, 0);
  if (area == 2) m.Door(kRescueDoor, 37, 9, 2);
  m.Door(kAreaDoor, 67, 9, (area + 1) % 3);
  return m;
}

// Mission 3: open wasteland against tanks and flying machines.
MapBuilder Wasteland(int area) {
  MapBuilder m(80, 14, 4, 5, 3);
  m.Frame(2);
  m.Start(2, 11);
  m.Enemy(kTank, 18, 11);
  m.Enemy(kHover, 30, 7);
  m.Enemy(kHelicopter, 45, 5);
  m.Enemy(kCannonRider, 52, 11);
  m.Enemy(kTank, 64, 11, 0, true);
  m.Enemy(kHelicopter, 58, 4, 0, true);
  m.Fill(24, 10, 27, 11, '2');
  m.Fill(38, 10, 40, 11, '3');
  if (area == 1) m.Door(kRescueDoor, 70, 11, 3);
  m.Door(kAreaDoor, 77, 11, 1 - area);
  return m;
}

MapBuilder HoverField() {
  MapBuilder m(60, 12, 4, 6, 4);
  m.Frame(2);
  m.Start(2, 9);
  m.Enemy(kHover, 20, 6);
  m.Enemy(kHover, 36, 5);
  m.Enemy(kSoldier, 28, 9, 13);
  m.Enemy(kHover, 48, 6, 0, true);
  m.Fill(42, 8, 44, 9, '2');
  m.Goal(56, 9);
  return m;
}

MapBuilder SkyBase() {
  MapBuilder m(60, 12, 1, 6, 5);
  m.Frame(2);
  m.Start(2, 9);
  m.Enemy(kHelicopter, 22, 4);
  m.Enemy(kHelicopter, 40, 5);
  m.Enemy(kSoldier, 30, 9, 16);
  m.Enemy(kHelicopter, 50, 3, 0, true);
  m.Door(kRescueDoor, 54, 9, 4);
  m.Goal(56, 9);
  return m;
}

// "tempmap.dat": the fixed map the game can load in place of a mission map; a small arena with
// one of each enemy that needs no stage set of its own.
MapBuilder Arena() {
  MapBuilder m(40, 12, 4, 6, 0);
  m.Frame(2);
  m.Start(2, 9);
  m.Enemy(kSoldier, 8, 9, 1);
  m.Enemy(kFloorGun, 12, 9, 2);
  m.Enemy(kCeilingGun, 14, 1, 3);
  m.Enemy(kCannonRider, 18, 9);
  m.Fill(21, 8, 22, 9, '1');
  m.Enemy(kTank, 27, 9);
  m.Enemy(kHover, 31, 5);
  m.Enemy(kHelicopter, 35, 4);
  m.Goal(37, 9);
  return m;
}

struct AreaMap {
  int mission;
  int area;
  std::function<MapBuilder()> build;
};

const std::vector<AreaMap>& Areas() {
  static const std::vector<AreaMap> kAreas = {
      {0, 0, TrainingGround}, {0, 1, TrainingEnd},
      {1, 0, BaseApproach},   {1, 1, BaseGate},   {1, 2, BaseShaft}, {1, 3, BaseHall}, {1, 4, BaseCore}, {1, 5, BossRoom},
      {2, 0, [] { return CityStreet(0); }}, {2, 1, [] { return CityStreet(1); }}, {2, 2, [] { return CityStreet(2); }},
      {3, 0, [] { return Wasteland(0); }},  {3, 1, [] { return Wasteland(1); }},
      {4, 0, HoverField},     {5, 0, SkyBase},
  };
  return kAreas;
}

}  // namespace

void AddMapFiles(DataSet& set) {
  for (const AreaMap& a : Areas()) {
    MapBuilder map = a.build();
    for (const char* level : {"easy", "hard"}) {
      char path[40];
      std::snprintf(path, sizeof path, "map\\%s\\c%02d%02d.dat", level, a.mission, a.area);
      set.Add(path, map.Text(level[0] == 'h'));
    }
  }
  set.Add("tempmap.dat", Arena().Text(false));
}

}  // namespace zelvo_datagen
