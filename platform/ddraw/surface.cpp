// DirectDraw surfaces in memory: locks, blits with fill, colour key, stretch and clipping, the flip
// chain, attachments, device contexts, loss and restore. Display surfaces show through the host
// window whenever their pixels change.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/ddraw/ddraw_internal.h"
#include "platform/ddraw/display.h"
#include "platform/gdi/view_context.h"

namespace pf::ddraw {
namespace {

constexpr std::uint8_t kUndefinedContent = 0xCD;

bool RectInside(const Rect& r, int width, int height) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width && r.bottom <= height;
}

void ShowSurface(void* context) { static_cast<SurfaceObject*>(context)->ShowIfVisible(); }

}  // namespace

SurfaceObject::SurfaceObject(DirectDrawObject* owner, SurfaceKind kind, int width, int height,
                             const pixels::Layout& layout, std::uint32_t caps, std::uint32_t caps2, bool video,
                             const DDPixelFormat& format)
    : owner_(owner), kind_(kind), width_(width), height_(height), layout_(layout), format_(format), caps_(caps),
      caps2_(caps2), video_(video) {
  pitch_ = (width_ * pixels::BytesPerPixel(layout_) + 3) & ~3;
  if (!memory_.Reserve(static_cast<std::size_t>(pitch_) * height_)) throw std::bad_alloc();
  LiveSurfaces().push_back(this);
}

SurfaceObject::~SurfaceObject() {
  auto& live = LiveSurfaces();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  if (video_) ReturnVideoMemory(static_cast<std::uint64_t>(width_) * height_ * pixels::BytesPerPixel(layout_));
}

HResult SurfaceObject::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(iid == IID_IDirectDrawSurface7)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<DirectDrawSurface7*>(this);
  return DD_OK;
}

std::uint32_t SurfaceObject::AddRef() {
  Guard guard(Mutex());
  return ++refs_;
}

std::uint32_t SurfaceObject::Release() {
  Guard guard(Mutex());
  if (--refs_ != 0) return refs_;
  if (owner_ != nullptr) {
    owner_->RemoveChild(this);
    owner_->PrimaryGone(this);
  }
  for (SurfaceObject* back : backBuffers_) {
    back->front_ = nullptr;
    back->Release();
  }
  if (front_ != nullptr) {
    auto& chain = front_->backBuffers_;
    chain.erase(std::remove(chain.begin(), chain.end(), this), chain.end());
  }
  if (attachedZ_ != nullptr) attachedZ_->Release();
  if (clipper_ != nullptr) clipper_->Release();
  if (palette_ != nullptr) palette_->Release();
  if (dc_ != nullptr) gdi::DeleteViewContext(dc_);
  delete this;
  return 0;
}

void SurfaceObject::Orphan() {
  owner_ = nullptr;
  lost_ = false;
}

bool SurfaceObject::CanBeLost() const {
  return kind_ == SurfaceKind::kPrimary || kind_ == SurfaceKind::kFront || kind_ == SurfaceKind::kBackBuffer ||
         video_;
}

HResult SurfaceObject::CheckUsable(bool forDrawing) {
  if (owner_ == nullptr) return DeadObjectCall();
  if (lost_) return DDERR_SURFACELOST;
  if (forDrawing && (locks_ > 0 || dc_ != nullptr)) return DDERR_SURFACEBUSY;
  return DD_OK;
}

pixels::View SurfaceObject::View() {
  const std::uint32_t* palette = palette_ != nullptr ? palette_->Rgb() : nullptr;
  if (palette == nullptr && front_ != nullptr && front_->palette_ != nullptr) palette = front_->palette_->Rgb();
  // The undefined content is written on first use: a surface that is never touched costs no page
  // of memory.
  if (contentPending_) {
    memory_.Fill(kUndefinedContent);
    contentPending_ = false;
  }
  return pixels::View{memory_.Data(), width_, height_, pitch_, layout_, palette};
}

bool SurfaceObject::Visible() const { return kind_ == SurfaceKind::kPrimary || kind_ == SurfaceKind::kFront; }

void SurfaceObject::ShowIfVisible() {
  if (Visible() && owner_ != nullptr && !lost_) display::ShowPrimary(View());
}

