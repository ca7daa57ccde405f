#pragma once
// Runs the program's entry in a scratch game folder on the headless host. Each test process takes
// a window class of its own, so the entry's single-instance lock never meets a parallel test.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/shell/program_entry.h"
#include "media/core/window_state.h"
#include "platform/d3d/d3d_testing.h"
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

  // Copies a data folder (the generated loose set, say) into the scratch game folder.
  void CopyIntoFolder(const std::string& from) const {
    std::filesystem::copy(from, folder_,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
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

  // A test's own log, one line feed ended line each.
  std::vector<std::string> LogLines(const std::string& name) const {
    std::vector<std::string> lines;
    std::ifstream in(folder_ + "/" + name);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The logged line that starts with `prefix`, or an empty one.
  static std::string Find(const std::vector<std::string>& log, const std::string& prefix) {
    for (const std::string& line : log) {
      if (line.rfind(prefix, 0) == 0) return line;
    }
    return "";
  }

  static std::string Joined(const std::vector<std::string>& log) {
    std::string text;
    for (const std::string& line : log) text += line + "\n";
    return text;
  }

  // One run of the game in a child process, as the game is a process of its own (the host reads its
  // input script once a process), with the script, the entry's screens and the stand-in's Direct3D
  // profile given; `run` plays it there and returns the exit status. -1 when the child did not exit.
  // A run still going after `timeLimitSeconds` is stopped and reported, so a game that never ends
  // fails with its own message well before the suite's timeout; the child also ends with the test.
  template <class Run>
  int RunInChild(const std::string& script, EntryScreens screens, char direct3DProfile, Run run,
                 unsigned timeLimitSeconds = 240) {
    std::ofstream(folder_ + "/input.txt") << script;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      alarm(timeLimitSeconds);
      setenv("ZELVO_INPUT_SCRIPT", (folder_ + "/input.txt").c_str(), 1);
      g_entryScreens = screens;
      pf::testing::SetDirect3DProfile(direct3DProfile);
      const int result = run();
      std::fflush(nullptr);
      _exit(result & 0xFF);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) {
      ADD_FAILURE() << "the game run was stopped: it had not ended after its time limit of " << timeLimitSeconds
                    << " s";
    }
    if (!WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }
};

}  // namespace horundel
