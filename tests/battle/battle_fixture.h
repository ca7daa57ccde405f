#pragma once
// Battle tests on the real library: a scratch working folder, the library started on the headless
// host, helpers to lay out data files and to read the on-screen log back.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "support/library_fixture.h"
#include "media/core/screen_log.h"
#include "support/zva_writer.h"

namespace zelvo_test {

class BattleTest : public StartedLibraryTest {
 protected:
  // `relative` uses slashes; folders are made as needed.
  void Put(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::path path = std::filesystem::path(folder_) / relative;
    std::filesystem::create_directories(path.parent_path());
    WriteFileBytes(path.string(), bytes);
  }
  void Put(const std::string& relative, const std::string& text) { Put(relative, BytesOf(text)); }

  // Every line of the on-screen log, each followed by a line feed.
  static std::string ScreenLogText() {
    std::string text;
    for (int i = 0; i <= zelvo::g_screenLog.currentLine; ++i) text += std::string(zelvo::g_screenLog.lines[i]) + "\n";
    return text;
  }
};

// Lines joined with CR LF after each, as the game's data files are written.
inline std::string CrLfLines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace zelvo_test
