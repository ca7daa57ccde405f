#include "game/shell/cg_pictures.h"

#include <cstdio>
#include <cstdlib>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/resources.h"
#include "game/shell/key_bindings.h"
#include "game/shell/runtime_files.h"
#include "game/shell/save_files.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

// Picture show phases.
enum ShowPhase { kFadeIn = 0, kShowing, kSignIn, kSignHold, kSignOut, kFadeOut, kShowEnded };

constexpr float kSignStartX = -128.0f;
constexpr int kSignHoldFrames = 60;
// Far beyond any stored picture; a larger source is refused rather than held in memory.
constexpr long kExportLimitBytes = 64L * 1024 * 1024;

int Digit(int number, int place) { return (number / place) % 10; }

struct ShowState {
  int phase;
  int alpha;
  float signX;
  int hold;
};

void StepShow(ShowState* show, bool pressed) {
  if (pressed) ++show->phase;
  switch (show->phase) {
    case kFadeIn:
      show->alpha = StepToward(show->alpha, 0, 5);
      if (show->alpha == 0) show->phase = kShowing;
      break;
    case kShowing:
      show->alpha = 0;
      break;
    case kSignIn:
      if (g_battle.CurrentMission != 0) {
        show->signX = StepTowardFraction(show->signX, 320.0f, 0.1f);
      } else {
        show->phase = kFadeOut;
      }
      break;
    case kSignHold:
      show->signX = 320.0f;
      if (++show->hold >= kSignHoldFrames) show->phase = kSignOut;
      break;
    case kSignOut:
      show->signX = StepTowardFraction(show->signX, 768.0f, 0.1f);
      break;
    case kFadeOut:
      show->alpha = StepToward(show->alpha, 255, 5);
      if (show->alpha == 255) show->phase = kShowEnded;
      break;
    default:
      break;
  }
}

// The whole source as the file layer delivers it, or false when it cannot be read to its end.
bool ReadWholeStream(intptr_t stream, unsigned char** bytes, long* size) {
  long capacity = 1 << 16;
  *bytes = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(capacity)));
  *size = 0;
  if (*bytes == nullptr) return false;
  while (ReadStreamAtEnd(stream) == 0) {
    const int byte = ReadStreamByte(stream);
    // -1 before the end is a read error: the copy would be cut short.
    if (byte < 0 || *size >= kExportLimitBytes) return false;
    if (*size == capacity) {
      capacity *= 2;
      auto* grown = static_cast<unsigned char*>(std::realloc(*bytes, static_cast<std::size_t>(capacity)));
      if (grown == nullptr) return false;
      *bytes = grown;
    }
    (*bytes)[(*size)++] = static_cast<unsigned char>(byte);
  }
  return true;
}

}  // namespace

void CgExportPath(int number, int size, char* path, int pathSize) {
  std::snprintf(path, static_cast<std::size_t>(pathSize), size == kExport1280 ? "cg\\brlcg%d%d_1280.bmp" : "cg\\brlcg%d%d_640.bmp",
                Digit(number, 10), Digit(number, 1));
}

void ShowCgPicture(int number) {
  // A number from a map file outside the flags still shows its picture, but unlocks nothing.
  if (number >= 0 && number < kGalleryFlagCount) GalleryFlags[number] = 1;
  SaveConfig();
  char path[64];
  std::snprintf(path, sizeof path, "bmp\\cg\\cg%d%d.bmp", Digit(number, 10), Digit(number, 1));
  const int picture = LoadPicture(path);
  const int sign = LoadPicture("bmp\\system\\rescue.bmp");
  ShowState show{kFadeIn, 255, kSignStartX, 0};
  ClearMenuKeys();
  while (BeginScreenFrame()) {
    ClearDrawTarget();
    PollMenuKeys();
    const bool confirm = KeyBindings[kKeyConfirm].pressed == 1 && KeyBindings[kKeyConfirm].latched == 0;
    const bool cancel = KeyBindings[kKeyCancel].pressed == 1 && KeyBindings[kKeyCancel].latched == 0;
    if (confirm || cancel) {
      KeyBindings[kKeyConfirm].latched = 1;
      KeyBindings[kKeyCancel].latched = 1;
    }
    StepShow(&show, confirm || cancel);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    BlitGraph(0, 0, picture, 0);
    BlitGraphRotated(TruncateToInt(show.signX), 240, 1.0, 0.0, sign, 1, 0);
    SetBlendMode(ZELVO_BLEND_ALPHA, show.alpha);
    DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    if (show.phase > kFadeOut) break;
    PresentBackBuffer();
  }
  if (picture != -1) ReleaseGraph(picture, 0);
  if (sign != -1) ReleaseGraph(sign, 0);
  ClearMenuKeys();
}

int ExportCg(int number, int size) {
  char source[64];
  std::snprintf(source, sizeof source, size == kExport1280 ? "bmp\\cg\\cgh%d%d.bmp" : "bmp\\cg\\cg%d%d.bmp",
                Digit(number, 10), Digit(number, 1));
  const intptr_t stream = OpenReadStream(source, 0);
  if (stream == 0) {
    ScreenLogPrintf("CGファイル読み込みエラー\n");
    return -1;
  }
  unsigned char* bytes = nullptr;
  long length = 0;
  const bool whole = ReadWholeStream(stream, &bytes, &length);
  CloseReadStream(stream);
  int result = -1;
  if (whole) {
    char destination[64];
    CgExportPath(number, size, destination, sizeof destination);
    // The runtime writes beside the target and renames it over only once the copy is on disk.
    pf::TextFile* file = pf::TextFileOpen(destination, "wb");
    if (file != nullptr) {
      const bool written = length == 0 || pf::TextFileWrite(bytes, static_cast<std::size_t>(length), 1, file) == 1;
      const int closed = pf::TextFileClose(file);
      result = written && closed == 0 ? 0 : -1;
    }
  }
  std::free(bytes);
  return result;
}

}  // namespace horundel
