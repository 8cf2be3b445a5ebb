#include "platform/av/video/VideoRenderer.h"

#include "platform/av/video/CaptionPin.h"
#include "platform/av/video/SurfaceTable.h"

namespace av::video {
namespace {

PixelLayout LayoutOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_YV12) return PixelLayout::kYV12;
  if (subtype == MEDIASUBTYPE_RGB32) return PixelLayout::kRgb32;
  return PixelLayout::kI420;
}

// The planes of a picture in a buffer of the format's layout.
VideoFrame FrameOf(const NativeVideoFormat& format, BYTE* data) {
  VideoFrame frame;
  frame.layout = LayoutOf(format.subtype);
  frame.width = static_cast<int>(format.width);
  frame.height = static_cast<int>(format.height);
  frame.aspectX = format.aspect.x;
  frame.aspectY = format.aspect.y;
  if (frame.layout == PixelLayout::kRgb32) {
    const int stride = frame.width * 4;
    frame.planes[0] = format.bottomUp ? data + (frame.height - 1) * stride : data;
    frame.strides[0] = format.bottomUp ? -stride : stride;
    return frame;
  }
  const int chromaWidth = (frame.width + 1) / 2;
  const int chromaHeight = (frame.height + 1) / 2;
  frame.planes[0] = data;
  frame.planes[1] = data + frame.width * frame.height;
  frame.planes[2] = frame.planes[1] + chromaWidth * chromaHeight;
  frame.strides[0] = frame.width;
  frame.strides[1] = frame.strides[2] = chromaWidth;
  return frame;
}

bool SameShape(const NativeVideoFormat& a, const NativeVideoFormat& b) {
  return a.width == b.width && a.height == b.height && a.aspect.x == b.aspect.x &&
         a.aspect.y == b.aspect.y;
}

}  // namespace

CVideoMixingRenderer9::CVideoMixingRenderer9()
    : CBaseRenderer(CLSID_VideoMixingRenderer9, "video mixing renderer 9", nullptr, nullptr,
                    u"VMR Input0") {
  HRESULT hr = S_OK;
  captionPin_ = std::make_unique<CCaptionInputPin>(this, &hr);
}

CVideoMixingRenderer9::~CVideoMixingRenderer9() = default;

CUnknown* CVideoMixingRenderer9::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CVideoMixingRenderer9();
}

HRESULT CVideoMixingRenderer9::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IVMRFilterConfig9) {
    return GetInterface(static_cast<IVMRFilterConfig9*>(this), object);
  }
  DWORD mode = 0;
  DWORD streams = 0;
  {
    std::lock_guard lock(mutex_);
    mode = mode_;
    streams = streams_;
  }
  if (mode == VMR9Mode_Windowless && iid == IID_IVMRWindowlessControl9) {
    return GetInterface(static_cast<IVMRWindowlessControl9*>(this), object);
  }
  if (streams > 1 && iid == IID_IVMRMixerControl9) {
    return GetInterface(static_cast<IVMRMixerControl9*>(this), object);
  }
  if (mode == VMR9Mode_Windowed && iid == IID_IVideoWindow) {
    return GetInterface(static_cast<IVideoWindow*>(this), object);
  }
  if (mode == VMR9Mode_Windowed && iid == IID_IBasicVideo) {
    return GetInterface(static_cast<IBasicVideo*>(this), object);
  }
  return CBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

int CVideoMixingRenderer9::GetPinCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(streams_);
}

CBasePin* CVideoMixingRenderer9::GetPin(int n) {
  if (n == 1) return GetPinCount() > 1 ? captionPin_.get() : nullptr;
  return CBaseRenderer::GetPin(n);
}

// ---- pictures ----------------------------------------------------------------

HRESULT CVideoMixingRenderer9::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  const auto format = ReadNativeVideoFormat(*mt);
  if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
  return PictureBytes(format->subtype, 1, 1) > 0 && format->subtype != MEDIASUBTYPE_ARGB32
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CVideoMixingRenderer9::SetMediaType(const CMediaType* mt) {
  AdoptFormat(*mt);
  return S_OK;
}

void CVideoMixingRenderer9::AdoptFormat(const AM_MEDIA_TYPE& mt) {
  const auto format = ReadNativeVideoFormat(mt);
  if (!format) return;
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    changed = format_.has_value() && !SameShape(*format_, *format);
    format_ = format;
  }
  if (changed) {
    const LONG_PTR size = (format->height & 0xFFFF) << 16 | (format->width & 0xFFFF);
    NotifyEvent(EC_VIDEO_SIZE_CHANGED, size, 0);
  }
}

