// The headless host: frame readback and dump, scripted input, and host events turned into the
// window's messages.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/input_script.h"
#include "platform/kernel/kernel.h"
#include "platform/testing.h"
#include "platform/window/window.h"
#include "support/test_paths.h"

namespace {

std::vector<pf::Message> g_received;

pf::LResult KeepingProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  g_received.push_back(pf::Message{window, message, wParam, lParam, 0});
  return pf::DefWindowProc(window, message, wParam, lParam);
}

pf::WindowHandle OpenHostWindow() {
  pf::WindowClass windowClass{0, KeepingProc, nullptr, 0, 0, 0, nullptr, "host-test"};
  pf::RegisterClass(&windowClass);
  return pf::CreateWindowEx(0, "host-test", "\x83\x65\x83\x58\x83\x67", pf::WS_POPUP, 0, 0, 320, 200, nullptr, nullptr,
                            nullptr);   // "テスト" in CP932
}

// Pumps the window's queue, dispatching everything, and returns the messages of the given kinds.
std::vector<pf::Message> Pump(std::initializer_list<std::uint32_t> kinds) {
  g_received.clear();
  pf::Message message{};
  while (pf::PeekMessage(&message, nullptr, 0, 0, pf::PM_REMOVE)) {
    pf::TranslateMessage(&message);
    pf::DispatchMessage(&message);
  }
  std::vector<pf::Message> wanted;
  for (const pf::Message& m : g_received) {
    for (std::uint32_t kind : kinds) {
      if (m.message == kind) wanted.push_back(m);
    }
  }
  return wanted;
}

TEST(HeadlessHost, PresentedFrameReadsBackAndOpensAsPng) {
  std::string folder = zelvo_test::MakeScratchFolder("frame_dump");
  setenv("ZELVO_FRAME_DUMP", folder.c_str(), 1);
  pf::host::Host* host = pf::host::CurrentHost();
  ASSERT_NE(host, nullptr);
  EXPECT_STREQ(host->Name(), "headless");
  std::vector<std::uint32_t> frame(4 * 3, 0x00112233u);
  frame[5] = 0x00FF8000u;
  host->Present(frame.data(), 4, 3, 16);
  std::vector<std::uint32_t> back;
  int width = 0, height = 0;
  EXPECT_EQ(pf::testing::LastPresentedFrame(&back, &width, &height), 1u);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 3);
  EXPECT_EQ(back, frame);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, (folder + "/frame000001.png").c_str()));
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  EXPECT_EQ(image.width, 4u);
  EXPECT_EQ(rgb[5 * 3 + 0], 0xFF);
  EXPECT_EQ(rgb[5 * 3 + 1], 0x80);
  EXPECT_EQ(rgb[0], 0x11);
  zelvo_test::RemoveFolderTree(folder);
}

struct WatchedFrame {
  std::uint64_t number;
  std::vector<std::uint32_t> pixels;
  int width;
  int height;
};
std::vector<WatchedFrame> g_watched;

void KeepWatchedFrame(std::uint64_t number, const std::uint32_t* pixels, int width, int height) {
  g_watched.push_back({number, std::vector<std::uint32_t>(pixels, pixels + width * height), width, height});
}

// Frames presented back to back, with no readback between them, each reach the watcher: the
// readback only ever shows the latest.
TEST(HeadlessHost, WatcherSeesEveryPresentedFrameUntilStopped) {
  pf::host::Host* host = pf::host::CurrentHost();
  ASSERT_NE(host, nullptr);
  g_watched.clear();
  const std::uint64_t before = pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr);
  pf::testing::WatchPresentedFrames(KeepWatchedFrame);
  // Rows three pixels apart in memory, two wide: the watcher gets them packed.
  const std::uint32_t first[6] = {1, 2, 99, 3, 4, 99};
  const std::uint32_t second[6] = {5, 6, 99, 7, 8, 99};
  host->Present(first, 2, 2, 12);
  host->Present(second, 2, 2, 12);
  pf::testing::WatchPresentedFrames(nullptr);
  host->Present(first, 2, 2, 12);
  ASSERT_EQ(g_watched.size(), 2u);
  EXPECT_EQ(g_watched[0].number, before + 1);
  EXPECT_EQ(g_watched[0].pixels, (std::vector<std::uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(g_watched[1].number, before + 2);
  EXPECT_EQ(g_watched[1].pixels, (std::vector<std::uint32_t>{5, 6, 7, 8}));
  EXPECT_EQ(g_watched[1].width, 2);
  EXPECT_EQ(g_watched[1].height, 2);
  EXPECT_EQ(pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr), before + 3);
}

