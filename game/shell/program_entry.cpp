#include "game/shell/program_entry.h"

#include <zelvo/zelvo.h>

#include <cstdint>
#include <cstdio>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/mission/mission_loop.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/gallery_screen.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_frame.h"
#include "game/shell/mission_select.h"
#include "game/shell/save_files.h"
#include "game/shell/save_load_screen.h"
#include "game/shell/screen_frame.h"

namespace horundel {

EntryScreens RealEntryScreens() { return EntryScreens{RunMenu, RunMission, SaveLoadScreen, GalleryScreen}; }

EntryScreens g_entryScreens = RealEntryScreens();

const char* const kRequiredGameFiles[kRequiredGameFileCount] = {
    "mot\\mot_mychr.dat",   "mot\\mot_plier.dat",   "mot\\mot_riveter.dat", "mot\\mot_tank.dat",
    "mot\\mot_hober.dat",   "mot\\mot_heli.dat",    "map\\easy\\c0000.dat", "map\\easy\\c0100.dat",
    "map\\hard\\c0000.dat", "map\\hard\\c0100.dat", "text\\battle0000.dat", "text\\advice00.dat",
};

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kLogoFadeStep = 8;
constexpr int kLogoRiseFrames = 40;    // the logo comes out of black before this frame
constexpr int kLogoHoldFrames = 120;   // and goes back into black after this one
constexpr int kFirstShopWeapon = 1;
constexpr int kLastStartingWeapon = 6;

enum EntryStage { kStageTitle, kStageMissionSelect, kStageShutDown };

// A screen's result ends the program when it is the quit result or when any screen has seen the
// end since: the end is sticky, so nothing is acted on after it.
bool EndsProgram(int result) { return result == kQuitResult || QuitRequested(); }

// A mission returns 0 when it ended in play; anything else is the end of the program.
bool MissionEndsProgram(int result) { return result != 0 || QuitRequested(); }

// Each required file must open, loose or packed, and hold at least a byte; every one that does not
// is named on stderr. 0 when all are there.
int CheckGameFiles() {
  int missing = 0;
  for (const char* path : kRequiredGameFiles) {
    const intptr_t stream = OpenReadStream(path, 0);
    const bool readable = stream != 0 && ReadStreamByte(stream) >= 0;
    if (stream != 0) CloseReadStream(stream);
    if (readable) continue;
    std::fprintf(stderr, "horundel: the data folder has no readable %s; the game cannot be played without it\n",
                 path);
    ++missing;
  }
  return missing == 0 ? 0 : -1;
}

void StartUpOptions() {
  SetLogFileEnabled(0);
  SetWindowTitleText(kWindowTitle);
  SwitchWindowMode(WindowModeSetting);
}

void LoadGameResources() {
  SetTextureFilter(ZELVO_FILTER_BILINEAR);
  SetDefaultFontStyle(ZELVO_FONT_EDGE);
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  ClearDrawTarget();
  ScreenLogPrintf("Now Loading...");
  PresentBackBuffer();
  LoadAll();
  SetSEVolume();
  ScreenLogClear();
}

void FillScreen(int red, int green, int blue) {
  DrawRectangle(0, 0, kScreenWidth, kScreenHeight, PackColor(red, green, blue), 1);
}

// The logo on white, rising out of black and sinking back into it. A quit leaves the picture to
// the library's shut-down.
void ShowLogo() {
  const int logo = LoadPicture(kLogoFile);
  int blackness = 255;
  for (int frame = 0; frame < kLogoFrames;) {
    if (!BeginScreenFrame()) return;
    ClearDrawTarget();
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    FillScreen(255, 255, 255);
    BlitGraphRotated(kScreenWidth / 2, kScreenHeight / 2, 1.0, 0.0, logo, 0, 0);
    ++frame;
    blackness = StepLogoBlackness(blackness, frame);
    SetBlendMode(ZELVO_BLEND_ALPHA, blackness);
    FillScreen(0, 0, 0);
    PresentBackBuffer();
  }
  if (logo != -1) ReleaseGraph(logo, 0);
}

EntryStage RunTitle() {
  HaltSound(g_stage.musicHandle);
  ResetNewGame();
  const int choice = g_entryScreens.RunMenu(kMenuTitle);
  if (EndsProgram(choice)) return kStageShutDown;
  switch (choice) {
    case kTitleStart:
      return kStageMissionSelect;
    case kTitleStartWithTutorial:
      if (MissionEndsProgram(g_entryScreens.RunMission(kMissionMap))) return kStageShutDown;
      return kStageMissionSelect;
    case kTitleLoad: {
      const int loaded = g_entryScreens.SaveLoadScreen(kLoadMode);
      if (EndsProgram(loaded)) return kStageShutDown;
      return loaded == 1 ? kStageMissionSelect : kStageTitle;
    }
    case kTitleGallery:
      return EndsProgram(g_entryScreens.GalleryScreen()) ? kStageShutDown : kStageTitle;
    case kTitleQuit:
      return kStageShutDown;
    default:
      return kStageTitle;
  }
}

EntryStage RunMissionSelect() {
  const int choice = g_entryScreens.RunMenu(kMenuMissionSelect);
  if (EndsProgram(choice)) return kStageShutDown;
  int result = 0;
  switch (choice) {
    case kChoicePlayMission:
      // The save is offered only after a mission that ended in play; a quit goes straight to the end.
      if (MissionEndsProgram(g_entryScreens.RunMission(kMissionMap))) return kStageShutDown;
      result = g_entryScreens.SaveLoadScreen(kSaveMode);
      break;
    case kChoiceBackToTitle:
      return kStageTitle;
    case kChoiceShop:
      result = g_entryScreens.RunMenu(kMenuShop);
      break;
    case kChoiceSave:
      result = g_entryScreens.SaveLoadScreen(kSaveMode);
      break;
    default:
      break;
  }
  return EndsProgram(result) ? kStageShutDown : kStageMissionSelect;
}

}  // namespace

