// Keyboard and pads through the library: start and end with their log lines and fallbacks, the four
// public entries, dead zones, several pads, unplugged and refusing devices, reacquiring on
// activation, vibration, and lazy start.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/window_mode.h"
#include "media/core/window_state.h"
#include "media/sound_input/input.h"
#include "media/sound_input/input_state.h"
#include "platform/dinput/key_codes.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

// Scancodes of the host keys the tests press.
constexpr int kZ = 29, kEscape = 41, kCapsLock = 57, kLeft = 80, kReturn = 40;

class InputTest : public LibraryTest {
 protected:
  void TearDown() override {
    if (started_) {
      EXPECT_EQ(ShutDownLibrary(), 0);
    }
    for (int slot = 0; slot < 4; ++slot) pf::testing::UnplugPad(slot);
    LibraryTest::TearDown();
  }
  void Start() {
    ASSERT_EQ(StartUpLibrary(), 0);
    started_ = true;
  }
  std::string LogAfterShutDown() {
    EXPECT_EQ(ShutDownLibrary(), 0);
    started_ = false;
    return ReadLog();
  }
  bool started_ = false;
};

// Before start-up and after shut-down there is nothing to read and no window to wait for.
TEST_F(InputTest, ReadsOutsideARunningLibraryReportNoInput) {
  pf::testing::InjectKey(kZ, true);
  unsigned char states[256];
  std::memset(states, 7, sizeof states);
  EXPECT_EQ(IsKeyDown(0x2C), 0);
  EXPECT_EQ(FindAnyInputDown(7), 0);
  EXPECT_EQ(ReadAllKeyStates(states), 0);
  EXPECT_EQ(states[0x2C], 0);
  EXPECT_EQ(ReadPadBits(0x1000 | 1), 0);
  Start();
  EXPECT_EQ(IsKeyDown(0x2C), 1);
  LogAfterShutDown();
  EXPECT_EQ(IsKeyDown(0x2C), 0);
  EXPECT_EQ(zelvo::g_input.mode, zelvo::InputMode::kNotStarted);
}

TEST_F(InputTest, StartAndEndLogEveryDeviceInOrder) {
  pf::testing::PlugPad(0, "Pad A");
  pf::testing::PlugPad(1, "Pad B", 2, 8, 0, false);
  Start();
  EXPECT_EQ(zelvo::g_input.padCount, 2);
  EXPECT_EQ(zelvo::g_input.mode, zelvo::InputMode::kDirectInput);
  EXPECT_EQ(zelvo::g_input.directInput8, 0);
  const std::string log = LogAfterShutDown();
  EXPECT_TRUE(InOrder(log, {"DirectInput関係初期化処理", "DirectInput7 の取得中... 成功", "引き続き初期化処理... 初期化成功",
                            "ジョイパッドの初期化... ", "入力装置を見つけました", "デバイスの登録名:Pad A",
                            "ジョイパッドの追加は正常に終了しました", "デバイスの登録名:Pad B",
                            "サイン波エフェクトの作成に失敗しました。", "周期的エフェクトの作成に失敗しました。",
                            "ジョイパッドの追加は正常に終了しました", "ジョイパッドの初期化は正常に終了しました",
                            "マウスデバイスの初期化... 初期化成功", "キーボードデバイスの初期化... 初期化成功",
                            "DirectInput 関連の初期化は正常に終了しました", "DirectInput 関連の終了処理... 完了"}));
  EXPECT_EQ(log.find("入力関連の初期化をしました"), std::string::npos);
}

TEST_F(InputTest, DirectInput7RefusedFallsBackTo8) {
  pf::testing::FailNextCalls("DirectInput7Create", 1);
  Start();
  EXPECT_EQ(zelvo::g_input.directInput8, 1);
  pf::testing::InjectKey(kZ, true);
  EXPECT_EQ(IsKeyDown(0x2C), 1);
  EXPECT_TRUE(InOrder(LogAfterShutDown(), {"DirectInput7 の取得中... 取得に失敗。", "エラーコード 0x80040154",
                                           "DirectInput8 の取得を試みます...成功", "初期化成功",
                                           "DirectInput 関連の初期化は正常に終了しました"}));
}

