#include "game/shell/save_load_screen.h"

#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/game_math.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/save_files.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kSummaryBytes = 100;
constexpr int kReturnEntry = kSaveSlotCount;
constexpr int kPointerPicture = 8;
constexpr int kFadeFrames = 60;
// The money column is eight digits wide: a larger sum shows as the most it holds, so that it never
// pushes the date along.
constexpr int kMostShownMoney = 99999999;

enum Outcome { kChoosing = 0, kDone = 1, kBack = 2 };

struct SaveLoadState {
  int mode;
  int slots[kSaveSlotCount];   // SlotState of each
  char lines[kSaveSlotCount][kSummaryBytes];
  int cursor;
  int pulse;
  int scroll;
  float pointerX;
  float pointerY;
  int outcome;
  int result;
  bool saveFailed;
  int background;
};

const char* DifficultyName(int difficulty) {
  static const char* const kNames[] = {"Easy", "Normal", "Hard", "Challange"};
  // A value no menu can set has no name of its own.
  return difficulty >= 1 && difficulty <= 4 ? kNames[difficulty - 1] : "?";
}

void AdvanceCounters(SaveLoadState* s) {
  s->pulse = s->pulse > 0 ? s->pulse - 1 : 32;
  s->scroll = s->scroll < 200 ? s->scroll + 1 : 0;
}

void DrawBackground(const SaveLoadState& s) {
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  for (int i = -1; i <= 4; ++i) {
    for (int j = 0; j <= 3; ++j) BlitGraph(200 * i + s.scroll, 200 * j - s.scroll, s.background, 1);
  }
}

void Choose(SaveLoadState* s) {
  if (s->cursor == kReturnEntry) {
    RestartSound(kSoundDecide);
    s->outcome = kBack;
    s->result = 0;
  } else if (s->mode == kSaveMode) {
    RestartSound(kSoundDecide);
    // A save that could not be stored is said so on the confirmation, and counts as no save.
    s->saveFailed = WriteSaveSlot(s->cursor) != 0;
    s->outcome = kDone;
    s->result = s->saveFailed ? 0 : 1;
  } else if (s->slots[s->cursor] == kSlotValid && ReadSaveSlot(s->cursor) == 0) {
    RestartSound(kSoundDecide);
    s->outcome = kDone;
    s->result = 1;
  } else {
    // An empty or damaged slot, or one that no longer reads whole, cannot be loaded.
    RestartSound(kSoundRefuse);
    KeyBindings[kKeyConfirm].latched = 1;
  }
  ClearMenuKeys();
}

const char* HelpText(const SaveLoadState& s) {
  if (s.mode == kSaveMode) {
    return s.cursor == kReturnEntry ? "データをセーブしないで進みます" : "データをセーブする場所を選んでください";
  }
  return s.cursor == kReturnEntry ? "タイトル画面に戻ります" : "ロードするデータを選んでください";
}

void DrawChoosing(SaveLoadState* s) {
  const unsigned int white = PackColor(255, 255, 255);
  ClearDrawTarget();
  DrawBackground(*s);
  DrawWindowFrame(30, 40, 30, 21, 5);
  if (s->mode == kSaveMode) {
    DrawTextDefaultFont(30, 5, "DATA SAVE", PackColor(255, 255, 0), 0);
  } else {
    DrawTextDefaultFont(30, 5, "DATA LOAD", PackColor(0, 255, 255), 0);
  }
  SetBlendMode(ZELVO_BLEND_ADD, 255);
  DrawRectangle(28, 38 + 20 * s->cursor, 428, 58 + 20 * s->cursor, PackColor(0, 3 * s->pulse, 6 * s->pulse), 1);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  s->pointerX = StepTowardFraction(s->pointerX, 10.0f, 0.2f);
  s->pointerY = StepTowardFraction(s->pointerY, static_cast<float>(40 + 20 * s->cursor), 0.2f);
  BlitGraph(TruncateToInt(s->pointerX), TruncateToInt(s->pointerY), g_pictures.hudFrames[kPointerPicture], 1);
  for (int i = 0; i < kSaveSlotCount; ++i) DrawTextFormatted(30, 40 + 20 * i, white, "%s", s->lines[i]);
  DrawTextDefaultFont(30, 440, "RETURN", white, 0);
}

