// Opening a movie's stream: its sound renderer, the file (or a temporary copy of an archived one),
// its video format, the sample surface of the movie's kind and the frame image the graph is filled
// from.
#include <cstdio>
#include <cstring>

#include "media/core/file_ops.h"
#include "media/core/file_paths.h"
#include "media/core/log.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {
namespace {

constexpr int kCopyChunk = 1 << 20;

void LogCannotOpen(const char* path) {
  char text[kMoviePathSize + 64];
  std::snprintf(text, sizeof text, "ファイル:%s が開けませんでした\n", path);
  WriteLogText(text);
}

// Copies the file the file layer opens (an archive entry, say) whole into a new temporary file
// whose name replaces the record's path. 0, or -1 with no temporary file left.
int CopyToTempFile(MovieRecord* record, const char* path) {
  const FileHandle source = FileOpen(path, 0, 0, 0);
  if (source == 0) return -1;
  char tempName[kMoviePathSize];
  const pf::Handle target = CreateTempFile(tempName);
  if (target == nullptr || target == pf::kInvalidHandle) {
    FileClose(source);
    return -1;
  }
  auto* buffer = static_cast<char*>(TrackedAlloc(kCopyChunk, __FILE__, __LINE__));
  bool whole = buffer != nullptr;
  while (whole) {
    const int read = FileRead(buffer, 1, kCopyChunk, source);
    if (read <= 0) break;
    std::uint32_t written = 0;
    // A short copy would play as a shorter movie: it counts as a failed open.
    if (!pf::WriteFile(target, buffer, static_cast<std::uint32_t>(read), &written) ||
        written != static_cast<std::uint32_t>(read)) {
      whole = false;
    }
  }
  if (whole && FileEof(source) == 0) whole = false;
  if (buffer != nullptr) TrackedFree(buffer);
  pf::CloseHandle(target);
  FileClose(source);
  if (!whole) {
    pf::DeleteFile(tempName);
    return -1;
  }
  std::snprintf(record->path, sizeof record->path, "%s", tempName);
  record->usesTempFile = 1;
  return 0;
}

// The file by its path, else through the file layer's copy. 0, or -1 after logging.
int OpenMovieFile(MovieRecord* record, const char* path) {
  if (record->path != path) std::snprintf(record->path, sizeof record->path, "%s", path);
  if (pf::OpenMediaFile(record->stream, record->path) == pf::MS_OK) return 0;
  if (!record->usesTempFile && CopyToTempFile(record, path) == 0 &&
      pf::OpenMediaFile(record->stream, record->path) == pf::MS_OK) {
    return 0;
  }
  LogCannotOpen(path);
  return -1;
}

// The sample surface's layout for the kind.
pf::SampleFormat SampleFormatOfKind(int kind) {
  if (kind == kMovieRgb32) return pf::SampleFormat{32, 0xFF0000, 0xFF00, 0xFF};
  if (IsSoftwareRenderMode() && GetRequestedScreenDepth() != 8) {
    if (GetRequestedScreenDepth() != 16) return pf::SampleFormat{32, 0xFF0000, 0xFF00, 0xFF};
    return pf::SampleFormat{16, 0xF800, 0x07E0, 0x1F};
  }
  const DDPixelFormatRecord* display = GetDisplayPixelFormat();
  return pf::SampleFormat{static_cast<int>(display->RGBBitCount), display->RedMask, display->GreenMask,
                          display->BlueMask};
}

// Whatever was made goes again, the temporary copy too. `message` null: logged already.
int Fail(MovieRecord* record, const char* message) {
  if (message != nullptr) WriteLogText(message);
  ReleaseMovieObjects(record);
  if (record->usesTempFile) {
    pf::DeleteFile(record->path);
    record->usesTempFile = 0;
  }
  return -1;
}

}  // namespace

int OpenMovieStreams(MovieRecord* record, const char* path, int* width, int* height, int kind) {
  record->requestedKind = kind;
  // This display shows no overlays: an overlay movie is drawn from a 32-bit copy like the others.
  if (kind == kMovieOverlay) kind = kMovieRgb32;
  if (kind == kMovieRgb32 && GetRequestedScreenDepth() == 32) kind = kMovieScreenFormat;

  if (pf::CreateMultiMediaStream(&record->stream) != pf::MS_OK) {
    return Fail(record, "IAMMultimediaインターフェイスを取得できませんでした！\n");
  }
  if (pf::AddPrimaryAudioStream(record->stream) != pf::MS_OK) {
    return Fail(record, "デフォルトサウンドレンダラを追加できませんでした！\n");
  }
  if (OpenMovieFile(record, path) != 0) return Fail(record, nullptr);
  pf::GetStopPosition(record->stream, &record->stopPosition);
  int streamWidth = 0, streamHeight = 0;
  pf::GetVideoFormat(record->stream, &streamWidth, &streamHeight);
  if (streamWidth == 0 || streamHeight == 0) return Fail(record, "動画ファイルではない可能性があります！\n");

  pf::SampleFormat format = SampleFormatOfKind(kind);
  if (pf::CreateStreamSample(record->stream, &format, &record->sample) != pf::MS_OK) {
    kind = kMovieScreenFormat;
    if (pf::CreateStreamSample(record->stream, nullptr, &record->sample) != pf::MS_OK) {
      return Fail(record, "ストリームサンプルを作成できませんでした！\n");
    }
  }
  record->kind = kind;
  if (pf::GetSampleSurfaceFormat(record->sample, &format, &streamWidth, &streamHeight) != pf::MS_OK) {
    return Fail(record, "ストリームサンプルからIDirectDrawSurfaceインターフェイスを取得できませんでした！\n");
  }
  record->left = 0;
  record->top = 0;
  record->right = streamWidth;
  record->bottom = streamHeight;
  record->width = record->right - record->left;
  record->height = record->bottom - record->top;
  if (width != nullptr) *width = record->halfWidth ? record->width / 2 : record->width;
  if (height != nullptr) *height = record->height;
  record->sampleInSystemMemory = 1;

  GraphImage& frame = record->frame;
  SetupPixelFormatFromMasks(&frame.format, format.bitsPerPixel, format.redMask, format.greenMask, format.blueMask, 0);
  frame.width = record->width;
  frame.height = record->height;
  frame.pitch = (record->width * (format.bitsPerPixel / 8) + 3) & ~3;
  frame.pixels = TrackedAllocZeroed(static_cast<std::size_t>(frame.pitch) * frame.height, __FILE__, __LINE__);
  if (frame.pixels == nullptr) return Fail(record, "メモリの確保に失敗しました in OpenMovieStreams\n");

  record->updateEvent = pf::CreateEvent(true, false);
  if (record->updateEvent == nullptr) return Fail(record, "ストリームサンプルを作成できませんでした！\n");
  record->playing = 0;
  record->updatePending = 0;
  record->lastFlipCount = -1;
  record->lastUpdateTime = -1;
  record->openTime = pf::timeGetTime();
  pf::GetTimePerFrame(record->stream, &record->timePerFrame);
  return 0;
}

void ReleaseMovieObjects(MovieRecord* record) {
  if (record->frame.pixels != nullptr) TrackedFree(record->frame.pixels);
  record->frame.pixels = nullptr;
  if (record->updateEvent != nullptr) pf::CloseHandle(record->updateEvent);
  record->updateEvent = nullptr;
  pf::ReleaseStreamSample(record->sample);
  record->sample = nullptr;
  pf::ReleaseMultiMediaStream(record->stream);
  record->stream = nullptr;
  record->playing = 0;
  record->updatePending = 0;
}

}  // namespace zelvo
