#pragma once
// DirectDraw 7 as the library calls it: the DirectDraw object (cooperative level, display modes,
// surfaces, clipper, palette, vertical blank), surfaces in memory (primary and flip chain,
// off-screen in system or video memory, Z), Lock, Blt and BltFast, colour keys, lost surfaces and
// Restore. Objects are reached through CoCreateInstance and QueryInterface with the public class and
// interface identifiers; results are the platform's result codes. The primary surface is what the
// host window shows.
#include <cstdint>

#include "platform/window/window.h"

namespace pf {

// ---------------------------------------------------------------- COM plumbing
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2, data3;
  std::uint8_t data4[8];
};
bool operator==(const Guid& a, const Guid& b);

using HResult = std::int32_t;
constexpr HResult MakeDDResult(std::uint32_t code) { return static_cast<HResult>(0x88760000u | code); }

constexpr HResult DD_OK = 0;
constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult REGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154u);
constexpr HResult CLASS_E_NOAGGREGATION = static_cast<HResult>(0x80040110u);
constexpr HResult DDERR_GENERIC = static_cast<HResult>(0x80004005u);
constexpr HResult DDERR_UNSUPPORTED = static_cast<HResult>(0x80004001u);
constexpr HResult DDERR_INVALIDPARAMS = static_cast<HResult>(0x80070057u);
constexpr HResult DDERR_ALREADYINITIALIZED = MakeDDResult(5);
constexpr HResult DDERR_CANNOTATTACHSURFACE = MakeDDResult(10);
constexpr HResult DDERR_EXCEPTION = MakeDDResult(55);
constexpr HResult DDERR_INVALIDCAPS = MakeDDResult(100);
constexpr HResult DDERR_INVALIDMODE = MakeDDResult(120);
constexpr HResult DDERR_INVALIDOBJECT = MakeDDResult(130);
constexpr HResult DDERR_INVALIDPIXELFORMAT = MakeDDResult(145);
constexpr HResult DDERR_INVALIDRECT = MakeDDResult(150);
constexpr HResult DDERR_NOCOLORKEY = MakeDDResult(215);
constexpr HResult DDERR_NOEXCLUSIVEMODE = MakeDDResult(225);
constexpr HResult DDERR_NOTFOUND = MakeDDResult(255);
constexpr HResult DDERR_NOOVERLAYHW = MakeDDResult(260);
constexpr HResult DDERR_OUTOFVIDEOMEMORY = MakeDDResult(380);
constexpr HResult DDERR_SURFACEBUSY = MakeDDResult(430);
constexpr HResult DDERR_SURFACELOST = MakeDDResult(450);
constexpr HResult DDERR_VERTICALBLANKINPROGRESS = MakeDDResult(537);
constexpr HResult DDERR_HWNDSUBCLASSED = MakeDDResult(550);
constexpr HResult DDERR_HWNDALREADYSET = MakeDDResult(560);
constexpr HResult DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDDResult(564);
constexpr HResult DDERR_EXCLUSIVEMODEALREADYSET = MakeDDResult(581);
constexpr HResult DDERR_NOTLOCKED = MakeDDResult(584);
constexpr HResult DDERR_CANTCREATEDC = MakeDDResult(589);
constexpr HResult DDERR_NOTINITIALIZED = static_cast<HResult>(0x800401F0u);

extern const Guid CLSID_DirectDraw7;
extern const Guid IID_IDirectDraw7;
extern const Guid IID_IDirectDraw;
extern const Guid IID_IDirect3D7;
extern const Guid IID_IDirectDrawSurface7;

constexpr std::uint32_t CLSCTX_ALL = 0x17;

