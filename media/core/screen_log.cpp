// The on-screen log console: text written left to right into a grid of lines, wrapping at 254 bytes
// or at the screen's right edge and scrolling once the screen's height is full; presenting draws it
// while it is shown.
#include "media/core/screen_log.h"

#include <cstdarg>
#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/window_state.h"

namespace zelvo {

namespace {
constexpr ScreenLogState kInitialScreenLog{0, 0, {}, 0, 0, 0, -1, 1, 4};
}  // namespace

ScreenLogState g_screenLog = kInitialScreenLog;

namespace {

int VisibleLineCount() {
  int height = 0;
  ScreenSize(nullptr, &height);
  int lines = height / kScreenLogLineHeight;
  return lines > kScreenLogLines ? kScreenLogLines : lines;
}

void CreateFontIfLost() {
  if (g_screenLog.fontLost == 0) return;
  g_screenLog.font = CreateConsoleFont(&g_screenLog.fontLost);
  if (g_screenLog.font != -1) g_screenLog.fontLost = 0;
}

// Starts the console on first use; 0 when it cannot run.
int EnsureStarted() {
  if (g_screenLog.started == 0 && StartScreenLog() != 0) return 0;
  CreateFontIfLost();
  return 1;
}

void NewLine() {
  int visible = VisibleLineCount();
  if (g_screenLog.currentLine + 1 < visible) {
    g_screenLog.currentLine += 1;
  } else if (g_screenLog.currentLine > 0) {
    std::memmove(g_screenLog.lines[0], g_screenLog.lines[1],
                 static_cast<std::size_t>(g_screenLog.currentLine) * kScreenLogLineBytes);
  }
  g_screenLog.lines[g_screenLog.currentLine][0] = '\0';
  g_screenLog.offset = 0;
  g_screenLog.pixelWidth = 0;
}

void PutCharacter(const char* bytes, int n) {
  int screenWidth = 0;
  ScreenSize(&screenWidth, nullptr);
  int width = ConsoleCharWidth(g_screenLog.font, bytes, n);
  if (g_screenLog.offset + n >= kScreenLogLineBytes || g_screenLog.pixelWidth + width >= screenWidth) {
    NewLine();
  }
  g_screenLog.pixelWidth += width;
  char* line = g_screenLog.lines[g_screenLog.currentLine];
  std::memcpy(line + g_screenLog.offset, bytes, static_cast<std::size_t>(n));
  g_screenLog.offset += n;
  line[g_screenLog.offset] = '\0';
}

}  // namespace

int StartScreenLog() {
  if (ConsoleAllowed() == 0 || g_window.window == nullptr) return -1;
  // Started again after a screen-mode change: the old font goes first, so no font slot leaks.
  if (g_screenLog.started != 0 && g_screenLog.fontLost == 0) DeleteConsoleFont(g_screenLog.font);
  g_screenLog.started = 1;
  g_screenLog.fontLost = 1;
  g_screenLog.font = -1;
  CreateFontIfLost();
  g_screenLog.shown = 0;
  g_screenLog.tabWidth = 4;
  g_screenLog.currentLine = 0;
  g_screenLog.offset = 0;
  g_screenLog.pixelWidth = 0;
  std::memset(g_screenLog.lines, 0, sizeof g_screenLog.lines);
  return 0;
}

int EndScreenLog() {
  if (g_screenLog.started == 0) return 0;
  if (g_screenLog.fontLost == 0) DeleteConsoleFont(g_screenLog.font);
  g_screenLog.fontLost = 1;
  g_screenLog.font = -1;
  g_screenLog.started = 0;
  return 0;
}

int ScreenLogWrite(const char* text) {
  if (EnsureStarted() == 0 || text == nullptr) return 0;
  for (const char* p = text; *p != '\0'; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if (c == '\t') {
      for (int i = 0; i < g_screenLog.tabWidth; ++i) PutCharacter(" ", 1);
    } else if (c == '\n') {
      NewLine();
    } else if (c == 7 || c == 8 || c == 11 || c == 12 || c == 13 || c == '?') {
      continue;
    } else if (IsShiftJisLead(c)) {
      if (p[1] == '\0') break;   // a lead byte without its trail byte is dropped
      PutCharacter(p, 2);
      ++p;
    } else {
      PutCharacter(p, 1);
    }
  }
  g_screenLog.shown = 1;
  return 0;
}

int ScreenLogPrint(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  StringVPrintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return ScreenLogWrite(buffer);
}

int ScreenLogClearAll() {
  if (EnsureStarted() == 0) return 0;
  std::memset(g_screenLog.lines, 0, sizeof g_screenLog.lines);
  g_screenLog.currentLine = 0;
  g_screenLog.offset = 0;
  g_screenLog.pixelWidth = 0;
  g_screenLog.shown = 0;
  return 0;
}

int DrawScreenLog() {
  if (EnsureStarted() == 0) return 0;
  int visible = VisibleLineCount();
  for (int i = 0; i < visible; ++i) DrawConsoleLine(g_screenLog.font, kScreenLogLineHeight * i, g_screenLog.lines[i]);
  return 0;
}

int QueryScreenLogState() {
  if (EnsureStarted() == 0) return 0;
  return g_screenLog.shown;
}

void ResetScreenLogState() { g_screenLog = kInitialScreenLog; }

}  // namespace zelvo
