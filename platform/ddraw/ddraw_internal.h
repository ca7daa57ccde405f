#pragma once
// What the DirectDraw files share: the objects behind the interfaces and the video-memory budget
// (the lock and the fault switches are declared with the surface access other layers use).
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_view.h"
#include "platform/ddraw/surface_access.h"
#include "platform/ddraw/surface_memory.h"

namespace pf::ddraw {

// Video memory: a budget shared by every object; false when the bytes do not fit.
bool ReserveVideoMemory(std::uint64_t bytes);
void ReturnVideoMemory(std::uint64_t bytes);
std::uint32_t VideoMemoryTotal();
std::uint32_t VideoMemoryFree();

class DirectDrawObject;

// An object made by a DirectDraw object; it dies with it.
class Child {
 public:
  virtual ~Child() = default;
  virtual void Orphan() = 0;
};

class ClipperObject final : public DirectDrawClipper, public Child {
 public:
  explicit ClipperObject(DirectDrawObject* owner);
  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult SetHWnd(std::uint32_t flags, WindowHandle window) override;
  HResult GetHWnd(WindowHandle* out) override;
  void Orphan() override { owner_ = nullptr; }
  // The client rectangle of the window in desktop coordinates; false without a live window.
  bool ClipRect(Rect* out) const;

 private:
  DirectDrawObject* owner_;
  std::uint32_t refs_ = 1;
  WindowHandle window_ = nullptr;
};

class PaletteObject final : public DirectDrawPalette, public Child {
 public:
  PaletteObject(DirectDrawObject* owner, const PaletteEntry* entries);
  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult SetEntries(std::uint32_t flags, std::uint32_t start, std::uint32_t count,
                     const PaletteEntry* entries) override;
  HResult GetEntries(std::uint32_t flags, std::uint32_t start, std::uint32_t count, PaletteEntry* out) override;
  void Orphan() override { owner_ = nullptr; }
  const std::uint32_t* Rgb() const { return rgb_; }

 private:
  DirectDrawObject* owner_;
  std::uint32_t refs_ = 1;
  PaletteEntry entries_[256];
  std::uint32_t rgb_[256];
};

enum class SurfaceKind { kPrimary, kFront, kBackBuffer, kOffscreen, kZBuffer, kTexture };

class SurfaceObject final : public DirectDrawSurface7, public Child {
 public:
  SurfaceObject(DirectDrawObject* owner, SurfaceKind kind, int width, int height, const pixels::Layout& layout,
                std::uint32_t caps, std::uint32_t caps2, bool video, const DDPixelFormat& format);
  ~SurfaceObject() override;

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult Lock(const Rect* rect, SurfaceDesc* desc, std::uint32_t flags, void* event) override;
  HResult Unlock(const Rect* rect) override;
  HResult Blt(const Rect* destination, DirectDrawSurface7* source, const Rect* sourceRect, std::uint32_t flags,
              const DDBltFx* fx) override;
  HResult BltFast(std::uint32_t x, std::uint32_t y, DirectDrawSurface7* source, const Rect* sourceRect,
                  std::uint32_t flags) override;
  HResult Flip(DirectDrawSurface7* target, std::uint32_t flags) override;
  HResult IsLost() override;
  HResult Restore() override;
  HResult GetDC(DeviceContext* out) override;
  HResult ReleaseDC(DeviceContext context) override;
  HResult GetCaps(DDCaps2* out) override;
  HResult SetColorKey(std::uint32_t flags, const DDColorKey* key) override;
  HResult GetColorKey(std::uint32_t flags, DDColorKey* out) override;
  HResult GetAttachedSurface(const DDCaps2* caps, DirectDrawSurface7** out) override;
  HResult AddAttachedSurface(DirectDrawSurface7* surface) override;
  HResult DeleteAttachedSurface(std::uint32_t flags, DirectDrawSurface7* surface) override;
  HResult EnumAttachedSurfaces(void* context, EnumSurfacesCallback callback) override;
  HResult SetClipper(DirectDrawClipper* clipper) override;
  HResult GetClipper(DirectDrawClipper** out) override;
  HResult SetPalette(DirectDrawPalette* palette) override;
  HResult GetPalette(DirectDrawPalette** out) override;
  HResult GetPixelFormat(DDPixelFormat* out) override;
  HResult GetSurfaceDesc(SurfaceDesc* out) override;
  void Orphan() override;

