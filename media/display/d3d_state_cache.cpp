// The device slot's shadow of render and texture-stage states: setters that send only changes, the
// translation of blend modes into blend factors and stage operations, and the preparation every
// draw makes before it queues vertices.
#include <cstring>

#include "media/display/d3d_device.h"
#include "media/software/blend_state.h"

namespace zelvo {
namespace {

constexpr std::int16_t kLeave = -1;

// (DESTBLEND, SRCBLEND) per blend mode; -1 leaves the device's factor.
constexpr int kD3DBlendTable[10][2] = {
    {-1, -1}, {6, 5}, {2, 5}, {1, 10}, {3, 1}, {2, 5}, {-1, -1}, {-1, -1}, {2, 1}, {1, 10},
};

struct StageOps {
  std::int16_t alphaArg1, alphaArg2, alphaOp, colorArg1, colorArg2, colorOp;
};
struct StageRow {
  int count;
  StageOps stages[kStageCount];
};

constexpr std::int16_t kTex = pf::D3DTA_TEXTURE, kDiffuse = pf::D3DTA_DIFFUSE, kCurrent = pf::D3DTA_CURRENT,
                       kFactor = pf::D3DTA_TFACTOR, kSpecular = pf::D3DTA_SPECULAR;
constexpr std::int16_t kDisable = pf::D3DTOP_DISABLE, kArg1 = pf::D3DTOP_SELECTARG1, kArg2 = pf::D3DTOP_SELECTARG2,
                       kModulate = pf::D3DTOP_MODULATE, kAdd = pf::D3DTOP_ADD;

constexpr StageOps kStageOff{kLeave, kLeave, kDisable, kLeave, kLeave, kDisable};

// Colour op, then alpha op, each with its two arguments.
constexpr StageOps Ops(std::int16_t colorOp, std::int16_t c1, std::int16_t c2, std::int16_t alphaOp, std::int16_t a1,
                       std::int16_t a2) {
  return StageOps{a1, a2, alphaOp, c1, c2, colorOp};
}

// The row for (blend graph bound, modulation, blending, texture alpha kind).
StageRow BuildStageRow(int blendGraph, int modulation, int blending, int kind) {
  StageRow row{1, {kStageOff, kStageOff, kStageOff, kStageOff}};
  const StageOps c1Color = modulation ? Ops(kModulate, kTex, kDiffuse, 0, 0, 0) : Ops(kArg1, kTex, kCurrent, 0, 0, 0);
  if (!blendGraph) {
    StageOps s = modulation ? Ops(kModulate, kTex, kDiffuse, 0, 0, 0) : Ops(kArg1, kTex, kDiffuse, 0, 0, 0);
    if (kind == 0) {
      s.alphaOp = kArg2, s.alphaArg1 = kTex, s.alphaArg2 = kDiffuse;
    } else {
      s.alphaOp = blending ? kModulate : kArg1, s.alphaArg1 = kTex, s.alphaArg2 = kDiffuse;
    }
    row.stages[0] = s;
    return row;
  }
  row.stages[0] = Ops(kArg2, kTex, kDiffuse, kAdd, kTex, kFactor);
  auto withAlpha = [](StageOps s, std::int16_t op, std::int16_t a1, std::int16_t a2) {
    s.alphaOp = op, s.alphaArg1 = a1, s.alphaArg2 = a2;
    return s;
  };
  const StageOps passSpecular = Ops(kArg1, kCurrent, kLeave, kModulate, kSpecular, kCurrent);
  const StageOps passDiffuse = Ops(kArg1, kCurrent, kLeave, kModulate, kDiffuse, kCurrent);
  if (kind == 0) {
    row.count = 2;
    row.stages[1] = blending ? withAlpha(c1Color, kModulate, kDiffuse, kCurrent) : withAlpha(c1Color, kArg1, kCurrent, kLeave);
  } else if (kind == 1) {
    row.count = blending ? 4 : 3;
    row.stages[1] = passSpecular;
    row.stages[2] = withAlpha(c1Color, kModulate, kTex, kCurrent);
    if (blending) row.stages[3] = passDiffuse;
  } else {
    row.count = blending ? 3 : 2;
    row.stages[1] = withAlpha(c1Color, kModulate, kTex, kCurrent);
    if (blending) row.stages[2] = passDiffuse;
  }
  return row;
}

struct StageTable {
  StageRow rows[2][2][2][3];
  StageTable() {
    for (int g = 0; g < 2; ++g)
      for (int m = 0; m < 2; ++m)
        for (int b = 0; b < 2; ++b)
          for (int k = 0; k < 3; ++k) rows[g][m][b][k] = BuildStageRow(g, m, b, k);
  }
};
const StageTable& TextureStageTable() {
  static const StageTable table;
  return table;
}

constexpr StageRow kUntexturedStageRow{
    1, {Ops(kArg1, kDiffuse, kLeave, kArg2, kLeave, kDiffuse), kStageOff, kStageOff, kStageOff}};

// One render state through the cache: sent when it differs or under force.
void SendState(Device3DSlot* s, pf::D3DRenderState state, std::uint32_t* cached, std::uint32_t value) {
  if (*cached == value && !s->force) return;
  s->device->SetRenderState(state, value);
  *cached = value;
}

void SendStageValue(Device3DSlot* s, int stage, pf::D3DTextureStageState state, std::int16_t* cached,
                    std::int16_t value) {
  if (value == kLeave) return;
  if (*cached == value && !s->force) return;
  s->device->SetTextureStageState(static_cast<std::uint32_t>(stage), state, static_cast<std::uint16_t>(value));
  *cached = value;
}

void SendFilter(Device3DSlot* s, int stages) {
  const std::uint32_t value = s->filter == 1 ? pf::D3DTFG_LINEAR : pf::D3DTFG_POINT;
  for (int i = 0; i < stages; ++i) {
    s->device->SetTextureStageState(static_cast<std::uint32_t>(i), pf::D3DTSS_MAGFILTER, value);
    s->device->SetTextureStageState(static_cast<std::uint32_t>(i), pf::D3DTSS_MINFILTER, value);
  }
}

// Applies a cached-field setter's rule: nothing when unchanged and not forced, else flush and store.
template <typename T>
bool Changes(Device3DSlot* s, int slot, const T& cached, const T& value) {
  if (cached == value && !s->force) return false;
  G_D3D_FlushBatch(slot);
  return true;
}

// The blend-graph factor: alpha test or a shifted, steepened alpha weight.
void BlendGraphFactor(Device3DSlot* s, int kind, std::uint32_t* test, std::uint32_t* ref, std::uint32_t* func,
                      std::uint32_t* blend, std::uint32_t* factor, StageOps* stages) {
  const int p = s->borderParam < 0 ? 0 : s->borderParam;
  const int r = s->borderRange;
  if (r <= 1) {
    *test = 1;
    *ref = static_cast<std::uint32_t>(p == 0 && kind != 0 ? 1 : p);
    *func = pf::D3DCMP_GREATEREQUAL;
    *blend = 0;
    *factor = 0x00FFFFFF;
    return;
  }
  *test = 0;
  *blend = 1;
  int span = 0, low = 0, stretch = 0;
  std::int16_t op = 0;
  if (r > 128) {
    span = 512, low = 255, stretch = 256, op = pf::D3DTOP_MODULATE;
  } else if (r > 64) {
    span = 768, low = 128, stretch = 512, op = pf::D3DTOP_MODULATE2X;
  } else {
    span = 1280, low = 64, stretch = 1024, op = pf::D3DTOP_MODULATE4X;
  }
  const int e = p * span / 255;
  int alpha = 0;
  if (e <= 256) {
    alpha = low * (256 - e) / 256;
    stages[0].alphaOp = pf::D3DTOP_ADD;
  } else {
    alpha = 255 - 255 * (span - e) / stretch;
    stages[0].alphaOp = pf::D3DTOP_SUBTRACT;
  }
  stages[1].alphaOp = op;
  *factor = static_cast<std::uint32_t>(alpha) << 24 | 0xFFFFFF;
}

}  // namespace

void PrefillVertexBuffers(Device3DSlot* slot) {
  for (int kind = 0; kind < kVertexKindCount; ++kind) {
    for (int i = 0; i < kVertexCapacities[kind]; ++i) {
      unsigned char* v = slot->vertexBuffers[kind] + i * kVertexSizes[kind];
      const float z = 0.0f, rhw = 1.0f;
      std::memcpy(v + 8, &z, 4);
      std::memcpy(v + 12, &rhw, 4);
      if (kind == 2) {
        const std::uint32_t specular = 0xFFFFFFFF;
        std::memcpy(v + 20, &specular, 4);
      }
    }
  }
}

void InitStateCache(Device3DSlot* slot) {
  slot->blendDirty = 1;
  slot->zEnable = 1;
  slot->zWriteEnable = 0;
  slot->zFunc = pf::D3DCMP_LESSEQUAL;
  slot->shadeMode = pf::D3DSHADE_FLAT;
  slot->addressMode = pf::D3DTADDRESS_CLAMP;
  slot->borderParam = -1;
  slot->batchKind = 1;
  slot->primitiveType = pf::D3DPT_TRIANGLELIST;
  slot->writePointer = slot->vertexBuffers[1];
  for (auto& stage : slot->stages) stage = StageRecord{nullptr, 2, 0, 1, 2, 0, 1};
}

int G_D3D_SetTexture(pf::DirectDrawSurface7* texture, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr) return -1;
  if (!Changes(s, slot, s->currentTexture, texture)) return 0;
  if ((s->currentTexture == nullptr) != (texture == nullptr)) s->blendDirty = 1;
  s->currentTexture = texture;
  s->textureDirty = 1;
  return 0;
}

