// The drawing state: setters, the target switch with its 2D transforms, the draw region and the
// rectangle and matrix helpers. The software blend state follows every change at once.
#include "media/graphics/graphs/draw_state.h"

#include <cmath>
#include <cstring>

#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/display/d3d_device.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/d3d_render_target.h"
#include "media/graphics/graphs/draw_matrices.h"
#include "media/graphics/graphs/kept_pixels.h"
#include "media/graphics/graphs/front_buffer.h"
#include "media/graphics/graphs/graph_record.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/graphics/graphs/soft_target.h"
#include "media/software/blend_state.h"

namespace zelvo {

DrawState g_draw;
GraphicsState g_graphics;

namespace {

int Clamp255(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

void ScreenSizeOrDefault(int* width, int* height) {
  GetScreenSize(width, height);
  if (*width == 0) *width = 640;
  if (*height == 0) *height = 480;
}

// The device and the software path follow the target. A texture graph is drawn into by the device
// alone, so it must become the device's render target; any other target needs the software switch
// (a 2D graph the device cannot render into is then drawn in software).
int SwitchBackEndTargets(int target, int previous) {
  const GraphRecord* graph = target >= 0 ? GetGraphRecord(target) : nullptr;
  const int direct3D = g_graphics.direct3DUsable ? G_D3D_SelectRenderTarget(target) : 0;
  // The device has drawn everything queued for the graph left behind: its pixels are complete.
  if (previous != target) KeepDrawnGraphPixels(previous);
  const int software = SelectDrawScreen(target, previous);
  if (graph != nullptr && graph->flags.isTexture) {
    return g_graphics.direct3DUsable && direct3D == 0 && IsRenderableTextureGraph(target) ? 0 : -1;
  }
  return software;
}

}  // namespace

void WaitWhileInactiveForDrawing() {
  if (g_graphics.started) WaitWhileInactive();
}

void ResetDrawState() {
  std::memset(&g_draw, 0, sizeof g_draw);
  g_draw.target = kTargetFrontBuffer;
  g_draw.blendGraph = -1;
  g_draw.drawTint = 0xFFFFFF;
  g_draw.use3D = 1;
  g_draw.alphaTestOption = 1;
  g_draw.depth2D = 0.2f;
  g_draw.depthCompare = 4;
  g_draw.direct3DStartSetting = 3;
  g_draw.maskRequested = 1;
  ScreenSizeOrDefault(&g_draw.targetWidth, &g_draw.targetHeight);
  g_draw.region = IntRect{0, 0, g_draw.targetWidth, g_draw.targetHeight};
  g_draw.regionFloat = FloatRect{0.0f, 0.0f, static_cast<float>(g_draw.targetWidth),
                                 static_cast<float>(g_draw.targetHeight)};
  g_softBlend.blendMode = 0;
  g_softBlend.blendParam = 0;
  g_softBlend.drawTint = 0xFFFFFF;
  g_softBlend.blendGraph = -1;
  g_softBlend.drawRegion = g_draw.region;
}

int SetTextureFilter(int mode) {
  if (g_graphics.ending || mode == g_draw.textureFilter) return 0;
  g_draw.textureFilter = mode;
  return 0;
}

int SetBlendMode(int mode, int parameter) {
  if (g_graphics.ending) return 0;
  if (mode == g_draw.blendMode && parameter == g_draw.blendParam) return 0;
  WaitWhileInactiveForDrawing();
  g_draw.blendMode = mode;
  g_draw.blendParam = Clamp255(parameter);
  g_softBlend.blendMode = g_draw.blendMode;
  g_softBlend.blendParam = g_draw.blendParam;
  return 0;
}

int SetBlendGraph(int graph, int borderParam, int borderRange) {
  if (g_graphics.ending) return 0;
  if (graph == g_draw.blendGraph && borderParam == g_draw.blendGraphBorderParam &&
      borderRange == g_draw.blendGraphBorderRange) {
    return 0;
  }
  const GraphRecord* record = nullptr;
  if (graph != -1) {
    record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
  }
  WaitWhileInactiveForDrawing();
  g_draw.blendGraph = graph;
  g_draw.blendGraphBorderParam = Clamp255(borderParam);
  g_draw.blendGraphBorderRange = Clamp255(borderRange);
  g_softBlend.blendGraph = graph;
  g_softBlend.blendGraphBorderParam = g_draw.blendGraphBorderParam;
  g_softBlend.blendGraphBorderRange = g_draw.blendGraphBorderRange;
  BuildBlendGraphTable(record, g_draw.blendGraphBorderParam, g_draw.blendGraphBorderRange);
  return 0;
}

int SetDrawTint(int red, int green, int blue) {
  if (g_graphics.ending) return 0;
  const std::uint32_t tint = g_draw.drawTint;
  if (red == static_cast<int>((tint >> 16) & 0xFF) && green == static_cast<int>((tint >> 8) & 0xFF) &&
      blue == static_cast<int>(tint & 0xFF)) {
    return 0;
  }
  return SetDrawTintPacked(static_cast<std::uint32_t>(Clamp255(red) << 16 | Clamp255(green) << 8 | Clamp255(blue)));
}

int SetDrawTintPacked(std::uint32_t tint) {
  g_draw.drawTint = tint & 0xFFFFFF;
  g_softBlend.drawTint = g_draw.drawTint;
  return 0;
}

namespace {

int SwitchDrawTarget(int target) {
  if (target != kTargetBackBuffer && target != kTargetFrontBuffer && GetGraphRecord(target) == nullptr) return -1;
  const int old = g_draw.target;
  g_draw.target = target;
  // The front buffer in a window is the desktop's primary surface: drawing lands at the client area.
  g_draw.drawOffset = FrontBufferDrawOffset();
  if (SwitchBackEndTargets(target, old) < 0) {
    g_draw.target = old;
    g_draw.drawOffset = FrontBufferDrawOffset();
    SwitchBackEndTargets(old, target);
    return -1;
  }
  const int oldWidth = g_draw.targetWidth, oldHeight = g_draw.targetHeight;
  GetGraphSize(target, &g_draw.targetWidth, &g_draw.targetHeight);
  if (g_draw.targetWidth == oldWidth && g_draw.targetHeight == oldHeight) {
    SetDrawRegion(g_draw.region.left, g_draw.region.top, g_draw.region.right, g_draw.region.bottom);
  } else {
    SetDrawRegion(0, 0, g_draw.targetWidth, g_draw.targetHeight);
  }
  SetTargetMatrices(g_draw.targetWidth, g_draw.targetHeight);
  return 0;
}

// The device's viewport follows the region (moved by the draw offset on the window's front buffer).
// Nothing is set while the device has no render target: it takes the region when it gets one.
void SetDeviceViewport(const IntRect& region) {
  if (!g_graphics.direct3DUsable) return;
  const Device3DSlot* slot = UsableSlot(g_d3d.currentDevice);
  if (slot == nullptr || slot->device == nullptr || slot->currentRenderTarget == nullptr) return;
  g_d3d.inputs.offsetX = g_draw.drawOffset.left;
  g_d3d.inputs.offsetY = g_draw.drawOffset.top;
  if (G_D3D_SetDrawRegion(&region) < 0) {
    const char* name = g_draw.target == kTargetFrontBuffer ? "Front Buffer"
                       : g_draw.target == kTargetBackBuffer ? "Back Buffer"
                                                            : "Image Buffer";
    WriteLogFormat("ビューポートの設定に失敗しました %s", name);
  }
}

}  // namespace

int SelectDrawTarget(int target) {
  if (!g_graphics.started) return -1;
  if (g_graphics.ending) return 0;
  WaitWhileInactiveForDrawing();
  // The mask is off across the switch; its request comes back after it, whether the switch worked
  // or not.
  const int maskRequested = IsMaskEnabled();
  EnableMask(0);
  const int result = SwitchDrawTarget(target);
  EnableMask(maskRequested);
  return result;
}

int SetDrawRegion(int x1, int y1, int x2, int y2) {
  if (g_graphics.ending) return 0;
  g_draw.requestedRegion = IntRect{x1, y1, x2, y2};
  int width = 0, height = 0;
  if (g_draw.target == kTargetBackBuffer || g_draw.target == kTargetFrontBuffer) {
    ScreenSizeOrDefault(&width, &height);
  } else {
    const GraphRecord* record = GetGraphRecord(g_draw.target);
    if (record == nullptr) return 0;
    width = record->width;
    height = record->height;
  }
  IntRect r{x1, y1, x2, y2};
  NormalizeRect(&r);
  const IntRect bounds = FrontBufferVisiblePart(width, height);
  auto clampTo = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
  r = IntRect{clampTo(r.left, bounds.left, bounds.right), clampTo(r.top, bounds.top, bounds.bottom),
              clampTo(r.right, bounds.left, bounds.right), clampTo(r.bottom, bounds.top, bounds.bottom)};
  g_draw.region = r;
  g_draw.regionFloat = FloatRect{static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right),
                                 static_cast<float>(r.bottom)};
  g_draw.regionEmpty = (r.left == r.right || r.top == r.bottom) ? 1 : 0;
  if (!g_draw.regionEmpty) {
    SetDeviceViewport(r);
    g_softBlend.drawRegion = r;
  }
  return 0;
}

int SetDrawOffset(const IntRect* offset) {
  g_draw.drawOffset = *offset;
  return 0;
}

int GetGraphSize(int graph, int* width, int* height) {
  int w = 0, h = 0;
  if (graph == kTargetBackBuffer || graph == kTargetFrontBuffer) {
    ScreenSizeOrDefault(&w, &h);
  } else {
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    w = record->width;
    h = record->height;
  }
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
  return 0;
}

int Is3DDrawingInEffect() {
  return g_draw.use3D == 1 && g_graphics.direct3DUsable && !IsSoftwareRenderMode() ? 1 : 0;
}

void MatrixIdentity(float m[4][4]) {
  std::memset(m, 0, sizeof(float) * 16);
  for (int i = 0; i < 4; ++i) m[i][i] = 1.0f;
}

void MatrixMultiply(float out[4][4], const float a[4][4], const float b[4][4]) {
  float r[4][4];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a[i][k] * b[k][j];
      r[i][j] = sum;
    }
  }
  std::memcpy(out, r, sizeof r);
}

