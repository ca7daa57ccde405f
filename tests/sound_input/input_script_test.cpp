// A scripted headless run: keys and two pads change on the frames the input script names, and the
// four public entries see each change from that frame on, dead-zone edges included.
#include <cstdlib>
#include <fstream>

#include "support/library_fixture.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

constexpr std::uint64_t kKeyDown = 20, kPadsMove = 22, kKeyUp = 24, kLastFrame = 28;

struct Seen {
  int z;            // IsKeyDown of Z
  int zState;       // ReadAllKeyStates of Z
  int pad1, pad2;   // ReadPadBits
  int any;          // FindAnyInputDown of keys and pads
};

Seen Expected(std::uint64_t frame) {
  const bool keyDown = frame >= kKeyDown && frame < kKeyUp;
  Seen seen{keyDown ? 1 : 0, keyDown ? 1 : 0, 0, 0, 0};
  if (frame >= kPadsMove) seen.pad1 = 4;                          // X at 8192: just out of the dead zone
  if (frame >= kPadsMove) seen.pad2 = 1 << 6;                     // button 2
  if (frame >= kKeyUp) seen.pad2 |= 8;                            // Y full up
  seen.any = keyDown ? 0x2C : (seen.pad1 != 0 || seen.pad2 != 0 ? -1 : 0);
  return seen;
}

class InputScript : public LibraryTest {};

TEST_F(InputScript, KeysAndPadsArriveOnTheirFrames) {
  std::ofstream(folder_ + "/input.txt") << "# two pads from the start\n"
                                           "0 pad 0 plug Left Pad\n"
                                           "0 pad 1 plug Right Pad\n"
                                        << kKeyDown << " key Z down\n"
                                        << kKeyDown << " pad 0 axis 0 8191\n"
                                        << kPadsMove << " pad 0 axis 0 8192\n"
                                        << kPadsMove << " pad 1 button 2 down\n"
                                        << kKeyUp << " key Z up\n"
                                        << kKeyUp << " pad 1 axis 1 -32768\n";
  setenv("ZELVO_INPUT_SCRIPT", (folder_ + "/input.txt").c_str(), 1);
  ASSERT_EQ(StartUpLibrary(), 0);
  std::uint64_t frame = pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr);
  ASSERT_LT(frame, kKeyDown);   // start-up's own frames come before the script's
  while (frame <= kLastFrame) {
    ASSERT_EQ(PumpMessages(), 0);
    unsigned char states[256];
    ReadAllKeyStates(states);
    const Seen seen{IsKeyDown(0x2C), states[0x2C], ReadPadBits(1), ReadPadBits(2), FindAnyInputDown(3)};
    const Seen want = Expected(frame);
    EXPECT_EQ(seen.z, want.z) << "frame " << frame;
    EXPECT_EQ(seen.zState, want.zState) << "frame " << frame;
    EXPECT_EQ(seen.pad1, want.pad1) << "frame " << frame;
    EXPECT_EQ(seen.pad2, want.pad2) << "frame " << frame;
    EXPECT_EQ(seen.any, want.any) << "frame " << frame;
    ClearDrawTarget();
    ASSERT_EQ(PresentBackBuffer(), 0);
    const std::uint64_t next = pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr);
    ASSERT_EQ(next, frame + 1);   // one frame a pass
    frame = next;
  }
  EXPECT_EQ(ShutDownLibrary(), 0);
}

}  // namespace
}  // namespace zelvo_test
