#include "game/shell/mission_text_player.h"

#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_text.h"
#include "game/shell/mission_world.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kWindowX = 30;
constexpr int kWindowY = 410;
constexpr int kBlinkPeriod = 40;
constexpr int kBlinkShown = 20;

// One conversation's text is large; it lives here rather than on the stack.
MissionText g_text;

void LoadPictures(MissionText* text) {
  for (TextPicture& picture : text->pictures) {
    if (picture.used != 0) picture.handle = LoadPicture(picture.path);
  }
}

void ReleasePictures(MissionText* text) {
  for (TextPicture& picture : text->pictures) {
    if (picture.handle != -1) ReleaseGraph(picture.handle, 0);
    picture.handle = -1;
  }
}

void DrawBackground(int source, int blink) {
  if (source == kBattleText) {
    g_missionWorld.DrawAll(2);
    DrawBattleHud(0);
  } else {
    // The adviser holds each of two poses for about a third of a second.
    DrawMotion(kMotionRiveter, 200, 200, 32 + blink / 21, 1, 1.0f, 0, kDrawMotionNormal);
  }
}

void DrawPictures(MissionText* text, int page) {
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  for (TextPicture& picture : text->pictures) {
    if (picture.used == 0 || picture.firstPage > page) continue;
    BlitGraphRotated(TruncateToInt(picture.x), TruncateToInt(picture.y), picture.scale, picture.angle, picture.handle, 1,
                     picture.mirror != 0 ? 1 : 0);
    if (picture.keepScale == 0) picture.scale = StepTowardFraction(picture.scale, 1.0f, 0.1f);
  }
}

void DrawRows(const MissionText& text, const TypingState& typing) {
  SetBlendMode(ZELVO_BLEND_NONE, 255);
  for (int r = 0; r < kRowsPerPage; ++r) {
    const TextRow& row = text.rows[kRowsPerPage * typing.page + r];
    const int shown = WholeCharacterPrefix(row.text, row.length, typing.shown[r]);
    DrawTextFormatted(kWindowX, kWindowY + 20 * r, PackColor(255, 255, 255), "%.*s", shown, row.text);
  }
}

}  // namespace

void MissionTextPath(int source, int number, char* path, int size) {
  if (source == kBattleText) {
    std::snprintf(path, static_cast<std::size_t>(size), "text\\battle%02d%02d.dat", g_battle.CurrentMission, number);
  } else {
    std::snprintf(path, static_cast<std::size_t>(size), "text\\advice%02d.dat", number);
  }
}

void PlayMissionText(int source, int number) {
  RestartSound(kSoundDecide);
  char path[64];
  MissionTextPath(source, number, path, sizeof path);
  const intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) {
    ScreenLogPrintf("error message file open\n");
    return;
  }
  const int read = ReadMissionText(stream, &g_text);
  CloseReadStream(stream);
  if (read != 0) return;
  LoadPictures(&g_text);
  ExpandKeyTags(&g_text);
  TypingState typing;
  StartTyping(&typing);
  int blink = 0;
  ClearMenuKeys();
  while (BeginScreenFrame()) {
    ClearDrawTarget();
    PollMenuKeys();
    StepTyping(g_text, &typing);
    const bool confirm = KeyBindings[kKeyConfirm].pressed == 1 && KeyBindings[kKeyConfirm].latched == 0;
    const bool cancel = KeyBindings[kKeyCancel].pressed == 1 && KeyBindings[kKeyCancel].latched == 0;
    if (confirm || cancel) {
      if (AdvanceTyping(g_text, &typing) != 0) break;
      RestartSound(kSoundCursorMove);
      KeyBindings[kKeyConfirm].latched = 1;
      KeyBindings[kKeyCancel].latched = 1;
    }
    DrawBackground(source, blink);
    DrawPictures(&g_text, typing.page);
    DrawWindowFrame(kWindowX, kWindowY, 29, 3, 0);
    blink = blink < kBlinkPeriod ? blink + 1 : 0;
    if (blink < kBlinkShown && typing.pageFinished != 0) {
      DrawTriangleShape(600, 470, 590, 460, 610, 460, PackColor(255, 0, 0), 1);
    }
    DrawRows(g_text, typing);
    PresentBackBuffer();
  }
  ReleasePictures(&g_text);
  ClearMenuKeys();
}

}  // namespace horundel