// Without DirectInput the multimedia joystick functions read the pads (their own dead band around
// the centre) and the platform's key state the keyboard.
TEST_F(InputTest, WithoutDirectInputThePadsReadThroughTheMultimediaJoystick) {
  pf::testing::PlugPad(0, "Pad A", 4, 12, 1, false);
  pf::testing::PlugPad(1, "Pad B", 2, 12, 0, false);
  pf::testing::FailNextCalls("DirectInput7Create", 1);
  pf::testing::FailNextCalls("DirectInputInitialize", 1);   // the DirectInput 8 object's
  Start();
  ASSERT_EQ(zelvo::g_input.mode, zelvo::InputMode::kMultimediaJoystick);
  EXPECT_EQ(zelvo::g_input.padCount, 8);
  EXPECT_EQ(zelvo::g_input.pads[0].hasZAndR, 1);
  EXPECT_EQ(zelvo::g_input.pads[1].hasZAndR, 0);
  struct Case { int axisValue; int x; };   // raw position = value + 32768
  const Case kCases[] = {
      {-32768, -1000}, {0x3000 - 32768, -500}, {0xD000 - 32768, 500}, {32767, 1000},
      {0x6000 - 32768, 0}, {0xA000 - 32768, 0}, {0x5FFF - 32768, 0}, {0x5000 - 32768, -166},
  };
  for (const Case& c : kCases) {
    pf::testing::SetPadAxis(0, 0, c.axisValue);
    ReadPadBits(1);
    zelvo::LibraryLockGuard lock;
    EXPECT_EQ(zelvo::g_input.pads[0].state.x, c.x) << c.axisValue;
  }
  pf::testing::SetPadAxis(0, 3, -32768);   // R
  pf::testing::SetPadButton(0, 23, true);
  EXPECT_EQ(ReadPadBits(1), (1 << 27) | 2);
  EXPECT_EQ(zelvo::g_input.pads[0].state.rz, -1000);
  EXPECT_EQ(ReadPadBits(5), 0);   // an id with no pad reads as zero
  pf::testing::InjectKey(kReturn, true);
  EXPECT_EQ(IsKeyDown(0x1C), 1);
  EXPECT_EQ(IsKeyDown(0x9C), 1);   // Return stands for both Enter keys here
  EXPECT_TRUE(InOrder(LogAfterShutDown(), {"取得に失敗。", "DirectInput8 の取得を試みます...成功",
                                           "引き続き初期化処理... 初期化に失敗。", "DirectInput を使用しません。",
                                           "パッドの数は 2 個です", "入力関連の初期化をしました",
                                           "入力関連の終了処理... 完了"}));
}

TEST_F(InputTest, KeysArriveThroughTheFourEntries) {
  Start();
  pf::testing::InjectKey(kZ, true);
  pf::testing::InjectKey(kLeft, true);
  EXPECT_EQ(IsKeyDown(0x2C), 1);
  EXPECT_EQ(IsKeyDown(0xCB), 1);
  EXPECT_EQ(IsKeyDown(0x2D), 0);
  unsigned char states[256];
  EXPECT_EQ(ReadAllKeyStates(states), 0);
  for (int code = 0; code < 256; ++code) EXPECT_EQ(states[code], code == 0x2C || code == 0xCB ? 1 : 0) << code;
  EXPECT_EQ(FindAnyInputDown(1), 0x2C);
  EXPECT_EQ(ReadPadBits(0x1000), 0x10 | 2);   // Z and left, without pads
  EXPECT_EQ(ReadPadBits(1), 0);
  // Codes from a configuration file can be anything.
  EXPECT_EQ(IsKeyDown(-1), 0);
  EXPECT_EQ(IsKeyDown(256), 0);
  EXPECT_EQ(IsKeyDown(0x7FFFFFFF), 0);
  pf::testing::InjectKey(kZ, false);
  pf::testing::InjectKey(kLeft, false);
  pf::testing::InjectKey(kCapsLock, true);
  EXPECT_EQ(FindAnyInputDown(7), 0);   // a lock key is no input
  EXPECT_EQ(IsKeyDown(0x3A), 1);
  pf::testing::InjectKey(kCapsLock, false);
  EXPECT_EQ(IsKeyDown(0x3A), 0);       // its toggle bit is not "down"
  pf::PostMessage(zelvo::QueryMainWindow(), 1135, 1, 0);
  EXPECT_EQ(FindAnyInputDown(1), 68);
  pf::testing::InjectMouseButton(1, true);
  PumpMessages();   // the mouse read itself pumps nothing
  EXPECT_EQ(FindAnyInputDown(4), -1);
  pf::testing::InjectMouseButton(1, false);
  PumpMessages();
  EXPECT_EQ(FindAnyInputDown(4), 0);
}

