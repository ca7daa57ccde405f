#include "game/battle/data/motion_tables.h"

#include <zelvo/zelvo.h>

#include <cstdint>

#include "game/battle/data/text_fields.h"

namespace horundel {

MotionRecord HeroineMotions[kHeroineMotionBound + 1];
MotionRecord RiveterMotions[kRiveterMotionBound + 1];
MotionRecord PlierMotions[kPlierMotionBound + 1];
MotionRecord TankMotions[kTankMotionBound + 1];
MotionRecord HoberMotions[kHoberMotionBound + 1];
MotionRecord HeliMotions[kHeliMotionBound + 1];

int HeroinePictures[kHeroinePictures];
int PlierPictures[kPlierPictures];
int TankPictures[kTankPictures];
int HoberPictures[kHoberPictures];
int HeliPictures[kHeliPictures];
int RiveterPictures[kRiveterPictures];

MotionTableView MotionTableOf(int motionKind) {
  switch (motionKind) {
    case kMotionHeroine: return {HeroineMotions, kHeroineMotionBound, HeroinePictures, kHeroinePictures};
    case kMotionRiveter: return {RiveterMotions, kRiveterMotionBound, RiveterPictures, kRiveterPictures};
    case kMotionPlier: return {PlierMotions, kPlierMotionBound, PlierPictures, kPlierPictures};
    case kMotionTank: return {TankMotions, kTankMotionBound, TankPictures, kTankPictures};
    case kMotionHober: return {HoberMotions, kHoberMotionBound, HoberPictures, kHoberPictures};
    case kMotionHeli: return {HeliMotions, kHeliMotionBound, HeliPictures, kHeliPictures};
    default: return {nullptr, 0, nullptr, 0};
  }
}

const MotionRecord* MotionOf(int motionKind, int motion) {
  const MotionTableView table = MotionTableOf(motionKind);
  if (table.records == nullptr) return nullptr;
  // Motion numbers come from the data files' next links too, so negative ones are caught here.
  if (motion < 0 || motion > table.bound) motion = 0;
  return &table.records[motion];
}

namespace {

constexpr int kMotionLineBytes = 100;

void ReadPartLine(const char* line, MotionRecord& record, int part) {
  TextField fields[5];
  const int filled = ScanTextFields(line, "ddfdd", fields);
  if (filled > 0) record.partX[part] = static_cast<float>(fields[0].whole);
  if (filled > 1) record.partY[part] = static_cast<float>(fields[1].whole);
  if (filled > 2) record.partAngle[part] = fields[2].fraction;
  if (filled > 3) record.picture[part] = fields[3].whole;
  if (filled > 4) record.mirror[part] = fields[4].whole;
}

}  // namespace

void ReadMotionFile(const char* path, MotionRecord* table, int limit) {
  const intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) return;
  char line[kMotionLineBytes];
  int motion = 0;
  while (motion < limit && ReadStreamLine(line, kMotionLineBytes, stream) != -1) {
    MotionRecord& record = table[motion];
    TextField fields[3];
    fields[0].whole = record.lastPart;
    const int filled = ScanTextFields(line, "ddd", fields);
    const int declaredLast = fields[0].whole;
    if (filled > 1) record.duration = fields[1].whole;
    if (filled > 2) record.next = fields[2].whole;
    // Every declared part line is consumed so the next header stays in step, but only 20 parts
    // fit a record: the stored index is clamped, and a negative one draws nothing.
    record.lastPart = declaredLast < -1 ? -1 : (declaredLast > kMotionParts - 1 ? kMotionParts - 1 : declaredLast);
    for (std::int64_t part = 0; part <= declaredLast; ++part) {
      if (ReadStreamLine(line, kMotionLineBytes, stream) == -1) break;
      if (part < kMotionParts) ReadPartLine(line, record, static_cast<int>(part));
    }
    ++motion;
  }
  CloseReadStream(stream);
}

void LoadMotionFiles() {
  ReadMotionFile("mot\\mot_mychr.dat", HeroineMotions, kHeroineMotionBound);
  ReadMotionFile("mot\\mot_plier.dat", PlierMotions, kPlierMotionBound);
  ReadMotionFile("mot\\mot_riveter.dat", RiveterMotions, kRiveterMotionBound);
  ReadMotionFile("mot\\mot_tank.dat", TankMotions, kTankMotionBound);
  ReadMotionFile("mot\\mot_hober.dat", HoberMotions, kHoberMotionBound);
  ReadMotionFile("mot\\mot_heli.dat", HeliMotions, kHeliMotionBound);
}

void ClearMotionPictureSets() {
  for (int& handle : HeroinePictures) handle = -1;
  for (int& handle : PlierPictures) handle = -1;
  for (int& handle : TankPictures) handle = -1;
  for (int& handle : HoberPictures) handle = -1;
  for (int& handle : HeliPictures) handle = -1;
  for (int& handle : RiveterPictures) handle = -1;
}

}  // namespace horundel