int G_D3D_SetBlendState(int blendMode, int alphaTest, int alphaBlend, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr) return -1;
  if (s->blendMode == blendMode && s->alphaTestTexture == alphaTest && s->alphaBlendTexture == alphaBlend && !s->force) {
    return 0;
  }
  G_D3D_FlushBatch(slot);
  s->blendMode = blendMode;
  s->alphaTestTexture = alphaTest;
  s->alphaBlendTexture = alphaBlend;
  s->blendDirty = 1;
  return 0;
}

int G_D3D_SetModulationOn(int on, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr) return -1;
  if (!Changes(s, slot, s->modulation, on)) return 0;
  s->modulation = on;
  s->blendDirty = 1;
  return 0;
}

int G_D3D_SetBlendingOn(int on, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr) return -1;
  if (!Changes(s, slot, s->blending, on)) return 0;
  s->blending = on;
  s->blendDirty = 1;
  return 0;
}

int G_D3D_SetFilterState(int filter, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr || (filter != 0 && filter != 1)) return -1;
  if (!Changes(s, slot, s->filter, filter)) return 0;
  s->filter = filter;
  SendFilter(s, s->stageCount);
  return 0;
}

namespace {
int SetCachedRenderState(int slot, pf::D3DRenderState state, std::uint32_t Device3DSlot::*field, std::uint32_t value,
                         bool flush) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr) return -1;
  if (s->*field == value && !s->force) return 0;
  if (flush) G_D3D_FlushBatch(slot);
  s->device->SetRenderState(state, value);
  s->*field = value;
  return 0;
}
}  // namespace

