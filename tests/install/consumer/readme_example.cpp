#include <zelvo/zelvo.h>

int main() {
  if (StartUpLibrary() != 0) return 1;
  const int picture = LoadGraphFile("picture.bmp", ZELVO_LOAD_TEXTURE);
  const int sound = LoadSoundFile("sound.wav", 1, -1);
  if (picture == -1 || sound == -1) return ShutDownLibrary(), 1;
  StartSound(sound, ZELVO_PLAY_LOOP, 1);
  // 120 frames, or fewer when the window is closed or Escape (key code 1) is pressed.
  for (int frame = 0; frame < 120 && PumpMessages() == 0 && IsKeyDown(1) == 0; ++frame) {
    ClearDrawTarget();
    SetBlendMode(ZELVO_BLEND_ALPHA, frame * 2);
    BlitGraphRotated(320, 240, 2.0, frame * 0.05, picture, 1, 0);
    SetBlendMode(ZELVO_BLEND_NONE, 0);
    PresentBackBuffer();
  }
  HaltSound(sound);
  ShutDownLibrary();
  return 0;
}
