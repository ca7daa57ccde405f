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

  // The generated loose data set as the game folder. Only what the game reads is linked: what it may
  // write (the temporary map, saves, screenshots) and the folders named in `ownFolders` (a test's own
  // maps) stay the scratch folder's own, so the generated set is never changed through a link.
  void LinkGeneratedSet(const std::string& generated, std::initializer_list<const char*> ownFolders = {}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(generated) / "loose")) {
      const std::string name = entry.path().filename().string();
      bool own = name == "tempmap.dat" || name == "save" || name == "ss";
      for (const char* folder : ownFolders) own = own || name == folder;
      if (!own) std::filesystem::create_symlink(entry.path(), folder_ + "/" + name);
    }
    std::filesystem::create_directories(folder_ + "/save");
  }

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
