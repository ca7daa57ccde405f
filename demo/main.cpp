// A small program on the library until the game takes its place: starts the library in a window,
// prints to the on-screen console, presents frames and ends on Escape or when the window is closed.
#include <zelvo/zelvo.h>

#include <cstdio>

namespace {

constexpr int kEscapeKey = 1;         // the keyboard code of Escape
constexpr int kFramePeriodMs = 16;    // paces the loop while presenting does not wait for the display

}  // namespace

int main() {
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText("ゼルボ デモ");
  if (StartUpLibrary() != 0) {
    std::fprintf(stderr, "zelvo_demo: the library did not start\n");
    return -1;
  }
  std::printf("started\n");
  std::fflush(stdout);
  ScreenLogPrintf("Now Loading...\n");
  int frames = 0;
  int pump = 0;
  while ((pump = PumpMessages()) == 0) {
    if (IsKeyDown(kEscapeKey) == 1) break;
    if (PresentBackBuffer() != 0) SleepWithMessages(kFramePeriodMs);
    ++frames;
  }
  std::printf("PumpMessages returned %d after %d frames\n", pump, frames);
  std::fflush(stdout);
  ShutDownLibrary();
  return 0;
}
