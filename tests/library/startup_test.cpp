// Start-up and shut-down on the headless host with the virtual clock.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <ctime>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/library_fixture.h"
#include "media/core/core_state.h"
#include "media/core/log.h"
#include "media/library/startup.h"
#include "media/core/system_report.h"
#include "media/core/window_state.h"
#include "platform/window/window_testing.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

using StartUp = LibraryTest;

TEST_F(StartUp, StartsStopsAndStartsAgainInOneProcess) {
  ASSERT_EQ(StartUpLibrary(), 0);
  EXPECT_NE(pf::testing::HostWindowHandle(), nullptr);
  EXPECT_EQ(ShutDownLibrary(), 0);
  EXPECT_EQ(pf::testing::HostWindowHandle(), nullptr);
  ASSERT_EQ(StartUpLibrary(), 0);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(ShutDownLibrary(), 0);
}

TEST_F(StartUp, WritesStartAndEndLinesInOrderAsCp932) {
  ASSERT_EQ(StartUpLibrary(), 0);
  ASSERT_EQ(ShutDownLibrary(), 0);
  const std::string log = ReadLog();
  EXPECT_TRUE(InOrder(log, {
      "システムの情報を出力します\r\n",
      "\tゼルボライブラリ Ver2.24b\r\n",
      "\tＯＳ  Linux ( Build 0 ",
      "ＣＯＭの初期化... 成功しました\r\n",
      "メモリ総量:",
      "ソフトの二重起動検査... 二重起動はされていませんでした\r\n",
      "ウインドウクラスを登録します... 登録に成功しました\r\n",
      "ウインドウモード起動用のウインドウを作成します\r\n",
      "ＩＭＥを無効にしました\r\n",
      "文字コードバッファの初期化を行います... 完了しました\r\n",
      "ウインドウを閉じようとしています\r\n",
      "ウインドウが破棄されようとしています\r\n",
      "ソフトを終了する準備が整いました\r\n",
      "ＣＯＭを終了... 完了\r\n",
      "Alloc memory dump",
  }));
  // CP932 bytes, not UTF-8: "シ" is 83 56.
  EXPECT_NE(log.find("\x83\x56\x83\x58\x83\x65\x83\x80"), std::string::npos);
  EXPECT_EQ(zelvo::SystemInfoRecord()->osCode, 263);
  EXPECT_EQ(zelvo::SystemInfoRecord()->directXVersion, 0x70000);
}

// The whole log of a start-up and shut-down, line by line: each line starts with "<ms>:", and the
// sound-device report keeps each pair of its texts on one line.
TEST_F(StartUp, EveryLogLineCarriesItsTimeStamp) {
  ASSERT_EQ(StartUpLibrary(), 0);
  ASSERT_EQ(ShutDownLibrary(), 0);
  const std::string log = ReadLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < log.size();) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  int stampedPairs = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    std::size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    EXPECT_TRUE(digits > 0 && digits < line.size() && line[digits] == ':') << "line " << i + 1 << ": " << line;
    const bool rates = line.find("最大サンプリングレート") != std::string::npos;
    const bool primary = line.find(" プライマリ ") != std::string::npos;
    if (rates) {
      EXPECT_NE(line.find("総サウンドメモリ領域"), std::string::npos) << line;
    }
    if (primary) {
      EXPECT_NE(line.find(" セカンダリ "), std::string::npos) << line;
    }
    stampedPairs += rates || primary;
  }
  EXPECT_EQ(stampedPairs, 3);
}

TEST_F(StartUp, SecondStartUpWithoutShutDownFailsAndLeavesTheLibraryRunning) {
  ASSERT_EQ(StartUpLibrary(), 0);
  const std::size_t logSize = ReadLog().size();
  EXPECT_EQ(StartUpLibrary(), -1);
  EXPECT_EQ(ReadLog().size(), logSize);   // the log was neither wiped nor written
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(zelvo::StartCom(), -1);       // COM is the library's already
  EXPECT_EQ(ShutDownLibrary(), 0);
}

TEST_F(StartUp, RefusesATwentyFourBitDesktopInWindowMode) {
  pf::testing::SetHeadlessDesktop(1024, 768, 24);
  EXPECT_EQ(StartUpLibrary(), -1);
  EXPECT_EQ(pf::testing::HostWindowHandle(), nullptr);
  const std::string log = ReadLog();
  const char* refusal = "ゼルボライブラリは２４ビットカラーモードに対応していません\r\n";
  ASSERT_GE(log.size(), std::strlen(refusal));
  EXPECT_EQ(log.substr(log.size() - std::strlen(refusal)), refusal);
  EXPECT_EQ(log.find("\r\n"), log.size() - 2);   // the refusal is the only line
  EXPECT_EQ(zelvo::g_runState.starting, 0);
  EXPECT_EQ(ShutDownLibrary(), 0);
}