void SurfaceObject::FillPattern() { contentPending_ = true; }

void SurfaceObject::AttachBackBuffer(SurfaceObject* back) {
  backBuffers_.push_back(back);
  back->front_ = this;
}

HResult SurfaceObject::Lock(const Rect* rect, SurfaceDesc* desc, std::uint32_t, void*) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  HResult code;
  if (Fault("Lock", &code)) return code;
  Guard guard(Mutex());
  if (HResult usable = CheckUsable(false); usable != DD_OK) return usable;
  if (dc_ != nullptr) return DDERR_SURFACEBUSY;
  Rect whole{0, 0, width_, height_};
  Rect area = rect != nullptr ? *rect : whole;
  if (!RectInside(area, width_, height_)) return DDERR_INVALIDRECT;
  ++locks_;
  NoteLock(this, area);
  std::memset(desc, 0, sizeof *desc);
  desc->size = sizeof *desc;
  desc->flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_LPSURFACE;
  desc->width = static_cast<std::uint32_t>(width_);
  desc->height = static_cast<std::uint32_t>(height_);
  desc->pitch = pitch_;
  desc->surface = pixels::PixelAddress(View(), area.left, area.top);
  desc->pixelFormat = format_;
  desc->caps = DDCaps2{caps_, caps2_, 0, 0};
  return DD_OK;
}

HResult SurfaceObject::Unlock(const Rect*) {
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  if (locks_ == 0) return DDERR_NOTLOCKED;
  --locks_;
  ShowIfVisible();
  return DD_OK;
}

HResult SurfaceObject::Blt(const Rect* destination, DirectDrawSurface7* source, const Rect* sourceRect,
                           std::uint32_t flags, const DDBltFx* fx) {
  HResult code;
  if (Fault("Blt", &code)) return code;
  Guard guard(Mutex());
  if (HResult usable = CheckUsable(true); usable != DD_OK) return usable;
  if (flags & ~(DDBLT_COLORFILL | DDBLT_DEPTHFILL | DDBLT_WAIT)) return DDERR_UNSUPPORTED;
  Rect dst = destination != nullptr ? *destination : Rect{0, 0, width_, height_};
  const bool fill = (flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL)) != 0;
  if (fill && fx == nullptr) return DDERR_INVALIDPARAMS;
  if ((flags & DDBLT_DEPTHFILL) && kind_ != SurfaceKind::kZBuffer) return DDERR_INVALIDPARAMS;
  auto* src = static_cast<SurfaceObject*>(source);
  if (!fill) {
    if (src == nullptr) return DDERR_INVALIDPARAMS;
    if (src->owner_ == nullptr) return DeadObjectCall();
    if (src->lost_) return DDERR_SURFACELOST;
    if (src != this && (src->locks_ > 0 || src->dc_ != nullptr)) return DDERR_SURFACEBUSY;
    if (!pixels::SameLayout(src->layout_, layout_)) return DDERR_INVALIDPIXELFORMAT;
  }
  Rect srcArea = fill ? Rect{0, 0, 1, 1} : (sourceRect != nullptr ? *sourceRect : Rect{0, 0, src->width_, src->height_});
  if (!fill && !RectInside(srcArea, src->width_, src->height_)) return DDERR_INVALIDRECT;
  if (dst.left >= dst.right || dst.top >= dst.bottom) return DDERR_INVALIDRECT;
  Rect clip{0, 0, width_, height_};
  Rect window{};
  const bool clipped = clipper_ != nullptr && clipper_->ClipRect(&window);
  if (clipped) {
    clip = Rect{std::max(clip.left, window.left), std::max(clip.top, window.top), std::min(clip.right, window.right),
                std::min(clip.bottom, window.bottom)};
  } else if (!RectInside(dst, width_, height_)) {
    return DDERR_INVALIDRECT;
  }
  Rect out{std::max(dst.left, clip.left), std::max(dst.top, clip.top), std::min(dst.right, clip.right),
           std::min(dst.bottom, clip.bottom)};
  if (out.left >= out.right || out.top >= out.bottom) return DD_OK;   // wholly clipped away
  pixels::View view = View();
  if (fill) {
    std::uint32_t value = (flags & DDBLT_DEPTHFILL) ? fx->fillDepth : fx->fillColor;
    pixels::FillRaw(view, out.left, out.top, out.right - out.left, out.bottom - out.top, value);
    ShowIfVisible();
    return DD_OK;
  }
  // The source shrinks in proportion to what the clip took off the destination.
  const std::int64_t dw = dst.right - dst.left, dh = dst.bottom - dst.top;
  const std::int64_t sw = srcArea.right - srcArea.left, sh = srcArea.bottom - srcArea.top;
  Rect from{static_cast<int>(srcArea.left + (out.left - dst.left) * sw / dw),
            static_cast<int>(srcArea.top + (out.top - dst.top) * sh / dh),
            static_cast<int>(srcArea.left + (out.right - dst.left) * sw / dw),
            static_cast<int>(srcArea.top + (out.bottom - dst.top) * sh / dh)};
  if (from.right <= from.left || from.bottom <= from.top) return DD_OK;
  pixels::View fromView = src->View();
  std::vector<std::uint8_t> copy;
  if (src == this) {   // overlapping source: stretch from a snapshot
    copy.assign(memory_.Data(), memory_.Data() + memory_.Size());
    fromView.origin = copy.data();
  }
  pixels::StretchPixels(view, out.left, out.top, out.right - out.left, out.bottom - out.top, fromView, from.left,
                        from.top, from.right - from.left, from.bottom - from.top);
  ShowIfVisible();
  return DD_OK;
}

