#include "game/shell/gallery_screen.h"

#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/cg_pictures.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/save_files.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

enum GalleryState { kThumbnails = 0, kReturnEntry = 1, kExportQuestion = 2, kResolution = 3, kSaving = 4, kSaved = 5, kLeave = 10 };

struct Gallery {
  int state;
  int selected;
  int option;
  int scroll;
  int exportResult;
  int background;
  int closedPlate;
  int thumbnails[kGalleryPictures];
};

bool Unlocked(int k) { return GalleryFlags[k] == 1; }

void Move(Gallery* g, int selected, int state) {
  g->selected = selected;
  g->state = state;
  RestartSound(kSoundCursorMove);
}

void StepThumbnails(Gallery* g) {
  if (TakeAction(kKeyDown)) {
    const int k = g->selected + kGalleryPictures;
    Move(g, k > kGalleryPictures - 1 ? 0 : k, k > kGalleryPictures - 1 ? kReturnEntry : kThumbnails);
  }
  if (TakeAction(kKeyUp)) {
    const int k = g->selected - kGalleryPictures;
    Move(g, k < 0 ? 0 : k, k < 0 ? kReturnEntry : kThumbnails);
  }
  if (TakeAction(kKeyRight)) Move(g, g->selected < kGalleryPictures - 1 ? g->selected + 1 : 0, g->state);
  if (TakeAction(kKeyLeft)) Move(g, g->selected > 0 ? g->selected - 1 : kGalleryPictures - 1, g->state);
  if (g->state != kThumbnails) return;
  if (TakeAction(kKeyConfirm)) {
    if (!Unlocked(g->selected)) {
      RestartSound(kSoundRefuse);
      return;
    }
    RestartSound(kSoundDecide);
    ShowCgPicture(g->selected);
    g->state = kExportQuestion;
    return;
  }
  if (TakeAction(kKeyCancel)) g->state = kLeave;
}

void StepQuestion(Gallery* g, int next) {
  if (TakeAction(kKeyRight)) {
    g->option = 1;
    RestartSound(kSoundCursorMove);
  }
  if (TakeAction(kKeyLeft)) {
    g->option = 0;
    RestartSound(kSoundCursorMove);
  }
  if (TakeAction(kKeyConfirm)) {
    if (next == kResolution && g->option == 1) {
      RestartSound(kSoundRefuse);
      g->state = kThumbnails;
    } else {
      RestartSound(kSoundDecide);
      g->state = next;
    }
    return;
  }
  if (TakeAction(kKeyCancel)) g->state = kThumbnails;
}

void StepGallery(Gallery* g) {
  switch (g->state) {
    case kThumbnails:
      StepThumbnails(g);
      break;
    case kReturnEntry:
      if (TakeAction(kKeyUp) || TakeAction(kKeyDown)) Move(g, 0, kThumbnails);
      if (g->state == kReturnEntry && (TakeAction(kKeyConfirm) || TakeAction(kKeyCancel))) g->state = kLeave;
      break;
    case kExportQuestion:
      StepQuestion(g, kResolution);
      break;
    case kResolution:
      StepQuestion(g, kSaving);
      break;
    case kSaving:
      g->exportResult = ExportCg(g->selected, g->option);
      g->state = kSaved;
      break;
    case kSaved: {
      const bool confirm = TakeAction(kKeyConfirm);
      const bool cancel = TakeAction(kKeyCancel);
      if (confirm || cancel) {
        KeyBindings[kKeyConfirm].latched = 1;
        KeyBindings[kKeyCancel].latched = 1;
        g->state = kThumbnails;
      }
      break;
    }
    default:
      break;
  }
}

void DrawBackgroundTiles(int background, int scroll) {
  for (int i = -1; i <= 4; ++i) {
    for (int j = 0; j <= 3; ++j) BlitGraph(200 * i + scroll, 200 * j - scroll, background, 1);
  }
}

