// The hosts' pads and the headless script's pad and focus lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/host/host.h"
#include "platform/host/input_script.h"
#include "platform/testing.h"
#include "platform/window/window.h"
#include "support/test_paths.h"

namespace {

pf::WindowHandle OpenPadsWindow() {
  pf::WindowClass windowClass{0, pf::DefWindowProc, nullptr, 0, 0, 0, nullptr, "pads-test"};
  pf::RegisterClass(&windowClass);
  return pf::CreateWindowEx(0, "pads-test", "pads", pf::WS_POPUP, 0, 0, 320, 200, nullptr, nullptr, nullptr);
}

void PumpAll() {
  pf::Message message{};
  while (pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE)) pf::DispatchMessage(&message);
}

void PresentFrame() {
  std::uint32_t pixel = 0;
  pf::host::CurrentHost()->Present(&pixel, 1, 1, 4);
}

TEST(InputScript, PadLinesParseAndBadOnesAreReported) {
  std::vector<int> errors;
  auto events = pf::host::ParseInputScript(
      "1 pad 0 plug Left Pad\n2 pad 0 button 3 down\n3 pad 0 axis 1 -32768\n4 pad 0 hat 0 9\n5 pad 0 unplug\n"
      "6 pad 16 plug\n7 pad 0 axis 8 0\n8 pad 0 axis 0 40000\n9 pad 0 button 32 down\n10 pad 0 hat 0 16\n"
      "11 pad 0 wiggle\n",
      &errors);
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].event.kind, pf::host::EventKind::kPad);
  EXPECT_EQ(events[0].event.value, pf::host::kPadPlug);
  EXPECT_STREQ(events[0].event.text, "Left Pad");
  EXPECT_EQ(events[1].event.value, pf::host::kPadButton);
  EXPECT_EQ(events[1].event.x, 3);
  EXPECT_EQ(events[1].event.y, 1);
  EXPECT_EQ(events[2].event.value, pf::host::kPadAxis);
  EXPECT_EQ(events[2].event.y, -32768);
  EXPECT_EQ(events[3].event.y, 9);
  EXPECT_EQ(events[4].event.value, pf::host::kPadUnplug);
  EXPECT_EQ(errors, (std::vector<int>{6, 7, 8, 9, 10, 11}));
}

TEST(HeadlessHost, ScriptedPadChangesArriveOnTheirFrame) {
  std::string folder = zelvo_test::MakeScratchFolder("pad_script");
  std::ofstream(folder + "/input.txt") << "0 pad 2 plug Stick\n1 pad 2 axis 0 -20000\n1 pad 2 button 5 down\n"
                                          "2 pad 2 unplug\n";
  setenv("ZELVO_INPUT_SCRIPT", (folder + "/input.txt").c_str(), 1);
  pf::host::Host* host = pf::host::CurrentHost();
  pf::WindowHandle window = OpenPadsWindow();
  ASSERT_NE(window, nullptr);
  PumpAll();
  pf::host::PadInfo pads[4];
  ASSERT_EQ(host->ListPads(pads, 4), 1);
  EXPECT_STREQ(pads[0].name, "Stick");
  pf::host::PadReading reading{};
  ASSERT_TRUE(host->ReadPad(pads[0].id, &reading));
  EXPECT_EQ(reading.axes[0], 0);
  PresentFrame();
  PumpAll();
  ASSERT_TRUE(host->ReadPad(pads[0].id, &reading));
  EXPECT_EQ(reading.axes[0], -20000);
  EXPECT_EQ(reading.buttons, 1u << 5);
  PresentFrame();
  PumpAll();
  EXPECT_FALSE(host->ReadPad(pads[0].id, &reading));
  EXPECT_EQ(host->ListPads(pads, 4), 0);
  pf::DestroyWindow(window);
  zelvo_test::RemoveFolderTree(folder);
}

// An inactive application presents nothing, so a script that took the focus away goes on without
// waiting for frames, and one that ends there gives the focus back.
TEST(HeadlessHost, ScriptWithoutFocusNeverWaitsForFrames) {
  std::string folder = zelvo_test::MakeScratchFolder("focus_script");
  std::ofstream(folder + "/input.txt") << "0 focus 0\n50 key A down\n";
  setenv("ZELVO_INPUT_SCRIPT", (folder + "/input.txt").c_str(), 1);
  pf::host::Host* host = pf::host::CurrentHost();
  pf::WindowHandle window = OpenPadsWindow();
  ASSERT_NE(window, nullptr);
  PumpAll();
  EXPECT_TRUE(host->IsKeyDown(4));   // frame 50 never came
  EXPECT_TRUE(host->HasFocus());
  pf::DestroyWindow(window);
  zelvo_test::RemoveFolderTree(folder);
}

TEST(HostPads, VirtualPadsComeFirstAndRumbleOnlyWhenAble) {
  pf::host::Host* host = pf::host::CurrentHost();
  pf::testing::PlugPad(1, "B", 2, 4, 0, false);
  pf::testing::PlugPad(0, "A");
  pf::host::PadInfo pads[4];
  ASSERT_EQ(host->ListPads(pads, 4), 2);
  EXPECT_STREQ(pads[0].name, "A");
  EXPECT_EQ(pads[1].axisCount, 2);
  EXPECT_TRUE(host->RumblePad(pads[0].id, 100, 200, -1));
  int low = 0, high = 0, ms = 0;
  ASSERT_TRUE(pf::testing::PadRumble(0, &low, &high, &ms));
  EXPECT_EQ(low, 100);
  EXPECT_EQ(high, 200);
  EXPECT_FALSE(host->RumblePad(pads[1].id, 100, 200, -1));
  pf::testing::SetPadAxis(0, 7, -40000);   // clamped
  pf::host::PadReading reading{};
  ASSERT_TRUE(host->ReadPad(pads[0].id, &reading));
  EXPECT_EQ(reading.axes[7], -32768);
  pf::testing::UnplugPad(0);
  pf::testing::UnplugPad(1);
  EXPECT_EQ(host->ListPads(pads, 4), 0);
}

}  // namespace
