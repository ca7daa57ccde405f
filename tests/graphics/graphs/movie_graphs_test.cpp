// Movie files loaded as graphs: frames follow the movie's clock as the graph is drawn, pausing holds
// the frame, a display rebuild keeps the time, the sound plays with the movie, and no temporary
// copy outlives its movie.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/core/subsystem_hooks.h"
#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/movie_table.h"
#include "platform/media/media_testing.h"
#include "platform/testing.h"
#include "support/avi_writer.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

constexpr int kFps = 10;
constexpr int kFrames = 12;

// A frame's colour survives JPEG and the 16-bit screen within this much a channel.
bool Near(std::uint32_t a, std::uint32_t b) {
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d < -14 || d > 14) return false;
  }
  return true;
}

// The frame whose colour the pixel shows, or -1.
int FrameShown(std::uint32_t pixel) {
  for (int n = 0; n < kFrames; ++n) {
    if (Near(pixel & 0xFFFFFF, MovieFrameColor(n))) return n;
  }
  return -1;
}

enum class DrawKind { kPlain, kStretched, kRotated };

class MovieGraphs : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    AviLayout layout;
    layout.framesPerSecond = kFps;
    layout.frameCount = kFrames;
    ASSERT_TRUE(WriteAvi(folder_ + "/clip.avi", layout));
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
  }
  void TearDown() override {
    if (started_) {
      EXPECT_EQ(ShutDownLibrary(), 0);
    }
    EXPECT_EQ(pf::testing::OpenMediaStreamCount(), 0);
    LibraryTest::TearDown();
  }

  // Draws the graph, presents, and returns the frame the screen shows.
  int DrawAndRead(int graph, DrawKind kind = DrawKind::kPlain) {
    if (kind == DrawKind::kPlain) {
      EXPECT_EQ(BlitGraph(0, 0, graph, 0), 0);
    } else if (kind == DrawKind::kRotated) {
      EXPECT_EQ(BlitGraphRotated(32, 24, 1.0, 0.0, graph, 0, 0), 0);
    } else {
      zelvo::LibraryLockGuard lock;
      EXPECT_EQ(zelvo::BlitGraphStretched(0, 0, 128, 96, graph, 0), 0);
    }
    EXPECT_EQ(PresentBackBuffer(), 0);
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    pf::testing::LastPresentedFrame(&pixels, &width, &height);
    return pixels.empty() ? -1 : FrameShown(pixels[static_cast<std::size_t>(10) * width + 10]);
  }

  static zelvo::MovieRecord* MovieOf(int graph) {
    return zelvo::GetMovieRecord(zelvo::GetGraphRecord(graph)->movie);
  }
  // The movie's own time in frames, as its clock reads now.
  static double MovieFrames(int graph) {
    pf::StreamTime time = 0;
    pf::GetStreamTime(MovieOf(graph)->stream, &time);
    return static_cast<double>(time) * kFps / 1e7;
  }

  // Draws at 60 frames a second until the movie's clock reaches `frames`.
  int PlayUntil(int graph, double frames) {
    zelvo::LibraryLockGuard lock;
    int shown = -1;
    while (MovieFrames(graph) < frames) {
      pf::AdvanceVirtualClock(16);
      shown = DrawAndRead(graph);
    }
    return shown;
  }

  bool started_ = true;
};

class MovieTiming : public MovieGraphs, public ::testing::WithParamInterface<DrawKind> {};

TEST_P(MovieTiming, EachFrameAppearsAtItsTimeWithinOneFrame) {
  // Held throughout, the lock keeps the message thread from moving the virtual clock on between draws.
  zelvo::LibraryLockGuard lock;
  const int graph = LoadGraphFile("clip.avi", 0);
  ASSERT_GE(graph, 0);
  EXPECT_EQ(zelvo::GetGraphRecord(graph)->width, 64);
  EXPECT_EQ(zelvo::GetGraphRecord(graph)->height, 48);
  std::vector<bool> seen(kFrames, false);
  int last = 0;
  while (MovieFrames(graph) < kFrames + 1) {
    pf::AdvanceVirtualClock(16);
    const double due = MovieFrames(graph);
    const int shown = DrawAndRead(graph, GetParam());
    if (shown < 0) continue;   // nothing taken yet: the first draw only asks for frame 0
    seen[shown] = true;
    // The draw runs a moment after the clock was read: the frame due then may already show.
    const int expected = std::min(static_cast<int>(due + 0.1), kFrames - 1);
    EXPECT_TRUE(shown == expected || shown == expected - 1) << "at " << due << " frames: frame " << shown;
    EXPECT_GE(shown, last);
    last = shown;
  }
  for (int n = 0; n < kFrames; ++n) EXPECT_TRUE(seen[n]) << "frame " << n << " never shown";
  // Past the end the last frame stays and the movie stops playing.
  EXPECT_EQ(DrawAndRead(graph, GetParam()), kFrames - 1);
  EXPECT_EQ(MovieOf(graph)->playing, 0);
}

