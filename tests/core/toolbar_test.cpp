// The main window's tool bar: made from a picture of side-by-side buttons, it sits above the screen's
// client area, takes its own command ids and goes away with a null picture or the window.
#include <string>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/main_window.h"
#include "media/core/menu.h"
#include "media/core/toolbar.h"
#include "media/core/window_mode.h"
#include "media/core/window_state.h"
#include "platform/testing.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

// The strip is the button height plus the common control's margin.
constexpr int kStripMargin = 6;

class Toolbar : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    WritePicture("buttons.bmp", 48, 20);   // three 16 x 20 buttons
    WritePicture("tall.bmp", 20, 30);      // two 10 x 30 buttons
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    if (started_) {
      EXPECT_EQ(ShutDownLibrary(), 0);
    }
    LibraryTest::TearDown();
  }
  void Start() {
    ASSERT_EQ(StartUpLibrary(), 0);
    started_ = true;
    window_ = zelvo::QueryMainWindow();
  }
  void WritePicture(const char* name, int width, int height) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels = PadRows(std::vector<Bytes>(height, Bytes(width * 3, 0x40)));
    WriteFileBytes(folder_ + "/" + name, WriteBmp(layout));
  }
  pf::Rect Client() const {
    pf::Rect client{};
    pf::GetClientRect(window_, &client);
    return client;
  }
  void Command(int id) {
    zelvo::LibraryLockGuard lock;
    pf::SendMessage(window_, pf::WM_COMMAND, static_cast<pf::WParam>(id), 0);
  }
  bool started_ = false;
  pf::WindowHandle window_ = nullptr;
};

TEST_F(Toolbar, ThePictureSetsTheHeightAndTheClientAreaGrowsByIt) {
  Start();
  zelvo::LibraryLockGuard lock;
  ASSERT_EQ(zelvo::SetToolbar("buttons.bmp", 3), 0);
  EXPECT_EQ(zelvo::GetToolbarHeight(), 20 + kStripMargin);
  EXPECT_EQ(zelvo::g_windowSettings.styleIndex, 6);
  EXPECT_EQ(Client().right, 640);
  EXPECT_EQ(Client().bottom, 480 + 20 + kStripMargin);
  int hostWidth = 0, hostHeight = 0;
  ASSERT_TRUE(pf::testing::HostWindowState(&hostWidth, &hostHeight, nullptr));
  EXPECT_EQ(hostHeight, 480 + 20 + kStripMargin);
  pf::Rect below{};
  zelvo::GetClientRectBelowToolbar(&below);
  EXPECT_EQ(below.top, zelvo::g_window.clientRect.top + 20 + kStripMargin);

  // A second picture replaces the first on the same tool bar.
  pf::ToolbarHandle first = zelvo::g_window.toolbar.window;
  ASSERT_EQ(zelvo::SetToolbar("tall.bmp", 2), 0);
  EXPECT_EQ(zelvo::g_window.toolbar.window, first);
  EXPECT_EQ(zelvo::GetToolbarHeight(), 30 + kStripMargin);
  EXPECT_EQ(Client().bottom, 480 + 30 + kStripMargin);

  ASSERT_EQ(zelvo::SetToolbar(nullptr, 0), 0);
  EXPECT_EQ(zelvo::GetToolbarHeight(), 0);
  EXPECT_EQ(zelvo::g_window.toolbar.picture, nullptr);
  EXPECT_EQ(Client().bottom, 480);
}

