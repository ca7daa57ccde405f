// A small program on the library until the game takes its place: starts the library in a window,
// prints to the on-screen console, draws shapes, a picture (made by saving a corner of the screen
// and loading it back) and a line of Japanese text, and presents frames until Escape or the window
// is closed.
#include <zelvo/zelvo.h>

#include <cstdio>

namespace {

constexpr int kEscapeKey = 1;         // the keyboard code of Escape
constexpr int kFramePeriodMs = 16;    // paces the loop while presenting does not wait for the display
constexpr const char* kPictureFile = "zelvo_demo_picture.bmp";

// A 64 x 64 picture of nested shapes, saved from the back buffer and loaded as a graph; -1 when
// the picture could not be made.
int MakePicture() {
  SelectDrawTarget(ZELVO_BACK_BUFFER);
  ClearDrawTarget();
  DrawRectangle(0, 0, 64, 64, PackColor(40, 60, 160), 1);
  DrawCircleShape(32, 32, 24, PackColor(250, 200, 40), 1);
  DrawTriangleShape(32, 14, 50, 46, 14, 46, PackColor(200, 40, 40), 1);
  DrawRectangle(0, 0, 64, 64, PackColor(255, 255, 255), 0);
  if (SaveScreenRectToFile(0, 0, 64, 64, kPictureFile, ZELVO_SAVE_BMP, 0, 0) != 0) return -1;
  const int picture = LoadGraphFile(kPictureFile, ZELVO_LOAD_TEXTURE);
  std::remove(kPictureFile);
  return picture;
}

void DrawFrame(int picture, int frame) {
  ClearDrawTarget();
  SetBlendMode(ZELVO_BLEND_NONE, 0);
  DrawRectangle(20, 20, 620, 460, PackColor(90, 90, 90), 0);
  DrawLineSegment(20, 240, 620, 240, PackColor(60, 120, 60), 1);
  DrawEllipse(320, 240, 200, 80, PackColor(40, 90, 140), 0);
  DrawCircleShape(100 + frame % 440, 120, 16, PackColor(230, 230, 80), 1);
  DrawTextDefaultFont(40, 60, "ゼルボの文字：日本語とASCII text", PackColor(255, 255, 255), PackColor(0, 0, 0));
  if (picture < 0) return;
  BlitGraph(40, 360, picture, 0);
  BlitGraphRotated(320, 240, 1.5, frame * 0.02, picture, 1, 0);
  SetBlendMode(ZELVO_BLEND_ADD, 160);
  BlitGraphRotated(520, 360, 1.0, -frame * 0.03, picture, 1, 0);
  SetBlendMode(ZELVO_BLEND_NONE, 0);
}

}  // namespace

int main() {
  SetLogFileEnabled(0);
  SwitchWindowMode(ZELVO_WINDOWED);
  SetWindowTitleText("ゼルボ デモ");
  if (StartUpLibrary() != 0) {
    std::fprintf(stderr, "zelvo_demo: the library did not start\n");
    return -1;
  }
  std::printf("started\n");
  std::fflush(stdout);
  SetDefaultFontStyle(ZELVO_FONT_EDGE);
  ScreenLogPrintf("Now Loading...\n");
  const int picture = MakePicture();
  int frames = 0;
  int pump = 0;
  while ((pump = PumpMessages()) == 0) {
    if (IsKeyDown(kEscapeKey) == 1) break;
    DrawFrame(picture, frames);
    if (PresentBackBuffer() != 0) SleepWithMessages(kFramePeriodMs);
    ++frames;
  }
  std::printf("PumpMessages returned %d after %d frames\n", pump, frames);
  std::fflush(stdout);
  ShutDownLibrary();
  return 0;
}