std::string DrawName(const ::testing::TestParamInfo<DrawKind>& info) {
  switch (info.param) {
    case DrawKind::kPlain: return "Plain";
    case DrawKind::kStretched: return "Stretched";
    case DrawKind::kRotated: return "Rotated";
  }
  return "";
}

INSTANTIATE_TEST_SUITE_P(Draws, MovieTiming,
                         ::testing::Values(DrawKind::kPlain, DrawKind::kStretched, DrawKind::kRotated), DrawName);

// Drawn with DirectDraw alone, a movie plays in a 2D graph (held in system memory), its frames
// copied in as they come.
class MovieGraphsWithoutDirect3D : public MovieGraphs {
 protected:
  void SetUp() override {
    zelvo::SetDirect3DOffFlag(1);
    MovieGraphs::SetUp();
  }
  void TearDown() override {
    MovieGraphs::TearDown();
    zelvo::SetDirect3DOffFlag(0);
  }
};

TEST_F(MovieGraphsWithoutDirect3D, FramesReachA2DSurfaceGraph) {
  zelvo::LibraryLockGuard lock;
  const int graph = LoadGraphFile("clip.avi", 0);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(zelvo::GetGraphRecord(graph)->flags.isTexture, 0);
  const int shown = PlayUntil(graph, 3.5);
  EXPECT_GE(shown, 2);
  EXPECT_GT(PlayUntil(graph, 8.5), shown);
}

TEST_F(MovieGraphs, PauseHoldsTheFrameAndResumeGoesOnFromIt) {
  zelvo::LibraryLockGuard lock;
  const int graph = LoadGraphFile("clip.avi", 0);
  ASSERT_GE(graph, 0);
  const int before = PlayUntil(graph, 3.5);
  ASSERT_GE(before, 2);
  zelvo::CallSubsystem(zelvo::kSubsystemMovies, &zelvo::SubsystemHooks::suspend);
  const double pausedAt = MovieFrames(graph);
  for (int i = 0; i < 60; ++i) {
    pf::AdvanceVirtualClock(16);
    EXPECT_EQ(DrawAndRead(graph), before);
  }
  EXPECT_DOUBLE_EQ(MovieFrames(graph), pausedAt);
  zelvo::CallSubsystem(zelvo::kSubsystemMovies, &zelvo::SubsystemHooks::resume);
  // A second in the background did not count: the movie goes on from where it stopped.
  EXPECT_LT(MovieFrames(graph), pausedAt + 0.1);
  const int after = PlayUntil(graph, 4.5);
  EXPECT_TRUE(after == 3 || after == 4) << after;
}

TEST_F(MovieGraphs, DisplayRebuildKeepsTheMoviesTime) {
  zelvo::LibraryLockGuard lock;
  const int graph = LoadGraphFile("clip.avi", 0);
  ASSERT_GE(graph, 0);
  const int before = PlayUntil(graph, 5.5);
  ASSERT_GE(before, 4);
  // The window procedure's order on a display change.
  zelvo::CallSubsystem(zelvo::kSubsystemMovies, &zelvo::SubsystemHooks::releaseObjects);
  EXPECT_EQ(MovieOf(graph)->stream, nullptr);
  zelvo::CallSubsystem(zelvo::kSubsystemDisplay, &zelvo::SubsystemHooks::rebuildDisplay);
  zelvo::CallSubsystem(zelvo::kSubsystemMovies, &zelvo::SubsystemHooks::resume);
  ASSERT_NE(MovieOf(graph)->stream, nullptr);
  // The rebuild itself takes a moment of the clock, no more.
  EXPECT_GE(MovieFrames(graph), 5.5);
  EXPECT_LT(MovieFrames(graph), 6.0);
  int shown = -1;
  for (int i = 0; i < 3 && shown < 0; ++i) {
    pf::AdvanceVirtualClock(16);
    shown = DrawAndRead(graph);
  }
  EXPECT_TRUE(shown == 5 || shown == 6) << shown;
  EXPECT_GE(PlayUntil(graph, 8.5), 7);
}

