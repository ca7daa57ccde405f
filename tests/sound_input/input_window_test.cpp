// Keys typed into the real SDL window (under a virtual X server, by xdotool) reach IsKeyDown and
// ReadPadBits. Runs only on the SDL host; the headless runs skip it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/library_fixture.h"
#include "platform/host/host.h"

namespace zelvo_test {
namespace {

class InputUnderXvfb : public LibraryTest {
 protected:
  void SetUp() override {
    pf::host::Host* host = pf::host::CurrentHost();
    if (host == nullptr || std::string(host->Name()) != "sdl") GTEST_SKIP() << "needs the SDL host";
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
    started_ = true;
    // The window takes the X input focus, so the server sends it the keys.
    const std::string focus = "xdotool search --sync --pid " + std::to_string(getpid()) + " windowfocus";
    ASSERT_EQ(std::system(focus.c_str()), 0);
  }
  void TearDown() override {
    if (!started_) return;
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  static void Xdotool(const char* arguments) {
    const std::string command = std::string("xdotool ") + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  // Pumps until the reading gives the wanted value or two seconds have passed; the last reading.
  template <typename Read>
  static int PumpUntil(Read read, int wanted) {
    const int start = GetTickMilliseconds(0);
    int value = read();
    while (value != wanted && GetTickMilliseconds(0) - start < 2000) {
      PumpMessages();
      SleepWithMessages(5);
      value = read();
    }
    return value;
  }
  bool started_ = false;
};

TEST_F(InputUnderXvfb, TypedKeysReachIsKeyDownAndReadPadBits) {
  Xdotool("keydown z");
  EXPECT_EQ(PumpUntil([] { return IsKeyDown(0x2C); }, 1), 1);
  Xdotool("keydown Left");
  EXPECT_EQ(PumpUntil([] { return ReadPadBits(0x1000); }, 0x10 | 2), 0x10 | 2);
  Xdotool("keyup z keyup Left");
  EXPECT_EQ(PumpUntil([] { return ReadPadBits(0x1000); }, 0), 0);
  EXPECT_EQ(IsKeyDown(0x2C), 0);
  Xdotool("keydown Escape");
  EXPECT_EQ(PumpUntil([] { return FindAnyInputDown(1); }, 1), 1);
  Xdotool("keyup Escape");
}

}  // namespace
}  // namespace zelvo_test