TEST_F(StartUp, FailingStepUnwindsAndTheNextStartUpWorks) {
  struct Case { const char* fault; const char* line; };
  const Case cases[] = {
      {"CoInitialize", "ＣＯＭの初期化に失敗しました\r\n"},
      {"RegisterClass", "ウインドウクラスの登録に失敗しました\r\n"},
      {"CreateWindowEx", "ウインドウの作成に失敗しました\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    pf::testing::FailNextCalls(c.fault, 1);
    EXPECT_EQ(StartUpLibrary(), -1);
    EXPECT_EQ(zelvo::g_runState.ready, 0);
    EXPECT_EQ(zelvo::g_runState.starting, 0);
    EXPECT_EQ(zelvo::g_runState.comStarted, 0);
    EXPECT_EQ(pf::testing::HostWindowHandle(), nullptr);
    EXPECT_TRUE(InOrder(ReadLog(), {c.line, "Alloc memory dump"}));
    EXPECT_EQ(ShutDownLibrary(), 0);   // returns after a failed start-up
    ASSERT_EQ(StartUpLibrary(), 0);
    EXPECT_EQ(ShutDownLibrary(), 0);
  }
}

TEST_F(StartUp, WithoutATitleTheClassAndTitleTakeTheirDefaults) {
  // The default class name is shared by every test process: let them run side by side.
  zelvo::g_windowSettings.allowDoubleLaunch = 1;
  for (int windowMode : {1, 0}) {
    SCOPED_TRACE(windowMode);
    SwitchWindowMode(windowMode);
    SetWindowTitleText("");
    ASSERT_EQ(StartUpLibrary(), 0);
    std::string title;
    int width = 0, height = 0;
    ASSERT_TRUE(pf::testing::HostWindowState(&width, &height, &title));
    EXPECT_EQ(title, "Zelvo");
    // The class is registered under the default name: registering it again is refused.
    pf::WindowClass again{};
    again.className = "D123987X";
    EXPECT_EQ(pf::RegisterClass(&again), 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(ShutDownLibrary(), 0);
    EXPECT_EQ(ReadLog().find("ウインドウの作成に失敗しました"), std::string::npos);
  }
}

TEST_F(StartUp, RefusesADoubleLaunch) {
  // Another process holding the class name's lock file.
  const std::string path = pf::testing::InstanceLockPath(title_);
  int other = open(path.c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(StartUpLibrary(), -1);
  EXPECT_TRUE(InOrder(ReadLog(), {"ソフトの二重起動検査... 二重起動されています、ソフトを終了します\r\n"}));
  EXPECT_EQ(ShutDownLibrary(), 0);
  close(other);
  ASSERT_EQ(StartUpLibrary(), 0);
  EXPECT_EQ(ShutDownLibrary(), 0);
}

TEST_F(StartUp, ListsALeakedBlockInTheFinalDump) {
  ASSERT_EQ(StartUpLibrary(), 0);
  void* leak = ZELVO_ALLOC(4);
  std::memcpy(leak, "abcd", 4);
  ASSERT_EQ(ShutDownLibrary(), 0);
  EXPECT_TRUE(InOrder(ReadLog(), {"ＣＯＭを終了... 完了\r\n", "Alloc memory dump", "data:<abcd> [61 62 63 64]\r\n"}));
  zelvo::TrackedFree(leak);
}

TEST_F(StartUp, WithoutAUsableDisplayFailsQuicklyAndUnwinds) {
  setenv("ZELVO_HOST", "sdl", 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("SDL_VIDEODRIVER", "x11", 1);
  timespec begin{}, end{};
  clock_gettime(CLOCK_MONOTONIC, &begin);
  EXPECT_EQ(StartUpLibrary(), -1);
  EXPECT_EQ(ShutDownLibrary(), 0);
  clock_gettime(CLOCK_MONOTONIC, &end);
  EXPECT_LT(end.tv_sec - begin.tv_sec, 5);
  EXPECT_TRUE(InOrder(ReadLog(), {"ウインドウの作成に失敗しました\r\n", "ＣＯＭを終了... 完了\r\n"}));
}

TEST_F(StartUp, ClosingTheWindowEndsThePump) {
  ASSERT_EQ(StartUpLibrary(), 0);
  pf::testing::InjectClose();
  EXPECT_EQ(PumpMessages(), -1);
  EXPECT_EQ(PumpMessages(), -1);
  EXPECT_EQ(SleepWithMessages(1000), 0);
  EXPECT_EQ(ShutDownLibrary(), 0);
}

TEST_F(StartUp, ShutDownWithoutStartUpReturns) {
  EXPECT_EQ(ShutDownLibrary(), 0);
  EXPECT_EQ(PumpMessages(), 0);
}

}  // namespace
}  // namespace zelvo_test
