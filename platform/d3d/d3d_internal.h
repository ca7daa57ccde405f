#pragma once
// What the Direct3D files share: the enumeration profile in force, the objects behind the
// interfaces, the call trace and the counters.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/d3d/d3d.h"
#include "platform/d3d/raster.h"
#include "platform/d3d/registration.h"
#include "platform/ddraw/surface_access.h"

namespace pf::d3d {

// What the driver reports: its devices in enumeration order, texture sizes and caps, Z-buffer and
// texture formats.
struct Profile {
  std::vector<const Guid*> devices;
  std::uint32_t minTextureSize, maxTextureSize;
  bool squareOnly;
  std::vector<DDPixelFormat> zFormats;
  std::vector<DDPixelFormat> textureFormats;
  bool queryFails;   // the DirectDraw object does not give out Direct3D
  bool desktop555;   // 16-bit display modes are 5:5:5
};

// The profile by letter ('A' to 'I'); false for an unknown letter.
bool ProfileByLetter(char letter, Profile* out);
// The profile in force: the test's choice, else ZELVO_D3D_PROFILE, else A.
const Profile& CurrentProfile();
void ChooseProfile(char letter);

struct Counters {
  int drawsOutsideScene = 0;
};
Counters& TheCounters();

// The call trace: one line per device call while tracing is on.
bool Tracing();
void TraceLine(std::string line);
std::vector<std::string> TakeTrace();
void SetTracing(bool on);

class Direct3DObject;

class DeviceObject final : public Direct3DDevice7 {
 public:
  DeviceObject(Direct3DObject* owner, DirectDrawSurface7* target);
  ~DeviceObject() override;

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult EnumTextureFormats(D3DEnumPixelFormatsCallback callback, void* context) override;
  HResult BeginScene() override;
  HResult EndScene() override;
  HResult SetRenderTarget(DirectDrawSurface7* target, std::uint32_t flags) override;
  HResult GetRenderTarget(DirectDrawSurface7** out) override;
  HResult SetViewport(const D3DViewport7* viewport) override;
  HResult GetViewport(D3DViewport7* out) override;
  HResult SetRenderState(D3DRenderState state, std::uint32_t value) override;
  HResult GetRenderState(D3DRenderState state, std::uint32_t* out) override;
  HResult SetTextureStageState(std::uint32_t stage, D3DTextureStageState state, std::uint32_t value) override;
  HResult GetTextureStageState(std::uint32_t stage, D3DTextureStageState state, std::uint32_t* out) override;
  HResult SetTexture(std::uint32_t stage, DirectDrawSurface7* texture) override;
  HResult GetTexture(std::uint32_t stage, DirectDrawSurface7** out) override;
  HResult SetTransform(std::uint32_t state, const D3DMatrix* matrix) override;
  HResult GetTransform(std::uint32_t state, D3DMatrix* out) override;
  HResult SetLight(std::uint32_t index, const D3DLight7* light) override;
  HResult LightEnable(std::uint32_t index, std::int32_t enable) override;
  HResult SetMaterial(const D3DMaterial7* material) override;
  HResult DrawPrimitive(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices, std::uint32_t vertexCount,
                        std::uint32_t flags) override;
  HResult DrawIndexedPrimitive(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices,
                               std::uint32_t vertexCount, const std::uint16_t* indices, std::uint32_t indexCount,
                               std::uint32_t flags) override;
  HResult Load(DirectDrawSurface7* destination, const Point* at, DirectDrawSurface7* source, const Rect* sourceRect,
               std::uint32_t flags) override;

  const D3DLight7* Light(std::uint32_t index, bool* enabled) const;
  const D3DMaterial7& Material() const { return material_; }

 private:
  HResult Draw(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices, std::uint32_t vertexCount,
               const std::uint16_t* indices, std::uint32_t indexCount);
  HResult BuildState(RasterState* state, Texture* textures);
  // Vertices in model space: transformed, lit, clipped and mapped to the viewport, then rasterized.
  HResult DrawModelSpace(D3DPrimitiveType type, std::uint32_t fvf, const void* vertices, std::uint32_t vertexCount,
                         const std::uint16_t* indices, std::uint32_t indexCount);
  void ResetViewport();

  Direct3DObject* owner_;
  std::uint32_t refs_ = 1;
  DirectDrawSurface7* target_;
  D3DViewport7 viewport_{};
  bool inScene_ = false;
  std::uint32_t renderStates_[kD3DRenderStateCount] = {};
  std::uint32_t stageStates_[kD3DStageCount][kD3DStageStateCount] = {};
  DirectDrawSurface7* textures_[kD3DStageCount] = {};
  std::map<std::uint32_t, D3DMatrix> transforms_;
  struct LightSlot {
    D3DLight7 light;
    bool enabled;
  };
  std::map<std::uint32_t, LightSlot> lights_;
  D3DMaterial7 material_{};
};

class Direct3DObject final : public Direct3D7 {
 public:
  explicit Direct3DObject(DirectDraw7* directDraw);
  ~Direct3DObject() override;

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult EnumDevices(D3DEnumDevicesCallback callback, void* context) override;
  HResult EnumZBufferFormats(const Guid& device, D3DEnumPixelFormatsCallback callback, void* context) override;
  HResult CreateDevice(const Guid& device, DirectDrawSurface7* target, Direct3DDevice7** out) override;

 private:
  DirectDraw7* directDraw_;
  std::uint32_t refs_ = 1;
};

}  // namespace pf::d3d
