#pragma once
// Runs the program's entry in a scratch game folder on the headless host. Each test process takes
// a window class of its own, so the entry's single-instance lock never meets a parallel test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/shell/program_entry.h"
#include "media/core/window_state.h"
#include "support/library_fixture.h"

namespace horundel {

class ProgramEntryTest : public zelvo_test::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    std::filesystem::create_directories(folder_ + "/save");
    std::snprintf(zelvo::g_windowSettings.className, sizeof zelvo::g_windowSettings.className, "horundel-test-%d",
                  static_cast<int>(getpid()));
    g_entryScreens = RealEntryScreens();
  }

  void TearDown() override {
    g_entryScreens = RealEntryScreens();
    LibraryTest::TearDown();
  }

  std::string ReadFile(const std::string& name) const {
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  // The file's lines, each of which must end with CR LF.
  std::vector<std::string> ReadLines(const std::string& name) const {
    const std::string text = ReadFile(name);
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) {
        ADD_FAILURE() << name << " has a line without CR LF: " << text.substr(at);
        break;
      }
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }
};

}  // namespace horundel