TEST_F(InputTest, SeveralPadsWithTheirDeadZones) {
  pf::testing::PlugPad(0, "Pad A");
  pf::testing::PlugPad(1, "Pad B");
  Start();
  struct Case { int pad, axis, value, bits; };
  const Case kCases[] = {
      {0, 0, -32768, 2}, {0, 0, 32767, 4}, {0, 1, -32768, 8}, {0, 1, 32767, 1},
      {0, 0, 8191, 0}, {0, 0, -8191, 0}, {0, 0, 8192, 4}, {0, 0, -8192, 2},
      {1, 1, 8191, 0}, {1, 1, 8192, 1}, {1, 1, -8192, 8},
  };
  for (const Case& c : kCases) {
    pf::testing::SetPadAxis(c.pad, c.axis, c.value);
    EXPECT_EQ(ReadPadBits(c.pad + 1), c.bits) << c.pad << " " << c.axis << " " << c.value;
    pf::testing::SetPadAxis(c.pad, c.axis, 0);
  }
  pf::testing::SetPadButton(1, 0, true);
  pf::testing::SetPadButton(1, 23, true);
  pf::testing::SetPadButton(1, 24, true);   // beyond the 24 buttons the bits carry
  EXPECT_EQ(ReadPadBits(2), (1 << 4) | (1 << 27));
  EXPECT_EQ(ReadPadBits(1), 0);
  EXPECT_EQ(ReadPadBits(3), 0);             // no third pad
  EXPECT_EQ(ReadPadBits(0), 0);             // pad number 0 reads the keyboard only
  pf::testing::InjectKey(kEscape, true);
  EXPECT_EQ(ReadPadBits(0x1000 | 2), (1 << 4) | (1 << 27) | 0x1000);
  EXPECT_EQ(FindAnyInputDown(2), -1);
  pf::testing::SetPadButton(1, 0, false);
  pf::testing::SetPadButton(1, 23, false);
  pf::testing::SetPadButton(1, 24, false);
  EXPECT_EQ(FindAnyInputDown(2), 0);
}

TEST_F(InputTest, NoJoystickLeavesTheKeyboard) {
  Start();
  EXPECT_EQ(zelvo::g_input.padCount, 0);
  pf::testing::InjectKey(kLeft, true);
  EXPECT_EQ(ReadPadBits(1), 0);
  EXPECT_EQ(ReadPadBits(0x1000), 2);
  EXPECT_EQ(ReadPadBits(0x1000 | 5), 2);
  EXPECT_EQ(FindAnyInputDown(2), 0);
  const std::string log = LogAfterShutDown();
  EXPECT_TRUE(InOrder(log, {"ジョイパッドの初期化... ", "ジョイパッドの初期化は正常に終了しました"}));
  EXPECT_EQ(log.find("入力装置を見つけました"), std::string::npos);
}

TEST_F(InputTest, APadUnpluggedMidRunReadsNothing) {
  pf::testing::PlugPad(0, "Pad A");
  pf::testing::PlugPad(1, "Pad B");
  Start();
  pf::testing::SetPadAxis(0, 0, -32768);
  pf::testing::SetPadButton(0, 1, true);
  EXPECT_EQ(ReadPadBits(1), 2 | (1 << 5));
  pf::testing::UnplugPad(0);
  EXPECT_EQ(ReadPadBits(1), 0);   // no held stick left behind
  EXPECT_EQ(ReadPadBits(1), 0);
  EXPECT_EQ(FindAnyInputDown(2), 0);
  pf::testing::SetPadButton(1, 0, true);
  EXPECT_EQ(ReadPadBits(2), 1 << 4);
}

