// RasterizeTriangle3D: the depth clip, the refusals, the temporary white texture, the set-up and
// the dispatch to one loop of the grid.
#include "media/software/raster3d.h"

#include <cmath>
#include <cstring>

#include "media/software/blend_state.h"
#include "media/software/raster3d_clip.h"
#include "media/software/raster3d_kernels.h"
#include "media/software/shapes.h"

namespace zelvo {

namespace {

using soft::Raster3DCall;
using soft::TriangleSetup;

// Pieces of a cut are cut again only this many times; deeper pieces are drawn as they come, so a
// piece that rounding keeps just outside the range cannot recurse without end.
constexpr int kMaxClipNesting = 4;

bool VertexUsable(const ScreenVertex& v) {
  const float values[] = {v.x, v.y, v.z, v.rhw, v.u, v.v};
  for (float f : values) {
    if (!std::isfinite(f)) return false;
  }
  return std::fabs(v.x) <= soft::kMaxVertexCoordinate && std::fabs(v.y) <= soft::kMaxVertexCoordinate;
}

// The texture that stands in for a null one: 8 x 8 of the destination's colour type, white, then
// painted white once more under the current draw state (so a tint on tints it). Its buffer gets
// its white first, so that a region or blend mode that leaves texels unpainted leaves them white.
int MakeTemporaryTexture(MEMIMG* temp, int colorType) {
  FillBytes(temp, 0, sizeof *temp);
  if (InitMemImg(temp, 8, 8, -1, 0, colorType, 0, 0, 0) != 0) return -1;
  for (int y = 0; y < temp->height; ++y) {
    std::memset(temp->pixels + static_cast<ptrdiff_t>(y) * temp->pitch, 0xFF,
                static_cast<size_t>(temp->width) * MemImgBytesPerPixel(temp));
  }
  FillMemImgBox(temp, 0, 0, 8, 8, 0xFFFFFFFF);
  return 0;
}

// The loop for the call (null when the call draws nothing) and its vector body, if it has one.
struct LoopChoice {
  soft::Raster3DLoop loop;
  soft::SpanBlocks blocks;
};

// Vector bodies address texels with 32-bit offsets.
bool VectorReachable(const MEMIMG* tex) {
  const int64_t pitch = tex->pitch < 0 ? -static_cast<int64_t>(tex->pitch) : tex->pitch;
  return pitch * tex->height + static_cast<int64_t>(tex->width) * 4 < (int64_t{1} << 31);
}

LoopChoice ChooseLoop(const MEMIMG* tex, int transFlag, const MEMIMG* blendGraph, int modulate) {
  const int type = tex->colorType;
  if (type != kMemImg565 && type != kMemImg8888) return {};
  const bool palette = tex->paletteFlag == 1;
  const uint32_t modeBits = static_cast<uint32_t>(g_softBlend.blendMode);
  if (modeBits > kBlendMultiply) return {};
  int mode = static_cast<int>(modeBits);
  soft::LoopCell cell{palette, soft::BlendMode::kNone, blendGraph != nullptr, false, !palette && tex->alphaFlag == 1,
                      transFlag != 0};
  LoopChoice choice{};
  if (modulate) {
    cell.mode = static_cast<soft::BlendMode>(mode);
    const int index = soft::CellIndex(cell);
    choice.loop = type == kMemImg565 ? soft::GetModulatedRaster3DTable<soft::PixelType::k565>()[index]
                                     : soft::GetModulatedRaster3DTable<soft::PixelType::k8888>()[index];
  } else {
    const int param = g_softBlend.blendParam;
    if (mode == kBlendAlpha && param == 255) mode = kBlendNone;
    if ((mode == kBlendAlpha || mode == kBlendAdd) && param == 0) return {};
    // A palette texture's subtract runs at parameter 0 (a zero source still rewrites guard bits).
    if (mode == kBlendSubtract && param == 0 && !palette) return {};
    cell.mode = static_cast<soft::BlendMode>(mode);
    cell.tint = TintIsOn(g_softBlend.drawTint);
    const int index = soft::CellIndex(cell);
    choice.loop = type == kMemImg565 ? soft::GetPlainRaster3DTable<soft::PixelType::k565>()[index]
                                     : soft::GetPlainRaster3DTable<soft::PixelType::k8888>()[index];
  }
  if (SoftPathLevel() == kSoftPathAvx2 && VectorReachable(tex)) {
    choice.blocks = soft::Raster3DAvx2Blocks(type, cell, modulate != 0);
  }
  return choice;
}

// Everything after the temporary texture: refusals, set-up and the loop.
void DrawAccepted(MEMIMG* dst, MEMIMG* zbuf, const MEMIMG* tex, const ScreenVertex* v, int transFlag,
                  const MEMIMG* blendGraph, int zWrite, int modulate) {
  if (tex->colorType != dst->colorType) return;
  if (dst->paletteFlag == 1 || dst->alphaFlag == 1) return;
  if (tex->magic != kMemImgMagic || !tex->pixels) return;
  // The blend picture is read at texel coordinates: it must cover the texture.
  if (blendGraph && (blendGraph->magic != kMemImgMagic || !blendGraph->pixels || blendGraph->width < tex->width ||
                     blendGraph->height < tex->height)) {
    return;
  }
  const IntRect region = soft::SoftClipRegion(dst);
  TriangleSetup setup;
  if (soft::SetUpTriangle3D(v, region, &setup) != 0) return;
  const LoopChoice choice = ChooseLoop(tex, transFlag, blendGraph, modulate);
  if (!choice.loop || setup.rowCount == 0) return;

  Raster3DCall c;
  c.spans = soft::TriangleSpanTable;
  c.rowCount = setup.rowCount;
  c.dstRow = dst->pixels + static_cast<ptrdiff_t>(setup.firstRow) * dst->pitch;
  c.dstPitch = dst->pitch;
  c.depthRow = zbuf ? zbuf->pixels + static_cast<ptrdiff_t>(setup.firstRow) * zbuf->pitch : nullptr;
  c.depthPitch = zbuf ? zbuf->pitch : 0;
  c.depthWrite = zWrite != 0;
  c.texels = tex->pixels;
  c.texPitch = tex->pitch;
  c.texWidth = tex->width;
  c.texHeight = tex->height;
  c.palette = static_cast<const uint8_t*>(tex->palette);
  c.key = tex->transparentColor;
  c.graph = blendGraph ? blendGraph->pixels : nullptr;
  c.graphPitch = blendGraph ? blendGraph->pitch : 0;
  const int param = g_softBlend.blendParam < 0 ? 0 : (g_softBlend.blendParam > 255 ? 255 : g_softBlend.blendParam);
  c.rows = soft::MakeBlendRows(param, g_softBlend.drawTint);
  c.blocks = choice.blocks;
  for (int i = 0; i < soft::kInterpCount; ++i) {
    c.rowBase[i] = setup.rowBase[i];
    c.stepX[i] = setup.plane[i].stepX;
    c.stepY[i] = setup.plane[i].stepY;
  }
  choice.loop(c);
}

void Rasterize(MEMIMG* dst, MEMIMG* zbuf, const MEMIMG* tex, const ScreenVertex* v, int transFlag,
               const MEMIMG* blendGraph, int zWrite, int clipZWrite, int modulate, int depthClip, int nesting) {
  if (!dst || !v || dst->magic != kMemImgMagic || !dst->pixels) return;
  for (int i = 0; i < 3; ++i) {
    if (!VertexUsable(v[i])) return;
  }
  if (depthClip == 1) {
    ScreenVertex polygon[soft::kDepthPolygonSlots];
    int count = 0;
    const int cut = soft::CutTriangleAtDepthPlanes(v, polygon, &count);
    if (cut == soft::kDepthDropped) return;
    if (cut == soft::kDepthCut) {
      const int pieceClip = nesting < kMaxClipNesting ? 1 : 0;
      for (int i = 2; i < count; ++i) {
        const ScreenVertex piece[3] = {i == 2 ? polygon[0] : polygon[i], i == 2 ? polygon[1] : polygon[0],
                                       i == 2 ? polygon[2] : polygon[i - 1]};
        Rasterize(dst, zbuf, tex, piece, transFlag, blendGraph, clipZWrite, 0, 1, pieceClip, nesting + 1);
      }
      return;
    }
  }
  if (zbuf) {
    if (zbuf->width != dst->width || zbuf->height != dst->height) return;
    // Entries are 16-bit whatever the depth picture's colour type says.
    if (!zbuf->pixels || zbuf->pitch < 2 * zbuf->width) return;
  }
  if (tex) {
    DrawAccepted(dst, zbuf, tex, v, transFlag, blendGraph, zWrite, modulate);
    return;
  }
  MEMIMG temp;
  if (MakeTemporaryTexture(&temp, dst->colorType) != 0) return;
  DrawAccepted(dst, zbuf, &temp, v, transFlag, blendGraph, zWrite, modulate);
  FreeMemImg(&temp);
}

}  // namespace

void RasterizeTriangle3D(MEMIMG* dst, MEMIMG* zbuf, const MEMIMG* tex, const ScreenVertex* vertices, int transFlag,
                         const MEMIMG* blendGraph, int zWrite, int clipZWrite, int modulate, int depthClip) {
  Rasterize(dst, zbuf, tex, vertices, transFlag, blendGraph, zWrite, clipZWrite, modulate, depthClip, 0);
}

}  // namespace zelvo