TEST(HeadlessHost, InputScriptParsesEveryEventKindAndReportsBadLines) {
  std::vector<int> errors;
  auto events = pf::host::ParseInputScript(
      "# comment\n"
      "3 key Escape down\r\n"
      "4 key Escape up\n"
      "5 text \xE3\x81\x82\n"
      "6 compose 1 \xE3\x81\x8B\n"
      "7 focus 0\n"
      "8 wheel -2\n"
      "9 mouse 10 20\n"
      "10 drop /tmp/a b.bmp\n"
      "11 close\n"
      "12 key NoSuchKey down\n"
      "x key Escape down\n"
      "13 fly\n",
      &errors);
  ASSERT_EQ(events.size(), 10u);   // the drop brings its completion
  EXPECT_EQ(events[0].frame, 3u);
  EXPECT_EQ(events[0].event.kind, pf::host::EventKind::kKeyDown);
  EXPECT_EQ(events[0].event.key, 41);
  EXPECT_STREQ(events[2].event.text, "\xE3\x81\x82");
  EXPECT_EQ(events[3].event.value, 1);
  EXPECT_EQ(events[5].event.value, -2);
  EXPECT_EQ(events[6].event.y, 20);
  EXPECT_STREQ(events[7].event.text, "/tmp/a b.bmp");
  EXPECT_EQ(events[8].event.kind, pf::host::EventKind::kDropComplete);
  EXPECT_EQ(events[9].event.kind, pf::host::EventKind::kClose);
  EXPECT_EQ(errors, (std::vector<int>{11, 12, 13}));
}

// SDL's key names may hold a space: the name is everything before the last word, quoted or not.
TEST(InputScript, KeyNamesMayHoldSpaces) {
  std::vector<int> errors;
  auto events = pf::host::ParseInputScript(
      "1 key Right Shift down\n"
      "2 key \"Right Shift\" up\n"
      "3 key  Left Ctrl   down \n"
      "4 key \"Right Shift down\"\n"
      "5 key Right Shift\n"
      "6 key down\n",
      &errors);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].event.key, 229);
  EXPECT_EQ(events[0].event.kind, pf::host::EventKind::kKeyDown);
  EXPECT_EQ(events[1].event.key, 229);
  EXPECT_EQ(events[1].event.kind, pf::host::EventKind::kKeyUp);
  EXPECT_EQ(events[2].event.key, 224);
  EXPECT_EQ(errors, (std::vector<int>{4, 5, 6}));
}

// A key pressed and let go before any read saw it is down for the reads of the next frame, even when
// a frame is presented before them; one a read saw down goes up when it is let go.
TEST(HeadlessHost, AKeyTappedBetweenTwoReadsIsDownForOneFrame) {
  pf::host::Host* host = pf::host::CurrentHost();
  ASSERT_NE(host, nullptr);
  constexpr int kA = 4;
  std::uint32_t pixel = 0;
  auto poll = [&] {
    for (pf::host::Event event{}; host->PollEvent(&event);) {
    }
  };
  pf::testing::InjectKey(kA, true);
  pf::testing::InjectKey(kA, false);
  poll();
  host->Present(&pixel, 1, 1, 4);
  EXPECT_TRUE(host->IsKeyDown(kA)) << "no read had seen it yet";
  EXPECT_TRUE(host->IsKeyDown(kA)) << "every read of the frame sees it";
  host->Present(&pixel, 1, 1, 4);
  EXPECT_FALSE(host->IsKeyDown(kA));

  pf::testing::InjectKey(kA, true);
  poll();
  EXPECT_TRUE(host->IsKeyDown(kA));
  pf::testing::InjectKey(kA, false);
  poll();
  EXPECT_FALSE(host->IsKeyDown(kA));
}