int G_D3D_SetZEnable(int on, int slot) {
  return SetCachedRenderState(slot, pf::D3DRS_ZENABLE, &Device3DSlot::zEnable, on == 1 ? 1u : 0u, true);
}
int G_D3D_SetZWriteEnable(int on, int slot) {
  return SetCachedRenderState(slot, pf::D3DRS_ZWRITEENABLE, &Device3DSlot::zWriteEnable, static_cast<std::uint32_t>(on),
                              true);
}
int G_D3D_SetZFunc(int func, int slot) {
  return SetCachedRenderState(slot, pf::D3DRS_ZFUNC, &Device3DSlot::zFunc, static_cast<std::uint32_t>(func), true);
}
int G_D3D_SetShadeMode(std::uint32_t mode, int slot) {
  return SetCachedRenderState(slot, pf::D3DRS_SHADEMODE, &Device3DSlot::shadeMode, mode, true);
}
int G_D3D_SetTexturePerspective(int on, int slot) {
  return SetCachedRenderState(slot, pf::D3DRS_TEXTUREPERSPECTIVE, &Device3DSlot::texturePerspective,
                              static_cast<std::uint32_t>(on), false);
}
int G_D3D_SetLighting(int on, int slot) {
  return SetCachedRenderState(slot, pf::D3DRS_LIGHTING, &Device3DSlot::lighting, static_cast<std::uint32_t>(on), false);
}
int G_D3D_SetColorKeyEnable(int on, int slot) {
  return SetCachedRenderState(slot, pf::D3DRS_COLORKEYENABLE, &Device3DSlot::colorKeyEnable,
                              static_cast<std::uint32_t>(on), true);
}

