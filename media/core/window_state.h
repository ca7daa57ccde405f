#pragma once
// The main window's state: the settings a program makes before start-up (they survive start-up's
// clearing) and the live window, pump and message-thread state (cleared at start-up).
#include <cstdint>

#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace zelvo {

constexpr int kTextMax = 256;
constexpr int kMaxDroppedFiles = 1000;
constexpr int kMaxToolbarButtons = 64;

using MessageCallback = int (*)(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam);
using ActivationCallback = void (*)(int active, void* user);
using ModeSwitchCallback = void (*)(void* user);
using MenuCallback = void (*)(int itemId);
using MenuNameCallback = void (*)(const char* itemName, int itemId);

struct WindowSettings {
  char title[kTextMax];
  char className[kTextMax];
  int windowMode;             // 1 window, 0 full screen
  int styleApplied;           // 1 once the window style was applied or a mode switch was requested
  int styleIndex;             // 0..6
  double scaleRate;           // window magnification; 0 or below reads as 1.0
  int displayOption;
  int maximizeSwitch;         // maximise box; Alt+Enter and maximise request a mode switch
  int allowDoubleLaunch;
  int sizable;
  int userPositionSet;
  int userX, userY;
  int hidden;
  int closeNotAllowed;
  int noQuitMessage;
  int backgroundSet;
  int backgroundRed, backgroundGreen, backgroundBlue;
  int iconId;                 // 0: the system application icon
  int blockSystemKeys;
  int alwaysShowMenu;
  int runInBackground;
  MessageCallback messageCallback;
  ActivationCallback activationCallback;
  void* activationUser;
  ModeSwitchCallback modeSwitchCallback;
  void* modeSwitchUser;
  MenuCallback menuCallback;
  MenuNameCallback menuNameCallback;
};
extern WindowSettings g_windowSettings;

// A tool-bar button: its command id (from 1280 up), its kind (0 push button) and whether it was
// clicked since the program last looked.
struct ToolbarButton {
  int id;
  int type;
  int clicked;
};

struct Toolbar {
  int exists;
  pf::ToolbarHandle window;
  pf::GdiObject picture;       // the button images, owned here
  ToolbarButton buttons[kMaxToolbarButtons];
  int buttonCount;
};

struct WindowState {
  pf::WindowHandle window;
  char className[kTextMax];   // fixed at the window start, so a later title cannot change it
  void* instance;
  std::uint32_t mainThreadId;
  int active;
  int closed;                 // read by the message thread outside the lock: WindowClosed, MarkWindowClosed
  int closePosted;
  int creating;
  int modeChangeRunning;
  int displayChanged;
  int modeSwitchRequested;
  int painting;
  pf::Rect clientRect;        // screen coordinates (window mode)
  int cursorShown;             // the visibility asked for
  int cursorVisible;           // what the show count was last brought to
  int cursorStateKnown;
  int desktopWidth, desktopHeight, desktopBits;
  int inactiveSinceSet;
  std::uint32_t inactiveSince;
  int inTextInputStep;
  int mouseNearTop;
  Toolbar toolbar;
  int wheelCount;
  int f10Flag;
  int secondInputFlag;
  char* droppedFiles[kMaxDroppedFiles];
  int droppedFileCount;
  int instanceLocked;
  int inactiveImage;           // graph handle of the picture shown while inactive, 0 for none
  pf::Handle messageThread;
  pf::ModuleHandle systemKeyHookModule;   // the hook module while its hook stands
  pf::HookHandle systemKeyHook;
  int messageThreadEnded;      // set by the message thread as it leaves (read through atomic_ref)
};
extern WindowState g_window;

// Start-up's clearing of the window, pump and text state; the settings stay.
void ClearWindowState();
// The settings too, as at process start.
void ResetWindowState();
// The class name in force: the one fixed at the window start; before that the one set, else the
// title, else "D123987X".
const char* EffectiveClassName();
// Fixes the class name for the window about to be made.
void FixClassName();
// The closed flag, read and set atomically: the message thread reads it while it waits for the
// lock that the thread setting it holds.
int WindowClosed();
void MarkWindowClosed();
// 1 on the thread that started the library.
int IsMainThread();

}  // namespace zelvo
