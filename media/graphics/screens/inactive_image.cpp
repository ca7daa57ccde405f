// The inactive picture is drawn over the back buffer and copied to the window; the back buffer's
// own frame is saved in a graph first and put back afterwards, so the program's frame survives.
#include "media/graphics/screens/inactive_image.h"

#include "media/core/core_state.h"
#include "media/core/window_state.h"
#include "media/display/present.h"
#include "media/display/screen_state.h"
#include "media/graphics/drawing/draw_entries.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/screens/screen_to_graph.h"

namespace zelvo {
namespace {

constexpr int kBilinearFilter = 1;

int LoadInactiveGraph(const char* path, const void* data, int size) {
  if (data == nullptr) return LoadGraph(path, 1);
  GraphImage picture{};
  if (LoadGraphImage(nullptr, data, size, 1, &picture, 0) != 0) return -1;
  const int graph = CreateGraphFromGraphImage(&picture, nullptr, 0, 0, 0);
  FreeGraphImage(&picture);
  return graph;
}

}  // namespace

int SetInactiveImage(const char* path, const void* data, int size) {
  if (path == nullptr && data == nullptr) return 0;
  const int graph = LoadInactiveGraph(path, data, size);
  if (graph == -1) return -1;
  if (g_window.inactiveImage != 0) DeleteGraph(g_window.inactiveImage, 0);
  g_window.inactiveImage = graph;
  return 0;
}

int PaintInactiveImage() {
  if (g_runState.ending != 0) return 0;
  const GraphRecord* image = GetGraphRecord(g_window.inactiveImage);
  if (image == nullptr || !g_graphics.started) return -1;
  const int runInBackground = g_windowSettings.runInBackground;
  g_windowSettings.runInBackground = 1;   // the drawing below must not wait for the activation
  const int target = g_draw.target, filter = g_draw.textureFilter, vblank = IsVblankWaitEnabled();
  const int blendMode = g_draw.blendMode, blendParam = g_draw.blendParam;
  SelectDrawTarget(kTargetBackBuffer);
  SetBlendMode(0, 0);   // a plain copy, whatever the program blends with
  SetTextureFilter(kBilinearFilter);
  EnableVblankWait(0);
  int width = 0, height = 0;
  GetGraphSize(kTargetBackBuffer, &width, &height);
  const int saved = CreateBlankGraph(width, height, 1);
  if (saved != -1) CopyScreenToGraph(0, 0, width, height, saved, 0);
  if (image->width == width && image->height == height) {
    BlitGraph(0, 0, g_window.inactiveImage, 0);
  } else {
    BlitGraphStretched(0, 0, width, height, g_window.inactiveImage, 0);
  }
  CopyBackScreenToWindow();
  if (saved != -1) {
    BlitGraph(0, 0, saved, 0);
    DeleteGraph(saved, 0);
  }
  SelectDrawTarget(target);
  SetTextureFilter(filter);
  SetBlendMode(blendMode, blendParam);
  EnableVblankWait(vblank);
  g_windowSettings.runInBackground = runInBackground;
  return 0;
}

}  // namespace zelvo
