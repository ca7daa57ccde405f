// The DirectDraw object: COM creation and interfaces, cooperative level, display modes, surface
// creation, clipper and palette creation, the vertical blank, and the end of everything it made.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3d/registration.h"
#include "platform/ddraw/ddraw_internal.h"
#include "platform/ddraw/ddraw_testing.h"
#include "platform/ddraw/display.h"
#include "platform/kernel/kernel_testing.h"

namespace pf {

const Guid CLSID_DirectDraw7 = {0x3C305196, 0x50DB, 0x11D3, {0x9C, 0xFE, 0x00, 0xC0, 0x4F, 0xD9, 0x30, 0xC5}};
const Guid IID_IDirectDraw7 = {0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
const Guid IID_IDirectDraw = {0x6C14DB80, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const Guid IID_IDirect3D7 = {0xF5049E77, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};
const Guid IID_IDirectDrawSurface7 = {0x06675A80, 0x3B9B, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

bool operator==(const Guid& a, const Guid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

namespace ddraw {
namespace {

constexpr std::uint32_t kDefaultVideoMemory = 64u << 20;

struct LayerState {
  std::map<std::string, HResult, std::less<>> faultResults;
  std::uint64_t videoBudget = kDefaultVideoMemory;
  std::uint64_t videoUsed = 0;
  int deadCalls = 0;
  DirectDrawObject* exclusiveOwner = nullptr;
  Direct3DFactory direct3D = nullptr;
  const DirectDrawSurface7* watchedSurface = nullptr;
  std::vector<Rect> watchedLocks;
};

LayerState& State() {
  static LayerState* state = new LayerState;
  return *state;
}

// The old interface: the capability block, holding a reference on the object.
class OldInterface final : public DirectDraw {
 public:
  explicit OldInterface(DirectDrawObject* object) : object_(object) { object_->AddRef(); }
  HResult QueryInterface(const Guid& iid, void** out) override { return object_->QueryInterface(iid, out); }
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    if (--refs_ != 0) return refs_;
    object_->Release();
    delete this;
    return 0;
  }
  HResult GetCaps(DDCaps* driver, DDCaps* emulation) override {
    for (DDCaps* caps : {driver, emulation}) {
      if (caps == nullptr) continue;
      std::memset(caps, 0, sizeof *caps);
      caps->size = sizeof *caps;
      caps->videoMemoryTotal = VideoMemoryTotal();
      caps->videoMemoryFree = VideoMemoryFree();
      caps->zBufferBitDepths = 0x400;   // 16 bits
    }
    return DD_OK;
  }

 private:
  DirectDrawObject* object_;
  std::uint32_t refs_ = 1;
};

bool LayoutFromFormat(const DDPixelFormat& format, pixels::Layout* out) {
  if (format.flags & (DDPF_FOURCC | DDPF_LUMINANCE | DDPF_BUMPDUDV | DDPF_BUMPLUMINANCE | DDPF_ALPHA)) return false;
  if (format.flags & DDPF_PALETTEINDEXED8) {
    *out = pixels::Palette8();
    return true;
  }
  if (!(format.flags & DDPF_RGB)) return false;
  if (format.bitCount != 16 && format.bitCount != 24 && format.bitCount != 32) return false;
  *out = pixels::Layout{static_cast<int>(format.bitCount), format.redMask, format.greenMask, format.blueMask,
                        (format.flags & DDPF_ALPHAPIXELS) ? format.alphaMask : 0};
  return true;
}

DDPixelFormat FormatFromLayout(const pixels::Layout& layout) {
  DDPixelFormat format{};
  format.size = sizeof format;
  format.bitCount = static_cast<std::uint32_t>(layout.bitsPerPixel);
  if (layout.bitsPerPixel == 8) {
    format.flags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    return format;
  }
  format.flags = layout.alpha != 0 ? DDPF_RGB | DDPF_ALPHAPIXELS : static_cast<std::uint32_t>(DDPF_RGB);
  format.redMask = layout.red;
  format.greenMask = layout.green;
  format.blueMask = layout.blue;
  format.alphaMask = layout.alpha;
  return format;
}

}  // namespace

std::recursive_mutex& Mutex() {
  static std::recursive_mutex* mutex = new std::recursive_mutex;
  return *mutex;
}

bool Fault(const char* method, HResult* code, HResult fallback) {
  if (!testing::ShouldFail(method)) return false;
  Guard guard(Mutex());
  auto found = State().faultResults.find(std::string_view(method));
  *code = found != State().faultResults.end() ? found->second : fallback;
  return true;
}

void NoteLock(const DirectDrawSurface7* surface, const Rect& area) {
  Guard guard(Mutex());
  if (surface != nullptr && surface == State().watchedSurface) State().watchedLocks.push_back(area);
}

HResult DeadObjectCall() {
  Guard guard(Mutex());
  ++State().deadCalls;
  return DDERR_INVALIDOBJECT;
}

bool ReserveVideoMemory(std::uint64_t bytes) {
  LayerState& state = State();
  if (state.videoUsed + bytes > state.videoBudget) return false;
  state.videoUsed += bytes;
  return true;
}

void ReturnVideoMemory(std::uint64_t bytes) { State().videoUsed -= std::min(bytes, State().videoUsed); }

std::uint32_t VideoMemoryTotal() { return static_cast<std::uint32_t>(State().videoBudget); }

std::uint32_t VideoMemoryFree() { return static_cast<std::uint32_t>(State().videoBudget - State().videoUsed); }

std::vector<SurfaceObject*>& LiveSurfaces() {
  static std::vector<SurfaceObject*>* surfaces = new std::vector<SurfaceObject*>;
  return *surfaces;
}

int& LiveDirectDrawCount() {
  static int count = 0;
  return count;
}

// ---------------------------------------------------------------- the object

DirectDrawObject::DirectDrawObject() { ++LiveDirectDrawCount(); }

DirectDrawObject::~DirectDrawObject() { --LiveDirectDrawCount(); }

HResult DirectDrawObject::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  HResult code;
  if (Fault("QueryInterface", &code, E_NOINTERFACE)) return code;
  if (iid == IID_IDirectDraw7) {
    AddRef();
    *out = static_cast<DirectDraw7*>(this);
    return DD_OK;
  }
  if (iid == IID_IDirectDraw) {
    *out = static_cast<DirectDraw*>(new OldInterface(this));
    return DD_OK;
  }
  if (iid == IID_IDirect3D7) {
    // Naming the Direct3D stand-in here also keeps it in every program that links DirectDraw.
    d3d::EnsureRegistered();
    if (State().direct3D != nullptr) return State().direct3D(this, out);
  }
  return E_NOINTERFACE;
}

std::uint32_t DirectDrawObject::AddRef() {
  Guard guard(Mutex());
  return ++refs_;
}

std::uint32_t DirectDrawObject::Release() {
  Guard guard(Mutex());
  if (--refs_ != 0) return refs_;
  // Everything the object made dies with it; exclusive mode and the display mode go back.
  std::vector<Child*> children;
  children.swap(children_);
  for (Child* child : children) child->Orphan();
  if (State().exclusiveOwner == this) State().exclusiveOwner = nullptr;
  if (modeSet_) display::RestoreDesktop();
  delete this;
  return 0;
}

HResult DirectDrawObject::Initialize(const Guid* device) {
  HResult code;
  if (Fault("Initialize", &code)) return code;
  if (initialized_) return DDERR_ALREADYINITIALIZED;
  if (device != nullptr) return DDERR_INVALIDPARAMS;   // only the default display device exists
  initialized_ = true;
  return DD_OK;
}

HResult DirectDrawObject::GetDeviceIdentifier(DeviceIdentifier* out, std::uint32_t) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  std::memset(out, 0, sizeof *out);
  std::snprintf(out->driver, sizeof out->driver, "%s", "zelvo_display");
  std::snprintf(out->description, sizeof out->description, "%s", "Zelvo virtual display");
  out->versionHigh = 1u << 16 | 0;
  out->versionLow = 0u << 16 | 1;
  return DD_OK;
}

HResult DirectDrawObject::GetAvailableVidMem(const DDCaps2*, std::uint32_t* total, std::uint32_t* free) {
  Guard guard(Mutex());
  if (total != nullptr) *total = VideoMemoryTotal();
  if (free != nullptr) *free = VideoMemoryFree();
  return DD_OK;
}

HResult DirectDrawObject::CreateClipper(std::uint32_t, DirectDrawClipper** out, Unknown* outer) {
  if (out == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  HResult code;
  if (Fault("CreateClipper", &code)) return code;
  if (!initialized_) return DDERR_NOTINITIALIZED;
  Guard guard(Mutex());
  auto* clipper = new ClipperObject(this);
  AddChild(clipper);
  *out = clipper;
  return DD_OK;
}

HResult DirectDrawObject::CreatePalette(std::uint32_t flags, const PaletteEntry* entries, DirectDrawPalette** out,
                                        Unknown* outer) {
  if (out == nullptr || outer != nullptr || entries == nullptr || !(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  HResult code;
  if (Fault("CreatePalette", &code)) return code;
  if (!initialized_) return DDERR_NOTINITIALIZED;
  Guard guard(Mutex());
  auto* palette = new PaletteObject(this, entries);
  AddChild(palette);
  *out = palette;
  return DD_OK;
}

HResult DirectDrawObject::SetCooperativeLevel(WindowHandle window, std::uint32_t flags) {
  HResult code;
  if (Fault("SetCooperativeLevel", &code)) return code;
  if (!initialized_) return DDERR_NOTINITIALIZED;
  Guard guard(Mutex());
  const bool exclusive = (flags & (DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE)) == (DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE);
  if (!exclusive && !(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
  if (exclusive) {
    if (!IsWindow(window)) return DDERR_INVALIDPARAMS;
    if (State().exclusiveOwner != nullptr && State().exclusiveOwner != this) return DDERR_EXCLUSIVEMODEALREADYSET;
    State().exclusiveOwner = this;
  } else if (State().exclusiveOwner == this) {
    State().exclusiveOwner = nullptr;
  }
  window_ = window;
  cooperativeLevel_ = flags;
  return DD_OK;
}

HResult DirectDrawObject::SetDisplayMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
                                         std::uint32_t refreshRate, std::uint32_t) {
  HResult code;
  if (Fault("SetDisplayMode", &code, DDERR_INVALIDMODE)) return code;
  if (!initialized_) return DDERR_NOTINITIALIZED;
  Guard guard(Mutex());
  if (State().exclusiveOwner != this) return DDERR_NOEXCLUSIVEMODE;
  if (!display::Accepts(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bitsPerPixel),
                        static_cast<int>(refreshRate))) {
    return DDERR_INVALIDMODE;
  }
  display::SetMode(display::Mode{static_cast<int>(width), static_cast<int>(height), static_cast<int>(bitsPerPixel),
                                 static_cast<int>(refreshRate)});
  modeSet_ = true;
  return DD_OK;
}

HResult DirectDrawObject::RestoreDisplayMode() {
  Guard guard(Mutex());
  if (!initialized_) return DDERR_NOTINITIALIZED;
  if (modeSet_) display::RestoreDesktop();
  modeSet_ = false;
  return DD_OK;
}

HResult DirectDrawObject::GetDisplayMode(SurfaceDesc* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (Fault("GetDisplayMode", &code)) return code;
  display::Mode mode = display::Current();
  pixels::Layout layout = display::LayoutForDepth(mode.bitsPerPixel);
  std::memset(out, 0, sizeof *out);
  out->size = sizeof *out;
  out->flags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  out->width = static_cast<std::uint32_t>(mode.width);
  out->height = static_cast<std::uint32_t>(mode.height);
  out->pitch = mode.width * pixels::BytesPerPixel(layout);
  out->refreshRate = static_cast<std::uint32_t>(mode.refresh);
  out->pixelFormat = FormatFromLayout(layout);
  return DD_OK;
}

HResult DirectDrawObject::FlipToGDISurface() {
  Guard guard(Mutex());
  if (!initialized_) return DDERR_NOTINITIALIZED;
  if (primary_ != nullptr && primary_->Kind() == SurfaceKind::kFront && primary_->FlipParity() != 0) {
    return primary_->Flip(nullptr, DDFLIP_NOVSYNC);
  }
  return DD_OK;
}

HResult DirectDrawObject::WaitForVerticalBlank(std::uint32_t flags, void*) {
  if (!(flags & DDWAITVB_BLOCKBEGIN)) return DDERR_UNSUPPORTED;
  display::WaitForBlankStart();
  return DD_OK;
}

HResult DirectDrawObject::GetVerticalBlankStatus(std::int32_t* inBlank) {
  if (inBlank == nullptr) return DDERR_INVALIDPARAMS;
  *inBlank = display::InVerticalBlank() ? 1 : 0;
  return DD_OK;
}

HResult DirectDrawObject::GetScanLine(std::uint32_t* line) {
  if (line == nullptr) return DDERR_INVALIDPARAMS;
  return display::ScanLine(line) ? DD_OK : DDERR_VERTICALBLANKINPROGRESS;
}

HResult DirectDrawObject::CreateSurface(SurfaceDesc* desc, DirectDrawSurface7** out, Unknown* outer) {
  if (desc == nullptr || out == nullptr || outer != nullptr || !(desc->flags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  HResult code;
  if (Fault("CreateSurface", &code)) return code;
  if (!initialized_) return DDERR_NOTINITIALIZED;
  Guard guard(Mutex());
  if (desc->caps.caps & DDSCAPS_OVERLAY) return DDERR_NOOVERLAYHW;
  if (desc->caps.caps & DDSCAPS_PRIMARYSURFACE) return CreatePrimary(*desc, out);
  return CreatePlain(*desc, out);
}

HResult DirectDrawObject::CreatePrimary(const SurfaceDesc& desc, DirectDrawSurface7** out) {
  if (cooperativeLevel_ == 0) return DDERR_NOEXCLUSIVEMODE;
  if (primary_ != nullptr) return DDERR_PRIMARYSURFACEALREADYEXISTS;
  display::Mode mode = display::Current();
  pixels::Layout layout = display::LayoutForDepth(mode.bitsPerPixel);
  DDPixelFormat format = FormatFromLayout(layout);
  const std::uint32_t displayCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
  const std::uint32_t wanted = desc.caps.caps & (DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE | DDSCAPS_FLIP |
                                                 DDSCAPS_COMPLEX);
  if (!(desc.caps.caps & DDSCAPS_FLIP)) {
    auto* surface = new SurfaceObject(this, SurfaceKind::kPrimary, mode.width, mode.height, layout,
                                      wanted | displayCaps, 0, false, format);
    AddChild(surface);
    primary_ = surface;
    *out = surface;
    return DD_OK;
  }
  if (State().exclusiveOwner != this) return DDERR_NOEXCLUSIVEMODE;
  if (!(desc.caps.caps & DDSCAPS_COMPLEX) || !(desc.flags & DDSD_BACKBUFFERCOUNT) || desc.backBufferCount < 1) {
    return DDERR_INVALIDCAPS;
  }
  auto* front = new SurfaceObject(this, SurfaceKind::kFront, mode.width, mode.height, layout,
                                  wanted | displayCaps | DDSCAPS_FRONTBUFFER, 0, false, format);
  AddChild(front);
  for (std::uint32_t i = 0; i < desc.backBufferCount; ++i) {
    std::uint32_t caps = (desc.caps.caps & (DDSCAPS_3DDEVICE | DDSCAPS_FLIP | DDSCAPS_COMPLEX)) | displayCaps |
                         (i == 0 ? DDSCAPS_BACKBUFFER : 0u);
    auto* back = new SurfaceObject(this, SurfaceKind::kBackBuffer, mode.width, mode.height, layout, caps, 0, false,
                                   format);
    AddChild(back);
    front->AttachBackBuffer(back);
  }
  primary_ = front;
  *out = front;
  return DD_OK;
}

HResult DirectDrawObject::CreatePlain(const SurfaceDesc& desc, DirectDrawSurface7** out) {
  if ((desc.flags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || desc.width == 0 || desc.height == 0 ||
      desc.width > 16384 || desc.height > 16384) {
    return DDERR_INVALIDPARAMS;
  }
  const std::uint32_t caps = desc.caps.caps;
  const bool system = (caps & DDSCAPS_SYSTEMMEMORY) != 0;
  const bool managed = (desc.caps.caps2 & DDSCAPS2_TEXTUREMANAGE) != 0;
  SurfaceKind kind = (caps & DDSCAPS_ZBUFFER)   ? SurfaceKind::kZBuffer
                     : (caps & DDSCAPS_TEXTURE) ? SurfaceKind::kTexture
                                                : SurfaceKind::kOffscreen;
  pixels::Layout layout = display::LayoutForDepth(display::Current().bitsPerPixel);
  DDPixelFormat format = FormatFromLayout(layout);
  if (kind == SurfaceKind::kZBuffer) {
    if ((desc.flags & DDSD_PIXELFORMAT) &&
        (!(desc.pixelFormat.flags & DDPF_ZBUFFER) || desc.pixelFormat.bitCount != 16)) {
      return DDERR_INVALIDPIXELFORMAT;
    }
    layout = pixels::Layout{16, 0, 0, 0, 0};
    format = DDPixelFormat{sizeof(DDPixelFormat), DDPF_ZBUFFER, 0, 16, 0, 0xFFFF, 0, 0};
  } else if (desc.flags & DDSD_PIXELFORMAT) {
    if (!LayoutFromFormat(desc.pixelFormat, &layout)) return DDERR_INVALIDPIXELFORMAT;
    format = desc.pixelFormat;
    format.size = sizeof format;
  }
  const bool video = !system && !managed;
  const std::uint64_t bytes = static_cast<std::uint64_t>(desc.width) * desc.height * pixels::BytesPerPixel(layout);
  if (video && !ReserveVideoMemory(bytes)) return DDERR_OUTOFVIDEOMEMORY;
  std::uint32_t reported = (caps & ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM | DDSCAPS_SYSTEMMEMORY)) |
                           (system ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM);
  auto* surface = new SurfaceObject(this, kind, static_cast<int>(desc.width), static_cast<int>(desc.height), layout,
                                    reported, desc.caps.caps2, video, format);
  AddChild(surface);
  if (desc.flags & DDSD_CKSRCBLT) surface->SetColorKey(DDCKEY_SRCBLT, &desc.sourceBltKey);
  *out = surface;
  return DD_OK;
}

void DirectDrawObject::AddChild(Child* child) { children_.push_back(child); }

void DirectDrawObject::RemoveChild(Child* child) {
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

void DirectDrawObject::PrimaryGone(SurfaceObject* primary) {
  if (primary_ == primary) primary_ = nullptr;
}

// ---------------------------------------------------------------- clipper and palette

ClipperObject::ClipperObject(DirectDrawObject* owner) : owner_(owner) {}

HResult ClipperObject::QueryInterface(const Guid&, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

std::uint32_t ClipperObject::AddRef() {
  Guard guard(Mutex());
  return ++refs_;
}

std::uint32_t ClipperObject::Release() {
  Guard guard(Mutex());
  if (--refs_ != 0) return refs_;
  if (owner_ != nullptr) owner_->RemoveChild(this);
  delete this;
  return 0;
}

HResult ClipperObject::SetHWnd(std::uint32_t, WindowHandle window) {
  HResult code;
  if (Fault("SetHWnd", &code)) return code;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  if (window != nullptr && !IsWindow(window)) return DDERR_INVALIDPARAMS;
  window_ = window;
  return DD_OK;
}

HResult ClipperObject::GetHWnd(WindowHandle* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  if (owner_ == nullptr) return DeadObjectCall();
  *out = window_;
  return DD_OK;
}

bool ClipperObject::ClipRect(Rect* out) const {
  Point origin{0, 0};
  Rect client{};
  if (owner_ == nullptr || !GetClientRect(window_, &client) || !ClientToScreen(window_, &origin)) return false;
  *out = Rect{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  return true;
}

PaletteObject::PaletteObject(DirectDrawObject* owner, const PaletteEntry* entries) : owner_(owner) {
  SetEntries(0, 0, 256, entries);
}

HResult PaletteObject::QueryInterface(const Guid&, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

std::uint32_t PaletteObject::AddRef() {
  Guard guard(Mutex());
  return ++refs_;
}

std::uint32_t PaletteObject::Release() {
  Guard guard(Mutex());
  if (--refs_ != 0) return refs_;
  if (owner_ != nullptr) owner_->RemoveChild(this);
  delete this;
  return 0;
}

HResult PaletteObject::SetEntries(std::uint32_t, std::uint32_t start, std::uint32_t count,
                                  const PaletteEntry* entries) {
  if (entries == nullptr || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
  if (owner_ == nullptr) return DeadObjectCall();
  for (std::uint32_t i = 0; i < count; ++i) {
    const PaletteEntry& e = entries[i];
    entries_[start + i] = e;
    rgb_[start + i] = static_cast<std::uint32_t>(e.red) << 16 | static_cast<std::uint32_t>(e.green) << 8 | e.blue;
  }
  return DD_OK;
}

HResult PaletteObject::GetEntries(std::uint32_t, std::uint32_t start, std::uint32_t count, PaletteEntry* out) {
  if (out == nullptr || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
  if (owner_ == nullptr) return DeadObjectCall();
  std::memcpy(out, entries_ + start, count * sizeof(PaletteEntry));
  return DD_OK;
}

}  // namespace ddraw

namespace {
// Filled during static initialisation by the areas that register a class.
std::vector<std::pair<Guid, ComClassFactory>>& ComClasses() {
  static std::vector<std::pair<Guid, ComClassFactory>> classes;
  return classes;
}
}  // namespace

void RegisterComClass(const Guid& clsid, ComClassFactory factory) { ComClasses().emplace_back(clsid, factory); }

HResult CoCreateInstance(const Guid& clsid, Unknown* outer, std::uint32_t, const Guid& iid, void** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (!(clsid == CLSID_DirectDraw7)) {
    for (const auto& [registered, factory] : ComClasses()) {
      if (registered == clsid) return factory(iid, out);
    }
    return REGDB_E_CLASSNOTREG;
  }
  HResult code;
  if (ddraw::Fault("DirectDrawCreate", &code, REGDB_E_CLASSNOTREG)) return code;
  if (!(iid == IID_IDirectDraw7)) return E_NOINTERFACE;
  ddraw::Guard guard(ddraw::Mutex());
  *out = static_cast<DirectDraw7*>(new ddraw::DirectDrawObject);
  return DD_OK;
}

void RegisterDirect3DFactory(Direct3DFactory factory) {
  ddraw::Guard guard(ddraw::Mutex());
  ddraw::State().direct3D = factory;
}

namespace testing {

void SetAcceptedDisplayModes(const std::vector<DisplayModeEntry>& modes) {
  auto& accepted = display::CurrentSettings().acceptedModes;
  accepted.clear();
  for (const DisplayModeEntry& m : modes) accepted.push_back(display::Mode{m.width, m.height, m.bitsPerPixel, m.refresh});
}

void SetDisplay16Bit555(bool on) { display::CurrentSettings().use555 = on; }

void SetVerticalBlankStopped(bool stopped) { display::CurrentSettings().blankStopped = stopped; }

void SetVideoMemoryBudget(std::uint32_t bytes) {
  ddraw::Guard guard(ddraw::Mutex());
  ddraw::State().videoBudget = bytes;
}

void LoseVideoMemory() {
  ddraw::Guard guard(ddraw::Mutex());
  for (ddraw::SurfaceObject* surface : ddraw::LiveSurfaces()) {
    if (surface->CanBeLost()) surface->MarkLost();
  }
}

void SetFaultResult(const char* method, HResult code) {
  ddraw::Guard guard(ddraw::Mutex());
  ddraw::State().faultResults[method] = code;
}

void ResetDisplayStandIn() {
  ddraw::Guard guard(ddraw::Mutex());
  display::ResetSettings();
  display::RestoreDesktop();
  ddraw::State().faultResults.clear();
  ddraw::State().videoBudget = ddraw::kDefaultVideoMemory;
  ddraw::State().watchedSurface = nullptr;
  ddraw::State().watchedLocks.clear();
  SetReportedRefreshRate(-1);
}

void WatchSurfaceLocks(DirectDrawSurface7* surface) {
  ddraw::Guard guard(ddraw::Mutex());
  ddraw::State().watchedSurface = surface;
  ddraw::State().watchedLocks.clear();
}

std::vector<Rect> TakeSurfaceLocks() {
  ddraw::Guard guard(ddraw::Mutex());
  std::vector<Rect> locks;
  locks.swap(ddraw::State().watchedLocks);
  return locks;
}

int LiveDirectDrawObjects() {
  ddraw::Guard guard(ddraw::Mutex());
  return ddraw::LiveDirectDrawCount();
}

int LiveSurfaceCount() {
  ddraw::Guard guard(ddraw::Mutex());
  return static_cast<int>(ddraw::LiveSurfaces().size());
}

int CallsOnDeadObjects() {
  ddraw::Guard guard(ddraw::Mutex());
  return ddraw::State().deadCalls;
}

bool DisplayModeSet(int* width, int* height, int* bitsPerPixel) {
  if (!display::Changed()) return false;
  display::Mode mode = display::Current();
  if (width != nullptr) *width = mode.width;
  if (height != nullptr) *height = mode.height;
  if (bitsPerPixel != nullptr) *bitsPerPixel = mode.bitsPerPixel;
  return true;
}

std::uint32_t SurfacePixel(DirectDrawSurface7* surface, int x, int y) {
  ddraw::Guard guard(ddraw::Mutex());
  auto* object = static_cast<ddraw::SurfaceObject*>(surface);
  pixels::View view = object->View();
  if (x < 0 || y < 0 || x >= view.width || y >= view.height) return 0;
  return pixels::RawToRgb(view, pixels::ReadRaw(pixels::PixelAddress(view, x, y), pixels::BytesPerPixel(view.layout)));
}

}  // namespace testing
}  // namespace pf