TEST_F(InputTest, AKeyboardThatRefusesToAcquireEndsTheProgram) {
  EXPECT_EXIT(
      {
        pf::testing::FailNextCalls("DirectInputAcquire", 2);
        StartUpLibrary();
      },
      ::testing::ExitedWithCode(255), "");
  EXPECT_NE(ReadLog().find("キーボードデバイスの取得に失敗しました"), std::string::npos);
  pf::testing::FailNextCalls("DirectInputAcquire", 1);   // a second try is enough
  Start();
  pf::testing::InjectKey(kZ, true);
  EXPECT_EQ(IsKeyDown(0x2C), 1);
}

TEST_F(InputTest, APadThatRefusesToAcquireKeepsItsLastState) {
  pf::testing::PlugPad(0, "Pad A");
  pf::testing::FailNextCalls("DirectInputAcquire", 1);   // the pad's, at its set-up
  Start();
  pf::testing::SetPadAxis(0, 0, -32768);
  EXPECT_EQ(ReadPadBits(1), 2);   // acquired on the failed read
  pf::testing::SetPadAxis(0, 0, 32767);
  pf::testing::FailNextCalls("DirectInputGetDeviceState", 1);
  pf::testing::FailNextCalls("DirectInputAcquire", 1);
  EXPECT_EQ(ReadPadBits(1), 2);
  EXPECT_EQ(ReadPadBits(1), 4);
}

// Activation changes reacquire the pads: in the background while inactive, exclusively again once
// active. The activation callback sees the devices right after.
std::vector<pf::HResult> g_readsAtActivation;
void ReadPadAtActivation(int, void*) {
  pf::DIJoyState state{};
  g_readsAtActivation.push_back(zelvo::g_input.pads[0].device->GetDeviceState(sizeof state, &state));
}

TEST_F(InputTest, LosingAndRegainingTheFocusReacquiresTheDevices) {
  pf::testing::PlugPad(0, "Pad A");
  Start();
  pf::testing::SetPadAxis(0, 1, 32767);
  EXPECT_EQ(ReadPadBits(1), 1);
  zelvo::g_windowSettings.activationCallback = ReadPadAtActivation;
  pf::testing::InjectFocus(false);
  pf::testing::InjectFocus(true);
  pf::testing::InjectKey(kZ, true);
  EXPECT_EQ(IsKeyDown(0x2C), 1);   // waits out the inactive time
  zelvo::g_windowSettings.activationCallback = nullptr;
  ASSERT_GE(g_readsAtActivation.size(), 2u);
  for (pf::HResult read : g_readsAtActivation) EXPECT_EQ(read, pf::DI_OK);
  EXPECT_EQ(ReadPadBits(1), 1);
}

TEST_F(InputTest, VibrationRunsItsCourseOnPadsThatCan) {
  pf::testing::PlugPad(0, "Pad A");
  pf::testing::PlugPad(1, "Pad B", 8, 32, 4, false);
  Start();
  zelvo::LibraryLockGuard lock;
  const std::uint32_t now = pf::timeGetTime();
  for (zelvo::PadRecord& pad : zelvo::g_input.pads) {
    pad.vibrationOn = 1;
    pad.vibrationPower = 10000;
    pad.vibrationDuration = 50;
    pad.vibrationElapsed = 0;
    pad.vibrationLastUpdate = now;
  }
  zelvo::UpdatePadVibration();
  int low = 0, high = 0;
  ASSERT_TRUE(pf::testing::PadRumble(0, &low, &high, nullptr));
  EXPECT_EQ(low, 65535);
  EXPECT_EQ(high, 65535);
  EXPECT_EQ(zelvo::g_input.pads[1].sineEffect, nullptr);   // nothing to start on pad B
  pf::AdvanceVirtualClock(60);
  zelvo::UpdatePadVibration();
  EXPECT_EQ(zelvo::g_input.pads[0].vibrationOn, 0);
  EXPECT_EQ(zelvo::g_input.pads[1].vibrationOn, 0);
  pf::testing::PadRumble(0, &low, &high, nullptr);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 0);
  // Half power or less drives the constant force only; no time limit keeps it on.
  zelvo::PadRecord& pad = zelvo::g_input.pads[0];
  pad.vibrationOn = 1;
  pad.vibrationPower = 5000;
  pad.vibrationDuration = -1;
  zelvo::UpdatePadVibration();
  pf::AdvanceVirtualClock(10000);
  zelvo::UpdatePadVibration();
  pf::testing::PadRumble(0, &low, &high, nullptr);
  EXPECT_EQ(low, 65535);
  EXPECT_EQ(high, 0);
  zelvo::g_window.active = 0;   // inactive: everything stops
  zelvo::ApplyPadVibration();
  pf::testing::PadRumble(0, &low, &high, nullptr);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(pad.constantStarted, 0);
  zelvo::g_window.active = 1;
  EXPECT_EQ(zelvo::StopPadVibration(1), 0);
  EXPECT_EQ(pad.vibrationOn, 0);
  EXPECT_EQ(zelvo::StopPadVibration(0), 0);
  EXPECT_EQ(zelvo::StopPadVibration(9), 0);
}

