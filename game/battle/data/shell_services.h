#pragma once
// What the battle needs of the game shell: the key bindings and options it reads, and the shell's
// screens and HUD it calls. The battle owns the records and a table of the operations; the shell
// replaces the table's entries with its real screens at start-up. Until then the defaults below
// stand in: the key helpers work as specified, the screens return at once without drawing.
namespace horundel {

enum KeyAction {
  kKeyUp = 0,
  kKeyDown,
  kKeyLeft,
  kKeyRight,
  kKeyMelee,
  kKeyShoot,
  kKeySpecial,
  kKeyJump,
  kKeyDash,
  kKeyNextWeapon,
  kKeyPreviousWeapon,
  kKeyPause,
  kKeyEquipment,
  kKeyConfirm,
  kKeyCancel,
  kKeyDashLatch,     // its pressed field holds the double-tap dash latch
  kKeyBindingCount,
};

struct KeyBinding {
  int padBit;           // bit number in the bits of ReadPadBits
  int keyCode;          // DirectInput key code
  int pressed;          // 1: down this frame
  int latched;          // 1: held since its press was consumed
  int doubleTapTimer;   // frames
};
extern KeyBinding KeyBindings[kKeyBindingCount];

struct GameSettingsRecord {
  int musicOff;           // 0 = music on
  int musicVolume;        // 0..255
  int seVolume;           // 0..255
  int hitWait;            // multiplier of the hit-stop wait
  int autoWeaponChange;   // 0 = switch to a newly taken weapon
  int twoButtonSpecial;   // 0 = melee and shoot together also give the special attack
};
extern GameSettingsRecord GameSettings;

// Menu screens of RunMenu.
constexpr int kMenuPause = 100;
constexpr int kMenuWeapons = 200;
constexpr int kMenuShop = 370;

struct ShellServices {
  void (*ClearMenuKeys)();
  int (*RunMenu)(int screen);                   // pause: 1 when the player gives up
  int (*StepWeaponSlot)(int slot, int step);
  void (*DrawBattleHud)(int mode);
  // Returns the number of glyphs drawn; the caller advances 25 x scale pixels per glyph.
  int (*DrawNumber)(float x, float y, int value, int prefixIcon, float scale, int red, int green, int blue);
  void (*FadeBattleToBlack)();
  void (*FadeBattleFromBlack)();
  void (*MissionStart)();
  void (*MissionClear)();
  void (*MissionFailed)();
  void (*BossWarning)();
  void (*BossDefeatSequence)(int slot);
  void (*PlayMissionText)(int source, int number);
  void (*ShowCgPicture)(int number);
  // The HUD's money counter back to its mission start: showing Money, out of sight.
  void (*ResetHud)();
};
extern ShellServices g_shell;

// The stand-ins the table starts with.
void DefaultClearMenuKeys();
int DefaultStepWeaponSlot(int slot, int step);
ShellServices DefaultShellServices();

}  // namespace horundel
