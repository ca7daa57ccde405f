// Frame advance before a movie graph is drawn. Updates are asynchronous: a draw asks for the next
// frame and a later draw takes it once the stream's clock has reached it, so drawing never waits
// for the movie and a slow caller skips frames instead of falling behind.
#include <cstring>

#include "media/display/present.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/graphics/graphs/surface2d.h"

namespace zelvo {
namespace {

// At most one frame per presented screen, or per this many milliseconds when nothing is presented.
constexpr std::int64_t kMinUpdateMilliseconds = 18;

void TakeFrame(MovieRecord* movie, GraphRecord* graph) {
  const std::uint8_t* pixels = nullptr;
  int pitch = 0;
  if (pf::LockSampleSurface(movie->sample, &pixels, &pitch) == pf::MS_OK) {
    const int rowBytes = movie->width * movie->frame.format.BytesPerPixel;
    auto* target = static_cast<std::uint8_t*>(movie->frame.pixels);
    for (int y = 0; y < movie->height; ++y) {
      std::memcpy(target + static_cast<std::ptrdiff_t>(y) * movie->frame.pitch,
                  pixels + static_cast<std::ptrdiff_t>(y) * pitch, static_cast<std::size_t>(rowBytes));
    }
    pf::UnlockSampleSurface(movie->sample);
  }
  if (graph->flags.isTexture) {
    TransferImageToGraph(&movie->frame, nullptr, 0, 0, graph);
  } else {
    TransferMovieFrame(movie, graph);
  }
  movie->lastFlipCount = static_cast<std::int64_t>(GetFlipCounter());
  movie->lastUpdateTime = pf::timeGetTime();
  pf::ResetEvent(movie->updateEvent);
  movie->updatePending = 0;
}

bool TooSoon(const MovieRecord* movie) {
  if (movie->lastFlipCount != static_cast<std::int64_t>(GetFlipCounter())) return false;
  return static_cast<std::int64_t>(pf::timeGetTime()) - movie->lastUpdateTime < kMinUpdateMilliseconds;
}

}  // namespace

int AdvanceMovieFrame(int graph, int force) {
  GraphRecord* graphRecord = GetGraphRecord(graph);
  if (graphRecord == nullptr) return -1;
  if (graphRecord->movie < 0) return 0;
  MovieRecord* movie = GetMovieRecord(graphRecord->movie);
  if (movie == nullptr) return -1;
  if (movie->stream == nullptr || movie->sample == nullptr) return 0;
  int state = pf::STREAMSTATE_STOP;
  pf::GetStreamState(movie->stream, &state);
  if (!force && (!movie->playing || state != pf::STREAMSTATE_RUN || TooSoon(movie))) return 0;

  int taken = 0;
  for (;;) {
    if (movie->updatePending && !force) {
      const pf::MediaResult status = pf::CompletionStatus(movie->sample);
      if (pf::WaitForSingleObject(movie->updateEvent, 0) != pf::kWaitObject0) return 0;
      if (status != pf::MS_OK) {
        // The stream ended before the frame: the last frame stays.
        movie->updatePending = 0;
        movie->playing = 0;
        pf::ResetEvent(movie->updateEvent);
        return 0;
      }
    } else {
      const pf::MediaResult result =
          pf::UpdateSample(movie->sample, force ? 0 : pf::SSUPDATE_ASYNC, movie->updateEvent);
      if (result == pf::MS_S_PENDING) {
        movie->updatePending = 1;
        return 0;
      }
      if (result != pf::MS_OK) {
        movie->playing = 0;
        return 0;
      }
    }
    TakeFrame(movie, graphRecord);
    // Once a frame is taken the next one is asked for at once, so it can be ready by the next draw.
    if (force || ++taken > 1) return 0;
  }
}

}  // namespace zelvo