void DrawDialog(const Gallery& g) {
  const unsigned int white = PackColor(255, 255, 255);
  const unsigned int cyan = PackColor(0, 255, 255);
  switch (g.state) {
    case kExportQuestion:
      DrawWindowFrame(100, 150, 16, 5, 0);
      DrawTextDefaultFont(120, 160, "このCGをBMP形式で保存できます", white, 0);
      DrawTextDefaultFont(120, 180, "保存しますか？", white, 0);
      DrawRectangle(148 + 80 * g.option, 208, 212 + 80 * g.option, 232, cyan, 1);
      DrawTextDefaultFont(150, 210, "YES", white, 0);
      DrawTextDefaultFont(230, 210, "NO", white, 0);
      break;
    case kResolution:
      DrawWindowFrame(100, 150, 16, 4, 0);
      DrawTextDefaultFont(120, 160, "保存する解像度を選んでください", white, 0);
      DrawRectangle(128 + 100 * g.option, 208, 222 + 100 * g.option, 232, cyan, 1);
      DrawTextDefaultFont(130, 210, "640x480", white, 0);
      DrawTextDefaultFont(230, 210, "1280x960", white, 0);
      break;
    case kSaving:
      DrawWindowFrame(100, 150, 15, 2, 0);
      DrawTextDefaultFont(120, 160, "保存中・・・", white, 0);
      break;
    case kSaved:
      DrawWindowFrame(100, 150, 18, 3, 0);
      DrawTextDefaultFont(120, 160, "「cg」フォルダに", white, 0);
      // A copy that could not be stored is said so, never shown as saved.
      DrawTextFormatted(120, 180, white, g.exportResult == 0 ? "brlcg%02d_%d.bmp を保存しました" : "brlcg%02d_%d.bmp を保存できませんでした",
                        g.selected, g.option == 1 ? 1280 : 640);
      break;
    default:
      break;
  }
}

void DrawGallery(Gallery* g) {
  const unsigned int cyan = PackColor(0, 255, 255);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  g->scroll = g->scroll < 200 ? g->scroll + 1 : 0;
  DrawBackgroundTiles(g->background, g->scroll);
  DrawWindowFrame(50, 50, 26, 18, 5);
  DrawTextDefaultFont(50, 15, "GRAPHICS", cyan, 0);
  for (int i = 0; i < kGalleryPictures; ++i) {
    const int x = 50 + 100 * (i % 5);
    const int y = 50 + 80 * (i / 5);
    if (i == g->selected && g->state != kReturnEntry) DrawRectangle(x - 3, y - 3, x + 83, y + 63, cyan, 1);
    BlitGraph(x, y, Unlocked(i) ? g->thumbnails[i] : g->closedPlate, 0);
  }
  if (g->state == kReturnEntry) DrawRectangle(97, 367, 173, 393, cyan, 1);
  DrawTextDefaultFont(100, 370, "RETURN", PackColor(255, 255, 255), 0);
  DrawDialog(*g);
}

}  // namespace

int GalleryScreen() {
  Gallery g{};
  g.background = LoadPicture("bmp\\system\\sback.bmp");
  g.closedPlate = LoadPicture("bmp\\cg\\cgtclose.bmp");
  for (int i = 0; i < kGalleryPictures; ++i) {
    char path[32];
    std::snprintf(path, sizeof path, "bmp\\cg\\cgt%02d.bmp", i);
    g.thumbnails[i] = LoadPicture(path);
  }
  while (BeginScreenFrame()) {
    ClearDrawTarget();
    PollMenuKeys();
    StepGallery(&g);
    // The picture show runs its own loop and may have seen the end of the program.
    if (QuitRequested()) break;
    DrawGallery(&g);
    if (g.state == kLeave) break;
    PresentBackBuffer();
  }
  if (g.background != -1) ReleaseGraph(g.background, 0);
  if (g.closedPlate != -1) ReleaseGraph(g.closedPlate, 0);
  for (int thumbnail : g.thumbnails) {
    if (thumbnail != -1) ReleaseGraph(thumbnail, 0);
  }
  ClearMenuKeys();
  return QuitRequested() ? kQuitResult : 0;
}

}  // namespace horundel