int G_D3D_SetCullMode(int on, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr) return -1;
  const std::uint32_t value = on ? 1u : 0u;
  if (!Changes(s, slot, s->cullOn, value)) return 0;
  s->device->SetRenderState(pf::D3DRS_CULLMODE, on ? pf::D3DCULL_CCW : pf::D3DCULL_NONE);
  s->cullOn = value;
  return 0;
}

int G_D3D_SetTextureAddress(std::uint32_t mode, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr) return -1;
  if (!Changes(s, slot, s->addressMode, mode)) return 0;
  for (int stage = kStageCount - 1; stage >= 0; --stage) {
    s->device->SetTextureStageState(static_cast<std::uint32_t>(stage), pf::D3DTSS_ADDRESS, mode);
  }
  s->addressMode = mode;
  return 0;
}

int G_D3D_SetDeviceTransform(std::uint32_t state, const pf::D3DMatrix* matrix, int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr || s->device == nullptr) return -1;
  return s->device->SetTransform(state, matrix) == pf::DD_OK ? 0 : -1;
}

int G_D3D_ApplyStageStates(int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr || s->device == nullptr) return -1;
  if (!s->blendDirty && !s->textureDirty && !s->force) return 0;
  if (!s->blendDirty && !s->force && s->textureDirty == 1) {
    const int stage = s->blendGraphTexture != nullptr ? (s->alphaBlendTexture == 1 ? 2 : 1) : 0;
    s->device->SetTexture(static_cast<std::uint32_t>(stage), s->currentTexture);
    s->stages[stage].texture = s->currentTexture;
    s->textureDirty = 0;
    return 0;
  }
  s->blendDirty = 0;
  s->textureDirty = 0;
  pf::DirectDrawSurface7* textures[kStageCount] = {};
  std::uint32_t test = s->alphaTestEnable, ref = s->alphaRef, func = s->alphaFunc, blend = 0, factor = 0xFFFFFFFF;
  const int mode = s->blendMode >= 0 && s->blendMode < 10 ? s->blendMode : 0;
  int destBlend = kD3DBlendTable[mode][0], srcBlend = kD3DBlendTable[mode][1];
  const bool blendSwitch = mode != 0 && mode != 6;
  StageRow row{};
  if (s->currentTexture != nullptr) {
    const int kind = s->alphaBlendTexture ? 1 : (s->alphaTestTexture ? 2 : 0);
    if (s->blendGraphTexture != nullptr) {
      row = TextureStageTable().rows[1][s->modulation][s->blending][kind];
      if (!blendSwitch) destBlend = kD3DBlendTable[1][0], srcBlend = kD3DBlendTable[1][1];
      s->discardBatch = s->borderParam == 255;
      s->batchKind = 2;
      textures[0] = s->blendGraphTexture;
      textures[s->alphaBlendTexture == 1 ? 2 : 1] = s->currentTexture;
      BlendGraphFactor(s, kind, &test, &ref, &func, &blend, &factor, row.stages);
    } else {
      s->discardBatch = 0;
      s->batchKind = 1;
      row = TextureStageTable().rows[0][s->modulation][s->blending][kind];
      textures[0] = s->currentTexture;
      if (s->alphaTestTexture == 1) {
        test = 1, ref = 16, func = pf::D3DCMP_GREATER;
      } else if (s->zEnable) {
        // Pixels of alpha 0 write no depth.
        test = 1, ref = 0, func = pf::D3DCMP_GREATER;
      } else {
        test = 0;
      }
      if (s->alphaBlendTexture == 1 && !blendSwitch) destBlend = kD3DBlendTable[1][0], srcBlend = kD3DBlendTable[1][1];
      blend = (s->alphaBlendTexture == 1 || blendSwitch) ? 1 : 0;
    }
  } else {
    s->discardBatch = 0;
    s->batchKind = 0;
    if (mode == 3) {
      row = kUntexturedStageRow;
    } else {
      row.count = s->stageCount < 1 ? 1 : s->stageCount;
      for (int i = 0; i < kStageCount; ++i) {
        const StageRecord& c = s->stages[i];
        row.stages[i] = StageOps{c.alphaArg1, c.alphaArg2, c.alphaOp, c.colorArg1, c.colorArg2, c.colorOp};
      }
    }
    test = 0;
    factor = s->textureFactor;
    blend = blendSwitch ? 1 : 0;
  }
  s->writePointer = s->vertexBuffers[s->batchKind];

  const int count = row.count;
  if (count != s->stageCount) {
    s->stageCount = count;
    SendFilter(s, count);
  }
  const int walked = count < kStageCount ? count + 1 : kStageCount;
  SendState(s, pf::D3DRS_ALPHAFUNC, &s->alphaFunc, func);
  SendState(s, pf::D3DRS_ALPHAREF, &s->alphaRef, ref);
  SendState(s, pf::D3DRS_ALPHATESTENABLE, &s->alphaTestEnable, test);
  SendState(s, pf::D3DRS_ALPHABLENDENABLE, &s->alphaBlendEnable, blend);
  SendState(s, pf::D3DRS_TEXTUREFACTOR, &s->textureFactor, factor);
  if (srcBlend != -1) SendState(s, pf::D3DRS_SRCBLEND, &s->srcBlend, static_cast<std::uint32_t>(srcBlend));
  if (destBlend != -1) SendState(s, pf::D3DRS_DESTBLEND, &s->destBlend, static_cast<std::uint32_t>(destBlend));
  for (int i = 0; i < walked; ++i) {
    if (i >= 2 && s->stages[i - 1].alphaOp == kDisable) break;
    StageRecord& c = s->stages[i];
    const StageOps& o = i < count ? row.stages[i] : kStageOff;
    if (c.texture != textures[i] || s->force) {
      s->device->SetTexture(static_cast<std::uint32_t>(i), textures[i]);
      c.texture = textures[i];
    }
    SendStageValue(s, i, pf::D3DTSS_ALPHAOP, &c.alphaOp, o.alphaOp);
    SendStageValue(s, i, pf::D3DTSS_ALPHAARG1, &c.alphaArg1, o.alphaArg1);
    SendStageValue(s, i, pf::D3DTSS_ALPHAARG2, &c.alphaArg2, o.alphaArg2);
    SendStageValue(s, i, pf::D3DTSS_COLOROP, &c.colorOp, o.colorOp);
    SendStageValue(s, i, pf::D3DTSS_COLORARG1, &c.colorArg1, o.colorArg1);
    SendStageValue(s, i, pf::D3DTSS_COLORARG2, &c.colorArg2, o.colorArg2);
  }
  return 0;
}

