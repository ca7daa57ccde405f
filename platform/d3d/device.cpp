// The Direct3D device: render target and its attached depth buffer, viewport, scenes, render and
// texture-stage states, textures, transforms, lights and material, Load, and the draw calls that
// hand pre-transformed vertices to the rasterizer (model-space ones go through vertex processing).
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/d3d/d3d_internal.h"

namespace pf::d3d {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char line[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return line;
}

HResult ZFromSurface(DirectDrawSurface7* surface, SurfaceDesc*, void* context) {
  if (!ddraw::IsDepthSurface(surface)) return static_cast<HResult>(DDENUMRET_OK);
  *static_cast<DirectDrawSurface7**>(context) = surface;
  return static_cast<HResult>(DDENUMRET_CANCEL);
}

DirectDrawSurface7* AttachedDepth(DirectDrawSurface7* target) {
  DirectDrawSurface7* z = nullptr;
  target->EnumAttachedSurfaces(&z, &ZFromSurface);
  return z;
}

bool Has3DCaps(DirectDrawSurface7* surface) {
  DDCaps2 caps{};
  surface->GetCaps(&caps);
  return (caps.caps & DDSCAPS_3DDEVICE) != 0;
}

bool IsTexture(DirectDrawSurface7* surface) {
  DDCaps2 caps{};
  surface->GetCaps(&caps);
  return (caps.caps & DDSCAPS_TEXTURE) != 0;
}

// Where each part of a vertex sits for a vertex format; false for formats that are not pre-transformed.
struct VertexLayout {
  int stride;
  int diffuse, specular, texture;  // byte offsets, -1 when absent
  int sets;
};

bool LayoutOf(std::uint32_t fvf, VertexLayout* out) {
  constexpr std::uint32_t kPositionMask = 0x00E;
  constexpr std::uint32_t kKnown = kPositionMask | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
  if ((fvf & kPositionMask) != D3DFVF_XYZRHW || (fvf & ~kKnown) != 0) return false;
  int offset = 16;
  out->diffuse = (fvf & D3DFVF_DIFFUSE) ? offset : -1;
  if (fvf & D3DFVF_DIFFUSE) offset += 4;
  out->specular = (fvf & D3DFVF_SPECULAR) ? offset : -1;
  if (fvf & D3DFVF_SPECULAR) offset += 4;
  out->sets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (out->sets > 8) return false;
  out->texture = out->sets > 0 ? offset : -1;
  out->stride = offset + 8 * out->sets;
  return true;
}

Vertex Decode(const std::uint8_t* base, const VertexLayout& layout, std::uint32_t index) {
  const std::uint8_t* at = base + static_cast<std::size_t>(index) * layout.stride;
  Vertex v{};
  float position[4];
  std::memcpy(position, at, sizeof position);
  v.x = position[0];
  v.y = position[1];
  v.z = position[2];
  v.rhw = position[3];
  v.diffuse = 0xFFFFFFFFu;
  if (layout.diffuse >= 0) std::memcpy(&v.diffuse, at + layout.diffuse, 4);
  if (layout.specular >= 0) std::memcpy(&v.specular, at + layout.specular, 4);
  for (int set = 0; set < layout.sets && set < kTexCoordSets; ++set) {
    float uv[2];
    std::memcpy(uv, at + layout.texture + 8 * set, sizeof uv);
    v.u[set] = uv[0];
    v.v[set] = uv[1];
  }
  return v;
}

const char* PrimitiveName(D3DPrimitiveType type) {
  switch (type) {
    case D3DPT_POINTLIST: return "POINTLIST";
    case D3DPT_LINELIST: return "LINELIST";
    case D3DPT_LINESTRIP: return "LINESTRIP";
    case D3DPT_TRIANGLELIST: return "TRIANGLELIST";
    case D3DPT_TRIANGLESTRIP: return "TRIANGLESTRIP";
    case D3DPT_TRIANGLEFAN: return "TRIANGLEFAN";
  }
  return "?";
}

}  // namespace