HResult SurfaceObject::BltFast(std::uint32_t x, std::uint32_t y, DirectDrawSurface7* source, const Rect* sourceRect,
                               std::uint32_t flags) {
  HResult code;
  if (Fault("BltFast", &code)) return code;
  Guard guard(Mutex());
  if (HResult usable = CheckUsable(true); usable != DD_OK) return usable;
  auto* src = static_cast<SurfaceObject*>(source);
  if (src == nullptr) return DDERR_INVALIDPARAMS;
  if (src->owner_ == nullptr) return DeadObjectCall();
  if (src->lost_) return DDERR_SURFACELOST;
  if (src != this && (src->locks_ > 0 || src->dc_ != nullptr)) return DDERR_SURFACEBUSY;
  if (!pixels::SameLayout(src->layout_, layout_)) return DDERR_INVALIDPIXELFORMAT;
  Rect area = sourceRect != nullptr ? *sourceRect : Rect{0, 0, src->width_, src->height_};
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (!RectInside(area, src->width_, src->height_) ||
      !RectInside(Rect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x) + w, static_cast<int>(y) + h},
                  width_, height_)) {
    return DDERR_INVALIDRECT;
  }
  pixels::View to = View();
  pixels::View from = src->View();
  std::vector<std::uint8_t> copy;
  if (src == this) {
    copy.assign(memory_.Data(), memory_.Data() + memory_.Size());
    from.origin = copy.data();
  }
  const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) && src->hasKey_;
  if (!keyed) {
    pixels::CopyPixels(to, static_cast<int>(x), static_cast<int>(y), from, area.left, area.top, w, h);
  } else {
    const int bytes = pixels::BytesPerPixel(layout_);
    for (int row = 0; row < h; ++row) {
      std::uint8_t* out = pixels::PixelAddress(to, static_cast<int>(x), static_cast<int>(y) + row);
      const std::uint8_t* in = pixels::PixelAddress(from, area.left, area.top + row);
      for (int column = 0; column < w; ++column) {
        std::uint32_t raw = pixels::ReadRaw(in + column * bytes, bytes);
        if (raw >= src->key_.low && raw <= src->key_.high) continue;
        pixels::WriteRaw(out + column * bytes, bytes, raw);
      }
    }
  }
  ShowIfVisible();
  return DD_OK;
}

void SurfaceObject::SwapWithChain() {
  // The front takes the next buffer's memory, each buffer the following one's, the last the old front's.
  for (SurfaceObject* back : backBuffers_) {
    memory_.Swap(back->memory_);
    std::swap(contentPending_, back->contentPending_);
  }
  flipParity_ = (flipParity_ + 1) % static_cast<int>(backBuffers_.size() + 1);
}

