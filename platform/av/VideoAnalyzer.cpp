#include "platform/av/VideoAnalyzer.h"

#include "platform/media/MediaGuids.h"

namespace av {

CMpeg2VideoAnalyzer::CMpeg2VideoAnalyzer()
    : CTransInPlaceFilter("MPEG-2 video stream analyzer", CLSID_Mpeg2VideoStreamAnalyzer, u"Input",
                          u"Output") {}

CUnknown* CMpeg2VideoAnalyzer::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CMpeg2VideoAnalyzer;
}

HRESULT CMpeg2VideoAnalyzer::CheckInputType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  if (mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_MPEG2_VIDEO) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  const bool formatKnown = mt->formattype == FORMAT_MPEG2Video || mt->formattype == FORMAT_None ||
                           mt->formattype == GUID_NULL;
  if (!formatKnown) return VFW_E_TYPE_NOT_ACCEPTED;
  // A format block length without a block is a malformed type.
  if (mt->cbFormat != 0 && mt->pbFormat == nullptr) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT CMpeg2VideoAnalyzer::Transform(IMediaSample* sample) {
  const LONG length = sample->GetActualDataLength();
  samples_.fetch_add(1, std::memory_order_relaxed);
  if (length > 0) bytes_.fetch_add(static_cast<std::uint64_t>(length), std::memory_order_relaxed);
  return S_OK;
}

}  // namespace av
