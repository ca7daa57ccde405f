#pragma once
// The program's entry and outermost loop: key defaults and the configuration file, library
// start-up, loading, the logo, then the title loop and the mission-select loop until the player
// quits.
namespace horundel {

// Title menu choices.
enum TitleChoice {
  kTitleStart = 0,
  kTitleStartWithTutorial = 1,
  kTitleLoad = 2,
  kTitleGallery = 3,
  kTitleQuit = 4,
};

constexpr int kMenuTitle = 0;
constexpr int kMenuMissionSelect = 410;
constexpr int kLogoFrames = 160;
constexpr int kNewGameBestTime = 72000;   // frames: 20 minutes
constexpr const char* kWindowTitle = "ホルンデル　体験版";
constexpr const char* kLogoFile = "bmp\\system\\quorvane.bmp";

// The screens the entry hands the player to. The entry calls them through this table so that a
// test can put scripted screens in their place; RealEntryScreens gives the game's own.
struct EntryScreens {
  int (*RunMenu)(int screen);
  int (*RunMission)(int mode);
  int (*SaveLoadScreen)(int mode);
  int (*GalleryScreen)();
};
extern EntryScreens g_entryScreens;
EntryScreens RealEntryScreens();

// Sets every record a new game starts from: mission, gauges, money, weapons, skills and mission
// records. Difficulty, settings, key bindings and gallery flags are kept.
void ResetNewGame();

// The blackness of the logo fade after frame i (1..160) given the blackness before it.
int StepLogoBlackness(int blackness, int frame);

// The files without which the game cannot be played: the motion tables, the first map of the
// training and of mission 1 in both map sets, and the first training and advice texts.
constexpr int kRequiredGameFileCount = 12;
extern const char* const kRequiredGameFiles[kRequiredGameFileCount];

// Exit status when the data folder lacks a file of kRequiredGameFiles.
constexpr int kMissingGameFiles = 1;

// Runs the whole program; 0 after a normal end, -1 when the library could not start,
// kMissingGameFiles when the data folder cannot be played.
int WinMain();

}  // namespace horundel
