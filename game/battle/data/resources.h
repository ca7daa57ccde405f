#pragma once
// Every picture and sound effect loaded once at start-up, and LoadAll, which loads them and fills
// the game's tables. A handle that could not be loaded is -1: drawing or playing it does nothing.
namespace horundel {

struct GamePictures {
  int hudFrames[9];
  int hpBar;
  int statusBase;
  int statusWeaponNumber;
  int doorBase;
  int doorBottom;
  int doorTop;
  int door;
  int statusWeaponDisplay;
  int digits[14];
  int tiles[11];
  int explosion[6];
  int bullet;
  int missile;
  int mine;
  int chargedBullet;
  int energyTank;
  int needle;
  int mine2;
  int blueLights[8];
  int redLights[8];
  int emotions[3];
  int hitSpark;
  int bonus;
  int eventIcons[4];    // enemy, rest, shop, help
  int entrance;
  int goalArrow;
};
extern GamePictures g_pictures;

constexpr int kSoundEffects = 32;
extern int SoundEffectTable[kSoundEffects];
// The file of each sound effect, by its number.
extern const char* const kSoundEffectFiles[kSoundEffects];

void LoadAll();

// A picture or sound the game can go without: loaded as the library loads it, and when it cannot
// be, named on stderr (once in a run, however often it is asked for) so that the owner of the data
// folder learns what is missing. Every such load of the game goes through these. Without a sound
// device, which is said once, only sound files that cannot be read are named.
int LoadPicture(const char* path);
int LoadSound(const char* path, int buffers);

}  // namespace horundel