  // Lost surfaces: video memory and the display's own buffers; system memory and managed textures stay.
  bool CanBeLost() const;
  void MarkLost() { lost_ = true; }
  bool Dead() const { return owner_ == nullptr; }
  SurfaceKind Kind() const { return kind_; }
  pixels::View View();
  void ShowIfVisible();
  // The flip chain: the front buffer holds its back buffers.
  void AttachBackBuffer(SurfaceObject* back);
  int FlipParity() const { return flipParity_; }

 private:
  HResult CheckUsable(bool forDrawing);
  void FillPattern();
  bool Visible() const;
  void SwapWithChain();

  DirectDrawObject* owner_;
  SurfaceKind kind_;
  int width_, height_;
  int pitch_;
  pixels::Layout layout_;
  DDPixelFormat format_;
  std::uint32_t caps_, caps2_;
  bool video_;
  SurfaceMemory memory_;
  bool contentPending_ = true;   // the undefined content is still to be written
  std::uint32_t refs_ = 1;
  bool lost_ = false;
  int locks_ = 0;
  DeviceContext dc_ = nullptr;
  bool hasKey_ = false;
  DDColorKey key_{};
  ClipperObject* clipper_ = nullptr;
  PaletteObject* palette_ = nullptr;
  SurfaceObject* attachedZ_ = nullptr;
  std::vector<SurfaceObject*> backBuffers_;
  SurfaceObject* front_ = nullptr;
  int flipParity_ = 0;
};

class DirectDrawObject final : public DirectDraw7 {
 public:
  DirectDrawObject();
  ~DirectDrawObject() override;

  HResult QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HResult Initialize(const Guid* device) override;
  HResult GetDeviceIdentifier(DeviceIdentifier* out, std::uint32_t flags) override;
  HResult GetAvailableVidMem(const DDCaps2* caps, std::uint32_t* total, std::uint32_t* free) override;
  HResult CreateClipper(std::uint32_t flags, DirectDrawClipper** out, Unknown* outer) override;
  HResult CreateSurface(SurfaceDesc* desc, DirectDrawSurface7** out, Unknown* outer) override;
  HResult CreatePalette(std::uint32_t flags, const PaletteEntry* entries, DirectDrawPalette** out,
                        Unknown* outer) override;
  HResult SetCooperativeLevel(WindowHandle window, std::uint32_t flags) override;
  HResult SetDisplayMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
                         std::uint32_t refreshRate, std::uint32_t flags) override;
  HResult RestoreDisplayMode() override;
  HResult GetDisplayMode(SurfaceDesc* out) override;
  HResult FlipToGDISurface() override;
  HResult WaitForVerticalBlank(std::uint32_t flags, void* event) override;
  HResult GetVerticalBlankStatus(std::int32_t* inBlank) override;
  HResult GetScanLine(std::uint32_t* line) override;

  void AddChild(Child* child);
  void RemoveChild(Child* child);
  void PrimaryGone(SurfaceObject* primary);
  WindowHandle Window() const { return window_; }

 private:
  HResult CreatePrimary(const SurfaceDesc& desc, DirectDrawSurface7** out);
  HResult CreatePlain(const SurfaceDesc& desc, DirectDrawSurface7** out);

  std::uint32_t refs_ = 1;
  bool initialized_ = false;
  std::uint32_t cooperativeLevel_ = 0;
  WindowHandle window_ = nullptr;
  bool modeSet_ = false;
  SurfaceObject* primary_ = nullptr;
  std::vector<Child*> children_;
};

// Every live surface, for the loss of video memory and the counters.
std::vector<SurfaceObject*>& LiveSurfaces();
int& LiveDirectDrawCount();

}  // namespace pf::ddraw