namespace {
void Normalize3(float v[3]) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  for (int i = 0; i < 3; ++i) v[i] /= length;
}
void Cross3(float out[3], const float a[3], const float b[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}
float Dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
}  // namespace

void MatrixLookAt(float out[4][4], const float eye[3], const float at[3], const float up[3]) {
  float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
  Normalize3(z);
  float x[3], y[3];
  Cross3(x, up, z);
  Normalize3(x);
  Cross3(y, z, x);
  Normalize3(y);
  const float rows[4][4] = {{x[0], y[0], z[0], 0.0f},
                            {x[1], y[1], z[1], 0.0f},
                            {x[2], y[2], z[2], 0.0f},
                            {-Dot3(eye, x), -Dot3(eye, y), -Dot3(eye, z), 1.0f}};
  std::memcpy(out, rows, sizeof rows);
}

int MatrixPerspective(float out[4][4], float fov, float nearZ, float farZ) {
  if (std::fabs(farZ - nearZ) < 0.01f || std::fabs(std::sin(fov / 2)) < 0.01f) return -1;
  int width = 0, height = 0;
  ScreenSizeOrDefault(&width, &height);
  const float c = std::cos(fov / 2) / std::sin(fov / 2);
  std::memset(out, 0, sizeof(float) * 16);
  out[0][0] = c * static_cast<float>(height) / static_cast<float>(width);
  out[1][1] = c;
  out[2][2] = farZ / (farZ - nearZ);
  out[2][3] = 1.0f;
  out[3][2] = -nearZ * farZ / (farZ - nearZ);
  return 0;
}

void MatrixViewport(float out[4][4], float width, float height) {
  std::memset(out, 0, sizeof(float) * 16);
  out[0][0] = width / 2;
  out[1][1] = -height / 2;
  out[2][2] = 1.0f;
  out[3][3] = 1.0f;
  out[3][0] = width / 2;
  out[3][1] = height / 2;
}

}  // namespace zelvo