int G_D3D_ApplyBaseStates(int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr || s->device == nullptr) return -1;
  G_D3D_FlushBatch(slot);
  static const std::uint32_t kCoordIndex[kStageCount] = {0, 1, 1, 0};
  for (std::uint32_t i = 0; i < kStageCount; ++i) {
    s->device->SetTextureStageState(i, pf::D3DTSS_ADDRESS, s->addressMode);
    s->device->SetTextureStageState(i, pf::D3DTSS_TEXCOORDINDEX, kCoordIndex[i]);
  }
  s->device->SetRenderState(pf::D3DRS_TEXTUREPERSPECTIVE, s->texturePerspective);
  s->device->SetRenderState(pf::D3DRS_SHADEMODE, s->shadeMode);
  s->device->SetRenderState(pf::D3DRS_COLORKEYENABLE, s->colorKeyEnable);
  s->device->SetRenderState(pf::D3DRS_LIGHTING, s->lighting);
  s->device->SetRenderState(pf::D3DRS_CULLMODE, pf::D3DCULL_NONE);
  s->device->SetRenderState(pf::D3DRS_DITHERENABLE, 0);
  return 0;
}

int G_D3D_ReapplyAllStates(int slot) {
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr || s->device == nullptr) return -1;
  s->force = 1;
  if (s->viewport.width != 0 && s->viewport.height != 0) {
    const pf::D3DViewport7 viewport = s->viewport;
    G_D3D_SetViewport(&viewport, slot);
  }
  const std::uint32_t colorKey = s->colorKeyEnable;
  G_D3D_SetColorKeyEnable(static_cast<int>(colorKey), slot);
  G_D3D_SetColorKeyEnable(0, slot);
  G_D3D_ApplyBaseStates(slot);
  G_D3D_SetFilterState(s->filter, slot);
  G_D3D_ApplyStageStates(slot);
  G_D3D_SetZEnable(static_cast<int>(s->zEnable), slot);
  G_D3D_SetZWriteEnable(static_cast<int>(s->zWriteEnable), slot);
  G_D3D_SetZFunc(static_cast<int>(s->zFunc), slot);
  G_D3D_SetCullMode(static_cast<int>(s->cullOn), slot);
  G_D3D_SetTexturePerspective(static_cast<int>(s->texturePerspective), slot);
  G_D3D_SetShadeMode(s->shadeMode, slot);
  s->force = 0;
  return 0;
}

