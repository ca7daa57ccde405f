// Menus as data: items with ids, texts and submenus, and the menu a window carries.
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/window/window_internal.h"

namespace pf {

struct MenuItem {
  std::uint32_t flags;
  std::uint32_t id;
  MenuHandle subMenu;
  std::string text;
};

struct MenuRecord {
  std::vector<MenuItem> items;
};

namespace {

std::set<MenuHandle>& Menus() {
  static std::set<MenuHandle> menus;
  return menus;
}

MenuRecord* FindMenu(MenuHandle menu) { return Menus().count(menu) != 0 ? menu : nullptr; }

MenuItem* ItemAt(MenuHandle menu, std::uint32_t position, std::uint32_t flags) {
  MenuRecord* record = FindMenu(menu);
  if (record == nullptr || !(flags & MF_BYPOSITION) || position >= record->items.size()) return nullptr;
  return &record->items[position];
}

MenuItem MakeItem(std::uint32_t flags, std::uintptr_t item, const char* text) {
  MenuItem made{flags, 0, nullptr, text != nullptr ? text : ""};
  if (flags & MF_POPUP) {
    made.subMenu = reinterpret_cast<MenuHandle>(item);
  } else {
    made.id = static_cast<std::uint32_t>(item);
  }
  return made;
}

MenuHandle NewMenu() {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  auto* menu = new MenuRecord();
  Menus().insert(menu);
  return menu;
}

}  // namespace

MenuHandle CreateMenu() { return NewMenu(); }
MenuHandle CreatePopupMenu() { return NewMenu(); }

bool DestroyMenu(MenuHandle menu) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuRecord* record = FindMenu(menu);
  if (record == nullptr) return false;
  for (const MenuItem& item : record->items) {
    if (item.subMenu != nullptr) DestroyMenu(item.subMenu);
  }
  for (WindowRecord* window : window_system::Windows()) {
    if (window->menu == menu) window->menu = nullptr;
  }
  Menus().erase(menu);
  delete record;
  return true;
}

bool AppendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t item, const char* text) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuRecord* record = FindMenu(menu);
  if (record == nullptr) return false;
  record->items.push_back(MakeItem(flags, item, text));
  return true;
}

bool ModifyMenu(MenuHandle menu, std::uint32_t position, std::uint32_t flags, std::uintptr_t item, const char* text) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuItem* found = ItemAt(menu, position, flags);
  if (found == nullptr) return false;
  *found = MakeItem(flags & ~MF_BYPOSITION, item, text);
  return true;
}

bool DeleteMenu(MenuHandle menu, std::uint32_t position, std::uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuItem* found = ItemAt(menu, position, flags);
  if (found == nullptr) return false;
  if (found->subMenu != nullptr) DestroyMenu(found->subMenu);
  menu->items.erase(menu->items.begin() + position);
  return true;
}

int GetMenuItemCount(MenuHandle menu) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuRecord* record = FindMenu(menu);
  return record != nullptr ? static_cast<int>(record->items.size()) : -1;
}

std::uint32_t GetMenuItemID(MenuHandle menu, int position) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuItem* found = ItemAt(menu, static_cast<std::uint32_t>(position), MF_BYPOSITION);
  if (found == nullptr || found->subMenu != nullptr) return kMenuItemIsSubMenu;
  return found->id;
}

MenuHandle GetSubMenu(MenuHandle menu, int position) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuItem* found = ItemAt(menu, static_cast<std::uint32_t>(position), MF_BYPOSITION);
  return found != nullptr ? found->subMenu : nullptr;
}

std::uint32_t GetMenuState(MenuHandle menu, std::uint32_t position, std::uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuItem* found = ItemAt(menu, position, flags);
  return found != nullptr ? (found->flags & (MF_SEPARATOR | MF_POPUP)) : 0xFFFFFFFFu;
}

int GetMenuString(MenuHandle menu, std::uint32_t position, char* buffer, int size, std::uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  MenuItem* found = ItemAt(menu, position, flags);
  if (found == nullptr) return 0;
  int length = static_cast<int>(found->text.size());
  if (buffer != nullptr && size > 0) {
    int copied = std::min(length, size - 1);
    std::copy(found->text.begin(), found->text.begin() + copied, buffer);
    buffer[copied] = '\0';
    return copied;
  }
  return length;
}

bool SetMenu(WindowHandle window, MenuHandle menu) {
  Rect rect, previousClient;
  {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    WindowRecord* record = window_system::Find(window);
    if (record == nullptr || (menu != nullptr && FindMenu(menu) == nullptr)) return false;
    previousClient = window_system::ClientScreenRect(*record);
    record->menu = menu;
    rect = record->windowRect;
  }
  // The window keeps its rectangle; the client area below the menu bar changes.
  window_system::PlaceWindow(window, rect, true, &previousClient);
  return true;
}

MenuHandle GetMenu(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  return record != nullptr ? record->menu : nullptr;
}

bool DrawMenuBar(WindowHandle window) { return IsWindow(window); }

}  // namespace pf