class Unknown {
 public:
  virtual HResult QueryInterface(const Guid& iid, void** out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~Unknown() = default;
};

// Creates the object of a registered class (DirectDraw 7, and the classes other areas of the layer
// register). E_NOINTERFACE for another interface.
HResult CoCreateInstance(const Guid& clsid, Unknown* outer, std::uint32_t context, const Guid& iid, void** out);
// Makes a class known to CoCreateInstance; the factory makes the object for the interface asked.
using ComClassFactory = HResult (*)(const Guid& iid, void** out);
void RegisterComClass(const Guid& clsid, ComClassFactory factory);

// ---------------------------------------------------------------- records
struct DDPixelFormat {
  std::uint32_t size;        // 32
  std::uint32_t flags;       // DDPF_*
  std::uint32_t fourCC;
  std::uint32_t bitCount;    // RGB bit count, or Z-buffer bit depth
  std::uint32_t redMask;     // Z: stencil bit depth
  std::uint32_t greenMask;   // Z: Z bit mask
  std::uint32_t blueMask;
  std::uint32_t alphaMask;
};
static_assert(sizeof(DDPixelFormat) == 32);

enum : std::uint32_t {
  DDPF_ALPHAPIXELS = 0x1, DDPF_ALPHA = 0x2, DDPF_FOURCC = 0x4, DDPF_PALETTEINDEXED8 = 0x20, DDPF_RGB = 0x40,
  DDPF_ZBUFFER = 0x400, DDPF_LUMINANCE = 0x20000, DDPF_BUMPLUMINANCE = 0x40000, DDPF_BUMPDUDV = 0x80000,
};

struct DDCaps2 {
  std::uint32_t caps, caps2, caps3, caps4;
};
enum : std::uint32_t {
  DDSCAPS_BACKBUFFER = 0x4, DDSCAPS_COMPLEX = 0x8, DDSCAPS_FLIP = 0x10, DDSCAPS_FRONTBUFFER = 0x20,
  DDSCAPS_OFFSCREENPLAIN = 0x40, DDSCAPS_OVERLAY = 0x80, DDSCAPS_PALETTE = 0x100, DDSCAPS_PRIMARYSURFACE = 0x200,
  DDSCAPS_SYSTEMMEMORY = 0x800, DDSCAPS_TEXTURE = 0x1000, DDSCAPS_3DDEVICE = 0x2000, DDSCAPS_VIDEOMEMORY = 0x4000,
  DDSCAPS_ZBUFFER = 0x20000, DDSCAPS_LOCALVIDMEM = 0x10000000,
};
enum : std::uint32_t { DDSCAPS2_TEXTUREMANAGE = 0x10 };

struct DDColorKey {
  std::uint32_t low, high;
};

struct SurfaceDesc {
  std::uint32_t size;             // sizeof(SurfaceDesc)
  std::uint32_t flags;            // DDSD_*
  std::uint32_t height;
  std::uint32_t width;
  std::int32_t pitch;
  std::uint32_t backBufferCount;
  std::uint32_t refreshRate;
  void* surface;                  // Lock: the first pixel of the locked rectangle
  DDColorKey sourceBltKey;
  DDPixelFormat pixelFormat;
  DDCaps2 caps;
  std::uint32_t textureStage;
};
enum : std::uint32_t {
  DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8, DDSD_BACKBUFFERCOUNT = 0x20,
  DDSD_CKSRCBLT = 0x10000, DDSD_PIXELFORMAT = 0x1000, DDSD_REFRESHRATE = 0x40000, DDSD_LPSURFACE = 0x800,
};

struct DDBltFx {
  std::uint32_t size;
  std::uint32_t fillColor;        // raw pixel value
  std::uint32_t fillDepth;
};

struct PaletteEntry {
  std::uint8_t red, green, blue, flags;
};

struct DeviceIdentifier {
  char driver[512];
  char description[512];
  std::uint32_t versionHigh;      // high and low words: the first two parts of the driver version
  std::uint32_t versionLow;       // the last two parts
  std::uint32_t vendorId, deviceId;
};

// The device capability block of the old interface (380 bytes); the fields the library reads.
struct DDCaps {
  std::uint32_t size;
  std::uint32_t caps, caps2, colorKeyCaps, fxCaps, fxAlphaCaps, paletteCaps, stereoCaps;
  std::uint32_t alphaDepths[6];
  std::uint32_t zBufferBitDepths;
  std::uint32_t videoMemoryTotal;
  std::uint32_t videoMemoryFree;
  std::uint32_t maxVisibleOverlays, currentVisibleOverlays, fourCCCount;
  std::uint32_t alignment[5];
  std::uint32_t rops[8];
  std::uint32_t oldCaps;
  std::uint32_t minOverlayStretch;
  std::uint32_t maxOverlayStretch;
  std::uint8_t rest[380 - 144];
};
static_assert(sizeof(DDCaps) == 380);

// ---------------------------------------------------------------- flags
enum : std::uint32_t {
  DDSCL_FULLSCREEN = 0x1, DDSCL_ALLOWREBOOT = 0x2, DDSCL_NOWINDOWCHANGES = 0x4, DDSCL_NORMAL = 0x8,
  DDSCL_EXCLUSIVE = 0x10, DDSCL_MULTITHREADED = 0x400,
};
enum : std::uint32_t { DDLOCK_WAIT = 0x1, DDLOCK_READONLY = 0x10, DDLOCK_WRITEONLY = 0x20 };
enum : std::uint32_t {
  DDBLT_COLORFILL = 0x400, DDBLT_DDFX = 0x800, DDBLT_KEYSRC = 0x8000, DDBLT_WAIT = 0x1000000,
  DDBLT_DEPTHFILL = 0x2000000,
};
enum : std::uint32_t { DDBLTFAST_NOCOLORKEY = 0x0, DDBLTFAST_SRCCOLORKEY = 0x1, DDBLTFAST_WAIT = 0x10 };
enum : std::uint32_t { DDFLIP_WAIT = 0x1, DDFLIP_NOVSYNC = 0x8 };
enum : std::uint32_t { DDCKEY_SRCBLT = 0x8 };
enum : std::uint32_t { DDPCAPS_8BIT = 0x4, DDPCAPS_ALLOW256 = 0x40 };
enum : std::uint32_t { DDWAITVB_BLOCKBEGIN = 0x1 };
enum : std::uint32_t { DDENUMRET_CANCEL = 0, DDENUMRET_OK = 1 };

// ---------------------------------------------------------------- interfaces
class DirectDrawClipper : public Unknown {
 public:
  // The clip list is the window's client rectangle in desktop coordinates.
  virtual HResult SetHWnd(std::uint32_t flags, WindowHandle window) = 0;
  virtual HResult GetHWnd(WindowHandle* out) = 0;
};

class DirectDrawPalette : public Unknown {
 public:
  virtual HResult SetEntries(std::uint32_t flags, std::uint32_t start, std::uint32_t count,
                             const PaletteEntry* entries) = 0;
  virtual HResult GetEntries(std::uint32_t flags, std::uint32_t start, std::uint32_t count, PaletteEntry* out) = 0;
};

struct DeviceContextRecord;
using DeviceContext = DeviceContextRecord*;

class DirectDrawSurface7;
using EnumSurfacesCallback = HResult (*)(DirectDrawSurface7* surface, SurfaceDesc* desc, void* context);

class DirectDrawSurface7 : public Unknown {
 public:
  // Several rectangle locks may be held at once; the rectangle must lie inside the surface.
  virtual HResult Lock(const Rect* rect, SurfaceDesc* desc, std::uint32_t flags, void* event) = 0;
  virtual HResult Unlock(const Rect* rect) = 0;
  // Nearest-neighbour stretch when the sizes differ; a clipper on the destination clips to its
  // window's client rectangle, else both rectangles must lie inside their surfaces.
  virtual HResult Blt(const Rect* destination, DirectDrawSurface7* source, const Rect* sourceRect,
                      std::uint32_t flags, const DDBltFx* fx) = 0;
  virtual HResult BltFast(std::uint32_t x, std::uint32_t y, DirectDrawSurface7* source, const Rect* sourceRect,
                          std::uint32_t flags) = 0;
  // Swaps the front buffer's memory with the next buffer of the chain; without DDFLIP_NOVSYNC the
  // swap waits for the start of the next vertical blank.
  virtual HResult Flip(DirectDrawSurface7* target, std::uint32_t flags) = 0;
  virtual HResult IsLost() = 0;
  virtual HResult Restore() = 0;
  virtual HResult GetDC(DeviceContext* out) = 0;
  virtual HResult ReleaseDC(DeviceContext context) = 0;
  virtual HResult GetCaps(DDCaps2* out) = 0;
  virtual HResult SetColorKey(std::uint32_t flags, const DDColorKey* key) = 0;
  virtual HResult GetColorKey(std::uint32_t flags, DDColorKey* out) = 0;
  virtual HResult GetAttachedSurface(const DDCaps2* caps, DirectDrawSurface7** out) = 0;
  virtual HResult AddAttachedSurface(DirectDrawSurface7* surface) = 0;
  virtual HResult DeleteAttachedSurface(std::uint32_t flags, DirectDrawSurface7* surface) = 0;
  virtual HResult EnumAttachedSurfaces(void* context, EnumSurfacesCallback callback) = 0;
  virtual HResult SetClipper(DirectDrawClipper* clipper) = 0;
  virtual HResult GetClipper(DirectDrawClipper** out) = 0;
  virtual HResult SetPalette(DirectDrawPalette* palette) = 0;
  virtual HResult GetPalette(DirectDrawPalette** out) = 0;
  virtual HResult GetPixelFormat(DDPixelFormat* out) = 0;
  virtual HResult GetSurfaceDesc(SurfaceDesc* out) = 0;
};

// The old interface: only its capability block.
class DirectDraw : public Unknown {
 public:
  virtual HResult GetCaps(DDCaps* driver, DDCaps* emulation) = 0;
};

class DirectDraw7 : public Unknown {
 public:
  virtual HResult Initialize(const Guid* device) = 0;
  virtual HResult GetDeviceIdentifier(DeviceIdentifier* out, std::uint32_t flags) = 0;
  virtual HResult GetAvailableVidMem(const DDCaps2* caps, std::uint32_t* total, std::uint32_t* free) = 0;
  virtual HResult CreateClipper(std::uint32_t flags, DirectDrawClipper** out, Unknown* outer) = 0;
  virtual HResult CreateSurface(SurfaceDesc* desc, DirectDrawSurface7** out, Unknown* outer) = 0;
  virtual HResult CreatePalette(std::uint32_t flags, const PaletteEntry* entries, DirectDrawPalette** out,
                                Unknown* outer) = 0;
  virtual HResult SetCooperativeLevel(WindowHandle window, std::uint32_t flags) = 0;
  virtual HResult SetDisplayMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
                                 std::uint32_t refreshRate, std::uint32_t flags) = 0;
  virtual HResult RestoreDisplayMode() = 0;
  virtual HResult GetDisplayMode(SurfaceDesc* out) = 0;
  virtual HResult FlipToGDISurface() = 0;
  virtual HResult WaitForVerticalBlank(std::uint32_t flags, void* event) = 0;
  virtual HResult GetVerticalBlankStatus(std::int32_t* inBlank) = 0;
  virtual HResult GetScanLine(std::uint32_t* line) = 0;
};

// Direct3D 7 is obtained from the DirectDraw object; its layer registers how.
using Direct3DFactory = HResult (*)(DirectDraw7* directDraw, void** out);
void RegisterDirect3DFactory(Direct3DFactory factory);

}  // namespace pf
