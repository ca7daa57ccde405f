// Span choice for the mapped draws: the blend mode after its parameter shortcuts and the loop of
// the call's cell.
#include "media/software/rotate_kernels.h"

namespace zelvo::soft {

int MappedBlendMode(bool palette) {
  const int mode = g_softBlend.blendMode;
  const int param = g_softBlend.blendParam;
  switch (mode) {
    case kBlendNone: return mode;
    case kBlendAlpha: return param == 255 ? kBlendNone : (param == 0 ? -1 : mode);
    case kBlendAdd: return param == 0 ? -1 : mode;
    case kBlendSubtract: return param == 0 && !palette ? -1 : mode;
    case kBlendMultiply: return mode;
    default: return -1;
  }
}

int FlatBlendMode() {
  const int mode = g_softBlend.blendMode;
  const int param = g_softBlend.blendParam;
  switch (mode) {
    case kBlendNone:
    case kBlendMultiply: return mode;
    case kBlendAlpha: return param == 255 ? kBlendNone : (param == 0 ? -1 : mode);
    case kBlendAdd:
    case kBlendSubtract: return param == 0 ? -1 : mode;
    default: return -1;
  }
}

namespace {

const MapSpanTable& MapSpanTableFor(int type) {
  return type == kMemImg565 ? GetMapSpanTable<PixelType::k565>() : GetMapSpanTable<PixelType::k8888>();
}

}  // namespace

MapSpan ChooseMapSpan(int type, const LoopCell& cell) { return MapSpanTableFor(type).textured[CellIndex(cell)]; }

MapSpan VectorMapSpanAvx2(int type, const LoopCell& cell);

// Only AVX2 gathers the source pixels; the SSE2 level keeps the scalar spans.
MapSpan VectorMapSpan(int level, int type, const LoopCell& cell) {
  return level == kSoftPathAvx2 ? VectorMapSpanAvx2(type, cell) : nullptr;
}

namespace {

MapSpan ChooseVectorSpan(int type, const LoopCell& cell) {
  const int level = SoftPathLevel();
  if (level == kSoftPathReference || cell.palette || cell.blendGraph || cell.tint) return nullptr;
  return VectorMapSpan(level, type, cell);
}

}  // namespace

MapSpan ChooseFlatSpan(int type, BlendMode mode) { return MapSpanTableFor(type).flat[static_cast<int>(mode)]; }

MapSpan PrepareTexturedCall(MapCall* c, const MEMIMG* destination, const MEMIMG* source, int transparentFlag,
                            const MEMIMG* blendGraph) {
  const int type = source->colorType;
  if (type != destination->colorType || destination->paletteFlag != 0 || destination->alphaFlag != 0) return nullptr;
  if (type != kMemImg565 && type != kMemImg8888) return nullptr;
  if (!source->pixels || !destination->pixels) return nullptr;
  if (source->width > kMaxMappedSource || source->height > kMaxMappedSource) return nullptr;
  // The blend picture is read at the source's positions with no test of its own.
  if (blendGraph && (blendGraph->colorType != kMemImgSingle8 || !blendGraph->pixels ||
                     blendGraph->width < source->width || blendGraph->height < source->height)) {
    return nullptr;
  }
  const bool palette = source->paletteFlag == 1;
  const int mode = MappedBlendMode(palette);
  if (mode < 0) return nullptr;

  *c = MapCall{};
  c->src = source->pixels;
  c->srcPitch = source->pitch;
  if (blendGraph) {
    c->graph = blendGraph->pixels;
    c->graphPitch = blendGraph->pitch;
  }
  c->uLimit = static_cast<uint32_t>(source->width) << kFixedShift;
  c->vLimit = static_cast<uint32_t>(source->height) << kFixedShift;
  c->op.key = source->transparentColor;
  // Palette sources read the source's own 256-entry palette, so no shared scratch copy is needed.
  c->op.palette = static_cast<const uint8_t*>(source->palette);
  c->op.rows = MakeBlendRows(g_softBlend.blendParam, g_softBlend.drawTint);
  const LoopCell cell{palette, static_cast<BlendMode>(mode), blendGraph != nullptr, TintIsOn(g_softBlend.drawTint),
                      !palette && source->alphaFlag == 1, transparentFlag != 0};
  c->scalar = ChooseMapSpan(type, cell);
  const MapSpan vector = ChooseVectorSpan(type, cell);
  return vector ? vector : c->scalar;
}

MapSpan PrepareFlatCall(MapCall* c, const MEMIMG* destination, uint32_t colour) {
  const int type = destination->colorType;
  if (destination->paletteFlag != 0 || destination->alphaFlag != 0 || !destination->pixels) return nullptr;
  if (type != kMemImg565 && type != kMemImg8888) return nullptr;
  const int mode = FlatBlendMode();
  if (mode < 0) return nullptr;

  // The colour is tinted once, always through the product rows (white is row 255, the identity).
  const uint32_t tint = g_softBlend.drawTint;
  const int32_t* tb = BlendProductTable[tint & 0xFF];
  const int32_t* tg = BlendProductTable[(tint >> 8) & 0xFF];
  const int32_t* tr = BlendProductTable[(tint >> 16) & 0xFF];
  uint32_t c2;
  if (type == kMemImg565) {
    // Colours are unchecked public values: keep a 16-bit colour inside its 16 bits.
    colour &= 0xFFFF;
    c2 = static_cast<uint32_t>(tr[colour >> 11]) << 11 | static_cast<uint32_t>(tg[(colour >> 5) & 63]) << 5 |
         static_cast<uint32_t>(tb[colour & 31]);
  } else {
    c2 = (colour & 0xFF000000u) | static_cast<uint32_t>(tr[(colour >> 16) & 0xFF]) << 16 |
         static_cast<uint32_t>(tg[(colour >> 8) & 0xFF]) << 8 | static_cast<uint32_t>(tb[colour & 0xFF]);
  }
  *c = MapCall{};
  c->flatColour = c2;
  c->op.rows = MakeBlendRows(g_softBlend.blendParam, kTintOff);
  return ChooseFlatSpan(type, static_cast<BlendMode>(mode));
}

}  // namespace zelvo::soft
