// The vertex batch: vertices of one kind and primitive type queued until something forces them out
// in one DrawPrimitive; the scene bracket, the viewport, the grid strips and the free-quad piece.
#include <cmath>
#include <cstring>
#include <utility>

#include "media/core/log.h"
#include "media/core/window_mode.h"
#include "media/display/d3d_device.h"

namespace zelvo {
namespace {

void DrawQueued(Device3DSlot* s) {
  if (s->batchCount > 0 && !IsWindowClosed() && !s->discardBatch) {
    s->device->DrawPrimitive(s->primitiveType, kVertexFormats[s->batchKind], s->vertexBuffers[s->batchKind],
                             static_cast<std::uint32_t>(s->batchCount), 0);
  }
  s->batchCount = 0;
  s->writePointer = s->vertexBuffers[s->batchKind];
}

Device3DSlot* DeviceSlot(int slot) {
  Device3DSlot* s = UsableSlot(slot);
  return s != nullptr && s->device != nullptr ? s : nullptr;
}

}  // namespace

int G_D3D_FlushBatch(int slot) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr) return -1;
  DrawQueued(s);
  return 0;
}

int G_D3D_FlushBatchCurrent() { return G_D3D_FlushBatch(g_d3d.currentDevice); }

unsigned char* G_D3D_ReserveVertices(int slot, int count, pf::D3DPrimitiveType type) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr) return nullptr;
  if (s->blendDirty || s->textureDirty) G_D3D_ApplyStageStates(slot);
  if (s->primitiveType == type && s->batchCount + count <= kVertexCapacities[s->batchKind]) return s->writePointer;
  DrawQueued(s);
  s->primitiveType = type;
  return s->writePointer;
}

unsigned char* G_D3D_ReserveTriangleVertices(int slot, int count) {
  return G_D3D_ReserveVertices(slot, count, pf::D3DPT_TRIANGLELIST);
}

void G_D3D_CommitVertices(int slot, int count) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr) return;
  s->writePointer += count * kVertexSizes[s->batchKind];
  s->batchCount += count;
}

int G_D3D_BeginScene(int slot) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr) return -1;
  if (!s->inScene) {
    s->device->BeginScene();
    s->inScene = 1;
  }
  return 0;
}

int G_D3D_EndScene(int slot) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr) return -1;
  if (s->inScene) {
    DrawQueued(s);
    s->device->EndScene();
    s->inScene = 0;
  }
  return 0;
}

int G_D3D_SetViewport(const pf::D3DViewport7* viewport, int slot) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr || s->currentRenderTarget == nullptr) return -1;
  const pf::D3DViewport7& c = s->viewport;
  if (c.x == viewport->x && c.y == viewport->y && c.width == viewport->width && c.height == viewport->height &&
      !s->force) {
    return 0;
  }
  DrawQueued(s);
  G_D3D_EndScene(slot);
  const pf::HResult hr = s->device->SetViewport(viewport);
  if (hr != pf::DD_OK) {
    WriteLogFormat("ビューポートのセットに失敗しました ErrorCode %x", static_cast<unsigned>(hr));
    return -1;
  }
  s->viewport = *viewport;
  return 0;
}

int G_D3D_SetRenderTarget(pf::DirectDrawSurface7* target, int slot) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr) return -1;
  if (target == nullptr) {
    if (s->currentRenderTarget == nullptr) return 0;
    target = s->defaultRenderTarget;
  }
  if (target == s->currentRenderTarget && !s->force) return 0;
  G_D3D_EndScene(slot);
  if (s->device->SetRenderTarget(target, 0) != pf::DD_OK) return -1;
  s->currentRenderTarget = target;
  // A new target takes the viewport afresh.
  s->viewport = pf::D3DViewport7{};
  return 0;
}

int G_D3D_SetDrawRegion(const IntRect* region) {
  if (region->left == region->right || region->top == region->bottom) return -1;
  pf::D3DViewport7 viewport{};
  viewport.x = static_cast<std::uint32_t>(region->left + g_d3d.inputs.offsetX);
  viewport.y = static_cast<std::uint32_t>(region->top + g_d3d.inputs.offsetY);
  viewport.width = static_cast<std::uint32_t>(region->right - region->left);
  viewport.height = static_cast<std::uint32_t>(region->bottom - region->top);
  viewport.minZ = 0.0f;
  viewport.maxZ = 1.0f;
  return G_D3D_SetViewport(&viewport, g_d3d.currentDevice);
}

