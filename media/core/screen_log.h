#pragma once
// The on-screen log console: up to 80 lines of 255 bytes drawn over the picture while shown.
namespace zelvo {

constexpr int kScreenLogLines = 80;
constexpr int kScreenLogLineBytes = 255;
constexpr int kScreenLogLineHeight = 16;

struct ScreenLogState {
  int started;
  int shown;
  char lines[kScreenLogLines][kScreenLogLineBytes];
  int currentLine;
  int offset;
  int pixelWidth;
  int font;
  int fontLost;
  int tabWidth;
};
extern ScreenLogState g_screenLog;

int StartScreenLog();
int EndScreenLog();
int ScreenLogPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
int ScreenLogWrite(const char* text);    // the writing of an already formatted text
int ScreenLogClearAll();
int DrawScreenLog();
int QueryScreenLogState();

// The console state as at process start.
void ResetScreenLogState();

}  // namespace zelvo
