#pragma once
// Direct3D 7 as the library calls it: the Direct3D object reached from the DirectDraw object through
// QueryInterface, its device, Z-buffer and texture-format enumeration, and the device that draws
// pre-transformed vertices into DirectDraw surfaces (render targets, D16 depth, viewport, scenes,
// render and texture-stage states, textures, Load). Pre-transformed vertices go straight to the
// rasterizer; vertices given in model space are transformed, lit and clipped by the device first.
#include <cstdint>

#include "platform/ddraw/ddraw.h"

namespace pf {

constexpr HResult D3DERR_INVALIDVERTEXFORMAT = MakeDDResult(2070);
constexpr HResult D3DERR_INVALIDPRIMITIVETYPE = MakeDDResult(2071);
constexpr HResult D3DERR_INVALIDCURRENTVIEWPORT = MakeDDResult(2072);
constexpr HResult D3DERR_SCENE_IN_SCENE = MakeDDResult(730);
constexpr HResult D3DERR_SCENE_NOT_IN_SCENE = MakeDDResult(731);

extern const Guid IID_IDirect3DRGBDevice;
extern const Guid IID_IDirect3DHALDevice;
extern const Guid IID_IDirect3DTnLHalDevice;

// ---------------------------------------------------------------- records
struct D3DPrimCaps {
  std::uint32_t size, miscCaps, rasterCaps, zCmpCaps, srcBlendCaps, destBlendCaps, alphaCmpCaps, shadeCaps;
  std::uint32_t textureCaps, textureFilterCaps, textureBlendCaps, textureAddressCaps, stippleWidth, stippleHeight;
};
static_assert(sizeof(D3DPrimCaps) == 56);

struct D3DDeviceDesc7 {
  std::uint32_t devCaps;
  D3DPrimCaps lineCaps;
  D3DPrimCaps triCaps;
  std::uint32_t deviceRenderBitDepth;   // DDBD_*
  std::uint32_t deviceZBufferBitDepth;
  std::uint32_t minTextureWidth, minTextureHeight, maxTextureWidth, maxTextureHeight;
  std::uint32_t maxTextureRepeat, maxTextureAspectRatio, maxAnisotropy;
  float guardBandLeft, guardBandTop, guardBandRight, guardBandBottom, extentsAdjust;
  std::uint32_t stencilCaps, fvfCaps, textureOpCaps;
  std::uint16_t maxTextureBlendStages, maxSimultaneousTextures;
  std::uint32_t maxActiveLights;
  float maxVertexW;
  Guid deviceGuid;
  std::uint16_t maxUserClipPlanes, maxVertexBlendMatrices;
  std::uint32_t vertexProcessingCaps;
  std::uint32_t reserved[4];
};
static_assert(sizeof(D3DDeviceDesc7) == 236);

enum : std::uint32_t { DDBD_8 = 0x800, DDBD_16 = 0x400, DDBD_24 = 0x200, DDBD_32 = 0x100 };
enum : std::uint32_t { D3DPTEXTURECAPS_POW2 = 0x2, D3DPTEXTURECAPS_SQUAREONLY = 0x20 };
enum : std::uint32_t { D3DENUMRET_CANCEL = 0, D3DENUMRET_OK = 1 };

struct D3DViewport7 {
  std::uint32_t x, y, width, height;
  float minZ, maxZ;
};

struct D3DMatrix {
  float m[4][4];
};

struct D3DColorValue {
  float r, g, b, a;
};
struct D3DVector {
  float x, y, z;
};

struct D3DLight7 {
  std::uint32_t type;
  D3DColorValue diffuse, specular, ambient;
  D3DVector position, direction;
  float range, falloff, attenuation0, attenuation1, attenuation2, theta, phi;
};

struct D3DMaterial7 {
  D3DColorValue diffuse, ambient, specular, emissive;
  float power;
};

// ---------------------------------------------------------------- state numbers
enum D3DRenderState : std::uint32_t {
  D3DRS_TEXTUREPERSPECTIVE = 4, D3DRS_ZENABLE = 7, D3DRS_FILLMODE = 8, D3DRS_SHADEMODE = 9,
  D3DRS_ZWRITEENABLE = 14, D3DRS_ALPHATESTENABLE = 15, D3DRS_LASTPIXEL = 16, D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20, D3DRS_CULLMODE = 22, D3DRS_ZFUNC = 23, D3DRS_ALPHAREF = 24, D3DRS_ALPHAFUNC = 25,
  D3DRS_DITHERENABLE = 26, D3DRS_ALPHABLENDENABLE = 27, D3DRS_FOGENABLE = 28, D3DRS_SPECULARENABLE = 29,
  D3DRS_COLORKEYENABLE = 41, D3DRS_TEXTUREFACTOR = 60, D3DRS_LIGHTING = 137, D3DRS_AMBIENT = 139,
  D3DRS_NORMALIZENORMALS = 143, D3DRS_COLORKEYBLENDENABLE = 144,
};
constexpr std::uint32_t kD3DRenderStateCount = 256;

enum D3DTextureStageState : std::uint32_t {
  D3DTSS_COLOROP = 1, D3DTSS_COLORARG1 = 2, D3DTSS_COLORARG2 = 3, D3DTSS_ALPHAOP = 4, D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6, D3DTSS_TEXCOORDINDEX = 11, D3DTSS_ADDRESS = 12, D3DTSS_ADDRESSU = 13,
  D3DTSS_ADDRESSV = 14, D3DTSS_MAGFILTER = 16, D3DTSS_MINFILTER = 17, D3DTSS_MIPFILTER = 18,
};
constexpr std::uint32_t kD3DStageStateCount = 32;
constexpr int kD3DStageCount = 4;

enum : std::uint32_t {
  D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1 = 2, D3DTOP_SELECTARG2 = 3, D3DTOP_MODULATE = 4, D3DTOP_MODULATE2X = 5,
  D3DTOP_MODULATE4X = 6, D3DTOP_ADD = 7, D3DTOP_SUBTRACT = 10,
};
enum : std::uint32_t {
  D3DTA_DIFFUSE = 0, D3DTA_CURRENT = 1, D3DTA_TEXTURE = 2, D3DTA_TFACTOR = 3, D3DTA_SPECULAR = 4,
  D3DTA_SELECTMASK = 0xF, D3DTA_COMPLEMENT = 0x10, D3DTA_ALPHAREPLICATE = 0x20,
};
enum : std::uint32_t {
  D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3, D3DBLEND_INVSRCCOLOR = 4, D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6, D3DBLEND_DESTALPHA = 7, D3DBLEND_INVDESTALPHA = 8, D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10, D3DBLEND_SRCALPHASAT = 11, D3DBLEND_BOTHSRCALPHA = 12, D3DBLEND_BOTHINVSRCALPHA = 13,
};
enum : std::uint32_t {
  D3DCMP_NEVER = 1, D3DCMP_LESS = 2, D3DCMP_EQUAL = 3, D3DCMP_LESSEQUAL = 4, D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6, D3DCMP_GREATEREQUAL = 7, D3DCMP_ALWAYS = 8,
};
enum : std::uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum : std::uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum : std::uint32_t { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3, D3DTADDRESS_BORDER = 4 };
enum : std::uint32_t { D3DTFG_POINT = 1, D3DTFG_LINEAR = 2 };
enum : std::uint32_t { D3DTFN_POINT = 1, D3DTFN_LINEAR = 2 };
enum : std::uint32_t { D3DTRANSFORMSTATE_WORLD = 1, D3DTRANSFORMSTATE_VIEW = 2, D3DTRANSFORMSTATE_PROJECTION = 3 };

enum D3DPrimitiveType : std::uint32_t {
  D3DPT_POINTLIST = 1, D3DPT_LINELIST = 2, D3DPT_LINESTRIP = 3, D3DPT_TRIANGLELIST = 4, D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

enum : std::uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

// Vertex formats: the position (in model space, or pre-transformed with reciprocal w), the normal of
// model-space vertices, then diffuse, specular and the texture-coordinate sets.
enum : std::uint32_t {
  D3DFVF_XYZ = 0x2, D3DFVF_XYZRHW = 0x4, D3DFVF_NORMAL = 0x10, D3DFVF_DIFFUSE = 0x40, D3DFVF_SPECULAR = 0x80,
  D3DFVF_TEXCOUNT_MASK = 0xF00, D3DFVF_TEXCOUNT_SHIFT = 8,
};

// ---------------------------------------------------------------- interfaces
using D3DEnumDevicesCallback = HResult (*)(char* description, char* name, D3DDeviceDesc7* desc, void* context);
using D3DEnumPixelFormatsCallback = HResult (*)(DDPixelFormat* format, void* context);

class Direct3DDevice7 : public Unknown {
 public:
  virtual HResult EnumTextureFormats(D3DEnumPixelFormatsCallback callback, void* context) = 0;
  virtual HResult BeginScene() = 0;
  virtual HResult EndScene() = 0;
  // Any surface made with DDSCAPS_3DDEVICE; the Z surface attached to it, if any, is the depth buffer.
  virtual HResult SetRenderTarget(DirectDrawSurface7* target, std::uint32_t flags) = 0;
  virtual HResult GetRenderTarget(DirectDrawSurface7** out) = 0;
  virtual HResult SetViewport(const D3DViewport7* viewport) = 0;
  virtual HResult GetViewport(D3DViewport7* out) = 0;
  virtual HResult SetRenderState(D3DRenderState state, std::uint32_t value) = 0;
  virtual HResult GetRenderState(D3DRenderState state, std::uint32_t* out) = 0;
  virtual HResult SetTextureStageState(std::uint32_t stage, D3DTextureStageState state, std::uint32_t value) = 0;
  virtual HResult GetTextureStageState(std::uint32_t stage, D3DTextureStageState state, std::uint32_t* out) = 0;
  virtual HResult SetTexture(std::uint32_t stage, DirectDrawSurface7* texture) = 0;
  virtual HResult GetTexture(std::uint32_t stage, DirectDrawSurface7** out) = 0;
  virtual HResult SetTransform(std::uint32_t state, const D3DMatrix* matrix) = 0;
  virtual HResult GetTransform(std::uint32_t state, D3DMatrix* out) = 0;
  virtual HResult SetLight(std::uint32_t index, const D3DLight7* light) = 0;
  virtual HResult LightEnable(std::uint32_t index, std::int32_t enable) = 0;
  virtual HResult SetMaterial(const D3DMaterial7* material) = 0;
  virtual HResult DrawPrimitive(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices,
                                std::uint32_t vertexCount, std::uint32_t flags) = 0;
  virtual HResult DrawIndexedPrimitive(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices,
                                       std::uint32_t vertexCount, const std::uint16_t* indices,
                                       std::uint32_t indexCount, std::uint32_t flags) = 0;
  // Copies a rectangle (the whole source when null) between surfaces of one pixel format, to the
  // point (the origin when null).
  virtual HResult Load(DirectDrawSurface7* destination, const Point* at, DirectDrawSurface7* source,
                       const Rect* sourceRect, std::uint32_t flags) = 0;
};

class Direct3D7 : public Unknown {
 public:
  virtual HResult EnumDevices(D3DEnumDevicesCallback callback, void* context) = 0;
  virtual HResult EnumZBufferFormats(const Guid& device, D3DEnumPixelFormatsCallback callback, void* context) = 0;
  virtual HResult CreateDevice(const Guid& device, DirectDrawSurface7* target, Direct3DDevice7** out) = 0;
};

}  // namespace pf
