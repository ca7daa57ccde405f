// The built game started as a player starts it, on the faults a player's machine and data folder
// bring: a second copy, no display, a data folder without the game's files, damaged or left-over
// save files, a key tapped between two frames, sound without a sound card, and input scripts named
// from where the program was started.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/shell/program_entry.h"
#include "dumped_frame.h"
#include "platform/window/window.h"
#include "program_entry_fixture.h"

namespace horundel {
namespace {

class BuiltGame : public ProgramEntryTest {
 protected:
  void SetUp() override {
    ProgramEntryTest::SetUp();
    // A runtime folder of the test's own: the game's single-instance lock lives there, so parallel
    // tests never meet it.
    runtime_ = folder_ + "/runtime";
    std::filesystem::create_directories(runtime_);
    chmod(runtime_.c_str(), 0700);
  }

  std::vector<std::string> Environment(const std::vector<std::string>& more = {}) const {
    std::vector<std::string> environment = {"XDG_RUNTIME_DIR=" + runtime_, "ZELVO_HOST=headless",
                                            "ZELVO_VIRTUAL_CLOCK=1", "ZELVO_AUDIO=headless", "ZELVO_AUDIO_CAPTURE",
                                            "ZELVO_INPUT_SCRIPT=" + folder_ + "/input.txt"};
    environment.insert(environment.end(), more.begin(), more.end());
    return environment;
  }

  void Script(const std::string& text) const { std::ofstream(folder_ + "/input.txt") << text; }

  bool Exists(const std::string& name) const { return std::filesystem::exists(folder_ + "/" + name); }

  // The seconds of sound a capture file holds.
  double CapturedSeconds(const std::string& name) const {
    const std::string bytes = ReadFile(name);
    if (bytes.size() < 44) return -1;
    auto word = [&](std::size_t at) {
      std::uint32_t value = 0;
      for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
      return value;
    };
    return static_cast<double>(word(40) / 4) / static_cast<double>(word(24));
  }

