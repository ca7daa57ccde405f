#pragma once
// The Direct3D device over the DirectDraw screen: start-up and shut-down, the device slots with their
// shadow of every render and texture-stage state, and the batch of pre-transformed vertices that
// every Direct3D draw goes through. Nothing else talks to the device.
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "media/software/screen_vertex.h"
#include "platform/d3d/d3d.h"

namespace zelvo {

// Vertex kinds of a batch: 0 untextured, 1 textured, 2 textured through a blend graph.
constexpr int kVertexKindCount = 3;
constexpr std::uint32_t kVertexFormats[kVertexKindCount] = {0x44, 0x144, 0x2C4};
constexpr int kVertexSizes[kVertexKindCount] = {20, 28, 40};
constexpr int kVertexCapacities[kVertexKindCount] = {3225, 2340, 1638};
constexpr int kVertexBufferBytes = 65520;
constexpr int kDeviceSlotCount = 4;
constexpr int kStageCount = 4;

struct ShapeVertex {
  float x, y, z, rhw;
  std::uint32_t diffuse;
};
static_assert(sizeof(ShapeVertex) == 20);

struct BlendGraphVertex {
  float x, y, z, rhw;
  std::uint32_t diffuse, specular;
  float u0, v0, u1, v1;
};
static_assert(sizeof(BlendGraphVertex) == 40);

// One texture stage as the cache holds it (operations as 16-bit values, -1 = leave).
struct StageRecord {
  pf::DirectDrawSurface7* texture;
  std::int16_t alphaArg1, alphaArg2, alphaOp, colorArg1, colorArg2, colorOp;
};

struct Device3DSlot {
  int valid;
  pf::Direct3DDevice7* device;
  pf::DirectDrawSurface7* defaultRenderTarget;
  pf::DirectDrawSurface7* currentRenderTarget;
  pf::DirectDrawSurface7* currentTexture;
  pf::DirectDrawSurface7* blendGraphTexture;
  int modulation;
  int blending;
  int blendMode;
  int borderParam;
  int borderRange;
  int alphaBlendTexture;
  int alphaTestTexture;
  int blendDirty;
  int textureDirty;
  int discardBatch;
  int force;
  std::uint32_t alphaTestEnable, alphaRef, alphaFunc, alphaBlendEnable, textureFactor, srcBlend, destBlend;
  int stageCount;
  StageRecord stages[kStageCount];
  int inScene;
  int filter;
  std::uint32_t zEnable, zWriteEnable, zFunc, shadeMode, cullOn, addressMode, texturePerspective, lighting,
      colorKeyEnable;
  unsigned char* writePointer;
  int batchCount;
  int batchKind;
  pf::D3DPrimitiveType primitiveType;
  pf::D3DViewport7 viewport;
  alignas(16) unsigned char vertexBuffers[kVertexKindCount][kVertexBufferBytes];
};

// What the graphics front end's drawing state hands the device (its Z switches, depth of 2D drawing,
// draw offset, texture address mode and filter).
struct Direct3DDrawInputs {
  int zEnable, zWrite, zFunc;
  float drawZ;
  int offsetX, offsetY;
  int addressMode;
  int textureFilter;
};

struct Direct3DState {
  pf::Direct3D7* object;
  pf::D3DDeviceDesc7 chosenDevice;
  int currentDevice;
  int minTextureSize, maxTextureSize;
  int started;
  int sceneEndsAfterEachDraw;
  // The selected draw target is one the device cannot render into: graph draws draw nothing,
  // shapes go to the software path.
  int targetInvalid;
  int grabChoice[2];            // remembered screen-grab strategy: opaque, transparent (-1 none)
  std::uint32_t vertexColor;
  Direct3DDrawInputs inputs;
  Device3DSlot slots[kDeviceSlotCount];
};
extern Direct3DState g_d3d;

// Back to the state before the first start.
void ResetDirect3DState();

// ---------------------------------------------------------------- start-up and device slots
int G_D3D_Start();
int G_D3D_End();
int Create3DDevice(pf::DirectDrawSurface7* target);
int G_D3D_ReleaseAllDevices();
int G_D3D_ReleaseDeviceSlot(int slot);
int ReleaseDirect3DObject();
int GetDirect3DObject();
int G_D3D_RecreateDevice(int slot);
int G_D3D_ReleaseDevice(int slot);
pf::HResult G_D3D_EnumDeviceCallback(char* description, char* name, pf::D3DDeviceDesc7* desc, void* context);
pf::HResult G_D3D_EnumZBufferCallback(pf::DDPixelFormat* format, void* context);
pf::HResult G_D3D_EnumTextureFormatCallback(pf::DDPixelFormat* format, void* context);
// Whether the slot holds a device the draws may use.
Device3DSlot* UsableSlot(int slot);

// What the batch needs of one texture piece: its texture and alpha flags, and its corners (top-left,
// top-right, bottom-left, bottom-right) with their positions in graph pixels and texture coordinates.
struct TexturePieceFacts {
  pf::DirectDrawSurface7* texture;
  int alphaChannel;
  int alphaTest;
  ScreenVertex corners[4];
  float blendScaleX, blendScaleY;   // reciprocal texture size of the bound blend graph
};

// What the graphics front end lets the device do to its graphs: release and re-create the surface
// objects of every 3D surface, delete them all, and read a texture piece by its handle (-1 for a
// handle that names none). Empty entries do nothing.
struct Direct3DSurfaceHooks {
  void (*releaseSurfaceObjects)();
  void (*recreateSurfaceObjects)();
  void (*deleteAllSurfaces)();
  int (*readTexturePiece)(int piece, TexturePieceFacts* out);
};
extern Direct3DSurfaceHooks g_d3dSurfaceHooks;

// ---------------------------------------------------------------- batch and scene
int G_D3D_FlushBatch(int slot);
int G_D3D_FlushBatchCurrent();
// Room for n vertices of a triangle list; null without a usable slot.
unsigned char* G_D3D_ReserveTriangleVertices(int slot, int count);
// The same for any primitive type: a batch of another type, or one too full, is drawn first.
unsigned char* G_D3D_ReserveVertices(int slot, int count, pf::D3DPrimitiveType type);
// Advances the write pointer and count after the reserved vertices are written.
void G_D3D_CommitVertices(int slot, int count);
int G_D3D_BeginScene(int slot);
int G_D3D_EndScene(int slot);
int G_D3D_SetViewport(const pf::D3DViewport7* viewport, int slot);
// None goes back to the surface the device was created on.
int G_D3D_SetRenderTarget(pf::DirectDrawSurface7* target, int slot);
int G_D3D_SetDrawRegion(const IntRect* region);
int G_D3D_DrawGridStrips(const ScreenVertex* vertices, int columns, int rows, int slot);
// One texture piece into four free corners (top-left, top-right, bottom-left, bottom-right): two
// triangles of the batch for a parallelogram, else an 8 x 8 grid of strips. -1 for a handle that
// names no piece.
int G_D3D_DrawQuadPiece(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int piece);

// ---------------------------------------------------------------- state cache
enum : int {
  kPrepareTransparent = 0x01,
  kPrepareKeepColorKey = 0x02,
  kPrepareDepth = 0x04,
  kPrepareGouraud = 0x08,
  kPreparePerspective = 0x10,
  kPrepareModulation = 0x20,
  kPrepareBlending = 0x40,
};
// The texture facts a draw hands to the preparation: its surface and the alpha flags of its record.
struct TextureFacts {
  pf::DirectDrawSurface7* texture;
  int alphaChannel;
  int alphaTest;
};
int G_D3D_PrepareDrawState(const TextureFacts* piece, int flags);
int G_D3D_SetTexture(pf::DirectDrawSurface7* texture, int slot);
int G_D3D_SetBlendState(int blendMode, int alphaTest, int alphaBlend, int slot);
int G_D3D_SetModulationOn(int on, int slot);
int G_D3D_SetBlendingOn(int on, int slot);
int G_D3D_SetFilterState(int filter, int slot);
int G_D3D_SetZEnable(int on, int slot);
int G_D3D_SetZWriteEnable(int on, int slot);
int G_D3D_SetZFunc(int func, int slot);
int G_D3D_SetCullMode(int on, int slot);
int G_D3D_SetShadeMode(std::uint32_t mode, int slot);
int G_D3D_SetTexturePerspective(int on, int slot);
int G_D3D_SetLighting(int on, int slot);
int G_D3D_SetTextureAddress(std::uint32_t mode, int slot);
int G_D3D_SetColorKeyEnable(int on, int slot);
int G_D3D_SetDeviceTransform(std::uint32_t state, const pf::D3DMatrix* matrix, int slot);
// Lighting of the vertices the device transforms itself: sent as they are, -1 when the device
// refuses them.
int G_D3D_SetLight(std::uint32_t index, const pf::D3DLight7* light, int slot);
int G_D3D_LightEnable(std::uint32_t index, int enable, int slot);
int G_D3D_SetMaterial(const pf::D3DMaterial7* material, int slot);
int G_D3D_SetAmbient(std::uint32_t colour, int slot);
int G_D3D_SetNormalizeNormals(int on, int slot);
// The device of a slot, of the current slot; null without one.
pf::Direct3DDevice7* GetDevice3D(int slot);
pf::Direct3DDevice7* GetCurrentD3DDevice();
int G_D3D_ApplyStageStates(int slot);
int G_D3D_ApplyBaseStates(int slot);
int G_D3D_ReapplyAllStates(int slot);
int G_D3D_CopyDeviceStates(int target, int source);
int G_D3D_UpdateVertexColor();
int G_D3D_SetTintColor();
int G_D3D_SetTextureFilter(int mode);
// The initial cache of a new slot.
void InitStateCache(Device3DSlot* slot);
void PrefillVertexBuffers(Device3DSlot* slot);

}  // namespace zelvo
