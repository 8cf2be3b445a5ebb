// The renderer's window controls: the windowless control over a video
// window, the mixer's stream rectangles, and the own window of windowed mode
// with its source and destination rectangles.
#include "platform/av/video/SurfaceTable.h"
#include "platform/av/video/VideoRenderer.h"

namespace av::video {
namespace {

common::VideoRect FromRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

RECT ToRect(const common::VideoRect& r) {
  return RECT{static_cast<LONG>(r.left), static_cast<LONG>(r.top), static_cast<LONG>(r.right),
              static_cast<LONG>(r.bottom)};
}

void PutPosition(const common::VideoRect& r, LONG* left, LONG* top, LONG* width, LONG* height) {
  *left = static_cast<LONG>(r.left);
  *top = static_cast<LONG>(r.top);
  *width = static_cast<LONG>(r.Width());
  *height = static_cast<LONG>(r.Height());
}

}  // namespace

void CVideoMixingRenderer9::UpdatePlacementLocked() {
  const std::shared_ptr<VideoSurface>& surface = Windowless() ? clippingWindow_ : ownWindow_;
  if (!surface) return;
  Placement placement;
  placement.source = source_;
  placement.borderColour = borderColour_;
  placement.destination = destination_.IsEmpty() ? surface->ClientRect() : destination_;
  if (streams_ > 1) {
    // The video stream's output rectangle, a part of the destination.
    const VMR9NormalizedRect& out = outputRects_[0];
    const common::VideoRect d = placement.destination;
    placement.destination = {d.left + static_cast<long>(out.left * d.Width()),
                             d.top + static_cast<long>(out.top * d.Height()),
                             d.left + static_cast<long>(out.right * d.Width()),
                             d.top + static_cast<long>(out.bottom * d.Height())};
  }
  if (aspectMode_ == VMR9ARMode_LetterBox && format_) {
    const common::VideoRect shown = source_.IsEmpty() ? format_->source : source_;
    const common::PictureAspect aspect = common::AspectFor(
        common::AspectMode::kPicture, format_->aspect, shown.Width(), shown.Height(), {});
    placement.destination = common::FitAspect(placement.destination, aspect);
  }
  surface->SetPlacement(placement);
}

// ---- IVMRWindowlessControl9 ------------------------------------------------------

HRESULT CVideoMixingRenderer9::GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectX,
                                                  LONG* aspectY) {
  std::lock_guard lock(mutex_);
  if (!format_) return VFW_E_NOT_CONNECTED;
  if (width) *width = format_->width;
  if (height) *height = format_->height;
  const common::PictureAspect aspect = common::AspectFor(
      common::AspectMode::kPicture, format_->aspect, format_->width, format_->height, {});
  if (aspectX) *aspectX = aspect.x;
  if (aspectY) *aspectY = aspect.y;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetVideoPosition(const RECT* source, const RECT* destination) {
  if (source == nullptr && destination == nullptr) return E_POINTER;
  const auto valid = [](const RECT* r) {
    return r == nullptr || (r->right >= r->left && r->bottom >= r->top);
  };
  if (!valid(source) || !valid(destination)) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  if (source) source_ = FromRect(*source);
  if (destination) destination_ = FromRect(*destination);
  UpdatePlacementLocked();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetVideoPosition(RECT* source, RECT* destination) {
  if (source == nullptr && destination == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (source) *source = ToRect(source_.IsEmpty() && format_ ? format_->source : source_);
  if (destination) *destination = ToRect(destination_);
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetAspectRatioMode(DWORD* mode) {
  if (mode == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *mode = aspectMode_;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetAspectRatioMode(DWORD mode) {
  if (mode != VMR9ARMode_None && mode != VMR9ARMode_LetterBox) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  aspectMode_ = mode;
  UpdatePlacementLocked();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetVideoClippingWindow(OAHWND window) {
  std::shared_ptr<VideoSurface> surface = FindSurface(window);
  if (!surface) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  clippingWindow_ = std::move(surface);
  UpdatePlacementLocked();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::RepaintVideo(OAHWND, LONG_PTR) {
  std::shared_ptr<VideoSurface> surface = Surface();
  if (!surface) return E_FAIL;
  surface->Repaint();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::DisplayModeChanged() {
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetBorderColor(COLORREF colour) {
  std::lock_guard lock(mutex_);
  borderColour_ = colour;
  UpdatePlacementLocked();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetBorderColor(COLORREF* colour) {
  if (colour == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *colour = borderColour_;
  return S_OK;
}

// ---- IVMRMixerControl9 -----------------------------------------------------------

HRESULT CVideoMixingRenderer9::SetOutputRect(DWORD stream, const VMR9NormalizedRect* rect) {
  if (rect == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (stream >= streams_) return E_INVALIDARG;
  outputRects_[stream] = *rect;
  UpdatePlacementLocked();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetOutputRect(DWORD stream, VMR9NormalizedRect* rect) {
  if (rect == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (stream >= streams_) return E_INVALIDARG;
  *rect = outputRects_[stream];
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetMixingPrefs(DWORD prefs) {
  std::lock_guard lock(mutex_);
  mixingPrefs_ = prefs;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetMixingPrefs(DWORD* prefs) {
  if (prefs == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *prefs = mixingPrefs_;
  return S_OK;
}

// ---- IVideoWindow ----------------------------------------------------------------

HRESULT CVideoMixingRenderer9::put_Owner(OAHWND owner) {
  std::lock_guard lock(mutex_);
  if (owner_ != owner) ownWindow_.reset();  // a child of the new owner is made on demand
  owner_ = owner;
  SurfaceLocked();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::get_Owner(OAHWND* owner) {
  if (owner == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *owner = owner_;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::put_MessageDrain(OAHWND drain) {
  std::lock_guard lock(mutex_);
  drain_ = drain;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::get_MessageDrain(OAHWND* drain) {
  if (drain == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *drain = drain_;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::put_WindowStyle(LONG style) {
  std::lock_guard lock(mutex_);
  style_ = style;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::get_WindowStyle(LONG* style) {
  if (style == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *style = style_;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::put_BorderColor(LONG colour) {
  return SetBorderColor(static_cast<COLORREF>(colour));
}

HRESULT CVideoMixingRenderer9::get_BorderColor(LONG* colour) {
  if (colour == nullptr) return E_POINTER;
  COLORREF value = 0;
  GetBorderColor(&value);
  *colour = static_cast<LONG>(value);
  return S_OK;
}

HRESULT CVideoMixingRenderer9::put_Visible(LONG visible) {
  std::lock_guard lock(mutex_);
  visible_ = visible;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::get_Visible(LONG* visible) {
  if (visible == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *visible = visible_;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
  if (width < 0 || height < 0) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  windowPosition_ = {left, top, left + width, top + height};
  SurfaceLocked()->Place(windowPosition_);
  UpdatePlacementLocked();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  std::lock_guard lock(mutex_);
  PutPosition(windowPosition_, left, top, width, height);
  return S_OK;
}

// ---- IBasicVideo -----------------------------------------------------------------

HRESULT CVideoMixingRenderer9::get_AvgTimePerFrame(REFTIME* seconds) {
  if (seconds == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (!format_) return VFW_E_NOT_CONNECTED;
  *seconds = format_->framesPerSecond > 0 ? 1.0 / format_->framesPerSecond : 0.0;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetVideoSize(LONG* width, LONG* height) {
  if (width == nullptr || height == nullptr) return E_POINTER;
  return GetNativeVideoSize(width, height, nullptr, nullptr);
}

HRESULT CVideoMixingRenderer9::SetSourcePosition(LONG left, LONG top, LONG width, LONG height) {
  if (width <= 0 || height <= 0) return E_INVALIDARG;
  const RECT source{left, top, left + width, top + height};
  return SetVideoPosition(&source, nullptr);
}

HRESULT CVideoMixingRenderer9::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  RECT source;
  GetVideoPosition(&source, nullptr);
  PutPosition(FromRect(source), left, top, width, height);
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetDestinationPosition(LONG left, LONG top, LONG width,
                                                      LONG height) {
  if (width <= 0 || height <= 0) return E_INVALIDARG;
  const RECT destination{left, top, left + width, top + height};
  return SetVideoPosition(nullptr, &destination);
}

HRESULT CVideoMixingRenderer9::GetDestinationPosition(LONG* left, LONG* top, LONG* width,
                                                      LONG* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  RECT destination;
  GetVideoPosition(nullptr, &destination);
  PutPosition(FromRect(destination), left, top, width, height);
  return S_OK;
}

}  // namespace av::video
