// The vertex batch: vertices of one kind and primitive type queued until something forces them out
// in one DrawPrimitive; the scene bracket, the viewport and the grid strips.
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

}  // namespace zelvo
