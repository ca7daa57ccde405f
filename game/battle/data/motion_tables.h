#pragma once
// Motion tables: each motion is one pose of up to 20 picture parts, read from the motion files, and
// the picture sets the parts' picture numbers refer to.
namespace horundel {

constexpr int kMotionParts = 20;

struct MotionRecord {
  int lastPart;          // parts - 1; -1 draws nothing
  int duration;          // ticks
  int next;              // motion that follows
  int picture[kMotionParts];
  float partX[kMotionParts];
  float partY[kMotionParts];
  float partAngle[kMotionParts];
  int mirror[kMotionParts];
};

// Motion kinds.
constexpr int kMotionHeroine = 0;
constexpr int kMotionRiveter = 1;
constexpr int kMotionPlier = 10;
constexpr int kMotionTank = 11;
constexpr int kMotionHober = 12;
constexpr int kMotionHeli = 13;

// The highest motion number of each table; the record after the last one read stays zero.
constexpr int kHeroineMotionBound = 400;
constexpr int kRiveterMotionBound = 50;
constexpr int kPlierMotionBound = 100;
constexpr int kTankMotionBound = 50;
constexpr int kHoberMotionBound = 40;
constexpr int kHeliMotionBound = 40;

extern MotionRecord HeroineMotions[kHeroineMotionBound + 1];
extern MotionRecord RiveterMotions[kRiveterMotionBound + 1];
extern MotionRecord PlierMotions[kPlierMotionBound + 1];
extern MotionRecord TankMotions[kTankMotionBound + 1];
extern MotionRecord HoberMotions[kHoberMotionBound + 1];
extern MotionRecord HeliMotions[kHeliMotionBound + 1];

// Picture sets: one graph handle per picture number (-1 none).
constexpr int kHeroinePictures = 46;
constexpr int kHeroineWeaponPicture = 28;     // the weapon in her hand, from the weapon record
constexpr int kPlierPictures = 24;
constexpr int kPlierWeaponPicture = 23;
constexpr int kTankPictures = 4;
constexpr int kHoberPictures = 4;
constexpr int kHeliPictures = 15;
constexpr int kRiveterPictures = 23;

extern int HeroinePictures[kHeroinePictures];
extern int PlierPictures[kPlierPictures];
extern int TankPictures[kTankPictures];
extern int HoberPictures[kHoberPictures];
extern int HeliPictures[kHeliPictures];
extern int RiveterPictures[kRiveterPictures];

struct MotionTableView {
  MotionRecord* records;   // bound + 1 records
  int bound;
  const int* pictures;
  int pictureCount;
};
// The table and picture set of a motion kind; records is null for an unknown kind.
MotionTableView MotionTableOf(int motionKind);

// A motion by number: numbers outside 0..bound read motion 0. Null for an unknown kind.
const MotionRecord* MotionOf(int motionKind, int motion);

// Reads up to `limit` motions into `table` (limit + 1 records). A missing file leaves the table as
// it was; a line that does not parse leaves the fields it did not fill.
void ReadMotionFile(const char* path, MotionRecord* table, int limit);

// The six motion files in loading order.
void LoadMotionFiles();
// Every picture set handle to -1.
void ClearMotionPictureSets();

}  // namespace horundel