TEST(HeadlessHost, ScriptedEventsWaitForTheirFrame) {
  std::string folder = zelvo_test::MakeScratchFolder("script");
  std::string path = folder + "/input.txt";
  std::ofstream(path) << "0 key A down\n2 close\n";
  setenv("ZELVO_INPUT_SCRIPT", path.c_str(), 1);
  pf::WindowHandle window = OpenHostWindow();
  ASSERT_NE(window, nullptr);
  auto first = Pump({pf::WM_KEYDOWN, pf::WM_CLOSE});
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].wParam, static_cast<pf::WParam>('A'));
  EXPECT_TRUE(pf::testing::HostWindowState(nullptr, nullptr, nullptr));
  std::uint32_t pixel = 0;
  pf::host::CurrentHost()->Present(&pixel, 1, 1, 4);
  EXPECT_TRUE(Pump({pf::WM_CLOSE}).empty());   // one frame presented, the close waits for two
  pf::host::CurrentHost()->Present(&pixel, 1, 1, 4);
  EXPECT_EQ(Pump({pf::WM_DESTROY}).size(), 1u);   // the default procedure destroyed it
  EXPECT_FALSE(pf::testing::HostWindowState(nullptr, nullptr, nullptr));
  zelvo_test::RemoveFolderTree(folder);
}

TEST(HeadlessHost, KeysTextAndFocusBecomeMessages) {
  pf::WindowHandle window = OpenHostWindow();
  ASSERT_NE(window, nullptr);
  int width = 0, height = 0;
  std::string title;
  ASSERT_TRUE(pf::testing::HostWindowState(&width, &height, &title));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(title, "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88");   // the CP932 title as UTF-8
  pf::WINNLSEnableIME(window, false);
  pf::testing::InjectKey(40, true);                        // Enter
  pf::testing::InjectKey(79, true, 0);                     // Right
  pf::testing::InjectText("x\xE3\x81\x82");                // "xあ"
  auto keys = Pump({pf::WM_KEYDOWN, pf::WM_CHAR});
  ASSERT_EQ(keys.size(), 6u);
  EXPECT_EQ(keys[0].wParam, static_cast<pf::WParam>(pf::VK_RETURN));
  EXPECT_EQ(keys[1].message, pf::WM_CHAR);                 // made by the translation, read next
  EXPECT_EQ(keys[1].wParam, 13u);
  EXPECT_EQ(keys[2].wParam, static_cast<pf::WParam>(pf::VK_RIGHT));
  EXPECT_EQ(keys[3].wParam, static_cast<pf::WParam>('x'));
  EXPECT_EQ(keys[4].wParam, 0x82u);
  EXPECT_EQ(keys[5].wParam, 0xA0u);
  EXPECT_TRUE(pf::host::CurrentHost()->IsKeyDown(40));

  pf::testing::InjectFocus(false);
  auto focus = Pump({pf::WM_ACTIVATE, pf::WM_ACTIVATEAPP});
  ASSERT_EQ(focus.size(), 2u);
  EXPECT_EQ(focus[0].message, pf::WM_ACTIVATE);
  EXPECT_EQ(focus[0].wParam & 0xFFFF, 0u);
  EXPECT_FALSE(pf::host::CurrentHost()->IsKeyDown(40));    // released while away
  pf::DestroyWindow(window);
}

TEST(HeadlessHost, EditorOnTurnsTextIntoCompositionMessages) {
  pf::WindowHandle window = OpenHostWindow();
  ASSERT_NE(window, nullptr);
  pf::testing::InjectComposition("\xE3\x81\x8B", 1);
  auto composing = Pump({pf::WM_IME_STARTCOMPOSITION, pf::WM_IME_COMPOSITION});
  ASSERT_EQ(composing.size(), 2u);
  EXPECT_EQ(composing[1].lParam, static_cast<pf::LParam>(pf::GCS_COMPSTR | pf::GCS_CURSORPOS));
  pf::InputContext context = pf::ImmGetContext(window);
  char text[8] = {};
  EXPECT_EQ(pf::ImmGetCompositionString(context, pf::GCS_COMPSTR, text, sizeof text), 2);
  EXPECT_STREQ(text, "\x82\xA9");
  EXPECT_EQ(pf::ImmGetCompositionString(context, pf::GCS_CURSORPOS, nullptr, 0), 2);
  pf::testing::InjectText("\xE8\x9A\x8A");   // 蚊
  auto result = Pump({pf::WM_IME_COMPOSITION, pf::WM_IME_ENDCOMPOSITION, pf::WM_CHAR});
  ASSERT_EQ(result.size(), 2u);
  EXPECT_EQ(result[0].lParam, static_cast<pf::LParam>(pf::GCS_RESULTSTR));
  EXPECT_EQ(result[1].message, pf::WM_IME_ENDCOMPOSITION);
  EXPECT_EQ(pf::ImmGetCandidateList(context, 0, nullptr, 0), 0u);
  pf::DestroyWindow(window);
}

}  // namespace
