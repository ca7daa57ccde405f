#pragma once
// The DirectDraw screen between tests: a host window as the main window, the neighbours' entries
// recorded, the log captured through the debugger output (CP932, compared with CP932 literals).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/core/core_state.h"
#include "media/core/log.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/pixels/pixel_format.h"
#include "platform/kernel/kernel.h"
#include "platform/testing.h"
#include "tests/platform/ddraw/ddraw_test_window.h"

namespace screen_test {

struct Neighbours {
  pf::WindowHandle window = nullptr;
  int windowMode = 1;
  int menuEnabled = 0;
  int direct3DResult = 0;
  int direct3DStarts = 0;
  int managerStarts = 0;
  std::vector<int> selectedTargets;
};
inline Neighbours neighbours;

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::SetVirtualClock(true);
    pf::testing::ResetDisplayStandIn();
    zelvo::ResetScreenState();
    zelvo::ResetScreenServices();
    zelvo::ResetScreenColorState();
    neighbours = Neighbours{};
    neighbours.window = ddraw_test::OpenTestWindow();
    ASSERT_NE(neighbours.window, nullptr);
    zelvo::ScreenServices& s = zelvo::Services();
    s.mainWindow = [] { return neighbours.window; };
    s.windowMode = [] { return neighbours.windowMode; };
    s.menuEnabled = [] { return neighbours.menuEnabled; };
    s.osVersionCode = [] { return 0x107; };
    s.applyWindowStyle = nullptr;
    s.processMessage = nullptr;
    s.startScreenLog = nullptr;
    s.startDirect3D = [] {
      ++neighbours.direct3DStarts;
      return neighbours.direct3DResult;
    };
    s.startGraphicsManager = [] { ++neighbours.managerStarts; };
    s.selectDrawTarget = [](int target) {
      neighbours.selectedTargets.push_back(target);
      return 0;
    };
    zelvo::g_runState.starting = 1;
    zelvo::g_startUpOptions.hosted = 1;   // log lines go to the debugger output only
    zelvo::SetLogOff(0);
    pf::testing::CaptureDebugOutput(true);
    pf::testing::TakeDebugOutput();
  }
  void TearDown() override {
    zelvo::ShutDownDirectDraw();
    pf::testing::CaptureDebugOutput(false);
    pf::DestroyWindow(neighbours.window);
    pf::testing::ClearFaults();
    pf::testing::ResetDisplayStandIn();
    zelvo::g_runState.starting = 0;
    zelvo::g_runState.ready = 0;
  }

  static std::string Log() { return pf::testing::TakeDebugOutput(); }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  static bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }
};

}  // namespace screen_test
