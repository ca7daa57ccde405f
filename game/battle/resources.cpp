#include "game/battle/resources.h"

#include <zelvo/zelvo.h>

#include <cstdio>

#include "game/battle/game_tables.h"
#include "game/battle/motion_tables.h"

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

// A picture cut into cells, row by row; the handles stay -1 when the file does not load.
void LoadCells(const char* path, int total, int across, int down, int width, int height, int* handles) {
  for (int i = 0; i < total; ++i) handles[i] = -1;
  LoadGraphFileDivided(path, total, across, down, width, height, handles, 0);
}

// Numbered part pictures "<folder>\<letter><hundreds><tens><units>.bmp" from first to last.
void LoadNumberedParts(const char* folder, char letter, int first, int last, int skipped, int* handles) {
  for (int number = first; number <= last; ++number) {
    if (number == skipped) continue;
    char path[64];
    std::snprintf(path, sizeof path, "bmp\\%s\\%c%d%d%d.bmp", folder, letter, number / 100, number / 10 % 10,
                  number % 10);
    handles[number] = LoadGraphFile(path, 0);
  }
}

void LoadHudPictures() {
  for (int i = 0; i < 9; ++i) {
    char path[64];
    std::snprintf(path, sizeof path, "bmp\\system\\flame%02d.bmp", i);
    g_pictures.hudFrames[i] = LoadGraphFile(path, 0);
  }
  g_pictures.hpBar = LoadGraphFile("bmp\\system\\hpbar.bmp", 0);
  g_pictures.statusBase = LoadGraphFile("bmp\\system\\statusbase.bmp", 0);
  g_pictures.statusWeaponNumber = LoadGraphFile("bmp\\system\\statusweaponnum.bmp", 0);
  g_pictures.doorBase = LoadGraphFile("bmp\\system\\doorbase.bmp", 0);
  g_pictures.doorBottom = LoadGraphFile("bmp\\system\\doorbottom.bmp", 0);
  g_pictures.doorTop = LoadGraphFile("bmp\\system\\doortop.bmp", 0);
  g_pictures.door = LoadGraphFile("bmp\\system\\doordoor.bmp", 0);
  g_pictures.statusWeaponDisplay = LoadGraphFile("bmp\\system\\statusweapondisp.bmp", 0);
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
  HeliPictures[4] = LoadGraphFile("bmp\\enemy\\autogun.bmp", 0);
  RiveterPictures[21] = LoadGraphFile("bmp\\chara03\\canon.bmp", 0);
  RiveterPictures[22] = HoberPictures[3];
}

void LoadEffectPictures() {
  LoadCells("bmp\\effect\\expload1.bmp", 6, 10, 1, 64, 64, g_pictures.explosion);
  g_pictures.bullet = LoadGraphFile("bmp\\effect\\bullet.bmp", 0);
  g_pictures.missile = LoadGraphFile("bmp\\effect\\missile.bmp", 0);
  g_pictures.mine = LoadGraphFile("bmp\\effect\\mine.bmp", 0);
  g_pictures.chargedBullet = LoadGraphFile("bmp\\effect\\bulletcharge.bmp", 0);
  g_pictures.energyTank = LoadGraphFile("bmp\\effect\\energytank.bmp", 0);
  g_pictures.needle = LoadGraphFile("bmp\\effect\\needle.bmp", 0);
  g_pictures.mine2 = LoadGraphFile("bmp\\effect\\mine2.bmp", 0);
  LoadCells("bmp\\effect\\light_b.bmp", 8, 10, 1, 64, 64, g_pictures.blueLights);
  LoadCells("bmp\\effect\\light_r.bmp", 8, 10, 1, 64, 64, g_pictures.redLights);
  LoadCells("bmp\\effect\\emotion1.bmp", 3, 3, 1, 40, 40, g_pictures.emotions);
  g_pictures.hitSpark = LoadGraphFile("bmp\\effect\\hit.bmp", 0);
  g_pictures.bonus = LoadGraphFile("bmp\\effect\\bonus.bmp", 0);
  g_pictures.eventIcons[0] = LoadGraphFile("bmp\\effect\\enemy.bmp", 0);
  g_pictures.eventIcons[1] = LoadGraphFile("bmp\\effect\\rest.bmp", 0);
  g_pictures.eventIcons[2] = LoadGraphFile("bmp\\effect\\shop.bmp", 0);
  g_pictures.eventIcons[3] = LoadGraphFile("bmp\\effect\\help.bmp", 0);
  g_pictures.entrance = LoadGraphFile("bmp\\effect\\in.bmp", 0);
  g_pictures.goalArrow = LoadGraphFile("bmp\\effect\\go.bmp", 0);
}

}  // namespace

void LoadAll() {
  FillKeyNames();
  LoadHudPictures();
  LoadMotionPictureSets();
  LoadCells("bmp\\object\\object.bmp", 11, 5, 3, 128, 128, g_pictures.tiles);
  LoadMotionFiles();
  LoadEffectPictures();
  for (int i = 0; i < kSoundEffects; ++i) SoundEffectTable[i] = LoadSoundFile(kSoundEffectFiles[i], kSoundBuffers, -1);
  FillWeaponShopOrder();
  FillWeaponRecords();
  FillSkillShopOrder();
  FillSkillRecords();
  FillMissionTexts();
}

}  // namespace horundel
