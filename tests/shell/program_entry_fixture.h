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
    WriteRequiredGameFiles();
    std::snprintf(zelvo::g_windowSettings.className, sizeof zelvo::g_windowSettings.className, "horundel-test-%d",
                  static_cast<int>(getpid()));
    g_entryScreens = RealEntryScreens();
  }

  void TearDown() override {
    g_entryScreens = RealEntryScreens();
    LibraryTest::TearDown();
  }

  // The files the entry checks for at start, taken from the generated data set, so that the entry
  // runs in a folder that holds nothing else.
  void WriteRequiredGameFiles() const {
    for (const char* required : kRequiredGameFiles) {
      std::string name = required;
      for (char& c : name) c = c == '\\' ? '/' : c;
      const std::filesystem::path to = folder_ + "/" + name;
      std::filesystem::create_directories(to.parent_path());
      std::filesystem::copy_file(std::string(ZELVO_GAMEDATA_DIR) + "/loose/" + name, to,
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }

  // One run of the built game as a player starts it: in `workFolder` (the test's own folder when
  // empty) on the data folder given, with the environment changed by `environment` ("NAME=value"
  // sets, "NAME" removes) and its standard error kept. The exit status, or -1 when it did not exit;
  // a run that does not end within two minutes is stopped (status 124).
  struct GameRun {
    int status;
    std::string errors;
  };
  GameRun RunBuiltGame(const std::string& dataFolder, const std::vector<std::string>& environment,
                       const std::string& workFolder = "") const {
    const std::string errorPath = folder_ + "/stderr.txt";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      for (const std::string& change : environment) {
        const std::size_t equals = change.find('=');
        if (equals == std::string::npos) {
          unsetenv(change.c_str());
        } else {
          setenv(change.substr(0, equals).c_str(), change.substr(equals + 1).c_str(), 1);
        }
      }
      if (!workFolder.empty() && chdir(workFolder.c_str()) != 0) _exit(126);
      if (std::freopen(errorPath.c_str(), "w", stderr) == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr) {
        _exit(126);
      }
      execl("/usr/bin/timeout", "timeout", "120", ZELVO_HORUNDEL_PATH, dataFolder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    GameRun run{-1, ""};
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    std::ifstream in(errorPath, std::ios::binary);
    run.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::filesystem::remove(errorPath);
    return run;
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