  std::string runtime_;
};

TEST_F(BuiltGame, ASecondCopySaysItIsAlreadyRunningAndWritesNothing) {
  setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  ASSERT_EQ(pf::AcquireInstanceLock(kWindowTitle), 1) << "the first copy's lock";
  Script("3 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment());
  pf::ReleaseInstanceLock();
  EXPECT_EQ(run.status, 255);
  EXPECT_NE(run.errors.find("already running"), std::string::npos) << run.errors;
  EXPECT_TRUE(std::filesystem::is_empty(folder_ + "/save"));
}

TEST_F(BuiltGame, WithoutADisplayTheGameSaysSoUnlessHeadlessIsAsked) {
  Script("3 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment({"ZELVO_HOST", "DISPLAY", "WAYLAND_DISPLAY"}));
  EXPECT_EQ(run.status, 255);
  EXPECT_NE(run.errors.find("no display"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("ZELVO_HOST=headless"), std::string::npos) << run.errors;
}

// Every file the game cannot be played without is named, and the folder is left as it was.
TEST_F(BuiltGame, ADataFolderWithoutTheGamesFilesIsNamedAndRefused) {
  struct Case {
    const char* what;
    std::vector<const char*> removed;   // under the folder; "" empties mot/mot_tank.dat instead
    std::vector<const char*> named;
  };
  const Case cases[] = {
      {"no map folder", {"map"}, {"map\\easy\\c0000.dat", "map\\hard\\c0100.dat"}},
      {"no training text", {"text/battle0000.dat"}, {"text\\battle0000.dat"}},
      {"an empty motion table", {""}, {"mot\\mot_tank.dat"}},
      {"nothing at all", {"map", "mot", "text"}, {"mot\\mot_mychr.dat", "map\\easy\\c0000.dat", "text\\advice00.dat"}},
  };
  Script("3 close\n");
  for (const Case& c : cases) {
    WriteRequiredGameFiles();
    for (const char* removed : c.removed) {
      if (*removed == '\0') {
        std::ofstream(folder_ + "/mot/mot_tank.dat", std::ios::trunc);
      } else {
        std::filesystem::remove_all(folder_ + "/" + removed);
      }
    }
    const GameRun run = RunBuiltGame(folder_, Environment());
    EXPECT_EQ(run.status, kMissingGameFiles) << c.what << "\n" << run.errors;
    for (const char* name : c.named) EXPECT_NE(run.errors.find(name), std::string::npos) << c.what << ": " << name;
    EXPECT_FALSE(Exists("save/saveconfig.dat")) << c.what;
  }
}

// Pictures and sounds the game can go without are named on stderr, one line each however often the
// game asks for them (the title and the load screen both load the tiled background), and the game
// runs on without them.
TEST_F(BuiltGame, MissingPicturesAndSoundsAreNamedOnceAndTolerated) {
  Script("220 key Down down\n222 key Down up\n230 key Return down\n232 key Return up\n280 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment());
  EXPECT_EQ(run.status, 0) << run.errors;
  auto times = [&](const std::string& text) {
    int count = 0;
    for (std::size_t at = run.errors.find(text); at != std::string::npos; at = run.errors.find(text, at + 1)) ++count;
    return count;
  };
  for (const char* name : {"bmp\\system\\hpbar.bmp", "wav\\sound_cursor1.wav", "bmp\\system\\quorvane.bmp",
                           "bmp\\system\\titleback.bmp", "bmp\\system\\sback.bmp"}) {
    EXPECT_EQ(times(std::string(name) + " cannot be loaded"), 1) << name << "\n" << run.errors;
  }
  // The game's lines (a sanitizer may add its own) are each said once.
  std::set<std::string> said;
  std::istringstream lines(run.errors);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("horundel: ", 0) == 0) {
      EXPECT_TRUE(said.insert(line).second) << "said again: " << line;
    }
  }
  EXPECT_GT(said.size(), 20u);
  EXPECT_TRUE(Exists("save/saveconfig.dat"));
}

// Without a sound device no sound loads, though the files are there: one line says so, in place of
// a line for each sound, and a sound file that is not there is still named.
TEST_F(BuiltGame, WithoutASoundDeviceOneLineSaysSoAndOnlyMissingSoundsAreNamed) {
  std::filesystem::copy(std::string(ZELVO_GAMEDATA_DIR) + "/loose/wav", folder_ + "/wav");
  std::filesystem::remove(folder_ + "/wav/sound_jump.wav");
  Script("3 close\n");
  struct Case {
    const char* device;
    int noSoundLines;
  };
  for (const Case& c : {Case{"ZELVO_AUDIO=none", 1}, Case{"ZELVO_AUDIO=headless", 0}}) {
    const GameRun run = RunBuiltGame(folder_, Environment({c.device}));
    EXPECT_EQ(run.status, 0) << c.device << "\n" << run.errors;
    auto times = [&](const std::string& text) {
      int count = 0;
      for (std::size_t at = run.errors.find(text); at != std::string::npos; at = run.errors.find(text, at + 1)) ++count;
      return count;
    };
    EXPECT_EQ(times("no sound device"), c.noSoundLines) << c.device << "\n" << run.errors;
    EXPECT_EQ(times(".wav cannot be loaded"), 1) << c.device << "\n" << run.errors;
    EXPECT_EQ(times("wav\\sound_jump.wav cannot be loaded"), 1) << c.device;
  }
}

TEST_F(BuiltGame, ADamagedConfigurationIsKeptAsideAndTheDefaultsWritten) {
  const std::string damaged = "1\r\n100\r\n7\r\n";
  std::ofstream(folder_ + "/save/saveconfig.dat", std::ios::binary) << damaged;
  Script("3 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment());
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.errors.find("saveconfig.dat is damaged"), std::string::npos) << run.errors;
  EXPECT_EQ(ReadFile("save/saveconfig.dat.bad"), damaged);
  const std::vector<std::string> lines = ReadLines("save/saveconfig.dat");
  ASSERT_EQ(lines.size(), 68u);
  EXPECT_EQ(lines[1], "60") << "the default music volume";
}

// A new game's slot file with the money given, saved on 2026-12-09 with mission 2 shown, on easy.
std::string SlotForBuiltGame(const std::string& money) {
  std::string slot = "2026,12,9,10,5\r\n2\r\n1\r\n" + money + "\r\n2\r\n0\r\n2\r\n0\r\n0\r\n";
  for (int w = 1; w <= 6; ++w) slot += "1\r\n";
  for (int i = 0; i < 16 + 8; ++i) slot += "0\r\n";
  for (int m = 0; m < 5; ++m) slot += "0,72000,0,0\r\n";
  return slot;
}

// Slots cut short, of garbage, with a value out of its range, empty or far too large to be a slot
// cannot be loaded: confirming on them brings no "loaded" window, as confirming on a whole slot
// does, and the list walks on past them.
TEST_F(BuiltGame, DamagedSlotsCannotBeLoaded) {
  const std::string whole = SlotForBuiltGame("1500");
  const std::string slots[] = {whole.substr(0, whole.size() - 5), std::string("\x89\0garbage\xff\r\n", 12),
                               SlotForBuiltGame("-100"), ""};
  for (int slot = 0; slot < 4; ++slot) {
    std::ofstream(folder_ + "/save/save0" + std::to_string(slot) + ".dat", std::ios::binary) << slots[slot];
  }
  std::filesystem::resize_file(folder_ + "/save/save03.dat", 50 << 20);
  std::ofstream(folder_ + "/save/save04.dat", std::ios::binary) << whole;
  std::filesystem::create_directories(folder_ + "/frames");
  // The window pieces, so that the window a load brings shows.
  std::filesystem::create_directories(folder_ + "/bmp");
  std::filesystem::copy(std::string(ZELVO_GAMEDATA_DIR) + "/loose/bmp/system", folder_ + "/bmp/system");
  // LOAD GAME from the title; then confirm on each slot from the first, stepping down between.
  std::string script = "220 key Down down\n222 key Down up\n230 key Return down\n232 key Return up\n";
  for (int slot = 0; slot < 5; ++slot) {
    const int at = 280 + 20 * slot;
    script += std::to_string(at) + " key Return down\n" + std::to_string(at + 2) + " key Return up\n";
    script += std::to_string(at + 10) + " key Down down\n" + std::to_string(at + 12) + " key Down up\n";
  }
  Script(script + "390 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment({"ZELVO_FRAME_DUMP=" + folder_ + "/frames"}));
  EXPECT_EQ(run.status, 0) << run.errors;
  for (int slot = 0; slot < 5; ++slot) {
    const DumpedFrame frame = ReadDumpedFrame(folder_ + "/frames", 280 + 20 * slot + 8);
    ASSERT_TRUE(frame.Loaded()) << slot;
    // The top line of the window that says the slot was loaded.
    const int loadedWindow = frame.Count(200, 138, 420, 141, kDumpedFrameBlue, 8);
    if (slot < 4) {
      EXPECT_EQ(loadedWindow, 0) << "slot " << slot + 1 << " was loaded";
    } else {
      EXPECT_GT(loadedWindow, 0) << "the whole slot was not loaded";
    }
  }
}

// What a process killed during a save left behind is removed at the next start; a replacement of
// a process still running, and files of other shapes, stay.
TEST_F(BuiltGame, ReplacementsLeftByAKilledSaveAreRemovedAtStart) {
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const std::string dead = std::to_string(gone);
  const std::string alive = std::to_string(getpid());
  const std::vector<std::string> stale = {".save00.dat." + dead + "-0.new", ".saveconfig.dat." + dead + "-12.new"};
  const std::vector<std::string> kept = {".save01.dat." + alive + "-0.new", ".notes.new", "save02.dat." + dead + "-0.new"};
  for (const std::string& name : stale) std::ofstream(folder_ + "/save/" + name) << "half a save";
  for (const std::string& name : kept) std::ofstream(folder_ + "/save/" + name) << "kept";
  Script("3 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment());
  EXPECT_EQ(run.status, 0) << run.errors;
  for (const std::string& name : stale) EXPECT_FALSE(Exists("save/" + name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(Exists("save/" + name)) << name;
}

// Escape pressed and let go between two frames still ends the game at the next frame; the sound
// captured meanwhile runs with the frames, a refresh each, however far the virtual clock runs.
TEST_F(BuiltGame, AnEscapeTappedBetweenTwoFramesEndsTheGame) {
  Script("200 key Escape down\n200 key Escape up\n600 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment({"ZELVO_AUDIO_CAPTURE=" + folder_ + "/sound.wav"}));
  EXPECT_EQ(run.status, 0) << run.errors;
  const double seconds = CapturedSeconds("sound.wav");
  EXPECT_GT(seconds, 180.0 / 60) << "the capture follows the frames, from the start of the sound";
  EXPECT_LT(seconds, 400.0 / 60) << "the game went on after the tap";
}

TEST_F(BuiltGame, SoundIsCapturedWithoutASoundDevice) {
  Script("120 close\n");
  const GameRun run = RunBuiltGame(folder_, Environment({"ZELVO_AUDIO=sdl", "SDL_AUDIODRIVER=zelvo-no-such-driver",
                                                         "ZELVO_AUDIO_CAPTURE=" + folder_ + "/sound.wav"}));
  EXPECT_EQ(run.status, 0) << run.errors;
  const double seconds = CapturedSeconds("sound.wav");
  EXPECT_GT(seconds, 100.0 / 60);
  EXPECT_LT(seconds, 120.0 / 60 + 3);
}

// A relative script path names a file from where the game was started, not from its data folder.
TEST_F(BuiltGame, ARelativeInputScriptIsFoundFromTheStartFolder) {
  std::filesystem::create_directories(folder_ + "/started-here");
  std::ofstream(folder_ + "/started-here/keys.txt") << "3 close\n";
  const GameRun run = RunBuiltGame(folder_, Environment({"ZELVO_INPUT_SCRIPT=keys.txt"}), folder_ + "/started-here");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST_F(BuiltGame, AnInputScriptThatCannotBeReadIsAnError) {
  const GameRun run = RunBuiltGame(folder_, Environment({"ZELVO_INPUT_SCRIPT=" + folder_ + "/no-such-script.txt"}));
  EXPECT_EQ(run.status, 255);
  EXPECT_NE(run.errors.find("no-such-script.txt cannot be read"), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace horundel