// The temporary copies of archived movies, found by their content.
std::vector<std::string> TempCopiesOf(const Bytes& content) {
  std::vector<std::string> copies;
  pf::FindData found{};
  char folder[pf::kMaxPath];
  pf::GetTempPath(sizeof folder, folder);
  const pf::Handle search = pf::FindFirstFile((std::string(folder) + "tmp*").c_str(), &found);
  if (search == pf::kInvalidHandle) return copies;
  do {
    if ((found.attributes & pf::kAttributeDirectory) != 0) continue;
    const std::string path = std::string(folder) + found.name;
    if (ReadFileBytes(pf::MapPathToHost(path.c_str())) == content) copies.push_back(path);
  } while (pf::FindNextFile(search, &found));
  pf::FindClose(search);
  return copies;
}

TEST_F(MovieGraphs, ArchivedMoviePlaysFromATemporaryCopyThatGoesWithIt) {
  const Bytes movie = ReadFileBytes(folder_ + "/clip.avi");
  WriteFileBytes(folder_ + "/MOVIES.ZVA", BuildZva({ZvaItem{"CLIP.AVI", movie}}, ZvaOptions{}));
  ASSERT_EQ(std::remove((folder_ + "/clip.avi").c_str()), 0);
  std::string secondCopy;
  {
    zelvo::LibraryLockGuard lock;
    const int graph = LoadGraphFile("movies\\clip.avi", 0);
    ASSERT_GE(graph, 0);
    const zelvo::MovieRecord* record = MovieOf(graph);
    ASSERT_EQ(record->usesTempFile, 1);
    const std::string copy = record->path;
    EXPECT_EQ(ReadFileBytes(pf::MapPathToHost(copy.c_str())), movie);
    PlayUntil(graph, 2.5);
    EXPECT_GE(DrawAndRead(graph), 1);
    EXPECT_EQ(ReleaseGraph(graph, 0), 0);
    EXPECT_EQ(pf::GetFileAttributes(copy.c_str()), pf::kInvalidFileAttributes);

    // Shut-down closes a movie graph still loaded, and its copy with it.
    const int second = LoadGraphFile("movies\\clip.avi", 0);
    ASSERT_GE(second, 0);
    secondCopy = MovieOf(second)->path;
  }
  EXPECT_EQ(ShutDownLibrary(), 0);
  started_ = false;
  EXPECT_EQ(pf::GetFileAttributes(secondCopy.c_str()), pf::kInvalidFileAttributes);
}

struct BadMovie {
  const char* name;
  Bytes (*content)(const Bytes& movie);
};

// Each file is unique to this process, so its temporary copies are told apart from other tests'.
Bytes Tagged(Bytes bytes) {
  const std::string tag = "zelvo-movie-test-" + std::to_string(getpid());
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  return bytes;
}

const BadMovie kBadMovies[] = {
    {"noise.avi", [](const Bytes&) { return Tagged(Bytes(4096, 0x5A)); }},
    // A picture no picture decoder takes and no movie container either.
    {"header.avi", [](const Bytes& movie) {
       Bytes damaged = movie;
       for (std::size_t i = 0; i < 256 && i < damaged.size(); ++i) damaged[i] = 0;
       return Tagged(damaged);
     }},
    // A sound file: a container movies do not accept.
    {"sound.avi", [](const Bytes&) {
       Bytes wave = {'R', 'I', 'F', 'F', 36 + 8, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                     1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0,
                     'd', 'a', 't', 'a', 8, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0};
       return Tagged(wave);
     }},
};

TEST_F(MovieGraphs, DamagedOrUnsupportedFilesFailWithTheirLogLinesAndLeaveNoCopy) {
  const Bytes movie = ReadFileBytes(folder_ + "/clip.avi");
  for (const BadMovie& bad : kBadMovies) {
    SCOPED_TRACE(bad.name);
    const Bytes content = bad.content(movie);
    WriteFileBytes(folder_ + "/" + bad.name, content);
    EXPECT_EQ(LoadGraphFile(bad.name, 0), -1);
    EXPECT_TRUE(TempCopiesOf(content).empty());
    const std::string log = ReadLog();
    EXPECT_TRUE(InOrder(log, {(std::string("ファイル:") + bad.name + " が開けませんでした").c_str(),
                              "ムービーファイルオープン処理時にエラーが発生しました",
                              (std::string("右記のグラフィックファイルのロードに失敗しました：") + bad.name).c_str()}));
  }
  pf::testing::FailNextCalls("AddPrimaryAudioStream", 1);
  EXPECT_EQ(LoadGraphFile("clip.avi", 0), -1);
  EXPECT_TRUE(InOrder(ReadLog(), {"デフォルトサウンドレンダラを追加できませんでした！", "ムービーファイルオープン処理時にエラーが発生しました"}));
  // A failure after the copy was made (no sample surface) deletes the copy as well.
  const Bytes tagged = Tagged(movie);
  WriteFileBytes(folder_ + "/MOVIES.ZVA", BuildZva({ZvaItem{"CLIP.AVI", tagged}}, ZvaOptions{}));
  pf::testing::FailNextCalls("CreateStreamSample", 2);
  EXPECT_EQ(LoadGraphFile("movies\\clip.avi", 0), -1);
  EXPECT_TRUE(InOrder(ReadLog(), {"ストリームサンプルを作成できませんでした！", "ムービーファイルオープン処理時にエラーが発生しました"}));
  EXPECT_TRUE(TempCopiesOf(tagged).empty());
  EXPECT_EQ(zelvo::g_movies.count, 0);
}

