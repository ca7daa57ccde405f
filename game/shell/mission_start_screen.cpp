#include <zelvo/zelvo.h>

#include "game/battle/data/game_math.h"
#include "game/battle/data/motion_playback.h"
#include "game/battle/data/motion_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_screens.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kClouds = 6;
constexpr int kCloudPictures = 3;
constexpr int kDropPhase = 2;
constexpr int kStartEnded = 100;

struct Cloud {
  int picture;
  float x;
  float y;
  float scale;
  float speed;
};

struct Heroine {
  bool shown;
  float y;
  float fallSpeed;
};

// A cloud drawn afresh: the picture, then (unless it re-enters at the right edge) x, then y, scale
// and speed, in that order from the random generator.
void RollCloud(Cloud* cloud, const int* pictures, bool atRightEdge) {
  cloud->picture = pictures[RandomUpTo(2)];
  cloud->x = atRightEdge ? 704.0f : static_cast<float>(RandomUpTo(640));
  cloud->y = static_cast<float>(RandomUpTo(480));
  cloud->scale = 1.0f + static_cast<float>(RandomUpTo(20)) * 0.1f;
  cloud->speed = -10.0f - static_cast<float>(RandomUpTo(10));
}

void DrawClouds(Cloud* clouds, const int* pictures) {
  for (int i = 0; i < kClouds; ++i) {
    Cloud& cloud = clouds[i];
    SetBlendMode(ZELVO_BLEND_ADD, 160);
    BlitGraphRotated(TruncateToInt(cloud.x), TruncateToInt(cloud.y), cloud.scale, 0.0, cloud.picture, 1, 0);
    cloud.x += cloud.speed;
    if (cloud.x < -200.0f) RollCloud(&cloud, pictures, true);
  }
}

}  // namespace

void MissionStart() {
  ClearMenuKeys();
  TitleSprite mission = MakeTitleSprite("bmp\\system\\mission.bmp", -320.0f, 180.0f, 1.5f);
  TitleSprite start = MakeTitleSprite("bmp\\system\\start.bmp", 960.0f, 300.0f, 1.5f);
  TitleSprite carrier = MakeTitleSprite("bmp\\system\\carrier.bmp", -500.0f, 50.0f, 1.5f);
  int cloudPictures[kCloudPictures] = {LoadPicture("bmp\\system\\croud1.bmp"), LoadPicture("bmp\\system\\croud2.bmp"),
                                       LoadPicture("bmp\\system\\croud3.bmp")};
  Cloud clouds[kClouds];
  for (Cloud& cloud : clouds) RollCloud(&cloud, cloudPictures, false);
  Heroine heroine{false, 0.0f, 0.0f};
  int overlay = 255;
  float band = kBandStartHeight;
  int bandParameter = 0;
  float scroll = 0.0f;
  int phase = 0;
  int t = 0;
  RestartSound(kSoundAirplane);
  while (BeginScreenFrame()) {
    ClearDrawTarget();
    ++t;
    if (phase == 0) {
      overlay = StepToward(overlay, 0, 8);
      if (overlay == 0) phase = 1;
    } else if (phase == 1) {
      mission.x = StepTowardFraction(mission.x, 320.0f, 0.1f);
      start.x = StepTowardFraction(start.x, 320.0f, 0.1f);
      band = StepBandHeight(band);
      bandParameter = StepToward(bandParameter, 255, 3);
      carrier.x += 8.0f;
      scroll -= 2.0f;
      if (t > 180) {
        mission.x = start.x = 320.0f;
        band = 0.0f;
        bandParameter = 255;
        heroine.shown = true;
        phase = kDropPhase;
        t = 0;
        RestartSound(kSoundBomb);
      }
    } else if (phase == kDropPhase) {
      mission.y -= 10.0f;
      start.y += 10.0f;
      carrier.x += 8.0f;
      scroll -= 2.0f;
      heroine.fallSpeed += 0.3f;
      if (t > 60) phase = kStartEnded;
    }
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    BlitGraph(TruncateToInt(scroll), 0, g_stage.backgroundHandle, 0);
    BlitGraph(TruncateToInt(scroll + 640.0f), 0, g_stage.backgroundHandle, 0);
    DrawTitleSprite(carrier);
    if (heroine.shown) {
      DrawMotion(kMotionHeroine, 320, TruncateToInt(heroine.y), 53, 1, 0.8f, 0, kDrawMotionNormal);
      heroine.y += heroine.fallSpeed;
    }
    if (phase == 1) DrawBand(band, bandParameter);
    DrawClouds(clouds, cloudPictures);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    DrawTitleSprite(mission);
    DrawTitleSprite(start);
    if (overlay > 0) {
      SetBlendMode(ZELVO_BLEND_ALPHA, overlay);
      DrawRectangle(0, 0, 640, 480, PackColor(0, 0, 0), 1);
      SetBlendMode(ZELVO_BLEND_NONE, 255);
    }
    PresentBackBuffer();
    if (phase == kStartEnded) break;
  }
  ReleaseTitleSprite(&mission);
  ReleaseTitleSprite(&start);
  ReleaseTitleSprite(&carrier);
  for (int picture : cloudPictures) {
    if (picture != -1) ReleaseGraph(picture, 0);
  }
}

}  // namespace horundel
