#include "game/battle/data/resources.h"

#include <zelvo/zelvo.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "game/battle/data/game_tables.h"
#include "game/battle/data/motion_tables.h"

namespace horundel {

GamePictures g_pictures;
int SoundEffectTable[kSoundEffects];

const char* const kSoundEffectFiles[kSoundEffects] = {
    "wav\\sound_boost.wav",    "wav\\sound_break.wav",     "wav\\sound_land.wav",     "wav\\sound_jump.wav",
    "wav\\sound_gun.wav",      "wav\\sound_gun2.wav",      "wav\\sound_gun3.wav",     "wav\\sound_hit.wav",
    "wav\\sound_hit2.wav",     "wav\\sound_hit3.wav",      "wav\\sound_swing.wav",    "wav\\sound_blade.wav",
    "wav\\sound_down.wav",     "wav\\sound_bomb.wav",      "wav\\sound_bomb2.wav",    "wav\\sound_bomb3.wav",
    "wav\\sound_bomb4.wav",    "wav\\sound_shootdown.wav", "wav\\sound_guard.wav",    "wav\\sound_weapon.wav",
    "wav\\sound_weapon2.wav",  "wav\\sound_weapon3.wav",   "wav\\sound_damage.wav",   "wav\\sound_item.wav",
    "wav\\sound_item2.wav",    "wav\\sound_cursor1.wav",   "wav\\sound_cursor2.wav",  "wav\\sound_cursor3.wav",
    "wav\\sound_warning.wav",  "wav\\sound_warning2.wav",  "wav\\sound_airplain.wav", "wav\\sound_laser.wav",
};

namespace {

constexpr int kSoundBuffers = 3;

// Files already named: a screen loads its pictures each time it opens, and the owner of the data
// folder needs to read of each missing file once.
std::set<std::string> g_namedMissingFiles;

void ReportMissing(const char* kind, const char* path) {
  if (!g_namedMissingFiles.insert(path).second) return;
  std::fprintf(stderr, "horundel: the %s %s cannot be loaded; the game goes on without it\n", kind, path);
}

// Without a sound device no sound loads, though its file is there: that is said once, and only a
// sound file that cannot be read is named then.
bool g_withoutSound = false;

bool FileOpens(const char* path) {
  const intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) return false;
  CloseReadStream(stream);
  return true;
}

void ReportSoundNotLoaded(const char* path) {
  if (!g_withoutSound || !FileOpens(path)) ReportMissing("sound", path);
}

// The sound effects; when none loads though their files are there, the game has no sound device.
void LoadSoundEffects() {
  bool anyLoaded = false;
  for (int i = 0; i < kSoundEffects; ++i) {
    SoundEffectTable[i] = LoadSoundFile(kSoundEffectFiles[i], kSoundBuffers, -1);
    anyLoaded = anyLoaded || SoundEffectTable[i] != -1;
  }
  bool anyFileThere = false;
  for (int i = 0; i < kSoundEffects && !anyLoaded && !anyFileThere; ++i) anyFileThere = FileOpens(kSoundEffectFiles[i]);
  g_withoutSound = !anyLoaded && anyFileThere;
  if (g_withoutSound) {
    std::fprintf(stderr, "horundel: no sound can be played (no sound device); the game goes on without sound\n");
  }
  for (int i = 0; i < kSoundEffects; ++i) {
    if (SoundEffectTable[i] == -1) ReportSoundNotLoaded(kSoundEffectFiles[i]);
  }
}

// A picture cut into cells, row by row; the handles stay -1 when the file does not load.
void LoadCells(const char* path, int total, int across, int down, int width, int height, int* handles) {
  for (int i = 0; i < total; ++i) handles[i] = -1;
  if (LoadGraphFileDivided(path, total, across, down, width, height, handles, 0) == -1) {
    ReportMissing("picture", path);
  }
}

// Numbered part pictures "<folder>\<letter><hundreds><tens><units>.bmp" from first to last.
void LoadNumberedParts(const char* folder, char letter, int first, int last, int skipped, int* handles) {
  for (int number = first; number <= last; ++number) {
    if (number == skipped) continue;
    char path[64];
    std::snprintf(path, sizeof path, "bmp\\%s\\%c%d%d%d.bmp", folder, letter, number / 100, number / 10 % 10,
                  number % 10);
    handles[number] = LoadPicture(path);
  }
}

void LoadHudPictures() {
  for (int i = 0; i < 9; ++i) {
    char path[64];
    std::snprintf(path, sizeof path, "bmp\\system\\flame%02d.bmp", i);
    g_pictures.hudFrames[i] = LoadPicture(path);
  }
  g_pictures.hpBar = LoadPicture("bmp\\system\\hpbar.bmp");
  g_pictures.statusBase = LoadPicture("bmp\\system\\statusbase.bmp");
  g_pictures.statusWeaponNumber = LoadPicture("bmp\\system\\statusweaponnum.bmp");
  g_pictures.doorBase = LoadPicture("bmp\\system\\doorbase.bmp");
  g_pictures.doorBottom = LoadPicture("bmp\\system\\doorbottom.bmp");
  g_pictures.doorTop = LoadPicture("bmp\\system\\doortop.bmp");
  g_pictures.door = LoadPicture("bmp\\system\\doordoor.bmp");
  g_pictures.statusWeaponDisplay = LoadPicture("bmp\\system\\statusweapondisp.bmp");
  LoadCells("bmp\\system\\number.bmp", 14, 14, 1, 30, 40, g_pictures.digits);
}

void LoadMotionPictureSets() {
  ClearMotionPictureSets();
  LoadNumberedParts("chara00", 'a', 0, kHeroinePictures - 1, kHeroineWeaponPicture, HeroinePictures);
  LoadNumberedParts("chara01", 'b', 0, kPlierPictures - 1, kPlierWeaponPicture, PlierPictures);
  LoadNumberedParts("chara04", 'e', 0, kTankPictures - 1, -1, TankPictures);
  HoberPictures[0] = TankPictures[0];
  LoadNumberedParts("chara05", 'f', 1, kHoberPictures - 1, -1, HoberPictures);
  LoadNumberedParts("chara06", 'g', 0, 3, -1, HeliPictures);
  HeliPictures[4] = LoadPicture("bmp\\enemy\\autogun.bmp");
  RiveterPictures[21] = LoadPicture("bmp\\chara03\\canon.bmp");
  RiveterPictures[22] = HoberPictures[3];
}

void LoadEffectPictures() {
  LoadCells("bmp\\effect\\expload1.bmp", 6, 10, 1, 64, 64, g_pictures.explosion);
  g_pictures.bullet = LoadPicture("bmp\\effect\\bullet.bmp");
  g_pictures.missile = LoadPicture("bmp\\effect\\missile.bmp");
  g_pictures.mine = LoadPicture("bmp\\effect\\mine.bmp");
  g_pictures.chargedBullet = LoadPicture("bmp\\effect\\bulletcharge.bmp");
  g_pictures.energyTank = LoadPicture("bmp\\effect\\energytank.bmp");
  g_pictures.needle = LoadPicture("bmp\\effect\\needle.bmp");
  g_pictures.mine2 = LoadPicture("bmp\\effect\\mine2.bmp");
  LoadCells("bmp\\effect\\light_b.bmp", 8, 10, 1, 64, 64, g_pictures.blueLights);
  LoadCells("bmp\\effect\\light_r.bmp", 8, 10, 1, 64, 64, g_pictures.redLights);
  LoadCells("bmp\\effect\\emotion1.bmp", 3, 3, 1, 40, 40, g_pictures.emotions);
  g_pictures.hitSpark = LoadPicture("bmp\\effect\\hit.bmp");
  g_pictures.bonus = LoadPicture("bmp\\effect\\bonus.bmp");
  g_pictures.eventIcons[0] = LoadPicture("bmp\\effect\\enemy.bmp");
  g_pictures.eventIcons[1] = LoadPicture("bmp\\effect\\rest.bmp");
  g_pictures.eventIcons[2] = LoadPicture("bmp\\effect\\shop.bmp");
  g_pictures.eventIcons[3] = LoadPicture("bmp\\effect\\help.bmp");
  g_pictures.entrance = LoadPicture("bmp\\effect\\in.bmp");
  g_pictures.goalArrow = LoadPicture("bmp\\effect\\go.bmp");
}

}  // namespace

int LoadPicture(const char* path) {
  const int handle = LoadGraphFile(path, 0);
  if (handle == -1) ReportMissing("picture", path);
  return handle;
}

int LoadSound(const char* path, int buffers) {
  const int handle = LoadSoundFile(path, buffers, -1);
  if (handle == -1) ReportSoundNotLoaded(path);
  return handle;
}

void LoadAll() {
  FillKeyNames();
  LoadHudPictures();
  LoadMotionPictureSets();
  LoadCells("bmp\\object\\object.bmp", 11, 5, 3, 128, 128, g_pictures.tiles);
  LoadMotionFiles();
  LoadEffectPictures();
  LoadSoundEffects();
  FillWeaponShopOrder();
  FillWeaponRecords();
  FillSkillShopOrder();
  FillSkillRecords();
  FillMissionTexts();
}

}  // namespace horundel