TEST_F(InputTest, InputEndedByADisplayRebuildStartsAgainOnTheNextRead) {
  Start();
  pf::testing::InjectKey(kEscape, true);
  {
    zelvo::LibraryLockGuard lock;
    zelvo::CallSubsystem(zelvo::kSubsystemDisplay, &zelvo::SubsystemHooks::rebuildDisplay);
    EXPECT_EQ(zelvo::g_input.mode, zelvo::InputMode::kNotStarted);
  }
  // The read that starts input again reports the start's result instead of reading; the next reads.
  EXPECT_EQ(IsKeyDown(1), 0);
  EXPECT_EQ(zelvo::g_input.mode, zelvo::InputMode::kDirectInput);
  EXPECT_EQ(IsKeyDown(1), 1);
  // A start whose keyboard notification fails reports 1, and every entry hands it on.
  struct Case { const char* entry; int (*read)(); };
  const Case cases[] = {
      {"IsKeyDown", [] { return IsKeyDown(1); }},
      {"FindAnyInputDown", [] { return FindAnyInputDown(1); }},
      {"ReadAllKeyStates", [] {
         unsigned char states[256];
         std::memset(states, 7, sizeof states);
         const int result = ReadAllKeyStates(states);
         return states[1] == 0 ? result : -100;
       }},
      {"ReadPadBits", [] { return ReadPadBits(0x1000 | 1); }},
  };
  for (const Case& c : cases) {
    {
      zelvo::LibraryLockGuard lock;
      zelvo::EndInput();
    }
    pf::testing::FailNextCalls("DirectInputSetEventNotification", 1);
    EXPECT_EQ(c.read(), 1) << c.entry;
  }
  EXPECT_EQ(IsKeyDown(1), 1);   // started by then; the keyboard reads on
  const std::string log = LogAfterShutDown();
  EXPECT_TRUE(InOrder(log, {"DirectInput 関連の初期化は正常に終了しました", "DirectInput 関連の終了処理... 完了",
                            "DirectInput 関連の初期化は正常に終了しました", "DirectInput 関連の終了処理... 完了",
                            "キーボードイベントのセットアップが失敗しました"}));
}

TEST(InputKeyTable, TheHostKeysAgreeWithTheVirtualKeyTable) {
  int firstPart = 0, secondPart = 0;
  bool inFirst = true;
  for (const zelvo::VirtualKeyPair* pair = zelvo::kVkToDikTable; pair->virtualKey != zelvo::kEndOfTable; ++pair) {
    if (pair->virtualKey == zelvo::kEndOfFirstPart) {
      inFirst = false;
      continue;
    }
    ++(inFirst ? firstPart : secondPart);
    // The overlay copies the virtual key's state over the key code's: every key reporting that key
    // code must report that virtual key too, or the key would read as released while held.
    for (int scancode = 0; scancode < 512; ++scancode) {
      if (inFirst && pf::dinput::KeyCodeOfScancode(scancode) == pair->keyCode) {
        EXPECT_EQ(pf::dinput::VirtualKeyOfScancode(scancode), pair->virtualKey) << "scancode " << scancode;
      }
    }
  }
  EXPECT_EQ(firstPart, 72);
  EXPECT_EQ(secondPart, 27);
}

}  // namespace
}  // namespace zelvo_test
