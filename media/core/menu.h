#pragma once
// The main window's menu and its item table: up to 128 items found by name or id, and the ids the
// user chose (up to 64, each once). The menu is set up before start-up and survives it.
#include "platform/window/window.h"

namespace zelvo {

constexpr int kMaxMenuEntries = 128;
constexpr int kMenuNameBytes = 129;
constexpr int kMaxChosenMenuIds = 64;

struct MenuEntry {
  pf::MenuHandle menu;
  std::uint16_t position;
  std::uint16_t id;
  char name[kMenuNameBytes];
};

struct MenuState {
  pf::MenuHandle menu;
  int inUse;
  int hidden;
  int shown;
  MenuEntry entries[kMaxMenuEntries];
  int entryCount;
  int chosen[kMaxChosenMenuIds];
  int chosenCount;
};
extern MenuState g_menu;

int SetMenuInUse(int flag);
int SetMenuBarVisible(int flag);
int IsMenuBarVisible();
// Shows or takes away the menu bar by the rule: a window and a menu, not hidden, and the always-show
// option, window mode or the full-screen mouse near the top.
void ApplyMenuBar();
int BuildMenuItemTable(pf::MenuHandle menu);
int AddMenuItemEntry(pf::MenuHandle menu, int position, int id, const char* name);
int RemoveMenuItemEntry(const char* name, int id);
int LookupMenuItemEntry(const char* name, int id);   // index, or -1
int FindFreeMenuItemId();
int FindMenuItem(const char* name, int id, pf::MenuHandle menu, pf::MenuHandle* outMenu, int* outPosition);
pf::MenuHandle GetOrCreateSubMenu(const char* name, int id);
int GetMenuItemName(int id, char* outName);
// WM_COMMAND with a menu item id.
void OnMenuCommand(int id);

// No menu, no entries, as at process start.
void ResetMenuState();

}  // namespace zelvo
