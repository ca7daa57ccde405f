#pragma once
// The hangar between missions: the list of missions open so far, a small menu (shop, scores, save,
// back to the title), the high-score table and the departure scene, screens 400 to 490 of RunMenu.
namespace horundel {

// The figures and flashes drawn behind every hangar screen, and the departure's frame counter.
struct SceneFigure {
  int motionKind;
  float x;
  float y;
  int facing;
  int motion;
  int tick;
};

struct SceneFlash {
  int life;   // frames left; 0 not shown
  float x;
  float y;
};

constexpr int kSceneFlashes = 5;

struct HangarScene {
  SceneFigure heroine;
  SceneFigure companion;
  SceneFlash flashes[kSceneFlashes];
  int departureFrame;
};
extern HangarScene g_hangar;

// The scene as the hangar opens: she stands on the right facing left, the companion on the left.
void ResetHangarScene(HangarScene& scene);

// The last mission of the list: the leading cleared records among missions 0 and 1, so 1 for a new
// game and 2 once mission 1 is cleared. Missions 3 to 5 never open here.
int LastOpenMission();

// The choices of RunMenu(410).
enum MissionSelectChoice {
  kChoicePlayMission = 0,
  kChoiceBackToTitle = 1,
  kChoiceShop = 2,
  kChoiceSave = 3,
};

}  // namespace horundel
