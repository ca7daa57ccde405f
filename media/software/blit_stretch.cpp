// StretchBlitMemImg: nearest-sample stretching in 16.16 steps, mirrored on an axis given with its
// corners swapped. Same-size unmirrored requests go to BlitMemImg.
#include "media/software/blit.h"

#include "media/software/blit_grid.h"

namespace zelvo {

namespace {

using soft::BlitCall;
using soft::BlitTables;

// The 16.16 arithmetic holds for spans below 32768 pixels and sources below 65536.
constexpr int kMaxSpan = 32767;
constexpr int kMaxSource = 65535;

// Per-call scratch: the column table and one gathered row (the routine is not re-entrant; the
// caller holds the library lock).
int32_t g_columns[kMaxSpan];
alignas(32) uint8_t g_rowBuffer[kMaxSpan * 4];

}  // namespace

void StretchBlitMemImg(MEMIMG* destination, const MEMIMG* source, const IntRect* rect, int transparentFlag,
                       const MEMIMG* blendGraph) {
  if (source->colorType != destination->colorType || destination->paletteFlag || destination->alphaFlag) return;
  const int mirrorX = rect->right < rect->left ? -1 : 1;
  const int mirrorY = rect->bottom < rect->top ? -1 : 1;
  IntRect R{mirrorX < 0 ? rect->right : rect->left, mirrorY < 0 ? rect->bottom : rect->top,
            mirrorX < 0 ? rect->left : rect->right, mirrorY < 0 ? rect->top : rect->bottom};
  const int64_t dw = static_cast<int64_t>(R.right) - R.left, dh = static_cast<int64_t>(R.bottom) - R.top;
  if (dw == 0 || dh == 0) return;
  if (dw == source->width && dh == source->height && mirrorX > 0 && mirrorY > 0) {
    BlitMemImg(destination, source, R.left, R.top, transparentFlag, blendGraph);
    return;
  }
  const int type = source->colorType;
  if (type != kMemImg565 && type != kMemImg8888) return;
  if (source->width <= 0 || source->height <= 0 || source->width > kMaxSource || source->height > kMaxSource) return;
  if (dw > kMaxSpan || dh > kMaxSpan || !source->pixels || !destination->pixels) return;
  if (blendGraph && (blendGraph->colorType != kMemImgSingle8 || blendGraph->width < source->width ||
                     blendGraph->height < source->height || !blendGraph->pixels)) {
    return;
  }

  const uint32_t stepX = static_cast<uint32_t>((static_cast<uint64_t>(dw) << 16) / static_cast<uint32_t>(source->width));
  const uint32_t stepY = static_cast<uint32_t>((static_cast<uint64_t>(dh) << 16) / static_cast<uint32_t>(source->height));
  const IntRect R0 = R;
  const IntRect region = soft::SoftClipRegion(destination);
  ClipSoftRect(&R, &region);
  const int cw = R.right - R.left, ch = R.bottom - R.top;
  const int64_t offX = static_cast<int64_t>(R.left) - R0.left, offY = static_cast<int64_t>(R.top) - R0.top;
  if (cw <= 0 || ch <= 0 || stepX == 0 || stepY == 0) return;
  const int64_t skipX = (offX << 16) / stepX, skipY = (offY << 16) / stepY;
  const int32_t phaseX = static_cast<int32_t>(stepX - (offX << 16) % stepX);
  const int32_t phaseY = static_cast<int32_t>(stepY - (offY << 16) % stepY);

  soft::BlitChoice choice;
  if (!soft::ChooseBlit(source, blendGraph, transparentFlag, &choice)) return;

  const int srcBytes = source->format->BytesPerPixel;
  const int dstBytes = destination->format->BytesPerPixel;
  const int64_t column = mirrorX > 0 ? skipX : source->width - 1 - skipX;
  const int64_t row = mirrorY > 0 ? skipY : source->height - 1 - skipY;

  BlitCall c{};
  c.dst = destination->pixels + static_cast<ptrdiff_t>(R.top) * destination->pitch + static_cast<ptrdiff_t>(R.left) * dstBytes;
  c.dstPitch = destination->pitch;
  c.src = source->pixels + row * source->pitch + column * srcBytes;
  c.srcRowStride = mirrorY * source->pitch;
  if (choice.cell.blendGraph) {
    c.graph = blendGraph->pixels + row * blendGraph->pitch + column;
    c.graphRowStride = mirrorY * blendGraph->pitch;
  }
  c.width = cw;
  c.height = ch;
  c.key = source->transparentColor;
  c.palette = static_cast<const uint8_t*>(source->palette);
  c.stepY = stepY;
  c.phaseY = phaseY;
  c.columns = g_columns;
  c.rowBuffer = g_rowBuffer;
  c.lowestColumn = static_cast<int32_t>(-column);
  c.highestColumn = static_cast<int32_t>(source->width - 1 - column);
  c.rows = soft::MakeBlendRows(choice.param, g_softBlend.drawTint);

  const BlitTables& t = soft::BlitTablesFor(type);
  const soft::FastPath* fast = soft::FindFastPath(soft::BlitOperation::kStretch, type, choice);
  soft::StretchColumns(g_columns, cw, phaseX, stepX, mirrorX, fast != nullptr);
  // The 16-bit copy compares the low 16 bits of the key, every other loop the whole key, which a
  // 16-bit value above 0xFFFF never equals.
  const bool copy = fast != nullptr && fast->loop == soft::FastLoop::kStretchCopy;
  c.rowKey = (type == kMemImg565 && copy) ? (c.key & 0xFFFF) : c.key;
  c.rowKeyed = type == kMemImg8888 || c.rowKey <= 0xFFFF;
  if (fast) {
    t.fast[static_cast<int>(fast->loop)][soft::FastFlagIndex(choice.cell.palette, choice.cell.transparent)](c);
    return;
  }
  t.stretch[soft::CellIndex(choice.cell)](c);
}

}  // namespace zelvo