TEST_F(MovieGraphs, SoundPlaysWithTheMovieAndStopsWithItsPauseAndRelease) {
  // The library again, its sound mixed only when the test renders.
  ShutDownLibrary();
  pf::testing::SetSoundOutput("headless");
  pf::testing::SetManualSoundClock(true);
  pf::testing::RecordMixedSound(true);
  ASSERT_EQ(StartUpLibrary(), 0);
  AviLayout layout;
  layout.framesPerSecond = kFps;
  layout.frameCount = kFrames;
  layout.soundRate = 22050;
  ASSERT_TRUE(WriteAvi(folder_ + "/voiced.avi", layout));
  const auto peak = [](int frames) {
    pf::testing::TakeMixedSound();
    pf::testing::RenderSound(frames);
    int most = 0;
    for (std::int16_t s : pf::testing::TakeMixedSound()) most = std::max(most, std::abs(static_cast<int>(s)));
    return most;
  };
  {
    zelvo::LibraryLockGuard lock;
    const int graph = LoadGraphFile("voiced.avi", 0);
    ASSERT_GE(graph, 0);
    EXPECT_GT(peak(4410), 15000);
    zelvo::CallSubsystem(zelvo::kSubsystemMovies, &zelvo::SubsystemHooks::suspend);
    EXPECT_EQ(peak(4410), 0);
    zelvo::CallSubsystem(zelvo::kSubsystemMovies, &zelvo::SubsystemHooks::resume);
    EXPECT_GT(peak(4410), 15000);
    EXPECT_EQ(ReleaseGraph(graph, 0), 0);
    EXPECT_EQ(peak(4410), 0);
  }
  started_ = false;
  EXPECT_EQ(ShutDownLibrary(), 0);
  pf::testing::RecordMixedSound(false);
  pf::testing::SetManualSoundClock(false);
  pf::testing::SetSoundOutput(nullptr);
}

TEST_F(MovieGraphs, TableHoldsAHundredMoviesAndClosingAGraphWithoutOneSucceeds) {
  std::vector<int> graphs;
  for (int i = 0; i < zelvo::kMovieSlots; ++i) {
    const int graph = LoadGraphFile("clip.avi", 0);
    ASSERT_GE(graph, 0) << i;
    graphs.push_back(graph);
  }
  EXPECT_EQ(LoadGraphFile("clip.avi", 0), -1);
  {
    zelvo::LibraryLockGuard lock;
    const int blank = zelvo::CreateBlankGraph(8, 8, 1);
    EXPECT_EQ(zelvo::CloseMovie(blank), 0);
    EXPECT_EQ(zelvo::CloseMovie(-1), -1);
    // A graph whose movie was closed already holds a stale movie handle.
    EXPECT_EQ(zelvo::CloseMovie(graphs[0]), 0);
    EXPECT_EQ(zelvo::CloseMovie(graphs[0]), -1);
    EXPECT_EQ(zelvo::AdvanceMovieFrame(graphs[0], 0), -1);
  }
  EXPECT_EQ(ReleaseGraph(graphs[1], 0), 0);
  EXPECT_GE(LoadGraphFile("clip.avi", 0), 0);
}

TEST_F(MovieGraphs, HalfWidthOptionHalvesTheReportedWidth) {
  AviLayout wide;
  wide.width = 320;
  wide.height = 16;
  wide.frameCount = 2;
  ASSERT_TRUE(WriteAvi(folder_ + "/wide.avi", wide));
  zelvo::LibraryLockGuard lock;
  zelvo::g_movies.halfWidthOption = 1;
  int width = 0, height = 0;
  const int movie = zelvo::OpenMovieToGraph("wide.avi", &width, &height, zelvo::kMovieRgb32);
  ASSERT_GE(movie, 0);
  EXPECT_EQ(width, 160);
  EXPECT_EQ(height, 16);
  EXPECT_EQ(zelvo::GetMovieRecord(movie)->width, 320);
  EXPECT_EQ(zelvo::CloseMovieHandle(movie), 0);
  EXPECT_EQ(zelvo::GetMovieRecord(movie), nullptr);
  zelvo::g_movies.halfWidthOption = 0;
}

}  // namespace
}  // namespace zelvo_test
