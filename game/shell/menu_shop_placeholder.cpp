// Until the shop and the mission select have their screens, both families close at once with
// choice 0, releasing the pictures RunMenu loaded for them.
#include "game/shell/menu_frame.h"

namespace horundel {

void EnterShop(MenuState&) {}
void DrawShopBackground(MenuState&) {}
void SetUpShopPanels(MenuState&) {}

int RunShopScreen(MenuState& menu) {
  ReleaseMenuGraph(&menu.shopGirlGraph);
  ReleaseMenuGraph(&menu.tileGraph);
  return 0;
}

void EnterMissionSelect(MenuState&) {}
void DrawMissionSelectBackground(MenuState&) {}
void SetUpMissionSelectPanels(MenuState&) {}

int RunMissionSelectScreen(MenuState& menu) {
  ReleaseMenuGraph(&menu.hangarGraph);
  return 0;
}

}  // namespace horundel
