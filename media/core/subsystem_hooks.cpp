#include "media/core/subsystem_hooks.h"

namespace zelvo {

SubsystemTable g_subsystems{};

void RegisterSubsystem(SubsystemId id, const SubsystemHooks& hooks) {
  g_subsystems.rows[id] = hooks;
  g_subsystems.present[id] = true;
}

void RegisterScreenHooks(const ScreenHooks& hooks) { g_subsystems.screen = hooks; }

void ResetSubsystemTable() { g_subsystems = SubsystemTable{}; }

bool IsSubsystemPresent(SubsystemId id) { return g_subsystems.present[id]; }

namespace {
const ScreenHooks& Screen() { return g_subsystems.screen; }
}  // namespace

int ScreenSoftScreenOption() { return Screen().softScreenOption ? Screen().softScreenOption() : 0; }

void ScreenSwitchToSoftwareRender() {
  if (Screen().switchToSoftwareRender) Screen().switchToSoftwareRender();
}

int ScreenRequestedDepth() { return Screen().requestedDepth ? Screen().requestedDepth() : 16; }

void ScreenSetTemporaryPrimary(int on) {
  if (Screen().setTemporaryPrimary) Screen().setTemporaryPrimary(on);
}

void ScreenSize(int* width, int* height) {
  int w = 640, h = 480;
  if (Screen().screenSize) Screen().screenSize(&w, &h);
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
}

void ScreenEnableVblankWait(int on) {
  if (Screen().enableVblankWait) Screen().enableVblankWait(on);
}

int ScreenVblankWaitEnabled() { return Screen().vblankWaitEnabled ? Screen().vblankWaitEnabled() : 0; }

int ScreenHasDirectDraw() { return Screen().hasDirectDraw ? Screen().hasDirectDraw() : 0; }

int ScreenFullScreenModeSet() { return Screen().fullScreenModeSet ? Screen().fullScreenModeSet() : 0; }

int ScreenGdiSurfaceMode() { return Screen().gdiSurfaceMode ? Screen().gdiSurfaceMode() : 0; }

void ScreenApplyGdiSurfaceMode(int mode) {
  if (Screen().applyGdiSurfaceMode) Screen().applyGdiSurfaceMode(mode);
}

int ScreenChangeModeForWindowSwitch() {
  return Screen().changeModeForWindowSwitch ? Screen().changeModeForWindowSwitch() : 0;
}

int ScreenCopyBackScreenToWindow() {
  return Screen().copyBackScreenToWindow ? Screen().copyBackScreenToWindow() : -1;
}

void ScreenLogPixelFormat() {
  if (Screen().logPixelFormat) Screen().logPixelFormat();
}

int ScreenBackBufferIsTarget() { return Screen().backBufferIsTarget ? Screen().backBufferIsTarget() : 1; }

std::uint32_t ScreenPackColor(int red, int green, int blue) {
  if (Screen().packColor) return Screen().packColor(red, green, blue);
  return static_cast<std::uint32_t>((red & 0xFF) << 16 | (green & 0xFF) << 8 | (blue & 0xFF));
}

int ConsoleAllowed() { return Screen().consoleAllowed ? Screen().consoleAllowed() : 1; }

int CreateConsoleFont(int* fontLostFlag) {
  return Screen().createConsoleFont ? Screen().createConsoleFont(fontLostFlag) : -1;
}

void DeleteConsoleFont(int font) {
  if (Screen().deleteConsoleFont) Screen().deleteConsoleFont(font);
}

int ConsoleCharWidth(int font, const char* character, int bytes) {
  return Screen().consoleCharWidth ? Screen().consoleCharWidth(font, character, bytes) : 8 * bytes;
}

void DrawConsoleLine(int font, int y, const char* text) {
  if (Screen().drawConsoleLine) Screen().drawConsoleLine(font, y, text);
}

pf::GdiObjectRecord* ScreenLoadDibPicture(const char* path) {
  return Screen().loadDibPicture ? Screen().loadDibPicture(path) : nullptr;
}

}  // namespace zelvo
