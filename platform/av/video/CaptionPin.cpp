#include "platform/av/video/CaptionPin.h"

#include "platform/av/video/VideoRenderer.h"

namespace av::video {

CCaptionInputPin::CCaptionInputPin(CVideoMixingRenderer9* renderer, HRESULT* hr)
    : CBaseInputPin("caption input pin", renderer, renderer->FilterLock(), hr, u"VMR Input1"),
      renderer_(renderer) {}

HRESULT CCaptionInputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  if (mt->subtype != MEDIASUBTYPE_ARGB32) return VFW_E_TYPE_NOT_ACCEPTED;
  return ReadNativeVideoFormat(*mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CCaptionInputPin::GetMediaType(int position, CMediaType*) {
  return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT CCaptionInputPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = CBaseInputPin::SetMediaType(mt);
  if (FAILED(hr)) return hr;
  const auto format = ReadNativeVideoFormat(*mt);
  width_ = format->width;
  height_ = format->height;
  bottomUp_ = format->bottomUp;
  return S_OK;
}

HRESULT CCaptionInputPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed != nullptr) {
    const CMediaType type(*changed);
    DeleteMediaType(changed);
    SetMediaType(&type);
  }
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const long rowBytes = width_ * 4;
  if (data == nullptr || sample->GetActualDataLength() < rowBytes * height_) return S_OK;
  CaptionPicture caption;
  caption.width = static_cast<int>(width_);
  caption.height = static_cast<int>(height_);
  caption.rgba.resize(static_cast<std::size_t>(rowBytes) * height_);
  for (long row = 0; row < height_; ++row) {
    const BYTE* in = data + (bottomUp_ ? height_ - 1 - row : row) * rowBytes;
    std::uint8_t* out = caption.rgba.data() + row * rowBytes;
    for (long x = 0; x < width_; ++x, in += 4, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = in[3];
    }
  }
  ++pictures_;
  renderer_->PresentCaption(caption);
  return S_OK;
}

HRESULT CCaptionInputPin::QueryInternalConnections(IPin**, ULONG* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

}  // namespace av::video
