#pragma once
// Movies (handle type 3): a file's video stream decoded into a sample surface and copied into the
// graph that shows it. A graph holds its movie's handle from the load to its deletion.
#include <cstdint>

#include "media/core/handle_table.h"
#include "media/graphics/graphs/graph_image.h"
#include "platform/kernel/kernel.h"
#include "platform/media/media_stream.h"

namespace zelvo {

// Where a movie's frames go: an overlay, a 32-bit RGB copy, or a copy in the screen's format.
enum MovieSurfaceKind : int {
  kMovieScreenFormat = 0,
  kMovieOverlay = 1,
  kMovieRgb32 = 2,
};

constexpr int kMoviePathSize = 260;

struct MovieRecord {
  std::int32_t check;
  int* lostFlag;
  int left, top, right, bottom;   // the sample's video rectangle
  pf::MediaStream stream;
  pf::StreamSample sample;
  pf::StreamTime timePerFrame;
  // Frame bookkeeping: whether it plays, an asynchronous update under way, and the flip count and
  // millisecond time of the last frame taken (-1 before the first).
  int playing;
  int updatePending;
  std::int64_t lastFlipCount;
  std::int64_t lastUpdateTime;
  std::uint32_t openTime;
  pf::StreamTime stopPosition;
  int sampleInSystemMemory;
  int width, height;
  int halfWidth;
  int kind;
  int requestedKind;              // the kind asked for, for the re-open after a display rebuild
  int usesTempFile;
  char path[kMoviePathSize];      // the file opened: the caller's, or the temporary copy
  pf::Handle updateEvent;
  GraphImage frame;               // the frame taken last, in the sample's pixel format
  // Kept across a display rebuild, while the objects are released.
  pf::StreamTime rememberedTime;
  int playingBeforeRelease;
};

constexpr int kMovieSlots = 100;

struct MovieState {
  MovieRecord* slots[kMovieSlots];
  int count;
  int checkCounter;
  int halfWidthOption;            // movies opened now report half their width
};
extern MovieState g_movies;

void ResetMovieState();

// The movie handle, or -1 after logging.
int OpenMovieToGraph(const char* path, int* width, int* height, int kind);
// Closes the movie a graph shows: 0 (also for a graph without one), -1 for a bad graph or movie handle.
int CloseMovie(int graph);
// The same for a movie handle no graph holds.
int CloseMovieHandle(int movie);
MovieRecord* GetMovieRecord(int movie);
// 0, or -1 after logging; nothing of a failed open remains.
int OpenMovieStreams(MovieRecord* record, const char* path, int* width, int* height, int kind);
// The stream objects go; the record, its path and its temporary file stay.
void ReleaseMovieObjects(MovieRecord* record);

// Before a graph that shows a movie is drawn: takes the frame that is due into the graph. 0; -1 for
// a bad graph or movie handle.
int AdvanceMovieFrame(int graph, int force);

// A file no picture decoder takes, opened as a movie graph of the movie's size; -1 after logging.
int LoadMovieGraph(const char* path, int notTexture);

// Every graph's movie: resumed, paused, released before a display rebuild and opened again after it.
void ResumeAllMovies();
void PauseAllMovies();
void ReleaseAllMovieObjects();
int ReopenAllMovies();

}  // namespace zelvo