HResult SurfaceObject::Flip(DirectDrawSurface7* target, std::uint32_t flags) {
  HResult code;
  if (Fault("Flip", &code)) return code;
  {
    Guard guard(Mutex());
    if (HResult usable = CheckUsable(true); usable != DD_OK) return usable;
    if (kind_ != SurfaceKind::kFront || backBuffers_.empty()) return DDERR_INVALIDOBJECT;
    if (target != nullptr && target != backBuffers_.front()) return DDERR_INVALIDPARAMS;
    for (SurfaceObject* back : backBuffers_) {
      if (back->lost_) return DDERR_SURFACELOST;
      if (back->locks_ > 0 || back->dc_ != nullptr) return DDERR_SURFACEBUSY;
    }
  }
  if (!(flags & DDFLIP_NOVSYNC)) display::WaitForBlankStart();
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  SwapWithChain();
  ShowIfVisible();
  return DD_OK;
}

HResult SurfaceObject::IsLost() {
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HResult SurfaceObject::Restore() {
  HResult code;
  if (Fault("Restore", &code)) return code;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  // Restored memory holds nothing the program drew; the flip chain comes back with its front.
  if (lost_) FillPattern();
  lost_ = false;
  for (SurfaceObject* back : backBuffers_) {
    if (back->lost_) back->FillPattern();
    back->lost_ = false;
  }
  return DD_OK;
}

HResult SurfaceObject::GetDC(DeviceContext* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  HResult code;
  if (Fault("GetDC", &code)) return code;
  Guard guard(Mutex());
  if (HResult usable = CheckUsable(true); usable != DD_OK) return usable;
  // GDI holds no 4:4:4:4 or depth pixels.
  if (kind_ == SurfaceKind::kZBuffer || layout_.alpha == 0xF000) return DDERR_CANTCREATEDC;
  dc_ = gdi::CreateViewContext(View(), &ShowSurface, this);
  *out = dc_;
  return DD_OK;
}

HResult SurfaceObject::ReleaseDC(DeviceContext context) {
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  if (context == nullptr || context != dc_) return DDERR_INVALIDPARAMS;
  gdi::DeleteViewContext(dc_);
  dc_ = nullptr;
  ShowIfVisible();
  return DD_OK;
}

HResult SurfaceObject::GetCaps(DDCaps2* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  *out = DDCaps2{caps_, caps2_, 0, 0};
  return DD_OK;
}

HResult SurfaceObject::SetColorKey(std::uint32_t flags, const DDColorKey* key) {
  HResult code;
  if (Fault("SetColorKey", &code)) return code;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  if (!(flags & DDCKEY_SRCBLT)) return DDERR_UNSUPPORTED;
  hasKey_ = key != nullptr;
  if (key != nullptr) key_ = *key;
  return DD_OK;
}

HResult SurfaceObject::GetColorKey(std::uint32_t flags, DDColorKey* out) {
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  if (out == nullptr || !(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
  if (!hasKey_) return DDERR_NOCOLORKEY;
  *out = key_;
  return DD_OK;
}

HResult SurfaceObject::GetAttachedSurface(const DDCaps2* caps, DirectDrawSurface7** out) {
  if (caps == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  HResult code;
  if (Fault("GetAttachedSurface", &code, DDERR_NOTFOUND)) return code;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  SurfaceObject* found = nullptr;
  if ((caps->caps & DDSCAPS_BACKBUFFER) && !backBuffers_.empty()) found = backBuffers_.front();
  if ((caps->caps & DDSCAPS_ZBUFFER) && attachedZ_ != nullptr) found = attachedZ_;
  if (found == nullptr) return DDERR_NOTFOUND;
  found->AddRef();
  *out = found;
  return DD_OK;
}

HResult SurfaceObject::AddAttachedSurface(DirectDrawSurface7* surface) {
  HResult code;
  if (Fault("AddAttachedSurface", &code, DDERR_CANNOTATTACHSURFACE)) return code;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  auto* z = static_cast<SurfaceObject*>(surface);
  if (z == nullptr || z->kind_ != SurfaceKind::kZBuffer || attachedZ_ != nullptr || z->width_ != width_ ||
      z->height_ != height_) {
    return DDERR_CANNOTATTACHSURFACE;
  }
  z->AddRef();
  attachedZ_ = z;
  return DD_OK;
}

HResult SurfaceObject::DeleteAttachedSurface(std::uint32_t, DirectDrawSurface7* surface) {
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  if (attachedZ_ == nullptr || (surface != nullptr && surface != attachedZ_)) return DDERR_NOTFOUND;
  SurfaceObject* z = attachedZ_;
  attachedZ_ = nullptr;
  z->Release();
  return DD_OK;
}

HResult SurfaceObject::EnumAttachedSurfaces(void* context, EnumSurfacesCallback callback) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  std::vector<SurfaceObject*> attached;
  {
    Guard guard(Mutex());
    if (owner_ == nullptr) return DeadObjectCall();
    attached = backBuffers_;
    if (attachedZ_ != nullptr) attached.push_back(attachedZ_);
  }
  for (SurfaceObject* surface : attached) {
    SurfaceDesc desc{};
    surface->GetSurfaceDesc(&desc);
    if (callback(surface, &desc, context) == static_cast<HResult>(DDENUMRET_CANCEL)) break;
  }
  return DD_OK;
}

HResult SurfaceObject::SetClipper(DirectDrawClipper* clipper) {
  HResult code;
  if (Fault("SetClipper", &code)) return code;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  auto* next = static_cast<ClipperObject*>(clipper);
  if (next != nullptr) next->AddRef();
  if (clipper_ != nullptr) clipper_->Release();
  clipper_ = next;
  return DD_OK;
}

HResult SurfaceObject::GetClipper(DirectDrawClipper** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  *out = clipper_;
  if (clipper_ == nullptr) return DDERR_NOTFOUND;
  clipper_->AddRef();
  return DD_OK;
}

HResult SurfaceObject::SetPalette(DirectDrawPalette* palette) {
  HResult code;
  if (Fault("SetPalette", &code)) return code;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  if (layout_.bitsPerPixel != 8) return DDERR_INVALIDPIXELFORMAT;
  auto* next = static_cast<PaletteObject*>(palette);
  if (next != nullptr) next->AddRef();
  if (palette_ != nullptr) palette_->Release();
  palette_ = next;
  ShowIfVisible();
  return DD_OK;
}

HResult SurfaceObject::GetPalette(DirectDrawPalette** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  *out = palette_;
  if (palette_ == nullptr) return DDERR_NOTFOUND;
  palette_->AddRef();
  return DD_OK;
}

HResult SurfaceObject::GetPixelFormat(DDPixelFormat* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  *out = format_;
  return DD_OK;
}

HResult SurfaceObject::GetSurfaceDesc(SurfaceDesc* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  Guard guard(Mutex());
  if (owner_ == nullptr) return DeadObjectCall();
  std::memset(out, 0, sizeof *out);
  out->size = sizeof *out;
  out->flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  out->width = static_cast<std::uint32_t>(width_);
  out->height = static_cast<std::uint32_t>(height_);
  out->pitch = pitch_;
  out->pixelFormat = format_;
  out->caps = DDCaps2{caps_, caps2_, 0, 0};
  out->backBufferCount = static_cast<std::uint32_t>(backBuffers_.size());
  if (hasKey_) {
    out->flags |= DDSD_CKSRCBLT;
    out->sourceBltKey = key_;
  }
  return DD_OK;
}

bool SurfaceDead(DirectDrawSurface7* surface) { return static_cast<SurfaceObject*>(surface)->Dead(); }

bool IsDepthSurface(DirectDrawSurface7* surface) {
  return static_cast<SurfaceObject*>(surface)->Kind() == SurfaceKind::kZBuffer;
}

pixels::View SurfaceView(DirectDrawSurface7* surface) { return static_cast<SurfaceObject*>(surface)->View(); }

void ShowSurfaceIfVisible(DirectDrawSurface7* surface) { static_cast<SurfaceObject*>(surface)->ShowIfVisible(); }

}  // namespace pf::ddraw
