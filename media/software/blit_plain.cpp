// BlitMemImg: the plain blitter's set-up and loop choice. The loops are in the tables of
// blit_grid.h; every decision that is the same for all pixels of a call is made here, once.
#include "media/software/blit.h"

#include "media/software/blit_grid.h"

namespace zelvo {

namespace {

using soft::BlitCall;
using soft::BlitLoop;
using soft::BlitTables;

// The blend picture must be an 8-bit single-channel image covering the source.
bool BlendGraphCovers(const MEMIMG* graph, const MEMIMG* source) {
  return graph->colorType == kMemImgSingle8 && graph->width >= source->width && graph->height >= source->height &&
         graph->pixels != nullptr;
}

BlitLoop ChoosePlainLoop(const BlitTables& t, int type, const soft::BlitChoice& choice) {
  if (const soft::FastPath* fast = soft::FindFastPath(soft::BlitOperation::kPlain, type, choice)) {
    return t.fast[static_cast<int>(fast->loop)][soft::FastFlagIndex(choice.cell.palette, choice.cell.transparent)];
  }
  return t.plain[soft::CellIndex(choice.cell)];
}

}  // namespace

void BlitMemImg(MEMIMG* destination, const MEMIMG* source, int x, int y, int transparentFlag,
                const MEMIMG* blendGraph) {
  if (source->colorType != destination->colorType || destination->paletteFlag || destination->alphaFlag) return;
  const int type = source->colorType;
  if (type != kMemImg565 && type != kMemImg8888) return;
  if (!source->pixels || !destination->pixels) return;
  if (blendGraph && !BlendGraphCovers(blendGraph, source)) return;

  // far-off positions must not overflow the right and bottom edges
  auto edge = [](int origin, int size) {
    const int64_t e = static_cast<int64_t>(origin) + size;
    return static_cast<int>(e > INT32_MAX ? INT32_MAX : e);
  };
  IntRect r{x, y, edge(x, source->width), edge(y, source->height)};
  const IntRect region = soft::SoftClipRegion(destination);
  ClipSoftRect(&r, &region);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  const int64_t sx = static_cast<int64_t>(r.left) - x, sy = static_cast<int64_t>(r.top) - y;

  soft::BlitChoice choice;
  if (!soft::ChooseBlit(source, blendGraph, transparentFlag, &choice)) return;
  const int srcBytes = source->format->BytesPerPixel;
  const int dstBytes = destination->format->BytesPerPixel;

  // Every field is set one by one: clearing the whole record first costs more than a small draw's
  // set-up otherwise does.
  BlitCall c;
  c.dst = destination->pixels + static_cast<ptrdiff_t>(r.top) * destination->pitch + static_cast<ptrdiff_t>(r.left) * dstBytes;
  c.dstPitch = destination->pitch;
  c.src = source->pixels + sy * source->pitch + sx * srcBytes;
  c.srcRowStride = source->pitch;
  c.graph = choice.cell.blendGraph ? blendGraph->pixels + sy * blendGraph->pitch + sx : nullptr;
  c.graphRowStride = choice.cell.blendGraph ? blendGraph->pitch : 0;
  c.runCode = nullptr;
  // stretching only
  c.columns = nullptr;
  c.rowBuffer = nullptr;
  c.lowestColumn = c.highestColumn = 0;
  c.stepY = 0;
  c.phaseY = 0;
  c.width = w;
  c.height = h;
  c.key = source->transparentColor;
  c.rowKey = type == kMemImg565 ? (c.key & 0xFFFF) : c.key;
  c.rowKeyed = true;
  // Palette sources read the source's own 256-entry palette: no shared scratch copy to overflow or
  // to leave stale entries behind.
  c.palette = static_cast<const uint8_t*>(source->palette);
  c.rows = soft::MakeBlendRows(choice.param, g_softBlend.drawTint);

  const BlitTables& t = soft::BlitTablesFor(type);
  const bool runPath = transparentFlag == 1 && source->runsValid == 1 && source->runCode && w == source->width &&
                       h == source->height;
  if (runPath) {
    c.runCode = source->runCode;
    t.run[soft::CellIndex(choice.cell)](c);
    return;
  }
  ChoosePlainLoop(t, type, choice)(c);
}

}  // namespace zelvo
