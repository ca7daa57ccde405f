#pragma once
// The loop rule every shell screen follows, and the small drawing pieces the scripted screens
// share: title sprites, the white band and menu sounds restarted from their beginning.
namespace horundel {

// What a screen that returns a choice returns when the program must end.
constexpr int kQuitResult = -1;

// Menu and screen sounds, by their place in the sound-effect table.
enum ScreenSound {
  kSoundBomb = 13,
  kSoundBomb2 = 14,
  kSoundBomb3 = 15,
  kSoundGuard = 18,
  kSoundItem2 = 24,
  kSoundCursorMove = 25,
  kSoundDecide = 26,
  kSoundRefuse = 27,
  kSoundWarning = 28,
  kSoundAirplane = 30,
};

// Runs the message pump and tests Escape; false once the program must end. The end is kept, so
// a one-frame Escape tap that ends an inner screen also ends every screen around it.
bool BeginScreenFrame();
bool QuitRequested();
// For tests that run several screens in one process.
void ClearQuitRequest();

// Stops the sound effect and plays it again from its beginning in the background.
void RestartSound(int effect);

// A picture drawn centred, unrotated, transparent and unmirrored.
struct TitleSprite {
  int picture;
  float x;
  float y;
  float scale;
};
TitleSprite MakeTitleSprite(const char* path, float x, float y, float scale);
void DrawTitleSprite(const TitleSprite& sprite);
void ReleaseTitleSprite(TitleSprite* sprite);

// The white additive band across the screen centre, of half height h.
constexpr float kBandStartHeight = 200.0f;
float StepBandHeight(float h);
void DrawBand(float h, int parameter);

}  // namespace horundel
