// Graph records and graph handles: creation, loading, cells, derived graphs, deletion and restore.
#include "media/graphics/graphs/graph_record.h"

#include <cstdio>
#include <cstring>

#include "media/core/file_ops.h"
#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/graphics/graphs/surface2d.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/pixels/pixel_format.h"

namespace zelvo {

GraphTable g_graphs;

constexpr std::size_t kRestoreFolderLimit = 128;

namespace {

int ScreenDepthOrDefault() {
  const int depth = GetRequestedScreenDepth();
  return depth == 0 ? 16 : depth;
}

// A name or folder too long for its field would reload some other file: such a graph keeps no
// name and is not reloaded after a lost display.
void StoreFileName(GraphRecord* record, const char* fileName) {
  if (fileName == nullptr) return;
  record->fileName[0] = '\0';
  record->folder[0] = '\0';
  char folder[1024] = {};
  FileGetcwd(folder);
  const std::size_t nameLength = std::strlen(fileName), folderLength = std::strlen(folder);
  if (nameLength >= sizeof record->fileName || folderLength >= sizeof record->folder) return;
  std::memcpy(record->fileName, fileName, nameLength + 1);
  std::memcpy(record->folder, folder, folderLength + 1);
}

int LogGraphFileMissing(const char* fileName) {
  char text[512];
  std::snprintf(text, sizeof text, "グラフィックファイル %s がありません", fileName);
  return WriteLogText(text);
}

}  // namespace

GraphRecord* GetGraphRecord(int handle) { return g_graphs.Find(handle); }

int CreateGraphRecord(int width, int height, int textureAllowed, int alphaFlag, int paletteFlag, GraphRecord** out) {
  if (g_graphics.ending) return 0;
  const int slot = g_graphs.FreeSlot();
  if (slot < 0) AbortWithLog("グラフィックの数が許容量を越えました終了します");
  GraphRecord* record = nullptr;
  const int handle = g_graphs.Occupy(slot, &record);
  if (handle < 0) AbortWithLog("メモリの確保に失敗しました");
  record->handle = handle;
  record->width = width;
  record->height = height;
  record->movie = -1;
  record->alphaOnlyAtCreation = g_draw.alphaOnlyOption;
  GraphFlags& f = record->flags;
  f.isTexture = textureAllowed && g_draw.use3D && g_graphics.direct3DUsable && !IsSoftwareRenderMode();
  if (g_draw.makeDrawable) {
    f.drawValid = 1;
  } else {
    f.alphaCh = static_cast<std::uint8_t>(alphaFlag != 0);
    f.alphaTest = static_cast<std::uint8_t>(g_draw.alphaTestOption != 0);
    f.alphaOnly = static_cast<std::uint8_t>(g_draw.alphaOnlyOption != 0);
  }
  if (f.isTexture) {
    f.colorBitDepth = static_cast<std::uint8_t>(g_draw.colorBitDepthOption != 0 ? g_draw.colorBitDepthOption
                                                : alphaFlag ? 32 : ScreenDepthOrDefault());
    if (f.alphaOnly) {
      f.colorBitDepth = 32;
      f.alphaTest = 0;
      f.alphaCh = 1;
      f.drawValid = 0;
    }
  } else {
    f.colorBitDepth = static_cast<std::uint8_t>(g_draw.colorBitDepthOption == 0 || IsSoftwareRenderMode()
                                                    ? ScreenDepthOrDefault()
                                                    : g_draw.colorBitDepthOption);
    f.systemMemory = static_cast<std::uint8_t>(g_draw.systemMemoryOption != 0);
    f.palette = static_cast<std::uint8_t>(paletteFlag != 0);
  }
  if (out != nullptr) *out = record;
  return handle;
}

int CreateGraph(int width, int height, int textureAllowed, int alphaFlag, int paletteFlag) {
  GraphRecord* record = nullptr;
  const int handle = CreateGraphRecord(width, height, textureAllowed, alphaFlag, paletteFlag, &record);
  if (handle <= 0 && record == nullptr) return handle;
  if (CreateGraphSurfaces(record) < 0) {
    // A division that failed part-way leaves pieces behind.
    DeleteGraphSurfaces(record);
    WriteLogText("グラフィックの作成に失敗しました\n");
    g_graphs.Free(handle);
    return -1;
  }
  return handle;
}

int CreateBlankGraph(int width, int height, int notTexture) {
  return CreateGraph(width, height, notTexture == 0, g_draw.blankGraphAlpha, 0);
}

int FillGraphFromImage(int graph, const char* fileName, const GraphImage* picture, const GraphImage* alpha, int x,
                       int y, int loadOption) {
  if (g_graphics.ending) return 0;
  GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  StoreFileName(record, fileName);
  record->sourceX = x;
  record->sourceY = y;
  record->loadOption = loadOption;
  return TransferImageToGraph(picture, alpha, x, y, record);
}

int FillGraphFromImageRect(int graph, const char* fileName, const GraphImage* picture, const GraphImage* alpha,
                           const IntRect* rect, int x, int y, int loadOption) {
  if (g_graphics.ending) return 0;
  GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  StoreFileName(record, fileName);
  record->sourceX = rect->left - x;
  record->sourceY = rect->top - y;
  record->loadOption = loadOption;
  return TransferImageRectToGraph(picture, alpha, rect, x, y, record);
}

int CreateGraphFromGraphImage(GraphImage* picture, GraphImage* alpha, int textureAllowed, int mirror, int mirrorHere) {
  // With the option on the graph is made from an ARGB copy keyed by the transparent colour; a copy
  // that cannot be made leaves the option out.
  GraphImage keyed{};
  if (g_draw.transparentToAlpha && MakeKeyedAlphaPicture(picture, g_draw.transparentColor, &keyed) == 0) {
    picture = &keyed;
  }
  RecomputeOutsideBits(&picture->format);
  if (alpha != nullptr) RecomputeOutsideBits(&alpha->format);
  const std::uint32_t keptTransparent = g_draw.transparentColor;
  if (g_draw.transparentFromTopLeft) g_draw.transparentColor = GraphImageTopLeftColor(picture);
  const bool mirrored = mirror && mirrorHere;
  if (mirrored) {
    MirrorGraphImage(picture);
    if (alpha != nullptr) MirrorGraphImage(alpha);
  }
  int handle = -1;
  if (alpha == nullptr || (alpha->width == picture->width && alpha->height == picture->height)) {
    const int hasAlpha = picture->format.ChannelWidth[3] != 0 || alpha != nullptr;
    const int palette = picture->format.BytesPerPixel == 1 && !hasAlpha;
    handle = CreateGraph(picture->width, picture->height, textureAllowed, hasAlpha, palette);
    if (handle > 0) {
      if (FillGraphFromImage(handle, nullptr, picture, alpha, 0, 0, 0) < 0) {
        DeleteGraph(handle, 0);
        handle = -1;
      }
    }
  }
  g_draw.transparentColor = keptTransparent;
  if (mirrored) {
    MirrorGraphImage(picture);
    if (alpha != nullptr) MirrorGraphImage(alpha);
  }
  FreeGraphImage(&keyed);
  return handle;
}

int CreateDivGraphFromGraphImage(GraphImage* picture, GraphImage* alpha, int total, int across, int down,
                                 int cellWidth, int cellHeight, int* handles, int textureAllowed, int mirror,
                                 int mirrorHere) {
  const int whole = CreateGraphFromGraphImage(picture, alpha, textureAllowed, mirror, mirrorHere);
  if (whole < 0) return -1;
  int made = 0;
  for (int row = 0; row < down && made < total; ++row) {
    int x = mirror ? (across - 1) * cellWidth : 0;
    for (int column = 0; column < across && made < total; ++column) {
      const int cell = DeriveGraph(x, row * cellHeight, cellWidth, cellHeight, whole);
      if (cell < 0) {
        WriteLogText("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n");
        for (int i = 0; i < made; ++i) DeleteGraph(handles[i], 0);
        DeleteGraph(whole, 0);
        return -1;
      }
      handles[made++] = cell;
      x += mirror ? -cellWidth : cellWidth;
    }
  }
  DeleteGraph(whole, 0);
  return 0;
}

int LoadGraph(const char* fileName, int notTexture) {
  if (g_graphics.ending || !g_graphics.started) return -1;
  WaitWhileInactiveForDrawing();
  GraphImage picture{}, alpha{};
  const int loaded = LoadGraphImageWithAlpha(fileName, nullptr, 0, 0, nullptr, 0, 0, &picture, &alpha, 0);
  if (loaded >= 0) {
    const int handle = CreateGraphFromGraphImage(&picture, loaded == 0 ? &alpha : nullptr, notTexture == 0, 0, 0);
    GraphRecord* record = handle >= 0 ? GetGraphRecord(handle) : nullptr;
    if (record != nullptr) StoreFileName(record, fileName);
    FreeGraphImage(&picture);
    if (loaded == 0) FreeGraphImage(&alpha);
    return handle;
  }
  const FileHandle file = FileOpen(fileName, 0, 0, 0);
  if (file == 0) return LogGraphFileMissing(fileName);
  FileClose(file);
  return LoadMovieGraph(fileName, notTexture);
}

int LoadDivGraph(const char* fileName, int total, int across, int down, int cellWidth, int cellHeight,
                     int* handles, int notTexture) {
  if (g_graphics.ending) return 0;
  if (!g_graphics.started) return -1;
  WaitWhileInactiveForDrawing();
  GraphImage picture{}, alpha{};
  const int loaded = LoadGraphImageWithAlpha(fileName, nullptr, 0, 0, nullptr, 0, 0, &picture, &alpha, 0);
  if (loaded < 0) {
    char text[512];
    std::snprintf(text, sizeof text, "右記のグラフィックファイルのロードに失敗しました：%s", fileName);
    return WriteLogText(text);
  }
  const int result = CreateDivGraphFromGraphImage(&picture, loaded == 0 ? &alpha : nullptr, total, across, down,
                                                  cellWidth, cellHeight, handles, notTexture == 0, 0, 0);
  if (result == 0) {
    for (int i = 0; i < total; ++i) {
      GraphRecord* record = GetGraphRecord(handles[i]);
      if (record != nullptr) StoreFileName(record, fileName);
    }
  }
  FreeGraphImage(&picture);
  if (loaded == 0) FreeGraphImage(&alpha);
  return result;
}

int DeriveGraph(int x, int y, int width, int height, int parent) {
  if (g_graphics.ending) return 0;
  GraphRecord* source = GetGraphRecord(parent);
  if (source == nullptr) return -1;
  // The rectangle must start inside the parent.
  if (x < 0 || y < 0 || x >= source->width || y >= source->height) return -1;
  if (width > source->width - x) width = source->width - x;
  if (height > source->height - y) height = source->height - y;
  GraphRecord* record = nullptr;
  const int handle = CreateGraphRecord(width, height, source->flags.isTexture, source->flags.alphaCh,
                                       source->flags.palette, &record);
  if (record == nullptr) return handle;
  source = GetGraphRecord(parent);
  record->movie = source->movie;
  std::memcpy(record->fileName, source->fileName, sizeof record->fileName);
  std::memcpy(record->folder, source->folder, sizeof record->folder);
  record->sourceX = source->sourceX + x;
  record->sourceY = source->sourceY + y;
  record->flags = source->flags;
  record->loadOption = source->loadOption;
  if (DeriveGraphSurface(record, x, y, width, height, source) < 0) {
    WriteLogText("グラフィックの派生に失敗しました終了します\n");
    g_graphs.Free(handle);
    return -1;
  }
  return handle;
}

int DeleteGraph(int graph, int logFlag) {
  if (g_graphics.ending) return 0;
  GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  CloseMovie(graph);
  DeleteGraphSurfaces(record);
  if (logFlag) {
    char text[256];
    std::snprintf(text, sizeof text, "グラフィック %s の削除", record->fileName);
    WriteLogText(text);
  }
  if (record->ownedBuffer != nullptr) TrackedFree(record->ownedBuffer);
  g_graphs.Free(graph);
  return 0;
}

int DeleteAllGraphs(int logFlag) {
  if (!g_graphics.started || g_graphics.ending) return 0;
  for (int slot = 0; slot < g_graphs.highWater; ++slot) {
    if (g_graphs.slots[slot] != nullptr) DeleteGraph(g_graphs.HandleOfSlot(slot), logFlag);
  }
  return 0;
}

int RegisterGraphLostFlag(int graph, int* flag) {
  GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  record->lostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int RestoreGraphHandleSurfaces(int graph) {
  if (g_graphics.ending) return 0;
  GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  return RestoreGraphSurfaces(record);
}

// A restored surface has lost its pixels: the graphs are refilled from their files.
int RestoreAllGraphSurfaces() {
  if (!g_graphics.started || g_graphics.ending) return 0;
  RestoreLostScreenSurfaces();
  int restored = 0;
  for (int slot = 0; slot < g_graphs.highWater; ++slot) {
    if (g_graphs.slots[slot] != nullptr) restored |= RestoreGraphHandleSurfaces(g_graphs.HandleOfSlot(slot));
  }
  if (restored != 0) RefillAllGraphs();
  return 0;
}

int RefillAllGraphs() {
  for (int slot = 0; slot < g_graphs.highWater; ++slot) {
    if (g_graphs.slots[slot] != nullptr) g_graphs.slots[slot]->restorePending = 1;
  }
  if (g_graphics.restoreCallback != nullptr) {
    g_graphics.restoreCallback();
  } else {
    RestoreGraphsBuiltIn();
  }
  return 0;
}

// Consecutive graphs of one file (the cells of a divided picture) are refilled from one load.
void RestoreGraphsBuiltIn() {
  WriteLogText("グラフィックを復帰します\n");
  char startFolder[1024] = {};
  FileGetcwd(startFolder);
  GraphImage picture{}, alpha{};
  int held = -1;   // -1 nothing held, 0 picture and alpha, 1 picture only
  const GraphRecord* previous = nullptr;
  for (int slot = 0; slot < g_graphs.highWater; ++slot) {
    GraphRecord* record = g_graphs.slots[slot];
    if (record == nullptr || !record->restorePending) continue;
    if (record->fileName[0] == '\0' || std::strlen(record->folder) > kRestoreFolderLimit) {
      record->restorePending = 0;
      continue;
    }
    const bool same = previous != nullptr && held >= 0 && std::strcmp(previous->fileName, record->fileName) == 0 &&
                      std::strcmp(previous->folder, record->folder) == 0 &&
                      previous->loadOption == record->loadOption;
    if (!same) {
      if (held >= 0) FreeGraphImage(&picture);
      if (held == 0) FreeGraphImage(&alpha);
      FileChdir(record->folder);
      held = LoadGraphImageWithAlpha(record->fileName, nullptr, 0, 0, nullptr, 0, 0, &picture, &alpha,
                                     record->loadOption);
      previous = record;
      if (held < 0) {
        record->restorePending = 0;
        continue;
      }
    }
    TransferImageToGraph(&picture, held == 0 ? &alpha : nullptr, record->sourceX, record->sourceY, record);
    record->restorePending = 0;
  }
  if (held >= 0) FreeGraphImage(&picture);
  if (held == 0) FreeGraphImage(&alpha);
  FileChdir(startFolder);
}

}  // namespace zelvo
