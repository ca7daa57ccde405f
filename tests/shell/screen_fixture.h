#pragma once
// Shell screens run through the real library on the headless host: a scratch game folder, a script
// of key presses counted in the screen's own frames, and a recording stand-in for the battle world.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_tables.h"
#include "game/battle/data/resources.h"
#include "game/battle/data/stage_resources.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_world.h"
#include "game/shell/screen_frame.h"
#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"

namespace horundel {

// What the battle world was asked to do, frame by frame.
struct WorldCall {
  int frame;   // the screen's frame, from 1
  char pass;   // 'u' update, 'd' draw, 'e' effect
  int mode;    // pass mode, or the effect kind
  float x, y, parameter, angle;
};

class ShellScreenTest : public zelvo_test::LibraryTest {
 protected:
  // The screen's first frame comes after this many presented frames; start-up presents fewer.
  static constexpr int kBaseFrame = 100;
  static constexpr int kBackspaceCode = 14;

  void SetUp() override {
    LibraryTest::SetUp();
    for (const char* dir : {"save", "cg", "text", "bmp/cg", "bmp/system"}) std::filesystem::create_directories(folder_ + "/" + dir);
    ClearQuitRequest();
    FillKeyNames();
    SetDefaultKeyBindings();
    // The script names keys in one word: cancel moves from Right Shift to Backspace.
    KeyBindings[kKeyCancel].keyCode = kBackspaceCode;
    std::memset(&g_pictures, 0xFF, sizeof g_pictures);
    for (int& sound : SoundEffectTable) sound = -1;
    g_stage.musicHandle = -1;
    g_stage.backgroundHandle = -1;
    calls_.clear();
    g_missionWorld = MissionWorld{RecordUpdate, RecordDraw, RecordEffect, [] { ++machineLeft_; }};
    machineLeft_ = 0;
    worldColour_ = -1;
  }

  void TearDown() override {
    if (started_) {
      EXPECT_EQ(ShutDownLibrary(), 0);
    }
    unsetenv("ZELVO_INPUT_SCRIPT");
    g_missionWorld = StillMissionWorld();
    LibraryTest::TearDown();
  }

  // A key held from the screen's frame `from` up to (not including) frame `to`.
  void Hold(const char* key, int from, int to) {
    script_ += std::to_string(kBaseFrame + from - 1) + " key " + key + " down\n";
    script_ += std::to_string(kBaseFrame + to - 1) + " key " + key + " up\n";
  }
  void Press(const char* key, int frame) { Hold(key, frame, frame + 2); }

  // Starts the library with the script so far and presents blank frames up to the screen's start.
  // The host reads its script once a process, as ctest runs each test.
  void Start() {
    std::ofstream(folder_ + "/input.txt") << script_;
    setenv("ZELVO_INPUT_SCRIPT", (folder_ + "/input.txt").c_str(), 1);
    ASSERT_EQ(StartUpLibrary(), 0);
    started_ = true;
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    const int now = static_cast<int>(pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr));
    if (!script_.empty()) {
      ASSERT_LE(now, kBaseFrame) << "a scripted test needs a process of its own";
    }
    base_ = script_.empty() ? now : kBaseFrame;
    while (Presented() < 0) {
      ASSERT_EQ(PumpMessages(), 0);
      ASSERT_EQ(PresentBackBuffer(), 0);
    }
  }

  // Frames presented since the screen started.
  static int Presented() { return static_cast<int>(pf::testing::LastPresentedFrame(nullptr, nullptr, nullptr)) - base_; }

  // The last presented frame's pixel as 0xRRGGBB.
  static std::uint32_t Shown(int x, int y) {
    std::vector<std::uint32_t> frame;
    int width = 0, height = 0;
    pf::testing::LastPresentedFrame(&frame, &width, &height);
    return frame.at(static_cast<std::size_t>(y) * width + x) & 0xFFFFFF;
  }

  void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(folder_ + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  std::string ReadFile(const std::string& name) const {
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  // A one-colour 24-bit picture.
  static std::vector<std::uint8_t> SolidBmp(int width, int height, std::uint32_t rgb) {
    std::vector<std::vector<std::uint8_t>> rows(height);
    for (auto& row : rows) {
      for (int x = 0; x < width; ++x) row.insert(row.end(), {std::uint8_t(rgb), std::uint8_t(rgb >> 8), std::uint8_t(rgb >> 16)});
    }
    zelvo_test::BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels = zelvo_test::PadRows(rows);
    return zelvo_test::WriteBmp(layout);
  }

  std::vector<WorldCall> Calls(char pass) const {
    std::vector<WorldCall> out;
    for (const WorldCall& call : calls_) {
      if (call.pass == pass) out.push_back(call);
    }
    return out;
  }

  static void RecordUpdate(int mode) { calls_.push_back({Presented() + 1, 'u', mode, 0, 0, 0, 0}); }
  // With a world colour, the world's draw fills the screen with it, so overlays show on the frame.
  static void RecordDraw(int mode) {
    calls_.push_back({Presented() + 1, 'd', mode, 0, 0, 0, 0});
    if (worldColour_ < 0) return;
    SetBlendMode(0, 255);
    DrawRectangle(0, 0, 640, 480, PackColor(worldColour_ >> 16, (worldColour_ >> 8) & 255, worldColour_ & 255), 1);
  }
  static void RecordEffect(int kind, float x, float y, float parameter, float angle, int) {
    calls_.push_back({Presented() + 1, 'e', kind, x, y, parameter, angle});
  }

  static inline std::vector<WorldCall> calls_;
  static inline int machineLeft_ = 0;
  static inline int worldColour_ = -1;
  static inline int base_ = kBaseFrame;
  std::string script_;
  bool started_ = false;
};

}  // namespace horundel
