// Transforms and depth settings of the drawing state.
#include "media/graphics/graphs/draw_matrices.h"

#include <cmath>
#include <cstring>

#include "media/display/d3d_scene_wrappers.h"
#include "media/graphics/graphs/draw_state.h"

namespace zelvo {
namespace {

float (*StoredMatrix(int kind))[4] {
  switch (kind) {
    case kWorldMatrix: return g_draw.world;
    case kViewMatrix: return g_draw.view;
    case kProjectionMatrix: return g_draw.projection;
    case kViewportMatrix: return g_draw.viewport;
    default: return nullptr;
  }
}

bool AllFinite(const float m[4][4]) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (!std::isfinite(m[i][j])) return false;
    }
  }
  return true;
}

int SendToDevice(int kind, const float m[4][4]) {
  if (!g_graphics.direct3DUsable || kind == kViewportMatrix) return 0;
  pf::D3DMatrix matrix{};
  std::memcpy(matrix.m, m, sizeof matrix.m);
  if (kind == kWorldMatrix) return G_D3D_SetWorldMatrix(&matrix);
  if (kind == kViewMatrix) return G_D3D_SetViewMatrix(&matrix);
  return G_D3D_SetProjectionMatrix(&matrix);
}

}  // namespace

int SetDrawMatrix(int kind, const float matrix[4][4]) {
  if (g_graphics.ending) return 0;
  float(*stored)[4] = StoredMatrix(kind);
  if (stored == nullptr || matrix == nullptr || !AllFinite(matrix)) return -1;
  std::memmove(stored, matrix, sizeof(float) * 16);
  g_draw.matricesDirty = 1;
  CombineDrawMatrices();
  return SendToDevice(kind, stored) < 0 ? -1 : 0;
}

int GetDrawMatrix(int kind, float out[4][4]) {
  const float(*stored)[4] = StoredMatrix(kind);
  if (stored == nullptr || out == nullptr) return -1;
  std::memmove(out, stored, sizeof(float) * 16);
  return 0;
}

int CombineDrawMatrices() {
  MatrixMultiply(g_draw.combined, g_draw.world, g_draw.view);
  MatrixMultiply(g_draw.combined, g_draw.combined, g_draw.projection);
  MatrixMultiply(g_draw.combined, g_draw.combined, g_draw.viewport);
  std::memset(g_draw.viewRotation, 0, sizeof g_draw.viewRotation);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) g_draw.viewRotation[i][j] = g_draw.view[j][i];
  }
  g_draw.matricesDirty = 0;
  return 0;
}

void SetTargetMatrices(int width, int height) {
  float world[4][4], view[4][4], projection[4][4];
  MatrixIdentity(world);
  MatrixViewport(g_draw.viewport, static_cast<float>(width), static_cast<float>(height));
  std::memcpy(g_draw.viewport2D, g_draw.viewport, sizeof g_draw.viewport);
  const float d = static_cast<float>(height / 2) * 1.7320508f;
  const float eye[3] = {width / 2.0f, height / 2.0f, -d};
  const float at[3] = {width / 2.0f, height / 2.0f, -d + 1.0f};
  const float up[3] = {0.0f, 1.0f, 0.0f};
  MatrixLookAt(view, eye, at, up);
  MatrixPerspective(projection, 1.0471976f, d * 0.1f, d + 1000.0f);
  SetDrawMatrix(kWorldMatrix, world);
  SetDrawMatrix(kViewMatrix, view);
  SetDrawMatrix(kProjectionMatrix, projection);
}

int SetDepthWrite(int on) {
  if (g_graphics.ending || on == g_draw.depthWrite) return 0;
  g_draw.depthWrite = on;
  if (g_graphics.direct3DUsable) G_D3D_FlushIfPending(0);
  return 0;
}

int SetDepthCompare(int function) {
  if (g_graphics.ending || function == g_draw.depthCompare) return 0;
  g_draw.depthCompare = function;
  if (g_graphics.direct3DUsable) G_D3D_FlushIfPending2(0);
  return 0;
}

int SetDepth2D(float depth) {
  if (g_graphics.ending) return 0;
  g_draw.depth2D = depth;
  return 0;
}

int GetDepthWrite() { return g_draw.depthWrite; }
int GetDepthCompare() { return g_draw.depthCompare; }
float GetDepth2D() { return g_draw.depth2D; }

int BeginDepthOnlyDrawing(int flag) {
  g_draw.depthOnlySaved = {g_draw.depth2D, g_draw.blendMode, g_draw.blendParam, g_draw.depthWrite,
                           g_draw.depthCompare};
  SetDepth2D(flag ? 1.0f : 0.0f);
  SetBlendMode(8, 255);
  SetDepthWrite(1);
  SetDepthCompare(8);
  return 0;
}

int EndDepthOnlyDrawing() {
  SetDepthCompare(g_draw.depthOnlySaved.depthCompare);
  SetDepthWrite(g_draw.depthOnlySaved.depthWrite);
  SetBlendMode(g_draw.depthOnlySaved.blendMode, g_draw.depthOnlySaved.blendParam);
  SetDepth2D(g_draw.depthOnlySaved.depth2D);
  return 0;
}

}  // namespace zelvo
