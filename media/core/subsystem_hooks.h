#pragma once
// The one way the ground floor calls upward: a table with one row of hooks per subsystem, in the
// manner of a driver table. The top room (media/library) fills the rows of the subsystems it is
// built with; a subsystem that is not built has no row, and every call into a missing row or an
// empty entry is passed over as the subsystem's skip option would pass it over.
//
// Adding a subsystem: give it an id below (before kSubsystemCount), write its hooks in its own
// room, and register its row in media/library/subsystem_rows.cpp. Start-up and shut-down call the
// rows in the library's fixed order; the pump and the window procedure call them by id.
#include <cstdint>
#include <type_traits>

namespace pf {
struct GdiObjectRecord;
}

namespace zelvo {

enum SubsystemId : int {
  kSubsystemDisplay,    // the DirectDraw screen or the software screens
  kSubsystemGraphics,   // graphs and the drawing state
  kSubsystemSound,      // sounds and music
  kSubsystemInput,      // keyboard, mouse and joypads
  kSubsystemNetwork,    // sockets and HTTP downloads
  kSubsystemFonts,      // fonts and text drawing
  kSubsystemMovies,     // movies played on graphs
  kSubsystemCount,
};

struct SubsystemHooks {
  // Start-up and shut-down.
  int (*start)();                 // negative: the start-up fails (the library ignores sound's result)
  void (*stop)();                 // first pass of shut-down: stop what still plays
  void (*end)();
  // The message pump.
  void (*pump)();                 // every call of the pump
  void (*pumpWhileInactive)();    // every pass of the pump while the window waits inactive
  // The subsystem's own window messages (sound's music notice, network's socket notice).
  void (*windowMessage)(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  // Window activation and display changes.
  void (*activate)(int active);   // the window gained (1) or lost (0) the focus
  void (*afterActivation)();      // after every activation change
  void (*restoreLostSurfaces)();  // surfaces lost while inactive come back
  void (*rebuildDisplay)();       // a display mode change took the screen's objects
  void (*releaseDisplay)();       // full screen gives the display up while inactive
  void (*suspend)();              // the window went to the background
  void (*resume)();               // back from the background, or after a display rebuild
  void (*releaseObjects)();       // before a display rebuild
  void (*recreateSurfaces)();     // after an inactive wait
  void (*windowMoved)();
  void (*paintInactive)();        // the picture shown while the program is inactive, into the window
};

// What the ground floor reads of the screen and draws on it (the display and fonts fill their part).
// An empty entry answers the value given, which is the screen's before any mode is set.
struct ScreenHooks {
  int (*softScreenOption)();                   // 0
  void (*switchToSoftwareRender)();
  int (*requestedDepth)();                     // 16
  void (*setTemporaryPrimary)(int on);
  void (*screenSize)(int* width, int* height); // 640 x 480
  void (*enableVblankWait)(int on);
  int (*vblankWaitEnabled)();                  // 0
  int (*hasDirectDraw)();                      // 0
  int (*fullScreenModeSet)();                  // 0
  int (*gdiSurfaceMode)();                     // 0
  void (*applyGdiSurfaceMode)(int mode);
  int (*changeModeForWindowSwitch)();          // 0
  int (*copyBackScreenToWindow)();             // -1
  void (*logPixelFormat)();
  int (*backBufferIsTarget)();                 // 1
  std::uint32_t (*packColor)(int red, int green, int blue);   // X8R8G8B8
  // The on-screen console's text.
  int (*consoleAllowed)();                     // 1
  int (*createConsoleFont)(int* fontLostFlag); // -1: no font
  void (*deleteConsoleFont)(int font);
  int (*consoleCharWidth)(int font, const char* character, int bytes);   // 8 per byte
  void (*drawConsoleLine)(int font, int y, const char* text);
  // A picture file as a DIB section for the window's accessories; the caller deletes it.
  pf::GdiObjectRecord* (*loadDibPicture)(const char* path);   // null: no picture
};

struct SubsystemTable {
  SubsystemHooks rows[kSubsystemCount];
  bool present[kSubsystemCount];
  ScreenHooks screen;
};
extern SubsystemTable g_subsystems;

void RegisterSubsystem(SubsystemId id, const SubsystemHooks& hooks);
void RegisterScreenHooks(const ScreenHooks& hooks);
void ResetSubsystemTable();   // every row absent
bool IsSubsystemPresent(SubsystemId id);

// Calls one entry of a row; nothing (or `absent`) when the row or the entry is missing.
template <typename... Args>
void CallSubsystem(SubsystemId id, void (*SubsystemHooks::*entry)(Args...), std::type_identity_t<Args>... args) {
  if (!g_subsystems.present[id]) return;
  if (auto call = g_subsystems.rows[id].*entry) call(args...);
}
template <typename... Args>
int CallSubsystem(SubsystemId id, int (*SubsystemHooks::*entry)(Args...), int absent,
                  std::type_identity_t<Args>... args) {
  if (!g_subsystems.present[id]) return absent;
  auto call = g_subsystems.rows[id].*entry;
  return call != nullptr ? call(args...) : absent;
}

// The screen's answers, with the defaults above.
int ScreenSoftScreenOption();
void ScreenSwitchToSoftwareRender();
int ScreenRequestedDepth();
void ScreenSetTemporaryPrimary(int on);
void ScreenSize(int* width, int* height);
void ScreenEnableVblankWait(int on);
int ScreenVblankWaitEnabled();
int ScreenHasDirectDraw();
int ScreenFullScreenModeSet();
int ScreenGdiSurfaceMode();
void ScreenApplyGdiSurfaceMode(int mode);
int ScreenChangeModeForWindowSwitch();
int ScreenCopyBackScreenToWindow();
void ScreenLogPixelFormat();
int ScreenBackBufferIsTarget();
std::uint32_t ScreenPackColor(int red, int green, int blue);
int ConsoleAllowed();
int CreateConsoleFont(int* fontLostFlag);
void DeleteConsoleFont(int font);
int ConsoleCharWidth(int font, const char* character, int bytes);
void DrawConsoleLine(int font, int y, const char* text);
pf::GdiObjectRecord* ScreenLoadDibPicture(const char* path);

}  // namespace zelvo