TEST_F(Toolbar, ButtonIdsSetTheClickedFlagOfPushButtonsAndLowerIdsGoToTheMenu) {
  zelvo::SetMenuInUse(1);
  Start();
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetToolbar("buttons.bmp", 3), 0);
    zelvo::g_window.toolbar.buttons[0] = {1280, 0, 0};
    zelvo::g_window.toolbar.buttons[1] = {1281, 1, 0};   // a separator or check kind: not clicked
    zelvo::g_window.toolbar.buttons[2] = {1282, 0, 0};
    zelvo::g_window.toolbar.buttonCount = 3;
  }
  Command(1282);
  Command(1281);
  Command(7);
  EXPECT_EQ(zelvo::g_window.toolbar.buttons[0].clicked, 0);
  EXPECT_EQ(zelvo::g_window.toolbar.buttons[1].clicked, 0);
  EXPECT_EQ(zelvo::g_window.toolbar.buttons[2].clicked, 1);
  ASSERT_EQ(zelvo::g_menu.chosenCount, 1);   // the tool bar's ids never reach the menu
  EXPECT_EQ(zelvo::g_menu.chosen[0], 7);

  // Without a tool bar the high ids are the menu's again.
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetToolbar(nullptr, 0), 0);
    EXPECT_EQ(zelvo::g_window.toolbar.buttonCount, 0);
  }
  Command(1280);
  ASSERT_EQ(zelvo::g_menu.chosenCount, 2);
  EXPECT_EQ(zelvo::g_menu.chosen[1], 1280);
}

TEST_F(Toolbar, FailuresReturnMinusOneWithTheirLogLineAndLeaveNoToolbar) {
  Start();
  struct Case {
    const char* path;
    int buttonCount;
    const char* fault;
    const char* logLine;
  };
  const Case cases[] = {
      {"missing.bmp", 3, nullptr, "ツールバーのボタン用のビットマップファイルの読み込みに失敗しました"},
      {"buttons.bmp", 3, "CreateToolbarWindow", "ツールバーウインドウの作成に失敗しました"},
      {"buttons.bmp", 0, nullptr, nullptr},   // no buttons to cut the picture into
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::size_t logBefore = ReadLog().size();
    if (c.fault != nullptr) pf::testing::FailNextCalls(c.fault, 1);
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(zelvo::SetToolbar(c.path, c.buttonCount), -1);
    EXPECT_EQ(zelvo::GetToolbarHeight(), 0);
    EXPECT_EQ(zelvo::g_window.toolbar.exists, 0);
    EXPECT_EQ(zelvo::g_window.toolbar.picture, nullptr);
    EXPECT_EQ(Client().bottom, 480);
    if (c.logLine != nullptr) {
      EXPECT_NE(ReadLog().find(c.logLine, logBefore), std::string::npos);
    }
  }
}

TEST_F(Toolbar, FullScreenMakesNoToolbar) {
  SwitchWindowMode(0);
  Start();
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(zelvo::SetToolbar("buttons.bmp", 3), -1);
  EXPECT_EQ(zelvo::g_window.toolbar.exists, 0);
  EXPECT_EQ(zelvo::GetToolbarHeight(), 0);
  EXPECT_EQ(ReadLog().find("ツールバー"), std::string::npos);
}

TEST_F(Toolbar, MousePositionIsMeasuredBelowTheToolbar) {
  Start();
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetToolbar("buttons.bmp", 3), 0);
  }
  pf::testing::InjectMouseMove(10, 20 + kStripMargin + 40);
  PumpMessages();
  int x = 0, y = 0;
  zelvo::LibraryLockGuard lock;
  zelvo::GetMousePosition(&x, &y);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 40);
}

TEST_F(Toolbar, TheWindowsEndTakesTheToolbarDown) {
  Start();
  {
    zelvo::LibraryLockGuard lock;
    ASSERT_EQ(zelvo::SetToolbar("buttons.bmp", 3), 0);
  }
  pf::ToolbarHandle toolbar = zelvo::g_window.toolbar.window;
  EXPECT_EQ(ShutDownLibrary(), 0);
  started_ = false;
  EXPECT_EQ(zelvo::g_window.toolbar.exists, 0);
  EXPECT_EQ(zelvo::g_window.toolbar.picture, nullptr);
  pf::Rect rect{};
  EXPECT_FALSE(pf::GetToolbarRect(toolbar, &rect));
}

}  // namespace
}  // namespace zelvo_test
