// The movie table: 100 slots, each new movie in the first empty one.
#include "media/graphics/graphs/movie_table.h"

#include <cstring>

#include "media/core/log.h"
#include "media/graphics/graphs/graph_record.h"

namespace zelvo {

MovieState g_movies;

void ResetMovieState() { std::memset(&g_movies, 0, sizeof g_movies); }

MovieRecord* GetMovieRecord(int movie) {
  if (movie < 0 || HandleTypeOf(movie) != kHandleMovie) return nullptr;
  const int slot = HandleSlotOf(movie);
  if (slot >= kMovieSlots || g_movies.slots[slot] == nullptr) return nullptr;
  MovieRecord* record = g_movies.slots[slot];
  if ((record->check << kHandleCheckShift) != (movie & kHandleCheckMask)) return nullptr;
  return record;
}

int OpenMovieToGraph(const char* path, int* width, int* height, int kind) {
  int slot = 0;
  while (slot < kMovieSlots && g_movies.slots[slot] != nullptr) ++slot;
  if (slot == kMovieSlots) return -1;
  auto* record = static_cast<MovieRecord*>(TrackedAllocZeroed(sizeof(MovieRecord), __FILE__, __LINE__));
  if (record == nullptr) {
    WriteLogText("メモリの確保に失敗しました in OpenMovieToGraph\n");
    return -1;
  }
  g_movies.slots[slot] = record;
  record->halfWidth = g_movies.halfWidthOption;
  record->usesTempFile = 0;
  if (OpenMovieStreams(record, path, width, height, kind) != 0) {
    TrackedFree(record);
    g_movies.slots[slot] = nullptr;
    WriteLogText("ムービーファイルオープン処理時にエラーが発生しました\n");
    return -1;
  }
  record->check = g_movies.checkCounter;
  g_movies.checkCounter = (g_movies.checkCounter + 1) % kCheckNumberLimit;
  ++g_movies.count;
  // A movie plays from the moment it is shown on a graph; nothing else would ever start it.
  if (pf::SetStreamState(record->stream, pf::STREAMSTATE_RUN) == pf::MS_OK) record->playing = 1;
  return MakeHandle(slot, kHandleMovie, record->check);
}

namespace {

void FreeMovie(int slot) {
  MovieRecord* record = g_movies.slots[slot];
  ReleaseMovieObjects(record);
  if (record->usesTempFile) pf::DeleteFile(record->path);
  TrackedFree(record);
  g_movies.slots[slot] = nullptr;
  --g_movies.count;
}

}  // namespace

int CloseMovieHandle(int movie) {
  if (GetMovieRecord(movie) == nullptr) return -1;
  FreeMovie(HandleSlotOf(movie));
  return 0;
}

int CloseMovie(int graph) {
  const GraphRecord* graphRecord = GetGraphRecord(graph);
  if (graphRecord == nullptr) return -1;
  if (graphRecord->movie < 0) return 0;
  return CloseMovieHandle(graphRecord->movie);
}

}  // namespace zelvo