int G_D3D_DrawGridStrips(const ScreenVertex* vertices, int columns, int rows, int slot) {
  Device3DSlot* s = DeviceSlot(slot);
  if (s == nullptr) return -1;
  if (columns < 2 || rows < 2) return -1;
  DrawQueued(s);
  constexpr int kIndexLimit = 1000;
  std::uint16_t indices[kIndexLimit + 8];
  int count = 0;
  auto drawGathered = [&] {
    if (count > 0 && !IsWindowClosed() && !s->discardBatch) {
      s->device->DrawIndexedPrimitive(pf::D3DPT_TRIANGLESTRIP, kVertexFormats[1], vertices,
                                      static_cast<std::uint32_t>(columns * rows), indices,
                                      static_cast<std::uint32_t>(count), 0);
    }
    count = 0;
  };
  for (int r = 0; r + 1 < rows; ++r) {
    if (count + 2 * columns + 2 > kIndexLimit) drawGathered();
    const auto first = static_cast<std::uint16_t>((r + 1) * columns);
    // Degenerate triangles join this row pair to the previous one.
    if (count > 0) {
      indices[count] = indices[count - 1];
      ++count;
      indices[count++] = first;
    }
    for (int c = 0; c < columns; ++c) {
      indices[count++] = static_cast<std::uint16_t>((r + 1) * columns + c);
      indices[count++] = static_cast<std::uint16_t>(r * columns + c);
    }
  }
  drawGathered();
  return 0;
}

namespace {

struct QuadCorner {
  float x, y;
};

// The two triangles of a parallelogram piece, as kind-1 vertices (kind 2 with a blend graph bound:
// its coordinates from the corners' graph positions).
void WriteQuadTriangles(Device3DSlot* s, const QuadCorner at[4], const TexturePieceFacts& piece) {
  const float z = g_d3d.inputs.drawZ;
  int order[6] = {0, 1, 2, 3, 2, 1};
  // One winding for both triangles, whichever way the corners turn.
  const float c1 = (at[1].x - at[0].x) * (at[2].y - at[0].y) - (at[2].x - at[0].x) * (at[1].y - at[0].y);
  const float c2 = (at[2].x - at[3].x) * (at[1].y - at[3].y) - (at[1].x - at[3].x) * (at[2].y - at[3].y);
  if (c1 <= 0 && c2 <= 0) {
    std::swap(order[1], order[2]);
    std::swap(order[4], order[5]);
  }
  const ScreenVertex* c = piece.corners;
  const float left = c[0].u, right = c[1].u, top = c[0].v, bottom = c[2].v;
  const int size = kVertexSizes[s->batchKind];
  for (int i = 0; i < 6; ++i) {
    const int k = order[i];
    const float u = (k == 0 || k == 2) ? left : right, v = k < 2 ? top : bottom;
    unsigned char* to = s->writePointer + i * size;
    if (s->batchKind == 2) {
      const BlendGraphVertex vertex{at[k].x, at[k].y, z, 1.0f, g_d3d.vertexColor, 0xFFFFFFFFu,
                                    c[k].x * piece.blendScaleX, c[k].y * piece.blendScaleY, u, v};
      std::memcpy(to, &vertex, sizeof vertex);
    } else {
      const ScreenVertex vertex{at[k].x, at[k].y, z, 1.0f, g_d3d.vertexColor, u, v};
      std::memcpy(to, &vertex, sizeof vertex);
    }
  }
}

}  // namespace

int G_D3D_DrawQuadPiece(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int piece) {
  const int slot = g_d3d.currentDevice;
  Device3DSlot* s = DeviceSlot(slot);
  TexturePieceFacts facts{};
  if (s == nullptr || g_d3dSurfaceHooks.readTexturePiece == nullptr ||
      g_d3dSurfaceHooks.readTexturePiece(piece, &facts) < 0) {
    return -1;
  }
  if (facts.texture != s->currentTexture) {
    G_D3D_SetTexture(facts.texture, slot);
    G_D3D_ApplyStageStates(slot);
  }
  const QuadCorner at[4] = {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}};
  const bool parallelogram = std::fabs((x2 - x1) - (x4 - x3)) < 1.0f && std::fabs((y2 - y1) - (y4 - y3)) < 1.0f &&
                             std::fabs((x3 - x1) - (x4 - x2)) < 1.0f && std::fabs((y3 - y1) - (y4 - y2)) < 1.0f;
  if (parallelogram) {
    if (G_D3D_ReserveTriangleVertices(slot, 6) == nullptr) return -1;
    WriteQuadTriangles(s, at, facts);
    G_D3D_CommitVertices(slot, 6);
    return 0;
  }
  if (s->blendDirty || s->textureDirty) G_D3D_ApplyStageStates(slot);
  constexpr int kGrid = 8;
  const ScreenVertex* c = facts.corners;
  ScreenVertex grid[kGrid * kGrid];
  for (int r = 0; r < kGrid; ++r) {
    const float t = static_cast<float>(r) / (kGrid - 1);
    const float lx = x1 + (x3 - x1) * t, ly = y1 + (y3 - y1) * t;
    const float rx = x2 + (x4 - x2) * t, ry = y2 + (y4 - y2) * t;
    for (int col = 0; col < kGrid; ++col) {
      const float step = static_cast<float>(col) / (kGrid - 1);
      grid[r * kGrid + col] =
          ScreenVertex{lx + (rx - lx) * step, ly + (ry - ly) * step, g_d3d.inputs.drawZ, 1.0f, g_d3d.vertexColor,
                       c[0].u + (c[1].u - c[0].u) * step, c[0].v + (c[2].v - c[0].v) * t};
    }
  }
  return G_D3D_DrawGridStrips(grid, kGrid, kGrid, slot);
}

}  // namespace zelvo