int G_D3D_CopyDeviceStates(int target, int source) {
  Device3DSlot* t = UsableSlot(target);
  Device3DSlot* from = UsableSlot(source);
  if (t == nullptr || from == nullptr) return -1;
  G_D3D_SetBlendState(from->blendMode, from->alphaTestTexture, from->alphaBlendTexture, target);
  G_D3D_SetFilterState(from->filter, target);
  G_D3D_SetTexture(from->currentTexture, target);
  return G_D3D_ApplyStageStates(target);
}

int G_D3D_UpdateVertexColor() {
  const std::uint32_t alpha = g_softBlend.blendMode != 0 ? static_cast<std::uint32_t>(g_softBlend.blendParam) : 255u;
  g_d3d.vertexColor = (alpha & 0xFF) << 24 | (g_softBlend.drawTint & 0xFFFFFF);
  return 0;
}

int G_D3D_SetTintColor() { return G_D3D_UpdateVertexColor(); }

int G_D3D_SetTextureFilter(int mode) { return G_D3D_SetFilterState(mode, g_d3d.currentDevice); }

int G_D3D_PrepareDrawState(const TextureFacts* piece, int flags) {
  const int slot = g_d3d.currentDevice;
  Device3DSlot* s = UsableSlot(slot);
  if (s == nullptr || s->device == nullptr) return -1;
  pf::DirectDrawSurface7* texture = piece != nullptr ? piece->texture : nullptr;
  const int blendMode = g_softBlend.blendMode;
  int alphaBlend = 0, alphaTest = 0, colorKey = 0;
  if ((flags & kPrepareTransparent) && piece != nullptr) {
    if (piece->alphaChannel || piece->alphaTest) {
      // Under bilinear filtering or a blend the edge is blended rather than cut.
      if ((blendMode != 0 && blendMode != 8) || (!(flags & kPrepareKeepColorKey) && g_d3d.inputs.textureFilter == 1)) {
        alphaBlend = 1;
      } else {
        alphaBlend = piece->alphaChannel ? 1 : 0;
        alphaTest = piece->alphaTest ? 1 : 0;
      }
    } else {
      colorKey = 1;
    }
  }
  const int modulation = (flags & kPrepareModulation) || TintIsOn(g_softBlend.drawTint) ? 1 : 0;
  const int blending = (flags & kPrepareBlending) || blendMode != 0 ? 1 : 0;
  const int perspective = (flags & kPreparePerspective) ? 1 : 0;
  if (static_cast<std::uint32_t>(perspective) != s->texturePerspective) G_D3D_SetTexturePerspective(perspective, slot);
  if (modulation != s->modulation) G_D3D_SetModulationOn(modulation, slot);
  if (blending != s->blending) G_D3D_SetBlendingOn(blending, slot);
  if (texture != s->currentTexture) G_D3D_SetTexture(texture, slot);
  const std::uint32_t shade = (flags & kPrepareGouraud) ? pf::D3DSHADE_GOURAUD : pf::D3DSHADE_FLAT;
  if (shade != s->shadeMode) G_D3D_SetShadeMode(shade, slot);
  if (blendMode != s->blendMode || alphaTest != s->alphaTestTexture || alphaBlend != s->alphaBlendTexture) {
    G_D3D_SetBlendState(blendMode, alphaTest, alphaBlend, slot);
  }
  if (s->blendDirty || s->textureDirty) G_D3D_ApplyStageStates(slot);
  if (static_cast<std::uint32_t>(colorKey) != s->colorKeyEnable || s->force) G_D3D_SetColorKeyEnable(colorKey, slot);
  if (flags & kPrepareDepth) {
    const std::uint32_t z = g_d3d.inputs.zEnable == 1 ? 1u : 0u;
    if (z != s->zEnable) G_D3D_SetZEnable(g_d3d.inputs.zEnable, slot);
    if (static_cast<std::uint32_t>(g_d3d.inputs.zWrite) != s->zWriteEnable) G_D3D_SetZWriteEnable(g_d3d.inputs.zWrite, slot);
    if (static_cast<std::uint32_t>(g_d3d.inputs.zFunc) != s->zFunc) G_D3D_SetZFunc(g_d3d.inputs.zFunc, slot);
  } else if (s->zEnable) {
    G_D3D_SetZEnable(0, slot);
  }
  return 0;
}

}  // namespace zelvo
