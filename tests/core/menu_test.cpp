// The main window's menu: set up before start-up, its item table, chosen ids and submenus.
#include <cstring>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/menu.h"
#include "media/core/window_mode.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

class Menu : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    zelvo::SetMenuInUse(1);
    file_ = pf::CreatePopupMenu();
    pf::AppendMenu(file_, pf::MF_STRING, 10, "開く");
    pf::AppendMenu(file_, pf::MF_SEPARATOR, 0, nullptr);
    pf::AppendMenu(file_, pf::MF_STRING, 11, "終了");
    pf::AppendMenu(zelvo::g_menu.menu, pf::MF_POPUP, reinterpret_cast<std::uintptr_t>(file_), "ファイル");
    pf::AppendMenu(zelvo::g_menu.menu, pf::MF_STRING, 2, "Help");
    ASSERT_EQ(StartUpLibrary(), 0);
    window_ = zelvo::QueryMainWindow();
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  pf::MenuHandle file_ = nullptr;
  pf::WindowHandle window_ = nullptr;
};

TEST_F(Menu, StartUpBuildsTheTableAndKeepsTheClientAreaTheScreenSize) {
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::QueryMenuEnabled(), 1);
  EXPECT_EQ(pf::GetMenu(window_), zelvo::g_menu.menu);
  EXPECT_EQ(zelvo::g_menu.entryCount, 4);   // the separator is not an entry
  EXPECT_EQ(zelvo::LookupMenuItemEntry("終了", 0), 2);
  EXPECT_EQ(zelvo::LookupMenuItemEntry(nullptr, 2), 3);
  char name[zelvo::kMenuNameBytes];
  ASSERT_EQ(zelvo::GetMenuItemName(10, name), 0);
  EXPECT_STREQ(name, "開く");
  pf::Rect client{};
  pf::GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
}

TEST_F(Menu, ChosenIdsAreKeptOnceAndAtMostSixtyFour) {
  for (int i = 0; i < 70; ++i) {
    zelvo::LibraryLockGuard lock;
    pf::SendMessage(window_, pf::WM_COMMAND, static_cast<pf::WParam>(i % 66), 0);
  }
  EXPECT_EQ(zelvo::g_menu.chosenCount, 64);
  EXPECT_EQ(zelvo::g_menu.chosen[0], 0);
  EXPECT_EQ(zelvo::g_menu.chosen[63], 63);
}

TEST_F(Menu, FreeIdsSubmenusAndRemoval) {
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::FindFreeMenuItemId(), 4);   // starts at the entry count
  zelvo::AddMenuItemEntry(zelvo::g_menu.menu, 9, 4, "four");
  EXPECT_EQ(zelvo::FindFreeMenuItemId(), 5);
  EXPECT_EQ(zelvo::RemoveMenuItemEntry("four", 0), 0);
  EXPECT_EQ(zelvo::RemoveMenuItemEntry("four", 0), -1);
  pf::MenuHandle inner = nullptr;
  int position = -1;
  ASSERT_EQ(zelvo::FindMenuItem(nullptr, 11, zelvo::g_menu.menu, &inner, &position), 0);
  EXPECT_EQ(inner, file_);
  EXPECT_EQ(position, 2);
  pf::MenuHandle sub = zelvo::GetOrCreateSubMenu("Help", 0);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(zelvo::GetOrCreateSubMenu("Help", 0), sub);   // made once
  EXPECT_EQ(zelvo::GetOrCreateSubMenu("ファイル", 0), file_);
  EXPECT_EQ(zelvo::GetOrCreateSubMenu("none", 0), nullptr);
}

TEST_F(Menu, FullScreenShowsTheMenuOnlyWithTheMouseNearTheTop) {
  pf::testing::InjectMouseMove(100, 300);
  PumpMessages();
  ASSERT_EQ(SwitchWindowMode(0), 0);
  EXPECT_EQ(pf::GetMenu(window_), nullptr);
  pf::testing::InjectMouseMove(100, 59);
  PumpMessages();
  EXPECT_EQ(pf::GetMenu(window_), zelvo::g_menu.menu);
  pf::testing::InjectMouseMove(100, 60);
  PumpMessages();
  EXPECT_EQ(pf::GetMenu(window_), nullptr);
  ASSERT_EQ(SwitchWindowMode(1), 0);
  EXPECT_EQ(pf::GetMenu(window_), zelvo::g_menu.menu);
  zelvo::LibraryLockGuard lock;
  zelvo::SetMenuInUse(0);
  EXPECT_EQ(pf::GetMenu(window_), nullptr);
  EXPECT_EQ(zelvo::QueryMenuEnabled(), 0);
}

}  // namespace
}  // namespace zelvo_test
