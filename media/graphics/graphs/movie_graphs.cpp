// Movie graphs: a movie file loaded as a graph of its size, and every movie kept in step with the
// window (paused in the background) and with the display (released and opened again around a
// rebuild, at the time it had reached).
#include <cstdio>

#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/movie_table.h"

namespace zelvo {

int LoadMovieGraph(const char* path, int notTexture) {
  const int depthOption = g_draw.colorBitDepthOption;
  const int systemMemoryOption = g_draw.systemMemoryOption;
  const int use3DInEffect = Is3DDrawingInEffect();
  int width = 0, height = 0;
  const int movie = OpenMovieToGraph(path, &width, &height, kMovieRgb32);
  if (movie < 0) {
    char text[512];
    std::snprintf(text, sizeof text, "右記のグラフィックファイルのロードに失敗しました：%s \n", path);
    return WriteLogText(text);
  }
  g_draw.colorBitDepthOption = GetRequestedScreenDepth();
  g_draw.systemMemoryOption = 1;
  const int graph = CreateGraph(width, height, notTexture == 0, 0, 0);
  g_draw.colorBitDepthOption = depthOption;
  g_draw.systemMemoryOption = systemMemoryOption;
  g_draw.use3D = use3DInEffect;
  GraphRecord* record = graph >= 0 ? GetGraphRecord(graph) : nullptr;
  if (record == nullptr) {
    char text[512];
    std::snprintf(text, sizeof text, "右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s", path);
    WriteLogText(text);
    // No graph holds the movie: it goes now, its temporary file with it.
    CloseMovieHandle(movie);
    return -1;
  }
  record->movie = movie;
  return graph;
}

void ResumeAllMovies() {
  for (MovieRecord* movie : g_movies.slots) {
    if (movie == nullptr || movie->stream == nullptr || movie->playing) continue;
    if (pf::SetStreamState(movie->stream, pf::STREAMSTATE_RUN) == pf::MS_OK) movie->playing = 1;
  }
}

void PauseAllMovies() {
  for (MovieRecord* movie : g_movies.slots) {
    if (movie == nullptr || movie->stream == nullptr || !movie->playing) continue;
    pf::SetStreamState(movie->stream, pf::STREAMSTATE_STOP);
    movie->playing = 0;
  }
}

void ReleaseAllMovieObjects() {
  for (MovieRecord* movie : g_movies.slots) {
    if (movie == nullptr || movie->stream == nullptr) continue;
    pf::GetStreamTime(movie->stream, &movie->rememberedTime);
    movie->playingBeforeRelease = movie->playing;
    ReleaseMovieObjects(movie);
  }
}

int ReopenAllMovies() {
  int result = 0;
  for (MovieRecord* movie : g_movies.slots) {
    if (movie == nullptr || movie->stream != nullptr) continue;
    if (OpenMovieStreams(movie, movie->path, nullptr, nullptr, movie->requestedKind) != 0) {
      result = -1;
      continue;
    }
    pf::SeekStream(movie->stream, movie->rememberedTime);
    if (movie->playingBeforeRelease && pf::SetStreamState(movie->stream, pf::STREAMSTATE_RUN) == pf::MS_OK) {
      movie->playing = 1;
    }
  }
  return result;
}

}  // namespace zelvo
