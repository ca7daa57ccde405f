// Arbitrary bytes as a movie file, opened as a graph over the media streams and its frames taken as
// the graph would be drawn: whatever the file holds, the open either fails leaving no stream
// behind or gives a graph of a sane size, and deleting the graph closes its stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/started_library.h"
#include "media/core/library_lock.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/movie_table.h"
#include "platform/media/media_testing.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zelvo_fuzz::StartLibraryOnce("movie_stream_fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  std::FILE* file = std::fopen("movie.avi", "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  zelvo::LibraryLockGuard lock;
  const int graph = zelvo::LoadMovieGraph("movie.avi", 1);
  if (graph < 0) {
    Require(pf::testing::OpenMediaStreamCount() == 0);
    return 0;
  }
  const zelvo::GraphRecord* record = zelvo::GetGraphRecord(graph);
  Require(record != nullptr && record->width > 0 && record->height > 0);
  for (int frame = 0; frame < 8; ++frame) Require(zelvo::AdvanceMovieFrame(graph, 1) == 0);
  Require(zelvo::DeleteGraph(graph, 0) == 0);
  Require(pf::testing::OpenMediaStreamCount() == 0);
  return 0;
}
