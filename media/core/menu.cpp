// The main window's menu and its item table.
#include "media/core/menu.h"

#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/core/window_state.h"

namespace zelvo {

MenuState g_menu{};

namespace {

void ClearTables() {
  g_menu.entryCount = 0;
  g_menu.chosenCount = 0;
}

void WalkMenu(pf::MenuHandle menu) {
  int count = pf::GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    std::uint32_t state = pf::GetMenuState(menu, static_cast<std::uint32_t>(position), pf::MF_BYPOSITION);
    if (state == 0xFFFFFFFFu || (state & pf::MF_SEPARATOR) != 0) continue;
    char name[kMenuNameBytes] = {};
    pf::GetMenuString(menu, static_cast<std::uint32_t>(position), name, sizeof name, pf::MF_BYPOSITION);
    AddMenuItemEntry(menu, position, static_cast<int>(pf::GetMenuItemID(menu, position) & 0xFFFF), name);
    pf::MenuHandle sub = pf::GetSubMenu(menu, position);
    if (sub != nullptr) WalkMenu(sub);
  }
}

bool ItemMatches(pf::MenuHandle menu, int position, const char* name, int id) {
  if (name != nullptr) {
    char text[kMenuNameBytes] = {};
    pf::GetMenuString(menu, static_cast<std::uint32_t>(position), text, sizeof text, pf::MF_BYPOSITION);
    return std::strcmp(text, name) == 0;
  }
  return pf::GetSubMenu(menu, position) == nullptr && static_cast<int>(pf::GetMenuItemID(menu, position)) == id;
}

}  // namespace

void ApplyMenuBar() {
  int shown = g_window.window != nullptr && g_menu.menu != nullptr && g_menu.hidden == 0 &&
                      (g_windowSettings.alwaysShowMenu != 0 || g_windowSettings.windowMode != 0 ||
                       g_window.mouseNearTop != 0)
                  ? 1
                  : 0;
  if (g_window.window != nullptr && shown != g_menu.shown) {
    pf::SetMenu(g_window.window, shown != 0 ? g_menu.menu : nullptr);
    pf::DrawMenuBar(g_window.window);
  }
  g_menu.shown = shown;
}

int SetMenuInUse(int flag) {
  ClearTables();
  if (flag != 0) {
    if (g_menu.menu == nullptr) g_menu.menu = pf::CreateMenu();
    g_menu.inUse = 1;
    g_menu.hidden = 0;
    ApplyMenuBar();
    return 0;
  }
  g_menu.hidden = 1;
  ApplyMenuBar();
  if (g_menu.menu != nullptr) pf::DestroyMenu(g_menu.menu);
  g_menu.menu = nullptr;
  g_menu.inUse = 0;
  return 0;
}

int SetMenuBarVisible(int flag) {
  g_menu.hidden = flag != 0 ? 0 : 1;
  ApplyMenuBar();
  return 0;
}

int IsMenuBarVisible() { return g_menu.shown; }

int BuildMenuItemTable(pf::MenuHandle menu) {
  g_menu.entryCount = 0;
  if (menu != nullptr) WalkMenu(menu);
  return 0;
}

int AddMenuItemEntry(pf::MenuHandle menu, int position, int id, const char* name) {
  if (g_menu.entryCount >= kMaxMenuEntries) return -1;
  MenuEntry& entry = g_menu.entries[g_menu.entryCount++];
  entry.menu = menu;
  entry.position = static_cast<std::uint16_t>(position);
  entry.id = static_cast<std::uint16_t>(id);
  StringPrintf(entry.name, sizeof entry.name, "%s", name != nullptr ? name : "");
  return 0;
}

int LookupMenuItemEntry(const char* name, int id) {
  for (int i = 0; i < g_menu.entryCount; ++i) {
    const MenuEntry& entry = g_menu.entries[i];
    if (name != nullptr ? std::strcmp(entry.name, name) == 0 : entry.id == static_cast<std::uint16_t>(id)) return i;
  }
  return -1;
}

int RemoveMenuItemEntry(const char* name, int id) {
  int index = LookupMenuItemEntry(name, id);
  if (index < 0) return -1;
  std::memmove(&g_menu.entries[index], &g_menu.entries[index + 1],
               sizeof(MenuEntry) * static_cast<std::size_t>(g_menu.entryCount - index - 1));
  g_menu.entryCount -= 1;
  return 0;
}

int FindFreeMenuItemId() {
  int id = g_menu.entryCount & 0xFFFF;
  while (LookupMenuItemEntry(nullptr, id) != -1) id = (id + 1) & 0xFFFF;
  return id;
}

int FindMenuItem(const char* name, int id, pf::MenuHandle menu, pf::MenuHandle* outMenu, int* outPosition) {
  int count = pf::GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    if (ItemMatches(menu, position, name, id)) {
      if (outMenu != nullptr) *outMenu = menu;
      if (outPosition != nullptr) *outPosition = position;
      return 0;
    }
    pf::MenuHandle sub = pf::GetSubMenu(menu, position);
    if (sub != nullptr && FindMenuItem(name, id, sub, outMenu, outPosition) == 0) return 0;
  }
  return -1;
}

pf::MenuHandle GetOrCreateSubMenu(const char* name, int id) {
  pf::MenuHandle menu = nullptr;
  int position = 0;
  if (g_menu.menu == nullptr || FindMenuItem(name, id, g_menu.menu, &menu, &position) != 0) return nullptr;
  pf::MenuHandle sub = pf::GetSubMenu(menu, position);
  if (sub != nullptr) return sub;
  char text[kMenuNameBytes] = {};
  pf::GetMenuString(menu, static_cast<std::uint32_t>(position), text, sizeof text, pf::MF_BYPOSITION);
  sub = pf::CreatePopupMenu();
  pf::ModifyMenu(menu, static_cast<std::uint32_t>(position), pf::MF_BYPOSITION | pf::MF_POPUP,
                 reinterpret_cast<std::uintptr_t>(sub), text);
  return sub;
}

int GetMenuItemName(int id, char* outName) {
  int index = LookupMenuItemEntry(nullptr, id);
  if (index < 0) return -1;
  std::memcpy(outName, g_menu.entries[index].name, kMenuNameBytes);
  return 0;
}

void OnMenuCommand(int id) {
  if (g_windowSettings.menuCallback != nullptr) g_windowSettings.menuCallback(id);
  if (g_windowSettings.menuNameCallback != nullptr) {
    char name[kMenuNameBytes] = {};
    GetMenuItemName(id, name);
    g_windowSettings.menuNameCallback(name, id);
  }
  for (int i = 0; i < g_menu.chosenCount; ++i) {
    if (g_menu.chosen[i] == id) return;
  }
  if (g_menu.chosenCount < kMaxChosenMenuIds) g_menu.chosen[g_menu.chosenCount++] = id;
}

void ResetMenuState() {
  g_menu = MenuState{};
}

}  // namespace zelvo