void DrawHelpBar(const SaveLoadState& s) {
  SetBlendMode(ZELVO_BLEND_ALPHA, 160);
  DrawRectangle(0, 460, 640, 480, PackColor(0, 0, 0), 1);
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  DrawTextDefaultFont(50, 460, HelpText(s), PackColor(255, 255, 255), 0);
}

// The choosing loop; false when the program must end.
bool RunChoosing(SaveLoadState* s) {
  ClearMenuKeys();
  while (BeginScreenFrame()) {
    PollMenuKeys();
    AdvanceCounters(s);
    if (TakeAction(kKeyDown)) {
      s->cursor = s->cursor < kReturnEntry ? s->cursor + 1 : 0;
      RestartSound(kSoundCursorMove);
    }
    if (TakeAction(kKeyUp)) {
      s->cursor = s->cursor > 0 ? s->cursor - 1 : kReturnEntry;
      RestartSound(kSoundCursorMove);
    }
    DrawChoosing(s);
    if (TakeAction(kKeyConfirm)) Choose(s);
    DrawHelpBar(*s);
    if (TakeAction(kKeyCancel)) {
      s->outcome = kBack;
      s->result = 0;
      ClearMenuKeys();
    }
    if (s->outcome != kChoosing) return true;
    PresentBackBuffer();
    ScreenLogClear();
  }
  return false;
}

bool RunConfirmation(SaveLoadState* s) {
  const char* text = s->mode == kLoadMode ? "ロードしました" : (s->saveFailed ? "セーブできませんでした" : "セーブしました");
  while (BeginScreenFrame()) {
    PollMenuKeys();
    AdvanceCounters(s);
    ClearDrawTarget();
    DrawBackground(*s);
    DrawWindowFrame(200, 150, 12, 3, 0);
    DrawTextDefaultFont(220, 170, text, PackColor(255, 255, 255), 0);
    PresentBackBuffer();
    const bool confirm = TakeAction(kKeyConfirm);
    const bool cancel = TakeAction(kKeyCancel);
    if (confirm || cancel) return true;
  }
  return false;
}

bool RunFadeOut(SaveLoadState* s) {
  for (int k = 1; BeginScreenFrame(); ++k) {
    AdvanceCounters(s);
    ClearDrawTarget();
    DrawBackground(*s);
    SetBlendMode(ZELVO_BLEND_ALPHA, ClampInt(0, 5 * k, 255));
    DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    if (k > kFadeFrames) return true;
    PresentBackBuffer();
    ScreenLogClear();
  }
  return false;
}

SaveLoadState g_screen;

}  // namespace

int ReadSlotSummary(int slot, char* line, int size) {
  SlotSummary summary{};
  const SlotState state = CheckSaveSlot(slot, &summary);
  const auto room = static_cast<std::size_t>(size);
  if (state == kSlotEmpty) {
    std::snprintf(line, room, "%2d: セーブデータがありません", slot + 1);
  } else if (state == kSlotDamaged) {
    std::snprintf(line, room, "%02d: セーブデータが壊れています", slot + 1);
  } else {
    std::snprintf(line, room, "%02d: %10s Mission%2d %8d c  %d/%d/%d %02d:%02d", slot + 1,
                  DifficultyName(summary.difficulty), summary.shownMission,
                  summary.money < kMostShownMoney ? summary.money : kMostShownMoney, summary.year,
                  summary.month, summary.day, summary.hour, summary.minute);
  }
  return state;
}

int SaveLoadScreen(int mode) {
  SaveLoadState& s = g_screen;
  s = SaveLoadState{};
  s.mode = mode;
  HaltSound(g_stage.musicHandle);
  s.background = LoadPicture("bmp\\system\\sback.bmp");
  for (int i = 0; i < kSaveSlotCount; ++i) s.slots[i] = ReadSlotSummary(i, s.lines[i], kSummaryBytes);
  bool running = RunChoosing(&s);
  if (running && s.outcome == kDone) running = RunConfirmation(&s);
  if (running) running = RunFadeOut(&s);
  ClearMenuKeys();
  if (s.background != -1) ReleaseGraph(s.background, 0);
  return running ? s.result : kQuitResult;
}

}  // namespace horundel