void ResetNewGame() {
  g_battle.CurrentMission = 0;
  g_battle.HpGaugeCount = 2;
  g_battle.AirBoostLevel = 0;
  g_battle.Money = 0;
  g_battle.WeaponSlotCount = 2;
  for (int slot = 0; slot <= kLastCarriedSlot; ++slot) g_battle.WeaponSlot[slot] = WeaponSlotRecord{};
  g_battle.WeaponSlot[0].used = 1;
  for (WeaponRecord& weapon : WeaponRecords) weapon.owned = 0;
  for (int weapon = kFirstShopWeapon; weapon <= kLastStartingWeapon; ++weapon) WeaponRecords[weapon].owned = 1;
  for (SkillRecord& skill : SkillRecords) skill.owned = 0;
  for (MissionRecord& mission : MissionRecords) {
    mission.cleared = 0;
    mission.bestTime = kNewGameBestTime;
    mission.maxHit = 0;
    mission.highScore = 0;
  }
  MissionRecords[0].cleared = 1;
}

int StepLogoBlackness(int blackness, int frame) {
  if (frame < kLogoRiseFrames) blackness = StepToward(blackness, 0, kLogoFadeStep);
  if (frame > kLogoHoldFrames) blackness = StepToward(blackness, 255, kLogoFadeStep);
  return blackness;
}

int WinMain() {
  SetDefaultKeyBindings();
  for (int& flag : GalleryFlags) flag = 0;
  LoadConfig();
  StartUpOptions();
  if (StartUpLibrary() != 0) return -1;
  if (CheckGameFiles() != 0) {
    ShutDownLibrary();
    return kMissingGameFiles;
  }
  // Written back only once the game can run here: a copy that cannot start (a second copy, or one
  // in the wrong folder) leaves every file as it found it.
  SaveConfig();
  LoadGameResources();
  InstallShellServices();
  ShowLogo();
  EntryStage stage = QuitRequested() ? kStageShutDown : kStageTitle;
  while (stage != kStageShutDown) {
    stage = stage == kStageTitle ? RunTitle() : RunMissionSelect();
  }
  ShutDownLibrary();
  return 0;
}

}  // namespace horundel