DeviceObject::DeviceObject(Direct3DObject* owner, DirectDrawSurface7* target) : owner_(owner), target_(target) {
  owner_->AddRef();
  target_->AddRef();
  const bool hasDepth = AttachedDepth(target_) != nullptr;
  renderStates_[D3DRS_TEXTUREPERSPECTIVE] = 1;
  renderStates_[D3DRS_ZENABLE] = hasDepth ? 1 : 0;
  renderStates_[D3DRS_FILLMODE] = 3;
  renderStates_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  renderStates_[D3DRS_ZWRITEENABLE] = 1;
  renderStates_[D3DRS_LASTPIXEL] = 1;
  renderStates_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  renderStates_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  renderStates_[D3DRS_CULLMODE] = D3DCULL_CCW;
  renderStates_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  renderStates_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  renderStates_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
  renderStates_[D3DRS_LIGHTING] = 1;
  for (int s = 0; s < kD3DStageCount; ++s) {
    std::uint32_t* st = stageStates_[s];
    st[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    st[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    st[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    st[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    st[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    st[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    st[D3DTSS_TEXCOORDINDEX] = static_cast<std::uint32_t>(s);
    st[D3DTSS_ADDRESS] = st[D3DTSS_ADDRESSU] = st[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    st[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    st[D3DTSS_MINFILTER] = D3DTFN_POINT;
    st[D3DTSS_MIPFILTER] = 1;
  }
  ResetViewport();
}

DeviceObject::~DeviceObject() {
  for (DirectDrawSurface7*& texture : textures_) {
    if (texture != nullptr) texture->Release();
  }
  target_->Release();
  owner_->Release();
}

void DeviceObject::ResetViewport() {
  const pixels::View view = ddraw::SurfaceView(target_);
  viewport_ = D3DViewport7{0, 0, static_cast<std::uint32_t>(view.width), static_cast<std::uint32_t>(view.height), 0.0f,
                           1.0f};
}

HResult DeviceObject::QueryInterface(const Guid&, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

std::uint32_t DeviceObject::AddRef() {
  ddraw::Guard guard(ddraw::Mutex());
  return ++refs_;
}

std::uint32_t DeviceObject::Release() {
  ddraw::Guard guard(ddraw::Mutex());
  if (--refs_ != 0) return refs_;
  delete this;
  return 0;
}

HResult DeviceObject::EnumTextureFormats(D3DEnumPixelFormatsCallback callback, void* context) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("EnumTextureFormats", &code)) return code;
  for (const DDPixelFormat& format : CurrentProfile().textureFormats) {
    DDPixelFormat copy = format;
    if (callback(&copy, context) == static_cast<HResult>(D3DENUMRET_CANCEL)) break;
  }
  return DD_OK;
}

HResult DeviceObject::BeginScene() {
  HResult code;
  if (ddraw::Fault("BeginScene", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine("BeginScene");
  if (inScene_) return D3DERR_SCENE_IN_SCENE;
  if (ddraw::SurfaceDead(target_)) return ddraw::DeadObjectCall();
  if (target_->IsLost() != DD_OK) return DDERR_SURFACELOST;
  inScene_ = true;
  return DD_OK;
}

HResult DeviceObject::EndScene() {
  HResult code;
  if (ddraw::Fault("EndScene", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine("EndScene");
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  inScene_ = false;
  return DD_OK;
}

HResult DeviceObject::SetRenderTarget(DirectDrawSurface7* target, std::uint32_t) {
  if (target == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("SetRenderTarget", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("SetRenderTarget %p", static_cast<void*>(target)));
  if (ddraw::SurfaceDead(target)) return ddraw::DeadObjectCall();
  if (!Has3DCaps(target)) return DDERR_INVALIDCAPS;
  target->AddRef();
  target_->Release();
  target_ = target;
  ResetViewport();
  return DD_OK;
}

HResult DeviceObject::GetRenderTarget(DirectDrawSurface7** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  ddraw::Guard guard(ddraw::Mutex());
  target_->AddRef();
  *out = target_;
  return DD_OK;
}

HResult DeviceObject::SetViewport(const D3DViewport7* viewport) {
  if (viewport == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("SetViewport", &code, DDERR_INVALIDPARAMS)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) {
    TraceLine(Format("SetViewport %u %u %u %u", viewport->x, viewport->y, viewport->width, viewport->height));
  }
  const pixels::View view = ddraw::SurfaceView(target_);
  const std::uint64_t right = static_cast<std::uint64_t>(viewport->x) + viewport->width;
  const std::uint64_t bottom = static_cast<std::uint64_t>(viewport->y) + viewport->height;
  if (viewport->width == 0 || viewport->height == 0 || right > static_cast<std::uint64_t>(view.width) ||
      bottom > static_cast<std::uint64_t>(view.height)) {
    return DDERR_INVALIDPARAMS;
  }
  if (!(viewport->minZ >= 0.0f && viewport->maxZ <= 1.0f && viewport->minZ <= viewport->maxZ)) {
    return DDERR_INVALIDPARAMS;
  }
  viewport_ = *viewport;
  return DD_OK;
}

HResult DeviceObject::GetViewport(D3DViewport7* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  ddraw::Guard guard(ddraw::Mutex());
  *out = viewport_;
  return DD_OK;
}

HResult DeviceObject::SetRenderState(D3DRenderState state, std::uint32_t value) {
  HResult code;
  if (ddraw::Fault("SetRenderState", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("SetRenderState %u %u", static_cast<unsigned>(state), value));
  if (state >= kD3DRenderStateCount) return DDERR_INVALIDPARAMS;
  renderStates_[state] = value;
  return DD_OK;
}

HResult DeviceObject::GetRenderState(D3DRenderState state, std::uint32_t* out) {
  if (out == nullptr || state >= kD3DRenderStateCount) return DDERR_INVALIDPARAMS;
  ddraw::Guard guard(ddraw::Mutex());
  *out = renderStates_[state];
  return DD_OK;
}

HResult DeviceObject::SetTextureStageState(std::uint32_t stage, D3DTextureStageState state, std::uint32_t value) {
  HResult code;
  if (ddraw::Fault("SetTextureStageState", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("SetTextureStageState %u %u %u", stage, static_cast<unsigned>(state), value));
  if (stage >= kD3DStageCount || state >= kD3DStageStateCount) return DDERR_INVALIDPARAMS;
  stageStates_[stage][state] = value;
  if (state == D3DTSS_ADDRESS) stageStates_[stage][D3DTSS_ADDRESSU] = stageStates_[stage][D3DTSS_ADDRESSV] = value;
  return DD_OK;
}

HResult DeviceObject::GetTextureStageState(std::uint32_t stage, D3DTextureStageState state, std::uint32_t* out) {
  if (out == nullptr || stage >= kD3DStageCount || state >= kD3DStageStateCount) return DDERR_INVALIDPARAMS;
  ddraw::Guard guard(ddraw::Mutex());
  *out = stageStates_[stage][state];
  return DD_OK;
}

HResult DeviceObject::SetTexture(std::uint32_t stage, DirectDrawSurface7* texture) {
  HResult code;
  if (ddraw::Fault("SetTexture", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("SetTexture %u %p", stage, static_cast<void*>(texture)));
  if (stage >= kD3DStageCount) return DDERR_INVALIDPARAMS;
  if (texture != nullptr) {
    if (ddraw::SurfaceDead(texture)) return ddraw::DeadObjectCall();
    if (!IsTexture(texture)) return DDERR_INVALIDPARAMS;
    texture->AddRef();
  }
  if (textures_[stage] != nullptr) textures_[stage]->Release();
  textures_[stage] = texture;
  return DD_OK;
}

HResult DeviceObject::GetTexture(std::uint32_t stage, DirectDrawSurface7** out) {
  if (out == nullptr || stage >= kD3DStageCount) return DDERR_INVALIDPARAMS;
  ddraw::Guard guard(ddraw::Mutex());
  *out = textures_[stage];
  if (*out != nullptr) (*out)->AddRef();
  return DD_OK;
}

HResult DeviceObject::SetTransform(std::uint32_t state, const D3DMatrix* matrix) {
  if (matrix == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("SetTransform", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("SetTransform %u", state));
  transforms_[state] = *matrix;
  return DD_OK;
}

HResult DeviceObject::GetTransform(std::uint32_t state, D3DMatrix* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  ddraw::Guard guard(ddraw::Mutex());
  auto found = transforms_.find(state);
  if (found != transforms_.end()) {
    *out = found->second;
  } else {
    *out = D3DMatrix{};
    for (int i = 0; i < 4; ++i) out->m[i][i] = 1.0f;
  }
  return DD_OK;
}

HResult DeviceObject::SetLight(std::uint32_t index, const D3DLight7* light) {
  if (light == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("SetLight", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("SetLight %u", index));
  auto found = lights_.find(index);
  lights_[index] = LightSlot{*light, found != lights_.end() && found->second.enabled};
  return DD_OK;
}

HResult DeviceObject::LightEnable(std::uint32_t index, std::int32_t enable) {
  HResult code;
  if (ddraw::Fault("LightEnable", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("LightEnable %u %d", index, enable));
  auto found = lights_.find(index);
  if (found == lights_.end()) {
    // Enabling a light never set gives it the default light, as the platform does.
    D3DLight7 light{};
    light.type = 3;
    light.diffuse = D3DColorValue{1, 1, 1, 0};
    light.direction = D3DVector{0, 0, 1};
    found = lights_.emplace(index, LightSlot{light, false}).first;
  }
  found->second.enabled = enable != 0;
  return DD_OK;
}

HResult DeviceObject::SetMaterial(const D3DMaterial7* material) {
  if (material == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("SetMaterial", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine("SetMaterial");
  material_ = *material;
  return DD_OK;
}

const D3DLight7* DeviceObject::Light(std::uint32_t index, bool* enabled) const {
  auto found = lights_.find(index);
  if (found == lights_.end()) return nullptr;
  if (enabled != nullptr) *enabled = found->second.enabled;
  return &found->second.light;
}

HResult DeviceObject::Load(DirectDrawSurface7* destination, const Point* at, DirectDrawSurface7* source,
                           const Rect* sourceRect, std::uint32_t) {
  if (destination == nullptr || source == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (ddraw::Fault("Load", &code, DDERR_SURFACEBUSY)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (ddraw::SurfaceDead(destination) || ddraw::SurfaceDead(source)) return ddraw::DeadObjectCall();
  if (destination->IsLost() != DD_OK || source->IsLost() != DD_OK) return DDERR_SURFACELOST;
  const pixels::View dst = ddraw::SurfaceView(destination), src = ddraw::SurfaceView(source);
  const Rect r = sourceRect != nullptr ? *sourceRect : Rect{0, 0, src.width, src.height};
  const Point p = at != nullptr ? *at : Point{0, 0};
  if (Tracing()) TraceLine(Format("Load %d %d %d %d %d %d", p.x, p.y, r.left, r.top, r.right, r.bottom));
  if (!pixels::SameLayout(dst.layout, src.layout)) return DDERR_INVALIDPIXELFORMAT;
  const std::int64_t w = static_cast<std::int64_t>(r.right) - r.left, h = static_cast<std::int64_t>(r.bottom) - r.top;
  if (r.left < 0 || r.top < 0 || w <= 0 || h <= 0 || r.right > src.width || r.bottom > src.height || p.x < 0 ||
      p.y < 0 || p.x + w > dst.width || p.y + h > dst.height) {
    return DDERR_INVALIDRECT;
  }
  pixels::CopyPixels(dst, p.x, p.y, src, r.left, r.top, static_cast<int>(w), static_cast<int>(h));
  ddraw::ShowSurfaceIfVisible(destination);
  return DD_OK;
}

// ---------------------------------------------------------------- drawing
HResult DeviceObject::BuildState(RasterState* st, Texture* textures) {
  const std::uint32_t* rs = renderStates_;
  st->target = ddraw::SurfaceView(target_);
  st->targetKind = KindOfLayout(st->target.layout);
  st->depth = nullptr;
  st->depthPitch = 0;
  const bool zEnabled = rs[D3DRS_ZENABLE] != 0;
  if (DirectDrawSurface7* z = AttachedDepth(target_); z != nullptr && zEnabled) {
    if (z->IsLost() != DD_OK) return DDERR_SURFACELOST;
    const pixels::View depth = ddraw::SurfaceView(z);
    st->depth = depth.origin;
    st->depthPitch = depth.pitch;
  }
  st->depthTest = st->depth != nullptr;
  st->depthWrite = st->depth != nullptr && rs[D3DRS_ZWRITEENABLE] != 0;
  st->zFunc = rs[D3DRS_ZFUNC];
  st->scissor = Rect{static_cast<std::int32_t>(viewport_.x), static_cast<std::int32_t>(viewport_.y),
                     static_cast<std::int32_t>(viewport_.x + viewport_.width),
                     static_cast<std::int32_t>(viewport_.y + viewport_.height)};
  st->scissor.right = std::min(st->scissor.right, st->target.width);
  st->scissor.bottom = std::min(st->scissor.bottom, st->target.height);
  st->minZ = viewport_.minZ;
  st->maxZ = viewport_.maxZ;
  st->flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  st->cull = rs[D3DRS_CULLMODE];
  st->alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
  st->alphaFunc = rs[D3DRS_ALPHAFUNC];
  st->alphaRef = rs[D3DRS_ALPHAREF] & 0xFF;
  st->blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
  st->srcBlend = rs[D3DRS_SRCBLEND];
  st->destBlend = rs[D3DRS_DESTBLEND];
  st->textureFactor = rs[D3DRS_TEXTUREFACTOR];
  st->colorKey = rs[D3DRS_COLORKEYENABLE] != 0;
  st->perspective = rs[D3DRS_TEXTUREPERSPECTIVE] != 0;
  st->stageCount = 0;
  for (int s = 0; s < kD3DStageCount; ++s) {
    const std::uint32_t* ts = stageStates_[s];
    if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    Stage& stage = st->stages[s];
    stage.colorOp = ts[D3DTSS_COLOROP];
    stage.colorArg1 = ts[D3DTSS_COLORARG1];
    stage.colorArg2 = ts[D3DTSS_COLORARG2];
    stage.alphaOp = ts[D3DTSS_ALPHAOP];
    stage.alphaArg1 = ts[D3DTSS_ALPHAARG1];
    stage.alphaArg2 = ts[D3DTSS_ALPHAARG2];
    stage.texCoordIndex = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    stage.addressU = ts[D3DTSS_ADDRESSU];
    stage.addressV = ts[D3DTSS_ADDRESSV];
    stage.magFilter = ts[D3DTSS_MAGFILTER];
    stage.minFilter = ts[D3DTSS_MINFILTER];
    stage.texture = nullptr;
    if (DirectDrawSurface7* surface = textures_[s]; surface != nullptr) {
      if (ddraw::SurfaceDead(surface)) return ddraw::DeadObjectCall();
      if (surface->IsLost() != DD_OK) return DDERR_SURFACELOST;
      const pixels::View view = ddraw::SurfaceView(surface);
      Texture& t = textures[s];
      t.pixels = view.origin;
      t.pitch = view.pitch;
      t.width = view.width;
      t.height = view.height;
      t.layout = view.layout;
      t.kind = KindOfLayout(view.layout);
      DDColorKey key{};
      t.keyed = surface->GetColorKey(DDCKEY_SRCBLT, &key) == DD_OK;
      t.keyLow = key.low;
      t.keyHigh = key.high;
      stage.texture = &t;
    }
    st->stageCount = s + 1;
  }
  return DD_OK;
}

HResult DeviceObject::DrawPrimitive(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices,
                                    std::uint32_t vertexCount, std::uint32_t) {
  HResult code;
  if (ddraw::Fault("DrawPrimitive", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) TraceLine(Format("DrawPrimitive %s 0x%X %u", PrimitiveName(type), fvf, vertexCount));
  return Draw(type, fvf, vertices, vertexCount, nullptr, 0);
}

HResult DeviceObject::DrawIndexedPrimitive(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices,
                                           std::uint32_t vertexCount, const std::uint16_t* indices,
                                           std::uint32_t indexCount, std::uint32_t) {
  HResult code;
  if (ddraw::Fault("DrawIndexedPrimitive", &code)) return code;
  ddraw::Guard guard(ddraw::Mutex());
  if (Tracing()) {
    TraceLine(Format("DrawIndexedPrimitive %s 0x%X %u %u", PrimitiveName(type), fvf, vertexCount, indexCount));
  }
  if (indices == nullptr) return DDERR_INVALIDPARAMS;
  for (std::uint32_t i = 0; i < indexCount; ++i) {
    if (indices[i] >= vertexCount) return DDERR_INVALIDPARAMS;
  }
  return Draw(type, fvf, vertices, vertexCount, indices, indexCount);
}

HResult DeviceObject::Draw(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices, std::uint32_t vertexCount,
                           const std::uint16_t* indices, std::uint32_t indexCount) {
  if (!inScene_) {
    ++TheCounters().drawsOutsideScene;
    return D3DERR_SCENE_NOT_IN_SCENE;
  }
  if (vertices == nullptr) return DDERR_INVALIDPARAMS;
  if ((fvf & 0x00E) == D3DFVF_XYZ) return DrawModelSpace(type, fvf, vertices, vertexCount, indices, indexCount);
  VertexLayout layout{};
  if (!LayoutOf(fvf, &layout)) return D3DERR_INVALIDVERTEXFORMAT;
  if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDPRIMITIVETYPE;
  if (ddraw::SurfaceDead(target_)) return ddraw::DeadObjectCall();
  if (target_->IsLost() != DD_OK) return DDERR_SURFACELOST;
  RasterState st{};
  Texture textures[kD3DStageCount]{};
  if (HResult built = BuildState(&st, textures); built != DD_OK) return built;

  const auto* base = static_cast<const std::uint8_t*>(vertices);
  const std::uint32_t count = indices != nullptr ? indexCount : vertexCount;
  const auto vertex = [&](std::uint32_t i) { return Decode(base, layout, indices != nullptr ? indices[i] : i); };
  switch (type) {
    case D3DPT_POINTLIST:
      for (std::uint32_t i = 0; i < count; ++i) DrawPoint(st, vertex(i));
      break;
    case D3DPT_LINELIST:
      for (std::uint32_t i = 0; i + 1 < count; i += 2) DrawLine(st, vertex(i), vertex(i + 1));
      break;
    case D3DPT_LINESTRIP:
      for (std::uint32_t i = 0; i + 1 < count; ++i) DrawLine(st, vertex(i), vertex(i + 1));
      break;
    case D3DPT_TRIANGLELIST:
      for (std::uint32_t i = 0; i + 2 < count;) {
        if (i + 5 < count) {
          // Two triangles at a time: a quad's halves share their rows.
          const Vertex corners[6] = {vertex(i), vertex(i + 1), vertex(i + 2), vertex(i + 3), vertex(i + 4), vertex(i + 5)};
          const Vertex* first[3] = {&corners[0], &corners[1], &corners[2]};
          const Vertex* second[3] = {&corners[3], &corners[4], &corners[5]};
          DrawTrianglePair(st, first, second);
          i += 6;
        } else {
          DrawTriangle(st, vertex(i), vertex(i + 1), vertex(i + 2));
          i += 3;
        }
      }
      break;
    case D3DPT_TRIANGLESTRIP:
      // Odd triangles swap their last two vertices to keep the winding; each starts at its own vertex.
      for (std::uint32_t i = 0; i + 2 < count; ++i) {
        if (i % 2 == 0) DrawTriangle(st, vertex(i), vertex(i + 1), vertex(i + 2));
        else DrawTriangle(st, vertex(i), vertex(i + 2), vertex(i + 1));
      }
      break;
    case D3DPT_TRIANGLEFAN:
      for (std::uint32_t i = 1; i + 1 < count; ++i) DrawTriangle(st, vertex(i), vertex(i + 1), vertex(0));
      break;
  }
  ddraw::ShowSurfaceIfVisible(target_);
  return DD_OK;
}

}  // namespace pf::d3d