void CVideoMixingRenderer9::Draw(IMediaSample* sample) {
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed != nullptr) {
    AdoptFormat(*changed);
    DeleteMediaType(changed);
  }
  std::optional<NativeVideoFormat> format;
  std::shared_ptr<VideoSurface> surface;
  {
    std::lock_guard lock(mutex_);
    format = format_;
    surface = SurfaceLocked();
  }
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  if (!format || data == nullptr ||
      sample->GetActualDataLength() <
          PictureBytes(format->subtype, format->width, format->height)) {
    std::lock_guard lock(mutex_);
    ++dropped_;
    return;
  }
  VideoFrame frame = FrameOf(*format, data);
  REFERENCE_TIME start = 0, stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) frame.streamTime = start;
  if (!surface) return;
  surface->Present(frame);
  std::lock_guard lock(mutex_);
  ++drawn_;
}

void CVideoMixingRenderer9::OnReceiveFirstSample(IMediaSample* sample) {
  Draw(sample);
  std::lock_guard lock(mutex_);
  still_ = sample;
}

HRESULT CVideoMixingRenderer9::DoRenderSample(IMediaSample* sample) {
  {
    std::lock_guard lock(mutex_);
    if (still_ == sample) return S_OK;
  }
  Draw(sample);
  return S_OK;
}

HRESULT CVideoMixingRenderer9::Receive(IMediaSample* sample) {
  const HRESULT hr = CBaseRenderer::Receive(sample);
  std::lock_guard lock(mutex_);
  still_ = nullptr;
  return hr;
}

void CVideoMixingRenderer9::PresentCaption(const CaptionPicture& caption) {
  std::shared_ptr<VideoSurface> surface;
  {
    std::lock_guard lock(mutex_);
    surface = SurfaceLocked();
  }
  if (surface) surface->SetCaption(caption);
}

std::shared_ptr<VideoSurface> CVideoMixingRenderer9::SurfaceLocked() {
  if (Windowless()) return clippingWindow_;
  if (!ownWindow_) {
    ownWindow_ = MakeRendererWindow(owner_);
    UpdatePlacementLocked();
  }
  return ownWindow_;
}

std::shared_ptr<VideoSurface> CVideoMixingRenderer9::Surface() {
  std::lock_guard lock(mutex_);
  return SurfaceLocked();
}

long CVideoMixingRenderer9::FramesDrawn() {
  std::lock_guard lock(mutex_);
  return drawn_;
}

long CVideoMixingRenderer9::FramesDropped() {
  std::lock_guard lock(mutex_);
  return dropped_;
}

// ---- rendering mode and streams -------------------------------------------------

HRESULT CVideoMixingRenderer9::SetNumberOfStreams(DWORD streams) {
  if (streams < 1 || streams > kMaxStreams) return E_INVALIDARG;
  if (InputPin()->IsConnected()) return VFW_E_WRONG_STATE;
  {
    std::lock_guard lock(mutex_);
    if (streamsSet_) return VFW_E_WRONG_STATE;
    streamsSet_ = true;
    streams_ = streams;
  }
  IncrementPinVersion();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetNumberOfStreams(DWORD* streams) {
  if (streams == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *streams = streams_;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetRenderingPrefs(DWORD prefs) {
  std::lock_guard lock(mutex_);
  renderingPrefs_ = prefs;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetRenderingPrefs(DWORD* prefs) {
  if (prefs == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *prefs = renderingPrefs_;
  return S_OK;
}

HRESULT CVideoMixingRenderer9::SetRenderingMode(DWORD mode) {
  if (mode != VMR9Mode_Windowed && mode != VMR9Mode_Windowless) return E_INVALIDARG;
  if (InputPin()->IsConnected()) return VFW_E_WRONG_STATE;
  std::lock_guard lock(mutex_);
  mode_ = mode;
  if (mode == VMR9Mode_Windowless) ownWindow_.reset();
  return S_OK;
}

HRESULT CVideoMixingRenderer9::GetRenderingMode(DWORD* mode) {
  if (mode == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *mode = mode_;
  return S_OK;
}

}  // namespace av::video
