// The shop, screens 300 to 380 of RunMenu: the main menu, status up, skills, weapons, selling and
// the message screen, over the drifting tiles with the shop girl and the money.
#include <cstdio>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/data/game_tables.h"
#include "game/shell/hud.h"
#include "game/shell/key_bindings.h"
#include "game/shell/menu_frame.h"
#include "game/shell/screen_frame.h"
#include "game/shell/shop_rules.h"

namespace horundel {

namespace {

constexpr int kRowText = 10;          // a row's text stands this far below the row's top
constexpr int kPriceColumn = 200;     // status up and skills
constexpr int kWeaponNameColumn = 80;
constexpr int kWeaponPriceColumn = 280;
constexpr int kWeaponBackRow = kWeaponShopCount;
constexpr int kWeaponRowsShown = 8;
constexpr int kWeaponJump = 7;
constexpr int kSkillBackRow = kSkillCount;

const char* const kMainRows[] = {"ステータスアップ", "スキル", "ウェポン", "売却", "終了"};
const char* const kMainHelp[] = {"ブレリクちゃんの性能を強化します", "特殊コマンドで出せる技を購入します", "武器を購入します",
                                 "武器を売却します", "買い物を終了します"};
const int kMainTargets[] = {kScreenShopStatus, kScreenShopSkills, kScreenShopWeapons, kScreenShopSell,
                            kScreenShopFadeOut};

const char* const kStatusRows[] = {"HPフルチャージ", "ブレリクチャージ", "HPゲージ＋", "エアブースト＋", "ウェポン＋", "戻る"};
const char* const kStatusHelp[] = {"ＨＰを最大まで回復します", "ブレリクの弾数を１回分チャージします", "ＨＰ最大値を上昇させます",
                                   "空中でジャンプ/ダッシュができるようになります", "武器の最大所持数を増やします",
                                   "メインメニューに戻ります"};
const char* const kMoreAirBoostHelp = "空中でジャンプ/ダッシュができる回数が増えます";
const char* const kBackHelp = "メインメニューに戻ります";

const unsigned int kNoEdge = 0;

unsigned int White() { return PackColor(255, 255, 255); }

void DrawWhiteText(int x, int y, const char* text) { DrawTextDefaultFont(x, y, text, White(), kNoEdge); }

void DrawPrice(int x, int y, int price) { DrawTextFormatted(x, y, White(), "%6d", price); }

// The top of a row's text, counted from the panel's top (a scrolling list from its scroll top).
int RowText(const MenuState& menu, const MenuPanel& panel, int row) { return PanelRowTop(menu, panel, row) + kRowText; }

void DrawWeaponPicture(int x, int y, int weapon) {
  BlitGraphRotated(x, y, WeaponListScale(weapon), 0.0, WeaponRecords[weapon].picture, 1, 0);
}

// A confirm press, taken without a sound: each outcome plays its own.
bool TakeShopConfirm() {
  if (!TakeAction(kKeyConfirm)) return false;
  ClearMenuKeys();
  return true;
}

void BackToMain(MenuState& menu) { ChangeMenuScreen(menu, kScreenShopMain); }

void ShowMessage(MenuState& menu, const char* message) {
  CopyText(menu.message, kMenuTextBytes, message);
  menu.messageReturnScreen = menu.MenuScreen;
  ChangeMenuScreen(menu, kScreenShopMessage);
}

// A refusal without a word sounds the refusal; anything else the confirm, with its message shown.
void Answer(MenuState& menu, const ShopResult& result) {
  if (result.outcome == kShopRefused) {
    RestartSound(kSoundRefuse);
    return;
  }
  RestartSound(kSoundDecide);
  if (result.outcome == kShopMessage) ShowMessage(menu, result.message);
}

void RunMain(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  DrawPanelTitle(panel, "MAIN MENU");
  for (int row = 0; row < 5; ++row) DrawWhiteText(panel.x, RowText(menu, panel, row), kMainRows[row]);
  if (TakeMenuConfirm()) {
    ChangeMenuScreen(menu, kMainTargets[ClampInt(0, panel.cursor, 4)]);
  } else if (TakeMenuCancel()) {
    ChangeMenuScreen(menu, kScreenShopFadeOut);
  }
}

void DrawStatusNow(const MenuPanel& panel) {
  const Character& player = CharacterTable[kPlayerSlot];
  char values[5][kMenuTextBytes];
  std::snprintf(values[0], kMenuTextBytes, "%4.0f / %4.0f", player.hp, player.maxHp);
  std::snprintf(values[1], kMenuTextBytes, "%d / %d", g_battle.WeaponSlot[0].ammunition,
                WeaponRecords[0].maximumAmmunition);
  std::snprintf(values[2], kMenuTextBytes, "%d / %d", g_battle.HpGaugeCount, kMostHpGauges);
  std::snprintf(values[3], kMenuTextBytes, "%d / %d", g_battle.AirBoostLevel, kMostAirBoosts);
  std::snprintf(values[4], kMenuTextBytes, "%d / %d", g_battle.WeaponSlotCount, kMostGunSlots);
  const char* const labels[] = {"HP", "ブレリク残弾数", "HPゲージ", "エアブースト", "武器最大所持数"};
  DrawPanelTitle(panel, "現在の状態");
  for (int i = 0; i < 5; ++i) {
    DrawWhiteText(panel.x, panel.y + 40 * i, labels[i]);
    DrawWhiteText(panel.x + 50, panel.y + 40 * i + 20, values[i]);
  }
}

void RunStatusUp(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  DrawPanelTitle(panel, "STATUS UP");
  for (int row = kStatusHpRefill; row <= kStatusBack; ++row) {
    const int y = RowText(menu, panel, row);
    if (StatusUpSoldOut(row)) {
      DrawWhiteText(panel.x, y, "SOLD OUT");
      continue;
    }
    DrawWhiteText(panel.x, y, kStatusRows[row]);
    if (row != kStatusBack) DrawPrice(panel.x + kPriceColumn, y, StatusUpPrice(row));
  }
  DrawStatusNow(menu.panels[1]);
  if (TakeShopConfirm()) {
    if (panel.cursor == kStatusBack) {
      RestartSound(kSoundDecide);
      BackToMain(menu);
    } else {
      Answer(menu, BuyStatusUp(panel.cursor));
    }
  } else if (TakeMenuCancel()) {
    BackToMain(menu);
  }
}

void RunSkills(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  DrawPanelTitle(panel, "SKILL");
  for (int row = 0; row < kSkillCount; ++row) {
    const SkillRecord& skill = SkillRecords[SkillShopOrder[row]];
    const int y = RowText(menu, panel, row);
    if (skill.owned != 0) {
      DrawWhiteText(panel.x, y, "SOLD OUT");
      continue;
    }
    DrawWhiteText(panel.x, y, skill.name);
    DrawPrice(panel.x + kPriceColumn, y, skill.price);
  }
  DrawWhiteText(panel.x, RowText(menu, panel, kSkillBackRow), "戻る");
  if (TakeShopConfirm()) {
    if (panel.cursor == kSkillBackRow) {
      RestartSound(kSoundDecide);
      BackToMain(menu);
    } else {
      Answer(menu, BuySkill(SkillShopOrder[ClampInt(0, panel.cursor, kSkillCount - 1)]));
    }
  } else if (TakeMenuCancel()) {
    BackToMain(menu);
  }
}

// Keeps the weapon list's cursor within the eight rows shown.
void FollowWeaponCursor(MenuState& menu) {
  const int cursor = menu.panels[0].cursor;
  if (cursor < menu.scrollTop) menu.scrollTop = cursor;
  if (cursor > menu.scrollTop + kWeaponRowsShown - 1) menu.scrollTop = cursor - (kWeaponRowsShown - 1);
}

void DrawCarriedGuns(const MenuPanel& panel) {
  DrawPanelTitle(panel, "現在の武器");
  const int last = ClampInt(0, g_battle.WeaponSlotCount, kLastCarriedSlot);
  for (int s = 1; s <= last; ++s) {
    const int y = panel.y + kRowText + 40 * (s - 1);
    SetBlendMode(ZELVO_BLEND_ALPHA, 128);
    DrawRectangle(panel.x, y - 8, panel.x + 200, y + 28, PackColor(0, 0, 0), 1);
    SetBlendMode(ZELVO_BLEND_NONE, 255);
    const WeaponSlotRecord& slot = g_battle.WeaponSlot[s];
    if (slot.used == 0 || slot.weapon < 0 || slot.weapon >= kWeaponCount) continue;
    DrawWeaponPicture(panel.x + 40, y + 10, slot.weapon);
    DrawTextFormatted(panel.x + 80, y, White(), "%4d / %4d", slot.ammunition,
                      WeaponRecords[slot.weapon].maximumAmmunition);
  }
}

void RunWeapons(MenuState& menu) {
  MenuPanel& panel = menu.panels[0];
  if (TakeAction(kKeyRight)) {
    panel.cursor = MinInt(panel.cursor + kWeaponJump, kWeaponBackRow);
    RestartSound(kSoundCursorMove);
  }
  if (TakeAction(kKeyLeft)) {
    panel.cursor = MaxInt(panel.cursor - kWeaponJump, 0);
    RestartSound(kSoundCursorMove);
  }
  FollowWeaponCursor(menu);
  DrawPanelTitle(panel, "WEAPON");
  const int end = MinInt(menu.scrollTop + kWeaponRowsShown - 1, kWeaponBackRow);
  for (int row = menu.scrollTop; row <= end; ++row) {
    const int y = RowText(menu, panel, row);
    if (row == kWeaponBackRow) {
      DrawWhiteText(panel.x, y, "戻る");
      continue;
    }
    const int weapon = WeaponShopOrder[row];
    const WeaponRecord& record = WeaponRecords[weapon];
    if (record.owned == 0) {
      DrawWhiteText(panel.x, y, "SOLD OUT");
      continue;
    }
    DrawWeaponPicture(panel.x + 40, y + 10, weapon);
    DrawWhiteText(panel.x + kWeaponNameColumn, y, record.name);
    DrawPrice(panel.x + kWeaponPriceColumn, y, record.price);
  }
  DrawCarriedGuns(menu.panels[1]);
  if (TakeShopConfirm()) {
    if (panel.cursor == kWeaponBackRow) {
      RestartSound(kSoundDecide);
      BackToMain(menu);
    } else {
      Answer(menu, BuyWeapon(WeaponShopOrder[ClampInt(0, panel.cursor, kWeaponShopCount - 1)]));
    }
  } else if (TakeMenuCancel()) {
    BackToMain(menu);
  }
}

void RunSell(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  const int guns = CarriedGunCount();
  DrawPanelTitle(panel, "SELL");
  for (int row = 0; row < guns; ++row) {
    const int weapon = g_battle.WeaponSlot[row + 1].weapon;
    if (weapon < 0 || weapon >= kWeaponCount) continue;
    const int y = RowText(menu, panel, row);
    DrawWeaponPicture(panel.x + 40, y + 10, weapon);
    DrawWhiteText(panel.x + kWeaponNameColumn, y, WeaponRecords[weapon].name);
    DrawPrice(panel.x + kWeaponPriceColumn, y, WeaponRecords[weapon].price);
  }
  DrawWhiteText(panel.x, RowText(menu, panel, guns), "戻る");
  if (TakeMenuConfirm()) {
    if (panel.cursor >= guns) {
      BackToMain(menu);
    } else {
      SellGun(panel.cursor + 1);
    }
  } else if (TakeMenuCancel()) {
    BackToMain(menu);
  }
}

void RunMessage(MenuState& menu) {
  const MenuPanel& panel = menu.panels[0];
  DrawWhiteText(panel.x, panel.y + 20, menu.message);
  if (TakeMenuConfirm() || TakeMenuCancel()) ChangeMenuScreen(menu, menu.messageReturnScreen);
}

void SetStatusHelp(MenuState& menu) {
  const int row = ClampInt(0, menu.panels[0].cursor, kStatusBack);
  SetHelpLines(menu, kDefaultHelpRow, 1);
  const bool moreBoosts = row == kStatusAirBoost && g_battle.AirBoostLevel != 0;
  SetHelpLine(menu, 0, moreBoosts ? kMoreAirBoostHelp : kStatusHelp[row]);
}

void SetSkillHelp(MenuState& menu) {
  const int row = menu.panels[0].cursor;
  SetHelpLines(menu, 410, 3);
  if (row < 0 || row >= kSkillCount) {
    SetHelpLine(menu, 0, kBackHelp);
    return;
  }
  const SkillRecord& skill = SkillRecords[SkillShopOrder[row]];
  if (skill.owned != 0) {
    SetHelpLine(menu, 0, "この技はすでに習得済みです");
    return;
  }
  SetHelpLine(menu, 0, skill.command);
  SetHelpLine(menu, 1, skill.firstLine);
  SetHelpLine(menu, 2, skill.secondLine);
}

void SetWeaponHelp(MenuState& menu) {
  const int row = menu.panels[0].cursor;
  SetHelpLines(menu, 430, 2);
  if (row < 0 || row >= kWeaponShopCount) {
    SetHelpLine(menu, 0, kBackHelp);
    return;
  }
  const WeaponRecord& record = WeaponRecords[WeaponShopOrder[row]];
  if (record.owned == 0) {
    SetHelpLine(menu, 0, "この武器はまだ発見されていません");
    return;
  }
  char line[kMenuTextBytes];
  std::snprintf(line, sizeof line, "攻撃力:%.0f リロード:%d 初期弾数:%d 最大弾数:%d", record.attack, record.reload,
                record.initialAmmunition, record.maximumAmmunition);
  SetHelpLine(menu, 0, line);
  SetHelpLine(menu, 1, record.description);
}

}  // namespace

// The shop needs nothing beyond the pictures RunMenu loads for it.
void EnterShop(MenuState&) {}

void DrawShopBackground(MenuState& menu) {
  DrawDriftingTiles(menu);
  BlitGraph(300, 30, menu.shopGirlGraph, 1);
  DrawNumber(480.0f, 350.0f, g_battle.Money, 0, 0.8f, 255, 255, 255);
  DrawEllipse(480, 368, AbsInt(g_hud.CoinPhase - 10), 15, White(), 1);
}

void SetUpShopPanels(MenuState& menu) {
  menu.lastFocusable = 0;
  menu.lastDrawnPanel = 1;
  menu.panels[1].PanelMode = kPanelHidden;
  SetHelpLines(menu, kDefaultHelpRow, 0);
  switch (menu.MenuScreen) {
    case kScreenShopMain:
      SetPanel(menu, 0, kPanelList, 4, 7, 10, 10, 20, 50, 160, 40);
      SetHelpLines(menu, kDefaultHelpRow, 1);
      SetHelpLine(menu, 0, kMainHelp[ClampInt(0, menu.panels[0].cursor, 4)]);
      break;
    case kScreenShopStatus:
      SetPanel(menu, 0, kPanelList, kStatusBack, 6, 15, 12, 20, 50, 200, 40);
      SetPanel(menu, 1, kPanelFrame, 0, 8, 11, 10, 400, 50, 0, 0);
      SetStatusHelp(menu);
      break;
    case kScreenShopWeapons:
      SetPanel(menu, 0, kPanelScrolling, kWeaponBackRow, 6, 18, 16, 20, 50, 360, 40);
      SetPanel(menu, 1, kPanelFrame, 0, 8, 11, 14, 400, 50, 0, 0);
      FollowWeaponCursor(menu);
      SetWeaponHelp(menu);
      break;
    case kScreenShopSkills:
      SetPanel(menu, 0, kPanelList, kSkillBackRow, 5, 14, 18, 20, 50, 300, 40);
      SetSkillHelp(menu);
      break;
    case kScreenShopSell: {
      const int guns = CarriedGunCount();
      SetPanel(menu, 0, kPanelList, guns, 3, 18, 2 * guns + 2, 20, 50, 360, 40);
      break;
    }
    case kScreenShopMessage:
      SetPanel(menu, 0, kPanelFrame, 0, 0, 15, 3, 150, 150, 200, 40);
      break;
    default:   // the fades show no panel
      menu.panels[0].PanelMode = kPanelHidden;
      break;
  }
}

int RunShopScreen(MenuState& menu) {
  switch (menu.MenuScreen) {
    case kScreenShopFadeIn:
      if (StepMenuFade(menu, 0)) menu.MenuScreen = kScreenShopMain;
      break;
    case kScreenShopMain:
      RunMain(menu);
      break;
    case kScreenShopStatus:
      RunStatusUp(menu);
      break;
    case kScreenShopSkills:
      RunSkills(menu);
      break;
    case kScreenShopWeapons:
      RunWeapons(menu);
      break;
    case kScreenShopSell:
      RunSell(menu);
      break;
    case kScreenShopMessage:
      RunMessage(menu);
      break;
    case kScreenShopFadeOut:
      if (!StepMenuFade(menu, kFadeOpaque)) break;
      ReleaseMenuGraph(&menu.shopGirlGraph);
      ReleaseMenuGraph(&menu.tileGraph);
      return 0;
    default:
      break;
  }
  return kMenuNoChoice;
}

}  // namespace horundel
