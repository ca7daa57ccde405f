// The equipment screen over the frozen battle: the carried weapons with the one in hand, their
// order, and the list of skills.
#include <zelvo/zelvo.h>

#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/shell_services.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_screens.h"
#include "game/shell/screen_frame.h"

namespace horundel {

namespace {

constexpr int kWeaponPanel = 0;
constexpr int kSkillPanel = 1;
constexpr int kTargetPanel = 2;   // invisible: its cursor is where the held gun goes

// The used gun slots counted from slot 1 up to the first empty one.
int UsedGuns() {
  const int count = ClampInt(0, g_battle.WeaponSlotCount, kLastCarriedSlot);
  int used = 0;
  while (used < count && g_battle.WeaponSlot[used + 1].used != 0) ++used;
  return used;
}

const WeaponRecord* WeaponIn(int slot) {
  if (slot < 0 || slot > kLastCarriedSlot) return nullptr;
  const int weapon = g_battle.WeaponSlot[slot].weapon;
  return weapon >= 0 && weapon < kWeaponCount ? &WeaponRecords[weapon] : nullptr;
}

// The gun of slot leaves it; the later guns move up and the last carried slot becomes empty.
WeaponSlotRecord TakeGunOut(int slot) {
  const WeaponSlotRecord gun = g_battle.WeaponSlot[slot];
  for (int s = slot; s < kLastCarriedSlot; ++s) g_battle.WeaponSlot[s] = g_battle.WeaponSlot[s + 1];
  g_battle.WeaponSlot[kLastCarriedSlot] = WeaponSlotRecord{};
  return gun;
}

// The gun goes into slot; the guns from there on move down one slot.
void PutGunIn(int slot, const WeaponSlotRecord& gun) {
  for (int s = kLastCarriedSlot; s > slot; --s) g_battle.WeaponSlot[s] = g_battle.WeaponSlot[s - 1];
  g_battle.WeaponSlot[slot] = gun;
}

void DrawWeaponPicture(int x, int y, const WeaponSlotRecord& gun, double scale) {
  if (gun.weapon < 0 || gun.weapon >= kWeaponCount) return;
  BlitGraphRotated(x, y, scale, 0.0, WeaponRecords[gun.weapon].picture, 1, 0);
}

void DrawWeaponPanel(const MenuPanel& panel) {
  DrawPanelTitle(panel, "WEAPON");
  const int last = ClampInt(0, g_battle.WeaponSlotCount, kLastCarriedSlot);
  for (int slot = 0; slot <= last; ++slot) {
    const int top = panel.y + 40 * slot;
    DrawRectangle(panel.x, top, panel.x + panel.bar - 4, top + 36, PackColor(0, 255, 255), 0);
    const WeaponSlotRecord& gun = g_battle.WeaponSlot[slot];
    const WeaponRecord* record = WeaponIn(slot);
    if (gun.used == 0 || record == nullptr) continue;
    DrawWeaponPicture(panel.x + 50, top + 20, gun, WeaponListScale(gun.weapon));
    const float numberY = static_cast<float>(top + 10);
    DrawNumber(static_cast<float>(panel.x + 100), numberY, gun.ammunition, 0, 0.6f, 0, 255, 255);
    DrawNumber(static_cast<float>(panel.x + 200), numberY, record->maximumAmmunition, 3, 0.6f, 0, 255, 255);
  }
}

void DrawSkillPanel(const MenuPanel& panel) {
  DrawPanelTitle(panel, "SKILL");
  const unsigned int white = PackColor(255, 255, 255);
  for (int row = 0; row < kSkillCount; ++row) {
    const SkillRecord& skill = SkillRecords[SkillShopOrder[row]];
    DrawTextDefaultFont(panel.x, panel.y + 20 * row, skill.owned != 0 ? skill.name : "???", white, 0);
  }
}

void SetEquipmentHelp(MenuState& menu) {
  SetHelpLines(menu, 410, 3);
  if (menu.MenuScreen == kScreenEquipmentPlace) {
    SetHelpLine(menu, 0, "武器の並べ替え先を指定してください");
    SetHelpLine(menu, 1, "決定ボタンで並べ替えを完了します");
    return;
  }
  if (menu.focus == kSkillPanel) {
    const int row = ClampInt(0, menu.panels[kSkillPanel].cursor, kSkillCount - 1);
    const SkillRecord& skill = SkillRecords[SkillShopOrder[row]];
    if (skill.owned == 0) {
      SetHelpLine(menu, 0, "この技はまだ習得していません");
    } else {
      SetHelpLine(menu, 0, skill.command);
      SetHelpLine(menu, 1, skill.firstLine);
      SetHelpLine(menu, 2, skill.secondLine);
    }
    return;
  }
  if (const WeaponRecord* inHand = WeaponIn(g_battle.CurrentWeaponSlot)) {
    SetHelpLine(menu, 0, inHand->name);
    SetHelpLine(menu, 1, inHand->description);
  }
  SetHelpLine(menu, 2, "武器の並べ替え；決定ボタン");
}

void RunWeaponList(MenuState& menu) {
  const int row = menu.panels[kWeaponPanel].cursor;
  if (menu.focus == kWeaponPanel && row > 0 && row <= UsedGuns() && TakeMenuConfirm()) {
    const int guns = UsedGuns();
    menu.heldGun = TakeGunOut(row);
    menu.MenuScreen = kScreenEquipmentPlace;
    menu.focus = kTargetPanel;
    menu.panels[kTargetPanel].cursor = MaxInt(0, row - 1);
    menu.panels[kTargetPanel].last = MaxInt(0, guns - 2);
    return;
  }
  if (TakeAction(kKeyEquipment) || TakeAction(kKeyCancel)) {
    ClearMenuKeys();
    menu.MenuChoice = 0;
  }
}

void RunPlacing(MenuState& menu) {
  const MenuPanel& weapons = menu.panels[kWeaponPanel];
  const int target = menu.panels[kTargetPanel].cursor;
  DrawCursorIcon(menu, weapons.x - 20, weapons.y + weapons.pitch * (target + 1) + weapons.pitch / 2 - 10);
  DrawWeaponPicture(TruncateToInt(menu.iconX), TruncateToInt(menu.iconY), menu.heldGun, 0.5);
  if (!TakeMenuConfirm()) return;
  PutGunIn(target + 1, menu.heldGun);
  menu.heldGun = WeaponSlotRecord{};
  menu.MenuScreen = kScreenEquipment;
  menu.focus = kWeaponPanel;
}

}  // namespace

void SetUpEquipmentPanels(MenuState& menu) {
  const int guns = UsedGuns();
  menu.lastFocusable = kSkillPanel;
  menu.lastDrawnPanel = kSkillPanel;
  SetPanel(menu, kWeaponPanel, kPanelList, guns, 4, 15, 13, 300, 160, 300, 40);
  SetPanel(menu, kSkillPanel, kPanelList, kSkillCount - 1, 3, 12, 8, 20, 160, 240, 20);
  // While a gun is held the remaining guns are one fewer: it can go before any of them, or
  // first when none is left.
  SetPanel(menu, kTargetPanel, kPanelHidden, MaxInt(0, guns - 1), 0, 1, 1, 0, 0, 0, 0);
  SetEquipmentHelp(menu);
}

int RunEquipmentScreen(MenuState& menu) {
  DrawWeaponPanel(menu.panels[kWeaponPanel]);
  DrawSkillPanel(menu.panels[kSkillPanel]);
  menu.MenuChoice = kMenuNoChoice;
  if (menu.MenuScreen == kScreenEquipmentPlace) {
    RunPlacing(menu);
  } else {
    RunWeaponList(menu);
  }
  return menu.MenuChoice;
}

}  // namespace horundel
